// End-to-end tests of the control panel's looks and window behaviour with the real Tunaro.exe:
// shape and skin, keys that must not close it, the volume bar's ends, enabling, the status line,
// window modes and the menu commands. One start of the program serves every case.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>

#include "tests/support/e2e.h"
#include "framework/peer_messages.h"
#include "res/tunaro/resource.h"
#include "res/tunaro/skin_layout.h"
#include "tests/support/tunaro_suite.h"
#include "tv/app/panel_look.h"

namespace skin = tunaro::skin;

namespace {

constexpr const char* kPanelTitle = "Tunaro";

bool Enabled(HWND panel, int id) {
    HWND item = GetDlgItem(panel, id);
    return item && IsWindowEnabled(item);
}

bool Visible(HWND wnd) {
    return wnd && IsWindowVisible(wnd);
}

RECT WindowRect(HWND wnd) {
    RECT rc = {};
    GetWindowRect(wnd, &rc);
    return rc;
}

// How many segments of the volume bar the screen shows lit: a lit segment is coloured at its
// foot, an unlit one dark grey.
int LitSegments(HWND panel) {
    const e2e::ScreenPixels shot = e2e::CaptureScreen(panel);
    if (shot.pixels.empty())
        return -1;
    int lit = 0;
    for (const auto& seg : skin::tv::kVolumeUnlit) {
        const uint32_t p = shot.At(seg.left + seg.width / 2, seg.top + seg.height - 3);
        const int brightest = std::max({(p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF}) & 0xFF;
        if (brightest > 100)
            ++lit;
    }
    return lit;
}

// The OSD window: a top-level static owned by the video window.
HWND FindOsd(HWND video) {
    struct Search {
        HWND video, found;
    } search = {video, nullptr};
    e2e::ForEachWindow(
        [](HWND wnd, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            char cls[32] = "";
            GetClassNameA(wnd, cls, sizeof(cls));
            if (GetWindow(wnd, GW_OWNER) == s->video && lstrcmpiA(cls, "Static") == 0) {
                s->found = wnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

class PanelE2E : public e2e::TunaroSuite {
protected:
    // The panel is up once the status line shows the input's name.
    static void SetUpTestSuite() {
        e2e::TunaroStart start;
        start.waitForPreview = false;
        start.waitForStatus = true;
        ASSERT_TRUE(Tunaro().Start(start)) << Tunaro().Failure();
    }
    static HWND Video() { return Tunaro().Video(); }
};

TEST_F(PanelE2E, ShapedBySkinWithItsButtonsAndStatusLine) {
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_EQ(COMPLEXREGION, GetWindowRgn(Panel(), region));
    RECT box = {};
    GetRgnBox(region, &box);
    EXPECT_GE(box.left, 0);
    EXPECT_LE(box.right, 400);
    EXPECT_GT(box.right - box.left, 380);
    EXPECT_FALSE(PtInRegion(region, 0, 0));    // the black corner of the skin is cut away
    EXPECT_TRUE(PtInRegion(region, 200, 200)); // the body
    EXPECT_FALSE(PtInRegion(region, 300, 20)); // beside the raised crown
    DeleteObject(region);
    RECT rc = WindowRect(Panel());
    EXPECT_EQ(400, rc.right - rc.left);
    EXPECT_EQ(346, rc.bottom - rc.top);
    for (int id : {IDC_MINIMIZE,     IDC_FULLSCREEN,  IDC_EXIT,      IDC_DISPLAY_PANEL, IDC_AUTOSCAN,
                   IDC_MUTE,         IDC_OPEN_FILE,   IDC_SETTING,   IDC_RECORD,        IDC_COLOR,
                   IDC_CHANNEL_EDIT, IDC_VOLUME_DOWN, IDC_VOLUME_UP, IDC_SNAPSHOT,      IDC_HELP_ABOUT,
                   IDC_VIDEO_SOURCE, IDC_TV_WALL,     IDC_FM,        IDC_VOLUME_FIRST,  IDC_VOLUME_LAST})
        EXPECT_TRUE(Visible(GetDlgItem(Panel(), id))) << id;
    EXPECT_FALSE(Visible(GetDlgItem(Panel(), IDC_RECORD_SETTING))); // shares the settings button's place
    // No skin button holds the keyboard focus (it would show its hover look for good).
    GUITHREADINFO gui = {};
    gui.cbSize = sizeof(gui);
    ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(Panel(), nullptr), &gui));
    if (gui.hwndFocus && gui.hwndFocus != Panel()) {
        int focused = GetDlgCtrlID(gui.hwndFocus);
        EXPECT_TRUE(focused < IDC_MINIMIZE || focused > IDC_ADD_TASK) << focused;
    }
    HWND status = GetDlgItem(Panel(), IDC_STATUS);
    ASSERT_NE(nullptr, status);
    RECT s = WindowRect(status);
    POINT origin = {0, 0};
    ClientToScreen(Panel(), &origin);
    EXPECT_EQ(origin.x + 170, s.left);
    EXPECT_EQ(origin.y + 70, s.top);
}

TEST_F(PanelE2E, StatusLineNamesTheCurrentInput) {
    // Not recording, not scanning, no file: the name of the input the settings select.
    std::string text = e2e::ControlText(Panel(), IDC_STATUS);
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(std::string::npos, text.find("Recording"));
    EXPECT_EQ(std::string::npos, text.find("Scanning"));
}

TEST_F(PanelE2E, EnterEscapeAndCloseNeverEndTheProgram) {
    e2e::SendCommand(Panel(), IDOK);
    e2e::SendCommand(Panel(), IDCANCEL);
    SendMessageTimeoutA(Panel(), WM_CLOSE, 0, 0, SMTO_NORMAL, 5000, nullptr);
    PostMessageA(Panel(), WM_KEYDOWN, VK_RETURN, 0);
    PostMessageA(Panel(), WM_KEYUP, VK_RETURN, 0);
    PostMessageA(Panel(), WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageA(Panel(), WM_KEYUP, VK_ESCAPE, 0);
    // Once the posted keys went through, the panel still answers.
    e2e::SendCommand(Panel(), tunaro::peer::kTvEnableButtons);
    EXPECT_FALSE(Tunaro().Process().WaitForExit(300));
    EXPECT_TRUE(IsWindow(Panel()));
    EXPECT_TRUE(Visible(Panel()));
}

TEST_F(PanelE2E, VolumeBarStopsAtItsEnds) {
    // The mixer keeps a volume per process here, so the bar on the screen tells what happened.
    auto showsLit = [](int n) { return e2e::WaitUntil([n] { return LitSegments(Panel()) == n; }, 5000); };
    e2e::SendCommand(Panel(), IDC_VOLUME_LAST);
    EXPECT_TRUE(showsLit(18)) << LitSegments(Panel());
    e2e::SendCommand(Panel(), IDC_VOLUME_UP); // already at the top: nothing
    Sleep(300);
    EXPECT_EQ(18, LitSegments(Panel()));
    e2e::SendCommand(Panel(), IDC_VOLUME_DOWN);
    EXPECT_TRUE(showsLit(17)) << LitSegments(Panel());

    e2e::SendCommand(Panel(), IDC_VOLUME_FIRST);
    EXPECT_TRUE(showsLit(1)) << LitSegments(Panel());
    e2e::SendCommand(Panel(), IDC_VOLUME_DOWN); // already at the bottom: nothing, and the bar stays on it
    Sleep(300);
    EXPECT_EQ(1, LitSegments(Panel()));
    e2e::SendCommand(Panel(), IDC_VOLUME_UP);
    EXPECT_TRUE(showsLit(2)) << LitSegments(Panel());
    // The right arrow key is the same command as IDC_VOLUME_UP.
    PostMessageA(Panel(), WM_KEYDOWN, VK_RIGHT, 0);
    PostMessageA(Panel(), WM_KEYUP, VK_RIGHT, 0);
    EXPECT_TRUE(showsLit(3)) << LitSegments(Panel());
    e2e::SendCommand(Panel(), IDC_VOLUME_FIRST + 9);
    EXPECT_TRUE(showsLit(10)) << LitSegments(Panel());
}

TEST_F(PanelE2E, EnableAndDisableCommandsFromOtherPrograms) {
    e2e::SendCommand(Panel(), tunaro::peer::kTvDisableButtons);
    for (int id : {IDC_OPEN_FILE, IDC_AUTOSCAN, IDC_TV_WALL, IDC_FM, IDC_RECORD, IDC_SNAPSHOT, IDC_SETTING})
        EXPECT_FALSE(Enabled(Panel(), id)) << id;
    EXPECT_TRUE(Enabled(Panel(), IDC_EXIT));
    EXPECT_TRUE(Enabled(Panel(), IDC_MUTE));
    e2e::SendCommand(Panel(), tunaro::peer::kTvEnableButtons);
    for (int id : {IDC_OPEN_FILE, IDC_AUTOSCAN, IDC_TV_WALL, IDC_FM, IDC_RECORD, IDC_SNAPSHOT,
                   IDC_RECORD_SETTING, IDC_SETTING})
        EXPECT_TRUE(Enabled(Panel(), id)) << id;
}

TEST_F(PanelE2E, FullScreenAndBack) {
    ASSERT_NE(nullptr, Video());
    const RECT windowed = WindowRect(Video());
    e2e::SendCommand(Panel(), IDC_FULLSCREEN);
    RECT full = WindowRect(Video());
    EXPECT_EQ(0, full.left);
    EXPECT_EQ(0, full.top);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), full.right);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), full.bottom);
    EXPECT_FALSE(Visible(Panel()));
    // Not topmost before, so not topmost after the switch either.
    EXPECT_EQ(0, GetWindowLongPtrA(Video(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    e2e::SendCommand(Panel(), IDC_FULLSCREEN);
    RECT back = WindowRect(Video());
    EXPECT_EQ(windowed.left, back.left);
    EXPECT_EQ(windowed.top, back.top);
    EXPECT_EQ(windowed.right, back.right);
    EXPECT_EQ(windowed.bottom, back.bottom);
    EXPECT_TRUE(Visible(Panel()));
}

TEST_F(PanelE2E, MostTopMinimiseAndShowPanel) {
    ASSERT_NE(nullptr, Video());
    e2e::SendCommand(Panel(), ID_MOST_TOP);
    EXPECT_NE(0, GetWindowLongPtrA(Video(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    e2e::SendCommand(Panel(), ID_MOST_TOP);
    EXPECT_EQ(0, GetWindowLongPtrA(Video(), GWL_EXSTYLE) & WS_EX_TOPMOST);

    // Display Panel while shown and not in desktop mode: nothing.
    e2e::SendCommand(Panel(), IDC_DISPLAY_PANEL);
    EXPECT_TRUE(Visible(Panel()));
    EXPECT_FALSE(IsIconic(Panel()));

    e2e::SendCommand(Panel(), IDC_MINIMIZE);
    EXPECT_TRUE(e2e::WaitUntil([] { return IsIconic(Panel()) && IsIconic(Video()); }, 5000));
    e2e::SendCommand(Panel(), ID_DISPLAY_PANEL);
    EXPECT_TRUE(e2e::WaitUntil([] { return !IsIconic(Panel()) && IsWindowVisible(Panel()); }, 5000));
    ShowWindow(Video(), SW_RESTORE);
}

TEST_F(PanelE2E, AboutStepsATopmostVideoWindowBackWhileOpen) {
    ASSERT_NE(nullptr, Video());
    auto topmost = [] { return (GetWindowLongPtrA(Video(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
    e2e::SendCommand(Panel(), ID_MOST_TOP);
    ASSERT_TRUE(topmost());
    ASSERT_TRUE(e2e::PostCommand(Panel(), IDC_HELP_ABOUT));
    // The About dialog carries the panel's title too: the other window of the program by that name.
    HWND about = nullptr;
    e2e::WaitUntil(
        [&] {
            for (HWND w : e2e::ProcessWindows(Tunaro().Process().Pid())) {
                if (w != Panel() && w != Video() && e2e::WindowText(w) == kPanelTitle)
                    about = w;
            }
            return about != nullptr;
        },
        10000);
    ASSERT_NE(nullptr, about);
    EXPECT_FALSE(topmost()); // the video window does not cover the dialog
    PostMessageA(about, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(e2e::WaitUntil([&] { return !IsWindow(about); }, 5000));
    EXPECT_TRUE(e2e::WaitUntil(topmost, 5000)); // and is topmost again afterwards
    e2e::SendCommand(Panel(), ID_MOST_TOP);
    EXPECT_FALSE(topmost());
}

TEST_F(PanelE2E, OsdShowsOverTheTopRightOfThePictureForABriefWhile) {
    ASSERT_NE(nullptr, Video());
    HWND osd = FindOsd(Video());
    ASSERT_NE(nullptr, osd);
    EXPECT_FALSE(Visible(osd));
    e2e::SendCommand(Panel(), IDC_CURRENT_TUNE); // the current channel's text
    ASSERT_TRUE(e2e::WaitUntil([&] { return Visible(osd); }, 2000));
    std::string text = e2e::WindowText(osd);
    EXPECT_FALSE(text.empty()); // "[index]name Stereo", or "No current channel" with an empty list
    RECT o = WindowRect(osd), client = {};
    GetClientRect(Video(), &client);
    POINT origin = {0, 0};
    ClientToScreen(Video(), &origin);
    EXPECT_EQ(origin.x + client.right - 30, o.right);
    EXPECT_EQ(origin.y + 20, o.top);
    // The panel answers while the text is up, and the text goes after a second and a half.
    EXPECT_TRUE(SendMessageTimeoutA(Panel(), WM_NULL, 0, 0, SMTO_NORMAL, 500, nullptr));
    EXPECT_TRUE(e2e::WaitUntil([&] { return !Visible(osd); }, 4000));
}

TEST_F(PanelE2E, ScanLocksThePanelAndStoppingUnlocksIt) {
    e2e::SendCommand(Panel(), IDC_AUTOSCAN);
    ASSERT_TRUE(
        e2e::WaitUntil([] { return e2e::ControlText(Panel(), IDC_STATUS).find("Scanning") == 0; }, 3000))
        << e2e::ControlText(Panel(), IDC_STATUS);
    for (int id : {IDC_OPEN_FILE, IDC_RECORD_TYPE, IDC_MUTE, IDC_EXIT, IDC_CHANNEL_EDIT, IDC_COLOR,
                   IDC_RECORD_SETTING, IDC_SETTING, IDC_VOLUME_DOWN, IDC_VOLUME_UP, IDC_VIDEO_SOURCE,
                   IDC_SNAPSHOT, IDC_TV_WALL, IDC_FM, IDC_RECORD})
        EXPECT_FALSE(Enabled(Panel(), id)) << id;
    EXPECT_TRUE(Enabled(Panel(), IDC_AUTOSCAN)); // stays usable to stop the scan
    EXPECT_TRUE(Enabled(Panel(), IDC_FULLSCREEN));
    e2e::SendCommand(Panel(), IDC_AUTOSCAN);
    for (int id : {IDC_OPEN_FILE, IDC_RECORD_TYPE, IDC_MUTE, IDC_EXIT, IDC_CHANNEL_EDIT, IDC_COLOR,
                   IDC_RECORD_SETTING, IDC_SETTING, IDC_VOLUME_DOWN, IDC_VOLUME_UP, IDC_VIDEO_SOURCE,
                   IDC_SNAPSHOT, IDC_TV_WALL, IDC_FM, IDC_RECORD, IDC_AUTOSCAN, IDC_FULLSCREEN})
        EXPECT_TRUE(Enabled(Panel(), id)) << id;
    EXPECT_TRUE(
        e2e::WaitUntil([] { return e2e::ControlText(Panel(), IDC_STATUS).find("Scanning") != 0; }, 3000));
}

TEST_F(PanelE2E, MenuExitEndsTheProgram) {
    e2e::PostCommand(Panel(), ID_MENU_EXIT);
    EXPECT_TRUE(Tunaro().Process().WaitForExit(20000));
    EXPECT_TRUE(e2e::WaitForWindowGone(kPanelTitle, 5000));
}

} // namespace
