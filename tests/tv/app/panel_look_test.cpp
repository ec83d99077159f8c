// Tests of the control panel's looks: the panel's shape from its skin, the volume bar's
// arithmetic, the busy lock's lists, status and tooltip texts, and the skin and status windows.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "tests/support/e2e.h"
#include "framework/window.h"
#include "res/tunaro/resource.h"
#include "res/tunaro/skin_layout.h"
#include "tv/app/panel_look.h"
#include "uikit/skin_background.h"
#include "uikit/skin_region.h"

using namespace tunaro;

namespace {

constexpr std::uint32_t kBlack = 0x000000, kWhite = 0xFFFFFF, kGrey = 0x808080;

// ---- shape ------------------------------------------------------------------------------------

TEST(PanelShape, TheSkinShapeHasRoundedCornersAndCoversTheButtons) {
    HBITMAP skin = static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(151), IMAGE_BITMAP, 0, 0, 0));
    ASSERT_NE(nullptr, skin);
    HRGN region = RegionFromBitmap(skin);
    ASSERT_NE(nullptr, region);
    EXPECT_FALSE(PtInRegion(region, 0, 0));
    EXPECT_FALSE(PtInRegion(region, 399, 345));
    for (const auto& r : skin::tv::kPanelButtons)
        EXPECT_TRUE(PtInRegion(region, r.left + r.width / 2, r.top + r.height / 2)) << r.id;
    DeleteObject(region);
    DeleteObject(skin);
}

// ---- volume bar -------------------------------------------------------------------------------

TEST(PanelVolume, SegmentsFollowTheVolumeWithinTheBar) {
    EXPECT_EQ(1181, kPanelVolumeScale.SegmentForVolume(0, 0, 65535));
    EXPECT_EQ(1189, kPanelVolumeScale.SegmentForVolume(32767, 0, 65535));
    EXPECT_EQ(1190, kPanelVolumeScale.SegmentForVolume(32768, 0, 65535));
    EXPECT_EQ(1198, kPanelVolumeScale.SegmentForVolume(65535, 0, 65535)); // 18 x max / range would be 1199
    EXPECT_EQ(1198, kPanelVolumeScale.SegmentForVolume(70000, 0, 65535));
    // No mixer (bounds -1), a failed read (-1) or an empty range: the lowest segment, no fault.
    EXPECT_EQ(1181, kPanelVolumeScale.SegmentForVolume(-1, -1, -1));
    EXPECT_EQ(1181, kPanelVolumeScale.SegmentForVolume(-1, 0, 65535));
    EXPECT_EQ(1181, kPanelVolumeScale.SegmentForVolume(500, 100, 100));
    // No overflow at the top of a 32-bit range.
    EXPECT_EQ(1198, kPanelVolumeScale.SegmentForVolume(2147483647L, 0, 2147483647L));
    EXPECT_EQ(1189, kPanelVolumeScale.SegmentForVolume(2147483647L / 2, 0, 2147483647L));
}

TEST(PanelVolume, SettingASegmentReadsBackAsTheSameSegment) {
    for (long range : {18L, 100L, 255L, 65535L, 1000000L}) {
        for (int id = kFirstVolumeSegment; id <= kLastVolumeSegment; ++id) {
            long v = kPanelVolumeScale.VolumeForSegment(id, 0, range);
            EXPECT_GE(v, 0);
            EXPECT_LE(v, range);
            EXPECT_EQ(id, kPanelVolumeScale.SegmentForVolume(v, 0, range))
                << "range " << range << " segment " << id;
        }
    }
    EXPECT_EQ(0, kPanelVolumeScale.VolumeForSegment(1181, 0, 65535));
    EXPECT_EQ(32768, kPanelVolumeScale.VolumeForSegment(1190, 0, 65535)); // 32767.5 rounded up
    // A mixer whose scale does not start at 0 stays inside its bounds.
    EXPECT_EQ(1000, kPanelVolumeScale.VolumeForSegment(1181, 1000, 2800));
    EXPECT_EQ(1100, kPanelVolumeScale.VolumeForSegment(1182, 1000, 2800));
    EXPECT_EQ(-1, kPanelVolumeScale.VolumeForSegment(1190, -1, -1));
}

TEST(PanelVolume, StepsStopAtTheEndsOfTheBar) {
    EXPECT_EQ(1182, kPanelVolumeScale.Stepped(1181, 1));
    EXPECT_EQ(0, kPanelVolumeScale.Stepped(1181, -1));
    EXPECT_EQ(1197, kPanelVolumeScale.Stepped(1198, -1));
    EXPECT_EQ(0, kPanelVolumeScale.Stepped(1198, 1));
    EXPECT_EQ(0, kPanelVolumeScale.Stepped(0, 1)); // nothing lit yet: no step
}

// ---- busy lock and the enable/disable commands -------------------------------------------------
// On the skin's real buttons: what a lock leaves usable and what its unlock gives back.

LRESULT CALLBACK HostProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    return DefWindowProcA(wnd, msg, wp, lp);
}

HWND MakeHost(const char* title, int w, int h) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = HostProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "TvPanelLookHost";
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        RegisterClassA(&wc);
        registered = true;
    }
    HWND wnd = CreateWindowExA(0, "TvPanelLookHost", title, WS_POPUP | WS_VISIBLE, 20, 20, w, h, nullptr,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
    return wnd;
}

bool Has(const std::vector<int>& ids, int id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

// The panel's skin buttons that are enabled (or, with enabled false, disabled).
std::set<int> EnabledButtons(HWND panel, bool enabled = true) {
    std::set<int> ids;
    for (const auto& r : skin::tv::kPanelButtons)
        if ((IsWindowEnabled(GetDlgItem(panel, r.id)) != FALSE) == enabled)
            ids.insert(r.id);
    return ids;
}

std::set<int> AllButtons() {
    std::set<int> ids;
    for (const auto& r : skin::tv::kPanelButtons)
        ids.insert(r.id);
    return ids;
}

class PanelBusyLock : public ::testing::Test {
protected:
    void SetUp() override {
        m_panel = MakeHost("panel lock host", 400, 346);
        ASSERT_NE(nullptr, m_panel);
        ASSERT_TRUE(m_skin.Create(m_panel, nullptr, kLanguageEnglish, "Tunaro"));
        ASSERT_EQ(AllButtons(), EnabledButtons(m_panel));
    }
    void TearDown() override {
        if (m_panel)
            DestroyWindow(m_panel);
    }
    bool Usable(int id) const { return IsWindowEnabled(GetDlgItem(m_panel, id)) != FALSE; }

    HWND m_panel = nullptr;
    PanelSkin m_skin;
};

// A scan or a recording leaves the window's own keys, the playback and channel keys, the task
// button and the button that ends the job: every id the lock names is a button of the skin (a
// wrong one would leave its button usable).
TEST_F(PanelBusyLock, AJobLeavesTheWindowChannelKeysAndItsOwnEndUsableAndUnlockGivesAllBack) {
    std::set<int> untouched = {IDC_MINIMIZE, IDC_FULLSCREEN, IDC_DISPLAY_PANEL, IDC_HELP_ABOUT, IDC_ADD_TASK};
    for (int id = IDC_PLAY; id <= IDC_TV; ++id)
        untouched.insert(id);
    for (int id = IDC_DIGIT_0; id <= IDC_TWO_DIGIT; ++id)
        untouched.insert(id);
    for (bool scanning : {true, false}) {
        SCOPED_TRACE(scanning ? "scanning" : "recording");
        EnableControls(m_panel, BusyLockIds(scanning), false);
        std::set<int> usable = untouched;
        usable.insert(scanning ? IDC_AUTOSCAN : IDC_RECORD);
        EXPECT_EQ(usable, EnabledButtons(m_panel));
        for (int id : BusyLockIds(scanning))
            EXPECT_NE(nullptr, GetDlgItem(m_panel, id)) << id;
        // The window-mode key may have been taken by the job as well; the unlock gives it back.
        EnableWindow(GetDlgItem(m_panel, IDC_FULLSCREEN), FALSE);
        EnableControls(m_panel, BusyUnlockIds(), true);
        EXPECT_EQ(AllButtons(), EnabledButtons(m_panel)) << "a button stays locked after the job";
    }
    // The other job's lock taken after this one's is given back by the same unlock.
    EnableControls(m_panel, BusyLockIds(true), false);
    EnableControls(m_panel, BusyLockIds(false), false);
    EnableControls(m_panel, BusyUnlockIds(), true);
    EXPECT_EQ(AllButtons(), EnabledButtons(m_panel));
}

// A peer's disable takes what would start a job of the card's (both jobs' buttons among them),
// never the sound or the window; its enable gives back all of it, the record settings too.
TEST_F(PanelBusyLock, APeersDisableTakesWhatStartsAJobAndItsEnableGivesItBack) {
    EnableControls(m_panel, RemoteDisableIds(), false);
    const std::set<int> taken = EnabledButtons(m_panel, false);
    EXPECT_TRUE(taken.count(IDC_RECORD) && taken.count(IDC_AUTOSCAN));
    for (int id : {IDC_MUTE, IDC_VOLUME_DOWN, IDC_VOLUME_UP, IDC_MINIMIZE, IDC_FULLSCREEN, IDC_DISPLAY_PANEL,
                   IDC_EXIT})
        EXPECT_TRUE(Usable(id)) << id;
    const std::vector<int> scan = BusyLockIds(true), rec = BusyLockIds(false);
    for (int id : taken)
        EXPECT_TRUE(Has(scan, id) || Has(rec, id)) << id << " is taken by a peer but left to a running job";
    EXPECT_EQ(taken.size(), RemoteDisableIds().size()) << "an id that is no button of the skin";
    EnableWindow(GetDlgItem(m_panel, IDC_RECORD_SETTING), FALSE);
    EnableControls(m_panel, RemoteEnableIds(), true);
    EXPECT_EQ(AllButtons(), EnabledButtons(m_panel));
}

// ---- texts ------------------------------------------------------------------------------------

TEST(PanelStatus, FirstMatchingLineWinsWithItsColour) {
    PanelStatus s;
    s.inputName = "TV Tuner";
    StatusLine line = ComposeStatusLine(s, kLanguageEnglish);
    EXPECT_EQ("TV Tuner", line.text);
    EXPECT_EQ(RGB(255, 255, 0), line.colour);

    s.playbackOpen = true;
    s.playbackText = "play 0:5/1:30";
    EXPECT_EQ("play 0:5/1:30", ComposeStatusLine(s, kLanguageEnglish).text);

    s.timeShifted = true;
    s.shiftDelayMs = 65 * 1000;
    line = ComposeStatusLine(s, kLanguageEnglish);
    EXPECT_EQ("Shift -01:05", line.text);
    EXPECT_EQ(RGB(255, 255, 0), line.colour);
    EXPECT_NE(line.text, ComposeStatusLine(s, kLanguageChinese).text);

    s.scanning = true;
    line = ComposeStatusLine(s, kLanguageEnglish);
    EXPECT_EQ("Scanning.....", line.text);
    EXPECT_EQ(RGB(45, 255, 56), line.colour);

    s.recording = true;
    s.elapsedSeconds = 3 * 3600 + 7 * 60 + 9;
    line = ComposeStatusLine(s, kLanguageEnglish);
    EXPECT_EQ("Recording: 03:07:09", line.text);
    EXPECT_EQ(RGB(45, 255, 56), line.colour);
    EXPECT_NE(line.text, ComposeStatusLine(s, kLanguageChinese).text);
}

TEST(PanelStatus, ElapsedTimeFormat) {
    EXPECT_EQ("00:00:00", FormatElapsed(0));
    EXPECT_EQ("00:01:30", FormatElapsed(90));
    EXPECT_EQ("01:00:01", FormatElapsed(3601));
    EXPECT_EQ("26:00:00", FormatElapsed(26 * 3600)); // a long recording does not wrap at a day
    EXPECT_EQ("00:00:00", FormatElapsed(-5));
}

TEST(PanelTooltips, EnglishTableAndChineseStringTable) {
    EXPECT_EQ("Minimize", TooltipText(99, kLanguageEnglish, "Tunaro"));
    EXPECT_EQ("Window mode ", TooltipText(110, kLanguageEnglish, "Tunaro"));
    EXPECT_EQ("16 Channels", TooltipText(132, kLanguageEnglish, "Tunaro"));
    EXPECT_EQ("About My TV...", TooltipText(101, kLanguageEnglish, "My TV"));
    EXPECT_EQ("", TooltipText(109, kLanguageEnglish, "Tunaro"));
    EXPECT_EQ("", TooltipText(0, kLanguageEnglish, "Tunaro"));
    // Chinese texts come from the string table, one for every tooltip the skin names.
    wchar_t wide[64] = L"";
    ASSERT_GT(LoadStringW(GetModuleHandleA(nullptr), 99, wide, 64), 0);
    EXPECT_EQ(std::wstring(L"\u6700\u5c0f\u5316"), wide);
    for (const auto& r : skin::tv::kPanelButtons) {
        if (!r.tooltip)
            continue;
        std::string zh = TooltipText(r.tooltip, kLanguageChinese, "Tunaro");
        EXPECT_FALSE(zh.empty()) << r.tooltip;
        EXPECT_EQ(LoadResourceString(static_cast<UINT>(r.tooltip)), zh) << r.tooltip;
    }
    EXPECT_FALSE(TooltipText(122, kLanguageChinese, "Tunaro").empty());
}

// ---- windows ----------------------------------------------------------------------------------

// What a button draws for an owner-draw state, as pixels.
std::vector<std::uint32_t> DrawnLook(HWND button, UINT state) {
    RECT rc;
    GetClientRect(button, &rc);
    std::vector<std::uint32_t> blank(static_cast<size_t>(rc.right) * rc.bottom, 0);
    HBITMAP target = e2e::MakeBitmap(blank, rc.right, rc.bottom);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, target);
    DRAWITEMSTRUCT dis = {};
    dis.CtlType = ODT_BUTTON;
    dis.CtlID = static_cast<UINT>(GetDlgCtrlID(button));
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = state;
    dis.hwndItem = button;
    dis.hDC = dc;
    dis.rcItem = rc;
    SendMessageA(button, WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
    SelectObject(dc, old);
    DeleteDC(dc);
    auto px = e2e::BitmapPixels(target);
    DeleteObject(target);
    return px;
}

std::vector<std::uint32_t> ResourceLook(int id) {
    auto px = e2e::ResourceBitmapPixels(id);
    EXPECT_FALSE(px.empty()) << id;
    return px;
}

std::string TooltipOf(tunaro::Cyup4Btn* b) {
    if (!b->Tooltip())
        return "";
    char text[256] = "";
    TOOLINFOA ti = {};
    ti.cbSize = TTTOOLINFOA_V1_SIZE;
    ti.hwnd = GetParent(b->GetHwnd());
    ti.uId = reinterpret_cast<UINT_PTR>(b->GetHwnd());
    ti.lpszText = text;
    SendMessageA(b->Tooltip(), TTM_GETTEXTA, 0, reinterpret_cast<LPARAM>(&ti));
    return text;
}

TEST(PanelSkinWindows, ButtonsSitWhereTheLayoutSaysWithTheirLooks) {
    HWND panel = MakeHost("panel look host", 400, 346);
    ASSERT_NE(nullptr, panel);
    // The template may already hold some controls: the skin takes them over instead of adding.
    HWND existing = CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE, 0, 0, 5, 5, panel,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(403)), nullptr, nullptr);
    {
        PanelSkin skinLook;
        ASSERT_TRUE(skinLook.Create(panel, LoadCursor(nullptr, IDC_HAND), kLanguageEnglish, "Tunaro"));
        VolumeBar volumeBar(kPanelVolumeScale, skin::tv::kVolumeLit, skin::tv::kVolumeUnlit);
        ASSERT_TRUE(volumeBar.Create(panel, LoadCursor(nullptr, IDC_HAND)));
        EXPECT_EQ(existing, GetDlgItem(panel, 403));
        for (const auto& r : skin::tv::kPanelButtons) {
            HWND b = GetDlgItem(panel, r.id);
            ASSERT_NE(nullptr, b) << r.id;
            RECT rc;
            GetWindowRect(b, &rc);
            MapWindowPoints(nullptr, panel, reinterpret_cast<POINT*>(&rc), 2);
            EXPECT_EQ(r.left, rc.left) << r.id;
            EXPECT_EQ(r.top, rc.top) << r.id;
            EXPECT_EQ(r.width, rc.right - rc.left) << r.id;
            EXPECT_EQ(r.height, rc.bottom - rc.top) << r.id;
            bool hidden = r.id == 408 || r.id == 410;
            EXPECT_EQ(!hidden, IsWindowVisible(b) != FALSE) << r.id;
        }
        for (int id = kFirstVolumeSegment; id <= kLastVolumeSegment; ++id)
            EXPECT_NE(nullptr, GetDlgItem(panel, id)) << id;
        // The keyboard focus goes to the invisible sink, never to a skin button.
        HWND sink = skinLook.FocusSink();
        ASSERT_NE(nullptr, sink);
        RECT sinkRect;
        GetWindowRect(sink, &sinkRect);
        EXPECT_EQ(0, sinkRect.right - sinkRect.left);
        EXPECT_EQ(sink, GetNextDlgTabItem(panel, nullptr, FALSE));
        EXPECT_NE(0xFFFF, GetDlgCtrlID(sink)); // a message box's text id: tools take such windows for boxes
        for (const auto& r : skin::tv::kPanelButtons)
            EXPECT_EQ(0, GetWindowLongPtrA(GetDlgItem(panel, r.id), GWL_STYLE) & WS_TABSTOP) << r.id;

        // Looks: normal, pressed and disabled bitmaps as drawn by the record button's row.
        const skin::Row* rec = nullptr;
        for (const auto& r : skin::tv::kPanelButtons)
            if (r.id == 411)
                rec = &r;
        ASSERT_NE(nullptr, rec);
        HWND b411 = GetDlgItem(panel, 411);
        EXPECT_EQ(ResourceLook(rec->normal), DrawnLook(b411, 0));
        EXPECT_EQ(ResourceLook(rec->pressed), DrawnLook(b411, ODS_SELECTED));
        EXPECT_EQ(ResourceLook(rec->fourth), DrawnLook(b411, ODS_DISABLED));
        EXPECT_EQ("Record", TooltipOf(skinLook.Button(411)));
        EXPECT_EQ("About Tunaro...", TooltipOf(skinLook.Button(1111)));

        skinLook.SetRecordLook(true);
        EXPECT_TRUE(skinLook.RecordLook());
        EXPECT_EQ(ResourceLook(skin::tv::kRecordingRow.normal), DrawnLook(b411, 0));
        EXPECT_EQ("Stop Record", TooltipOf(skinLook.Button(411)));
        skinLook.SetRecordLook(false);
        EXPECT_EQ(ResourceLook(rec->normal), DrawnLook(b411, 0));
        EXPECT_EQ("Record", TooltipOf(skinLook.Button(411)));

        skinLook.SetMuteLook(true);
        EXPECT_EQ(ResourceLook(skin::tv::kMutedRow.normal), DrawnLook(GetDlgItem(panel, 406), 0));
        skinLook.SetMuteLook(false);
        EXPECT_NE(ResourceLook(skin::tv::kMutedRow.normal), DrawnLook(GetDlgItem(panel, 406), 0));

        // Volume bar: up to the top id lit, the rest dark; moving the top relights both ways.
        volumeBar.LightSegments(1185);
        EXPECT_EQ(1185, volumeBar.Top());
        for (int i = 0; i < kVolumeSegmentCount; ++i) {
            const auto& want = 1181 + i <= 1185 ? skin::tv::kVolumeLit[i] : skin::tv::kVolumeUnlit[i];
            EXPECT_EQ(ResourceLook(want.normal), DrawnLook(GetDlgItem(panel, 1181 + i), 0)) << 1181 + i;
        }
        volumeBar.LightSegments(1182);
        EXPECT_EQ(ResourceLook(skin::tv::kVolumeUnlit[4].normal), DrawnLook(GetDlgItem(panel, 1185), 0));
        EXPECT_EQ(ResourceLook(skin::tv::kVolumeLit[1].normal), DrawnLook(GetDlgItem(panel, 1182), 0));
        volumeBar.LightSegments(5000); // kept within the bar
        EXPECT_EQ(1198, volumeBar.Top());
        EXPECT_EQ(ResourceLook(skin::tv::kVolumeLit[17].normal), DrawnLook(GetDlgItem(panel, 1198), 0));

        // The busy lock on real controls: scanning leaves Record disabled, Auto Scan usable.
        EnableControls(panel, BusyLockIds(true), false);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(panel, 411)));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(panel, 405)));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(panel, 402)));
        EnableControls(panel, BusyUnlockIds(), true);
        for (int id : BusyUnlockIds())
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(panel, id))) << id;
        e2e::Pump();
    }
    DestroyWindow(panel);
}

TEST(PanelSkinWindows, ChineseTooltipsComeFromTheStringTable) {
    HWND panel = MakeHost("panel look host zh", 400, 346);
    {
        PanelSkin skinLook;
        ASSERT_TRUE(skinLook.Create(panel, nullptr, kLanguageChinese, "Tunaro"));
        EXPECT_EQ(LoadResourceString(99), TooltipOf(skinLook.Button(401)));
        EXPECT_NE("Minimize", TooltipOf(skinLook.Button(401)));
        EXPECT_EQ(LoadResourceString(101), TooltipOf(skinLook.Button(1111)));
    }
    DestroyWindow(panel);
}

TEST(PanelSkinWindows, StatusLineShowsTextInItsColour) {
    HWND panel = MakeHost("panel status host", 400, 346);
    {
        PanelStatusLine status;
        ASSERT_TRUE(status.Create(panel));
        HWND line = GetDlgItem(panel, 1069);
        ASSERT_EQ(line, status.hwnd());
        RECT rc;
        GetWindowRect(line, &rc);
        MapWindowPoints(nullptr, panel, reinterpret_cast<POINT*>(&rc), 2);
        EXPECT_EQ(170, rc.left);
        EXPECT_EQ(70, rc.top);
        EXPECT_EQ(180, rc.right - rc.left);
        EXPECT_EQ(16, rc.bottom - rc.top);
        status.Show(StatusLine{"Scanning.....", kStatusGreen});
        EXPECT_EQ("Scanning.....", status.Text());
        char text[64] = "";
        GetWindowTextA(line, text, sizeof(text));
        EXPECT_STREQ("Scanning.....", text);
        status.Show(StatusLine{"Composite", kStatusYellow});
        EXPECT_EQ("Composite", status.Text());
        e2e::Pump();
    }
    DestroyWindow(panel);
}

TEST(PanelSkinWindows, BackgroundFallsBackToTheSkinWhenTheFileIsMissing) {
    SkinBackground bg;
    ASSERT_TRUE(bg.Load("C:\\no\\such\\BG.BMP", nullptr, 151));
    EXPECT_FALSE(bg.FromFile());
    int w = 0, h = 0;
    auto px = e2e::BitmapPixels(bg.GetBitmap(), &w, &h);
    EXPECT_EQ(400, w);
    EXPECT_EQ(ResourceLook(151), px);
    // Painted at 0,0 into a target.
    std::vector<std::uint32_t> blank(400 * 346, 0x123456);
    HBITMAP target = e2e::MakeBitmap(blank, 400, 346);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, target);
    EXPECT_TRUE(bg.Paint(dc));
    SelectObject(dc, old);
    DeleteDC(dc);
    EXPECT_EQ(px, e2e::BitmapPixels(target));
    DeleteObject(target);
    SkinBackground none;
    EXPECT_FALSE(none.Paint(nullptr));
}

} // namespace
