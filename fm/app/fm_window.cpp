// The FM program's main window: the message map, initialisation and ending, the looks, the
// setting sheet, About and the timers. The features are in fm_stations.cpp, fm_scan.cpp,
// fm_recording.cpp, fm_playback.cpp and fm_peers.cpp.
#include "fm/app/fm_window.h"

#include <ctime>

#include "fm/app/channel_setting_page.h"
#include "fm/app/fm_app.h"
#include "fm/app/fm_settings.h"
#include "fm/app/record_setting_page.h"
#include "fm/fm_rules.h"
#include "framework/debug_print.h"
#include "framework/directory_tree.h"
#include "framework/format.h"
#include "framework/peer_messages.h"
#include "res/fm/resource.h"
#include "res/fm/skin_layout.h"
#include "uikit/skin_region.h"

namespace tunaro {

namespace {

constexpr UINT kSecond = 1000;
constexpr DWORD kEndPauseMs = 200;

// The texts over the skin: where they sit and their heights.
struct TextPlace {
    int id, left, top, width, height, fontHeight;
};
constexpr TextPlace kFrequencyPlace = {IDC_FREQUENCY_TEXT, 207, 149, 100, 12, 13};
constexpr TextPlace kModePlace = {IDC_MODE_TEXT, 180, 112, 70, 15, 12};
constexpr TextPlace kClockPlace = {IDC_CLOCK_TEXT, 205, 52, 100, 13, 13};

// The station buttons (disabled while recording) and the playback buttons.
const int kStationIds[] = {IDC_DIGIT_0,     IDC_DIGIT_0 + 1, IDC_DIGIT_0 + 2,  IDC_DIGIT_0 + 3,
                           IDC_DIGIT_0 + 4, IDC_DIGIT_0 + 5, IDC_DIGIT_0 + 6,  IDC_DIGIT_0 + 7,
                           IDC_DIGIT_0 + 8, IDC_DIGIT_9,     IDC_LAST_CHANNEL, IDC_CHANNEL_DOWN,
                           IDC_CHANNEL_UP,  IDC_FREQ_UP,     IDC_FREQ_DOWN};
const int kPlaybackIds[] = {IDC_OPEN_FILE, IDC_PLAY, IDC_PAUSE, IDC_STOP_PLAY, IDC_QUICK_PLAY};

class CFmAboutDlg : public Dialog {
public:
    CFmAboutDlg() : Dialog(IDD_ABOUTBOX) {}

protected:
    BOOL OnInitDialog() override {
        const FmGlobals& g = Globals();
        SetWindowText(g.Text("About ", "关于 ") + g.strFmTitle);
        SetItemText(IDC_ABOUT_APPNAME, g.strAppName);
        SetItemText(IDC_ABOUT_COMPANY, g.strCompany);
        SetItemText(IDOK, g.Text("OK", "确定"));
        return TRUE;
    }
};

const skin::Row* FmButtonRow(int id) {
    for (const skin::Row& r : skin::fm::kFmButtons)
        if (r.id == id)
            return &r;
    return nullptr;
}

void SetLooks(Cyup4Btn* button, const skin::Row* row) {
    if (!button || !row)
        return;
    button->SetBitmaps(static_cast<UINT>(row->normal), static_cast<UINT>(row->hover),
                       static_cast<UINT>(row->pressed), static_cast<UINT>(row->fourth));
    InvalidateRect(button->GetHwnd(), nullptr, FALSE);
}

} // namespace

std::string FmLocalTime(const char* format) {
    const time_t now = time(nullptr);
    char text[64] = {};
    if (const tm* local = localtime(&now))
        strftime(text, sizeof text, format, local);
    return text;
}

CFmDlg::CFmDlg()
    : Dialog(IDD_FM_DIALOG), m_dialogs(peer::kFmCloseForTv),
      m_volumeBar(fm::kVolumeScale, skin::fm::kVolumeLit, skin::fm::kVolumeUnlit) {}

CFmDlg::~CFmDlg() = default;

const MessageMap* CFmDlg::GetMessageMap() const {
    using W = CFmDlg;
    static const MessageMap kMap{
        // The window's own commands and the volume bar.
        Command<&W::OnExit>(IDC_EXIT),
        Command<&W::OnMinimize>(IDC_MINIMIZE),
        Command<&W::OnSetting>(IDC_SETTING),
        Command<&W::OnAbout>(IDC_ABOUT),
        Command<&W::m_volumeBar, &VolumeBar::OnVolumeDown>(IDC_VOLUME_DOWN),
        Command<&W::m_volumeBar, &VolumeBar::OnVolumeUp>(IDC_VOLUME_UP),
        CommandRange<&W::m_volumeBar, &VolumeBar::OnSegment>(IDC_VOLUME_FIRST, IDC_VOLUME_LAST),
        // The stations.
        Command<&W::m_stations, &FmStations::OnMute>(IDC_MUTE),
        Command<&W::m_stations, &FmStations::OnFreqUp>(IDC_FREQ_UP),
        Command<&W::m_stations, &FmStations::OnFreqDown>(IDC_FREQ_DOWN),
        CommandRange<&W::m_stations, &FmStations::OnDigit>(IDC_DIGIT_0, IDC_DIGIT_9),
        Command<&W::m_stations, &FmStations::OnLastChannel>(IDC_LAST_CHANNEL),
        Command<&W::m_stations, &FmStations::OnChannelDown>(IDC_CHANNEL_DOWN),
        Command<&W::m_stations, &FmStations::OnChannelUp>(IDC_CHANNEL_UP),
        Command<&W::m_scan, &FmScan::OnScan>(IDC_SCAN),
        // Recording and playback.
        Command<&W::m_recording, &FmRecording::OnRecord>(IDC_RECORD),
        Command<&W::m_recording, &FmRecording::OnStopRecord>(IDC_STOP_RECORD),
        Command<&W::m_playback, &FmPlayback::OnPause>(IDC_PAUSE),
        Command<&W::m_playback, &FmPlayback::OnPlay>(IDC_PLAY),
        Command<&W::m_playback, &FmPlayback::OnStopPlay>(IDC_STOP_PLAY),
        Command<&W::m_playback, &FmPlayback::OnOpenFile>(IDC_OPEN_FILE),
        Command<&W::m_playback, &FmPlayback::OnQuickPlay>(IDC_QUICK_PLAY),
        // The other programs.
        Command<&W::m_peers, &FmPeers::OnTv>(IDC_TV),
        Command<&W::m_peers, &FmPeers::OnCloseForTv>(peer::kFmCloseForTv),
        // Window messages.
        Timer<&W::OnTimer>(),
        SysCommand<&W::OnSysCommandAbout>(IDM_ABOUTBOX, IDM_ABOUTBOX_LAST),
        Mouse<&W::OnLButtonDown>(WM_LBUTTONDOWN),
        EraseBackground<&W::OnEraseBackground>(),
        Message<&W::OnDestroy>(WM_DESTROY),
    };
    return &kMap;
}

// ---- initialisation and ending ----------------------------------------------------------------

BOOL CFmDlg::OnInitDialog() {
    FmGlobals& g = Globals();
    HINSTANCE instance = GetModuleHandleA(nullptr);

    // The About item of the system menu.
    AppendSystemMenuItem(IDM_ABOUTBOX, g.Chinese() ? std::string("关于 ") + g.strFmTitle + "..."
                                                   : LoadResourceString(IDS_ABOUTBOX));
    HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME));
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));

    // The skin: shape, background, caption, buttons and texts.
    ApplySkin();
    SetWindowText(g.strFmTitle);
    LayOutButtons();
    CreateTexts();
    ShowMode("FM Radio", "调频广播");
    CenterWindow();

    // The user's state and the timed recordings.
    m_state.settings = fm::LoadFmSettings(g.strFmSettingIni, g.strProgramDir);
    m_state.current = static_cast<int>(m_state.settings.lCurrentIndex);
    m_state.previous = static_cast<int>(m_state.settings.lPreChannelIndex);
    m_state.timed = fm::LoadRecordList(g.strRecordList);

    if (!m_stations.StartDevice(true)) {
        EndDialog(IDCANCEL);
        return TRUE;
    }
    CreateDirectoryTree(m_state.settings.strRecordPath);
    m_volumeBar.OpenMixer();
    SetTimer(m_hWnd, TIMER_TIMED_RECORDING, kSecond, nullptr);
    SetTimer(m_hWnd, TIMER_CLOCK, kSecond, nullptr);
    ShowClock();
    return TRUE;
}

LRESULT CFmDlg::OnDestroy() {
    if (m_state.recording)
        m_recording.Stop(); // the file is kept whole, whatever ends the window
    m_scan.Abandon();
    if (m_state.deviceRunning)
        m_stations.StopDevice();
    m_playback.Close();
    m_state.settings.lCurrentIndex = m_state.current;
    m_state.settings.lPreChannelIndex = m_state.previous;
    if (!fm::SaveFmSettings(Globals().strFmSettingIni, m_state.settings))
        TUNARO_TRACE("Tunaro FM: the settings could not be written");
    Sleep(kEndPauseMs);
    KillTimer(m_hWnd, TIMER_TIMED_RECORDING);
    KillTimer(m_hWnd, TIMER_CLOCK);
    KillTimer(m_hWnd, TIMER_ELAPSED);
    m_volumeBar.CloseMixer();
    SetWindowRgn(m_hWnd, nullptr, FALSE);
    return 0;
}

void CFmDlg::OnExit() {
    if (m_state.Busy())
        return;
    EndDialog(IDOK);
}

// ---- dialogs over the window ------------------------------------------------------------------

bool CFmDlg::ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (m_dialogs.Any()) {
        if (msg == WM_COMMAND && !m_peers.CommandAllowedUnderDialog(LOWORD(wp))) {
            if (LOWORD(wp) == peer::kFmCloseForTv)
                m_dialogs.CancelAndWait(m_hWnd);
            result = 0;
            return true;
        }
        // The system menu's About while a dialog is up would open a second one.
        if (msg == WM_SYSCOMMAND && (wp & 0xFFF0) >= IDM_ABOUTBOX && (wp & 0xFFF0) <= IDM_ABOUTBOX_LAST) {
            result = 0;
            return true;
        }
    }
    return Dialog::ProcessMessage(msg, wp, lp, result);
}

// ---- the window's own commands ----------------------------------------------------------------

void CFmDlg::OnMinimize() {
    ShowWindow(SW_MINIMIZE);
}

void CFmDlg::OnSetting() {
    if (m_state.Busy())
        return;
    std::vector<std::string> stations;
    std::unique_ptr<CChannelSettingPage> channels;
    if (m_state.deviceRunning) {
        for (int i = 0; i < m_state.stationCount; ++i)
            stations.push_back(m_library.GetChannelName(i));
        channels = std::make_unique<CChannelSettingPage>(m_library, m_state.current, m_state.settings.lSense);
    }
    CRecordSettingPage records(m_state.timed, stations, m_state.settings.strRecordPath,
                               static_cast<int>(m_state.settings.lRecordType));
    bool ok = false;
    {
        OpenDialogs::Scope scope(m_dialogs, m_hWnd, true);
        ok = RunFmSettingSheet(m_hWnd, channels.get(), records);
    }
    if (channels) {
        // The list may have changed and the page may have tuned elsewhere: the window's station
        // is tuned again (the first, when it is gone). The sensitivity was saved as it moved.
        m_state.settings.lSense = channels->Sense();
        m_state.stationCount = m_library.GetChannelListSize();
        if (!m_stations.SelectStation(m_state.current)) {
            m_state.current = 0;
            m_stations.SelectStation(0);
        }
    }
    if (!ok)
        return;
    // The record page wrote the list and the encoder; the directory is kept until the end.
    m_state.timed = records.Entries();
    m_state.settings.lRecordType = records.RecordType();
    m_state.settings.strRecordPath = records.RecordPath();
    CreateDirectoryTree(m_state.settings.strRecordPath);
}

void CFmDlg::OnAbout() {
    CFmAboutDlg about;
    OpenDialogs::Scope scope(m_dialogs, m_hWnd, true);
    about.DoModal(m_hWnd);
}

void CFmDlg::OnSysCommandAbout(UINT, LPARAM) {
    OnAbout();
}

void CFmDlg::OnLButtonDown(UINT, POINT pt) {
    DragWindowFrom(m_hWnd, pt);
}

BOOL CFmDlg::OnEraseBackground(HDC dc) {
    return m_background.Paint(dc) ? TRUE : FALSE;
}

void CFmDlg::OnTimer(UINT_PTR id) {
    switch (id) {
    case TIMER_CLOCK:
        ShowClock();
        break;
    case TIMER_ELAPSED:
        ShowElapsed(static_cast<long>((GetTickCount() - m_state.recordStart) / 1000));
        break;
    case TIMER_TIMED_RECORDING:
        m_recording.OnTimedRecordingTimer();
        break;
    case TIMER_SCAN:
        m_scan.OnScanTimer();
        break;
    case TIMER_PLAYBACK:
        m_playback.OnPlaybackTimer();
        break;
    default:
        break;
    }
}

// ---- looks ------------------------------------------------------------------------------------

void CFmDlg::ApplySkin() {
    const FmGlobals& g = Globals();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    Bitmap skin(
        static_cast<HBITMAP>(LoadImageA(instance, MAKEINTRESOURCEA(IDB_FM_SKIN), IMAGE_BITMAP, 0, 0, 0)));
    BITMAP skinSize = {};
    if (skin) {
        GetObjectA(skin.get(), sizeof skinSize, &skinSize);
        const LONG_PTR frame = WS_CAPTION | WS_THICKFRAME | WS_BORDER | WS_DLGFRAME;
        SetWindowLongPtrA(m_hWnd, GWL_STYLE, GetWindowLongPtrA(m_hWnd, GWL_STYLE) & ~frame);
        SetWindowPos(m_hWnd, nullptr, 0, 0, skinSize.bmWidth, skinSize.bmHeight,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        if (HRGN region = RegionFromBitmap(skin.get()))
            if (!SetWindowRgn(m_hWnd, region, TRUE))
                DeleteObject(region);
    }
    // The background setting.ini names is shared with the TV program's panel: it is taken only
    // when it fits this window's skin, else the skin itself is the background.
    std::string background;
    if (!g.strBackground.empty())
        background = g.strProgramDir + "\\" + g.strBackground;
    m_background.Load(background, instance, IDB_FM_SKIN);
    if (m_background.FromFile() && skin) {
        BITMAP fileSize = {};
        GetObjectA(m_background.GetBitmap(), sizeof fileSize, &fileSize);
        if (fileSize.bmWidth != skinSize.bmWidth || fileSize.bmHeight != skinSize.bmHeight)
            m_background.Load("", instance, IDB_FM_SKIN);
    }
    // The texts keep a copy of the skin under them: the window paints behind its children.
    SetWindowLongPtrA(m_hWnd, GWL_STYLE,
                      GetWindowLongPtrA(m_hWnd, GWL_STYLE) & ~static_cast<LONG_PTR>(WS_CLIPCHILDREN));
}

void CFmDlg::LayOutButtons() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HCURSOR hand = LoadCursorA(instance, MAKEINTRESOURCEA(IDC_HAND_CURSOR));
    auto add = [&](const skin::Row& r) {
        HWND wnd = CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, r.left, r.top,
                                   r.width, r.height, m_hWnd,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(r.id)), instance, nullptr);
        if (!wnd)
            return;
        auto button = std::make_unique<Cyup4Btn>();
        if (!button->Attach(wnd))
            return;
        button->SetBitmaps(static_cast<UINT>(r.normal), static_cast<UINT>(r.hover),
                           static_cast<UINT>(r.pressed), static_cast<UINT>(r.fourth));
        button->SetCursor(hand);
        m_buttons.push_back(SkinButton{r.id, std::move(button)});
    };
    for (const skin::Row& r : skin::fm::kFmButtons)
        add(r);
    m_volumeBar.Create(m_hWnd, hand);
}

void CFmDlg::CreateTexts() {
    const FmGlobals& g = Globals();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (g.Chinese())
        m_textFont.Reset(CreateFontA(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET,
                                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                     DEFAULT_PITCH | FF_DONTCARE, "宋体"));
    auto make = [&](const TextPlace& place, StatusText& text) {
        HWND wnd =
            CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, place.left,
                            place.top, place.width, place.height, m_hWnd,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(place.id)), instance, nullptr);
        if (!wnd || !text.Attach(wnd))
            return;
        if (m_textFont)
            ::SendMessageA(wnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_textFont.get()), FALSE);
        else
            text.SetFontHeight(place.fontHeight);
        text.SetCenterVertical(true);
        text.SetTransparent(true);
        text.SetTextColor(kFmYellow);
        text.SetText("");
    };
    make(kFrequencyPlace, m_frequencyText);
    make(kModePlace, m_modeText);
    make(kClockPlace, m_clockText);
}

Cyup4Btn* CFmDlg::Button(int id) {
    for (SkinButton& b : m_buttons)
        if (b.id == id)
            return b.button.get();
    return nullptr;
}

void CFmDlg::SetRecordLook(bool recording) {
    SetLooks(Button(IDC_RECORD), recording ? &skin::fm::kRecordingRow : FmButtonRow(IDC_RECORD));
}

void CFmDlg::SetMuteLook(bool muted) {
    SetLooks(Button(IDC_MUTE), muted ? &skin::fm::kMutedRow : FmButtonRow(IDC_MUTE));
}

void CFmDlg::ShowFrequency(long hertz, COLORREF colour) {
    m_frequencyText.SetTextColor(colour);
    m_frequencyText.SetText(fm::FrequencyText(hertz).c_str());
}

void CFmDlg::ShowFrequencyText(const std::string& text) {
    m_frequencyText.SetText(text.c_str());
}

void CFmDlg::SetFrequencyColour(COLORREF colour) {
    m_frequencyText.SetTextColor(colour);
}

void CFmDlg::ShowMode(const char* english, const char* chinese) {
    m_modeText.SetText(Globals().Text(english, chinese));
}

void CFmDlg::ShowClock() {
    m_clockText.SetTextColor(kFmYellow);
    m_clockText.SetText(FmLocalTime("%H:%M:%S").c_str());
}

void CFmDlg::ShowElapsed(long seconds) {
    m_clockText.SetTextColor(kFmPurple);
    m_clockText.SetText(fm::ClockText(seconds).c_str());
}

void CFmDlg::EnableStationButtons(bool enable) {
    for (int id : kStationIds)
        EnableItem(id, enable);
}

void CFmDlg::EnablePlaybackButtons(bool enable) {
    for (int id : kPlaybackIds)
        EnableItem(id, enable);
}

void CFmDlg::ShowPlaybackSet(bool playing) {
    EnableStationButtons(!playing);
    EnableItem(IDC_RECORD, !playing);
    EnableItem(IDC_STOP_RECORD, true);
    EnableItem(IDC_SCAN, !playing);
    EnablePlaybackButtons(true);
}

} // namespace tunaro
