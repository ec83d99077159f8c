// Tests of the on-screen text window: where it goes over the video window, how it follows its
// text, and that it hides (and stays hidden over a hidden picture).
#include "uikit/osd_window.h"

#include <gtest/gtest.h>

#include "tests/uikit/test_host.h"

using namespace tunaro;

namespace {

TEST(OsdWindow, PlacedThirtyPixelsFromTheRightAndTwentyDown) {
    POINT p = OsdPosition(640, 100);
    EXPECT_EQ(510, p.x);
    EXPECT_EQ(20, p.y);
}

TEST(OsdWindow, SitsAtTheTopRightOfTheVideoAndHides) {
    uitest::TestHost host(640, 480);
    HWND video = host.hwnd();
    ASSERT_NE(nullptr, video);
    {
        OsdWindow osd;
        ASSERT_TRUE(osd.Create(video));
        EXPECT_FALSE(osd.Visible());
        osd.Show("[3]CCTV-3 Stereo");
        uitest::TestHost::Pump();
        EXPECT_TRUE(osd.Visible());
        EXPECT_EQ("[3]CCTV-3 Stereo", osd.Text());
        RECT win;
        GetWindowRect(osd.GetHwnd(), &win);
        POINT origin = {0, 0};
        ClientToScreen(video, &origin);
        int width = win.right - win.left;
        EXPECT_GT(width, 60); // sized to a text of 16 characters at 22 points
        EXPECT_EQ(origin.x + 640 - width - 30, win.left);
        EXPECT_EQ(origin.y + 20, win.top);
        // A shorter text moves the window so that its right edge stays 30 pixels in.
        osd.Show("Mute");
        GetWindowRect(osd.GetHwnd(), &win);
        EXPECT_LT(win.right - win.left, width);
        EXPECT_EQ(origin.x + 640 - 30, win.right);
        osd.Hide();
        EXPECT_FALSE(osd.Visible());
        EXPECT_EQ("", osd.Text());
        // A hidden video window shows no text over the desktop.
        ShowWindow(video, SW_HIDE);
        osd.Show("Unmute");
        EXPECT_FALSE(osd.Visible());
    }
    ShowWindow(video, SW_SHOW); // the host window serves the next tests
}

} // namespace
