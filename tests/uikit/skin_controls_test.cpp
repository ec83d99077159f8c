// Tests of the skin button and the skin slider on real windows: which look is drawn for which
// state, clicks from mouse sequences, missing bitmaps, thumb placement and dragging.
#include <gtest/gtest.h>

#include "uikit/cyup4_btn.h"
#include "uikit/skin_slider.h"
#include "tests/uikit/test_host.h"

using namespace tunaro;

using namespace uitest;

namespace {

const int kButtonId = 1234;

struct ButtonFixture : ::testing::Test {
    TestHost host;
    HWND wnd = nullptr;
    Cyup4Btn button;
    void SetUp() override {
        wnd = host.AddChild("BUTTON", "", BS_PUSHBUTTON, kButtonId, 30, 40, 60, 30);
        ASSERT_TRUE(button.Attach(wnd));
    }
    int Clicks() const {
        int n = 0;
        for (const auto& r : host.Reports(WM_COMMAND))
            if (LOWORD(r.wp) == kButtonId && HIWORD(r.wp) == BN_CLICKED &&
                reinterpret_cast<HWND>(r.lp) == wnd)
                ++n;
        return n;
    }
    COLORREF PixelAt(int x, int y) {
        HDC dc = GetDC(wnd);
        COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(wnd, dc);
        return c;
    }
};

TEST_F(ButtonFixture, SizesItselfToTheNormalBitmapAndReportsMissingOnes) {
    EXPECT_EQ(1, button.SetBitmaps(kBmpNormal, kBmpHover, kBmpPressed, kBmpFourth));
    RECT rc;
    GetWindowRect(wnd, &rc);
    EXPECT_EQ(20, rc.right - rc.left);
    EXPECT_EQ(12, rc.bottom - rc.top);
    POINT pt = {rc.left, rc.top};
    ScreenToClient(host.hwnd(), &pt);
    EXPECT_EQ(30, pt.x); // not moved
    EXPECT_EQ(40, pt.y);

    // A missing optional bitmap: 0, but the others are there and the button still sized.
    EXPECT_EQ(0, button.SetBitmaps(kBmpNormal, 999, kBmpPressed));
    EXPECT_TRUE(button.HasBitmap(Cyup4Btn::kNormal));
    EXPECT_FALSE(button.HasBitmap(Cyup4Btn::kHover));
    EXPECT_TRUE(button.HasBitmap(Cyup4Btn::kPressed));
    // A missing normal bitmap fails.
    EXPECT_EQ(0, button.SetBitmaps(998, kBmpHover));
    EXPECT_FALSE(button.HasBitmap(Cyup4Btn::kNormal));
}

TEST_F(ButtonFixture, LookFollowsTheOwnerDrawState) {
    ASSERT_EQ(1, button.SetBitmaps(kBmpNormal, kBmpHover, kBmpPressed, kBmpFourth));
    struct Case {
        UINT state;
        int drawn;
        COLORREF colour;
    } cases[] = {
        {0, Cyup4Btn::kNormal, RGB(200, 0, 0)},
        {ODS_FOCUS, Cyup4Btn::kHover, RGB(0, 200, 0)},
        {ODS_SELECTED, Cyup4Btn::kPressed, RGB(0, 0, 200)},
        {ODS_SELECTED | ODS_FOCUS, Cyup4Btn::kPressed, RGB(0, 0, 200)},
        {ODS_DISABLED, Cyup4Btn::kFourth, RGB(90, 90, 90)},
        {ODS_DISABLED | ODS_FOCUS, Cyup4Btn::kHover, RGB(0, 200, 0)},
        {ODS_DEFAULT, Cyup4Btn::kHover, RGB(0, 200, 0)}, // a default button with a fourth look
    };
    for (const Case& c : cases) {
        button.DrawLook(ODA_DRAWENTIRE, c.state);
        EXPECT_EQ(c.drawn, button.LastDrawn()) << "state " << c.state;
        EXPECT_EQ(c.colour, PixelAt(5, 5)) << "state " << c.state;
    }
    // Without a fourth look a default or disabled button shows the normal one.
    ASSERT_EQ(1, button.SetBitmaps(kBmpNormal, kBmpHover, kBmpPressed));
    button.DrawLook(ODA_DRAWENTIRE, ODS_DEFAULT);
    EXPECT_EQ(Cyup4Btn::kNormal, button.LastDrawn());
    button.DrawLook(ODA_DRAWENTIRE, ODS_DISABLED);
    EXPECT_EQ(Cyup4Btn::kNormal, button.LastDrawn());
    EXPECT_EQ(RGB(200, 0, 0), PixelAt(5, 5));
}

TEST_F(ButtonFixture, SystemPaintGoesThroughTheSameLooks) {
    ASSERT_EQ(1, button.SetBitmaps(kBmpNormal, kBmpHover, kBmpPressed, kBmpFourth));
    EnableWindow(wnd, FALSE);
    UpdateWindow(wnd);
    TestHost::Pump();
    EXPECT_EQ(Cyup4Btn::kFourth, button.LastDrawn());
    EnableWindow(wnd, TRUE);
    UpdateWindow(wnd);
    TestHost::Pump();
    EXPECT_EQ(Cyup4Btn::kNormal, button.LastDrawn());
}

TEST(ButtonsOfOneParent, EachDrawsItsOwnItemAndOneThatGoesLeavesTheOthersDrawing) {
    TestHost host;
    Cyup4Btn buttons[3];
    HWND wnds[3] = {};
    for (int i = 0; i < 3; ++i) {
        wnds[i] = host.AddChild("BUTTON", "", BS_PUSHBUTTON, 2000 + i, 10 + 30 * i, 10, 20, 12);
        ASSERT_TRUE(buttons[i].Attach(wnds[i]));
        ASSERT_EQ(1, buttons[i].SetBitmaps(kBmpNormal, kBmpHover, kBmpPressed, kBmpFourth));
    }
    // The middle one's window goes away; it lets go of the parent.
    DestroyWindow(wnds[1]);
    EXPECT_EQ(nullptr, buttons[1].GetHwnd());

    // The parent's owner-draw requests still reach each remaining button, and only it.
    EnableWindow(wnds[0], FALSE);
    EnableWindow(wnds[2], FALSE);
    UpdateWindow(host.hwnd());
    TestHost::Pump();
    EXPECT_EQ(Cyup4Btn::kFourth, buttons[0].LastDrawn());
    EXPECT_EQ(Cyup4Btn::kFourth, buttons[2].LastDrawn());
    EnableWindow(wnds[0], TRUE);
    UpdateWindow(host.hwnd());
    TestHost::Pump();
    EXPECT_EQ(Cyup4Btn::kNormal, buttons[0].LastDrawn());
    EXPECT_EQ(Cyup4Btn::kFourth, buttons[2].LastDrawn());

    // Once the last one lets go, nothing of the buttons stays on the parent.
    buttons[0].Detach();
    EXPECT_NE(nullptr, GetPropA(host.hwnd(), "TunaroKitOwnerDraw"));
    buttons[2].Detach();
    EXPECT_EQ(nullptr, GetPropA(host.hwnd(), "TunaroKitOwnerDraw"));
}

TEST_F(ButtonFixture, HoverWhenTheMouseComesAndNormalWhenItLeaves) {
    ASSERT_EQ(1, button.SetBitmaps(kBmpNormal, kBmpHover, kBmpPressed));
    SendMessageA(wnd, WM_MOUSEMOVE, 0, Point(5, 5));
    EXPECT_EQ(Cyup4Btn::kHover, button.LastDrawn());
    EXPECT_EQ(wnd, GetCapture());
    SendMessageA(wnd, WM_MOUSEMOVE, 0, Point(50, 5));
    EXPECT_EQ(Cyup4Btn::kNormal, button.LastDrawn());
    EXPECT_NE(wnd, GetCapture());
    EXPECT_EQ(0, Clicks());
}

TEST_F(ButtonFixture, PressAndReleaseInsideClicksOnce) {
    ASSERT_EQ(1, button.SetBitmaps(kBmpNormal, kBmpHover, kBmpPressed));
    SendMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, Point(5, 5));
    EXPECT_EQ(Cyup4Btn::kPressed, button.LastDrawn());
    EXPECT_EQ(RGB(0, 0, 200), PixelAt(5, 5));
    SendMessageA(wnd, WM_LBUTTONUP, 0, Point(5, 5));
    EXPECT_EQ(1, Clicks());
    EXPECT_NE(wnd, GetCapture());
}

TEST_F(ButtonFixture, PressMoveOffReleaseClicksWhenThePressedLookWasDrawn) {
    ASSERT_EQ(1, button.SetBitmaps(kBmpNormal, kBmpHover, kBmpPressed));
    SendMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, Point(5, 5));
    SendMessageA(wnd, WM_MOUSEMOVE, MK_LBUTTON, Point(100, 80));
    EXPECT_EQ(wnd, GetCapture()); // still sees the release
    SendMessageA(wnd, WM_LBUTTONUP, 0, Point(100, 80));
    EXPECT_EQ(1, Clicks());
}

TEST_F(ButtonFixture, PressMoveOffReleaseDoesNotClickWithoutAPressedLook) {
    ASSERT_EQ(1, button.SetBitmaps(kBmpNormal, kBmpHover)); // no pressed bitmap
    SendMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, Point(5, 5));
    EXPECT_NE(Cyup4Btn::kPressed, button.LastDrawn());
    SendMessageA(wnd, WM_MOUSEMOVE, MK_LBUTTON, Point(100, 80));
    SendMessageA(wnd, WM_LBUTTONUP, 0, Point(100, 80));
    EXPECT_EQ(0, Clicks());
    EXPECT_NE(wnd, GetCapture());
}

TEST_F(ButtonFixture, WorksWithOnlyTheNormalBitmap) {
    ASSERT_EQ(1, button.SetBitmaps(kBmpNormal));
    SendMessageA(wnd, WM_MOUSEMOVE, 0, Point(5, 5));
    EXPECT_EQ(Cyup4Btn::kNormal, button.LastDrawn()); // no hover look: stays normal
    SendMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, Point(5, 5));
    EXPECT_EQ(Cyup4Btn::kNormal, button.LastDrawn());
    EXPECT_EQ(RGB(200, 0, 0), PixelAt(5, 5));
    SendMessageA(wnd, WM_LBUTTONUP, 0, Point(6, 6));
    EXPECT_EQ(1, Clicks());
}

TEST_F(ButtonFixture, ReleaseWithoutPressIsNoClick) {
    ASSERT_EQ(1, button.SetBitmaps(kBmpNormal, kBmpHover, kBmpPressed));
    SendMessageA(wnd, WM_LBUTTONUP, 0, Point(5, 5));
    EXPECT_EQ(0, Clicks());
}

TEST_F(ButtonFixture, TooltipIsCreatedOnFirstUseAndUpdated) {
    ASSERT_EQ(1, button.SetBitmaps(kBmpNormal));
    EXPECT_EQ(nullptr, button.Tooltip());
    button.SetTooltipText("Record");
    HWND tip = button.Tooltip();
    ASSERT_NE(nullptr, tip);
    EXPECT_EQ(1, SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0));
    auto text = [&]() {
        char buf[80] = "";
        TOOLINFOA ti = {};
        ti.cbSize = TTTOOLINFOA_V1_SIZE;
        ti.hwnd = host.hwnd();
        ti.uId = reinterpret_cast<UINT_PTR>(wnd);
        ti.lpszText = buf;
        SendMessageA(tip, TTM_GETTEXTA, sizeof(buf), reinterpret_cast<LPARAM>(&ti));
        return std::string(buf);
    };
    EXPECT_EQ("Record", text());
    button.SetTooltipText("Stop Record");
    EXPECT_EQ(tip, button.Tooltip());
    EXPECT_EQ(1, SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0));
    EXPECT_EQ("Stop Record", text());
    // From the string table; an empty or missing string changes nothing.
    button.SetTooltipText(99u, TRUE);
    EXPECT_EQ("Minimize", text());
    button.SetTooltipText(12345u, TRUE);
    EXPECT_EQ("Minimize", text());
    EXPECT_EQ(1, SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0));
}

// ---- SkinSlider ----------------------------------------------------------------------------

struct SliderFixture : ::testing::Test {
    TestHost host;
    HWND wnd = nullptr;
    SkinSlider slider;
    void SetUp() override {
        wnd = host.AddChild(TRACKBAR_CLASSA, "", TBS_HORZ | TBS_NOTICKS, 77, 10, 10, 220, 20);
        ASSERT_TRUE(slider.Attach(wnd));
        ASSERT_TRUE(slider.SetBitmaps(kBmpThumb, kBmpThumbMask, 0, kBmpChannel));
        RECT channel = {10, 0, 210, 20};
        slider.SetChannelRect(channel);
        slider.SetRange(0, 100);
    }
};

TEST_F(SliderFixture, ThumbCentreLies13FromTheStartAnd14FromTheEnd) {
    slider.SetPos(0);
    RECT t = slider.ThumbRect();
    EXPECT_EQ(9, t.right - t.left);
    EXPECT_EQ(11, t.bottom - t.top);
    EXPECT_EQ(0, t.top);
    EXPECT_EQ(10 + 13, t.left + 9 / 2);
    slider.SetPos(100);
    t = slider.ThumbRect();
    EXPECT_EQ(210 - 14, t.left + 9 / 2);
    slider.SetPos(50);
    t = slider.ThumbRect();
    EXPECT_EQ(10 + 13 + (200 - 27) / 2, t.left + 9 / 2); // product truncated
}

TEST(SkinSliderRule, VerticalUsesTheVerticalAxisAndTheChannelsLeft) {
    RECT channel = {4, 20, 24, 220};
    SIZE thumb = {14, 8};
    RECT t = SkinSlider::ThumbRectFor(channel, thumb, true, 10, 20, 10);
    EXPECT_EQ(4, t.left);
    EXPECT_EQ(20 + 13, t.top + 8 / 2);
    t = SkinSlider::ThumbRectFor(channel, thumb, true, 10, 20, 20);
    EXPECT_EQ(220 - 14, t.top + 8 / 2);
    // An empty range puts the thumb at the start rather than dividing by zero.
    t = SkinSlider::ThumbRectFor(channel, thumb, false, 5, 5, 5);
    EXPECT_EQ(4 + 13, t.left + 14 / 2);
}

TEST_F(SliderFixture, DraggingTheThumbMovesItNotifiesAndShowsTheValue) {
    slider.SetPos(0);
    RECT t = slider.ThumbRect();
    SendMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, Point(t.left + 2, t.top + 2));
    EXPECT_TRUE(slider.Pressed());
    HWND tip = SkinSlider::ValueTooltip();
    ASSERT_NE(nullptr, tip);
    // Halfway along the travel.
    int x = 10 + 13 + (200 - 27) / 2;
    SendMessageA(wnd, WM_MOUSEMOVE, MK_LBUTTON, Point(x, 5));
    EXPECT_EQ(50, slider.GetPos());
    char buf[16] = "";
    TOOLINFOA ti = {};
    ti.cbSize = TTTOOLINFOA_V1_SIZE;
    ti.lpszText = buf;
    SendMessageA(tip, TTM_GETTEXTA, sizeof(buf), reinterpret_cast<LPARAM>(&ti));
    EXPECT_STREQ("50", buf);
    SendMessageA(wnd, WM_MOUSEMOVE, MK_LBUTTON, Point(500, 5)); // beyond the end
    EXPECT_EQ(100, slider.GetPos());
    SendMessageA(wnd, WM_LBUTTONUP, 0, Point(500, 5));
    EXPECT_FALSE(slider.Pressed());
    auto scrolls = host.Reports(WM_HSCROLL);
    ASSERT_FALSE(scrolls.empty());
    EXPECT_EQ(TB_ENDTRACK, LOWORD(scrolls.back().wp));
    bool sawTrack = false;
    for (const auto& s : scrolls)
        sawTrack |= LOWORD(s.wp) == TB_THUMBTRACK;
    EXPECT_TRUE(sawTrack);
}

TEST_F(SliderFixture, ClickBesideTheThumbPagesTowardsIt) {
    SendMessageA(wnd, TBM_SETPAGESIZE, 0, 10);
    slider.SetPos(0);
    SendMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, Point(190, 5));
    SendMessageA(wnd, WM_LBUTTONUP, 0, Point(190, 5));
    EXPECT_FALSE(slider.Pressed());
    EXPECT_EQ(10, slider.GetPos());
}

TEST_F(SliderFixture, PaintsTheThumbOverTheChannel) {
    slider.SetPos(0);
    InvalidateRect(wnd, nullptr, FALSE);
    UpdateWindow(wnd);
    RECT t = slider.ThumbRect();
    HDC dc = GetDC(wnd);
    // Mask black (AND) then yellow (XOR): yellow; beside the thumb the channel colour.
    EXPECT_EQ(RGB(255, 255, 0), GetPixel(dc, t.left + 3, t.top + 3));
    EXPECT_EQ(RGB(30, 30, 60), GetPixel(dc, t.right + 20, t.top + 3));
    ReleaseDC(wnd, dc);
}

} // namespace
