// Hostile messages against the installed programs: every WM_COMMAND id of the 16-bit range sent
// to Tunaro's panel, Tunaro FM's window, Schedule's window and KeyRelay's window (only the ids
// that end a program are left out; one of them is sent last, to see it end cleanly), and
// malformed WM_COPYDATA records
// (no bytes, no pointer with a length claimed, a huge payload, texts without a digit, unknown
// formats and channels no list holds). Dialogs the ids open are closed as a user would close
// them. Each program must answer throughout, still be running at the end, and must have
// written nothing outside the files it keeps: no new or changed file anywhere else in its
// directory or the system directory, no temporary file left behind.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tests/support/e2e.h"
#include "framework/peer_messages.h"
#include "tests/platform/media_check.h"
#include "uikit/master_volume.h"

namespace {

constexpr DWORD kAnswerMs = 30000;

// ---- files -----------------------------------------------------------------------------

struct FileState {
    ULONGLONG size = 0;
    FILETIME written = {};
    bool operator==(const FileState& o) const {
        return size == o.size && CompareFileTime(&written, &o.written) == 0;
    }
};

// The files directly in a directory, by lower-case name.
std::map<std::string, FileState> FilesIn(const std::string& dir) {
    std::map<std::string, FileState> files;
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE)
        return files;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        std::string name = found.cFileName;
        for (char& c : name)
            c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        FileState s;
        s.size = (static_cast<ULONGLONG>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
        s.written = found.ftLastWriteTime;
        files[name] = s;
    } while (FindNextFileA(h, &found));
    FindClose(h);
    return files;
}

// What changed in a directory since `before`, leaving out the names a program may write.
std::vector<std::string> UnexpectedChanges(const std::string& dir,
                                           const std::map<std::string, FileState>& before,
                                           const std::set<std::string>& mayWrite) {
    std::vector<std::string> changes;
    const std::map<std::string, FileState> after = FilesIn(dir);
    for (const auto& [name, state] : after) {
        if (mayWrite.count(name))
            continue;
        auto old = before.find(name);
        if (old == before.end())
            changes.push_back("new file " + dir + "\\" + name);
        else if (!(old->second == state))
            changes.push_back("changed " + dir + "\\" + name);
    }
    for (const auto& [name, state] : before) {
        if (!mayWrite.count(name) && !after.count(name))
            changes.push_back("removed " + dir + "\\" + name);
    }
    return changes;
}

// ---- windows ---------------------------------------------------------------------------

std::string ClassOf(HWND hwnd) {
    char name[256] = "";
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

std::vector<HWND> TopWindowsOf(DWORD pid) {
    struct Search {
        DWORD pid;
        std::vector<HWND> found;
    } search{pid, {}};
    e2e::ForEachWindow(
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            if (owner == s->pid)
                s->found.push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A visible, enabled button of the window or its pages that leaves it: Exit, Cancel or Close
// (OK where there is nothing else).
HWND CloseButtonOf(HWND window) {
    struct Search {
        HWND leave = nullptr;
        HWND ok = nullptr;
    } search;
    e2e::ForEachChildWindow(
        window,
        [](HWND child, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            if (ClassOf(child) != "Button" || !IsWindowVisible(child) || !IsWindowEnabled(child))
                return TRUE;
            std::string text;
            for (char c : e2e::WindowText(child)) {
                if (c != '&')
                    text += static_cast<char>(tolower(static_cast<unsigned char>(c)));
            }
            if (text == "exit" || text == "cancel" || text == "close")
                s->leave = child;
            else if (text == "ok" && !s->ok)
                s->ok = child;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.leave ? search.leave : search.ok;
}

// Closes, the way a user would (Cancel, then the close box), every dialog or window that a
// program opens after it was first seen: commands may open modal dialogs, and the sweep goes on
// only once they are gone. Windows of a kind the program already had (its on-screen texts) are
// left alone unless they are dialogs.
class DialogCloser {
public:
    // The windows there when it starts are the program's own and stay, but for a dialog the
    // program made hidden over one of its windows (the snapshot browser, for one): a command that
    // shows it is closed like any other.
    explicit DialogCloser(DWORD pid) : m_pid(pid) {
        for (HWND hwnd : TopWindowsOf(pid)) {
            if (ClassOf(hwnd) != "#32770")
                m_knownClasses.insert(ClassOf(hwnd));
            else if (IsWindowVisible(hwnd) || !GetWindow(hwnd, GW_OWNER))
                m_known.insert(hwnd);
        }
        InitializeCriticalSection(&m_lock);
        m_stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        m_thread = CreateThread(nullptr, 0, &DialogCloser::ThreadMain, this, 0, nullptr);
    }
    ~DialogCloser() {
        SetEvent(m_stop);
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
        CloseHandle(m_stop);
        DeleteCriticalSection(&m_lock);
    }
    DialogCloser(const DialogCloser&) = delete;
    DialogCloser& operator=(const DialogCloser&) = delete;

    // "class: title" of each window closed, in order.
    std::vector<std::string> Closed() const {
        EnterCriticalSection(&m_lock);
        std::vector<std::string> copy = m_closed;
        LeaveCriticalSection(&m_lock);
        return copy;
    }
    // Windows that would not close after many tries.
    int Stuck() const { return m_stuck; }

private:
    static DWORD WINAPI ThreadMain(void* self) {
        auto* me = static_cast<DialogCloser*>(self);
        while (WaitForSingleObject(me->m_stop, 100) == WAIT_TIMEOUT)
            me->Pass();
        return 0;
    }
    void Pass() {
        for (HWND hwnd : TopWindowsOf(m_pid)) {
            if (m_known.count(hwnd) || !IsWindowVisible(hwnd))
                continue;
            const std::string cls = ClassOf(hwnd);
            if (cls != "#32770" && m_knownClasses.count(cls))
                continue;
            int& tries = m_tries[hwnd];
            if (tries == 0) {
                EnterCriticalSection(&m_lock);
                m_closed.push_back(cls + ": " + e2e::WindowText(hwnd));
                LeaveCriticalSection(&m_lock);
            }
            // Escape, the sheet's Cancel, the dialog's own Exit or Cancel button, the close box.
            switch (tries++ % 4) {
            case 0:
                PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
                break;
            case 1:
                PostMessageA(hwnd, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
                break;
            case 2:
                if (HWND button = CloseButtonOf(hwnd))
                    PostMessageA(button, BM_CLICK, 0, 0);
                break;
            default:
                PostMessageA(hwnd, WM_CLOSE, 0, 0);
                break;
            }
            if (tries == 100)
                ++m_stuck;
        }
    }

    DWORD m_pid;
    std::set<HWND> m_known;
    std::set<std::string> m_knownClasses;
    std::map<HWND, int> m_tries;
    mutable CRITICAL_SECTION m_lock;
    std::vector<std::string> m_closed;
    int m_stuck = 0;
    HANDLE m_stop = nullptr;
    HANDLE m_thread = nullptr;
};

bool Answers(HWND hwnd) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, kAnswerMs, &result) != 0;
}

// Posts every id of the 16-bit range but the skipped ones, in batches, each batch followed by a
// message that must be answered: the ids come faster than a user could give them, also while a
// dialog one of them opened is still up. Returns the first id of each batch the window did not
// answer in time (the sweep stops after a few).
std::vector<WORD> SweepCommands(HWND target, const e2e::Program& program, const std::set<WORD>& skip) {
    constexpr unsigned kBatch = 512;
    std::vector<WORD> unanswered;
    for (unsigned first = 0; first <= 0xFFFF && unanswered.size() < 3; first += kBatch) {
        for (unsigned id = first; id < first + kBatch && id <= 0xFFFF; ++id) {
            if (!skip.count(static_cast<WORD>(id)))
                PostMessageA(target, WM_COMMAND, MAKEWPARAM(id, 0), 0);
        }
        if (!Answers(target) || !program.Running())
            unanswered.push_back(static_cast<WORD>(first));
        if ((first / kBatch) % 16 == 15) {
            std::printf("commands up to %u sent and answered\n", first + kBatch - 1);
            std::fflush(stdout);
        }
    }
    return unanswered;
}

std::string Join(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& l : lines)
        all += "  " + l + "\n";
    return all;
}

// Ends the program through one of its own exit ids; true when it ended by itself. Commands of a
// sweep may still be queued behind the answer to its last batch, and one of them may open a
// dialog that holds the window's commands until the closer ends it: an Exit that did not take is
// given again after a while, as a user would press it again. When the program does not end, the
// windows it still has open are printed before it is killed.
bool EndThrough(HWND target, e2e::Program& program, WORD exitId) {
    for (int press = 0; press < 3; ++press) {
        e2e::PostCommand(target, exitId);
        if (program.WaitForExit(10000))
            return true;
    }
    for (HWND w : TopWindowsOf(program.Pid())) {
        if (IsWindowVisible(w))
            std::printf("still open: %s \"%s\"%s\n", ClassOf(w).c_str(), e2e::WindowText(w).c_str(),
                        IsWindowEnabled(w) ? "" : " (disabled)");
    }
    std::fflush(stdout);
    program.Kill();
    return false;
}

// ---- Tunaro ----------------------------------------------------------------------------

constexpr WORD kTunaroExit = 403;
constexpr WORD kTunaroMenuExit = 32777;
constexpr WORD kTunaroFm = 1177; // hands over to the FM program and ends
constexpr WORD kTunaroChannelUp = 1108;
constexpr WORD kTunaroAutoScan = 405;

std::string ProgramText() {
    static const long kPlan[] = {49750000, 77250000, 168250000, 175250000};
    std::string text;
    for (int i = 0; i < 4; ++i) {
        char block[200];
        std::snprintf(block, sizeof block,
                      "Name: Hostile %d\nFreq: %ld\nChan: %d\nAudioChannels:0\nCheck:1\n", i, kPlan[i],
                      i + 1);
        text += block;
    }
    return text;
}

// Whether the panel answers the scheduler's busy query (recording, scanning, the wall or the
// desktop mode). The query waits its turn behind what the panel has queued, such as an order's
// recording, whose graph takes seconds to build on a loaded machine; only an idle panel stays
// silent, so no answer in that time means idle.
bool Busy(HWND panel, e2e::PeerWindow& schedule) {
    schedule.Clear();
    e2e::PostCommand(panel, tunaro::peer::kTvBusyQuery);
    return schedule.WaitForCommand(tunaro::peer::kScheduleWallOpened, 10000);
}

LRESULT CopyData(HWND target, HWND from, ULONG_PTR word, const void* data, DWORD size) {
    COPYDATASTRUCT cds;
    cds.dwData = word;
    cds.cbData = size;
    cds.lpData = const_cast<void*>(data);
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(target, WM_COPYDATA, reinterpret_cast<WPARAM>(from),
                             reinterpret_cast<LPARAM>(&cds), SMTO_NORMAL, kAnswerMs, &result))
        return -1;
    return static_cast<LRESULT>(result);
}

// Records the copy-data cases that were not answered.
void SendMalformedRecords(HWND target, std::vector<std::string>& unanswered) {
    struct Case {
        const char* what;
        HWND from;
        ULONG_PTR word;
        std::string bytes;
        bool pointer;
        DWORD claimed; // 0: the bytes' own size
    };
    const HWND order = reinterpret_cast<HWND>(tunaro::peer::kTvCopyDataRecord);
    const HWND orderHigh =
        reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x10000u | tunaro::peer::kTvCopyDataRecord));
    std::vector<Case> cases = {
        {"no bytes", order, 0, "", true, 0},
        {"no pointer", order, 0, "", false, 0},
        {"no pointer, a huge length claimed", order, (3u << 16) | 1u, "", false, 0x7FFFFFFFu},
        {"no pointer, the largest length claimed", order, 0, "", false, 0xFFFFFFFFu},
        {"a text without a digit", order, (1u << 16) | 2u, "no digit here", true, 0},
        {"a text without a zero", order, 2u, "abc", true, 0},
        {"a zero first, then a digit", order, 0,
         std::string("\0"
                     "1",
                     2),
         true, 0},
        {"an unknown record format", order, 0xFFFF0000u, "0", true, 0},
        {"a format just past the last", order, 8u << 16, "1", true, 0},
        {"a channel no list holds", order, 0xFFFFu, "1", true, 0},
        {"a negative-looking channel", order, 0x8000u, "0", true, 0},
        {"all bits of the word", order, ~static_cast<ULONG_PTR>(0), "2", true, 0},
        {"the order's id with other high bits", orderHigh, 0, "1", true, 0},
        {"some other id", reinterpret_cast<HWND>(static_cast<UINT_PTR>(4711)), 0, "0", true, 0},
        {"no sender at all", nullptr, 0, "0", true, 0},
        {"a huge text of no digits", order, 0, std::string(1 << 19, 'x'), true, 0},
    };
    for (const Case& c : cases) {
        const DWORD size = c.claimed ? c.claimed : static_cast<DWORD>(c.bytes.size());
        if (CopyData(target, c.from, c.word, c.pointer ? c.bytes.data() : nullptr, size) == -1)
            unanswered.push_back(c.what);
        if (!Answers(target))
            unanswered.push_back(std::string(c.what) + " (no answer afterwards)");
    }
}

// The whole run against the installed Tunaro; with sweep, every command id between the two
// rounds of malformed records.
void RunTunaro(bool sweep) {
    e2e::SavedFile programTxt(e2e::SystemDir() + "\\program.txt");
    e2e::SavedFile tunaroIni(e2e::InstallDir() + "\\Tunaro.ini");
    e2e::SavedFile taskFile(e2e::InstallDir() + "\\SCHTASK.stf");
    const std::string images = e2e::MakeScratchDir("hostile-images");
    const std::string videos = e2e::MakeScratchDir("hostile-videos");
    ASSERT_TRUE(e2e::WriteFile(programTxt.Path(), ProgramText()));
    ASSERT_TRUE(
        e2e::WriteFile(tunaroIni.Path(), "[VideoSource]\r\nSource=1\r\n[Channel]\r\nCurrentIndex=0\r\n"
                                         "PreChannelIndex=0\r\n[SavImagePath]\r\nPath=" +
                                             images + "\r\n[SavVideoPath]\r\nPath=" + videos + "\r\n"));

    // The windows the program reports to (the scheduler's also keeps it from starting one).
    e2e::PeerWindow schedule("Schedule");
    e2e::PeerWindow remote("Remote");
    e2e::Program program;
    ASSERT_TRUE(program.Start(e2e::InstallDir() + "\\Tunaro.exe"));
    HWND panel = e2e::WaitForWindow("Tunaro", 30000);
    ASSERT_NE(panel, nullptr) << "the control panel did not appear";
    ASSERT_TRUE(e2e::WaitUntil([] { return e2e::SimCardStateLong("Running") == 1; }, 20000));
    // The on-screen texts exist once a key has shown one.
    e2e::SendCommand(panel, kTunaroChannelUp);
    Sleep(500);

    const auto installBefore = FilesIn(e2e::InstallDir());
    const auto systemBefore = FilesIn(e2e::SystemDir());
    {
        DialogCloser closer(program.Pid());
        e2e::MessageBoxWatcher boxes(program.Pid());

        std::vector<std::string> unanswered;
        SendMalformedRecords(panel, unanswered);
        EXPECT_TRUE(unanswered.empty()) << "copy-data records not answered:\n" << Join(unanswered);
        ASSERT_TRUE(program.Running()) << "a malformed record ended the program";

        const std::vector<WORD> ids =
            sweep ? SweepCommands(panel, program,
                                  {kTunaroExit, kTunaroMenuExit, tunaro::peer::kTvStopAndClose, kTunaroFm})
                  : std::vector<WORD>();
        EXPECT_TRUE(ids.empty()) << "the panel did not answer after commands from "
                                 << (ids.empty() ? 0 : ids[0]);
        ASSERT_TRUE(program.Running()) << "a command id ended the program";

        // Records once more after the sweep, whatever state the commands left it in.
        unanswered.clear();
        SendMalformedRecords(panel, unanswered);
        EXPECT_TRUE(unanswered.empty()) << "copy-data records not answered after the sweep:\n"
                                        << Join(unanswered);
        EXPECT_TRUE(Answers(panel));
        EXPECT_TRUE(e2e::PostCommand(panel, tunaro::peer::kTvBusyQuery));
        EXPECT_TRUE(Answers(panel));
        EXPECT_EQ(closer.Stuck(), 0) << "windows that would not close:\n" << Join(closer.Closed());
        std::printf("closed during the sweep:\n%s", Join(closer.Closed()).c_str());
        for (const e2e::SeenMessageBox& box : boxes.Seen())
            std::printf("message box: %s: %s\n", box.caption.c_str(), box.text.c_str());

        // The sweep's Auto Scan may still be going, and Exit waits for it: Auto Scan again
        // stops it, as the user would.
        const auto scanRunning = [&remote] {
            return remote.Commands(tunaro::peer::kRemoteScanStarted).size() >
                   remote.Commands(tunaro::peer::kRemoteScanEnded).size();
        };
        std::printf("scans started %zu, ended %zu; busy %d\n",
                    remote.Commands(tunaro::peer::kRemoteScanStarted).size(),
                    remote.Commands(tunaro::peer::kRemoteScanEnded).size(), Busy(panel, schedule) ? 1 : 0);
        for (HWND w : TopWindowsOf(program.Pid())) {
            if (IsWindowVisible(w))
                std::printf("open: %s \"%s\"%s\n", ClassOf(w).c_str(), e2e::WindowText(w).c_str(),
                            IsWindowEnabled(w) ? "" : " (disabled)");
        }
        if (scanRunning()) {
            e2e::PostCommand(panel, kTunaroAutoScan);
            EXPECT_TRUE(e2e::WaitUntil([&] { return !scanRunning(); }, kAnswerMs)) << "the scan did not stop";
        }
        const bool busy = Busy(panel, schedule);
        std::printf("scans started %zu, ended %zu; busy %d\n",
                    remote.Commands(tunaro::peer::kRemoteScanStarted).size(),
                    remote.Commands(tunaro::peer::kRemoteScanEnded).size(), busy ? 1 : 0);
        // A record order without a usable format or digit still records (the tuner, the channel
        // by index): Exit waits while a recording runs, so the scheduler's stop ends it first.
        if (busy) {
            e2e::PostCommand(panel, tunaro::peer::kTvScheduleRecord);
            EXPECT_TRUE(e2e::WaitUntil([&] { return !Busy(panel, schedule); }, kAnswerMs))
                << "the recording did not stop";
        }
        EXPECT_TRUE(EndThrough(panel, program, kTunaroExit))
            << "Exit did not end the program after the sweep";
    }

    // Only the files the program keeps may have changed; the recordings and stills directories
    // are its own to fill.
    const std::vector<std::string> install =
        UnexpectedChanges(e2e::InstallDir(), installBefore, {"tunaro.ini", "program.txt"});
    EXPECT_TRUE(install.empty()) << Join(install);
    const std::vector<std::string> system =
        UnexpectedChanges(e2e::SystemDir(), systemBefore, {"program.txt", "simcard.ini", "win.ini"});
    EXPECT_TRUE(system.empty()) << Join(system);
    EXPECT_TRUE(e2e::ReadFile(programTxt.Path()).find("Name:") != std::string::npos ||
                e2e::ReadFile(programTxt.Path()).empty())
        << "the channel list was replaced by something that is not one";
    e2e::RemoveTree(images);
    e2e::RemoveTree(videos);
}

TEST(HostileMessages, TunaroTakesMalformedRecords) {
    RunTunaro(false);
}

// The whole range opens the Setup sheet, and the ids posted after it are handled inside the
// sheet's own loop; the sheet must still close and Exit end the program soon after.
TEST(HostileMessages, TunaroTakesEveryCommandIdAndMalformedRecords) {
    RunTunaro(true);
}

// ---- Tunaro FM -------------------------------------------------------------------------

constexpr WORD kFmExit = 403;
constexpr WORD kFmScan = 405;
constexpr WORD kFmMute = 406;
constexpr WORD kFmSetting = 1015;
constexpr WORD kFmAbout = 1052;
constexpr WORD kFmOpenFile = 1053;
constexpr WORD kFmRecord = 1094;
constexpr WORD kFmTv = 1112; // starts the TV program and ends
constexpr int kFmModeText = 1151;

// The machine's master volume and mute, put back at the end: the radio's volume bar and its
// mute key set them for every program.
class SavedMasterVolume {
public:
    SavedMasterVolume() : m_level(m_mixer.GetVolume()), m_muted(m_mixer.MuteState()) {}
    ~SavedMasterVolume() {
        if (m_level >= 0)
            m_mixer.SetVolume(static_cast<DWORD>(m_level));
        if (m_muted == 1)
            m_mixer.Mute();
        else if (m_muted == 0)
            m_mixer.Unmute();
    }
    SavedMasterVolume(const SavedMasterVolume&) = delete;
    SavedMasterVolume& operator=(const SavedMasterVolume&) = delete;

private:
    tunaro::MasterVolume m_mixer;
    long m_level;
    long m_muted;
};

// Whether the program shows a window of this title (a dialog it opened).
bool ShowsWindow(DWORD pid, const char* title) {
    for (HWND w : TopWindowsOf(pid)) {
        if (IsWindowVisible(w) && e2e::WindowText(w) == title)
            return true;
    }
    return false;
}

// The radio on the simulated card, with its recordings in a scratch directory: malformed
// records, every command id but those that end it or open a dialog, then each dialog command
// alone (each must open its dialog, which is closed as a user would), records once more, and
// at the end 1234 from the TV program while a recording runs and the About box is open.
TEST(HostileMessages, TunaroFmTakesEveryCommandIdAndStrayRecords) {
    if (!e2e::FileExists(e2e::SystemDir() + "\\simcard.dll"))
        GTEST_SKIP() << "the prefix has no simulated card";
    SavedMasterVolume volume;
    e2e::SavedFile settings(e2e::InstallDir() + "\\FMSETTING.ini");
    e2e::SavedFile timedList(e2e::InstallDir() + "\\Recordlst.txt");
    e2e::SavedFile stations(e2e::SystemDir() + "\\FmProgram.txt");
    const std::string records = e2e::MakeScratchDir("hostile-fm-records");
    ASSERT_TRUE(e2e::WriteFile(stations.Path(), "Name: Dawn FM\r\nFreq: 87800000\r\nChan: 1\r\n"
                                                "Name: Delta Radio\r\nFreq: 88300000\r\nChan: 2\r\n"));
    ASSERT_TRUE(e2e::WriteFile(settings.Path(), "[Channel]\r\nCurrentIndex=1\r\nPreChannelIndex=0\r\n"
                                                "[Record]\r\nRecordType=0\r\nRecordPath=" +
                                                    records + "\r\n"));
    DeleteFileA(timedList.Path().c_str());
    ASSERT_TRUE(e2e::WaitForWindowGone("Tunaro FM", 10000)) << "a Tunaro FM is still running";

    e2e::Program program;
    ASSERT_TRUE(program.Start(e2e::InstallDir() + "\\Tunaro FM.exe"));
    HWND fm = e2e::WaitForWindow("Tunaro FM", 40000);
    ASSERT_NE(fm, nullptr) << "the radio did not appear";
    ASSERT_TRUE(e2e::WaitUntil([fm] { return IsWindowVisible(fm) != FALSE; }, 40000));
    const auto installBefore = FilesIn(e2e::InstallDir());
    const auto systemBefore = FilesIn(e2e::SystemDir());
    {
        DialogCloser closer(program.Pid());
        e2e::MessageBoxWatcher boxes(program.Pid());
        std::vector<std::string> unanswered;
        SendMalformedRecords(fm, unanswered);
        EXPECT_TRUE(unanswered.empty()) << Join(unanswered);

        const std::vector<WORD> ids = SweepCommands(
            fm, program, {kFmExit, kFmTv, tunaro::peer::kFmCloseForTv, kFmSetting, kFmAbout, kFmOpenFile});
        EXPECT_TRUE(ids.empty()) << "Tunaro FM did not answer after commands from "
                                 << (ids.empty() ? 0 : ids[0]);
        ASSERT_TRUE(program.Running()) << "a command id ended Tunaro FM";
        // The sweep toggled the mute once, and started a scan, or a recording when the scan was
        // over by then: both are stopped as the user would.
        // Commands of the sweep may still be queued behind the answer to its last batch (one of
        // them opening a dialog that holds the window's commands until the closer ends it), so a
        // stop that did not take is given again after a while, as a user would press it again.
        e2e::PostCommand(fm, kFmMute);
        std::string mode = e2e::ControlText(fm, kFmModeText);
        std::printf("after the sweep: \"%s\"\n", mode.c_str());
        for (int press = 0; press < 3 && mode != "FM Radio"; ++press) {
            if (mode == "Auto Scan")
                e2e::PostCommand(fm, kFmScan);
            else if (mode == "Recording")
                e2e::PostCommand(fm, kFmRecord);
            e2e::WaitUntil([fm] { return e2e::ControlText(fm, kFmModeText) == "FM Radio"; }, 10000);
            mode = e2e::ControlText(fm, kFmModeText);
        }
        EXPECT_EQ(mode, "FM Radio") << "the radio did not stop its scan or recording";
        if (mode != "FM Radio") {
            for (HWND w : TopWindowsOf(program.Pid()))
                if (IsWindowVisible(w))
                    std::printf("open: %s \"%s\"%s\n", ClassOf(w).c_str(), e2e::WindowText(w).c_str(),
                                IsWindowEnabled(w) ? "" : " (disabled)");
        }

        // Each dialog command alone opens its dialog; the closer closes it and the radio is
        // enabled again.
        for (WORD id : {kFmAbout, kFmOpenFile, kFmSetting}) {
            const std::size_t closedBefore = closer.Closed().size();
            e2e::PostCommand(fm, id);
            EXPECT_TRUE(e2e::WaitUntil([&] { return closer.Closed().size() > closedBefore; }, kAnswerMs))
                << "command " << id << " opened no dialog";
            EXPECT_TRUE(e2e::WaitUntil([fm] { return IsWindowEnabled(fm) != FALSE; }, 120000))
                << "the radio stayed disabled after command " << id;
        }

        unanswered.clear();
        SendMalformedRecords(fm, unanswered);
        EXPECT_TRUE(unanswered.empty()) << "records not answered after the sweep:\n" << Join(unanswered);
        EXPECT_TRUE(Answers(fm));
        EXPECT_EQ(closer.Stuck(), 0) << Join(closer.Closed());
        std::printf("closed during the run:\n%s", Join(closer.Closed()).c_str());
        for (const e2e::SeenMessageBox& box : boxes.Seen())
            std::printf("message box: %s: %s\n", box.caption.c_str(), box.text.c_str());
    }

    // A recording runs and the About box is open when the TV program wants the card: the box is
    // cancelled, the recording stopped whole and the radio closes.
    e2e::PostCommand(fm, kFmRecord);
    EXPECT_TRUE(e2e::WaitUntil([fm] { return e2e::ControlText(fm, kFmModeText) == "Recording"; }, kAnswerMs));
    Sleep(3000);
    e2e::PostCommand(fm, kFmAbout);
    EXPECT_TRUE(e2e::WaitUntil([&] { return ShowsWindow(program.Pid(), "About Tunaro FM"); }, kAnswerMs))
        << "the About box did not open";
    e2e::PostCommand(fm, kFmExit); // ignored while the box is up
    e2e::PostCommand(fm, kFmSetting);
    Sleep(1000);
    EXPECT_TRUE(program.Running()) << "Exit under the About box ended the radio";
    EXPECT_FALSE(ShowsWindow(program.Pid(), "Setting")) << "a second dialog opened over the first";
    EXPECT_TRUE(EndThrough(fm, program, tunaro::peer::kFmCloseForTv))
        << "1234 over the About box did not end the radio";

    // The settings were written on the way out, the recording is whole, nothing else changed.
    EXPECT_EQ(e2e::IniString(settings.Path(), "Record", "RecordPath"), records);
    std::vector<std::string> recordings;
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((records + "\\*.MP3").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
        do
            recordings.push_back(found.cFileName);
        while (FindNextFileA(h, &found));
        FindClose(h);
    }
    EXPECT_FALSE(recordings.empty()) << "no recording in " << records;
    if (mediacheck::Available()) {
        double longest = 0;
        for (const std::string& name : recordings) {
            auto probe = mediacheck::Probe(records + "\\" + name);
            EXPECT_EQ(probe["streams.stream.0.codec_name"], "mp3") << name;
            longest = std::max(longest, std::atof(probe["format.duration"].c_str()));
        }
        EXPECT_GT(longest, 2.0) << "the recording 1234 stopped is not whole";
    }
    const std::vector<std::string> install =
        UnexpectedChanges(e2e::InstallDir(), installBefore, {"fmsetting.ini", "recordlst.txt"});
    EXPECT_TRUE(install.empty()) << Join(install);
    const std::vector<std::string> system =
        UnexpectedChanges(e2e::SystemDir(), systemBefore, {"fmprogram.txt", "simcard.ini", "win.ini"});
    EXPECT_TRUE(system.empty()) << Join(system);
    e2e::RemoveTree(records);
}

// ---- Schedule and KeyRelay -------------------------------------------------------------

constexpr WORD kScheduleTrayExit = 32772;
constexpr WORD kKeyRelayExit = 1007;
constexpr WORD kKeyRelayTrayExit = 32772;

void RunSchedule(bool sweep) {
    e2e::SavedFile taskFile(e2e::InstallDir() + "\\SCHTASK.stf");
    DeleteFileA(taskFile.Path().c_str());
    ASSERT_TRUE(e2e::WaitForWindowGone("Schedule", 10000)) << "a Schedule is still running";
    e2e::Program program;
    ASSERT_TRUE(program.Start(e2e::InstallDir() + "\\Schedule.exe"));
    HWND window = e2e::WaitForWindow("Schedule", 30000);
    ASSERT_NE(window, nullptr);
    Sleep(1000); // to the tray first

    const auto installBefore = FilesIn(e2e::InstallDir());
    {
        DialogCloser closer(program.Pid());
        e2e::MessageBoxWatcher boxes(program.Pid());
        std::vector<std::string> unanswered;
        SendMalformedRecords(window, unanswered);
        EXPECT_TRUE(unanswered.empty()) << Join(unanswered);

        const std::vector<WORD> ids =
            sweep ? SweepCommands(window, program, {kScheduleTrayExit}) : std::vector<WORD>();
        EXPECT_TRUE(ids.empty()) << "Schedule did not answer after commands from "
                                 << (ids.empty() ? 0 : ids[0]);
        ASSERT_TRUE(program.Running()) << "a command id ended Schedule";
        EXPECT_TRUE(Answers(window));
        EXPECT_EQ(closer.Stuck(), 0) << Join(closer.Closed());
        std::printf("closed during the sweep:\n%s", Join(closer.Closed()).c_str());
        EXPECT_TRUE(EndThrough(window, program, kScheduleTrayExit));
    }
    // No task was made, so the task file holds none (if it was written at all).
    if (e2e::FileExists(taskFile.Path())) {
        EXPECT_EQ(e2e::ReadFile(taskFile.Path()).size(), 0u);
    }
    const std::vector<std::string> install =
        UnexpectedChanges(e2e::InstallDir(), installBefore, {"schtask.stf", "tunaro.ini"});
    EXPECT_TRUE(install.empty()) << Join(install);
}

TEST(HostileMessages, ScheduleTakesStrayRecords) {
    RunSchedule(false);
}

// The whole range opens the task wizard and prompts on top of each other and sends Hide while
// they are open; the tray menu's Exit must still end Schedule afterwards.
TEST(HostileMessages, ScheduleTakesEveryCommandIdAndStrayRecords) {
    RunSchedule(true);
}

TEST(HostileMessages, KeyRelayTakesEveryCommandIdAndStrayRecords) {
    e2e::Program program;
    ASSERT_TRUE(program.Start(e2e::InstallDir() + "\\KeyRelay.exe"));
    HWND window = e2e::WaitForWindow("Remote", 30000);
    ASSERT_NE(window, nullptr);

    const auto installBefore = FilesIn(e2e::InstallDir());
    {
        DialogCloser closer(program.Pid());
        e2e::MessageBoxWatcher boxes(program.Pid());
        std::vector<std::string> unanswered;
        SendMalformedRecords(window, unanswered);
        EXPECT_TRUE(unanswered.empty()) << Join(unanswered);

        const std::vector<WORD> ids = SweepCommands(window, program, {kKeyRelayExit, kKeyRelayTrayExit});
        EXPECT_TRUE(ids.empty()) << "KeyRelay did not answer after commands from "
                                 << (ids.empty() ? 0 : ids[0]);
        ASSERT_TRUE(program.Running()) << "a command id ended KeyRelay";
        EXPECT_TRUE(Answers(window));
        EXPECT_EQ(closer.Stuck(), 0) << Join(closer.Closed());
        EXPECT_TRUE(EndThrough(window, program, kKeyRelayTrayExit));
    }
    const std::vector<std::string> install = UnexpectedChanges(e2e::InstallDir(), installBefore, {});
    EXPECT_TRUE(install.empty()) << Join(install);
}

} // namespace
