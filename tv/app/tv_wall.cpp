// The TV wall's window: the grid of cells, the cycle and refresh timers, and the mouse.
#include "tv/app/tv_wall.h"

#include <cstring>

#include "res/tunaro/resource.h"
#include "tv/app/control_panel.h"
#include "tv/app/still_files.h"
#include "tv/app/tunaro_app.h"

namespace tunaro {

namespace {

constexpr int kColumns = 4;

// Bitmap resource 329 as a packed 24-bit picture (header, pixels), empty when it cannot be read.
std::vector<uint8_t> LoadPlaceholder() {
    std::vector<uint8_t> packed;
    Bitmap bitmap(static_cast<HBITMAP>(LoadImageA(
        GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_TV_WALL_PLACEHOLDER), IMAGE_BITMAP, 0, 0, 0)));
    BITMAP info = {};
    if (!bitmap || !GetObjectA(bitmap.get(), sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0)
        return packed;
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = info.bmWidth;
    header.biHeight = info.bmHeight;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    const size_t stride = (static_cast<size_t>(info.bmWidth) * 3 + 3) & ~static_cast<size_t>(3);
    header.biSizeImage = static_cast<DWORD>(stride * static_cast<size_t>(info.bmHeight));
    packed.resize(sizeof header + header.biSizeImage);
    std::memcpy(packed.data(), &header, sizeof header);
    HDC screen = GetDC(nullptr);
    const int rows =
        GetDIBits(screen, bitmap.get(), 0, static_cast<UINT>(info.bmHeight), packed.data() + sizeof header,
                  reinterpret_cast<BITMAPINFO*>(packed.data()), DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (rows != info.bmHeight)
        packed.clear();
    return packed;
}

} // namespace

CTvWallDlg::CTvWallDlg(CControlPanel& panel, PanelState& state)
    : Dialog(IDD_TV_WALL), m_panel(panel), m_state(state) {}

CTvWallDlg::~CTvWallDlg() {
    Close();
}

bool CTvWallDlg::Open(HWND panel) {
    if (!Create(panel))
        return false;
    ShowWindow(SW_SHOW);
    // In front of the panel and the video window, which may be topmost themselves.
    SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    SetForegroundWindow(m_hWnd);
    return true;
}

void CTvWallDlg::Close() {
    if (!IsWindow())
        return;
    KillTimer(m_hWnd, kCycleTimer);
    KillTimer(m_hWnd, kRefreshTimer);
    DestroyWindow();
    CriticalSectionLock lock(m_lock);
    for (Cell& cell : m_cells) {
        cell.dib.Release();
        std::vector<uint8_t>().swap(cell.picture);
    }
}

BOOL CTvWallDlg::OnInitDialog() {
    SetWindowText(Globals().Text("TV Wall", "电视墙"));
    // The whole screen, the cells as a 4 x 4 grid of equal parts of it, left to right and top down.
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, width, height, SWP_NOACTIVATE);
    RECT client = {};
    GetClientRect(m_hWnd, &client);
    const int cellWidth = client.right / kColumns, cellHeight = client.bottom / kColumns;
    for (int i = 0; i < TvWallCycle::kCells; ++i)
        MoveItem(IDC_WALL_CELL_FIRST + i, (i % kColumns) * cellWidth, (i / kColumns) * cellHeight, cellWidth,
                 cellHeight, false);

    m_placeholder = LoadPlaceholder();
    m_grab.assign(kWallGrabBytes, 0);
    {
        CriticalSectionLock lock(m_lock);
        m_cycle.Open(static_cast<int>(m_state.channels.Count()),
                     static_cast<int>(m_state.channels.CurrentIndex()));
        for (Cell& cell : m_cells) {
            cell.caption.clear();
            cell.picture.assign(kWallTileBytes, 0);
            ShowPlaceholder(cell);
        }
    }
    SetTimer(m_hWnd, kCycleTimer, kCycleFirstMs, nullptr);
    SetTimer(m_hWnd, kRefreshTimer, kRefreshMs, nullptr);
    return TRUE;
}

const MessageMap* CTvWallDlg::GetMessageMap() const {
    static const MessageMap kMap{
        Timer<&CTvWallDlg::OnTimer>(),
        Mouse<&CTvWallDlg::OnLButtonDown>(WM_LBUTTONDOWN),
        Mouse<&CTvWallDlg::OnRButtonDown>(WM_RBUTTONDOWN),
        Mouse<&CTvWallDlg::OnLButtonDblClk>(WM_LBUTTONDBLCLK),
        Message<&CTvWallDlg::OnDrawItem>(WM_DRAWITEM),
        EraseBackground<&CTvWallDlg::OnEraseBackground>(),
    };
    return &kMap;
}

void CTvWallDlg::OnCancel() {
    ::PostMessageA(m_panel.GetHwnd(), WM_COMMAND, MAKEWPARAM(IDC_TV_WALL, 0), 0);
}

void CTvWallDlg::OnTimer(UINT_PTR id) {
    if (id == kCycleTimer)
        OnCycleTick();
    else if (id == kRefreshTimer)
        OnRefreshTick();
}

void CTvWallDlg::Tune(int channel) {
    m_state.channels.SetCurrentIndex(channel);
    if (CaptureEngine* engine = m_panel.Engine())
        engine->SetCurrentChannel(channel);
}

void CTvWallDlg::OnCycleTick() {
    CriticalSectionLock lock(m_lock);
    const int channel = m_cycle.Tick();
    if (channel < 0)
        return; // an empty list: nothing to tune, nothing filled
    Tune(channel);
    m_cells[m_cycle.LiveCell()].caption = m_state.channels.Name(channel);
}

void CTvWallDlg::OnRefreshTick() {
    CriticalSectionLock lock(m_lock);
    if (m_cycle.FilledCount() == 0)
        return;
    CaptureEngine* engine = m_panel.Engine();
    if (!engine)
        return;
    const long copied = engine->CopyImageMem(m_grab.data(), m_grab.size());
    Cell& cell = m_cells[m_cycle.LiveCell()];
    if (copied <= 0 || !BuildWallTile(m_grab.data(), static_cast<size_t>(copied), cell.picture.data(),
                                      cell.picture.size())) {
        ++m_lSkippedFrames; // no picture yet, or one the wall cannot show: the cell keeps its last
        return;
    }
    cell.dib.Release();
    cell.dib.AttachMemory(reinterpret_cast<BITMAPINFOHEADER*>(cell.picture.data()));
    RedrawCell(m_cycle.LiveCell());
}

void CTvWallDlg::ShowPlaceholder(Cell& cell) {
    cell.dib.Release();
    if (m_placeholder.empty() || cell.picture.size() < m_placeholder.size())
        return;
    std::memcpy(cell.picture.data(), m_placeholder.data(), m_placeholder.size());
    cell.dib.AttachMemory(reinterpret_cast<BITMAPINFOHEADER*>(cell.picture.data()));
}

int CTvWallDlg::CellAt(POINT pt) const {
    for (int i = 0; i < TvWallCycle::kCells; ++i) {
        RECT rc = GetItemRect(IDC_WALL_CELL_FIRST + i);
        if (PtInRect(&rc, pt))
            return i;
    }
    return -1;
}

void CTvWallDlg::OnLButtonDown(UINT, POINT pt) {
    const int index = CellAt(pt);
    CriticalSectionLock lock(m_lock);
    const int channel = m_cycle.Click(index);
    if (channel < 0)
        return;
    KillTimer(m_hWnd, kCycleTimer);
    Tune(channel);
    m_cells[index].caption = m_state.channels.Name(m_state.channels.CurrentIndex());
    if (CaptureEngine* engine = m_panel.Engine())
        engine->AudioMute(0);
    m_boMuted = false;
}

void CTvWallDlg::OnRButtonDown(UINT, POINT) {
    CriticalSectionLock lock(m_lock);
    if (!m_cycle.Restart(static_cast<int>(m_state.channels.CurrentIndex())))
        return;
    if (CaptureEngine* engine = m_panel.Engine())
        engine->AudioMute(1);
    m_boMuted = true;
    SetTimer(m_hWnd, kCycleTimer, kCycleRestartMs, nullptr);
}

void CTvWallDlg::OnLButtonDblClk(UINT, POINT pt) {
    const int index = CellAt(pt);
    {
        CriticalSectionLock lock(m_lock);
        if (!m_cycle.Filled(index))
            return;
    }
    ::PostMessageA(m_panel.GetHwnd(), WM_COMMAND, MAKEWPARAM(IDC_TV_WALL, 0), 0);
}

LRESULT CTvWallDlg::OnDrawItem(WPARAM, LPARAM lp) {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
    if (!item || item->CtlID < IDC_WALL_CELL_FIRST || item->CtlID > IDC_WALL_CELL_LAST)
        return FALSE;
    CriticalSectionLock lock(m_lock);
    DrawCell(static_cast<int>(item->CtlID - IDC_WALL_CELL_FIRST), item->hDC);
    return TRUE;
}

BOOL CTvWallDlg::OnEraseBackground(HDC) {
    return TRUE; // the cells cover the window
}

void CTvWallDlg::DrawCell(int index, HDC dc) {
    RECT rc = {};
    GetClientRect(Item(IDC_WALL_CELL_FIRST + index), &rc);
    Cell& cell = m_cells[index];
    if (cell.dib.Empty() || !cell.dib.Draw(dc, 0, 0, rc.right, rc.bottom, cell.caption.c_str()))
        FillRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

void CTvWallDlg::RedrawCell(int index) {
    HWND item = Item(IDC_WALL_CELL_FIRST + index);
    WindowDc dc(item);
    if (dc)
        DrawCell(index, dc.get());
}

} // namespace tunaro
