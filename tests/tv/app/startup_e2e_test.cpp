// End-to-end tests of the TV program's start-up and ending with the real Tunaro.exe under the
// prefix: no card, the FM program and the scheduler, the single copy, the language, and the
// files a run leaves behind and a restart reads again.
#include <gtest/gtest.h>

#include <windows.h>

#include <psapi.h>

#include <cctype>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/e2e.h"
#include "framework/peer_messages.h"
#include "res/tunaro/resource.h"

namespace {

constexpr const char* kPanelTitle = "Tunaro";
constexpr DWORD kStartTimeoutMs = 30000;
constexpr DWORD kExitTimeoutMs = 20000;

std::string InstallFile(const char* name) {
    return e2e::InstallDir() + "\\" + name;
}

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The scheduler's Exit command (its tray menu's).
constexpr WORD kSchedulerExit = 32772;

// The process behind a window of another program: its image and its end.
class RunningProcess {
public:
    explicit RunningProcess(HWND window) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        m_process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE | PROCESS_TERMINATE,
                                FALSE, pid);
    }
    ~RunningProcess() {
        if (m_process) {
            if (WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT)
                TerminateProcess(m_process, 1);
            CloseHandle(m_process);
        }
    }
    RunningProcess(const RunningProcess&) = delete;
    RunningProcess& operator=(const RunningProcess&) = delete;

    std::string ImagePath() const {
        char path[MAX_PATH] = {0};
        const DWORD size = m_process ? GetModuleFileNameExA(m_process, nullptr, path, MAX_PATH) : 0;
        return std::string(path, size);
    }
    // Posts the command to the window; true once the process has ended.
    bool EndByCommand(HWND window, WORD command, DWORD timeoutMs) const {
        return m_process && e2e::PostCommand(window, command) &&
               WaitForSingleObject(m_process, timeoutMs) == WAIT_OBJECT_0;
    }

private:
    HANDLE m_process = nullptr;
};

std::optional<std::string> ReadLanguageValue() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Tunaro", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    char value[256] = {0};
    DWORD size = sizeof value - 1;
    DWORD type = 0;
    const LONG rc = RegQueryValueExA(key, "Language", nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS)
        return std::nullopt;
    return std::string(value);
}

// Sets (or with nullopt removes) HKLM\Software\Tunaro "Language".
bool SetLanguageValue(const std::optional<std::string>& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Tunaro", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    LONG rc;
    if (value)
        rc = RegSetValueExA(key, "Language", 0, REG_SZ, reinterpret_cast<const BYTE*>(value->c_str()),
                            static_cast<DWORD>(value->size() + 1));
    else {
        rc = RegDeleteValueA(key, "Language");
        if (rc == ERROR_FILE_NOT_FOUND)
            rc = ERROR_SUCCESS;
    }
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

FILETIME LastWrite(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

bool SameTime(const FILETIME& a, const FILETIME& b) {
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

// Every top-level window with this title, visible or not: process, class, visibility.
std::string DescribeWindows(const char* title) {
    struct Search {
        const char* title;
        std::string out;
    } search{title, ""};
    e2e::ForEachWindow(
        [](HWND w, LPARAM lp) -> BOOL {
            Search* s = reinterpret_cast<Search*>(lp);
            char text[256] = {0}, cls[256] = {0};
            GetWindowTextA(w, text, sizeof text);
            if (strcmp(text, s->title) != 0)
                return TRUE;
            GetClassNameA(w, cls, sizeof cls);
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            s->out += "[pid " + std::to_string(pid) + " class " + cls +
                      (IsWindowVisible(w) ? " visible]" : " hidden]");
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.out;
}

// Whether a shown 640 x 431 window (the splash) of the process exists now.
bool SplashShownBy(DWORD pid) {
    struct Search {
        DWORD pid;
        bool found;
    } search{pid, false};
    e2e::ForEachWindow(
        [](HWND w, LPARAM lp) -> BOOL {
            Search* s = reinterpret_cast<Search*>(lp);
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            RECT rc = {};
            if (owner == s->pid && IsWindowVisible(w) && GetWindowRect(w, &rc) && rc.right - rc.left == 640 &&
                rc.bottom - rc.top == 431)
                s->found = true;
            return !s->found;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The message boxes seen, as "caption: text" lines. A box has its text in static 0xFFFF; the
// panel's own focus sink carries that id too, so windows without any text are not boxes.
std::string MessageBoxes(const e2e::MessageBoxWatcher& watcher) {
    std::string out;
    for (const e2e::SeenMessageBox& box : watcher.Seen())
        if (!box.text.empty())
            out += box.caption + ": " + box.text + "\n";
    return out;
}

bool IsDirectory(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A window titled "Tunaro FM" on its own thread. When the TV program's 1234 arrives, it looks at
// the world while the sender still waits for the answer: is there a panel yet, has the card
// been touched since the stand-in was made.
class FmStandIn {
public:
    FmStandIn() {
        m_cardIni = e2e::SimCardPath();
        m_cardBefore = LastWrite(m_cardIni);
        m_ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        m_thread = CreateThread(nullptr, 0, &FmStandIn::ThreadMain, this, 0, &m_threadId);
        WaitForSingleObject(m_ready, 10000);
    }
    ~FmStandIn() {
        PostThreadMessageA(m_threadId, WM_QUIT, 0, 0);
        WaitForSingleObject(m_thread, 10000);
        CloseHandle(m_thread);
        CloseHandle(m_ready);
    }
    FmStandIn(const FmStandIn&) = delete;
    FmStandIn& operator=(const FmStandIn&) = delete;

    bool WaitForClose(DWORD timeoutMs) const {
        return e2e::WaitUntil([this] { return m_closeCount > 0; }, timeoutMs);
    }
    LONG CloseCount() const { return m_closeCount; }
    LPARAM CloseLParam() const { return m_closeLParam; }
    bool PanelExistedAtClose() const { return m_panelAtClose; }
    bool CardTouchedBeforeClose() const { return m_cardTouchedAtClose; }
    const FILETIME& CardBefore() const { return m_cardBefore; }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        auto* self = reinterpret_cast<FmStandIn*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (msg == WM_NCCREATE) {
            SetWindowLongPtrA(
                hwnd, GWLP_USERDATA,
                reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams));
        } else if (self && msg == WM_COMMAND && LOWORD(wp) == tunaro::peer::kFmCloseForTv) {
            self->m_panelAtClose = FindWindowA(nullptr, kPanelTitle) != nullptr;
            self->m_cardTouchedAtClose = !SameTime(LastWrite(self->m_cardIni), self->m_cardBefore);
            self->m_closeLParam = lp;
            InterlockedIncrement(&self->m_closeCount);
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
    static DWORD WINAPI ThreadMain(void* p) {
        auto* self = static_cast<FmStandIn*>(p);
        WNDCLASSA wc = {};
        wc.lpfnWndProc = &FmStandIn::Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "TvappFmStandIn";
        RegisterClassA(&wc);
        HWND hwnd = CreateWindowExA(0, wc.lpszClassName, "Tunaro FM", WS_OVERLAPPED, 0, 0, 100, 100, nullptr,
                                    nullptr, wc.hInstance, self);
        SetEvent(self->m_ready);
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0)
            DispatchMessageA(&msg);
        DestroyWindow(hwnd);
        return 0;
    }

    std::string m_cardIni;
    FILETIME m_cardBefore = {};
    HANDLE m_ready = nullptr, m_thread = nullptr;
    DWORD m_threadId = 0;
    volatile LONG m_closeCount = 0;
    LPARAM m_closeLParam = -1;
    bool m_panelAtClose = false, m_cardTouchedAtClose = false;
};

// Channels written by hand: a comment, keys in any case, a block without "Chan:", a disabled
// block, "AudioChannels:" and "Check:" inherited, a name with blanks around it.
const char kSeededProgramTxt[] = "; channels of the start-up test\r\n"
                                 "Name: Harbour  ; first\r\n"
                                 "freq: 49750000\r\n"
                                 "Chan: 5\r\n"
                                 "Check:1\r\n"
                                 "NAME: Lotus\r\n"
                                 "Freq: 77250000\r\n"
                                 "Check:0\r\n"
                                 "AudioChannels:1\r\n"
                                 "Name:   Summit News   \r\n"
                                 "Freq: 168250000\r\n"
                                 "Check:1\r\n";

// What the program writes back for them on the SAA7134 family (its audio value is always 0).
const char kRewrittenProgramTxt[] =
    "Name: Harbour\r\nFreq: 49750000\r\nChan: 5\r\nAudioChannels:0\r\nCheck:1\r\n"
    "Name: Lotus\r\nFreq: 77250000\r\nChan: 6\r\nAudioChannels:0\r\nCheck:0\r\n"
    "Name: Summit News\r\nFreq: 168250000\r\nChan: 7\r\nAudioChannels:0\r\nCheck:1\r\n";

std::string TunaroIniText(long standard, long type, long source, long current, long previous,
                          const std::string& image, const std::string& video, long mode) {
    return "[VideoStandard]\r\nvalue=" + std::to_string(standard) +
           "\r\n[RecordType]\r\nType=" + std::to_string(type) +
           "\r\n[VideoSource]\r\nSource=" + std::to_string(source) +
           "\r\n[Channel]\r\nCurrentIndex=" + std::to_string(current) +
           "\r\nPreChannelIndex=" + std::to_string(previous) + "\r\n[CloseComputer]\r\nFlag=0\r\n" +
           "[SavImagePath]\r\nPath=" + image + "\r\n[SavVideoPath]\r\nPath=" + video +
           "\r\n[DisplayMode]\r\nMode=" + std::to_string(mode) + "\r\n";
}

class TunaroStartup : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // The program under test is the one just built (the prefix may hold an older copy).
        CopyFileA((e2e::ExeDir() + "\\Tunaro.exe").c_str(), InstallFile("Tunaro.exe").c_str(), FALSE);
    }

    void SetUp() override {
        ASSERT_TRUE(e2e::FileExists(InstallFile("Tunaro.exe"))) << "Tunaro.exe is not installed";
        ASSERT_TRUE(e2e::WaitForWindowGone(kPanelTitle, 10000)) << "a Tunaro is still running";
        m_tunaroIni = InstallFile("Tunaro.ini");
        m_programTxt = e2e::SystemDir() + "\\program.txt";
        // The files a case changes, put back after it (the installed scheduler in place of a
        // stand-in).
        for (const std::string& path : {m_tunaroIni, m_programTxt, InstallFile("Schedule.exe")})
            m_saved.push_back(std::make_unique<e2e::SavedFile>(path));
        m_savedLanguage = ReadLanguageValue();
        DeleteFileA(m_tunaroIni.c_str());
        DeleteFileA(m_programTxt.c_str());
        DeleteFileA(InstallFile("schedule-started.txt").c_str());
    }

    void TearDown() override {
        for (e2e::Program* p : {&m_first, &m_second})
            if (p->Running())
                p->Kill();
        m_saved.clear();
        SetLanguageValue(m_savedLanguage);
        DeleteFileA(InstallFile("schedule-started.txt").c_str());
    }

    // The scheduler just built, in the program directory (the prefix may hold an older copy).
    void PlaceScheduler() {
        ASSERT_TRUE(CopyFileA((e2e::ExeDir() + "\\Schedule.exe").c_str(), InstallFile("Schedule.exe").c_str(),
                              FALSE));
    }

    void PlaceSchedulerStandIn() {
        ASSERT_TRUE(CopyFileA((e2e::ExeDir() + "\\tvapp_schedule_standin.exe").c_str(),
                              InstallFile("Schedule.exe").c_str(), FALSE));
    }

    bool Start(e2e::Program& program) {
        return program.Start(InstallFile("Tunaro.exe"), "", e2e::InstallDir());
    }

    // The panel once its initialisation is over (it shows only then).
    HWND WaitForPanel() {
        HWND panel = e2e::WaitForWindow(kPanelTitle, kStartTimeoutMs);
        if (!panel)
            return nullptr;
        return e2e::WaitUntil([&] { return IsWindowVisible(panel) != FALSE; }, kStartTimeoutMs) ? panel
                                                                                                : nullptr;
    }

    // Exit as the close button gives it; true when the program ended by itself.
    bool ExitByCommand(e2e::Program& program, HWND panel) {
        if (!e2e::PostCommand(panel, IDC_EXIT))
            return false;
        return program.WaitForExit(kExitTimeoutMs);
    }

    std::string m_tunaroIni, m_programTxt;
    std::vector<std::unique_ptr<e2e::SavedFile>> m_saved;
    std::optional<std::string> m_savedLanguage;
    e2e::Program m_first, m_second;
};

TEST_F(TunaroStartup, WithoutACardTheSplashShowsAndTheProgramEndsWithoutAWord) {
    // No scheduler to start: the program goes straight on to look for the card.
    DeleteFileA(InstallFile("Schedule.exe").c_str());
    e2e::HiddenCard card;
    ASSERT_TRUE(card.Hidden());
    e2e::MessageBoxWatcher boxes;
    ASSERT_TRUE(Start(m_first));
    bool splashSeen = false;
    const DWORD start = GetTickCount();
    while (m_first.Running() && GetTickCount() - start < kExitTimeoutMs) {
        if (SplashShownBy(m_first.Pid()))
            splashSeen = true;
        Sleep(20);
    }
    DWORD code = 0;
    ASSERT_TRUE(m_first.WaitForExit(1000, &code)) << "Tunaro kept running without a card";
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(splashSeen);
    EXPECT_EQ(MessageBoxes(boxes), "");
    EXPECT_EQ(e2e::FindTopWindow(kPanelTitle), nullptr);
    EXPECT_EQ(e2e::FindTopWindow("TV Win"), nullptr);
}

TEST_F(TunaroStartup, FirstRunClosesFmBeforeTheCardStartsTheSchedulerAndWritesItsFiles) {
    ASSERT_TRUE(SetLanguageValue(std::string("1033")));
    PlaceScheduler();
    ASSERT_TRUE(e2e::WriteFile(m_programTxt, kSeededProgramTxt));
    FmStandIn fm;
    e2e::MessageBoxWatcher boxes;

    ASSERT_TRUE(Start(m_first));
    // When it arrived the card had not been touched and the panel did not exist yet.
    EXPECT_FALSE(fm.CardTouchedBeforeClose());
    EXPECT_FALSE(fm.PanelExistedAtClose());
    EXPECT_EQ(fm.CloseLParam(), 0);

    HWND panel = WaitForPanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(fm.CloseCount(), 1);
    // The card was opened afterwards and runs the preview on the tuner input (source 1).
    EXPECT_TRUE(e2e::WaitUntil([] { return e2e::SimCardState("Running") == "1"; }, 10000));
    EXPECT_FALSE(SameTime(LastWrite(e2e::SimCardPath()), fm.CardBefore()));
    EXPECT_EQ(e2e::SimCardState("VideoInput"), "Video Tuner");
    // The scheduler of the program directory was started: its window (in the tray) belongs to a
    // process running that file. It is ended again with its own exit command.
    HWND scheduler = nullptr;
    EXPECT_TRUE(
        e2e::WaitUntil([&] { return (scheduler = FindWindowA(nullptr, "Schedule")) != nullptr; }, 20000));
    if (scheduler) {
        RunningProcess process(scheduler);
        EXPECT_EQ(Lower(process.ImagePath()), Lower(InstallFile("Schedule.exe")));
        EXPECT_TRUE(process.EndByCommand(scheduler, kSchedulerExit, kExitTimeoutMs));
    }
    // English texts.
    EXPECT_NE(e2e::FindTopWindow("TV Win"), nullptr);
    // The preview tuned the first channel of the list.
    EXPECT_TRUE(e2e::WaitUntil([] { return e2e::SimCardStateLong("Frequency") == 49750000; }, 10000));

    ASSERT_TRUE(ExitByCommand(m_first, panel));
    EXPECT_EQ(MessageBoxes(boxes), "");
    EXPECT_EQ(e2e::ReadFile(m_programTxt), kRewrittenProgramTxt);
    const std::string dir = e2e::InstallDir();
    EXPECT_EQ(e2e::ReadFile(m_tunaroIni), TunaroIniText(32, 0, 1, 0, 0, dir + "\\Image", dir + "\\Video", 1));
    EXPECT_TRUE(IsDirectory(dir + "\\Image"));
    EXPECT_TRUE(IsDirectory(dir + "\\Video"));
}

TEST_F(TunaroStartup, ASecondCopyBringsTheFirstPanelForwardAndEnds) {
    ASSERT_TRUE(SetLanguageValue(std::nullopt));
    PlaceSchedulerStandIn();
    e2e::PeerWindow scheduler("Schedule");
    e2e::MessageBoxWatcher boxes;
    ASSERT_TRUE(Start(m_first));
    HWND panel = WaitForPanel();
    ASSERT_NE(panel, nullptr);
    // No language value: English.
    EXPECT_NE(e2e::FindTopWindow("TV Win"), nullptr);

    ASSERT_TRUE(Start(m_second));
    bool secondShowedWindow = false;
    const DWORD start = GetTickCount();
    while (m_second.Running() && GetTickCount() - start < kExitTimeoutMs) {
        if (!e2e::ProcessWindows(m_second.Pid()).empty())
            secondShowedWindow = true;
        Sleep(5);
    }
    ASSERT_TRUE(m_second.WaitForExit(1000)) << "the second copy kept running";
    EXPECT_FALSE(secondShowedWindow);
    // In front and shown. (The panel asks for the topmost band as well; this platform does not
    // report that band for the panel's kind of window, so it is not checked here.)
    EXPECT_TRUE(IsWindowVisible(panel));
    EXPECT_TRUE(e2e::WaitUntil([&] { return GetForegroundWindow() == panel; }, 3000))
        << DescribeWindows(kPanelTitle);
    // The first copy still runs, alone: one panel.
    EXPECT_TRUE(m_first.Running());
    EXPECT_EQ(e2e::FindTopWindow(kPanelTitle), panel);
    // The "Schedule" window existed, so neither copy started the scheduler.
    EXPECT_FALSE(e2e::FileExists(InstallFile("schedule-started.txt")));

    ASSERT_TRUE(ExitByCommand(m_first, panel));
    EXPECT_EQ(MessageBoxes(boxes), "");
}

TEST_F(TunaroStartup, StartingAgainRightAfterExitGivesAPanel) {
    ASSERT_TRUE(SetLanguageValue(std::nullopt));
    e2e::PeerWindow scheduler("Schedule");
    ASSERT_TRUE(Start(m_first));
    HWND panel = WaitForPanel();
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(e2e::PostCommand(panel, IDC_EXIT));
    // Started the moment the panel is gone, while the first copy is still ending.
    ASSERT_TRUE(e2e::WaitUntil([&] { return !IsWindow(panel); }, kExitTimeoutMs));
    const bool firstStillEnding = m_first.Running();
    ASSERT_TRUE(Start(m_second));
    HWND again = WaitForPanel();
    EXPECT_NE(again, nullptr) << "no panel after a start right after Exit (the first copy was "
                              << (firstStillEnding ? "still ending)" : "already gone)");
    EXPECT_TRUE(m_first.WaitForExit(kExitTimeoutMs));
    if (again) {
        EXPECT_TRUE(ExitByCommand(m_second, again));
    }
}

TEST_F(TunaroStartup, ChineseLanguageGivesChineseTexts) {
    ASSERT_TRUE(SetLanguageValue(std::string("2052")));
    e2e::PeerWindow scheduler("Schedule");
    ASSERT_TRUE(Start(m_first));
    HWND panel = WaitForPanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_NE(e2e::FindTopWindow("电视窗口"), nullptr);
    EXPECT_EQ(e2e::FindTopWindow("TV Win"), nullptr);
    // The Auto Scan button's caption while a scan runs.
    e2e::SendCommand(panel, IDC_AUTOSCAN);
    EXPECT_EQ(e2e::ControlText(panel, IDC_AUTOSCAN), "结束");
    e2e::SendCommand(panel, IDC_AUTOSCAN);
    // Closing the picture's window ends the program as Exit does.
    ASSERT_TRUE(PostMessageA(e2e::FindTopWindow("电视窗口"), WM_CLOSE, 0, 0));
    EXPECT_TRUE(m_first.WaitForExit(kExitTimeoutMs));
    EXPECT_TRUE(e2e::FileExists(m_tunaroIni));
}

TEST_F(TunaroStartup, ARestartComesBackOnTheSameSourceChannelStandardAndDirectories) {
    ASSERT_TRUE(SetLanguageValue(std::string("")));
    e2e::PeerWindow scheduler("Schedule");
    const std::string scratch = e2e::MakeScratchDir("tvapp-restart");
    const std::string image = scratch + "\\shots\\deep\\Image";
    const std::string video = scratch + "\\films\\deep\\Video";
    ASSERT_TRUE(e2e::WriteFile(m_programTxt, kSeededProgramTxt));
    // S-video input, NTSC-M, the United Kingdom, MPEG-4 recordings; channel 1 is disabled, so the
    // selection moves on to 2 and 1 becomes the previous channel.
    ASSERT_TRUE(e2e::WriteFile(m_tunaroIni,
                               TunaroIniText(1, 5, 2, 1, 0, image, video, 1) + "[Country]\r\niCode=2\r\n"));

    auto expectCardState = [&](const char* when) {
        EXPECT_TRUE(e2e::WaitUntil([] { return e2e::SimCardStateLong("Frequency") == 168250000; }, 10000))
            << when << ": frequency " << e2e::SimCardState("Frequency");
        EXPECT_EQ(e2e::SimCardStateLong("VideoStandard"), 1) << when;
        EXPECT_EQ(e2e::SimCardState("VideoInput"), "Video SVideo") << when;
        EXPECT_EQ(e2e::SimCardStateLong("CountryCode"), 44) << when;
    };

    ASSERT_TRUE(Start(m_first));
    HWND panel = WaitForPanel();
    ASSERT_NE(panel, nullptr);
    expectCardState("first run");
    // An empty language value: English.
    EXPECT_NE(e2e::FindTopWindow("TV Win"), nullptr);
    EXPECT_TRUE(IsDirectory(image));
    EXPECT_TRUE(IsDirectory(video));
    ASSERT_TRUE(ExitByCommand(m_first, panel));
    EXPECT_EQ(e2e::ReadFile(m_tunaroIni),
              TunaroIniText(1, 5, 2, 2, 1, image, video, 1) + "[Country]\r\niCode=2\r\n");

    ASSERT_TRUE(Start(m_second));
    panel = WaitForPanel();
    ASSERT_NE(panel, nullptr);
    expectCardState("restart");
    ASSERT_TRUE(ExitByCommand(m_second, panel));
    // Selecting the stored channel again made it its own previous channel.
    EXPECT_EQ(e2e::ReadFile(m_tunaroIni),
              TunaroIniText(1, 5, 2, 2, 2, image, video, 1) + "[Country]\r\niCode=2\r\n");
    EXPECT_EQ(e2e::ReadFile(m_programTxt), kRewrittenProgramTxt);
    e2e::RemoveTree(scratch);
}

} // namespace
