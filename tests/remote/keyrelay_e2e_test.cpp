// End-to-end tests of the installed KeyRelay with keys pressed by irsend and peer windows in
// place of the TV and FM programs: where commands go, what the window shows, held and unknown
// keys, the pause around a scan, card removal and arrival, Close computer, a missing receiver
// library, a receiver without its card, the single copy, the tray and the Chinese mode.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/remote/agent.h"
#include "tests/support/e2e.h"
#include "tests/platform/irrecv/irsend_runner.h"

namespace {

using irsend_test::Irsend;
using irsend_test::IrsendResult;
using irsend_test::IrsendRun;
using namespace keyrelay_test;

constexpr const char* kTv = "Tunaro";
constexpr const char* kFm = "Tunaro FM";

// The WM_COMMAND wParams a peer received, in order (only the low 32 bits are the command).
std::vector<uint32_t> CommandIds(const e2e::PeerWindow& peer) {
    std::vector<uint32_t> ids;
    for (const e2e::ReceivedMessage& m : peer.Commands())
        ids.push_back(static_cast<uint32_t>(m.wParam));
    return ids;
}

// Presses keys and expects every one to be read.
void Press(const std::string& args) {
    const IrsendResult result = Irsend(args);
    EXPECT_EQ(result.exitCode, 0u) << "irsend " << args << ": " << result.output;
}

TEST(KeyRelay, KeysGoToTheTvWindowWithTheirCommands) {
    e2e::PeerWindow tv(kTv);
    e2e::PeerWindow fm(kFm);
    Agent agent;
    ASSERT_TRUE(agent.Start());
    EXPECT_EQ(agent.Label(), "wait for receive");

    Press("ch+ ch- 5 0 mute vol- vol+ scan fm");
    ASSERT_TRUE(e2e::WaitUntil([&] { return CommandIds(tv).size() >= 9; }, 5000));
    EXPECT_EQ(CommandIds(tv), (std::vector<uint32_t>{1108, 1107, 1101, 1096, 406, 501, 502, 405, 1177}));
    EXPECT_TRUE(fm.Commands().empty()) << "the FM window gets nothing while the TV window is there";
    for (const e2e::ReceivedMessage& m : tv.Commands())
        EXPECT_EQ(m.lParam, 0);
    // Back to rest after the keys.
    EXPECT_TRUE(agent.WaitForLabel("wait for receive"));
    EXPECT_EQ(agent.Code(), "255");
    EXPECT_TRUE(agent.Stop());
}

TEST(KeyRelay, HeldKeyShowsItsLabelInRedAndRepeatsEveryPoll) {
    e2e::PeerWindow tv(kTv);
    Agent agent;
    ASSERT_TRUE(agent.Start());
    {
        IrsendRun hold("--hold 12 ch+");
        EXPECT_TRUE(agent.WaitForLabel("Channel+"));
        EXPECT_EQ(agent.Code(), "33");
        const IrsendResult result = hold.Finish();
        EXPECT_EQ(result.exitCode, 0u) << result.output;
    }
    ASSERT_TRUE(e2e::WaitUntil([&] { return tv.Commands(1108).size() >= 12; }, 3000));
    const std::vector<e2e::ReceivedMessage> sent = tv.Commands(1108);
    EXPECT_EQ(sent.size(), 12u);
    // One command per poll: the twelve span at least about eleven periods of 150 ms.
    const DWORD span = sent.back().tick - sent.front().tick;
    EXPECT_GE(span, 11u * 150u - 150u);
    EXPECT_TRUE(agent.WaitForLabel("wait for receive"));
}

TEST(KeyRelay, UnknownCodeShowsHexAndSendsAllOnes) {
    e2e::PeerWindow tv(kTv);
    Agent agent;
    ASSERT_TRUE(agent.Start());
    {
        IrsendRun hold("--hold 8 0x7f");
        EXPECT_TRUE(agent.WaitForLabel("7f"));
        EXPECT_EQ(agent.Code(), "127");
        hold.Finish();
    }
    ASSERT_TRUE(tv.WaitForCommand(0xFFFF, 3000));
    for (const e2e::ReceivedMessage& m : tv.Commands())
        EXPECT_EQ(static_cast<uint32_t>(m.wParam), 0xFFFFFFFFu);
}

TEST(KeyRelay, WithoutTvWindowCommandsGoToTheFmWindow) {
    e2e::PeerWindow fm(kFm);
    Agent agent;
    ASSERT_TRUE(agent.Start());
    Press("vol+ 3");
    ASSERT_TRUE(e2e::WaitUntil([&] { return CommandIds(fm).size() >= 2; }, 3000));
    EXPECT_EQ(CommandIds(fm), (std::vector<uint32_t>{502, 1099}));
}

TEST(KeyRelay, WithNeitherProgramKeysAreLostAndTheAgentCarriesOn) {
    Agent agent;
    ASSERT_TRUE(agent.Start());
    Press("mute 7 ch+");
    EXPECT_TRUE(agent.Process().Running());
    e2e::PeerWindow tv(kTv);
    Press("8");
    EXPECT_TRUE(tv.WaitForCommand(1104, 3000));
    EXPECT_EQ(CommandIds(tv), (std::vector<uint32_t>{1104}));
}

TEST(KeyRelay, ScanPausesPollingUntilItEnds) {
    e2e::PeerWindow tv(kTv);
    Agent agent;
    ASSERT_TRUE(agent.Start());
    // The TV program starts a scan.
    e2e::SendCommand(agent.Window(), tunaro::peer::kRemoteScanStarted);
    IrsendResult result = Irsend("--timeout 600 3");
    EXPECT_EQ(result.exitCode, 1u) << result.output;
    EXPECT_NE(result.output.find("not read within 600 ms"), std::string::npos) << result.output;
    // A key pressed just before the scan ends is dropped when polling resumes.
    IrsendRun late("--timeout 8000 4");
    ASSERT_TRUE(irsend_test::WaitForQueuedKey(10000));
    e2e::SendCommand(agent.Window(), tunaro::peer::kRemoteScanEnded);
    EXPECT_EQ(late.Finish().exitCode, 0u) << "the resumed agent read the key (and dropped it)";
    Press("6");
    ASSERT_TRUE(tv.WaitForCommand(1102, 3000));
    EXPECT_EQ(CommandIds(tv), (std::vector<uint32_t>{1102})) << "nothing pressed during the scan arrives";
}

TEST(KeyRelay, CardRemovalClosesTheTvProgramAndArrivalResumes) {
    e2e::PeerWindow tv(kTv);
    e2e::PeerWindow fm(kFm);
    Agent agent;
    ASSERT_TRUE(agent.Start());
    // Notifications of other devices are not the card's.
    Press("--remove --device \\\\?\\USB#SOME_CAMERA#1");
    Press("1");
    EXPECT_TRUE(tv.WaitForCommand(1097, 3000));
    tv.Clear();

    Press("--remove");
    ASSERT_TRUE(tv.WaitForCommand(403, 5000)) << "removal closes the TV program";
    EXPECT_TRUE(fm.Commands().empty());
    IrsendResult result = Irsend("--timeout 500 2");
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_NE(result.output.find("no receiver is open"), std::string::npos) << result.output;

    Press("--arrive");
    ASSERT_TRUE(ReceiverReady());
    tv.Clear();
    Press("2");
    EXPECT_TRUE(tv.WaitForCommand(1098, 3000));
    EXPECT_TRUE(agent.Stop());
}

// The power-off requests Haltbox.exe has logged, as their tick counts.
std::vector<DWORD> PowerOffTicks(const std::string& log) {
    std::vector<DWORD> ticks;
    const std::string text = e2e::ReadFile(log);
    for (size_t at = text.find("tick="); at != std::string::npos; at = text.find("tick=", at + 1))
        if (text.find("power-off requested", at) != std::string::npos)
            ticks.push_back(static_cast<DWORD>(std::strtoul(text.c_str() + at + 5, nullptr, 10)));
    return ticks;
}

TEST(KeyRelay, CloseComputerClosesTheTvProgramThenStartsHaltbox) {
    const std::string log = e2e::InstallDir() + "\\Haltbox.log";
    ASSERT_TRUE(e2e::FileExists(e2e::InstallDir() + "\\Haltbox.exe"));
    e2e::SavedFile savedLog(log);
    DeleteFileA(log.c_str());

    e2e::PeerWindow tv(kTv);
    Agent agent;
    ASSERT_TRUE(agent.Start());
    Press("power");
    ASSERT_TRUE(tv.WaitForCommand(403, 3000));
    ASSERT_TRUE(e2e::WaitUntil([&] { return !PowerOffTicks(log).empty(); }, 5000))
        << "Haltbox.exe did not run";
    const std::vector<DWORD> ticks = PowerOffTicks(log);
    EXPECT_EQ(ticks.size(), 1u);
    // The TV program was told to close 300 ms before the computer goes off.
    EXPECT_GE(static_cast<long>(ticks[0] - tv.Commands(403)[0].tick), 300L - 20L);
    EXPECT_EQ(CommandIds(tv), (std::vector<uint32_t>{403}));
}

TEST(KeyRelay, WithoutTheReceiverLibraryTheAgentRunsWithoutPolling) {
    // A copy of the agent in a folder without IrRecv.dll.
    const std::string dir = e2e::MakeScratchDir("keyrelay-nolib");
    ASSERT_TRUE(CopyOver(InstalledAgent(), dir + "\\KeyRelay.exe"));
    e2e::PeerWindow tv(kTv);
    Agent agent;
    ASSERT_TRUE(agent.Start(dir + "\\KeyRelay.exe", false));
    EXPECT_FALSE(ReceiverReady(1500));
    EXPECT_EQ(Irsend("--timeout 300 5").exitCode, 1u);
    // Neither the card's arrival nor the end of a scan calls into the missing library.
    Press("--arrive");
    e2e::SendCommand(agent.Window(), tunaro::peer::kRemoteScanEnded);
    EXPECT_FALSE(ReceiverReady(1000));
    EXPECT_TRUE(agent.Process().Running());
    EXPECT_EQ(agent.Label(), "wait for receive");
    EXPECT_TRUE(tv.Commands().empty());
    DWORD exitCode = 1;
    e2e::PostCommand(agent.Window(), kMenuExit);
    EXPECT_TRUE(agent.Process().WaitForExit(10000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    e2e::RemoveTree(dir);
}

TEST(KeyRelay, WithoutTheCardTheReceiverWaitsForItsArrival) {
    e2e::SavedFile card(e2e::SimCardPath());
    WritePrivateProfileStringA("Config", "Family", "NONE", card.Path().c_str());
    e2e::PeerWindow tv(kTv);
    Agent agent;
    ASSERT_TRUE(agent.Start(InstalledAgent(), false));
    EXPECT_FALSE(ReceiverReady(1500)) << "a receiver that did not start is not polled";
    e2e::SendCommand(agent.Window(), tunaro::peer::kRemoteScanEnded);
    EXPECT_FALSE(ReceiverReady(800));

    // The card is fitted and announces itself.
    WritePrivateProfileStringA("Config", "Family", "SAA7134", card.Path().c_str());
    Press("--arrive");
    ASSERT_TRUE(ReceiverReady());
    Press("9");
    EXPECT_TRUE(tv.WaitForCommand(1105, 3000));
}

TEST(KeyRelay, ASecondCopySaysSoAndEnds) {
    Agent first;
    ASSERT_TRUE(first.Start());
    e2e::Program second;
    e2e::MessageBoxWatcher watcher;
    ASSERT_TRUE(second.Start(InstalledAgent()));
    watcher.SetPid(second.Pid());
    ASSERT_TRUE(watcher.WaitForAny(10000));
    DWORD exitCode = 1;
    EXPECT_TRUE(second.WaitForExit(10000, &exitCode));
    const std::vector<e2e::SeenMessageBox> seen = watcher.Seen();
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen[0].caption, "Remote");
    EXPECT_EQ(seen[0].text, "Remote control have started");
    EXPECT_TRUE(first.Process().Running());
    EXPECT_TRUE(ReceiverReady());
}

TEST(KeyRelay, HiddenExitEndsWithoutStoppingTheReceiverYetReleasesIt) {
    Agent agent;
    ASSERT_TRUE(agent.Start());
    e2e::PostCommand(agent.Window(), 1007);
    EXPECT_TRUE(agent.Process().WaitForExit(10000));
    const IrsendResult result = Irsend("--timeout 300 1");
    EXPECT_NE(result.output.find("no receiver is open"), std::string::npos) << result.output;
}

namespace {

// Which window the screen shows at the middle of a control (for a failed look at its pixels).
std::string WhatCovers(HWND control) {
    RECT r = {};
    GetWindowRect(control, &r);
    const POINT middle = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    HWND shown = WindowFromPoint(middle);
    if (shown == control)
        return "the label itself";
    char name[128] = "";
    HWND root = shown ? GetAncestor(shown, GA_ROOT) : nullptr;
    if (root)
        GetClassNameA(root, name, sizeof name);
    return std::string("a window of class \"") + name + "\" titled \"" + e2e::WindowText(root) + "\"";
}

} // namespace

// The window from the tray: restored and centred by a double click, hidden again by Hide; the
// label's text turns red while a key arrives.
TEST(KeyRelay, TrayRestoresTheWindowAndTheLabelTurnsRedOnAKey) {
    Agent agent;
    ASSERT_TRUE(agent.Start());
    EXPECT_TRUE(e2e::WaitUntil([&] { return !IsWindowVisible(agent.Window()); }, 5000))
        << "starts in the tray";
    PostMessageA(agent.Window(), kTrayMessage, kTrayIconId, WM_LBUTTONDBLCLK);
    ASSERT_TRUE(e2e::WaitUntil([&] { return IsWindowVisible(agent.Window()) != FALSE; }, 5000));
    RECT rc = {};
    GetWindowRect(agent.Window(), &rc);
    EXPECT_EQ(rc.right - rc.left, 170);
    EXPECT_EQ(rc.bottom - rc.top, 100);
    EXPECT_GE(rc.left, 0);
    EXPECT_GE(rc.top, 0);
    EXPECT_EQ(e2e::WindowText(agent.Window()), "Remote");

    HWND label = GetDlgItem(agent.Window(), kStatusLabel);
    auto reddish = [&] {
        const e2e::ScreenPixels pixels = e2e::CaptureScreen(label);
        int red = 0;
        for (uint32_t p : pixels.pixels)
            red += ((p >> 16) & 0xFF) > 160 && ((p >> 8) & 0xFF) < 80 && (p & 0xFF) < 80;
        return red;
    };
    EXPECT_TRUE(e2e::WaitUntil([&] { return reddish() == 0; }, 3000)) << "black text at rest";
    {
        // Held for some 7 s of polls, so that the red is still up when a loaded machine gets to
        // look at it.
        IrsendRun hold("--hold 50 vol+");
        EXPECT_TRUE(agent.WaitForLabel("Volume+"));
        EXPECT_TRUE(e2e::WaitUntil([&] { return reddish() > 10; }, 2000))
            << "red text while a key arrives; on screen at the label: " << WhatCovers(label)
            << ", label text \"" << e2e::WindowText(label) << "\"";
        hold.Finish();
    }
    EXPECT_TRUE(agent.WaitForLabel("wait for receive"));
    EXPECT_TRUE(e2e::WaitUntil([&] { return reddish() == 0; }, 3000));

    // About from the system menu.
    PostMessageA(agent.Window(), WM_SYSCOMMAND, 16, 0);
    HWND about = e2e::WaitForWindow("About Remote", 5000);
    ASSERT_NE(about, nullptr);
    e2e::PostCommand(about, IDOK);
    EXPECT_TRUE(e2e::WaitForWindowGone("About Remote", 5000));

    e2e::ClickControl(agent.Window(), 1005); // Hide
    EXPECT_TRUE(e2e::WaitUntil([&] { return !IsWindowVisible(agent.Window()); }, 5000));
    EXPECT_TRUE(agent.Process().Running());
}

TEST(KeyRelay, ClosingTheWindowEndsTheAgentAndItsReceiver) {
    Agent agent;
    ASSERT_TRUE(agent.Start());
    // Escape only sends the window back to the tray.
    PostMessageA(agent.Window(), WM_COMMAND, IDCANCEL, 0);
    e2e::WaitUntil([] { return false; }, 500);
    EXPECT_TRUE(agent.Process().Running());
    PostMessageA(agent.Window(), WM_CLOSE, 0, 0);
    DWORD exitCode = 1;
    EXPECT_TRUE(agent.Process().WaitForExit(10000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    const IrsendResult result = Irsend("--timeout 300 1");
    EXPECT_NE(result.output.find("no receiver is open"), std::string::npos) << result.output;
}

TEST(KeyRelay, ChineseModeUsesTheChineseTitleAndLabels) {
    LanguageValue chinese("2052");
    e2e::PeerWindow tv(kTv);
    Agent agent;
    ASSERT_TRUE(agent.Start(InstalledAgent(), true, "遥控"));
    EXPECT_EQ(agent.Label(), "等待接收");
    {
        IrsendRun hold("--hold 8 ch-");
        EXPECT_TRUE(agent.WaitForLabel("频道-"));
        hold.Finish();
    }
    EXPECT_TRUE(tv.WaitForCommand(1107, 3000));
    // The TV program finds the agent by the same title when it scans.
    EXPECT_EQ(FindWindowA(nullptr, "遥控"), agent.Window());
    e2e::SendCommand(FindWindowA(nullptr, "遥控"), tunaro::peer::kRemoteScanStarted);
    EXPECT_EQ(Irsend("--timeout 500 1").exitCode, 1u);
}

} // namespace
