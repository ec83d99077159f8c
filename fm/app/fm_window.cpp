// The FM program's main window: initialisation and ending, the looks, the stations and the
// scan, recording and the timed list, playback, and the window's own commands.
#include "fm/app/fm_window.h"

#include <commdlg.h>

#include <algorithm>
#include <ctime>

#include "fm/app/channel_setting_page.h"
#include "fm/app/fm_app.h"
#include "fm/app/record_setting_page.h"
#include "fm/fm_rules.h"
#include "framework/debug_print.h"
#include "framework/file_replace.h"
#include "framework/format.h"
#include "framework/peer_messages.h"
#include "res/fm/skin_layout.h"
#include "resource.h"
#include "uikit/skin_region.h"

namespace {

namespace fm = tunaro::fm;

constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kPurple = RGB(204, 0, 254);
constexpr UINT kSecond = 1000;
constexpr DWORD kEndPauseMs = 200;
constexpr UINT kPeerSendTimeoutMs = 5000;

// The texts over the skin: where they sit and their heights.
struct TextPlace {
    int id, left, top, width, height, fontHeight;
};
constexpr TextPlace kFrequencyPlace = {IDC_FREQUENCY_TEXT, 207, 149, 100, 12, 13};
constexpr TextPlace kModePlace = {IDC_MODE_TEXT, 180, 112, 70, 15, 12};
constexpr TextPlace kClockPlace = {IDC_CLOCK_TEXT, 205, 52, 100, 13, 13};

// The station buttons (disabled while recording) and the playback buttons.
const int kStationIds[] = {IDC_DIGIT_0,      IDC_DIGIT_0 + 1,  IDC_DIGIT_0 + 2, IDC_DIGIT_0 + 3, IDC_DIGIT_0 + 4,
                           IDC_DIGIT_0 + 5,  IDC_DIGIT_0 + 6,  IDC_DIGIT_0 + 7, IDC_DIGIT_0 + 8, IDC_DIGIT_9,
                           IDC_LAST_CHANNEL, IDC_CHANNEL_DOWN, IDC_CHANNEL_UP,  IDC_FREQ_UP,     IDC_FREQ_DOWN};
const int kPlaybackIds[] = {IDC_OPEN_FILE, IDC_PLAY, IDC_PAUSE, IDC_STOP_PLAY, IDC_QUICK_PLAY};

std::int64_t NowSeconds() {
    SYSTEMTIME st = {};
    GetLocalTime(&st);
    return fm::ToSeconds(fm::CivilTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond});
}

// The current local time as strftime formats it.
std::string LocalTimeText(const char* format) {
    const time_t now = time(nullptr);
    char text[64] = {};
    if (const tm* local = localtime(&now))
        strftime(text, sizeof text, format, local);
    return text;
}

// Makes a directory with its missing parents.
void MakeDirectories(const std::string& path) {
    if (path.empty() || tunaro::DirectoryExists(path))
        return;
    const std::string parent = tunaro::ParentOfPath(path);
    if (!parent.empty() && parent != path && parent.back() != ':')
        MakeDirectories(parent);
    CreateDirectoryA(path.c_str(), nullptr);
}

class CFmAboutDlg : public tunaro::Dialog {
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

} // namespace

CFmDlg::CFmDlg() : Dialog(IDD_FM_DIALOG), m_dialogs(tunaro::peer::kFmCloseForTv) {}

CFmDlg::~CFmDlg() = default;

const tunaro::MessageMap* CFmDlg::GetMessageMap() const {
    using namespace tunaro;
    using W = CFmDlg;
    static const MessageMap kMap{
        Command<&W::OnExit>(IDC_EXIT),
        Command<&W::OnScan>(IDC_SCAN),
        Command<&W::OnMute>(IDC_MUTE),
        Command<&W::OnVolumeDown>(IDC_VOLUME_DOWN),
        Command<&W::OnVolumeUp>(IDC_VOLUME_UP),
        Command<&W::OnPause>(IDC_PAUSE),
        Command<&W::OnStopRecord>(IDC_STOP_RECORD),
        Command<&W::OnPlay>(IDC_PLAY),
        Command<&W::OnStopPlay>(IDC_STOP_PLAY),
        Command<&W::OnMinimize>(IDC_MINIMIZE),
        Command<&W::OnSetting>(IDC_SETTING),
        Command<&W::OnAbout>(IDC_ABOUT),
        Command<&W::OnOpenFile>(IDC_OPEN_FILE),
        CommandRange<&W::OnVolumeSegment>(IDC_VOLUME_FIRST, IDC_VOLUME_LAST),
        Command<&W::OnFreqUp>(IDC_FREQ_UP),
        Command<&W::OnFreqDown>(IDC_FREQ_DOWN),
        Command<&W::OnRecord>(IDC_RECORD),
        CommandRange<&W::OnDigit>(IDC_DIGIT_0, IDC_DIGIT_9),
        Command<&W::OnLastChannel>(IDC_LAST_CHANNEL),
        Command<&W::OnChannelDown>(IDC_CHANNEL_DOWN),
        Command<&W::OnChannelUp>(IDC_CHANNEL_UP),
        Command<&W::OnTv>(IDC_TV),
        Command<&W::OnQuickPlay>(IDC_QUICK_PLAY),
        Command<&W::OnCloseForTv>(tunaro::peer::kFmCloseForTv),
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
                                                   : tunaro::LoadResourceString(IDS_ABOUTBOX));
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
    m_settings = fm::LoadFmSettings(g.strFmSettingIni, g.strProgramDir);
    m_nCurrent = static_cast<int>(m_settings.lCurrentIndex);
    m_nPrevious = static_cast<int>(m_settings.lPreChannelIndex);
    m_timed = fm::LoadRecordList(g.strRecordList);

    if (!StartDevice(true)) {
        EndDialog(IDCANCEL);
        return TRUE;
    }
    MakeDirectories(m_settings.strRecordPath);
    OpenMasterVolume();
    SetTimer(m_hWnd, TIMER_TIMED_RECORDING, kSecond, nullptr);
    SetTimer(m_hWnd, TIMER_CLOCK, kSecond, nullptr);
    m_clockText.SetTextColor(kYellow);
    m_clockText.SetText(LocalTimeText("%H:%M:%S").c_str());
    return TRUE;
}

LRESULT CFmDlg::OnDestroy() {
    if (m_boRecording)
        StopRecording(); // the file is kept whole, whatever ends the window
    if (m_boScanning) {
        KillTimer(m_hWnd, TIMER_SCAN);
        m_library.FMScanTuner(static_cast<int>(m_settings.lSense), 1);
        m_boScanning = false;
    }
    if (m_boDeviceRunning)
        StopDevice();
    KillTimer(m_hWnd, TIMER_PLAYBACK);
    if (m_nPlaybackState != -1) {
        m_deck.Close();
        m_nPlaybackState = -1;
    }
    m_settings.lCurrentIndex = m_nCurrent;
    m_settings.lPreChannelIndex = m_nPrevious;
    if (!fm::SaveFmSettings(Globals().strFmSettingIni, m_settings))
        tunaro::DebugPrint("Tunaro FM: the settings could not be written, Line=%ld\n", static_cast<long>(__LINE__));
    Sleep(kEndPauseMs);
    KillTimer(m_hWnd, TIMER_TIMED_RECORDING);
    KillTimer(m_hWnd, TIMER_CLOCK);
    KillTimer(m_hWnd, TIMER_ELAPSED);
    m_volume.reset();
    SetWindowRgn(m_hWnd, nullptr, FALSE);
    return 0;
}

void CFmDlg::OnExit() {
    if (m_boRecording || m_boScanning)
        return;
    EndDialog(IDOK);
}

// ---- dialogs over the window ------------------------------------------------------------------

bool CFmDlg::CommandAllowedUnderDialog(WORD id) const {
    switch (id) {
    case IDC_MUTE:
    case IDC_VOLUME_DOWN:
    case IDC_VOLUME_UP:
        return true;
    case IDC_STOP_RECORD:
        return m_boRecording;
    default:
        return id >= IDC_VOLUME_FIRST && id <= IDC_VOLUME_LAST;
    }
}

bool CFmDlg::ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (m_dialogs.Any()) {
        if (msg == WM_COMMAND && !CommandAllowedUnderDialog(LOWORD(wp))) {
            if (LOWORD(wp) == tunaro::peer::kFmCloseForTv)
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

void CFmDlg::OnCloseForTv() {
    m_dialogs.CommandDone();
    // The TV program is starting and needs the card: a recording is stopped and saved, a scan
    // ends where it is, and the radio closes.
    if (m_boRecording)
        SendMessage(WM_COMMAND, MAKEWPARAM(IDC_RECORD, 0), 0);
    if (m_boScanning)
        OnScan();
    SendMessage(WM_COMMAND, MAKEWPARAM(IDC_EXIT, 0), 0);
}

void CFmDlg::OnTv() {
    if (m_boRecording || m_boScanning)
        return;
    char path[MAX_PATH] = {};
    DWORD size = sizeof path - 1;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Tunaro", 0, KEY_READ, &key) == ERROR_SUCCESS) {
        DWORD type = 0;
        if (RegQueryValueExA(key, "path", nullptr, &type, reinterpret_cast<BYTE*>(path), &size) != ERROR_SUCCESS ||
            type != REG_SZ)
            path[0] = '\0';
        RegCloseKey(key);
    }
    if (path[0] == '\0')
        return;
    const std::string program = std::string(path) + "\\Tunaro.EXE";
    if (!tunaro::FileExists(program)) {
        tunaro::OpenDialogs::Scope scope(m_dialogs, m_hWnd, true);
        MessageBoxA(m_hWnd, "Tunaro TV application is not found!", "Tunaro", MB_OK | MB_ICONWARNING);
        return;
    }
    SendMessage(WM_COMMAND, MAKEWPARAM(IDC_EXIT, 0), 0);
    // Shown normally: the TV program is what the user asked to see.
    WinExec(program.c_str(), SW_SHOWNORMAL);
}

void CFmDlg::OnMinimize() {
    ShowWindow(SW_MINIMIZE);
}

void CFmDlg::OnSetting() {
    if (m_boRecording || m_boScanning)
        return;
    std::vector<std::string> stations;
    std::unique_ptr<CChannelSettingPage> channels;
    if (m_boDeviceRunning) {
        for (int i = 0; i < m_nStationCount; ++i)
            stations.push_back(m_library.GetChannelName(i));
        channels = std::make_unique<CChannelSettingPage>(m_library, m_nCurrent, m_settings.lSense);
    }
    CRecordSettingPage records(m_timed, stations, m_settings.strRecordPath, static_cast<int>(m_settings.lRecordType));
    bool ok = false;
    {
        tunaro::OpenDialogs::Scope scope(m_dialogs, m_hWnd, true);
        ok = RunFmSettingSheet(m_hWnd, channels.get(), records);
    }
    if (channels) {
        // The list may have changed and the page may have tuned elsewhere: the window's station
        // is tuned again (the first, when it is gone). The sensitivity was saved as it moved.
        m_settings.lSense = channels->Sense();
        m_nStationCount = m_library.GetChannelListSize();
        if (!SelectStation(m_nCurrent)) {
            m_nCurrent = 0;
            SelectStation(0);
        }
    }
    if (!ok)
        return;
    // The record page wrote the list and the encoder; the directory is kept until the end.
    m_timed = records.Entries();
    m_settings.lRecordType = records.RecordType();
    m_settings.strRecordPath = records.RecordPath();
    MakeDirectories(m_settings.strRecordPath);
}

void CFmDlg::OnAbout() {
    CFmAboutDlg about;
    tunaro::OpenDialogs::Scope scope(m_dialogs, m_hWnd, true);
    about.DoModal(m_hWnd);
}

void CFmDlg::OnSysCommandAbout(UINT, LPARAM) {
    OnAbout();
}

void CFmDlg::OnLButtonDown(UINT, POINT pt) {
    // The whole body is the handle that drags the window.
    ClientToScreen(m_hWnd, &pt);
    SendMessage(WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(static_cast<WORD>(pt.x), static_cast<WORD>(pt.y)));
}

BOOL CFmDlg::OnEraseBackground(HDC dc) {
    return m_background.Paint(dc) ? TRUE : FALSE;
}

void CFmDlg::OnTimer(UINT_PTR id) {
    switch (id) {
    case TIMER_CLOCK:
        m_clockText.SetTextColor(kYellow);
        m_clockText.SetText(LocalTimeText("%H:%M:%S").c_str());
        break;
    case TIMER_ELAPSED:
        m_clockText.SetTextColor(kPurple);
        m_clockText.SetText(fm::ClockText(static_cast<long>((GetTickCount() - m_dwRecordStart) / 1000)).c_str());
        break;
    case TIMER_TIMED_RECORDING:
        OnTimedRecordingTimer();
        break;
    case TIMER_SCAN:
        OnScanTimer();
        break;
    case TIMER_PLAYBACK:
        OnPlaybackTimer();
        break;
    default:
        break;
    }
}

// ---- looks ------------------------------------------------------------------------------------

void CFmDlg::ApplySkin() {
    const FmGlobals& g = Globals();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    tunaro::Bitmap skin(
        static_cast<HBITMAP>(LoadImageA(instance, MAKEINTRESOURCEA(IDB_FM_SKIN), IMAGE_BITMAP, 0, 0, 0)));
    BITMAP skinSize = {};
    if (skin) {
        GetObjectA(skin.get(), sizeof skinSize, &skinSize);
        const LONG_PTR frame = WS_CAPTION | WS_THICKFRAME | WS_BORDER | WS_DLGFRAME;
        SetWindowLongPtrA(m_hWnd, GWL_STYLE, GetWindowLongPtrA(m_hWnd, GWL_STYLE) & ~frame);
        SetWindowPos(m_hWnd, nullptr, 0, 0, skinSize.bmWidth, skinSize.bmHeight,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        if (HRGN region = tunaro::RegionFromBitmap(skin.get()))
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
    auto add = [&](const tunaro::skin::Row& r) {
        HWND wnd = CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, r.left, r.top, r.width,
                                   r.height, m_hWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(r.id)), instance,
                                   nullptr);
        if (!wnd)
            return;
        auto button = std::make_unique<tunaro::Cyup4Btn>();
        if (!button->Attach(wnd))
            return;
        button->SetBitmaps(static_cast<UINT>(r.normal), static_cast<UINT>(r.hover), static_cast<UINT>(r.pressed),
                           static_cast<UINT>(r.fourth));
        button->SetCursor(hand);
        m_buttons.push_back(SkinButton{r.id, std::move(button)});
    };
    for (const tunaro::skin::Row& r : tunaro::skin::fm::kFmButtons)
        add(r);
    for (const tunaro::skin::Row& r : tunaro::skin::fm::kVolumeUnlit)
        add(r);
}

void CFmDlg::CreateTexts() {
    const FmGlobals& g = Globals();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (g.Chinese())
        m_textFont.Reset(CreateFontA(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "宋体"));
    auto make = [&](const TextPlace& place, tunaro::StatusText& text) {
        HWND wnd = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, place.left,
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
        text.SetTextColor(kYellow);
        text.SetText("");
    };
    make(kFrequencyPlace, m_frequencyText);
    make(kModePlace, m_modeText);
    make(kClockPlace, m_clockText);
}

tunaro::Cyup4Btn* CFmDlg::Button(int id) {
    for (SkinButton& b : m_buttons)
        if (b.id == id)
            return b.button.get();
    return nullptr;
}

namespace {
const tunaro::skin::Row* FmButtonRow(int id) {
    for (const tunaro::skin::Row& r : tunaro::skin::fm::kFmButtons)
        if (r.id == id)
            return &r;
    return nullptr;
}
void SetLooks(tunaro::Cyup4Btn* button, const tunaro::skin::Row* row) {
    if (!button || !row)
        return;
    button->SetBitmaps(static_cast<UINT>(row->normal), static_cast<UINT>(row->hover),
                       static_cast<UINT>(row->pressed), static_cast<UINT>(row->fourth));
    InvalidateRect(button->GetHwnd(), nullptr, FALSE);
}
} // namespace

void CFmDlg::SetRecordLook(bool recording) {
    SetLooks(Button(IDC_RECORD), recording ? &tunaro::skin::fm::kRecordingRow : FmButtonRow(IDC_RECORD));
}

void CFmDlg::SetMuteLook(bool muted) {
    SetLooks(Button(IDC_MUTE), muted ? &tunaro::skin::fm::kMutedRow : FmButtonRow(IDC_MUTE));
}

void CFmDlg::LightVolumeSegments(int topId) {
    topId = std::clamp(topId, fm::kFirstVolumeSegment, fm::kLastVolumeSegment);
    for (int i = 0; i < fm::kLastVolumeSegment - fm::kFirstVolumeSegment + 1; ++i) {
        const tunaro::skin::Row& r = tunaro::skin::fm::kVolumeLit[i].id <= topId ? tunaro::skin::fm::kVolumeLit[i]
                                                                                : tunaro::skin::fm::kVolumeUnlit[i];
        const bool wasLit = m_nVolumeTop >= r.id;
        const bool lit = r.id <= topId;
        if (m_nVolumeTop != 0 && wasLit == lit)
            continue;
        SetLooks(Button(r.id), &r);
    }
    m_nVolumeTop = topId;
}

void CFmDlg::ShowFrequency(long hertz, COLORREF colour) {
    m_frequencyText.SetTextColor(colour);
    m_frequencyText.SetText(fm::FrequencyText(hertz).c_str());
}

void CFmDlg::ShowMode(const char* english, const char* chinese) {
    m_modeText.SetText(Globals().Text(english, chinese));
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
    // While a file is open the radio's own buttons rest; the player's stay.
    EnableStationButtons(!playing);
    EnableItem(IDC_RECORD, !playing);
    EnableItem(IDC_STOP_RECORD, true);
    EnableItem(IDC_SCAN, !playing);
    EnablePlaybackButtons(true);
}

void CFmDlg::OpenMasterVolume() {
    m_volume = std::make_unique<tunaro::MasterVolume>();
    if (!m_volume->VolumeAvailable())
        return;
    LightVolumeSegments(fm::SegmentForVolume(m_volume->GetVolume(), m_volume->Minimum(), m_volume->Maximum()));
    m_volume->SetChangeCallback(&CFmDlg::OnMasterVolumeChanged, reinterpret_cast<DWORD_PTR>(this));
}

void CFmDlg::OnMasterVolumeChanged(DWORD volume, DWORD_PTR self) {
    CFmDlg* window = reinterpret_cast<CFmDlg*>(self);
    if (!window || !window->m_volume)
        return;
    window->LightVolumeSegments(fm::SegmentForVolume(static_cast<long>(volume), window->m_volume->Minimum(),
                                                     window->m_volume->Maximum()));
}

void CFmDlg::OnVolumeSegment(UINT id) {
    if (!m_volume || !m_volume->VolumeAvailable())
        return;
    m_volume->SetVolume(static_cast<DWORD>(
        fm::VolumeForSegment(static_cast<int>(id), m_volume->Minimum(), m_volume->Maximum())));
    LightVolumeSegments(static_cast<int>(id));
}

void CFmDlg::OnVolumeDown() {
    if (m_nVolumeTop > fm::kFirstVolumeSegment)
        OnVolumeSegment(static_cast<UINT>(m_nVolumeTop - 1));
}

void CFmDlg::OnVolumeUp() {
    if (m_nVolumeTop != 0 && m_nVolumeTop < fm::kLastVolumeSegment)
        OnVolumeSegment(static_cast<UINT>(m_nVolumeTop + 1));
}

// ---- the device and the stations --------------------------------------------------------------

bool CFmDlg::StartDevice(bool reportFailure) {
    const FmGlobals& g = Globals();
    const fm::DeviceStart result = fm::StartFmDevice(m_library);
    if (result != fm::DeviceStart::Started) {
        if (reportFailure) {
            tunaro::OpenDialogs::Scope scope(m_dialogs, m_hWnd, true);
            if (result == fm::DeviceStart::NoCard)
                MessageBoxA(m_hWnd,
                            g.Text("Cannot find any card, Please check driver setup success!",
                                   "找不到任何卡，请检查驱动程序是否安装成功！"),
                            g.Text("Error", "错误"), MB_OK | MB_ICONERROR);
            else
                MessageBoxA(m_hWnd,
                            g.Text("Set FM mode fail, Please check driver setup success!",
                                   "设置FM模式失败，请检查驱动程序是否安装成功！"),
                            g.Text("Error", "错误"), MB_OK | MB_ICONERROR);
        }
        if (m_library.Loaded() && result == fm::DeviceStart::FmModeRefused) {
            m_library.StopDevice();
            m_library.CoUninitialize();
        }
        return false;
    }
    m_nStationCount = m_library.GetChannelListSize();
    if (m_nStationCount <= 0)
        m_library.SetFrequency(-1, fm::kFirstStartFrequency);
    m_boDeviceRunning = true;
    // The station of the last run; a list shorter than it starts on the first station.
    if (!SelectStation(m_nCurrent)) {
        if (!SelectStation(0))
            ShowFrequency(fm::kFirstStartFrequency, kYellow);
    }
    m_library.AudioMute(m_boUserMute ? 1 : 0);
    return true;
}

void CFmDlg::StopDevice() {
    m_library.StopDevice();
    m_library.CoUninitialize();
    m_boDeviceRunning = false;
}

bool CFmDlg::SelectStation(int index) {
    if (!fm::ValidStation(index, m_nStationCount))
        return false;
    const int previous = m_nCurrent;
    m_library.AudioMute(1);
    m_library.SetCurrentChannel(index);
    if (!m_boUserMute)
        m_library.AudioMute(0);
    m_nPrevious = previous;
    m_nCurrent = index;
    ShowFrequency(m_library.GetFrequency(index), kYellow);
    return true;
}

bool CFmDlg::StationCommandsAllowed() const {
    return m_boDeviceRunning && !m_boRecording && !m_boScanning && m_nStationCount > 0;
}

void CFmDlg::OnDigit(UINT id) {
    if (StationCommandsAllowed())
        SelectStation(static_cast<int>(id) - IDC_DIGIT_0);
}

void CFmDlg::OnChannelUp() {
    if (StationCommandsAllowed())
        SelectStation(fm::NextStation(m_nCurrent, m_nStationCount));
}

void CFmDlg::OnChannelDown() {
    if (StationCommandsAllowed())
        SelectStation(fm::PreviousStation(m_nCurrent, m_nStationCount));
}

void CFmDlg::OnLastChannel() {
    if (StationCommandsAllowed())
        SelectStation(m_nPrevious);
}

void CFmDlg::OnFreqUp() {
    FineTune(fm::kFineTuneStep);
}

void CFmDlg::OnFreqDown() {
    FineTune(-fm::kFineTuneStep);
}

void CFmDlg::FineTune(long step) {
    if (m_boRecording || m_boScanning || !m_boDeviceRunning)
        return;
    if (!fm::ValidStation(m_nCurrent, m_nStationCount))
        return;
    const long frequency = m_library.GetFrequency(m_nCurrent) + step;
    m_library.SetFrequency(m_nCurrent, frequency);
    ShowFrequency(frequency, kYellow);
}

void CFmDlg::OnMute() {
    m_boUserMute = !m_boUserMute;
    if (m_volume) {
        if (m_boUserMute)
            m_volume->Mute();
        else
            m_volume->Unmute();
    }
    SetMuteLook(m_boUserMute);
}

void CFmDlg::OnScan() {
    if (m_boRecording)
        return;
    const int sense = static_cast<int>(m_settings.lSense);
    if (!m_boScanning) {
        if (!m_boDeviceRunning)
            return; // the card is away while a file plays
        SetTimer(m_hWnd, TIMER_SCAN, kSecond, nullptr);
        ShowMode("Auto Scan", "自动搜台");
        m_boScanning = true;
        m_nStationCount = 0;
        return;
    }
    KillTimer(m_hWnd, TIMER_SCAN);
    m_frequencyText.SetTextColor(kYellow);
    ShowMode("FM Radio", "调频广播");
    m_library.FMScanTuner(sense, 1);
    m_nStationCount = m_library.GetChannelListSize();
    m_boScanning = false;
    // A stopped scan ends on the last station it found.
    SelectStation(m_nStationCount - 1);
}

void CFmDlg::OnScanTimer() {
    if (!m_boScanning) {
        KillTimer(m_hWnd, TIMER_SCAN);
        return;
    }
    const fm::CaptureLibrary::ScanStep step = m_library.FMScanTuner(static_cast<int>(m_settings.lSense), 0);
    if (step.done) {
        KillTimer(m_hWnd, TIMER_SCAN);
        m_boScanning = false;
        ShowMode("FM Radio", "调频广播");
        m_nStationCount = m_library.GetChannelListSize();
        // A finished scan listens to its first station.
        m_nCurrent = 0;
        if (!SelectStation(0))
            m_frequencyText.SetTextColor(kYellow);
        return;
    }
    if (step.found)
        ++m_nStationCount;
    ShowFrequency(step.frequency, step.found ? kRed : kYellow);
}

// ---- recording --------------------------------------------------------------------------------

void CFmDlg::OnRecord() {
    if (!m_boDeviceRunning || m_boScanning)
        return;
    if (m_boRecording)
        StopRecording();
    else
        StartRecording(LocalTimeText("%Y%m%d-%H%M%S"));
}

void CFmDlg::StartRecording(const std::string& name) {
    m_nRecordingType = m_settings.lRecordType == fm::kRecordWma ? fm::kRecordWma : fm::kRecordMp3;
    const std::string path = fm::RecordingPath(m_settings.strRecordPath, name, m_nRecordingType);
    SetRecordLook(true);
    if (m_nRecordingType == fm::kRecordWma)
        m_library.StartCaptureAudioWMA(path.c_str());
    else
        m_library.StartCapureMP3(path.c_str());
    ShowMode("Recording", "正在录音");
    m_dwRecordStart = GetTickCount();
    SetTimer(m_hWnd, TIMER_ELAPSED, kSecond, nullptr);
    KillTimer(m_hWnd, TIMER_CLOCK);
    m_clockText.SetTextColor(kPurple);
    m_clockText.SetText(fm::ClockText(0).c_str());
    EnableStationButtons(false);
    EnablePlaybackButtons(false);
    m_boRecording = true;
}

void CFmDlg::StopRecording() {
    SetRecordLook(false);
    if (m_nRecordingType == fm::kRecordWma)
        m_library.StopCaptureAudioWMA();
    else
        m_library.StopCapureMP3();
    KillTimer(m_hWnd, TIMER_ELAPSED);
    ShowMode("FM Radio", "调频广播");
    SetTimer(m_hWnd, TIMER_CLOCK, kSecond, nullptr);
    m_clockText.SetTextColor(kYellow);
    m_clockText.SetText(LocalTimeText("%H:%M:%S").c_str());
    EnableStationButtons(true);
    EnablePlaybackButtons(true);
    m_boRecording = false;
}

void CFmDlg::OnStopRecord() {
    if (m_boRecording)
        SendMessage(WM_COMMAND, MAKEWPARAM(IDC_RECORD, 0), 0);
    else if (m_nPlaybackState != -1)
        SendMessage(WM_COMMAND, MAKEWPARAM(IDC_STOP_PLAY, 0), 0);
}

void CFmDlg::OnTimedRecordingTimer() {
    if (m_boScanning || m_timed.empty())
        return;
    const std::size_t before = m_timed.size();
    const fm::TimedDecision decision = fm::CheckTimedRecordings(m_timed, NowSeconds(), m_boRecording);
    switch (decision.action) {
    case fm::TimedAction::Start:
        if (!m_boDeviceRunning)
            break; // a file plays: the card is not ours now
        SelectStation(decision.entry.channel);
        StartRecording(decision.entry.fileName);
        break;
    case fm::TimedAction::Stop:
        StopRecording();
        break;
    case fm::TimedAction::None:
        break;
    }
    if (decision.dropped > 0)
        tunaro::DebugPrint("Tunaro FM: %d timed recording(s) passed unrecorded and left the list, Line=%ld\n",
                           decision.dropped, static_cast<long>(__LINE__));
    if (m_timed.size() != before && !fm::SaveRecordList(Globals().strRecordList, m_timed))
        tunaro::DebugPrint("Tunaro FM: the timed-recording list could not be written, Line=%ld\n",
                           static_cast<long>(__LINE__));
}

// ---- playback ---------------------------------------------------------------------------------

void CFmDlg::OnOpenFile() {
    if (m_boRecording || m_boScanning)
        return;
    const FmGlobals& g = Globals();
    std::string path;
    path.swap(m_strQuickPlayPath);
    if (path.empty()) {
        char file[MAX_PATH] = {};
        const char kFilter[] = "*.MP3;*.WMA\0*.MP3;*.WMA\0\0";
        const char kFilterChinese[] = "录音文件 (*.MP3;*.WMA)\0*.MP3;*.WMA\0\0";
        OPENFILENAMEA ofn = {};
        ofn.lStructSize = sizeof ofn;
        ofn.hwndOwner = m_hWnd;
        ofn.lpstrFilter = g.Chinese() ? kFilterChinese : kFilter;
        ofn.lpstrFile = file;
        ofn.nMaxFile = sizeof file;
        ofn.lpstrInitialDir = m_settings.strRecordPath.c_str();
        ofn.lpstrDefExt = "avi";
        ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
        bool chosen = false;
        {
            tunaro::OpenDialogs::Scope scope(m_dialogs, m_hWnd, true);
            chosen = GetOpenFileNameA(&ofn) != FALSE;
        }
        if (!chosen || m_dialogs.CommandWaiting())
            return;
        path = file;
    }
    if (m_boDeviceRunning)
        StopDevice();
    if (m_nPlaybackState != -1) {
        KillTimer(m_hWnd, TIMER_PLAYBACK);
        m_deck.Close();
    }
    ShowMode("Playing", "正在播放");
    m_deck.Open(path.c_str(), m_hWnd);
    // Opening only readies the file; playing starts it.
    m_deck.Run();
    m_nPlaybackState = 0;
    m_lDurationSeconds = fm::SecondsOfUnits(m_deck.Duration());
    m_frequencyText.SetTextColor(kYellow);
    m_frequencyText.SetText(fm::PlaybackText(0, m_lDurationSeconds).c_str());
    SetTimer(m_hWnd, TIMER_PLAYBACK, kSecond, nullptr);
    ShowPlaybackSet(true);
}

void CFmDlg::OnPlaybackTimer() {
    if (m_nPlaybackState == -1)
        return;
    const long position = fm::SecondsOfUnits(m_deck.Position());
    if (position < m_lDurationSeconds) {
        m_frequencyText.SetText(fm::PlaybackText(position, m_lDurationSeconds).c_str());
        return;
    }
    // The end: back to the start, ready to play again.
    m_deck.Pause();
    m_deck.Seek(0);
    m_frequencyText.SetText(Globals().Text("Play Finish", "播放完毕"));
    m_deck.Run();
    m_nPlaybackState = 0;
}

void CFmDlg::OnPlay() {
    if (m_nPlaybackState == 1) {
        m_deck.Run();
        m_nPlaybackState = 0;
    }
}

void CFmDlg::OnPause() {
    if (m_nPlaybackState == 0) {
        m_deck.Run();
        m_deck.Pause();
        m_nPlaybackState = 1;
    }
}

void CFmDlg::OnStopPlay() {
    if (m_nPlaybackState == -1)
        return;
    KillTimer(m_hWnd, TIMER_PLAYBACK);
    m_deck.Close();
    m_nPlaybackState = -1;
    ShowMode("FM Radio", "调频广播");
    ShowPlaybackSet(false);
    if (!m_boDeviceRunning)
        StartDevice(true);
}

void CFmDlg::OnQuickPlay() {
    if (m_boRecording || m_boScanning)
        return;
    if (m_nPlaybackState == 1) {
        SendMessage(WM_COMMAND, MAKEWPARAM(IDC_PLAY, 0), 0);
        return;
    }
    const std::string dir = m_settings.strRecordPath;
    WIN32_FIND_DATAA found = {};
    tunaro::FindHandle find(FindFirstFileA((dir + "\\*.*").c_str(), &found));
    if (!find.valid())
        return;
    std::string latest;
    FILETIME latestTime = {};
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        if (!fm::IsRecordingFileName(found.cFileName))
            continue;
        if (latest.empty() || CompareFileTime(&found.ftCreationTime, &latestTime) > 0) {
            latest = found.cFileName;
            latestTime = found.ftCreationTime;
        }
    } while (FindNextFileA(find.get(), &found));
    if (latest.empty())
        return;
    m_strQuickPlayPath = dir + "\\" + latest;
    OnOpenFile();
}
