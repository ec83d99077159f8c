// End-to-end tests of "Tunaro FM.exe": the real program in a folder of its own, with a capture
// library that logs every call (see fake_capture_library.cpp), driven by window messages the way
// the TV program and the remote agent drive it.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/e2e.h"
#include "framework/peer_messages.h"
#include "tests/platform/media_check.h"

namespace {

constexpr const char* kFmTitle = "Tunaro FM under test";
constexpr const char* kTvTitle = "Tunaro TV peer of the FM test";
constexpr DWORD kStartTimeoutMs = 40000;
constexpr DWORD kExitTimeoutMs = 20000;
constexpr int kFrequencyText = 1150;
constexpr int kModeText = 1151;

// Seconds of the day of a log line's "hh:mm:ss " stamp; -1 when there is none.
int StampSeconds(const std::string& line) {
    int h = 0, m = 0, s = 0;
    if (std::sscanf(line.c_str(), "%d:%d:%d", &h, &m, &s) != 3)
        return -1;
    return h * 3600 + m * 60 + s;
}

// The call of a log line without its stamp.
std::string CallOf(const std::string& line) {
    return line.size() > 9 ? line.substr(9) : std::string();
}

struct LocalNow {
    SYSTEMTIME st;
    LocalNow() { GetLocalTime(&st); }
};

// "StartTime: ..." of a time offset seconds from now, and its seconds of the day.
std::string StartTimeLine(int offset, int* secondsOfDay) {
    FILETIME ft;
    SYSTEMTIME now = LocalNow().st;
    SystemTimeToFileTime(&now, &ft);
    ULARGE_INTEGER u;
    u.LowPart = ft.dwLowDateTime;
    u.HighPart = ft.dwHighDateTime;
    u.QuadPart += static_cast<long long>(offset) * 10000000LL;
    ft.dwLowDateTime = u.LowPart;
    ft.dwHighDateTime = u.HighPart;
    SYSTEMTIME t;
    FileTimeToSystemTime(&ft, &t);
    if (secondsOfDay)
        *secondsOfDay = t.wHour * 3600 + t.wMinute * 60 + t.wSecond;
    char text[64];
    std::snprintf(text, sizeof text, "StartTime: %04d-%02d-%02d %02d:%02d:%02d\n", t.wYear, t.wMonth, t.wDay,
                  t.wHour, t.wMinute, t.wSecond);
    return text;
}

class FmWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.Made());
        ASSERT_TRUE(CopyFileA((e2e::ExeDir() + "\\Tunaro FM.exe").c_str(), Exe().c_str(), FALSE));
        ASSERT_TRUE(CopyFileA((e2e::ExeDir() + "\\fake_capture_library.dll").c_str(),
                              m_dir.File("zentaviq_Capture.dll").c_str(), FALSE));
        ASSERT_TRUE(e2e::WriteFile(m_dir.File("setting.ini"), std::string("[Title]\r\nText=") + kTvTitle +
                                                                  "\r\n[FM]\r\nTitle=" + kFmTitle + "\r\n"));
        // Five stations: 88.10, 91.50, 95.00, 101.70 and 105.30 MHz.
        ASSERT_TRUE(
            e2e::WriteFile(m_dir.File("fakecap_stations.txt"),
                           "One|88100000\nTwo|91500000\nThree|95000000\nFour|101700000\nFive|105300000\n"));
    }
    void TearDown() override {
        if (m_program.Running())
            m_program.Stop(kExitTimeoutMs);
    }

    std::string Exe() const { return m_dir.File("Tunaro FM.exe"); }

    // Starts the program as `program` (each run needs an object of its own).
    HWND Start(e2e::Program& program) {
        if (!program.Start(Exe()))
            return nullptr;
        HWND fm = e2e::WaitForWindow(kFmTitle, kStartTimeoutMs);
        // Shown once its initialisation (the device start among it) is over.
        if (fm && !e2e::WaitUntil([fm] { return IsWindowVisible(fm) != FALSE; }, kStartTimeoutMs))
            return nullptr;
        return fm;
    }
    HWND Start() { return Start(m_program); }

    std::vector<std::string> Log() const {
        std::vector<std::string> lines;
        std::istringstream in(e2e::ReadFile(m_dir.File("fakecap.log")));
        std::string line;
        while (std::getline(in, line))
            lines.push_back(line);
        return lines;
    }
    std::vector<std::string> Calls() const {
        std::vector<std::string> calls;
        for (const std::string& line : Log())
            calls.push_back(CallOf(line));
        return calls;
    }
    // The last call that starts with prefix ("" when none).
    std::string LastCall(const std::string& prefix) const {
        std::string last;
        for (const std::string& call : Calls())
            if (call.compare(0, prefix.size(), prefix) == 0)
                last = call;
        return last;
    }
    int CountCalls(const std::string& prefix) const {
        int n = 0;
        for (const std::string& call : Calls())
            n += call.compare(0, prefix.size(), prefix) == 0 ? 1 : 0;
        return n;
    }
    // The index of the first call starting with prefix, -1 when none.
    int IndexOf(const std::string& prefix) const {
        const std::vector<std::string> calls = Calls();
        for (std::size_t i = 0; i < calls.size(); ++i)
            if (calls[i].compare(0, prefix.size(), prefix) == 0)
                return static_cast<int>(i);
        return -1;
    }
    bool WaitForCall(const std::string& prefix, DWORD timeoutMs) const {
        return e2e::WaitUntil([&] { return IndexOf(prefix) >= 0; }, timeoutMs);
    }

    e2e::ScratchDir m_dir{"fmwin"};
    e2e::Program m_program;
};

TEST_F(FmWindowTest, ComesUpOnTheLastStationTunesByCommandAndKeyAndSavesOnTheTvProgramsOrder) {
    ASSERT_TRUE(e2e::WriteFile(m_dir.File("FMSETTING.ini"),
                               "[Channel]\r\nCurrentIndex=3\r\nPreChannelIndex=1\r\n[Record]\r\nRecordPath=" +
                                   m_dir.File("rec") + "\r\n"));
    // A TV program that runs is asked to close first.
    e2e::PeerWindow tv(kTvTitle);
    HWND fm = Start();
    ASSERT_NE(fm, nullptr);
    EXPECT_EQ(tv.Commands(tunaro::peer::kTvStopAndClose).size(), 1u);

    // The library was started the way the program must start it, on the last station.
    const std::vector<std::string> calls = Calls();
    ASSERT_GE(IndexOf("coinit"), 0);
    EXPECT_LT(IndexOf("coinit"), IndexOf("enum video"));
    EXPECT_LT(IndexOf("enum audio"), IndexOf("select video Ph7134"));
    EXPECT_LT(IndexOf("select audio Ph7134 Audio Capture"), IndexOf("start device 1"));
    EXPECT_LT(IndexOf("start device 1"), IndexOf("tvmode 1"));
    EXPECT_LT(IndexOf("tvmode 1"), IndexOf("channel 3"));
    EXPECT_EQ(LastCall("tune"), "tune 101700000");
    EXPECT_EQ(LastCall("mute"), "mute 0");
    EXPECT_EQ(e2e::ControlText(fm, kFrequencyText), "101.70 MHz");
    EXPECT_EQ(e2e::ControlText(fm, kModeText), "FM Radio");
    EXPECT_EQ(e2e::WindowText(fm), kFmTitle);
    // The record directory was made.
    EXPECT_TRUE(e2e::FileExists(m_dir.File("rec")));
    // The window is the skin's shape and size, with every skin button.
    RECT rc = {};
    GetWindowRect(fm, &rc);
    EXPECT_EQ(rc.right - rc.left, 440);
    EXPECT_EQ(rc.bottom - rc.top, 236);
    for (int id :
         {403, 405, 406, 1049, 1050, 1053, 1089, 1090, 1094, 1096, 1105, 1106, 1107, 1108, 1112, 1119})
        EXPECT_NE(GetDlgItem(fm, id), nullptr) << id;

    struct Step {
        WORD command;
        const char* channel; // the station the library is asked for afterwards
        const char* text;
    };
    const Step steps[] = {
        {1108, "channel 4", "105.30 MHz"}, // channel +
        {1108, "channel 0", "88.10 MHz"},  // after the last comes the first
        {1107, "channel 4", "105.30 MHz"}, // channel - before the first is the last
        {1098, "channel 2", "95.00 MHz"},  // digit 2
        {1106, "channel 4", "105.30 MHz"}, // the previous station
        {1106, "channel 2", "95.00 MHz"},  // and back
        {1096, "channel 0", "88.10 MHz"},  // digit 0
    };
    for (const Step& s : steps) {
        const int before = CountCalls("channel");
        e2e::SendCommand(fm, s.command);
        EXPECT_EQ(CountCalls("channel"), before + 1) << s.command;
        EXPECT_EQ(LastCall("channel"), s.channel) << s.command;
        EXPECT_EQ(e2e::ControlText(fm, kFrequencyText), s.text) << s.command;
    }
    // Digit 9 names no station: nothing is tuned.
    const int channelCalls = CountCalls("channel");
    e2e::SendCommand(fm, 1105);
    EXPECT_EQ(CountCalls("channel"), channelCalls);
    EXPECT_EQ(e2e::ControlText(fm, kFrequencyText), "88.10 MHz");

    // Freq+ and Freq- store the station's frequency 50 kHz up or down and tune it.
    e2e::SendCommand(fm, 1089);
    EXPECT_EQ(LastCall("set frequency"), "set frequency 0 88150000");
    EXPECT_EQ(e2e::ControlText(fm, kFrequencyText), "88.15 MHz");
    e2e::SendCommand(fm, 1090);
    e2e::SendCommand(fm, 1090);
    EXPECT_EQ(LastCall("set frequency"), "set frequency 0 88050000");
    EXPECT_EQ(LastCall("tune"), "tune 88050000");

    // The accelerators: Page Down is channel +, the keypad's digits select.
    PostMessageA(fm, WM_KEYDOWN, VK_NEXT, 1);
    EXPECT_TRUE(e2e::WaitUntil([&] { return LastCall("channel") == "channel 1"; }, 10000));
    PostMessageA(fm, WM_KEYDOWN, VK_NUMPAD3, 1);
    EXPECT_TRUE(e2e::WaitUntil([&] { return LastCall("channel") == "channel 3"; }, 10000));
    PostMessageA(fm, WM_KEYDOWN, VK_PRIOR, 1);
    EXPECT_TRUE(e2e::WaitUntil([&] { return LastCall("channel") == "channel 2"; }, 10000));

    // 1234 from the TV program closes the radio: the device stops, the state is saved.
    e2e::PostCommand(fm, tunaro::peer::kFmCloseForTv);
    EXPECT_TRUE(e2e::WaitForWindowGone(kFmTitle, kExitTimeoutMs));
    EXPECT_TRUE(m_program.WaitForExit(kExitTimeoutMs));
    ASSERT_GE(IndexOf("stop device"), 0);
    EXPECT_LT(IndexOf("stop device"), IndexOf("couninit"));
    const std::string ini = m_dir.File("FMSETTING.ini");
    EXPECT_EQ(e2e::IniLong(ini, "Channel", "CurrentIndex", -1), 2);
    EXPECT_EQ(e2e::IniLong(ini, "Channel", "PreChannelIndex", -1), 3);
    EXPECT_EQ(e2e::IniString(ini, "Record", "RecordPath"), m_dir.File("rec"));
    // The fine tuning reached the library's list, which it keeps.
    EXPECT_NE(e2e::ReadFile(m_dir.File("fakecap_stations.txt")).find("One|88050000"), std::string::npos);
    // The settings were replaced whole: no temporary file is left beside them.
    WIN32_FIND_DATAA found = {};
    HANDLE find = FindFirstFileA(m_dir.File("*").c_str(), &found);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    std::vector<std::string> names;
    do {
        names.push_back(found.cFileName);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    for (const std::string& name : names)
        EXPECT_TRUE(name == "." || name == ".." || name == "rec" || name == "Tunaro FM.exe" ||
                    name == "zentaviq_Capture.dll" || name == "setting.ini" || name == "FMSETTING.ini" ||
                    name.rfind("fakecap", 0) == 0)
            << name;
}

TEST_F(FmWindowTest, RecordsInBothFormatsRefusesToLeaveWhileRecordingAndStopsTheRecordingFor1234) {
    const std::string rec = m_dir.File("Recordings");
    ASSERT_TRUE(e2e::WriteFile(m_dir.File("FMSETTING.ini"),
                               "[Record]\r\nRecordType=0\r\nRecordPath=" + rec + "\r\n"));
    HWND fm = Start();
    ASSERT_NE(fm, nullptr);
    EXPECT_EQ(LastCall("channel"), "channel 0");

    e2e::SendCommand(fm, 1094);
    std::string started = LastCall("mp3 start ");
    ASSERT_FALSE(started.empty());
    // The name is the time: "<directory>\YYYYmmdd-HHMMSS.MP3".
    const std::string path = started.substr(10);
    ASSERT_EQ(path.size(), rec.size() + 1 + 15 + 4) << path;
    EXPECT_EQ(path.compare(0, rec.size() + 1, rec + "\\"), 0) << path;
    EXPECT_EQ(path.substr(path.size() - 4), ".MP3");
    EXPECT_EQ(path[rec.size() + 9], '-');
    EXPECT_TRUE(e2e::FileExists(path));
    EXPECT_EQ(e2e::ControlText(fm, kModeText), "Recording");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(fm, 1097)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(fm, 1053)));

    // While recording: no station changes, no scan, no exit.
    const int channelCalls = CountCalls("channel");
    e2e::SendCommand(fm, 1097);
    e2e::SendCommand(fm, 1108);
    e2e::SendCommand(fm, 405);
    e2e::SendCommand(fm, 403);
    EXPECT_EQ(CountCalls("channel"), channelCalls);
    EXPECT_EQ(IndexOf("scan"), -1);
    EXPECT_NE(e2e::FindTopWindow(kFmTitle), nullptr);

    // Stop record (507) stops it.
    e2e::SendCommand(fm, 507);
    EXPECT_EQ(CountCalls("mp3 stop"), 1);
    EXPECT_EQ(e2e::ControlText(fm, kModeText), "FM Radio");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(fm, 1097)));
    e2e::SendCommand(fm, 403);
    ASSERT_TRUE(m_program.WaitForExit(kExitTimeoutMs));

    // WMA, and 1234 during the recording: stopped and saved before the device goes.
    ASSERT_TRUE(e2e::WriteFile(m_dir.File("FMSETTING.ini"),
                               "[Record]\r\nRecordType=1\r\nRecordPath=" + rec + "\r\n"));
    e2e::Program wmaRun;
    fm = Start(wmaRun);
    ASSERT_NE(fm, nullptr);
    const int stopsBefore = CountCalls("stop device");
    e2e::SendCommand(fm, 1094);
    started = LastCall("wma start ");
    ASSERT_FALSE(started.empty());
    EXPECT_EQ(started.substr(started.size() - 4), ".WMA");
    e2e::PostCommand(fm, tunaro::peer::kFmCloseForTv);
    EXPECT_TRUE(wmaRun.WaitForExit(kExitTimeoutMs));
    const std::vector<std::string> calls = Calls();
    int wmaStop = -1, deviceStop = -1;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        if (calls[i] == "wma stop")
            wmaStop = static_cast<int>(i);
        if (calls[i] == "stop device" && static_cast<int>(i) > IndexOf("wma start"))
            deviceStop = static_cast<int>(i);
    }
    ASSERT_GE(wmaStop, 0);
    EXPECT_GT(deviceStop, wmaStop);
    EXPECT_EQ(CountCalls("stop device"), stopsBefore + 1);
}

TEST_F(FmWindowTest, TimedRecordingsStartAndStopOnTimeWhileMissedAndUnsafeOnesGo) {
    int start = 0;
    const std::string timed = StartTimeLine(20, &start);
    const std::string list = StartTimeLine(-7200, nullptr) + "RecLen: 60\nChan: 4\nFile: missed\n" + timed +
                             "RecLen: 6\nChan: 2\nFile: timed one\n" + StartTimeLine(600, nullptr) +
                             "RecLen: 60\nChan: 1\nFile: ..\\escape\n";
    ASSERT_TRUE(e2e::WriteFile(m_dir.File("Recordlst.txt"), list));
    const std::string rec = m_dir.File("rec");
    ASSERT_TRUE(e2e::WriteFile(m_dir.File("FMSETTING.ini"), "[Record]\r\nRecordPath=" + rec + "\r\n"));
    HWND fm = Start();
    ASSERT_NE(fm, nullptr);

    ASSERT_TRUE(WaitForCall("mp3 start", 60000));
    ASSERT_TRUE(WaitForCall("mp3 stop", 30000));
    const std::vector<std::string> lines = Log();
    int startedAt = -1, stoppedAt = -1, startIndex = -1;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (CallOf(lines[i]).rfind("mp3 start", 0) == 0) {
            startedAt = StampSeconds(lines[i]);
            startIndex = static_cast<int>(i);
            EXPECT_EQ(CallOf(lines[i]), "mp3 start " + rec + "\\timed one.MP3");
        }
        if (CallOf(lines[i]) == "mp3 stop")
            stoppedAt = StampSeconds(lines[i]);
    }
    // On its station, begun at most 3 s early (and a second late at worst), stopped after 6 s.
    ASSERT_GT(startIndex, 0);
    std::string stationBefore;
    for (int i = 0; i < startIndex; ++i)
        if (CallOf(lines[static_cast<std::size_t>(i)]).rfind("channel", 0) == 0)
            stationBefore = CallOf(lines[static_cast<std::size_t>(i)]);
    EXPECT_EQ(stationBefore, "channel 2");
    EXPECT_GE(startedAt, start - 3);
    EXPECT_LE(startedAt, start + 1);
    EXPECT_GE(stoppedAt, start + 6);
    EXPECT_LE(stoppedAt, start + 8);
    EXPECT_EQ(CountCalls("mp3 start"), 1);
    EXPECT_EQ(e2e::ControlText(fm, kModeText), "FM Radio");

    // The list file was rewritten without what is done or passed; the unsafe name never made it
    // in, and nothing was written outside the recording directory.
    const std::string after = e2e::ReadFile(m_dir.File("Recordlst.txt"));
    EXPECT_EQ(after.find("missed"), std::string::npos) << after;
    EXPECT_EQ(after.find("timed one"), std::string::npos) << after;
    EXPECT_EQ(after.find("escape"), std::string::npos) << after;
    EXPECT_FALSE(e2e::FileExists(m_dir.File("escape.MP3")));
    EXPECT_TRUE(e2e::FileExists(rec + "\\timed one.MP3"));
}

TEST_F(FmWindowTest, ScanFindsTheBandsStationsSavesThemAndHoldsTheWindowOpen) {
    ASSERT_TRUE(e2e::WriteFile(m_dir.File("fakecap_band.txt"), "88500000\n96300000\n104100000\n"));
    ASSERT_TRUE(e2e::WriteFile(m_dir.File("FMSETTING.ini"), "[AutoScan]\r\nSense=2\r\n"));
    HWND fm = Start();
    ASSERT_NE(fm, nullptr);
    e2e::SendCommand(fm, 405);
    EXPECT_EQ(e2e::ControlText(fm, kModeText), "Auto Scan");
    e2e::SendCommand(fm, 403);  // no exit while scanning
    e2e::SendCommand(fm, 1094); // nor a recording
    EXPECT_NE(e2e::FindTopWindow(kFmTitle), nullptr);
    EXPECT_EQ(IndexOf("mp3 start"), -1);
    ASSERT_TRUE(WaitForCall("scan done mode 2", 30000));
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::ControlText(fm, kModeText) == "FM Radio"; }, 10000));
    const std::string stations = e2e::ReadFile(m_dir.File("fakecap_stations.txt"));
    EXPECT_EQ(stations, "New Channel 0|88500000\nNew Channel 1|96300000\nNew Channel 2|104100000\n");
    // The scan's list is the one the station commands now step through.
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::ControlText(fm, kFrequencyText) == "88.50 MHz"; }, 5000));
    e2e::SendCommand(fm, 1107);
    EXPECT_EQ(e2e::ControlText(fm, kFrequencyText), "104.10 MHz");

    // A scan stopped by the user ends on the last station it found.
    e2e::SendCommand(fm, 405);
    ASSERT_TRUE(e2e::WaitUntil([&] { return CountCalls("tune 96300000") >= 2; }, 20000));
    e2e::SendCommand(fm, 405);
    EXPECT_EQ(LastCall("scan abort"), "scan abort mode 2");
    EXPECT_EQ(e2e::ControlText(fm, kModeText), "FM Radio");
    const std::string partial = e2e::ReadFile(m_dir.File("fakecap_stations.txt"));
    const int found = static_cast<int>(std::count(partial.begin(), partial.end(), '\n'));
    ASSERT_GE(found, 2);
    EXPECT_EQ(LastCall("channel"), "channel " + std::to_string(found - 1));
    e2e::SendCommand(fm, 403);
    EXPECT_TRUE(m_program.WaitForExit(kExitTimeoutMs));
}

TEST_F(FmWindowTest, QuickPlayPlaysTheLatestRecordingPausesResumesAndStopsBackToTheRadio) {
    if (!mediacheck::Available())
        GTEST_SKIP() << "native ffmpeg is missing";
    const std::string rec = m_dir.File("rec");
    ASSERT_TRUE(CreateDirectoryA(rec.c_str(), nullptr));
    ASSERT_TRUE(
        CopyFileA((e2e::ExeDir() + "\\TrackDeck.dll").c_str(), m_dir.File("TrackDeck.dll").c_str(), FALSE));
    // Two recordings: the later one (8 s) is what quick play picks.
    std::string output;
    for (const char* name : {"older.WMA", "20261208-210000.MP3"}) {
        ASSERT_EQ(mediacheck::RunShell(
                      "ffmpeg -nostdin -loglevel error -y -f lavfi -i sine=frequency=330:duration=" +
                          std::string(name[0] == 'o' ? "3" : "8") + " -ac 2 -ar 44100 -b:a 128k " +
                          (name[0] == 'o' ? "-c:a wmav2 -f asf '" : "-c:a libmp3lame '") +
                          mediacheck::UnixPath(rec + "\\" + name) + "'",
                      &output),
                  0)
            << output;
        Sleep(1100); // creation times a second apart
    }
    ASSERT_TRUE(e2e::WriteFile(m_dir.File("FMSETTING.ini"), "[Record]\r\nRecordPath=" + rec + "\r\n"));
    HWND fm = Start();
    ASSERT_NE(fm, nullptr);
    const int starts = CountCalls("start device 1");

    e2e::SendCommand(fm, 1119);
    EXPECT_EQ(e2e::ControlText(fm, kModeText), "Playing");
    // The card is given up while a file plays.
    EXPECT_EQ(CountCalls("stop device"), 1);
    auto positionOf = [&](int* duration) {
        int m = -1, s = -1, dm = -1, ds = -1;
        const std::string text = e2e::ControlText(fm, kFrequencyText);
        if (std::sscanf(text.c_str(), "%d:%d/%d:%d", &m, &s, &dm, &ds) != 4)
            return -1;
        if (duration)
            *duration = dm * 60 + ds;
        return m * 60 + s;
    };
    int duration = 0;
    ASSERT_TRUE(e2e::WaitUntil([&] { return positionOf(&duration) >= 2; }, 20000))
        << e2e::ControlText(fm, kFrequencyText);
    EXPECT_EQ(duration, 8);
    // Station keys rest while the file is open.
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(fm, 1097)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(fm, 506)));

    // Paused, the position stands; twice is no different; play resumes.
    e2e::SendCommand(fm, 506);
    e2e::SendCommand(fm, 506);
    Sleep(1200);
    const int paused = positionOf(nullptr);
    Sleep(2500);
    EXPECT_EQ(positionOf(nullptr), paused);
    e2e::SendCommand(fm, 1119); // quick play while paused resumes
    EXPECT_TRUE(e2e::WaitUntil([&] { return positionOf(nullptr) > paused; }, 10000));

    // At the end it says so and starts over from the beginning.
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::ControlText(fm, kFrequencyText) == "Play Finish"; }, 20000));
    EXPECT_TRUE(e2e::WaitUntil(
        [&] {
            const int p = positionOf(nullptr);
            return p >= 0 && p < 4;
        },
        10000));

    // Stop (507 while nothing records) closes the file and the radio comes back.
    e2e::SendCommand(fm, 507);
    EXPECT_EQ(e2e::ControlText(fm, kModeText), "FM Radio");
    EXPECT_EQ(CountCalls("start device 1"), starts + 1);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(fm, 1097)));
    e2e::SendCommand(fm, 1098);
    EXPECT_EQ(LastCall("channel"), "channel 2");
    e2e::SendCommand(fm, 403);
    EXPECT_TRUE(m_program.WaitForExit(kExitTimeoutMs));
}

TEST_F(FmWindowTest, AMissingCardOrRefusedFmModeIsReportedAndOnlyOneCopyRuns) {
    ASSERT_TRUE(e2e::WriteFile(m_dir.File("fakecap_nocard"), ""));
    {
        e2e::MessageBoxWatcher boxes;
        e2e::Program run;
        ASSERT_TRUE(run.Start(Exe()));
        boxes.SetPid(run.Pid());
        EXPECT_TRUE(run.WaitForExit(kStartTimeoutMs));
        const std::vector<e2e::SeenMessageBox> seen = boxes.Seen();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].caption, "Error");
        EXPECT_EQ(seen[0].text, "Cannot find any card, Please check driver setup success!");
        // The second card family was tried before giving up.
        EXPECT_LT(IndexOf("select video Ph7134"), IndexOf("select video Lumen Grabber K3"));
        EXPECT_EQ(CountCalls("start device -1"), 2);
    }
    DeleteFileA(m_dir.File("fakecap_nocard").c_str());
    ASSERT_TRUE(e2e::WriteFile(m_dir.File("fakecap_nofm"), ""));
    {
        e2e::MessageBoxWatcher boxes;
        e2e::Program run;
        ASSERT_TRUE(run.Start(Exe()));
        boxes.SetPid(run.Pid());
        EXPECT_TRUE(run.WaitForExit(kStartTimeoutMs));
        const std::vector<e2e::SeenMessageBox> seen = boxes.Seen();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].text, "Set FM mode fail, Please check driver setup success!");
    }
    DeleteFileA(m_dir.File("fakecap_nofm").c_str());

    HWND fm = Start();
    ASSERT_NE(fm, nullptr);
    // A second copy leaves the card to the first and ends.
    const int starts = CountCalls("start device");
    e2e::Program second;
    ASSERT_TRUE(second.Start(Exe()));
    EXPECT_TRUE(second.WaitForExit(kStartTimeoutMs));
    EXPECT_TRUE(IsWindow(fm));
    EXPECT_EQ(CountCalls("start device"), starts);
}

} // namespace

namespace {

// A value of HKLM\Software\Tunaro ("Language", "path"): the value before the test, put back at
// its end.
class TunaroValue {
public:
    explicit TunaroValue(const char* name) : m_name(name) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Tunaro", 0, KEY_READ, &key) != ERROR_SUCCESS)
            return;
        char value[MAX_PATH] = {};
        DWORD size = sizeof value - 1;
        m_had = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) ==
                ERROR_SUCCESS;
        m_old = value;
        RegCloseKey(key);
    }
    ~TunaroValue() { Set(m_had ? m_old.c_str() : nullptr); }
    TunaroValue(const TunaroValue&) = delete;
    TunaroValue& operator=(const TunaroValue&) = delete;

    // A string value, or none when value is null.
    bool Set(const char* value) const {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Tunaro", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &key, nullptr) != ERROR_SUCCESS)
            return false;
        const LONG rc = value ? RegSetValueExA(key, m_name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                                               static_cast<DWORD>(strlen(value) + 1))
                              : RegDeleteValueA(key, m_name);
        RegCloseKey(key);
        return rc == ERROR_SUCCESS || (!value && rc == ERROR_FILE_NOT_FOUND);
    }

private:
    const char* m_name;
    bool m_had = false;
    std::string m_old;
};

TEST_F(FmWindowTest, ChineseModeShowsTheChineseTexts) {
    TunaroValue language("Language");
    ASSERT_TRUE(language.Set("2052"));
    HWND fm = Start();
    ASSERT_NE(fm, nullptr);
    EXPECT_EQ(e2e::ControlText(fm, kModeText), "调频广播");
    EXPECT_EQ(e2e::ControlText(fm, kFrequencyText), "88.10 MHz");
    e2e::SendCommand(fm, 405);
    EXPECT_EQ(e2e::ControlText(fm, kModeText), "自动搜台");
    e2e::SendCommand(fm, 405);
    EXPECT_EQ(e2e::ControlText(fm, kModeText), "调频广播");
    e2e::SendCommand(fm, 403);
    EXPECT_TRUE(m_program.WaitForExit(kExitTimeoutMs));

    // Any other value is English.
    ASSERT_TRUE(language.Set("1033"));
    e2e::Program english;
    fm = Start(english);
    ASSERT_NE(fm, nullptr);
    EXPECT_EQ(e2e::ControlText(fm, kModeText), "FM Radio");
    e2e::SendCommand(fm, 403);
    EXPECT_TRUE(english.WaitForExit(kExitTimeoutMs));
}

TEST_F(FmWindowTest, TvButtonStartsTheTvProgramOfTheInstallationOrSaysItIsMissing) {
    TunaroValue path("path");
    const std::string tvDir = m_dir.File("tv");
    ASSERT_TRUE(CreateDirectoryA(tvDir.c_str(), nullptr));
    HWND fm = Start();
    ASSERT_NE(fm, nullptr);
    e2e::MessageBoxWatcher boxes(m_program.Pid());

    // No installation directory: nothing happens.
    ASSERT_TRUE(path.Set(nullptr));
    e2e::SendCommand(fm, 1112);
    EXPECT_TRUE(IsWindow(fm));
    // A directory without the TV program: said so, and the radio plays on.
    ASSERT_TRUE(path.Set(tvDir.c_str()));
    ASSERT_TRUE(e2e::PostCommand(fm, 1112));
    ASSERT_TRUE(boxes.WaitForAny(10000));
    EXPECT_EQ(boxes.Seen().back().caption, "Tunaro");
    EXPECT_EQ(boxes.Seen().back().text, "Tunaro TV application is not found!");
    EXPECT_EQ(boxes.Seen().size(), 1u);
    EXPECT_TRUE(IsWindow(fm));
    // Commands wait for the box to be closed (while it is open the radio takes none).
    ASSERT_TRUE(e2e::WaitUntil([] { return FindWindowA("#32770", "Tunaro") == nullptr; }, 10000));
    // Not while recording.
    const std::string tv = tvDir + "\\Tunaro.EXE";
    ASSERT_TRUE(CopyFileA((e2e::ExeDir() + "\\smoke_target.exe").c_str(), tv.c_str(), FALSE));
    e2e::SendCommand(fm, 1094);
    e2e::SendCommand(fm, 1112);
    Sleep(1000);
    EXPECT_EQ(FindWindowA(nullptr, "Smoke Target"), nullptr);
    e2e::SendCommand(fm, 1094);
    // With the program there: the radio closes (the device stopped) and the TV program starts, shown.
    ASSERT_TRUE(e2e::PostCommand(fm, 1112));
    EXPECT_TRUE(m_program.WaitForExit(kExitTimeoutMs));
    EXPECT_GE(IndexOf("stop device"), 0);
    HWND started = nullptr;
    EXPECT_TRUE(
        e2e::WaitUntil([&] { return (started = FindWindowA(nullptr, "Smoke Target")) != nullptr; }, 20000));
    if (started) {
        EXPECT_TRUE(IsWindowVisible(started));
        PostMessageA(started, WM_CLOSE, 0, 0);
        EXPECT_TRUE(e2e::WaitForWindowGone("Smoke Target", 10000));
    }
}

} // namespace

namespace {

// A dialog with this title once it is shown, which is after its initialisation (it exists, and
// can be found, before); null after timeoutMs.
HWND WaitForDialog(const char* title, DWORD timeoutMs) {
    HWND dialog = e2e::WaitForWindow(title, timeoutMs);
    if (!dialog || !e2e::WaitUntil([dialog] { return IsWindowVisible(dialog) != FALSE; }, timeoutMs))
        return nullptr;
    return dialog;
}

// The shown page of a property sheet that holds the control id (null after 10 s).
HWND PageWith(HWND sheet, int id) {
    HWND found = nullptr;
    e2e::WaitUntil(
        [&] {
            for (HWND page = FindWindowExA(sheet, nullptr, "#32770", nullptr); page;
                 page = FindWindowExA(sheet, page, "#32770", nullptr))
                if (GetDlgItem(page, id) && IsWindowVisible(page)) {
                    found = page;
                    return true;
                }
            return false;
        },
        10000);
    return found;
}

// Moves a trackbar and tells its page, as a drag does.
void MoveTrackbar(HWND page, int id, int position) {
    HWND bar = GetDlgItem(page, id);
    SendMessageA(bar, TBM_SETPOS, TRUE, position);
    SendMessageA(page, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position), reinterpret_cast<LPARAM>(bar));
}

void SetText(HWND dlg, int id, const char* text) {
    SendMessageA(GetDlgItem(dlg, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

TEST_F(FmWindowTest, ChannelSettingPageEditsTheLibrarysListAndScans) {
    ASSERT_TRUE(e2e::WriteFile(m_dir.File("fakecap_band.txt"), "88500000\n96300000\n"));
    ASSERT_TRUE(e2e::WriteFile(m_dir.File("FMSETTING.ini"), "[Channel]\r\nCurrentIndex=3\r\n"));
    HWND fm = Start();
    ASSERT_NE(fm, nullptr);
    e2e::MessageBoxWatcher boxes(m_program.Pid());
    ASSERT_TRUE(e2e::PostCommand(fm, 1015));
    HWND sheet = WaitForDialog("Setting", 20000);
    ASSERT_NE(sheet, nullptr);
    HWND page = PageWith(sheet, 1250);
    ASSERT_NE(page, nullptr);
    HWND list = GetDlgItem(page, 1250);

    // Every station, the current one selected and shown.
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 5);
    EXPECT_EQ(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 3);
    EXPECT_EQ(e2e::ControlText(page, 1251), "101.70 MHz");
    EXPECT_EQ(e2e::ControlText(page, 1252), "[3]");

    // The sensitivity is saved as it moves; fine tuning tunes 25 kHz a step from the station.
    MoveTrackbar(page, 1253, 2);
    EXPECT_EQ(e2e::IniLong(m_dir.File("FMSETTING.ini"), "AutoScan", "Sense", -1), 2);
    EXPECT_EQ(e2e::ControlText(page, 1254), "2");
    MoveTrackbar(page, 1255, 14);
    EXPECT_EQ(LastCall("set frequency"), "set frequency -1 101800000");
    EXPECT_EQ(e2e::ControlText(page, 1251), "101.80 MHz");
    MoveTrackbar(page, 1255, 1);
    EXPECT_EQ(LastCall("set frequency"), "set frequency -1 101475000");

    // Update renames the station in the library.
    SetText(page, 1263, "Four FM");
    e2e::ClickControl(page, 1262);
    EXPECT_EQ(e2e::ControlText(page, 1263), "Four FM");
    // Delete asks first; the answer no keeps it.
    e2e::ClickControl(page, 1260);
    ASSERT_TRUE(boxes.WaitForAny(10000));
    EXPECT_EQ(boxes.Seen().back().text, " You will delete this channel. will you?");
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 5);

    // Insert: a frequency outside the band is refused, one inside goes to the end of the list.
    PostMessageA(GetDlgItem(page, 1261), BM_CLICK, 0, 0);
    HWND insert = WaitForDialog("Insert", 10000);
    ASSERT_NE(insert, nullptr);
    EXPECT_EQ(e2e::ControlText(insert, 1270), "New Channel");
    EXPECT_EQ(e2e::ControlText(insert, 1271), "87.50");
    SetText(insert, 1271, "120");
    PostMessageA(GetDlgItem(insert, IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(e2e::WaitUntil([&] { return boxes.Seen().size() >= 2; }, 10000));
    EXPECT_EQ(boxes.Seen().back().text, "Range of frequency : 87.00 MHZ ~ 108.00 MHZ");
    ASSERT_TRUE(IsWindow(insert));
    SetText(insert, 1270, "Mine");
    SetText(insert, 1271, "99.90");
    PostMessageA(GetDlgItem(insert, IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(e2e::WaitForWindowGone("Insert", 10000));
    EXPECT_TRUE(e2e::WaitUntil([&] { return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 6; }, 5000));
    EXPECT_EQ(e2e::ControlText(page, 1251), "99.90 MHz");
    EXPECT_EQ(e2e::ControlText(page, 1252), "[5]");
    EXPECT_EQ(e2e::ControlText(page, 1263), "Mine");

    // The page's own scan fills the list with what it finds.
    e2e::ClickControl(page, 1256);
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::ControlText(page, 1264) == "Scan Finish"; }, 20000));
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(LastCall("scan done"), "scan done mode 2");
    // Down moves the selected (first) station below the second.
    e2e::ClickControl(page, 1259);
    EXPECT_EQ(e2e::ControlText(page, 1252), "[1]");
    EXPECT_EQ(e2e::ControlText(page, 1251), "88.50 MHz");

    e2e::ClickControl(sheet, IDOK);
    ASSERT_TRUE(e2e::WaitForWindowGone("Setting", 10000));
    EXPECT_EQ(e2e::IniLong(m_dir.File("FMSETTING.ini"), "FreqSetting", "freqspace", -1), 10);
    // The window steps through the new list.
    e2e::SendCommand(fm, 1096);
    EXPECT_EQ(e2e::ControlText(fm, kFrequencyText), "96.30 MHz");
    e2e::SendCommand(fm, 1108);
    EXPECT_EQ(e2e::ControlText(fm, kFrequencyText), "88.50 MHz");
    e2e::SendCommand(fm, 403);
    EXPECT_TRUE(m_program.WaitForExit(kExitTimeoutMs));
    EXPECT_EQ(e2e::ReadFile(m_dir.File("fakecap_stations.txt")),
              "New Channel 1|96300000\nNew Channel 0|88500000\n");
}

TEST_F(FmWindowTest, RecordSettingPagePlansTimedRecordingsAndTheEncoder) {
    const std::string rec = m_dir.File("rec");
    ASSERT_TRUE(e2e::WriteFile(m_dir.File("FMSETTING.ini"),
                               "[Record]\r\nRecordType=0\r\nRecordPath=" + rec + "\r\n"));
    HWND fm = Start();
    ASSERT_NE(fm, nullptr);
    e2e::MessageBoxWatcher boxes(m_program.Pid());

    ASSERT_TRUE(e2e::PostCommand(fm, 1015));
    HWND sheet = WaitForDialog("Setting", 20000);
    ASSERT_NE(sheet, nullptr);
    // The second page, after the channel setting page.
    PostMessageA(sheet, PSM_SETCURSEL, 1, 0);
    HWND page = PageWith(sheet, 1237);
    ASSERT_NE(page, nullptr);
    HWND list = GetDlgItem(page, 1230);
    HWND stations = GetDlgItem(page, 1236);
    // Every station of the library is offered, the first chosen.
    EXPECT_EQ(SendMessageA(stations, CB_GETCOUNT, 0, 0), 5);
    EXPECT_EQ(SendMessageA(stations, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(e2e::ControlText(page, 1240), rec);

    // No station: refused with a word.
    SendMessageA(stations, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    e2e::ClickControl(page, 1237);
    ASSERT_TRUE(boxes.WaitForAny(10000));
    EXPECT_EQ(boxes.Seen().back().text, "No selected channel");
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 0);

    // The plan the page proposes (a minute ahead, half an hour long) on station 2 goes in once;
    // the same plan again overlaps it and is refused.
    SendMessageA(stations, CB_SETCURSEL, 2, 0);
    e2e::ClickControl(page, 1237);
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 1);
    e2e::ClickControl(page, 1237);
    ASSERT_TRUE(e2e::WaitUntil([&] { return boxes.Seen().size() >= 2; }, 10000));
    EXPECT_EQ(boxes.Seen().back().text.rfind("Record list plan time conflict.", 0), 0u)
        << boxes.Seen().back().text;
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 1);

    // WMA, then OK.
    SendMessageA(GetDlgItem(page, 1242), CB_SETCURSEL, 1, 0);
    e2e::ClickControl(sheet, IDOK);
    ASSERT_TRUE(e2e::WaitForWindowGone("Setting", 10000));

    const std::string planned = e2e::ReadFile(m_dir.File("Recordlst.txt"));
    EXPECT_NE(planned.find("RecLen: 1800\nChan: 2\nFile: "), std::string::npos) << planned;
    // The name: the start as yymmdd-HHMMSS- and the minutes of the length.
    const std::size_t file = planned.find("File: ");
    ASSERT_NE(file, std::string::npos);
    const std::string name = planned.substr(file + 6, planned.find('\n', file) - file - 6);
    EXPECT_EQ(name.size(), 16u) << name;
    EXPECT_EQ(name.substr(name.size() - 3), "-30") << name;
    const std::string ini = m_dir.File("FMSETTING.ini");
    EXPECT_EQ(e2e::IniLong(ini, "Record", "RecordType", -1), 1);
    EXPECT_EQ(e2e::IniLong(ini, "CloseComputer", "Flag", -1), 0);

    // The window records in the encoder chosen.
    e2e::SendCommand(fm, 1094);
    EXPECT_NE(LastCall("wma start ").find(rec + "\\"), std::string::npos);
    e2e::SendCommand(fm, 1094);
    EXPECT_EQ(CountCalls("wma stop"), 1);
    e2e::SendCommand(fm, 403);
    EXPECT_TRUE(m_program.WaitForExit(kExitTimeoutMs));
}

} // namespace

namespace {

// The program with the real capture library on the prefix's simulated card. The card reads a
// broadcast of its own (three FM stations low in the band, so a scan passes them all within half
// a minute) from a simcard.ini of this test, named to the program through TUNARO_SIMCARD_INI.
class FmOnTheCardTest : public ::testing::Test {
protected:
    static constexpr long kStations[3] = {87800000, 88300000, 88900000};

    void SetUp() override {
        if (!e2e::FileExists(e2e::SystemDir() + "\\simcard.dll"))
            GTEST_SKIP() << "the prefix has no simulated card";
        ASSERT_TRUE(m_dir.Made());
        for (const char* file : {"Tunaro FM.exe", "zentaviq_Capture.dll", "TrackDeck.dll"})
            ASSERT_TRUE(CopyFileA((e2e::ExeDir() + "\\" + file).c_str(), m_dir.File(file).c_str(), FALSE))
                << file;
        ASSERT_TRUE(e2e::WriteFile(m_dir.File("setting.ini"), std::string("[Title]\r\nText=") + kTvTitle +
                                                                  "\r\n[FM]\r\nTitle=" + kFmTitle + "\r\n"));
        // The card family the prefix registered, with this test's broadcast.
        const std::string family = e2e::IniString(e2e::SimCardPath(), "Config", "Family", "SAA7134");
        const long generic = e2e::IniLong(e2e::SimCardPath(), "Config", "GenericDevice", 0);
        ASSERT_TRUE(e2e::WriteFile(m_card, "[Config]\r\nFamily=" + family +
                                               "\r\nGenericDevice=" + std::to_string(generic) +
                                               "\r\nFM1=87800000,Dawn FM\r\nFM2=88300000,Delta Radio\r\n"
                                               "FM3=88900000,Dune FM\r\n"));
        ASSERT_TRUE(SetEnvironmentVariableA("TUNARO_SIMCARD_INI", m_card.c_str()));
    }
    void TearDown() override {
        if (m_program.Running())
            m_program.Stop(kExitTimeoutMs);
        SetEnvironmentVariableA("TUNARO_SIMCARD_INI", nullptr);
    }

    // A value of the card's [State] (read again while the card rewrites the file).
    std::string Card(const char* key) const {
        std::string value;
        for (int attempt = 0; attempt < 50; ++attempt) {
            value = e2e::IniString(m_card, "State", key, "");
            if (!value.empty() || !e2e::IniString(m_card, "State", "Family", "").empty())
                break;
            Sleep(10);
        }
        return value;
    }
    long CardFrequency() const { return std::strtol(Card("Frequency").c_str(), nullptr, 10); }

    // The recordings of one extension in the record directory.
    std::vector<std::string> Recordings(const std::string& extension) const {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found = {};
        HANDLE find = FindFirstFileA((m_rec + "\\*." + extension).c_str(), &found);
        if (find == INVALID_HANDLE_VALUE)
            return names;
        do {
            names.push_back(found.cFileName);
        } while (FindNextFileA(find, &found));
        FindClose(find);
        return names;
    }

    // Seconds of the day now.
    static int NowOfDay() {
        const SYSTEMTIME t = LocalNow().st;
        return t.wHour * 3600 + t.wMinute * 60 + t.wSecond;
    }

    // ffprobe's reading of a recording: one audio stream of the codec (in the container, when
    // one is named), lasting seconds give or take a second.
    static void ExpectRecording(const std::string& path, const char* container, const char* codec,
                                double seconds) {
        SCOPED_TRACE(path);
        if (!mediacheck::Available())
            return;
        auto p = mediacheck::Probe(path);
        ASSERT_FALSE(p.empty()) << "ffprobe cannot read it";
        if (container) {
            EXPECT_EQ(p["format.format_name"], container);
        }
        EXPECT_EQ(p["streams.stream.0.codec_type"], "audio");
        EXPECT_EQ(p["streams.stream.0.codec_name"], codec);
        EXPECT_EQ(p.count("streams.stream.1.codec_type"), 0u) << "sound only";
        EXPECT_NEAR(std::atof(p["format.duration"].c_str()), seconds, 1.0);
    }

    e2e::ScratchDir m_dir{"fmcard"};
    std::string m_card = m_dir.File("simcard.ini");
    std::string m_rec = m_dir.File("rec");
    e2e::SavedFile m_stationFile{e2e::SystemDir() + "\\FmProgram.txt"};
    e2e::Program m_program;
};

TEST_F(FmOnTheCardTest, TunesRecordsRunsItsTimedListScansPlaysAndClosesFor1234) {
    ASSERT_TRUE(e2e::WriteFile(m_stationFile.Path(), "Name: Dawn FM\r\nFreq: 87800000\r\nChan: 1\r\n"
                                                     "Name: Delta Radio\r\nFreq: 88300000\r\nChan: 2\r\n"
                                                     "Name: Dune FM\r\nFreq: 88900000\r\nChan: 3\r\n"));
    ASSERT_TRUE(
        e2e::WriteFile(m_dir.File("FMSETTING.ini"), "[Channel]\r\nCurrentIndex=2\r\nPreChannelIndex=0\r\n"
                                                    "[Record]\r\nRecordType=0\r\nRecordPath=" +
                                                        m_rec + "\r\n"));
    // A timed recording a minute ahead, 10 s on the second station.
    int timedStart = 0;
    ASSERT_TRUE(e2e::WriteFile(m_dir.File("Recordlst.txt"),
                               StartTimeLine(60, &timedStart) + "RecLen: 10\nChan: 1\nFile: timed\n"));

    const ULONGLONG settingsFile = e2e::FileIdOf(m_dir.File("FMSETTING.ini"));
    const ULONGLONG listFile = e2e::FileIdOf(m_dir.File("Recordlst.txt"));
    ASSERT_NE(settingsFile, 0u);
    ASSERT_NE(listFile, 0u);
    ASSERT_TRUE(m_program.Start(m_dir.File("Tunaro FM.exe")));
    e2e::MessageBoxWatcher boxes(m_program.Pid());
    HWND fm = e2e::WaitForWindow(kFmTitle, kStartTimeoutMs);
    ASSERT_NE(fm, nullptr);
    ASSERT_TRUE(e2e::WaitUntil([fm] { return IsWindowVisible(fm) != FALSE; }, kStartTimeoutMs));

    // ---- up on the last station, in FM mode, heard ------------------------------------------
    EXPECT_EQ(e2e::ControlText(fm, kFrequencyText), "88.90 MHz");
    EXPECT_EQ(Card("TunerMode"), "FM");
    EXPECT_EQ(CardFrequency(), 88900000);
    EXPECT_EQ(Card("Station"), "Dune FM");
    EXPECT_EQ(Card("AudioRouted"), "1");

    // ---- station keys and fine tuning reach the tuner -----------------------------------------
    struct Step {
        WORD command;
        long frequency;
    };
    const Step steps[] = {
        {1108, 87800000}, // channel + after the last: the first
        {1107, 88900000}, // channel - before the first: the last
        {1097, 88300000}, // digit 1
        {1106, 88900000}, // the previous station
        {1106, 88300000}, // and back
        {1105, 88300000}, // digit 9 names no station
        {1089, 88350000}, // Freq+
        {1090, 88300000}, // Freq-
    };
    for (const Step& s : steps) {
        e2e::SendCommand(fm, s.command);
        EXPECT_EQ(CardFrequency(), s.frequency) << s.command;
        char text[32];
        std::snprintf(text, sizeof text, "%.2f MHz", s.frequency * 1e-6);
        EXPECT_EQ(e2e::ControlText(fm, kFrequencyText), text) << s.command;
    }
    EXPECT_EQ(Card("Station"), "Delta Radio");

    // ---- 10 s in MP3, then 10 s in WMA (chosen on the record setting page) ----------------------
    e2e::SendCommand(fm, 1094);
    EXPECT_EQ(e2e::ControlText(fm, kModeText), "Recording");
    Sleep(10000);
    e2e::SendCommand(fm, 1094);
    EXPECT_EQ(e2e::ControlText(fm, kModeText), "FM Radio");
    const std::vector<std::string> mp3 = Recordings("MP3");
    ASSERT_EQ(mp3.size(), 1u);
    EXPECT_EQ(mp3[0].size(), 15u + 4u) << mp3[0]; // YYYYmmdd-HHMMSS.MP3
    ExpectRecording(m_rec + "\\" + mp3[0], nullptr, "mp3", 10.0);

    ASSERT_TRUE(e2e::PostCommand(fm, 1015));
    HWND sheet = WaitForDialog("Setting", 20000);
    ASSERT_NE(sheet, nullptr);
    PostMessageA(sheet, PSM_SETCURSEL, 1, 0);
    HWND page = PageWith(sheet, 1242);
    ASSERT_NE(page, nullptr);
    SendMessageA(GetDlgItem(page, 1242), CB_SETCURSEL, 1, 0);
    e2e::ClickControl(sheet, IDOK);
    ASSERT_TRUE(e2e::WaitForWindowGone("Setting", 10000));
    e2e::SendCommand(fm, 1094);
    Sleep(10000);
    e2e::SendCommand(fm, 1094);
    const std::vector<std::string> wma = Recordings("WMA");
    ASSERT_EQ(wma.size(), 1u);
    ExpectRecording(m_rec + "\\" + wma[0], "asf", "wmav2", 10.0);
    // Another station, so the timed entry's own is seen to be chosen.
    e2e::SendCommand(fm, 1096);
    EXPECT_EQ(CardFrequency(), 87800000);

    // ---- the timed entry records on time, on its station, and stops on time ------------------------
    ASSERT_LT(NowOfDay(), timedStart - 3) << "the recordings before took too long";
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::ControlText(fm, kModeText) == "Recording"; }, 70000));
    const int startedAt = NowOfDay();
    EXPECT_EQ(CardFrequency(), 88300000);
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::ControlText(fm, kModeText) == "FM Radio"; }, 20000));
    const int stoppedAt = NowOfDay();
    // Seen once the graph runs (or has stopped): building and stopping take a moment on a busy
    // machine, the check itself runs once a second.
    EXPECT_GE(startedAt, timedStart - 3);
    EXPECT_LE(startedAt, timedStart + 2);
    EXPECT_GE(stoppedAt, timedStart + 10);
    EXPECT_LE(stoppedAt, timedStart + 13);
    // It may begin up to 3 s early; it lasts from its start to its end.
    const int timedSeconds = stoppedAt - startedAt;
    ExpectRecording(m_rec + "\\timed.WMA", "asf", "wmav2", timedSeconds);
    EXPECT_EQ(e2e::ReadFile(m_dir.File("Recordlst.txt")).find("timed"), std::string::npos)
        << "done: off the list";

    // ---- the band scan finds exactly the broadcast's stations; stopped past them, it saves them -------
    e2e::SendCommand(fm, 405);
    EXPECT_EQ(e2e::ControlText(fm, kModeText), "Auto Scan");
    std::vector<std::string> shown;
    ASSERT_TRUE(e2e::WaitUntil(
        [&] {
            const std::string text = e2e::ControlText(fm, kFrequencyText);
            if (shown.empty() || shown.back() != text)
                shown.push_back(text);
            return std::atof(text.c_str()) >= 89.3;
        },
        90000));
    e2e::SendCommand(fm, 405);
    EXPECT_EQ(e2e::ControlText(fm, kModeText), "FM Radio");
    // The scan showed the frequencies it passed, from the band's start.
    EXPECT_NE(std::find(shown.begin(), shown.end(), "87.50 MHz"), shown.end());
    EXPECT_NE(std::find(shown.begin(), shown.end(), "88.60 MHz"), shown.end());
    std::string expected;
    for (int i = 0; i < 3; ++i)
        expected += "Name: New Channel " + std::to_string(i) + "\r\nFreq: " + std::to_string(kStations[i]) +
                    "\r\nChan: " + std::to_string(i) + "\r\n";
    EXPECT_EQ(e2e::ReadFile(m_stationFile.Path()), expected);
    // It ends on the last station found.
    EXPECT_EQ(e2e::ControlText(fm, kFrequencyText), "88.90 MHz");
    EXPECT_EQ(CardFrequency(), 88900000);
    e2e::SendCommand(fm, 1096);
    EXPECT_EQ(CardFrequency(), 87800000);
    e2e::SendCommand(fm, 1107);
    EXPECT_EQ(CardFrequency(), 88900000);

    // ---- quick play: the latest recording plays, pauses, resumes and stops back to the radio --------
    e2e::SendCommand(fm, 1119);
    EXPECT_EQ(e2e::ControlText(fm, kModeText), "Playing");
    auto positionOf = [&](int* duration) {
        int m = -1, s = -1, dm = -1, ds = -1;
        const std::string text = e2e::ControlText(fm, kFrequencyText);
        if (std::sscanf(text.c_str(), "%d:%d/%d:%d", &m, &s, &dm, &ds) != 4)
            return -1;
        if (duration)
            *duration = dm * 60 + ds;
        return m * 60 + s;
    };
    int duration = 0;
    ASSERT_TRUE(e2e::WaitUntil([&] { return positionOf(&duration) >= 2; }, 20000))
        << e2e::ControlText(fm, kFrequencyText);
    EXPECT_NEAR(duration, timedSeconds, 1) << "the timed recording is the latest";
    e2e::SendCommand(fm, 506);
    Sleep(1200);
    const int paused = positionOf(nullptr);
    Sleep(2500);
    EXPECT_EQ(positionOf(nullptr), paused) << "paused";
    e2e::SendCommand(fm, 1049);
    EXPECT_TRUE(e2e::WaitUntil([&] { return positionOf(nullptr) > paused; }, 10000)) << "resumed";
    e2e::SendCommand(fm, 507);
    EXPECT_EQ(e2e::ControlText(fm, kModeText), "FM Radio");
    // The card is the radio's again, on its station.
    EXPECT_TRUE(
        e2e::WaitUntil([&] { return Card("TunerMode") == "FM" && CardFrequency() == 88900000; }, 10000));
    EXPECT_EQ(e2e::ControlText(fm, kFrequencyText), "88.90 MHz");

    // ---- 1234 from the TV program closes it, its state saved ------------------------------------------
    ASSERT_TRUE(e2e::PostCommand(fm, tunaro::peer::kFmCloseForTv));
    EXPECT_TRUE(e2e::WaitForWindowGone(kFmTitle, kExitTimeoutMs));
    EXPECT_TRUE(m_program.WaitForExit(kExitTimeoutMs));
    EXPECT_EQ(e2e::IniLong(m_dir.File("FMSETTING.ini"), "Channel", "CurrentIndex", -1), 2);
    EXPECT_EQ(e2e::ReadFile(m_stationFile.Path()), expected) << "the list as the scan left it";
    // Its state files were each replaced by a complete new file, none rewritten in place, and no
    // temporary file is left beside them.
    EXPECT_NE(e2e::FileIdOf(m_dir.File("FMSETTING.ini")), settingsFile);
    EXPECT_NE(e2e::FileIdOf(m_dir.File("Recordlst.txt")), listFile);
    WIN32_FIND_DATAA found = {};
    HANDLE find = FindFirstFileA(m_dir.File("~tu*.tmp").c_str(), &found);
    EXPECT_EQ(find, INVALID_HANDLE_VALUE) << found.cFileName;
    if (find != INVALID_HANDLE_VALUE)
        FindClose(find);
    for (const e2e::SeenMessageBox& box : boxes.Seen())
        ADD_FAILURE() << "message box: " << box.caption << ": " << box.text;
}

TEST_F(FmOnTheCardTest, WithoutACardItSaysSoAndWithoutStationsItListensAt87_9) {
    {
        e2e::HiddenCard hidden(m_card);
        ASSERT_TRUE(hidden.Hidden());
        e2e::MessageBoxWatcher boxes;
        e2e::Program run;
        ASSERT_TRUE(run.Start(m_dir.File("Tunaro FM.exe")));
        boxes.SetPid(run.Pid());
        EXPECT_TRUE(run.WaitForExit(kStartTimeoutMs));
        const std::vector<e2e::SeenMessageBox> seen = boxes.Seen();
        // The program's own word only: the library answers a missing card by its result.
        ASSERT_EQ(seen.size(), 1u) << (seen.empty() ? std::string() : seen.front().text);
        EXPECT_EQ(seen[0].caption, "Error");
        EXPECT_EQ(seen[0].text, "Cannot find any card, Please check driver setup success!");
        EXPECT_EQ(e2e::FindTopWindow(kFmTitle), nullptr);
    }
    // The card back, and no station list at all: the radio comes up on 87.9 MHz.
    DeleteFileA(m_stationFile.Path().c_str());
    ASSERT_TRUE(m_program.Start(m_dir.File("Tunaro FM.exe")));
    e2e::MessageBoxWatcher boxes(m_program.Pid());
    HWND fm = e2e::WaitForWindow(kFmTitle, kStartTimeoutMs);
    ASSERT_NE(fm, nullptr);
    ASSERT_TRUE(e2e::WaitUntil([fm] { return IsWindowVisible(fm) != FALSE; }, kStartTimeoutMs));
    EXPECT_EQ(Card("TunerMode"), "FM");
    EXPECT_EQ(CardFrequency(), 87900000);
    EXPECT_EQ(e2e::ControlText(fm, kFrequencyText), "87.90 MHz");
    // No station to step to.
    e2e::SendCommand(fm, 1108);
    e2e::SendCommand(fm, 1096);
    EXPECT_EQ(CardFrequency(), 87900000);
    e2e::SendCommand(fm, 403);
    EXPECT_TRUE(m_program.WaitForExit(kExitTimeoutMs));
    EXPECT_TRUE(boxes.Seen().empty());
}

} // namespace
