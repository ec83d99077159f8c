// Recording and playback from the control panel. A recording is written under the time it
// started and named when it stops: by the user in the name dialog, or automatically by the stop
// time and its length. A start the engine refuses leaves the panel idle and no file behind; a
// name that cannot be given leaves the recording where it was written, and the user is told.
// Movies play in the video window through FilmDeck.dll while live TV rests.
#include "tv/app/panel_recording.h"

#include <commdlg.h>
#include <evcode.h>

#include <iterator>

#include <vector>

#include "engine/card_rules.h"
#include "engine/engine_report.h"
#include "engine/recording_repair.h"
#include "framework/application.h"
#include "framework/debug_print.h"
#include "framework/format.h"
#include "framework/peer_messages.h"
#include "framework/recording_report.h"
#include "res/tunaro/resource.h"
#include "tv/app/tunaro_app.h"
#include "tv/app/control_panel.h"
#include "framework/ini_file.h"
#include "tv/dialogs/file_name_dlg.h"
#include "tv/profile_ini.h"
#include "tv/recording_names.h"

namespace tunaro {

namespace {

constexpr DWORD kFirstSecondMs = 1000;
constexpr DWORD kBackToTvPauseMs = 200;
constexpr long kSeekStepSeconds = 5;
constexpr int64_t kUnitsPerSecond = 10000000; // 100-ns units
// Seconds from 1601-01-01 (FILETIME) to 1970-01-01 (time_t).
constexpr int64_t kFileTimeToUnixSeconds = 11644473600ll;
// Less room than this on the recording's disk after a failed write: the disk is full.
constexpr ULONGLONG kDiskFullBytes = 1024 * 1024;
constexpr const char* kMarkerFile = "\\Recording.ini";
constexpr const char* kMarkerSection = "Recording";

// What the player disables while a movie is open, and its own keys.
constexpr int kDisabledWhilePlaying[] = {IDC_DISPLAY_PANEL, IDC_CHANNEL_EDIT, IDC_COLOR,  IDC_RECORD_SETTING,
                                         IDC_RECORD_TYPE,   IDC_SETTING,      IDC_RECORD, IDC_AUTOSCAN,
                                         IDC_TV_WALL,       IDC_SNAPSHOT};
constexpr int kPlayerKeys[] = {IDC_PAUSE, IDC_BACK, IDC_FORWARD, IDC_PLAY, IDC_TV};

bool FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Whether the disk of a file has no room left for a recording to go on.
bool DiskFull(const std::string& file) {
    const size_t slash = file.find_last_of('\\');
    const std::string directory = slash == std::string::npos ? file : file.substr(0, slash + 1);
    ULARGE_INTEGER available = {};
    return GetDiskFreeSpaceExA(directory.c_str(), &available, nullptr, nullptr) &&
           available.QuadPart < kDiskFullBytes;
}

std::string SystemErrorText(DWORD error) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string result = length && text ? std::string(text, length) : Format("error %lu", error);
    if (text)
        LocalFree(text);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == ' '))
        result.pop_back();
    return result;
}

// path itself when nothing has that name yet, else the first of "name (2).ext", "name (3).ext",
// ... that is free: two recordings that end within the same second keep both their files.
std::string FreeName(const std::string& path) {
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return path;
    const size_t slash = path.find_last_of('\\');
    const size_t dot = path.find_last_of('.');
    const size_t cut =
        dot != std::string::npos && (slash == std::string::npos || dot > slash) ? dot : path.size();
    for (int n = 2; n < 1000; ++n) {
        const std::string candidate = path.substr(0, cut) + Format(" (%d)", n) + path.substr(cut);
        if (GetFileAttributesA(candidate.c_str()) == INVALID_FILE_ATTRIBUTES)
            return candidate;
    }
    return path; // the rename then fails and the user is told where the recording stays
}

void EnableIds(HWND panel, const int* ids, size_t count, bool enable) {
    for (size_t i = 0; i < count; ++i)
        if (HWND item = GetDlgItem(panel, ids[i]))
            EnableWindow(item, enable ? TRUE : FALSE);
}

// While the engine starts a recording, its reports are kept: a failed start then shows them in
// one message of the panel; after a good start they go on to the reporter that was there.
class KeptReports : public EngineReporter {
public:
    KeptReports() : m_previous(SetEngineReporter(this)) {}
    ~KeptReports() override { Restore(); }
    KeptReports(const KeptReports&) = delete;
    KeptReports& operator=(const KeptReports&) = delete;

    void Report(ReportKind kind, const std::string& text) override { m_reports.push_back({kind, text}); }
    // Puts the previous reporter back; pass: hand the kept reports to it.
    void Restore(bool pass = false) {
        if (m_restored)
            return;
        m_restored = true;
        SetEngineReporter(m_previous == this ? nullptr : m_previous);
        if (pass)
            for (const Kept& k : m_reports)
                CurrentEngineReporter().Report(k.kind, k.text);
    }
    std::string Texts() const {
        std::string all;
        for (const Kept& k : m_reports)
            all += (all.empty() ? "" : "\n") + k.text;
        return all;
    }

private:
    struct Kept {
        ReportKind kind;
        std::string text;
    };
    EngineReporter* m_previous;
    std::vector<Kept> m_reports;
    bool m_restored = false;
};

} // namespace

// ---- recording -------------------------------------------------------------------------------

void PanelRecording::OnRecord() {
    if (m_state.tvWall)
        return;
    // A recording starts from live TV: a paused picture gives way first.
    m_panel.EndTimeShift();
    if (FirstSecondLeftMs() != 0)
        return;
    if (!m_state.recording) {
        // Live TV rests while a movie plays: there is no picture to record.
        if (!m_state.PlaybackOpen())
            StartRecording();
        return;
    }
    // The stop itself never waits for a dialog: the file is complete (and, when asked, named)
    // before anything else happens.
    AcceleratorSuspension suspension;
    // How this recording ends is settled before the stop tells the scheduler: while the panel
    // waits on that message the scheduler may already hand over its next order, whose own
    // marks must not be cleared here.
    const bool bySchedule = m_state.schedulerStarted;
    const bool autoName = m_state.autoName;
    m_state.schedulerStarted = false;
    m_state.autoName = false;
    const std::string stopped = StopRecording(bySchedule || autoName, bySchedule);
    if (bySchedule) {
        SendToScheduler(peer::kScheduleTaskOver);
    } else if (!autoName) {
        AskNameOrDelete(stopped);
    }
}

DWORD PanelRecording::FirstSecondLeftMs() {
    // The first second after the start belongs to the start itself (and before the panel's
    // initialisation noted the start, the program has not started yet).
    const DWORD started = Globals().startTick;
    if (started == 0)
        return kFirstSecondMs;
    const DWORD passed = GetTickCount() - started;
    return passed < kFirstSecondMs ? kFirstSecondMs - passed : 0;
}

void PanelRecording::OnQuickRecord() {
    if (!m_state.previewOn || m_state.desktopMode || m_state.scanning || m_state.tvWall)
        return;
    m_panel.EndTimeShift();
    if (!m_state.recording)
        m_state.autoName = true;
    OnRecord();
    if (!m_state.recording)
        m_state.autoName = false; // nothing started: the next recording is named as usual
}

int PanelRecording::StartEngine(const std::string& file) {
    CaptureEngine* engine = m_panel.Engine();
    if (!engine)
        return 0;
    const long code = m_state.settings.lRecordType;
    const bool small = ReadImageFormat(ProfileIni(Globals().paths.strTunaroIni)) != 0;
    const long width = small ? 320 : 352;
    const long height = small ? 240 : 288;
    switch (code) {
    case kRecordDvd:
        // The 2388x card with its own encoder records DVD in hardware.
        if (Globals().CardType() == kCardCx2388x)
            return engine->StartCaptureHardwareMPEG(file.c_str());
        return engine->StartCaptureMPEG(file.c_str(), 0);
    case kRecordVcd:
        return engine->StartCaptureMPEG(file.c_str(), 1);
    case kRecordMpeg4Avi:
        return engine->StartCaptureMPG4(file.c_str(), 1, width, height);
    case kRecordAvi:
        return engine->StartCaptureAVI(file.c_str(), 1, width, height);
    case kRecordMp3:
        return engine->StartCapureMP3(file.c_str());
    case kRecordWmv:
        return engine->StartCaptureWM(file.c_str(), 0);
    case kRecordSvcd:
        return engine->StartCaptureMPEG(file.c_str(), 6);
    case kRecordWma:
        return engine->StartCaptureWM(file.c_str(), 1);
    default:
        ErrorReport("Record format %ld is not one of the eight record formats", code);
        return 0;
    }
}

std::string PanelRecording::MarkerPath() {
    return Globals().paths.strProgramDir + kMarkerFile;
}

void PanelRecording::RecoverInterrupted() {
    const std::string marker = MarkerPath();
    if (!FileExists(marker))
        return;
    const ProfileIni ini(marker);
    const std::string file = ini.ReadString(kMarkerSection, "File", "", MAX_PATH);
    const time_t start = static_cast<time_t>(ini.ReadInt(kMarkerSection, "Start", 0));
    const long code = ini.ReadInt(kMarkerSection, "Format", kRecordDvd);
    DeleteFileA(marker.c_str());
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (file.empty() || !GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data))
        return;
    const RecordingRepairReport repair = RepairRecording(file);
    // The last write is when the recording stopped.
    const int64_t written =
        ((int64_t(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime) /
            kUnitsPerSecond -
        kFileTimeToUnixSeconds;
    const time_t stop = static_cast<time_t>(written);
    const long seconds = stop > start && start > 0 ? static_cast<long>(stop - start) : 0;
    const size_t slash = file.find_last_of('\\');
    const std::string directory = slash == std::string::npos ? std::string() : file.substr(0, slash);
    const std::string target = FreeName(AutoFileName(directory, stop, seconds, code));
    std::string whyNot;
    m_state.interruptedRecording = RenameRecording(file, target, &whyNot) ? target : file;
    m_lInterruptedSeconds = seconds;
    TUNARO_TRACE(
        "Tunaro: the recording %s interrupted at the last run is kept as %s (repair %d, %lu bytes cut)",
        file.c_str(), m_state.interruptedRecording.c_str(), static_cast<int>(repair.result),
        static_cast<unsigned long>(repair.cutBytes));
}

bool PanelRecording::StartRecording() {
    const TvGlobals& g = Globals();
    const long code = m_state.settings.lRecordType;
    std::string file = StartFileName(m_state.settings.strVideoPath, time(nullptr), code);
    // The rest of a recording the last run left unfinished goes beside it, under its name; the
    // scheduler hears of the first part before the second begins.
    m_boKeepName = false;
    if (m_state.continuing && !m_state.interruptedRecording.empty()) {
        RecordingReport first;
        first.file = m_state.interruptedRecording;
        first.lengthSeconds = m_lInterruptedSeconds;
        first.end = RecordingEnd::Interrupted;
        ReportRecordingToScheduler(first);
        file = FreeName(ContinuedFileName(m_state.interruptedRecording, code));
        m_boKeepName = true;
        m_state.interruptedRecording.clear();
    }
    m_state.continuing = false;
    m_state.recordingNotice.clear();
    const bool existed = FileExists(file);
    KeptReports reports;
    const int started = StartEngine(file);
    if (started != 1) {
        reports.Restore();
        // Nothing of the failed start stays behind.
        if (!existed && FileExists(file))
            DeleteFileA(file.c_str());
        m_state.autoName = false;
        std::string why = reports.Texts();
        if (why.empty())
            why = g.Text("The capture engine gave no reason.", "采集引擎没有给出原因。");
        const std::string message =
            Format(g.Text("The recording could not be started:\n%s", "无法开始录像:\n%s"), why.c_str());
        ::MessageBoxA(m_panel.GetHwnd(), message.c_str(), g.app.strTitle.c_str(), MB_OK | MB_ICONERROR);
        return false;
    }
    reports.Restore(true);

    m_strRecordingFile = file;
    m_lRecordingFormat = code;
    m_state.recording = true;
    m_state.recordStart = time(nullptr);
    if (CaptureEngine* engine = m_panel.Engine())
        engine->SetMessageDrain(m_panel.VideoWindow());
    EnableWindow(GetDlgItem(m_panel.GetHwnd(), IDC_SNAPSHOT), FALSE);
    m_panel.SetRecordLook(true);
    SendToScheduler(peer::kScheduleRecordingStarted);
    m_panel.LockPanel(false);
    // Noted until the stop: a run that ends without one leaves the note to the next start.
    if (!WriteProfileValues(MarkerPath(),
                            {{kMarkerSection, "File", file},
                             {kMarkerSection, "Start", Format("%ld", static_cast<long>(m_state.recordStart))},
                             {kMarkerSection, "Format", Format("%ld", code)}}))
        TUNARO_TRACE("Tunaro: the running recording could not be noted in %s", MarkerPath().c_str());
    TUNARO_TRACE("Tunaro: recording to %s", file.c_str());
    return true;
}

std::string PanelRecording::StopRecording(bool nameNow, bool bySchedule, const RecordingEnd* brokenEnd) {
    const std::string file = m_strRecordingFile;
    long delivered = 0;
    long dropped = 0;
    if (tunaro::CaptureEngine* engine = m_panel.Engine()) {
        // Counted up to the stop; the stop ends the count.
        if (engine->GetCaptureFrameCounts(&delivered, &dropped) != tunaro::kEngineOk)
            dropped = 0;
        if (m_lRecordingFormat == tunaro::kRecordMp3)
            engine->StopCapureMP3();
        else
            engine->StopCapture();
        engine->SetMessageDrain(m_panel.VideoWindow());
    }
    const time_t stop = time(nullptr);
    const long seconds = static_cast<long>(difftime(stop, m_state.recordStart));
    std::string named = file;
    std::string target;
    std::string whyNot;
    if (nameNow) {
        target =
            m_boKeepName
                ? file
                : FreeName(AutoFileName(m_state.settings.strVideoPath, stop, seconds, m_lRecordingFormat));
        if (RenameRecording(file, target, &whyNot))
            named = target;
    }
    m_boKeepName = false;
    DeleteFileA(MarkerPath().c_str());

    m_state.recording = false;
    m_strRecordingFile.clear();
    EnableWindow(GetDlgItem(m_panel.GetHwnd(), IDC_SNAPSHOT), TRUE);
    m_panel.UnlockPanel();
    m_panel.SetRecordLook(false);
    SendToScheduler(tunaro::peer::kScheduleRecordingStopped);
    tunaro::RecordingReport report;
    report.file = named;
    report.lengthSeconds = seconds;
    report.picturesDropped = dropped;
    report.end = brokenEnd    ? *brokenEnd
                 : bySchedule ? tunaro::RecordingEnd::Order
                              : tunaro::RecordingEnd::InTv;
    ReportRecordingToScheduler(report);
    // Told once the stop is complete, so nobody waits on the message.
    if (named != target && nameNow)
        TellNotNamed(file, target, whyNot);
    return named;
}

void PanelRecording::OnGraphEvents() {
    CaptureEngine* engine = m_panel.Engine();
    if (!engine)
        return;
    long code = 0;
    LONG_PTR param = 0;
    while (engine->NextGraphEvent(&code, &param)) {
        if (!m_state.recording)
            continue;
        if (code == EC_DEVICE_LOST) {
            BreakOff(RecordingEnd::CardRemoved);
        } else if (code == EC_ERRORABORT || code == EC_STREAM_ERROR_STOPPED) {
            const HRESULT hr = static_cast<HRESULT>(param);
            BreakOff(hr == HRESULT_FROM_WIN32(ERROR_DISK_FULL) ||
                             hr == HRESULT_FROM_WIN32(ERROR_HANDLE_DISK_FULL) || DiskFull(m_strRecordingFile)
                         ? RecordingEnd::DiskFull
                         : RecordingEnd::Failed);
        }
    }
}

void PanelRecording::OnCardRemoved() {
    if (m_state.recording)
        BreakOff(RecordingEnd::CardRemoved);
}

void PanelRecording::BreakOff(RecordingEnd why) {
    const TvGlobals& g = Globals();
    const bool bySchedule = m_state.schedulerStarted;
    m_state.schedulerStarted = false;
    m_state.autoName = false;
    TUNARO_TRACE("Tunaro: the recording to %s broke off (%d)", m_strRecordingFile.c_str(),
                 static_cast<int>(why));
    // Named by its stop time: nobody is asked for a name while something went wrong.
    const std::string file = StopRecording(true, bySchedule, &why);
    // What reached the disk is finished as the writer could not finish it.
    const RecordingRepairReport repair = RepairRecording(file);
    TUNARO_TRACE("Tunaro: %s finished (%d), %lu bytes cut", file.c_str(), static_cast<int>(repair.result),
                 static_cast<unsigned long>(repair.cutBytes));
    const char* english = why == RecordingEnd::DiskFull      ? "the disk is full"
                          : why == RecordingEnd::CardRemoved ? "the card was removed"
                                                             : "the recording failed";
    const char* chinese = why == RecordingEnd::DiskFull      ? "磁盘已满"
                          : why == RecordingEnd::CardRemoved ? "采集卡已被移除"
                                                             : "录像出错";
    m_state.recordingNotice =
        g.Chinese() ? std::string("录像已停止：") + chinese : std::string("Recording stopped: ") + english;
    m_panel.ShowStatusText(m_state.recordingNotice);
    if (bySchedule) {
        SendToScheduler(peer::kScheduleTaskOver);
        return;
    }
    const std::string englishWhy = Format("The recording stopped: %s.", english);
    const std::string chineseWhy = Format("录像已停止：%s。", chinese);
    TellKept(file, englishWhy.c_str(), chineseWhy.c_str());
}

bool PanelRecording::RenameRecording(const std::string& file, const std::string& target,
                                     std::string* whyNot) {
    if (target == file)
        return true;
    if (MoveFileExA(file.c_str(), target.c_str(), MOVEFILE_COPY_ALLOWED)) {
        TUNARO_TRACE("Tunaro: recording named %s", target.c_str());
        return true;
    }
    *whyNot = SystemErrorText(GetLastError());
    return false;
}

void PanelRecording::TellNotNamed(const std::string& file, const std::string& target,
                                  const std::string& why) {
    const std::string english = Format("It could not be named %s (%s).", target.c_str(), why.c_str());
    const std::string chinese = Format("无法命名为 %s (%s)。", target.c_str(), why.c_str());
    TellKept(file, english.c_str(), chinese.c_str());
}

void PanelRecording::AskNameOrDelete(const std::string& file) {
    const TvGlobals& g = Globals();
    const long code = m_lRecordingFormat; // a recording started meanwhile has its own
    bool asked = false;
    int answer = IDCANCEL;
    std::string name;
    m_panel.RunPanelDialog(true, [&] {
        asked = true;
        CFileNameDlg dialog(g.language, g.app.strTitle);
        answer = static_cast<int>(dialog.DoModal(m_panel.GetHwnd()));
        name = dialog.Name();
    });
    if (!asked) {
        // Another of the panel's dialogs is open: nobody can be asked, and nothing is thrown away.
        TellKept(file, "The name dialog could not be opened while another dialog is open.",
                 "另一个对话框正在打开, 无法输入文件名。");
        return;
    }
    if (answer == IDOK) {
        const std::string target = NamedFileName(m_state.settings.strVideoPath, name, code);
        std::string whyNot;
        if (!RenameRecording(file, target, &whyNot))
            TellNotNamed(file, target, whyNot);
        return;
    }
    if (DeleteFileA(file.c_str()) || !FileExists(file))
        return;
    const std::string why = SystemErrorText(GetLastError());
    const std::string english = Format("It could not be deleted (%s).", why.c_str());
    const std::string chinese = Format("无法删除 (%s)。", why.c_str());
    TellKept(file, english.c_str(), chinese.c_str());
}

void PanelRecording::TellKept(const std::string& file, const char* englishWhy, const char* chineseWhy) {
    const TvGlobals& g = Globals();
    const std::string message = Format(g.Text("The recording is kept as\n%s\n%s", "录像文件保存在\n%s\n%s"),
                                       file.c_str(), g.Text(englishWhy, chineseWhy));
    ::MessageBoxA(m_panel.GetHwnd(), message.c_str(), g.app.strTitle.c_str(), MB_OK | MB_ICONWARNING);
}
// ---- playback --------------------------------------------------------------------------------

std::string PanelRecording::ChooseMovieFile(bool quick) {
    const std::string& directory = m_state.settings.strVideoPath;
    if (quick) {
        // The newest entry of the video directory.
        WIN32_FIND_DATAA found = {};
        HANDLE search = FindFirstFileA(JoinDirectory(directory, "*.*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            return std::string();
        std::string newest;
        FILETIME newestTime = {};
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == ".." || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                continue;
            if (newest.empty() || CompareFileTime(&found.ftCreationTime, &newestTime) > 0) {
                newest = name;
                newestTime = found.ftCreationTime;
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
        return newest.empty() ? std::string() : JoinDirectory(directory, newest);
    }
    const TvGlobals& g = Globals();
    char path[MAX_PATH] = "";
    // The filter's pairs: label, patterns; ends with an empty pair.
    static const char kEnglishFilter[] = "movie file(*.avi;*.mpg;*.mpeg)\0*.avi;*.mpg;*.mpeg;*.WMV\0\0";
    static const char kChineseFilter[] = "影音文件(*.avi;*.mpg;*.mpeg)\0*.avi;*.mpg;*.mpeg;*.WMV\0\0";
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = m_panel.GetHwnd();
    ofn.lpstrFilter = g.Chinese() ? kChineseFilter : kEnglishFilter;
    ofn.lpstrFile = path;
    ofn.nMaxFile = sizeof path;
    ofn.lpstrInitialDir = directory.c_str();
    ofn.lpstrDefExt = "*.avi";
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    std::string chosen;
    m_panel.RunPanelDialog(true, [&] {
        if (GetOpenFileNameA(&ofn))
            chosen = path;
    });
    return chosen;
}

void PanelRecording::OnQuickPlay() {
    m_state.quickPlay = true;
    SendMessageA(m_panel.GetHwnd(), WM_COMMAND, MAKEWPARAM(IDC_OPEN_FILE, 0), 0);
}

void PanelRecording::OnOpenFile() {
    if (m_state.recording || m_state.scanning || m_state.desktopMode || m_state.tvWall)
        return;
    HWND panel = m_panel.GetHwnd();
    if (m_state.quickPlay && m_state.PlaybackOpen()) {
        // Quick play with a movie open plays that movie; the request is answered.
        m_state.quickPlay = false;
        SendMessageA(panel, WM_COMMAND, MAKEWPARAM(IDC_PLAY, 0), 0);
        return;
    }
    const std::string path = ChooseMovieFile(m_state.quickPlay);
    if (path.empty())
        return; // a quick-play request waits for a file or the TV key
    m_state.quickPlay = false;
    if (m_state.previewOn)
        m_panel.StopPreview();
    const TvGlobals& g = Globals();
    HWND video = m_panel.VideoWindow();
    m_deck.Load();
    m_deck.Close();
    m_state.playbackState = -1;
    if (!m_deck.Open(video, path.c_str())) {
        ::MessageBoxA(panel,
                      g.Text("Selected file is error，Please select again!", "所选文件有误，请重新选择!"),
                      g.app.strTitle.c_str(), MB_OK | MB_ICONERROR);
        m_deck.Close();
        // Live TV comes back with the TV key.
        EnableWindow(GetDlgItem(panel, IDC_TV), TRUE);
        return;
    }
    EnableIds(panel, kDisabledWhilePlaying, std::size(kDisabledWhilePlaying), false);
    EnableIds(panel, kPlayerKeys, std::size(kPlayerKeys), true);
    if (video) {
        SetWindowLongPtrA(video, GWL_STYLE,
                          GetWindowLongPtrA(video, GWL_STYLE) | WS_CLIPCHILDREN | WS_CLIPSIBLINGS);
        m_deck.SetOwner(video);
        OnVideoWindowSized();
        UpdateWindow(video);
    }
    m_strPlaybackFile = path;
    m_state.playbackState = 0;
    m_lDurationSeconds = static_cast<long>(m_deck.Duration() / 10000 / 1000);
    m_panel.ShowStatusText(Format(g.Text("Playing: 00:00/%ld:%ld", "正在播放: 00:00/%ld:%ld"),
                                  m_lDurationSeconds / 60, m_lDurationSeconds % 60));
    m_deck.Play();
    m_state.playbackState = 1;
}

void PanelRecording::SetPlayerButtons(bool playing) {
    HWND panel = m_panel.GetHwnd();
    EnableWindow(GetDlgItem(panel, IDC_PAUSE), playing ? TRUE : FALSE);
    EnableWindow(GetDlgItem(panel, IDC_PLAY), playing ? FALSE : TRUE);
}

void PanelRecording::OnPlayback(UINT id) {
    HWND panel = m_panel.GetHwnd();
    switch (id) {
    case IDC_PLAY:
        if (!m_state.PlaybackOpen())
            return;
        m_deck.Play();
        m_state.playbackState = 1;
        SetPlayerButtons(true);
        break;
    case IDC_PAUSE:
        if (m_state.playbackState != 1)
            return;
        m_deck.Pause();
        m_state.playbackState = 2;
        SetPlayerButtons(false);
        break;
    case IDC_FORWARD:
        if (!m_state.PlaybackOpen())
            return;
        m_deck.Seek(kSeekStepSeconds);
        if (m_deck.Position() >= m_deck.Duration() && m_state.playbackState == 1) {
            m_deck.Seek(0);
            SendMessageA(panel, WM_COMMAND, MAKEWPARAM(IDC_PLAY, 0), 0);
        }
        break;
    case IDC_BACK:
        if (!m_state.PlaybackOpen())
            return;
        m_deck.Seek(-kSeekStepSeconds);
        if (m_state.playbackState == 1)
            m_deck.Play();
        break;
    case IDC_TV:
        // Back to TV withdraws a quick play that found nothing to play.
        m_state.quickPlay = false;
        BackToTv();
        if (m_state.recording)
            SendMessageA(panel, WM_COMMAND, MAKEWPARAM(IDC_RECORD, 0), 0);
        break;
    default:
        break;
    }
}

void PanelRecording::BackToTv() {
    // A refused file leaves live TV stopped too: TV brings it back either way.
    if (!m_state.PlaybackOpen() && m_state.previewOn)
        return;
    HWND panel = m_panel.GetHwnd();
    m_deck.Close();
    m_state.playbackState = -1;
    m_strPlaybackFile.clear();
    Sleep(kBackToTvPauseMs);
    if (!m_state.previewOn)
        m_panel.StartPreview();
    if (HWND video = m_panel.VideoWindow()) {
        SetWindowLongPtrA(video, GWL_STYLE,
                          GetWindowLongPtrA(video, GWL_STYLE) &
                              ~static_cast<LONG_PTR>(WS_CLIPCHILDREN | WS_CLIPSIBLINGS));
        InvalidateRect(video, nullptr, TRUE);
    }
    EnableIds(panel, kDisabledWhilePlaying, std::size(kDisabledWhilePlaying), true);
    EnableIds(panel, kPlayerKeys, std::size(kPlayerKeys), false);
    if (HWND scan = GetDlgItem(panel, IDC_AUTOSCAN))
        ShowWindow(scan, SW_SHOW);
}

std::string PanelRecording::PlaybackStatusTick() {
    if (!m_state.PlaybackOpen())
        return std::string();
    const TvGlobals& g = Globals();
    const int64_t duration = m_deck.Duration();
    const int64_t position = m_deck.Position();
    if (position < duration) {
        const long at = static_cast<long>(position / kUnitsPerSecond);
        const long of = static_cast<long>(duration / kUnitsPerSecond);
        return Format(g.Text("play %ld:%ld/%ld:%ld", "播放 %ld:%ld/%ld:%ld"), at / 60, at % 60, of / 60,
                      of % 60);
    }
    if (m_state.playbackState == 1) {
        m_deck.Seek(0);
        SendMessageA(m_panel.GetHwnd(), WM_COMMAND, MAKEWPARAM(IDC_PAUSE, 0), 0);
    }
    return g.Text("Finish", "播放结束");
}

void PanelRecording::OnPanelDestroy() {
    if (m_state.PlaybackOpen())
        m_deck.Close();
    m_state.playbackState = -1;
}

void PanelRecording::OnVideoWindowSized() {
    if (!m_deck.Loaded())
        return;
    HWND video = m_panel.VideoWindow();
    RECT rc = {};
    if (video && GetClientRect(video, &rc))
        m_deck.Place(rc);
}

void PanelRecording::OnFullScreenChanged() {
    if (!m_state.PlaybackOpen())
        return;
    if (HWND video = m_panel.VideoWindow())
        m_deck.SetFullScreenOwner(video);
    OnVideoWindowSized();
}

} // namespace tunaro
