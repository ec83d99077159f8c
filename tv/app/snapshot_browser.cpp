// The snapshot browser's window: skin background, the six skin buttons at their places in the
// skin layout, the thumbnail list and its slider, with the texts of the language mode.
#include "snapshot_browser.h"

#include <commctrl.h>

#include "resource.h"
#include "res/tunaro/snapshot_layout.h"
#include "tunaro_app.h"

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

} // namespace

CSnapshotBrowser::CSnapshotBrowser() : Dialog(IDD_SNAPSHOT) {}

CSnapshotBrowser::~CSnapshotBrowser() = default;

BOOL CSnapshotBrowser::OnInitDialog() {
    const TvGlobals& g = Globals();
    SetWindowText(g.Text("Snapshot", "单帧抓图"));
    m_background.Reset(static_cast<HBITMAP>(LoadImageA(
        GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_SNAPSHOT_BACKGROUND), IMAGE_BITMAP, 0, 0, 0)));
    SetWindowPos(m_hWnd, nullptr, 0, 0, kBrowserWidth, kBrowserHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    MoveItem(IDC_SNAP_LIST, 12, 32, 656, 128, false);
    MoveItem(IDC_SNAP_SLIDER, 12, 169, 656, 16, false);

    for (const ButtonText& text : kButtonTexts)
        SetItemText(text.id, g.Text(text.english, text.chinese));
    HCURSOR hand = LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_HAND_CURSOR));
    for (const tunaro::skin::Row& row : tunaro::skin::snapshot::kSnapshotButtons) {
        MoveItem(row.id, row.left, row.top, row.width, row.height, false);
        auto button = std::make_unique<tunaro::Cyup4Btn>();
        if (!button->SubclassDlgItem(row.id, m_hWnd))
            continue;
        button->SetBitmaps(row.normal, row.hover, row.pressed, row.fourth);
        button->SetCursor(hand);
        m_buttons.push_back(std::move(button));
    }
    return TRUE;
}

const tunaro::MessageMap* CSnapshotBrowser::GetMessageMap() const {
    using namespace tunaro;
    static const MessageMap map{
        EraseBackground<&CSnapshotBrowser::OnEraseBackground>(),
    };
    return &map;
}

BOOL CSnapshotBrowser::OnEraseBackground(HDC dc) {
    if (!m_background)
        return FALSE;
    tunaro::MemoryDc memory(CreateCompatibleDC(dc));
    HGDIOBJ old = SelectObject(memory.get(), m_background.get());
    BitBlt(dc, 0, 0, kBrowserWidth, kBrowserHeight, memory.get(), 0, 0, SRCCOPY);
    SelectObject(memory.get(), old);
    return TRUE;
}

void CSnapshotBrowser::OnFinalMessage() {
    m_buttons.clear();
    m_background.Reset();
}
