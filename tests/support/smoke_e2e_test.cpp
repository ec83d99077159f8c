// End-to-end smoke test: start a program under the prefix, find it by title, drive it with
// WM_COMMAND and WM_COPYDATA, catch its message box, receive its message as a peer, stop it.
#include <gtest/gtest.h>

#include "tests/support/e2e.h"

namespace {

class SmokeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_program.Start(e2e::ExeDir() + "\\smoke_target.exe"));
        m_target = e2e::WaitForWindow("Smoke Target", 30000);
        ASSERT_NE(m_target, nullptr) << "the smoke target's window did not appear";
        // The window has its title before its label exists: the first start in a fresh prefix
        // can be read between the two.
        ASSERT_TRUE(e2e::WaitUntil([&] { return GetDlgItem(m_target, 100) != nullptr; }, 10000))
            << "the smoke target's label did not appear";
    }
    void TearDown() override {
        EXPECT_TRUE(m_program.Stop(15000)) << "the smoke target had to be killed";
        EXPECT_TRUE(e2e::WaitForWindowGone("Smoke Target", 10000));
    }
    e2e::Program m_program;
    HWND m_target = nullptr;
};

TEST_F(SmokeTest, CommandsChangeTheLabel) {
    EXPECT_EQ(e2e::ControlText(m_target, 100), "count=0");
    e2e::SendCommand(m_target, 1001);
    e2e::SendCommand(m_target, 1001);
    EXPECT_EQ(e2e::ControlText(m_target, 100), "count=2");
    ASSERT_TRUE(e2e::PostCommand(m_target, 1001));
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::ControlText(m_target, 100) == "count=3"; }, 10000));
}

TEST_F(SmokeTest, CopyDataCarriesText) {
    e2e::PeerWindow sender("Smoke Sender");
    const char text[] = "hello from the test";
    EXPECT_EQ(e2e::SendCopyData(m_target, sender.hwnd(), 5, text, sizeof text), TRUE);
    EXPECT_EQ(e2e::ControlText(m_target, 100), "hello from the test");
    // Another dwData is ignored by the target.
    e2e::SendCopyData(m_target, sender.hwnd(), 6, "x", 2);
    EXPECT_EQ(e2e::ControlText(m_target, 100), "hello from the test");
}

TEST_F(SmokeTest, MessageBoxIsRecordedAndDismissed) {
    e2e::MessageBoxWatcher watcher(m_program.Pid());
    ASSERT_TRUE(e2e::PostCommand(m_target, 1002));
    ASSERT_TRUE(watcher.WaitForAny(15000));
    auto seen = watcher.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, "Smoke question");
    EXPECT_EQ(seen[0].caption, "Smoke Target");
    // Once dismissed, the target answers commands again.
    EXPECT_TRUE(e2e::WaitUntil(
        [&] {
            e2e::SendCommand(m_target, 1001, 0, 0, 500);
            return e2e::ControlText(m_target, 100) == "count=1";
        },
        15000));
}

TEST_F(SmokeTest, PeerWindowRecordsMessagesWithArrivalTimes) {
    e2e::PeerWindow peer("Smoke Peer");
    ASSERT_NE(peer.hwnd(), nullptr);
    DWORD before = GetTickCount();
    e2e::SendCommand(m_target, 1003);
    ASSERT_TRUE(peer.WaitForCommand(77, 15000));
    auto got = peer.Commands(77);
    ASSERT_EQ(got.size(), 1u);
    // Arrival time is taken on arrival: after the command was sent, not later than now.
    EXPECT_LE(got[0].tick - before, GetTickCount() - before);
    EXPECT_TRUE(peer.Commands(78).empty());
}

TEST_F(SmokeTest, ScreenshotOfTheWindow) {
    std::string dir = e2e::MakeScratchDir("smoke");
    std::string bmp = dir + "\\target.bmp";
    ASSERT_TRUE(e2e::Screenshot(m_target, bmp));
    std::string data = e2e::ReadFile(bmp);
    ASSERT_GT(data.size(), 54u);
    EXPECT_EQ(data.substr(0, 2), "BM");
}

} // namespace

TEST(SmokeIni, ReadsValuesAndDefaults) {
    std::string dir = e2e::MakeScratchDir("ini");
    std::string ini = dir + "\\t.ini";
    ASSERT_TRUE(e2e::WriteFile(ini, "[State]\r\nFrequency=503250000\r\nVideoInput=Video Tuner\r\n"));
    EXPECT_EQ(e2e::IniLong(ini, "State", "Frequency"), 503250000L);
    EXPECT_EQ(e2e::IniString(ini, "State", "VideoInput"), "Video Tuner");
    EXPECT_EQ(e2e::IniLong(ini, "State", "Missing", -7), -7L);
}

// The product's test prefix is the oldest system the suite serves: a 32-bit Windows XP SP3, not
// a 32-bit process on a 64-bit system.
TEST(TestPrefix, The32BitBuildRunsOnWindowsXpSp3) {
#ifdef _WIN64
    GTEST_SKIP() << "the x86_64 twin runs on the 64-bit system Wine gives";
#else
    OSVERSIONINFOEXA v = {};
    v.dwOSVersionInfoSize = sizeof v;
    ASSERT_TRUE(GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&v)));
    EXPECT_EQ(v.dwMajorVersion, 5u);
    EXPECT_EQ(v.dwMinorVersion, 1u);
    EXPECT_EQ(v.wServicePackMajor, 3);
    BOOL wow64 = TRUE;
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    auto isWow64 = reinterpret_cast<IsWow64ProcessFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "IsWow64Process")));
    ASSERT_NE(isWow64, nullptr);
    ASSERT_TRUE(isWow64(GetCurrentProcess(), &wow64));
    EXPECT_FALSE(wow64) << "a 32-bit process on a 64-bit system";
#endif
}
