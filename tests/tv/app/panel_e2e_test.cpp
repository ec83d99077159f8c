// End-to-end tests of the control panel's looks and window behaviour with the real Tunaro.exe:
// shape and skin, keys that must not close it, the volume bar's ends, enabling, the status line,
// window modes and the menu commands. One start of the program serves every case.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>

#include "e2e.h"
#include "framework/peer_messages.h"
#include "res/tunaro/skin_layout.h"
#include "tv/app/panel_look.h"

namespace skin = tunaro::skin;

namespace {

constexpr const char* kPanelTitle = "Tunaro";
constexpr const char* kVideoTitle = "TV Win";

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

class PanelE2E : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        g_schedule = std::make_unique<e2e::PeerWindow>("Schedule");
        g_program = std::make_unique<e2e::Program>();
        ASSERT_TRUE(g_program->Start(e2e::InstallDir() + "\\Tunaro.exe"));
        g_panel = e2e::WaitForWindow(kPanelTitle, 30000);
        ASSERT_NE(nullptr, g_panel) << "the control panel did not appear";
        g_video = e2e::WaitForWindow(kVideoTitle, 10000);
        // The panel is up once the status line shows the input's name.
        e2e::WaitUntil([] { return !e2e::ControlText(g_panel, 1069).empty(); }, 15000);
    }
    static void TearDownTestSuite() {
        if (g_program && g_program->Running()) {
            e2e::PostCommand(g_panel, 403);
            if (!g_program->WaitForExit(20000))
                g_program->Kill();
        }
        g_program.reset();
        g_schedule.reset();
    }
    void SetUp() override {
        ASSERT_NE(nullptr, g_panel);
        ASSERT_TRUE(g_program->Running());
    }

    static std::unique_ptr<e2e::Program> g_program;
    static std::unique_ptr<e2e::PeerWindow> g_schedule;
    static HWND g_panel;
    static HWND g_video;
};

std::unique_ptr<e2e::Program> PanelE2E::g_program;
std::unique_ptr<e2e::PeerWindow> PanelE2E::g_schedule;
HWND PanelE2E::g_panel = nullptr;
HWND PanelE2E::g_video = nullptr;

TEST_F(PanelE2E, ShapedBySkinWithItsButtonsAndStatusLine) {
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_EQ(COMPLEXREGION, GetWindowRgn(g_panel, region));
    RECT box = {};
    GetRgnBox(region, &box);
    EXPECT_GE(box.left, 0);
    EXPECT_LE(box.right, 400);
    EXPECT_GT(box.right - box.left, 380);
    EXPECT_FALSE(PtInRegion(region, 0, 0));    // the black corner of the skin is cut away
    EXPECT_TRUE(PtInRegion(region, 200, 200)); // the body
    EXPECT_FALSE(PtInRegion(region, 300, 20)); // beside the raised crown
    DeleteObject(region);
    RECT rc = WindowRect(g_panel);
    EXPECT_EQ(400, rc.right - rc.left);
    EXPECT_EQ(346, rc.bottom - rc.top);
    for (int id : {401, 402, 403, 404,  405,  406,  407,  409,  411,  412,
                   413, 501, 502, 1110, 1111, 1112, 1113, 1177, 1181, 1198})
        EXPECT_TRUE(Visible(GetDlgItem(g_panel, id))) << id;
    EXPECT_FALSE(Visible(GetDlgItem(g_panel, 408))); // shares 409's place
    // No skin button holds the keyboard focus (it would show its hover look for good).
    GUITHREADINFO gui = {};
    gui.cbSize = sizeof(gui);
    ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(g_panel, nullptr), &gui));
    if (gui.hwndFocus && gui.hwndFocus != g_panel) {
        int focused = GetDlgCtrlID(gui.hwndFocus);
        EXPECT_TRUE(focused < 401 || focused > 1199) << focused;
    }
    HWND status = GetDlgItem(g_panel, 1069);
    ASSERT_NE(nullptr, status);
    RECT s = WindowRect(status);
    POINT origin = {0, 0};
    ClientToScreen(g_panel, &origin);
    EXPECT_EQ(origin.x + 170, s.left);
    EXPECT_EQ(origin.y + 70, s.top);
}

TEST_F(PanelE2E, StatusLineNamesTheCurrentInput) {
    // Not recording, not scanning, no file: the name of the input the settings select.
    std::string text = e2e::ControlText(g_panel, 1069);
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(std::string::npos, text.find("Recording"));
    EXPECT_EQ(std::string::npos, text.find("Scanning"));
}

TEST_F(PanelE2E, EnterEscapeAndCloseNeverEndTheProgram) {
    e2e::SendCommand(g_panel, IDOK);
    e2e::SendCommand(g_panel, IDCANCEL);
    SendMessageTimeoutA(g_panel, WM_CLOSE, 0, 0, SMTO_NORMAL, 5000, nullptr);
    PostMessageA(g_panel, WM_KEYDOWN, VK_RETURN, 0);
    PostMessageA(g_panel, WM_KEYUP, VK_RETURN, 0);
    PostMessageA(g_panel, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageA(g_panel, WM_KEYUP, VK_ESCAPE, 0);
    // Once the posted keys went through, the panel still answers.
    e2e::SendCommand(g_panel, tunaro::peer::kTvEnableButtons);
    EXPECT_FALSE(g_program->WaitForExit(300));
    EXPECT_TRUE(IsWindow(g_panel));
    EXPECT_TRUE(Visible(g_panel));
}

TEST_F(PanelE2E, VolumeBarStopsAtItsEnds) {
    // The mixer keeps a volume per process here, so the bar on the screen tells what happened.
    auto showsLit = [](int n) { return e2e::WaitUntil([n] { return LitSegments(g_panel) == n; }, 5000); };
    e2e::SendCommand(g_panel, 1198);
    EXPECT_TRUE(showsLit(18)) << LitSegments(g_panel);
    e2e::SendCommand(g_panel, 502); // already at the top: nothing
    Sleep(300);
    EXPECT_EQ(18, LitSegments(g_panel));
    e2e::SendCommand(g_panel, 501);
    EXPECT_TRUE(showsLit(17)) << LitSegments(g_panel);

    e2e::SendCommand(g_panel, 1181);
    EXPECT_TRUE(showsLit(1)) << LitSegments(g_panel);
    e2e::SendCommand(g_panel, 501); // already at the bottom: nothing, and the bar stays on it
    Sleep(300);
    EXPECT_EQ(1, LitSegments(g_panel));
    e2e::SendCommand(g_panel, 502);
    EXPECT_TRUE(showsLit(2)) << LitSegments(g_panel);
    // The right arrow key is the same command as 502.
    PostMessageA(g_panel, WM_KEYDOWN, VK_RIGHT, 0);
    PostMessageA(g_panel, WM_KEYUP, VK_RIGHT, 0);
    EXPECT_TRUE(showsLit(3)) << LitSegments(g_panel);
    e2e::SendCommand(g_panel, 1190);
    EXPECT_TRUE(showsLit(10)) << LitSegments(g_panel);
}

TEST_F(PanelE2E, EnableAndDisableCommandsFromOtherPrograms) {
    e2e::SendCommand(g_panel, tunaro::peer::kTvDisableButtons);
    for (int id : {407, 405, 1113, 1177, 411, 1110, 409})
        EXPECT_FALSE(Enabled(g_panel, id)) << id;
    EXPECT_TRUE(Enabled(g_panel, 403));
    EXPECT_TRUE(Enabled(g_panel, 406));
    e2e::SendCommand(g_panel, tunaro::peer::kTvEnableButtons);
    for (int id : {407, 405, 1113, 1177, 411, 1110, 408, 409})
        EXPECT_TRUE(Enabled(g_panel, id)) << id;
}

TEST_F(PanelE2E, FullScreenAndBack) {
    ASSERT_NE(nullptr, g_video);
    const RECT windowed = WindowRect(g_video);
    e2e::SendCommand(g_panel, 402);
    RECT full = WindowRect(g_video);
    EXPECT_EQ(0, full.left);
    EXPECT_EQ(0, full.top);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), full.right);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), full.bottom);
    EXPECT_FALSE(Visible(g_panel));
    // Not topmost before, so not topmost after the switch either.
    EXPECT_EQ(0, GetWindowLongPtrA(g_video, GWL_EXSTYLE) & WS_EX_TOPMOST);
    e2e::SendCommand(g_panel, 402);
    RECT back = WindowRect(g_video);
    EXPECT_EQ(windowed.left, back.left);
    EXPECT_EQ(windowed.top, back.top);
    EXPECT_EQ(windowed.right, back.right);
    EXPECT_EQ(windowed.bottom, back.bottom);
    EXPECT_TRUE(Visible(g_panel));
}

TEST_F(PanelE2E, MostTopMinimiseAndShowPanel) {
    ASSERT_NE(nullptr, g_video);
    e2e::SendCommand(g_panel, 32771);
    EXPECT_NE(0, GetWindowLongPtrA(g_video, GWL_EXSTYLE) & WS_EX_TOPMOST);
    e2e::SendCommand(g_panel, 32771);
    EXPECT_EQ(0, GetWindowLongPtrA(g_video, GWL_EXSTYLE) & WS_EX_TOPMOST);

    // Display Panel while shown and not in desktop mode: nothing.
    e2e::SendCommand(g_panel, 404);
    EXPECT_TRUE(Visible(g_panel));
    EXPECT_FALSE(IsIconic(g_panel));

    e2e::SendCommand(g_panel, 401);
    EXPECT_TRUE(e2e::WaitUntil([] { return IsIconic(g_panel) && IsIconic(g_video); }, 5000));
    e2e::SendCommand(g_panel, 32772);
    EXPECT_TRUE(e2e::WaitUntil([] { return !IsIconic(g_panel) && IsWindowVisible(g_panel); }, 5000));
    ShowWindow(g_video, SW_RESTORE);
}

TEST_F(PanelE2E, AboutStepsATopmostVideoWindowBackWhileOpen) {
    ASSERT_NE(nullptr, g_video);
    auto topmost = [] { return (GetWindowLongPtrA(g_video, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
    e2e::SendCommand(g_panel, 32771);
    ASSERT_TRUE(topmost());
    ASSERT_TRUE(e2e::PostCommand(g_panel, 1111));
    // The About dialog carries the panel's title too: the other window of the program by that name.
    HWND about = nullptr;
    e2e::WaitUntil(
        [&] {
            for (HWND w : e2e::ProcessWindows(g_program->Pid())) {
                if (w != g_panel && w != g_video && e2e::WindowText(w) == kPanelTitle)
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
    e2e::SendCommand(g_panel, 32771);
    EXPECT_FALSE(topmost());
}

TEST_F(PanelE2E, OsdShowsOverTheTopRightOfThePictureForABriefWhile) {
    ASSERT_NE(nullptr, g_video);
    HWND osd = FindOsd(g_video);
    ASSERT_NE(nullptr, osd);
    EXPECT_FALSE(Visible(osd));
    e2e::SendCommand(g_panel, 1205); // the current channel's text
    ASSERT_TRUE(e2e::WaitUntil([&] { return Visible(osd); }, 2000));
    std::string text = e2e::WindowText(osd);
    EXPECT_FALSE(text.empty()); // "[index]name Stereo", or "No current channel" with an empty list
    RECT o = WindowRect(osd), client = {};
    GetClientRect(g_video, &client);
    POINT origin = {0, 0};
    ClientToScreen(g_video, &origin);
    EXPECT_EQ(origin.x + client.right - 30, o.right);
    EXPECT_EQ(origin.y + 20, o.top);
    // The panel answers while the text is up, and the text goes after a second and a half.
    EXPECT_TRUE(SendMessageTimeoutA(g_panel, WM_NULL, 0, 0, SMTO_NORMAL, 500, nullptr));
    EXPECT_TRUE(e2e::WaitUntil([&] { return !Visible(osd); }, 4000));
}

TEST_F(PanelE2E, ScanLocksThePanelAndStoppingUnlocksIt) {
    e2e::SendCommand(g_panel, 405);
    ASSERT_TRUE(e2e::WaitUntil([] { return e2e::ControlText(g_panel, 1069).find("Scanning") == 0; }, 3000))
        << e2e::ControlText(g_panel, 1069);
    for (int id : {407, 410, 406, 403, 413, 412, 408, 409, 501, 502, 1112, 1110, 1113, 1177, 411})
        EXPECT_FALSE(Enabled(g_panel, id)) << id;
    EXPECT_TRUE(Enabled(g_panel, 405)); // stays usable to stop the scan
    EXPECT_TRUE(Enabled(g_panel, 402));
    e2e::SendCommand(g_panel, 405);
    for (int id : {407, 410, 406, 403, 413, 412, 408, 409, 501, 502, 1112, 1110, 1113, 1177, 411, 405, 402})
        EXPECT_TRUE(Enabled(g_panel, id)) << id;
    EXPECT_TRUE(e2e::WaitUntil([] { return e2e::ControlText(g_panel, 1069).find("Scanning") != 0; }, 3000));
}

TEST_F(PanelE2E, MenuExitEndsTheProgram) {
    e2e::PostCommand(g_panel, 32777);
    EXPECT_TRUE(g_program->WaitForExit(20000));
    EXPECT_TRUE(e2e::WaitForWindowGone(kPanelTitle, 5000));
}

} // namespace
