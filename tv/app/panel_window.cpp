// The control panel's window behaviour: window buttons, volume bar, menu commands, enabling,
// status and OSD timers, dragging and painting, and what the panel's looks give the others.
#include "tv/app/control_panel.h"

#include <ctime>

#include "framework/application.h"
#include "res/tunaro/resource.h"
#include "tv/app/tunaro_app.h"
#include "uikit/skin_region.h"

namespace tunaro {

namespace {

constexpr UINT kOsdShownMs = 1500; // how long an OSD text stays over the picture
constexpr UINT kLeaveDesktopMode = 1178;

// The rectangle of the monitor that shows the window.
RECT MonitorRect(HWND wnd) {
    RECT rc = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    HMONITOR monitor = MonitorFromWindow(wnd, MONITOR_DEFAULTTONEAREST);
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    if (monitor && GetMonitorInfoA(monitor, &info))
        rc = info.rcMonitor;
    return rc;
}

bool IsTopmost(HWND wnd) {
    return (GetWindowLongPtrA(wnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

void SetTopmost(HWND wnd, bool topmost) {
    SetWindowPos(wnd, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

} // namespace

// ---- the skin (initialisation steps 6 and 7, and the ending) ----------------------------------

void CControlPanel::ApplySkinRegion() {
    const TvGlobals& g = Globals();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    Bitmap skin(
        static_cast<HBITMAP>(LoadImageA(instance, MAKEINTRESOURCEA(IDB_PANEL_SKIN), IMAGE_BITMAP, 0, 0, 0)));
    if (skin) {
        // The skin is the whole window: no caption bar or frame (the caption text stays, it
        // is how the other programs find the panel), the skin's size, and the region cuts
        // away the skin's black outside.
        const LONG_PTR frame = WS_CAPTION | WS_THICKFRAME | WS_BORDER | WS_DLGFRAME;
        SetWindowLongPtrA(m_hWnd, GWL_STYLE, GetWindowLongPtrA(m_hWnd, GWL_STYLE) & ~frame);
        const LONG_PTR frameEx = WS_EX_DLGMODALFRAME | WS_EX_CLIENTEDGE | WS_EX_WINDOWEDGE | WS_EX_STATICEDGE;
        SetWindowLongPtrA(m_hWnd, GWL_EXSTYLE, GetWindowLongPtrA(m_hWnd, GWL_EXSTYLE) & ~frameEx);
        BITMAP bm = {};
        GetObjectA(skin.get(), sizeof(bm), &bm);
        SetWindowPos(m_hWnd, nullptr, 0, 0, bm.bmWidth, bm.bmHeight,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        if (HRGN region = RegionFromBitmap(skin.get()))
            if (!SetWindowRgn(m_hWnd, region, TRUE))
                DeleteObject(region); // kept by the window only when it took it
    }
    std::string background;
    if (!g.app.strBackground.empty())
        background = g.paths.strProgramDir + "\\" + g.app.strBackground;
    m_background.Load(background, instance, IDB_PANEL_SKIN);
}

void CControlPanel::LayOutSkin() {
    const TvGlobals& g = Globals();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    // The status line keeps a copy of the skin under it, so the panel paints behind its children.
    SetWindowLongPtrA(m_hWnd, GWL_STYLE,
                      GetWindowLongPtrA(m_hWnd, GWL_STYLE) & ~static_cast<LONG_PTR>(WS_CLIPCHILDREN));
    HCURSOR hand = LoadCursorA(instance, MAKEINTRESOURCEA(IDC_HAND_CURSOR));
    m_skin.Create(m_hWnd, hand, g.language, g.app.strTitle);
    m_volumeBar.Create(m_hWnd, hand);
    m_statusLine.Create(m_hWnd, g.language);
    m_osd.Create(VideoWindow(), g.language);
}

void CControlPanel::ReleaseSkin() {
    m_boOsdShown = false;
    m_osd.Hide();
    // The window gives the region back to the system, which deletes it.
    SetWindowRgn(m_hWnd, nullptr, FALSE);
}

// ---- what the looks provide -------------------------------------------------------------------

void CControlPanel::ShowOsd(const std::string& text, UINT delayMs) {
    m_state.osdText = text;
    if (delayMs == 0) {
        ShowOsdNow();
        return;
    }
    m_boOsdShown = false;
    SetTimer(m_hWnd, TIMER_OSD, delayMs, nullptr);
}

void CControlPanel::ShowOsdNow() {
    m_osd.Show(m_state.osdText);
    m_boOsdShown = true;
    // The same timer takes the text away again; the program stays responsive meanwhile.
    SetTimer(m_hWnd, TIMER_OSD, kOsdShownMs, nullptr);
}

void CControlPanel::OnOsdTimer() {
    if (!m_boOsdShown) {
        ShowOsdNow();
        return;
    }
    KillTimer(m_hWnd, TIMER_OSD);
    m_boOsdShown = false;
    m_osd.Hide();
}

void CControlPanel::LockPanel(bool scanning) {
    EnableControls(m_hWnd, BusyLockIds(scanning), false);
}

void CControlPanel::UnlockPanel() {
    EnableControls(m_hWnd, BusyUnlockIds(), true);
}

void CControlPanel::SetMuteLook(bool muted) {
    m_skin.SetMuteLook(muted);
}

void CControlPanel::SetRecordLook(bool recording) {
    m_skin.SetRecordLook(recording);
    // The status line follows at once: until its next tick it would still show the clock of a
    // recording that has stopped, or of the one before a recording that has just started.
    OnStatusTimer();
}

void CControlPanel::ShowStatusText(const std::string& text) {
    m_statusLine.Show(StatusLine{text, kStatusYellow});
}

void CControlPanel::OnGraphEvents() {
    m_recording.OnGraphEvents();
}

void CControlPanel::OnCardRemoved() {
    m_recording.OnCardRemoved();
}

void CControlPanel::RunPanelDialog(bool suspendAccelerators, const std::function<void()>& open) {
    // One dialog at a time: an order that arrives while one is open (another program's posted
    // command, a remote key) would stack a second modal dialog on the first, and neither could
    // be closed before the other.
    if (m_boInPanelDialog)
        return;
    m_boInPanelDialog = true;
    // A topmost video window would cover the dialog: it steps back while the dialog is open.
    HWND video = VideoWindow();
    bool wasTopmost = video && IsTopmost(video);
    if (wasTopmost)
        SetTopmost(video, false);
    {
        std::unique_ptr<AcceleratorSuspension> suspension;
        if (suspendAccelerators)
            suspension = std::make_unique<AcceleratorSuspension>();
        open();
    }
    m_boInPanelDialog = false;
    if (wasTopmost && ::IsWindow(video))
        SetTopmost(video, true);
}

// ---- window buttons ---------------------------------------------------------------------------

void CControlPanel::OnMinimize() {
    ::ShowWindow(m_hWnd, SW_MINIMIZE);
    HWND video = VideoWindow();
    if (!m_state.desktopMode && video)
        ::ShowWindow(video, SW_MINIMIZE);
}

void CControlPanel::OnFullScreen() {
    HWND video = VideoWindow();
    if (!video)
        return;
    if (m_state.desktopMode) {
        ::SendMessageA(video, WM_COMMAND, kLeaveDesktopMode, 0);
        if (!m_state.fullScreen)
            return;
    }
    const bool wasTopmost = IsTopmost(video);
    if (!wasTopmost)
        SetTopmost(video, true);
    if (!m_state.fullScreen) {
        m_videoPlacement.length = sizeof(m_videoPlacement);
        GetWindowPlacement(video, &m_videoPlacement);
        m_videoStyle = GetWindowLongPtrA(video, GWL_STYLE);
        SetWindowLongPtrA(video, GWL_STYLE,
                          m_videoStyle & ~static_cast<LONG_PTR>(WS_CAPTION | WS_THICKFRAME));
        if (IsIconic(video))
            ::ShowWindow(video, SW_RESTORE);
        RECT screen = MonitorRect(video);
        SetWindowPos(video, nullptr, screen.left, screen.top, screen.right - screen.left,
                     screen.bottom - screen.top, SWP_NOZORDER | SWP_FRAMECHANGED | SWP_SHOWWINDOW);
        m_state.fullScreen = true;
    } else {
        SetWindowLongPtrA(video, GWL_STYLE, m_videoStyle);
        SetWindowPos(video, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
        if (m_videoPlacement.length == sizeof(m_videoPlacement))
            SetWindowPlacement(video, &m_videoPlacement);
        m_state.fullScreen = false;
    }
    RECT client = {};
    GetClientRect(video, &client);
    if (m_state.PlaybackOpen())
        m_recording.OnFullScreenChanged(); // the movie's picture follows the window
    else if (CaptureEngine* engine = Engine())
        engine->SetVideoWindowsPos(0, 0, client.right, client.bottom);
    if (!wasTopmost)
        SetTopmost(video, false);
    ::ShowWindow(m_hWnd, m_state.fullScreen ? SW_HIDE : SW_SHOW);
    m_state.panelShown = !m_state.fullScreen;
}

void CControlPanel::OnDisplayPanel() {
    if (m_state.tvWall)
        return;
    const bool visible = IsWindowVisible(m_hWnd) && !IsIconic(m_hWnd);
    if (!visible) {
        OnMenuDisplayPanel();
    } else if (m_state.desktopMode) {
        ::ShowWindow(m_hWnd, SW_HIDE);
        m_state.panelShown = false;
    }
}

void CControlPanel::OnMenuDisplayPanel() {
    ::ShowWindow(m_hWnd, IsIconic(m_hWnd) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(m_hWnd);
    m_state.panelShown = true;
}

// ---- About, menu commands, enabling ------------------------------------------------------------

void CControlPanel::OnHelp() {
    RunPanelDialog(false, [this] { ShowAbout(); });
}

void CControlPanel::OnMostTop() {
    HWND video = VideoWindow();
    if (!video)
        return;
    m_state.videoTopmost = !m_state.videoTopmost;
    SetTopmost(video, m_state.videoTopmost);
}

void CControlPanel::OnMenuFullScreen() {
    if (m_state.scanning)
        return;
    if (HWND video = VideoWindow())
        ::SendMessageA(video, WM_LBUTTONDBLCLK, MK_LBUTTON, 0);
}

void CControlPanel::OnMenuExit() {
    if (m_state.scanning || m_state.recording)
        return;
    SendMessage(WM_COMMAND, IDC_EXIT, 0);
}

void CControlPanel::OnMenuCommand(UINT id) {
    switch (id) {
    case ID_CHANNEL_EDIT:
        SendMessage(WM_COMMAND, IDC_CHANNEL_EDIT, 0);
        break;
    case ID_MENU_ABOUT:
        OnHelp();
        break;
    default:
        break;
    }
}

// ---- status line ------------------------------------------------------------------------------

void CControlPanel::OnStatusTimer() {
    PanelStatus status;
    status.recording = m_state.recording;
    if (m_state.recording && m_state.recordStart > 0)
        status.elapsedSeconds = static_cast<long>(difftime(time(nullptr), m_state.recordStart));
    status.scanning = m_state.scanning;
    m_timeShift.OnStatusTick();
    status.timeShifted = m_timeShift.Shifted();
    status.shiftDelayMs = m_timeShift.DelayMs();
    if (!m_state.recording && !m_state.scanning && m_state.playbackState != -1) {
        // The player's own line (position and duration) while a file is open.
        status.playbackOpen = true;
        status.playbackText = m_recording.PlaybackStatusTick();
    }
    // Why the last recording broke off stays in view until the next one.
    if (!status.recording && !status.scanning && !status.playbackOpen && !m_state.recordingNotice.empty()) {
        m_statusLine.Show(StatusLine{m_state.recordingNotice, kStatusYellow});
        return;
    }
    if (CaptureEngine* engine = Engine()) {
        char name[261] = "";
        engine->GetSourceName(static_cast<int>(m_state.settings.lVideoSource), name, sizeof(name));
        status.inputName = name;
    }
    m_statusLine.Show(ComposeStatusLine(status, Globals().language));
}

// ---- mouse, keys and painting -----------------------------------------------------------------

void CControlPanel::OnLButtonDown(UINT, POINT pt) {
    DragWindowFrom(m_hWnd, pt);
}

void CControlPanel::OnPaint() {
    PaintDc dc(m_hWnd);
    if (!IsIconic(m_hWnd))
        return; // the background and the skin controls paint themselves
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.get()), 0);
    RECT rc = {};
    GetClientRect(m_hWnd, &rc);
    const int cx = GetSystemMetrics(SM_CXICON), cy = GetSystemMetrics(SM_CYICON);
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
    if (icon)
        DrawIcon(dc.get(), (rc.right - cx + 1) / 2, (rc.bottom - cy + 1) / 2, icon);
}

BOOL CControlPanel::OnEraseBackground(HDC dc) {
    // Without a background bitmap the default erase runs.
    return m_background.Paint(dc) ? TRUE : FALSE;
}

LRESULT CControlPanel::OnIgnoredMessage() {
    return 0; // double clicks, size changes and context menus do nothing on the panel
}

bool CControlPanel::PreTranslateMessage(MSG* msg) {
    // Arrow keys belong to the volume (and the accelerators), not to moving between buttons.
    if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST && msg->wParam >= VK_LEFT &&
        msg->wParam <= VK_DOWN) {
        HWND focus = GetFocus();
        HWND sink = m_skin.FocusSink();
        if (focus && focus != sink && IsChild(m_hWnd, focus))
            ::SetFocus(sink ? sink : m_hWnd);
    }
    return Dialog::PreTranslateMessage(msg);
}

} // namespace tunaro
