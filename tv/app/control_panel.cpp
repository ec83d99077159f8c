// The control panel's life: its one message map, the initialisation in its eighteen steps,
// Exit and the ending, live preview start and stop, the About dialog and the system menu.
#include "tv/app/control_panel.h"

#include <ctime>

#include "framework/debug_print.h"
#include "tv/app/about_dlg.h"
#include "framework/application.h"
#include "framework/peer_messages.h"
#include "res/tunaro/skin_layout.h"
#include "res/tunaro/resource.h"
#include "tv/app/splash_dlg.h"
#include "tv/app/tunaro_app.h"
#include "tv/channel_files.h"
#include "tv/directories.h"
#include "tv/profile_ini.h"
#include "tv/app/video_window.h"

namespace tunaro {

namespace {

constexpr int kSplashFirstWidth = 488;
constexpr int kSplashFirstHeight = 315;
constexpr int kSplashWidth = 640;
constexpr int kSplashHeight = 431;
constexpr int kVideoWidth = 640;
constexpr int kVideoHeight = 480;
constexpr int kVideoRaise = 50;       // the video window sits this much above the screen's centre
constexpr int kPanelBelowVideo = 400; // the panel's top edge below the video window's top
constexpr UINT kStatusPeriodMs = 500;
// Without a card the search ends within milliseconds; the splash stays this long so the user
// sees that the program started and went.
constexpr DWORD kSplashAtLeastMs = 1000;
constexpr DWORD kExitPauseMs = 200;

// While the panel starts, a missing card ends the program without a word: the engine's
// reports about the missing hardware go to the debug output instead of a message box.
// Everything else still reaches the reporter that was there before.
class QuietNoCardReporter : public EngineReporter {
public:
    explicit QuietNoCardReporter(bool active)
        : m_previous(active ? SetEngineReporter(this) : nullptr), m_active(active) {}
    ~QuietNoCardReporter() override {
        if (m_active)
            SetEngineReporter(m_previous == this ? nullptr : m_previous);
    }
    QuietNoCardReporter(const QuietNoCardReporter&) = delete;
    QuietNoCardReporter& operator=(const QuietNoCardReporter&) = delete;

    void Report(ReportKind kind, const std::string& text) override {
        TUNARO_TRACE("Tunaro: %s", text.c_str());
        (void)kind;
    }

private:
    EngineReporter* m_previous;
    bool m_active;
};

// The screen size of the current display mode.
SIZE ScreenSize() {
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    if (EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode) && mode.dmPelsWidth > 0)
        return SIZE{static_cast<LONG>(mode.dmPelsWidth), static_cast<LONG>(mode.dmPelsHeight)};
    return SIZE{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

} // namespace

CControlPanel::CControlPanel()
    : Dialog(IDD_TUNARO_DIALOG),
      m_volumeBar(kPanelVolumeScale, skin::tv::kVolumeLit, skin::tv::kVolumeUnlit) {}

CControlPanel::~CControlPanel() = default;

CaptureEngine* CControlPanel::Engine() const {
    return Globals().Engine();
}

HWND CControlPanel::VideoWindow() const {
    CVideoWnd* video = Globals().videoWnd;
    return video ? video->GetHwnd() : nullptr;
}

const MessageMap* CControlPanel::GetMessageMap() const {
    using P = CControlPanel;
    static const MessageMap kMap{
        // Window buttons and the panel itself.
        Command<&P::OnMinimize>(IDC_MINIMIZE),
        Command<&P::OnFullScreen>(IDC_FULLSCREEN),
        Command<&P::OnExit>(IDC_EXIT),
        Command<&P::OnDisplayPanel>(IDC_DISPLAY_PANEL),
        Command<&P::OnLiveTvCommand>(IDC_AUTOSCAN),
        Command<&P::OnLiveTvCommand>(IDC_MUTE),
        Command<&P::m_recording, &PanelRecording::OnOpenFile>(IDC_OPEN_FILE),
        Command<&P::m_dialogs, &PanelDialogs::OnRecordSetting>(IDC_RECORD_SETTING),
        Command<&P::m_dialogs, &PanelDialogs::OnSetting>(IDC_SETTING),
        Command<&P::m_dialogs, &PanelDialogs::OnRecordType>(IDC_RECORD_TYPE),
        Command<&P::m_recording, &PanelRecording::OnRecord>(IDC_RECORD),
        Command<&P::m_dialogs, &PanelDialogs::OnColor>(IDC_COLOR),
        Command<&P::m_dialogs, &PanelDialogs::OnChannelEdit>(IDC_CHANNEL_EDIT),
        Command<&P::m_volumeBar, &VolumeBar::OnVolumeDown>(IDC_VOLUME_DOWN),
        Command<&P::m_volumeBar, &VolumeBar::OnVolumeUp>(IDC_VOLUME_UP),
        CommandRange<&P::OnPlayerKey>(IDC_PLAY, IDC_TV),
        Command<&P::m_snapshots, &PanelSnapshots::OnRemoteSnapshot>(IDC_REMOTE_SNAPSHOT),
        // Picture, tuning and channels.
        Command<&P::OnLiveTvCommand>(IDC_BRIGHTNESS_UP),
        Command<&P::OnLiveTvCommand>(IDC_BRIGHTNESS_DOWN),
        Command<&P::OnLiveTvCommand>(IDC_CONTRAST_UP),
        Command<&P::OnLiveTvCommand>(IDC_CONTRAST_DOWN),
        Command<&P::OnNoEffect>(IDC_ALT_Q),
        Command<&P::OnNoEffect>(IDC_ALT_W),
        Command<&P::OnLiveTvCommand>(IDC_FREQ_UP),
        Command<&P::OnLiveTvCommand>(IDC_FREQ_DOWN),
        Command<&P::m_recording, &PanelRecording::OnQuickRecord>(IDC_QUICK_RECORD),
        Command<&P::OnNoEffect>(IDC_KEY_V),
        CommandRange<&P::OnLiveTvCommand>(IDC_DIGIT_0, IDC_DIGIT_9),
        Command<&P::OnLiveTvCommand>(IDC_PREVIOUS_CHANNEL),
        Command<&P::OnLiveTvCommand>(IDC_CHANNEL_DOWN),
        Command<&P::OnLiveTvCommand>(IDC_CHANNEL_UP),
        Command<&P::OnLiveTvCommand>(IDC_TWO_DIGIT),
        Command<&P::m_snapshots, &PanelSnapshots::OnSnapshot>(IDC_SNAPSHOT),
        Command<&P::OnHelp>(IDC_HELP_ABOUT),
        Command<&P::OnLiveTvCommand>(IDC_VIDEO_SOURCE),
        Command<&P::m_snapshots, &PanelSnapshots::OnTvWall>(IDC_TV_WALL),
        Command<&P::m_recording, &PanelRecording::OnQuickPlay>(IDC_QUICK_PLAY),
        Command<&P::OnLiveTvCommand>(IDC_AV),
        Command<&P::m_peers, &PanelPeers::OnFm>(IDC_FM),
        Command<&P::m_peers, &PanelPeers::OnEnableButtons>(peer::kTvEnableButtons),
        Command<&P::m_peers, &PanelPeers::OnDisableButtons>(peer::kTvDisableButtons),
        CommandRange<&P::m_volumeBar, &VolumeBar::OnSegment>(IDC_VOLUME_FIRST, IDC_VOLUME_LAST),
        Command<&P::m_peers, &PanelPeers::OnAddTask>(IDC_ADD_TASK),
        Command<&P::OnLiveTvCommand>(IDC_CURRENT_TUNE),
        Command<&P::m_timeShift, &PanelTimeShift::OnTimeShift>(IDC_TIME_SHIFT),
        // The video window's menu.
        Command<&P::OnMostTop>(ID_MOST_TOP),
        Command<&P::OnMenuDisplayPanel>(ID_DISPLAY_PANEL),
        Command<&P::m_snapshots, &PanelSnapshots::OnSnapshot>(ID_CAPTURE),
        Command<&P::OnMenuFullScreen>(ID_FULLSCREEN_MODE),
        Command<&P::OnMenuExit>(ID_MENU_EXIT),
        Command<&P::m_dialogs, &PanelDialogs::OnDirectorySetting>(ID_DIRECTORY_SETTING),
        Command<&P::OnMenuCommand>(ID_CHANNEL_EDIT),
        Command<&P::OnMenuCommand>(ID_MENU_ABOUT),
        // The scheduler's messages.
        Command<&P::m_peers, &PanelPeers::OnSchedulerCommand>(peer::kTvStopAndClose),
        Command<&P::m_peers, &PanelPeers::OnScheduleTune>(peer::kTvScheduleTune),
        Command<&P::m_peers, &PanelPeers::OnSchedulerCommand>(peer::kTvScheduleRecord),
        Command<&P::m_peers, &PanelPeers::OnSchedulerCommand>(peer::kTvSchedulerGone),
        Command<&P::m_peers, &PanelPeers::OnSchedulerCommand>(peer::kTvBusyQuery),
        CopyData<&P::m_peers, &PanelPeers::OnCopyData>(),
        Message<&P::m_peers, &PanelPeers::OnStartOrderedRecording>(kStartOrderedRecording),
        // Window messages.
        Timer<&P::OnTimer>(),
        SysCommand<&P::OnSysCommandAbout>(IDM_ABOUTBOX, IDM_ABOUTBOX_LAST),
        Mouse<&P::OnLButtonDown>(WM_LBUTTONDOWN),
        Paint<&P::OnPaint>(),
        EraseBackground<&P::OnEraseBackground>(),
        Message<&P::OnIgnoredMessage>(WM_LBUTTONDBLCLK),
        Message<&P::OnIgnoredMessage>(WM_CONTEXTMENU),
        Message<&P::OnIgnoredMessage>(WM_SIZE),
        Message<&P::OnChar>(WM_CHAR),
        Message<&P::OnDestroy>(WM_DESTROY),
        Message<&P::OnBringToFront>(BringToFrontMessage()),
    };
    return &kMap;
}

BOOL CControlPanel::OnInitDialog() {
    TvGlobals& g = Globals();
    HINSTANCE instance = GetModuleHandleA(nullptr);

    // 1. The About item of the system menu.
    const std::string aboutText = LoadResourceString(IDS_ABOUTBOX);
    if (!aboutText.empty())
        AppendSystemMenuItem(IDM_ABOUTBOX, aboutText);

    // 2. Icons; the skin buttons' hand cursor is a module resource loaded when they are made.
    HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME));
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));

    // 3. The splash window.
    ShowSplash();

    // 4. State of a fresh start.
    m_state.scanning = false;
    m_state.videoTopmost = false;
    m_state.autoName = false;
    m_state.quickPlay = false;
    m_state.playbackState = -1;
    g.hPanel = m_hWnd;
    g.startTime = time(nullptr);
    g.startTick = GetTickCount();

    // 5. The caption by which the other programs find the panel.
    SetWindowText(g.app.strTitle);

    // 6, 7. The skin: shape, background, buttons, volume bar and status line.
    ApplySkinRegion();
    LayOutSkin();

    // 8. The user's settings; the channel indexes wait in the list until preview loads it.
    m_state.settings = LoadTvSettings(ProfileIni(g.paths.strTunaroIni), g.paths.strProgramDir);
    m_state.channels.SetCurrentIndex(m_state.settings.lCurrentIndex);
    m_state.channels.SetPreviousIndex(m_state.settings.lPreChannelIndex);

    // 9. Snapshot and recording directories, with their missing parents; a recording the last
    // run could not stop is finished and named; a time shift buffer that a crash left behind goes.
    CreateSettingsDirectories(m_state.settings);
    m_recording.RecoverInterrupted();
    m_timeShift.RemoveLeftovers();

    // 10. The engine of the current card, lent the channel list before anything tunes.
    g.engines[g.currentCard] = std::make_unique<CaptureEngine>();
    m_engineChannels = std::make_unique<EngineChannels>(
        m_state.channels, m_state.countries, [] { return Globals().CardType(); },
        [] { return Globals().language; });
    Engine()->SetChannelAccess(m_engineChannels.get());

    // 11. Live preview; without a card the program ends quietly.
    if (StartPreview(true) == -8) {
        const DWORD shownFor = GetTickCount() - m_dwSplashShown;
        if (m_splash && shownFor < kSplashAtLeastMs)
            WaitPaintingSplash(kSplashAtLeastMs - shownFor);
        CloseSplash();
        EndDialog(IDCANCEL);
        return TRUE;
    }

    // 12. Master volume and the volume bar.
    m_volumeBar.OpenMixer();
    m_liveTv.TakeOverMute(Volume() ? Volume()->MuteState() : -1);

    // 13. The status line's timer.
    SetTimer(m_hWnd, TIMER_STATUS, kStatusPeriodMs, nullptr);

    // 14, 15. The video window in the middle of the screen, the panel below it.
    PlaceWindows();

    // 16. The splash has done its work.
    CloseSplash();

    // 17. The snapshot browser, hidden until it is used.
    m_snapshots.Create(m_hWnd);

    // 18. The dialog framework sets the focus.
    return TRUE;
}

void CControlPanel::ShowSplash() {
    const TvGlobals& g = Globals();
    m_splash = std::make_unique<CSplashDlg>(g.paths.strProgramDir + "\\" + g.app.strSplash);
    if (!m_splash->CreateUnlisted()) {
        m_splash.reset();
        return;
    }
    HWND splash = m_splash->GetHwnd();
    const SIZE screen = ScreenSize();
    // Centred as the smaller picture, then grown to the full splash size from that corner.
    SetWindowPos(splash, nullptr, (screen.cx - kSplashFirstWidth) / 2, (screen.cy - kSplashFirstHeight) / 2,
                 kSplashFirstWidth, kSplashFirstHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(splash, nullptr, 0, 0, kSplashWidth, kSplashHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::ShowWindow(splash, SW_SHOW);
    UpdateWindow(splash);
    m_dwSplashShown = GetTickCount();
}

void CControlPanel::WaitPaintingSplash(DWORD ms) {
    // The thread stays responsive meanwhile: the splash paints, and whoever started the
    // program sees it waiting for input.
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD passed = GetTickCount() - start;
        if (passed >= ms)
            break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - passed, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                return;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

void CControlPanel::CloseSplash() {
    if (!m_splash)
        return;
    m_splash->ShowWindow(SW_HIDE);
    m_splash->DestroyWindow();
    m_splash.reset();
}

void CControlPanel::PlaceWindows() {
    const SIZE screen = ScreenSize();
    HWND video = VideoWindow();
    if (video) {
        SetWindowPos(video, nullptr, (screen.cx - kVideoWidth) / 2,
                     (screen.cy - kVideoHeight) / 2 - kVideoRaise, kVideoWidth, kVideoHeight,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        ::ShowWindow(video, SW_SHOW);
    }
    RECT videoRect = {};
    if (video)
        GetWindowRect(video, &videoRect);
    RECT panelRect = {};
    GetWindowRect(m_hWnd, &panelRect);
    const int panelWidth = panelRect.right - panelRect.left;
    SetWindowPos(m_hWnd, nullptr, (screen.cx - panelWidth) / 2, videoRect.top + kPanelBelowVideo, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
}

// ---- preview ---------------------------------------------------------------------------------

int CControlPanel::StartPreview() {
    return StartPreview(false);
}

int CControlPanel::StartPreview(bool startingUp) {
    CaptureEngine* engine = Engine();
    if (!engine)
        return -8;
    HWND video = VideoWindow();
    {
        QuietNoCardReporter quiet(startingUp);
        if (engine->EnumVideoDevice() <= 0)
            return -8;
        if (engine->Initialize(video, m_state.settings.lDisplayMode) == -8)
            return -8;
    }
    if (engine->InitCaptureGraph() == 1)
        engine->StartVideoPreview(m_state.settings.lDisplayMode);
    engine->SetTVMode(0);
    engine->SetVideoSource(m_state.settings.lVideoSource);

    const TvGlobals& g = Globals();
    const std::string unread = LoadChannelFiles(m_state.channels, m_state.countries, g.paths.strProgramTxt,
                                                g.paths.strChannelTxt, g.Chinese());
    if (!unread.empty())
        ::MessageBoxA(GetHwnd(), unread.c_str(), g.app.strTitle.c_str(), MB_OK | MB_ICONWARNING);
    engine->SetMessageDrain(video);
    engine->SetVideoFormat(m_state.settings.lVideoStandard);
    SelectStoredCountryAndChannel(
        m_state.channels, m_state.countries, ProfileIni(g.paths.strTunaroIni),
        [engine](long code) { engine->SetCountry(code); },
        [engine](long index) { engine->SetCurrentChannel(static_cast<int>(index)); });
    if (Globals().CardType() == kCardTenBit)
        engine->SetColorEnable(1);
    m_state.previewOn = true;
    return 1;
}

void CControlPanel::StopPreview() {
    CaptureEngine* engine = Engine();
    if (!engine)
        return;
    SaveChannelList(m_state.channels, Globals().paths.strProgramTxt, Globals().CardType());
    engine->StopPreview();
    m_state.previewOn = false;
}

// ---- Exit and the ending ---------------------------------------------------------------------

void CControlPanel::OnExit() {
    if (m_state.recording || m_state.scanning)
        return;
    HWND video = VideoWindow();
    if (m_state.desktopMode && video)
        ::SendMessageA(video, WM_COMMAND, MAKEWPARAM(1178, BN_CLICKED), 0);
    m_timeShift.ReturnToLive();
    if (m_state.previewOn) {
        StopPreview();
        if (Engine())
            Engine()->Shutdown();
    }
    if (m_state.schedulerStarted) {
        if (HWND schedule = FindWindowA(nullptr, "Schedule"))
            ::SendMessageA(schedule, WM_COMMAND, peer::kScheduleTaskOver, 0);
    }
    Sleep(kExitPauseMs);
    m_snapshots.Destroy();
    EndDialog(IDOK);
}

void CControlPanel::SaveSettings() {
    m_state.settings.lCurrentIndex = m_state.channels.CurrentIndex();
    m_state.settings.lPreChannelIndex = m_state.channels.PreviousIndex();
    // Unwritable files are not reported: the values are lost, the old file stays whole.
    if (!SaveTvSettings(Globals().paths.strTunaroIni, m_state.settings))
        TUNARO_TRACE("Tunaro: the settings could not be written");
}

LRESULT CControlPanel::OnDestroy() {
    TvGlobals& g = Globals();
    m_recording.OnPanelDestroy();
    m_timeShift.ReturnToLive();
    if (m_state.previewOn)
        StopPreview();
    SaveSettings();
    KillTimer(m_hWnd, TIMER_STATUS);
    KillTimer(m_hWnd, TIMER_OSD);
    KillTimer(m_hWnd, TIMER_SCAN);
    m_volumeBar.CloseMixer();
    ReleaseSkin();
    m_snapshots.Destroy();
    CloseSplash();
    if (CaptureEngine* engine = Engine()) {
        engine->Shutdown();
        engine->SetChannelAccess(nullptr);
    }
    g.engines[g.currentCard].reset();
    g.hPanel = nullptr;
    return 0;
}

void CControlPanel::OnFinalMessage() {
    // The window is gone: the shutdown flag is cleared once more on its own.
    WriteCloseComputerFlag(Globals().paths.strTunaroIni);
}

// ---- timers, system menu, About --------------------------------------------------------------

void CControlPanel::OnTimer(UINT_PTR id) {
    switch (id) {
    case TIMER_STATUS:
        OnStatusTimer();
        break;
    case TIMER_OSD:
        OnOsdTimer();
        break;
    case TIMER_SCAN:
        OnScanTimer();
        break;
    case TIMER_ORDER:
        m_peers.OnOrderTimer();
        break;
    default:
        break;
    }
}

void CControlPanel::OnSysCommandAbout(UINT, LPARAM) {
    ShowAbout();
}

void CControlPanel::ShowAbout() {
    CAboutDlg about;
    about.DoModal(m_hWnd);
}

void CControlPanel::OnNoEffect() {}

LRESULT CControlPanel::OnBringToFront() {
    SetForegroundWindow(m_hWnd);
    SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ::ShowWindow(m_hWnd, SW_SHOW);
    return 0;
}

LRESULT CControlPanel::OnChar() {
    return 0;
}

} // namespace tunaro
