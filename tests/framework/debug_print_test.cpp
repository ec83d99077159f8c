// Tests of DebugPrint with and without a viewer window, and of the debug viewer program that
// logs what it receives.
#include <gtest/gtest.h>

#include "framework/debug_print.h"
#include "tests/support/e2e.h"

#include <cstring>
#include <string>

namespace {

TEST(DebugPrint, WithoutAViewerSendsNothing) {
    ASSERT_EQ(nullptr, FindWindowA("ZOLT DebugOut Window", nullptr));
    EXPECT_EQ(0, tunaro::DebugPrint("Selected =%ld\n", 5L));
    // A window of another class with the viewer's title gets nothing either.
    e2e::PeerWindow other("DebugOutput", "SomethingElse");
    EXPECT_EQ(0, tunaro::DebugPrint("x\n"));
    EXPECT_TRUE(other.Messages().empty());
}

TEST(DebugPrint, DeliversTheTextWithItsTerminatingZero) {
    e2e::PeerWindow viewer("DebugOutput test viewer", "ZOLT DebugOut Window");
    EXPECT_EQ(15, tunaro::DebugPrint("%ld, Line=%ld\n", 1234L, 77L)); // 14 characters and the zero
    auto got = viewer.Messages();
    ASSERT_EQ(1u, got.size());
    EXPECT_EQ(static_cast<UINT>(WM_COPYDATA), got[0].msg);
    EXPECT_EQ(0u, got[0].dwData);
    EXPECT_EQ(0u, got[0].wParam);
    EXPECT_EQ(std::string("1234, Line=77\n\0", 15), got[0].data);
}

TEST(DebugPrint, IgnoresAViewerClassWindowWithAnotherTitle) {
    e2e::PeerWindow impostor("Something", "ZOLT DebugOut Window");
    e2e::PeerWindow viewer("DebugOutput", "ZOLT DebugOut Window");
    EXPECT_EQ(3, tunaro::DebugPrint("%s", "ok"));
    EXPECT_TRUE(impostor.Messages().empty());
    ASSERT_EQ(1u, viewer.Messages().size());
}

TEST(DebugPrint, LongMessagesAreCutAt1023Characters) {
    e2e::PeerWindow viewer("DebugOutput", "ZOLT DebugOut Window");
    std::string longText(2000, 'a');
    EXPECT_EQ(1024, tunaro::DebugPrint("%s, Line=%ld\n", longText.c_str(), 5L));
    auto got = viewer.Messages();
    ASSERT_EQ(1u, got.size());
    ASSERT_EQ(1024u, got[0].data.size());
    EXPECT_EQ(std::string(1023, 'a'), got[0].data.substr(0, 1023));
    EXPECT_EQ('\0', got[0].data[1023]);
}

TEST(DebugPrint, TraceAppendsTheLineItIsWrittenOn) {
    e2e::PeerWindow viewer("DebugOutput", "ZOLT DebugOut Window");
    const std::string expected = "engine: card 3 (ok), Line=" + std::to_string(__LINE__ + 1) + "\n";
    EXPECT_EQ(static_cast<int>(expected.size() + 1), TUNARO_TRACE("engine: card %d (%s)", 3, "ok"));
    // Near the limit the line number is cut like the rest of a text written with it by hand.
    const std::string nearly(1015, 'b');
    const long nearlyLine = __LINE__ + 1;
    EXPECT_EQ(1024, TUNARO_TRACE("%s", nearly.c_str()));
    EXPECT_EQ(1024, tunaro::DebugPrint("%s, Line=%ld\n", nearly.c_str(), nearlyLine));
    auto got = viewer.Messages();
    ASSERT_EQ(3u, got.size());
    EXPECT_EQ(expected + '\0', got[0].data);
    EXPECT_EQ(got[2].data, got[1].data);
}

TEST(DebugViewer, AppendsEveryTextToItsLog) {
    std::string dir = e2e::MakeScratchDir("framework_debugview");
    std::string log = dir + "\\debug.log";
    e2e::Program viewer;
    ASSERT_TRUE(viewer.Start(e2e::ExeDir() + "\\ZoltDebugOut.exe", "\"" + log + "\""));
    HWND wnd = nullptr;
    ASSERT_TRUE(e2e::WaitUntil(
        [&] {
            wnd = FindWindowA("ZOLT DebugOut Window", nullptr);
            return wnd != nullptr;
        },
        10000));
    char title[64] = "";
    GetWindowTextA(wnd, title, sizeof(title));
    EXPECT_EQ(0, strncmp(title, "DebugOutput", 11)) << title;
    EXPECT_EQ(18, tunaro::DebugPrint("Error %ld, LIne=%ld\n", 3L, 42L));
    EXPECT_GT(tunaro::DebugPrint("no line break"), 0);
    EXPECT_TRUE(viewer.Stop());
    // Every program of the desktop reports to the one viewer, so programs running beside this
    // test may have lines of their own in the log: those are left out, ours must be there in
    // order, each on its own line.
    std::string text = e2e::ReadFile(log);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ('\n', text.back());
    std::string ours;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (line.find("LIne=42") != std::string::npos || line.find("no line break") != std::string::npos)
            ours += line + "\n";
        start = end + 1;
    }
    EXPECT_EQ("Error 3, LIne=42\nno line break\n", ours) << text;
}

} // namespace
