// End-to-end tests of what the other programs ask of the real Tunaro.exe and what it answers:
// the scheduler's tuning order and recording order (inputs and channels on the simulated card,
// records that are empty or name an unknown format), its busy query, Add Task placing the
// scheduler's window, and the FM button with and without the FM program. One start of the
// program serves the cases in order; the FM button ends it.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "tests/support/e2e.h"
#include "framework/peer_messages.h"
#include "res/tunaro/resource.h"
#include "tests/support/tunaro_suite.h"

namespace {

constexpr const char* kPanelTitle = "Tunaro";

long ChannelFrequency(int i) {
    static const long kPlan[] = {49750000, 77250000, 168250000, 175250000, 184250000, 210250000};
    return kPlan[i];
}

std::string ProgramText() {
    std::string text;
    for (int i = 0; i < 6; ++i) {
        char block[200];
        std::snprintf(block, sizeof block, "Name: Ch%d\nFreq: %ld\nChan: %d\nAudioChannels:0\nCheck:1\n", i,
                      ChannelFrequency(i), i + 1);
        text += block;
    }
    return text;
}

// HKLM\SOFTWARE\Tunaro "path", where the FM button looks for the FM program.
std::optional<std::string> ReadSuitePath() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Tunaro", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    char value[MAX_PATH + 1] = {0};
    DWORD size = MAX_PATH;
    const LONG rc = RegQueryValueExA(key, "path", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? std::optional<std::string>(value) : std::nullopt;
}

bool WriteSuitePath(const std::optional<std::string>& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Tunaro", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    LONG rc = value ? RegSetValueExA(key, "path", 0, REG_SZ, reinterpret_cast<const BYTE*>(value->c_str()),
                                     static_cast<DWORD>(value->size() + 1))
                    : RegDeleteValueA(key, "path");
    if (!value && rc == ERROR_FILE_NOT_FOUND)
        rc = ERROR_SUCCESS;
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

class PeersE2E : public e2e::TunaroSuite {
protected:
    static void SetUpTestSuite() {
        SavedSuitePath() = ReadSuitePath();
        ASSERT_TRUE(VideoDir().Made());
        // The peers the program reports to: the remote, and the debug viewer (the program's
        // diagnostics, for failure reports). The running Tunaro stands in for the scheduler.
        Remote();
        Debug();
        e2e::EndStrayPrograms("Tunaro.exe");
        e2e::TunaroStart start;
        start.programTxt = ProgramText();
        start.tunaroIni = "[VideoSource]\r\nSource=1\r\n[Channel]\r\nCurrentIndex=0\r\n"
                          "PreChannelIndex=0\r\n[Country]\r\niCode=0\r\n"
                          "[SavVideoPath]\r\nPath=" +
                          VideoDir().Path() + "\r\n";
        ASSERT_TRUE(Tunaro().Start(start)) << Tunaro().Failure();
    }
    static void TearDownTestSuite() {
        TunaroSuite::TearDownTestSuite();
        WriteSuitePath(SavedSuitePath());
    }

    static e2e::PeerWindow& Remote() {
        static e2e::PeerWindow remote("Remote");
        return remote;
    }
    static e2e::PeerWindow& Debug() {
        static e2e::PeerWindow debug("DebugOutput", "ZOLT DebugOut Window");
        return debug;
    }
    static e2e::ScratchDir& VideoDir() {
        static e2e::ScratchDir videos("tvpeers-video");
        return videos;
    }
    static std::optional<std::string>& SavedSuitePath() {
        static std::optional<std::string> path;
        return path;
    }

    // The order; one that is taken records, and the recording is stopped again by the
    // scheduler's 2143 before the next case (its file goes to the scratch video directory).
    static LRESULT Order(long format, long channel, const std::string& text,
                         UINT_PTR id = tunaro::peer::kTvCopyDataRecord) {
        const ULONG_PTR word = (static_cast<ULONG_PTR>(format) << 16) | static_cast<ULONG_PTR>(channel);
        Tunaro().Schedule().Clear();
        const LRESULT taken =
            e2e::SendCopyData(Panel(), reinterpret_cast<HWND>(id), word, text.empty() ? nullptr : text.data(),
                              static_cast<DWORD>(text.size()));
        if (taken) {
            EXPECT_TRUE(Tunaro().Schedule().WaitForCommand(tunaro::peer::kScheduleRecordingStarted, 60000))
                << "the order recorded nothing" << OpenDialogs();
            e2e::SendCommand(Panel(), tunaro::peer::kTvScheduleRecord);
            EXPECT_TRUE(Tunaro().Schedule().WaitForCommand(tunaro::peer::kScheduleRecordingStopped, 60000))
                << "2143 did not stop the recording";
        }
        return taken;
    }
    // The titles and texts of the dialogs and message boxes the program shows, for failure reports.
    static std::string OpenDialogs() {
        std::string all;
        for (HWND w : e2e::ProcessWindows(Tunaro().Process().Pid())) {
            char cls[64] = "";
            GetClassNameA(w, cls, sizeof cls);
            if (std::string(cls) != "#32770" || !IsWindowVisible(w))
                continue;
            all += " [" + e2e::WindowText(w) + ": " + e2e::ControlText(w, 0xFFFF) + "]";
        }
        return all;
    }
    // What the program said, whether its panel is still there and what it shows.
    static std::string Diagnostics() {
        std::string all = IsWindow(Panel()) ? " (the panel is there)" : " (the panel is gone)";
        all += OpenDialogs();
        for (const e2e::ReceivedMessage& m : Debug().Messages()) {
            if (m.msg == WM_COPYDATA)
                all += "\n  " + std::string(m.data.c_str());
        }
        return all;
    }
    static bool WaitForInput(const std::string& input) {
        return e2e::WaitUntil([&] { return e2e::SimCardState("VideoInput") == input; }, 8000);
    }
    static bool WaitForFrequency(long hz) {
        return e2e::WaitUntil([&] { return e2e::SimCardStateLong("Frequency") == hz; }, 8000);
    }
};

TEST_F(PeersE2E, TuningAndRecordingOrdersSwitchTheInputAndTheChannel) {
    ASSERT_TRUE(WaitForFrequency(ChannelFrequency(0)));
    ASSERT_TRUE(WaitForInput("Video Tuner"));

    // "...2": S-Video, the channel stays.
    EXPECT_EQ(Order(2, 4, "Record_02"), TRUE);
    EXPECT_TRUE(WaitForInput("Video SVideo"));
    Sync();
    EXPECT_EQ(e2e::SimCardStateLong("Frequency"), ChannelFrequency(0));

    // The tuning order: back on the tuner, on the channel of lParam's low half.
    e2e::SendCommand(Panel(), tunaro::peer::kTvScheduleTune, 0, MAKELPARAM(3, 0x77));
    EXPECT_TRUE(WaitForInput("Video Tuner"));
    EXPECT_TRUE(WaitForFrequency(ChannelFrequency(3)));

    // "...1": composite, with the order's channel.
    EXPECT_EQ(Order(3, 5, "Record_01"), TRUE);
    EXPECT_TRUE(WaitForInput("Video Composite"));
    EXPECT_TRUE(WaitForFrequency(ChannelFrequency(5)));

    // "...0": the tuner, and the order's channel.
    EXPECT_EQ(Order(3, 2, "Record_00"), TRUE);
    EXPECT_TRUE(WaitForInput("Video Tuner"));
    EXPECT_TRUE(WaitForFrequency(ChannelFrequency(2)));

    // Any other digit: the tuner and the channel.
    EXPECT_EQ(Order(3, 1, "Record_07"), TRUE);
    EXPECT_TRUE(WaitForFrequency(ChannelFrequency(1)));
    EXPECT_EQ(e2e::SimCardState("VideoInput"), "Video Tuner");
}

TEST_F(PeersE2E, EmptyRecordingOrdersUseTheTunerAndUnknownFormatsAreRefused) {
    EXPECT_EQ(Order(3, 4, "Record_02"), TRUE);
    ASSERT_TRUE(WaitForInput("Video SVideo"));
    // No text at all: the tuner with the order's channel.
    EXPECT_EQ(Order(3, 2, ""), TRUE);
    EXPECT_TRUE(WaitForInput("Video Tuner"));
    EXPECT_TRUE(WaitForFrequency(ChannelFrequency(2)));
    // No digit at its end: the same.
    EXPECT_EQ(Order(3, 4, "Record_02"), TRUE);
    ASSERT_TRUE(WaitForInput("Video SVideo"));
    EXPECT_EQ(Order(3, 3, "Record_"), TRUE);
    EXPECT_TRUE(WaitForInput("Video Tuner"));
    EXPECT_TRUE(WaitForFrequency(ChannelFrequency(3)));

    // A format nobody knows, or a copy-data record that is not an order: nothing changes.
    EXPECT_EQ(Order(8, 5, "Record_02"), FALSE);
    EXPECT_EQ(Order(0xFFFF, 5, "Record_02"), FALSE);
    EXPECT_EQ(Order(0, 5, "Record_02", tunaro::peer::kTvCopyDataRecord + 1), FALSE);
    Sync();
    EXPECT_EQ(e2e::SimCardState("VideoInput"), "Video Tuner");
    EXPECT_EQ(e2e::SimCardStateLong("Frequency"), ChannelFrequency(3));
}

TEST_F(PeersE2E, RestartingThePreviewKeepsInputAndPicture) {
    EXPECT_EQ(Order(3, 4, "Record_02"), TRUE);
    ASSERT_TRUE(WaitForInput("Video SVideo"));
    e2e::SendCommand(Panel(), tunaro::peer::kTvSchedulerGone);
    Sync();
    EXPECT_EQ(e2e::SimCardStateLong("Running"), 1);
    EXPECT_EQ(e2e::SimCardState("VideoInput"), "Video SVideo");
    e2e::SendCommand(Panel(), tunaro::peer::kTvScheduleTune, 0, 0);
    EXPECT_TRUE(WaitForInput("Video Tuner"));
    EXPECT_TRUE(WaitForFrequency(ChannelFrequency(0)));
}

TEST_F(PeersE2E, AnOrderHandedOverWhileAStopIsToldIsNamedByItsStopTime) {
    // The scheduler answers the stop message of one recording with its next order at once,
    // while the panel still waits on that message.
    LONG handedOver = 0;
    volatile LONG answered = 0;
    LRESULT taken = FALSE;
    Tunaro().Schedule().SetReply([&](HWND, const e2e::ReceivedMessage& m) {
        if (m.msg != WM_COMMAND || LOWORD(m.wParam) != tunaro::peer::kScheduleRecordingStopped ||
            InterlockedExchange(&handedOver, 1) != 0)
            return;
        const ULONG_PTR word = (static_cast<ULONG_PTR>(3) << 16) | 4;
        static const char kText[] = "Record_02";
        taken = e2e::SendCopyData(Panel(), reinterpret_cast<HWND>(tunaro::peer::kTvCopyDataRecord), word,
                                  kText, sizeof kText - 1);
        InterlockedExchange(&answered, 1);
    });
    EXPECT_EQ(Order(3, 2, "Record_00"), TRUE);
    ASSERT_TRUE(e2e::WaitUntil([&] { return InterlockedCompareExchange(&answered, 0, 0) == 1; }, 15000));
    Tunaro().Schedule().SetReply(nullptr);
    ASSERT_EQ(taken, TRUE) << Diagnostics();
    ASSERT_TRUE(WaitForInput("Video SVideo"));
    ASSERT_TRUE(e2e::WaitUntil(
        [] { return Tunaro().Schedule().Commands(tunaro::peer::kScheduleRecordingStarted).size() == 2; },
        60000))
        << "the second order recorded nothing" << Diagnostics();

    // The second recording is the scheduler's too: its stop names it and asks nobody.
    e2e::SendCommand(Panel(), tunaro::peer::kTvScheduleRecord);
    ASSERT_TRUE(e2e::WaitUntil(
        [] { return Tunaro().Schedule().Commands(tunaro::peer::kScheduleRecordingStopped).size() == 2; },
        60000));
    EXPECT_TRUE(e2e::WaitUntil(
        [] { return Tunaro().Schedule().Commands(tunaro::peer::kScheduleTaskOver).size() == 2; }, 10000))
        << Diagnostics();
    Sync();
    EXPECT_EQ(OpenDialogs().find("Please input file name"), std::string::npos) << OpenDialogs();
    e2e::SendCommand(Panel(), tunaro::peer::kTvScheduleTune, 0, 0);
    EXPECT_TRUE(WaitForInput("Video Tuner"));
}

TEST_F(PeersE2E, AddTaskShowsTheSchedulerCentredAboveThePanel) {
    ShowWindow(Tunaro().Schedule().hwnd(), SW_HIDE);
    SetWindowPos(Tunaro().Schedule().hwnd(), nullptr, 3, 4, 100, 50, SWP_NOZORDER | SWP_NOACTIVATE);
    e2e::PostCommand(Panel(), IDC_ADD_TASK);
    RECT panelRect = {};
    GetWindowRect(Panel(), &panelRect);
    const long left = (panelRect.left + panelRect.right) / 2 - 265;
    const long top = (panelRect.top + panelRect.bottom) / 2 - 100;
    EXPECT_TRUE(e2e::WaitUntil(
        [&] {
            RECT rc = {};
            GetWindowRect(Tunaro().Schedule().hwnd(), &rc);
            return rc.left == left && rc.top == top && rc.right - rc.left == 530 && rc.bottom - rc.top == 300;
        },
        8000));
    EXPECT_TRUE(IsWindowVisible(Tunaro().Schedule().hwnd()));
    // The program started no scheduler of its own: the window was there.
    EXPECT_EQ(e2e::FindTopWindow("Schedule"), Tunaro().Schedule().hwnd());
}

TEST_F(PeersE2E, TheBusyQueryIsAnsweredOnlyWhileBusyAndOrdersWaitForTheScan) {
    Tunaro().Schedule().Clear();
    e2e::SendCommand(Panel(), tunaro::peer::kTvBusyQuery);
    Sync();
    EXPECT_TRUE(Tunaro().Schedule().Commands(tunaro::peer::kScheduleWallOpened).empty())
        << "an idle panel answered the busy query";

    Remote().Clear();
    e2e::PostCommand(Panel(), IDC_AUTOSCAN);
    ASSERT_TRUE(Tunaro().Schedule().WaitForCommand(tunaro::peer::kScheduleScanStarted, 8000));
    // The remote agent hears of the scan too (and nothing of its end yet).
    EXPECT_TRUE(Remote().WaitForCommand(tunaro::peer::kRemoteScanStarted, 8000));
    EXPECT_TRUE(Remote().Commands(tunaro::peer::kRemoteScanEnded).empty());
    Tunaro().Schedule().Clear();
    e2e::SendCommand(Panel(), tunaro::peer::kTvBusyQuery);
    EXPECT_TRUE(Tunaro().Schedule().WaitForCommand(tunaro::peer::kScheduleWallOpened, 8000));
    EXPECT_EQ(Tunaro().Schedule().Commands(tunaro::peer::kScheduleWallOpened).size(), 1u);
    // While the scan runs a recording order is not taken.
    EXPECT_EQ(Order(0, 4, "Record_02"), FALSE);
    Sync();
    EXPECT_EQ(e2e::SimCardState("VideoInput"), "Video Tuner");

    e2e::PostCommand(Panel(), IDC_AUTOSCAN);
    ASSERT_TRUE(Tunaro().Schedule().WaitForCommand(tunaro::peer::kScheduleScanEnded, 15000));
    EXPECT_TRUE(Remote().WaitForCommand(tunaro::peer::kRemoteScanEnded, 8000));
    EXPECT_EQ(Remote().Commands(tunaro::peer::kRemoteScanStarted).size(), 1u);
    Tunaro().Schedule().Clear();
    e2e::SendCommand(Panel(), tunaro::peer::kTvBusyQuery);
    Sync();
    EXPECT_TRUE(Tunaro().Schedule().Commands(tunaro::peer::kScheduleWallOpened).empty());
}

TEST_F(PeersE2E, TheFmButtonNeedsAPathAndTheProgramInIt) {
    e2e::MessageBoxWatcher boxes(Tunaro().Process().Pid());
    // No path: nothing at all.
    ASSERT_TRUE(WriteSuitePath(std::string()));
    e2e::SendCommand(Panel(), IDC_FM);
    Sync();
    EXPECT_TRUE(boxes.Seen().empty());
    EXPECT_TRUE(Tunaro().Process().Running());

    // A path without the FM program: the message, and the panel stays.
    e2e::ScratchDir dir("tvpeers-fm");
    ASSERT_TRUE(dir.Made());
    ASSERT_TRUE(WriteSuitePath(dir.Path()));
    e2e::PostCommand(Panel(), IDC_FM);
    ASSERT_TRUE(boxes.WaitForAny(10000));
    ASSERT_EQ(boxes.Seen().size(), 1u);
    EXPECT_EQ(boxes.Seen()[0].text, "Tunaro FM is not found!");
    EXPECT_EQ(boxes.Seen()[0].caption, kPanelTitle);
    Sync();
    EXPECT_TRUE(Tunaro().Process().Running());

    // With the FM program there, the panel makes way for it: it ends and the program starts.
    ASSERT_TRUE(CopyFileA((e2e::ExeDir() + "\\tvapp_schedule_standin.exe").c_str(),
                          dir.File("Tunaro FM.EXE").c_str(), FALSE));
    e2e::PostCommand(Panel(), IDC_FM);
    EXPECT_TRUE(Tunaro().Process().WaitForExit(20000)) << "the panel did not end for the FM program" << [&] {
        std::string all;
        for (const e2e::SeenMessageBox& box : boxes.Seen())
            all += " [" + box.text + "]";
        return all;
    }() << Diagnostics();
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::FileExists(dir.File("schedule-started.txt")); }, 10000))
        << "the FM program was not started";
    EXPECT_EQ(boxes.Seen().size(), 1u);
}

} // namespace
