// The reader itself: a Linux program started from the test process leaves every handle of that
// process open (what the recording tests rely on between a read-back and their next graph).
#include "tests/platform/media_check.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

TEST(MediaCheckShell, RunsTheCommandAndLeavesTheCallersHandlesOpen) {
    // A first run, then enough handles of ours to take the lowest free handle values, which
    // is where a stray close of the first run left a gap.
    std::string first;
    ASSERT_EQ(0, mediacheck::RunShell("true", &first));
    std::vector<HANDLE> events(256);
    for (HANDLE& event : events) {
        event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        ASSERT_NE(nullptr, event);
    }
    for (int run = 0; run < 3; ++run) {
        std::string out;
        ASSERT_EQ(3, mediacheck::RunShell("echo ran; exit 3", &out));
        EXPECT_EQ("ran\n", out);
        for (HANDLE event : events) {
            DWORD flags = 0;
            ASSERT_TRUE(GetHandleInformation(event, &flags)) << "run " << run << " closed handle " << event;
        }
    }
    for (HANDLE event : events)
        CloseHandle(event);
}
