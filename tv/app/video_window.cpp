// The video window: black where there is no picture, the picture kept the size of the client
// area, moved by its body, full screen on a double click, and its context menu in the user's
// language with the state of the moment.
#include "tv/app/video_window.h"

#include <dbt.h>

#include "engine/capture_graph.h"
#include "platform/include/ks_tuner.h"
#include "tv/app/control_panel.h"
#include "framework/raii.h"
#include "res/tunaro/resource.h"
#include "tv/app/tunaro_app.h"

namespace tunaro {

namespace {

// The panel, whose state the window reads (null before it exists and after it went).
CControlPanel* Panel() {
    return dynamic_cast<CControlPanel*>(Dialog::FromHandle(Globals().hPanel));
}

void SendToPanel(UINT id) {
    if (HWND panel = Globals().hPanel)
        ::SendMessageA(panel, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

constexpr int kMenuInputs = 3;

// The video device class a card's devices are announced under, beside the capture class.
constexpr GUID kVideoDeviceClass = {
    0x6994AD05, 0x93EF, 0x11D0, {0xA3, 0xCC, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};

} // namespace

CVideoWnd::CVideoWnd() : Dialog(IDD_VIDEO_WINDOW) {}

BOOL CVideoWnd::OnInitDialog() {
    SetWindowText(Globals().Text("TV Win", "电视窗口"));
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    return TRUE;
}

const MessageMap* CVideoWnd::GetMessageMap() const {
    using V = CVideoWnd;
    static const MessageMap kMap{
        EraseBackground<&V::OnEraseBackground>(),
        Message<&V::OnSize>(WM_SIZE),
        Message<&V::OnClose>(WM_CLOSE),
        Mouse<&V::OnDoubleClick>(WM_LBUTTONDBLCLK),
        Mouse<&V::OnLButtonDown>(WM_LBUTTONDOWN),
        Message<&V::OnContextMenu>(WM_CONTEXTMENU),
        Message<&V::OnGraphNotify>(kGraphNotifyMessage),
        Message<&V::OnDeviceChange>(WM_DEVICECHANGE),
        Timer<&V::OnTimer>(),
        Command<&V::OnDesktopButton>(IDC_DESKTOP_MODE),
        Command<&V::OnFullScreenItem>(ID_FULLSCREEN_MODE),
        Command<&V::OnDesktopItem>(ID_DESKTOP_MODE),
        Command<&V::OnExitItem>(ID_MENU_EXIT),
        Command<&V::OnMenuItem>(ID_MOST_TOP),
        Command<&V::OnMenuItem>(ID_DISPLAY_PANEL),
        CommandRange<&V::OnMenuItem>(ID_BEST_OPTIMIZE, ID_NO_OPTIMIZE),
        CommandRange<&V::OnMenuItem>(ID_INPUT_TV, ID_INPUT_SVIDEO),
        CommandRange<&V::OnMenuItem>(ID_STANDARD_NTSC_M, ID_STANDARD_SECAM_L),
        Command<&V::OnMenuItem>(ID_COLOR_ADJUST),
        Command<&V::OnMenuItem>(ID_CAPTURE),
        Command<&V::OnMenuItem>(ID_CHANNEL_EDIT),
        Command<&V::OnMenuItem>(ID_DIRECTORY_SETTING),
        Command<&V::OnMenuItem>(ID_MENU_ABOUT),
    };
    return &kMap;
}

LRESULT CVideoWnd::OnGraphNotify() {
    if (CControlPanel* panel = Panel())
        panel->OnGraphEvents();
    return 0;
}

LRESULT CVideoWnd::OnDeviceChange(WPARAM event, LPARAM data) {
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    if (event != DBT_DEVICEREMOVECOMPLETE || !header ||
        header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE ||
        header->dbch_size < sizeof(DEV_BROADCAST_DEVICEINTERFACE_A))
        return TRUE;
    const auto* device = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_A*>(header);
    if (device->dbcc_classguid != kCategoryCapture && device->dbcc_classguid != kVideoDeviceClass)
        return TRUE;
    if (CControlPanel* panel = Panel())
        panel->OnCardRemoved();
    return TRUE;
}

LRESULT CVideoWnd::OnClose() {
    // Closing the picture ends the program the way the panel's Exit does (and only when it may).
    if (HWND panel = Globals().hPanel)
        ::PostMessageA(panel, WM_COMMAND, MAKEWPARAM(IDC_EXIT, 0), 0);
    return 0;
}

BOOL CVideoWnd::OnEraseBackground(HDC dc) {
    RECT rc;
    GetClientRect(m_hWnd, &rc);
    FillRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    return TRUE;
}

LRESULT CVideoWnd::OnSize(WPARAM type, LPARAM size) {
    CControlPanel* panel = Panel();
    if (panel && panel->State().desktopMode)
        return 0; // the picture is on the desktop meanwhile
    if (panel && panel->State().PlaybackOpen()) {
        if (type != SIZE_MINIMIZED)
            panel->MovieWindowSized(); // a movie plays in the window meanwhile
        return 0;
    }
    CaptureEngine* engine = Globals().Engine();
    if (type != SIZE_MINIMIZED && engine && engine->PreviewBuilt())
        engine->SetVideoWindowsPos(0, 0, LOWORD(size), HIWORD(size));
    return 0;
}

void CVideoWnd::OnTimer(UINT_PTR id) {
    // The desktop video mode's frame copy.
    if (id != kDesktopTimerId)
        return;
    if (CaptureEngine* engine = Globals().Engine())
        engine->DesktopVideoTick();
}

// ---- mouse --------------------------------------------------------------------------------------

void CVideoWnd::OnDoubleClick(UINT, POINT) {
    SendToPanel(IDC_FULLSCREEN);
}

void CVideoWnd::OnLButtonDown(UINT, POINT pt) {
    const CControlPanel* panel = Panel();
    if (panel && panel->State().fullScreen)
        return;
    // The whole picture is the handle that moves the window.
    ClientToScreen(m_hWnd, &pt);
    PostMessage(WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(static_cast<WORD>(pt.x), static_cast<WORD>(pt.y)));
}

// ---- the menu -----------------------------------------------------------------------------------

VideoMenuFlags CVideoWnd::MenuFlags() const {
    VideoMenuFlags flags;
    flags.topmost = (GetWindowLongPtrA(m_hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    if (const CControlPanel* panel = Panel()) {
        const PanelState& state = panel->State();
        flags.previewOn = state.previewOn;
        flags.recording = state.recording;
        flags.scanning = state.scanning;
        flags.panelShown = state.panelShown;
        flags.fullScreen = state.fullScreen;
        flags.displayMode = state.settings.lDisplayMode;
        flags.videoInput = state.settings.lVideoSource;
    }
    CaptureEngine* engine = Globals().Engine();
    if (engine && flags.previewOn)
        flags.standard = engine->GetVideoFormat();
    return flags;
}

LRESULT CVideoWnd::OnContextMenu() {
    if (CControlPanel* panel = Panel())
        panel->VideoMenu().OnMenuOpening();
    Menu menu(LoadMenuA(GetModuleHandleA(nullptr),
                        MAKEINTRESOURCEA(Globals().Chinese() ? IDR_VIDEO_MENU : IDR_VIDEO_MENU_EN)));
    HMENU popup = menu ? GetSubMenu(menu.get(), 0) : nullptr;
    if (!popup)
        return 0;
    // The inputs carry the card's own names for them.
    if (CaptureEngine* engine = Globals().Engine()) {
        for (int input = 0; input < kMenuInputs; ++input) {
            char name[kSourceNameMax + 1] = "";
            if (engine->GetSourceName(input, name, kSourceNameMax) == kEngineOk && name[0])
                ModifyMenuA(popup, static_cast<UINT>(ID_INPUT_TV + input), MF_BYCOMMAND | MF_STRING,
                            static_cast<UINT_PTR>(ID_INPUT_TV + input), name);
        }
    }
    for (const MenuItemState& item : VideoMenuStates(MenuFlags())) {
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE;
        GetMenuItemInfoA(popup, item.id, FALSE, &info);
        info.fMask = MIIM_FTYPE | MIIM_STATE;
        info.fType = item.radio ? (info.fType | MFT_RADIOCHECK) : (info.fType & ~MFT_RADIOCHECK);
        info.fState =
            (item.enabled ? MFS_ENABLED : MFS_GRAYED) | (item.checked ? MFS_CHECKED : MFS_UNCHECKED);
        SetMenuItemInfoA(popup, item.id, FALSE, &info);
    }
    TrackPopupMenu(popup);
    return 0;
}

void CVideoWnd::OnMenuItem(UINT id) {
    CControlPanel* panel = Panel();
    switch (id) {
    case ID_DISPLAY_PANEL:
        SendToPanel(IDC_DISPLAY_PANEL);
        break;
    case ID_COLOR_ADJUST:
        SendToPanel(IDC_COLOR);
        break;
    case ID_CAPTURE:
        SendToPanel(IDC_SNAPSHOT);
        break;
    case ID_CHANNEL_EDIT:
        SendToPanel(IDC_CHANNEL_EDIT);
        break;
    case ID_MENU_ABOUT:
        SendToPanel(IDC_HELP_ABOUT);
        break;
    case ID_BEST_OPTIMIZE:
    case ID_NO_OPTIMIZE:
        if (panel)
            panel->VideoMenu().OnOptimize(id);
        break;
    case ID_INPUT_TV:
    case ID_INPUT_COMPOSITE:
    case ID_INPUT_SVIDEO:
        if (panel)
            panel->VideoMenu().OnInput(id);
        break;
    default:
        if (id >= ID_STANDARD_NTSC_M && id <= ID_STANDARD_SECAM_L) {
            if (panel)
                panel->VideoMenu().OnStandard(id);
        } else {
            // Topmost and the directory page are the panel's own commands.
            SendToPanel(id);
        }
        break;
    }
}

void CVideoWnd::OnFullScreenItem() {
    const CControlPanel* panel = Panel();
    if (panel && panel->State().scanning)
        return;
    OnDoubleClick(0, POINT{});
}

void CVideoWnd::OnDesktopItem() {
    const VideoMenuFlags flags = MenuFlags();
    if (!flags.previewOn || flags.recording)
        return;
    SendMessage(WM_COMMAND, MAKEWPARAM(IDC_DESKTOP_MODE, BN_CLICKED),
                reinterpret_cast<LPARAM>(Item(IDC_DESKTOP_MODE)));
}

void CVideoWnd::OnDesktopButton() {
    if (CControlPanel* panel = Panel())
        panel->VideoMenu().OnDesktopMode();
}

void CVideoWnd::OnExitItem() {
    const CControlPanel* panel = Panel();
    if (panel && (panel->State().scanning || panel->State().recording))
        return;
    if (HWND hwnd = Globals().hPanel)
        ::PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDC_EXIT, 0), 0);
}

} // namespace tunaro
