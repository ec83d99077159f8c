// The snapshot browser's window: skin background, the six skin buttons at their places in the
// skin layout, the thumbnail list and its slider, with the texts of the language mode; the stills
// it keeps, their thumbnails, and saving, deleting and opening them.
#include "tv/app/snapshot_browser.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>

#include "engine/CaptureEngine.h"
#include "framework/file_replace.h"
#include "framework/format.h"
#include "tv/app/still_files.h"

#include "res/tunaro/resource.h"
#include "res/tunaro/snapshot_layout.h"
#include "tv/app/tunaro_app.h"

namespace tunaro {

namespace {

constexpr int kBrowserWidth = 680; // the size of background bitmap 339
constexpr int kBrowserHeight = 236;

struct ButtonText {
    int id;
    const char* english;
    const char* chinese;
};
constexpr ButtonText kButtonTexts[] = {
    {IDC_SNAP_CLOSE, "Close", "关闭"},     {IDC_SNAP_SAVE, "Save", "保存"},
    {IDC_SNAP_DELETE, "Delete", "删除"},   {IDC_SNAP_REMOVE_ALL, "Remove All", "全部删除"},
    {IDC_SNAP_CAPTURE, "capture", "抓图"}, {IDC_SNAP_SAVE_ALL, "Save All", "全部保存"},
};

constexpr UINT kBrowseFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
constexpr const char* kBrowseStart = "C:\\";

int CALLBACK BrowseCallback(HWND hwnd, UINT msg, LPARAM, LPARAM data) {
    if (msg == BFFM_INITIALIZED)
        ::SendMessageA(hwnd, BFFM_SETSELECTIONA, TRUE, data);
    return 0;
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Files (not directories) in dir matching pattern.
long CountFiles(const std::string& dir, const char* pattern) {
    WIN32_FIND_DATAA found = {};
    FindHandle find(FindFirstFileA((dir + pattern).c_str(), &found));
    if (!find)
        return 0;
    long n = 0;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            ++n;
    } while (FindNextFileA(find.get(), &found));
    return n;
}

} // namespace

CSnapshotBrowser::CSnapshotBrowser() : Dialog(IDD_SNAPSHOT) {}

CSnapshotBrowser::~CSnapshotBrowser() {
    if (IsWindow())
        DestroyWindow();
    if (m_images)
        ImageList_Destroy(m_images);
}

bool CSnapshotBrowser::Create(HWND panel) {
    m_panel = panel;
    return Dialog::Create(panel);
}

BOOL CSnapshotBrowser::OnInitDialog() {
    const TvGlobals& g = Globals();
    SetWindowText(g.Text("Snapshot", "单帧抓图"));
    m_background.Reset(static_cast<HBITMAP>(LoadImageA(
        GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_SNAPSHOT_BACKGROUND), IMAGE_BITMAP, 0, 0, 0)));
    // The client area is the background's size; the caption bar comes on top of it.
    RECT frame = {0, 0, kBrowserWidth, kBrowserHeight};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrA(m_hWnd, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrA(m_hWnd, GWL_EXSTYLE)));
    SetWindowPos(m_hWnd, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    MoveItem(IDC_SNAP_LIST, 12, 32, 656, 128, false);
    MoveItem(IDC_SNAP_SLIDER, 12, 169, 656, 16, false);

    for (const ButtonText& text : kButtonTexts)
        SetItemText(text.id, g.Text(text.english, text.chinese));
    HCURSOR hand = LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_HAND_CURSOR));
    for (const skin::Row& row : skin::snapshot::kSnapshotButtons) {
        MoveItem(row.id, row.left, row.top, row.width, row.height, false);
        auto button = std::make_unique<Cyup4Btn>();
        if (!button->SubclassDlgItem(row.id, m_hWnd))
            continue;
        button->SetBitmaps(row.normal, row.hover, row.pressed, row.fourth);
        button->SetCursor(hand);
        m_buttons.push_back(std::move(button));
    }
    m_images = ImageList_Create(kThumbWidth, kThumbHeight, ILC_COLOR24, 16, 16);
    SendItemMessage(IDC_SNAP_LIST, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(m_images));
    SendItemMessage(IDC_SNAP_LIST, LVM_SETICONSPACING, 0, MAKELPARAM(kThumbWidth + 1, kThumbHeight + 24));
    return TRUE;
}

const MessageMap* CSnapshotBrowser::GetMessageMap() const {
    static const MessageMap kMap{
        EraseBackground<&CSnapshotBrowser::OnEraseBackground>(),
        Command<&CSnapshotBrowser::OnClose>(IDC_SNAP_CLOSE),
        Command<&CSnapshotBrowser::OnSave>(IDC_SNAP_SAVE),
        Command<&CSnapshotBrowser::OnDelete>(IDC_SNAP_DELETE),
        Command<&CSnapshotBrowser::OnRemoveAll>(IDC_SNAP_REMOVE_ALL),
        Command<&CSnapshotBrowser::OnCapture>(IDC_SNAP_CAPTURE),
        Command<&CSnapshotBrowser::OnSaveAll>(IDC_SNAP_SAVE_ALL),
        Notify<&CSnapshotBrowser::OnListChanged>(IDC_SNAP_LIST, LVN_ITEMCHANGED),
        Notify<&CSnapshotBrowser::OnListDoubleClick>(IDC_SNAP_LIST, NM_DBLCLK),
        HScroll<&CSnapshotBrowser::OnSlider>(),
        Mouse<&CSnapshotBrowser::OnLButtonDown>(WM_LBUTTONDOWN),
    };
    return &kMap;
}

BOOL CSnapshotBrowser::OnEraseBackground(HDC dc) {
    if (!m_background)
        return FALSE;
    MemoryDc memory(CreateCompatibleDC(dc));
    HGDIOBJ old = SelectObject(memory.get(), m_background.get());
    BitBlt(dc, 0, 0, kBrowserWidth, kBrowserHeight, memory.get(), 0, 0, SRCCOPY);
    SelectObject(memory.get(), old);
    return TRUE;
}

void CSnapshotBrowser::OnFinalMessage() {
    m_buttons.clear();
    m_background.Reset();
}

void CSnapshotBrowser::OnCancel() {
    ShowWindow(SW_HIDE);
}

// ---- the stills ----------------------------------------------------------------------------------

bool CSnapshotBrowser::Grab(CaptureEngine& engine) {
    m_grab.resize(kSnapshotGrabBytes);
    const long copied = engine.CopyImageMem(m_grab.data(), m_grab.size());
    PackedPicture picture;
    if (copied <= 0 || !ReadPackedPicture(m_grab.data(), static_cast<size_t>(copied), &picture))
        return false;
    Entry entry;
    std::memcpy(&entry.header, m_grab.data(), sizeof entry.header);
    entry.header.biSizeImage = static_cast<DWORD>(picture.dataSize);
    entry.pixels.assign(m_grab.begin() + sizeof entry.header,
                        m_grab.begin() + static_cast<ptrdiff_t>(sizeof entry.header + picture.dataSize));
    m_entries.push_back(std::move(entry));
    ShowLatest();
    return true;
}

void CSnapshotBrowser::ShowLatest() {
    const size_t first = m_entries.size() > kShownAtMost ? m_entries.size() - kShownAtMost : 0;
    ShowEntries(first);
    SendItemMessage(IDC_SNAP_SLIDER, TBM_SETRANGE, TRUE,
                    MAKELPARAM(0, std::min<size_t>(m_entries.size(), 0x7FFF)));
    SendItemMessage(IDC_SNAP_SLIDER, TBM_SETPOS, TRUE, static_cast<LPARAM>(first));
}

void CSnapshotBrowser::ShowEntries(size_t first) {
    HWND list = Item(IDC_SNAP_LIST);
    SendItemMessage(IDC_SNAP_LIST, LVM_DELETEALLITEMS);
    if (m_images)
        ImageList_RemoveAll(m_images);
    m_firstShown = first;
    const size_t last = std::min(m_entries.size(), first + kShownAtMost);
    HDC screen = GetDC(nullptr);
    MemoryDc memory(CreateCompatibleDC(screen));
    for (size_t i = first; i < last; ++i) {
        const Entry& entry = m_entries[i];
        BITMAPINFOHEADER thumbHeader = entry.header;
        thumbHeader.biWidth = kThumbWidth;
        thumbHeader.biHeight = kThumbHeight;
        thumbHeader.biSizeImage = 0;
        void* bits = nullptr;
        Bitmap thumb(CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&thumbHeader), DIB_RGB_COLORS,
                                      &bits, nullptr, 0));
        if (!thumb || !memory)
            continue;
        {
            SelectObjectScope select(memory.get(), thumb.get());
            SetStretchBltMode(memory.get(), COLORONCOLOR);
            const LONG height = entry.header.biHeight < 0 ? -entry.header.biHeight : entry.header.biHeight;
            StretchDIBits(memory.get(), 0, 0, kThumbWidth, kThumbHeight, 0, 0, entry.header.biWidth, height,
                          entry.pixels.data(), reinterpret_cast<const BITMAPINFO*>(&entry.header),
                          DIB_RGB_COLORS, SRCCOPY);
        }
        const int image = m_images ? ImageList_Add(m_images, thumb.get(), nullptr) : -1;
        const std::string text = Format("%ld", static_cast<long>(i));
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = static_cast<int>(i - first);
        item.pszText = const_cast<char*>(text.c_str());
        item.iImage = image;
        ::SendMessageA(list, WM_SETREDRAW, FALSE, 0);
        const LRESULT at = ::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        if (at >= 0)
            ::SendMessageA(list, LVM_SETITEMPOSITION, static_cast<WPARAM>(at),
                           MAKELPARAM(static_cast<int>(i - first) * (kThumbWidth + 1) + 1, 0));
        ::SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    }
    ReleaseDC(nullptr, screen);
    InvalidateRect(list, nullptr, TRUE);
}

long CSnapshotBrowser::SelectedEntry() const {
    const LRESULT item =
        SendItemMessage(IDC_SNAP_LIST, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
    if (item < 0)
        return -1;
    const size_t entry = m_firstShown + static_cast<size_t>(item);
    return entry < m_entries.size() ? static_cast<long>(entry) : -1;
}

void CSnapshotBrowser::TellNoSelection() const {
    const TvGlobals& g = Globals();
    ::MessageBoxA(m_hWnd,
                  g.Text("Sorry，you don't select any image, Please select again.",
                         "对不起，您没有选择图像，请重新选择。"),
                  g.Text("save", "保存"), MB_OK | MB_ICONINFORMATION);
}

bool CSnapshotBrowser::WriteEntry(const Entry& entry, const std::string& path) {
    // The whole file is made in memory and replaces an older file of that name only once it
    // is complete on the disk: a failed save never leaves half a picture where one was.
    const DWORD dataSize = static_cast<DWORD>(entry.pixels.size());
    BITMAPFILEHEADER fileHeader = {};
    fileHeader.bfType = 0x4D42; // "BM"
    fileHeader.bfSize = dataSize + 54;
    fileHeader.bfOffBits = 54;
    std::string bytes(54 + static_cast<size_t>(dataSize), '\0');
    std::memcpy(&bytes[0], &fileHeader, 14);
    std::memcpy(&bytes[14], &entry.header, 40);
    if (dataSize > 0)
        std::memcpy(&bytes[54], entry.pixels.data(), dataSize);
    return WriteFileReplacing(path, bytes);
}

// ---- the buttons and the list ----------------------------------------------------------------------

void CSnapshotBrowser::OnListChanged(NMHDR* header) {
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
    if (change && (change->uNewState & LVIS_SELECTED) && change->iItem >= 0)
        m_lSelection = static_cast<long>(m_firstShown) + change->iItem;
}

void CSnapshotBrowser::OnListDoubleClick() {
    const long entry = SelectedEntry();
    if (entry < 0)
        return;
    char dir[MAX_PATH] = "";
    if (!GetTempPathA(MAX_PATH, dir))
        return;
    std::string folder = dir;
    while (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    const std::string path = Format("%s\\cap000000.bmp", folder.c_str());
    if (WriteEntry(m_entries[static_cast<size_t>(entry)], path))
        ShellExecuteA(m_hWnd, "open", path.c_str(), nullptr, nullptr, SW_SHOW);
}

void CSnapshotBrowser::OnSave() {
    if (m_lSelection < 0 || static_cast<size_t>(m_lSelection) >= m_entries.size()) {
        TellNoSelection();
        return;
    }
    char path[MAX_PATH] = "";
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = m_hWnd;
    ofn.lpstrFilter = "*.BMP\0*.BMP\0\0";
    ofn.lpstrFile = path;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrDefExt = "BMP";
    ofn.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_EXPLORER;
    if (GetSaveFileNameA(&ofn) && !WriteEntry(m_entries[static_cast<size_t>(m_lSelection)], path)) {
        const TvGlobals& g = Globals();
        ::MessageBoxA(
            m_hWnd,
            Format(g.Text("The picture could not be saved as \"%s\".", "无法将图像保存为 \"%s\"。"), path)
                .c_str(),
            g.Text("save", "保存"), MB_OK | MB_ICONWARNING);
    }
    m_lSelection = -1;
}

void CSnapshotBrowser::OnDelete() {
    const long entry = SelectedEntry();
    if (entry < 0) {
        TellNoSelection();
        return;
    }
    m_entries.erase(m_entries.begin() + entry);
    m_lSelection = -1;
    ShowEntries(
        std::min(m_firstShown, m_entries.size() > kShownAtMost ? m_entries.size() - kShownAtMost : 0));
    SendItemMessage(IDC_SNAP_SLIDER, TBM_SETRANGE, TRUE,
                    MAKELPARAM(0, std::min<size_t>(m_entries.size(), 0x7FFF)));
    // The item now at the same place is selected (the last one when the deleted one was last).
    const long count = static_cast<long>(SendItemMessage(IDC_SNAP_LIST, LVM_GETITEMCOUNT));
    if (count > 0) {
        LVITEMA state = {};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        const long item = std::min(entry - static_cast<long>(m_firstShown), count - 1);
        SendItemMessage(IDC_SNAP_LIST, LVM_SETITEMSTATE, static_cast<WPARAM>(item),
                        reinterpret_cast<LPARAM>(&state));
    }
    m_lSelection = -1;
}

void CSnapshotBrowser::OnRemoveAll() {
    m_entries.clear();
    m_lSelection = -1;
    ShowLatest();
}

void CSnapshotBrowser::OnClose() {
    OnRemoveAll();
    ShowWindow(SW_HIDE);
}

void CSnapshotBrowser::OnCapture() {
    if (m_panel)
        ::SendMessageA(m_panel, WM_COMMAND, MAKEWPARAM(1110, BN_CLICKED), 0);
}

void CSnapshotBrowser::OnSaveAll() {
    if (m_entries.empty())
        return;
    const TvGlobals& g = Globals();
    const std::string title = g.Text("Image path:", "单帧保存目录:");
    BROWSEINFOA info = {};
    info.hwndOwner = m_hWnd;
    info.lpszTitle = title.c_str();
    info.ulFlags = kBrowseFlags;
    info.lpfn = &BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(kBrowseStart);
    LPITEMIDLIST chosen = ::SHBrowseForFolderA(&info);
    if (!chosen)
        return; // cancelled: nothing is saved
    char path[MAX_PATH] = "";
    const bool named = ::SHGetPathFromIDListA(chosen, path) != FALSE;
    ::CoTaskMemFree(chosen);
    if (!named)
        return;
    std::string dir = path;
    while (!dir.empty() && dir.back() == '\\')
        dir.pop_back();
    // Numbers go on from the pictures already there, past any name that is taken.
    long number = CountFiles(dir, "\\*.bmp");
    long failed = 0;
    for (const Entry& entry : m_entries) {
        number =
            NextSaveAllNumber(number, [&dir](long n) { return Exists(dir + "\\" + SaveAllFileName(n)); });
        if (!WriteEntry(entry, dir + "\\" + SaveAllFileName(number)))
            ++failed;
        ++number;
    }
    if (failed > 0)
        ::MessageBoxA(
            m_hWnd,
            Format(g.Text("%ld of the pictures could not be saved in \"%s\": the folder may be full "
                          "or read-only.",
                          "有 %ld 张图像无法保存到 \"%s\"：目录可能已满或只读。"),
                   failed, dir.c_str())
                .c_str(),
            g.Text("Save All", "全部保存"), MB_OK | MB_ICONWARNING);
}

void CSnapshotBrowser::OnSlider(UINT, UINT, HWND bar) {
    if (bar != Item(IDC_SNAP_SLIDER))
        return;
    const size_t pos = static_cast<size_t>(SendItemMessage(IDC_SNAP_SLIDER, TBM_GETPOS));
    if (pos + kShownAtMost > m_entries.size()) {
        SendItemMessage(IDC_SNAP_SLIDER, TBM_SETPOS, TRUE, static_cast<LPARAM>(m_entries.size()));
        return;
    }
    if (pos != m_firstShown)
        ShowEntries(pos);
}

void CSnapshotBrowser::OnLButtonDown(UINT, POINT) {
    ReleaseCapture();
    ::PostMessageA(m_hWnd, WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

} // namespace tunaro
