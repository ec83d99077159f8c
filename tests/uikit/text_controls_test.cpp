// Tests of the text controls: grid-list text shortening at the exact fit, gradient bands,
// label painting and flashing, status text placement, and the grid list's own row drawing.
#include <gtest/gtest.h>

#include "uikit/gradient.h"
#include "uikit/grid_list.h"
#include "uikit/status_text.h"
#include "uikit/text_label.h"
#include "tests/uikit/test_host.h"

#include <string>

using namespace tunaro;

using namespace uitest;

namespace {

int TextWidth(HDC dc, const std::string& s) {
    SIZE size = {0, 0};
    GetTextExtentPoint32A(dc, s.c_str(), static_cast<int>(s.size()), &size);
    return size.cx;
}

TEST(GridListFit, ExactFitIsKeptAndOnePixelLessIsShortened) {
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    const std::string text = "Channel 12 Long Name";
    const int width = TextWidth(dc, text);
    for (int column : {0, 1, 3}) {
        const int margin = column == 0 ? 4 : 12;
        EXPECT_EQ(text, GridList::FitText(dc, text, width + margin, column)) << column;
        std::string cut = GridList::FitText(dc, text, width + margin - 1, column);
        ASSERT_GT(cut.size(), 3u);
        EXPECT_EQ("...", cut.substr(cut.size() - 3)) << column;
        EXPECT_EQ(0u, text.find(cut.substr(0, cut.size() - 3))) << "a prefix of the text";
        EXPECT_LE(TextWidth(dc, cut), width - 1);
        // The longest such prefix: one more character would not fit.
        std::string longer = text.substr(0, cut.size() - 3 + 1) + "...";
        EXPECT_GT(TextWidth(dc, longer), width - 1);
    }
    // Nothing fits: only the dots remain.
    EXPECT_EQ("...", GridList::FitText(dc, text, 5, 0));
    DeleteDC(dc);
}

TEST(GridListFit, DoubleByteCharactersAreNotSplit) {
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    if (GetACP() != 936) {
        DeleteDC(dc);
        GTEST_SKIP() << "needs the Chinese code page (run with LC_ALL=zh_CN.UTF-8)";
    }
    const std::string text = "中央电视台第一套节目";
    std::string cut = GridList::FitText(dc, text, TextWidth(dc, text) + 3, 0);
    ASSERT_GE(cut.size(), 3u);
    EXPECT_EQ(0u, (cut.size() - 3) % 2);
    DeleteDC(dc);
}

TEST(Gradient, NarrowAreasGetOneBandPerPixelAndWideOnesAHundred) {
    auto narrow = GradientBands(60, RGB(0, 0, 0), RGB(255, 120, 60));
    ASSERT_EQ(60u, narrow.size());
    for (size_t i = 0; i < narrow.size(); ++i) {
        EXPECT_EQ(static_cast<int>(i), narrow[i].left);
        EXPECT_EQ(static_cast<int>(i) + 1, narrow[i].right);
    }
    EXPECT_EQ(RGB(0, 0, 0), narrow.front().colour);
    // Band i: start + (end - start) * i / count, per channel in 8.8 fixed point.
    EXPECT_EQ(RGB(255 * 30 / 60, 120 * 30 / 60, 60 * 30 / 60), narrow[30].colour);
    EXPECT_EQ(RGB(255 * 59 / 60, 120 * 59 / 60, 60 * 59 / 60), narrow[59].colour);

    auto wide = GradientBands(250, RGB(200, 100, 0), RGB(0, 100, 200));
    ASSERT_EQ(100u, wide.size());
    EXPECT_EQ(0, wide.front().left);
    EXPECT_EQ(250, wide.back().right);
    for (size_t i = 1; i < wide.size(); ++i)
        EXPECT_EQ(wide[i - 1].right, wide[i].left);
    EXPECT_EQ(RGB(198, 100, 2), wide[1].colour); // falling and rising channels
    EXPECT_TRUE(GradientBands(0, 0, 0).empty());
}

TEST(TextLabelPaint, GradientFillsTheLabelAndFlashingHidesTheText) {
    TestHost host;
    HWND wnd = host.AddChild("STATIC", "", SS_LEFT, 50, 10, 10, 80, 24);
    TextLabel label;
    ASSERT_TRUE(label.Attach(wnd));
    label.SetGradient(true, RGB(0, 0, 0), RGB(0, 0, 240));
    UpdateWindow(wnd);
    EXPECT_EQ(80, label.LastGradientBands());
    HDC dc = GetDC(wnd);
    COLORREF left = GetPixel(dc, 0, 12), right = GetPixel(dc, 79, 12);
    EXPECT_EQ(RGB(0, 0, 0), left);
    EXPECT_EQ(RGB(0, 0, 237), right); // 240 * 79 / 80
    ReleaseDC(wnd, dc);

    // Flashing text: the timer flips the phase; in the "off" phase no text pixel differs
    // from the background.
    label.SetBkColor(RGB(10, 20, 30)).SetTextColor(RGB(250, 250, 250)).SetText("WWWW");
    label.FlashText(true);
    auto countText = [&]() {
        UpdateWindow(wnd);
        HDC d = GetDC(wnd);
        int n = 0;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 80; ++x)
                n += GetPixel(d, x, y) != RGB(10, 20, 30);
        ReleaseDC(wnd, d);
        return n;
    };
    EXPECT_FALSE(label.FlashPhaseOff());
    EXPECT_GT(countText(), 0);
    SendMessageA(wnd, WM_TIMER, 1, 0);
    EXPECT_TRUE(label.FlashPhaseOff());
    EXPECT_EQ(0, countText());
    SendMessageA(wnd, WM_TIMER, 1, 0);
    EXPECT_GT(countText(), 0);
}

TEST(TextLabelSetters, FontFieldsAndNotifyClick) {
    TestHost host;
    HWND wnd = host.AddChild("STATIC", "Tunaro", SS_LEFT, 51, 10, 10, 120, 30);
    TextLabel label;
    ASSERT_TRUE(label.Attach(wnd));
    label.SetFontBold(true).SetFontItalic(true).SetFontUnderline(true).SetFontName("Arial");
    EXPECT_EQ(FW_BOLD, label.Font().lfWeight);
    EXPECT_TRUE(label.Font().lfItalic);
    EXPECT_TRUE(label.Font().lfUnderline);
    EXPECT_STREQ("Arial", label.Font().lfFaceName);
    label.SetFontBold(false).SetRotationAngle(900, true);
    EXPECT_EQ(FW_NORMAL, label.Font().lfWeight);
    EXPECT_EQ(900, label.Font().lfEscapement);
    EXPECT_EQ(900, label.Font().lfOrientation);
    HDC dc = GetDC(nullptr);
    int expected = -MulDiv(22, GetDeviceCaps(dc, LOGPIXELSY), 72);
    ReleaseDC(nullptr, dc);
    label.SetFontSize(22);
    EXPECT_EQ(expected, label.Font().lfHeight);

    label.SetLink(true, TextLabel::kUrlLink, true);
    SendMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, Point(3, 3));
    auto notes = host.Reports(WM_NOTIFY);
    ASSERT_EQ(1u, notes.size());
    EXPECT_EQ(51u, notes[0].wp);
    EXPECT_EQ(static_cast<LPARAM>(0x8200), notes[0].lp);
}

TEST(StatusTextLayout, MarginsCentringAndChangedTextOnly) {
    TestHost host;
    // Subclassed before its first paint, as a dialog does at initialisation.
    HWND wnd = CreateWindowExA(0, "STATIC", "TV", WS_CHILD | SS_LEFT, 170, 70, 180, 16, host.hwnd(),
                               reinterpret_cast<HMENU>(1069), GetModuleHandleA(nullptr), nullptr);
    StatusText status;
    ASSERT_TRUE(status.Attach(wnd));
    ShowWindow(wnd, SW_SHOW);
    EXPECT_EQ("TV", status.Text());
    POINT p = status.TextOrigin();
    EXPECT_EQ(3, p.x);
    EXPECT_EQ(3, p.y);

    status.SetFontHeight(12);
    status.SetText("Scanning.....");
    HDC dc = GetDC(wnd);
    LOGFONTA lf = {};
    HFONT base = reinterpret_cast<HFONT>(SendMessageA(wnd, WM_GETFONT, 0, 0));
    GetObjectA(base ? base : GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
    lf.lfHeight = 12;
    lf.lfWidth = 0;
    HFONT font = CreateFontIndirectA(&lf);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size;
    GetTextExtentPoint32A(dc, "Scanning.....", 13, &size);
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(wnd, dc);
    status.SetCenterHorizontal(true);
    status.SetCenterVertical(true);
    p = status.TextOrigin();
    EXPECT_EQ((180 - size.cx) / 2, p.x);
    EXPECT_EQ((16 - size.cy) / 2, p.y);

    // Painting over a skin: the first paint keeps what was under the control.
    status.SetTextColor(RGB(255, 255, 0));
    status.SetTransparent(true);
    InvalidateRect(wnd, nullptr, FALSE);
    UpdateWindow(wnd);
    EXPECT_TRUE(status.HasSavedBackground());
    HDC wdc = GetDC(wnd);
    EXPECT_EQ(RGB(0, 0, 0), GetPixel(wdc, 0, 0)); // the host's black background, not a fill
    ReleaseDC(wnd, wdc);

    // Setting the same text again does not redraw; a different one does.
    UpdateWindow(wnd);
    status.SetText("Scanning.....");
    EXPECT_FALSE(GetUpdateRect(wnd, nullptr, FALSE));
    status.SetText("Recording: 00:00:01");
    EXPECT_TRUE(GetUpdateRect(wnd, nullptr, FALSE));
    EXPECT_EQ("Recording: 00:00:01", status.Text());
}

// Under a common-controls 6 manifest the static class is a Unicode window: a WM_SETTEXT reaches
// the controls with a wide text, which they must store and read as such.
TEST(TextControlsText, WindowTextMessagesInAUnicodeWindow) {
    TestHost host;
    HWND labelWnd = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | SS_CENTER, 0, 0, 200, 20, host.hwnd(),
                                    nullptr, GetModuleHandleW(nullptr), nullptr);
    HWND statusWnd = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | SS_LEFT, 0, 30, 200, 16, host.hwnd(),
                                     nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(IsWindowUnicode(labelWnd));
    TextLabel label;
    ASSERT_TRUE(label.Attach(labelWnd));
    StatusText status;
    ASSERT_TRUE(status.Attach(statusWnd));

    label.SetText("[5]Ch5 Stereo");
    char text[64] = "";
    GetWindowTextA(labelWnd, text, sizeof text);
    EXPECT_STREQ("[5]Ch5 Stereo", text);
    SetWindowTextA(statusWnd, "Recording: 00:00:01");
    EXPECT_EQ("Recording: 00:00:01", status.Text());
    GetWindowTextA(statusWnd, text, sizeof text);
    EXPECT_STREQ("Recording: 00:00:01", text);
    DestroyWindow(statusWnd);
    DestroyWindow(labelWnd);
}

TEST(GridListDraw, RowsAreOwnerDrawnWithShortenedTexts) {
    TestHost host(400, 200);
    HWND wnd = host.AddChild(WC_LISTVIEWA, "", LVS_ICON | LVS_SHOWSELALWAYS, 1200, 10, 10, 300, 150);
    GridList grid;
    ASSERT_TRUE(grid.Attach(wnd));
    LONG_PTR style = GetWindowLongPtrA(wnd, GWL_STYLE);
    EXPECT_EQ(LVS_REPORT, style & LVS_TYPEMASK);
    EXPECT_TRUE(style & LVS_OWNERDRAWFIXED);
    LVCOLUMNA col = {};
    col.mask = LVCF_WIDTH | LVCF_TEXT;
    col.cx = 60;
    col.pszText = const_cast<char*>("Disk");
    ListView_InsertColumn(wnd, 0, &col);
    col.cx = 120;
    col.pszText = const_cast<char*>("Free");
    ListView_InsertColumn(wnd, 1, &col);
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.pszText = const_cast<char*>("C:\\ a very long volume label");
    ListView_InsertItem(wnd, &item);
    ListView_SetItemText(wnd, 0, 1, const_cast<char*>("1024 MB"));
    ListView_SetItemState(wnd, 0, LVIS_SELECTED, LVIS_SELECTED);
    InvalidateRect(wnd, nullptr, TRUE);
    UpdateWindow(wnd);
    TestHost::Pump();
    // The selected row is filled with the highlight colour by our drawing.
    RECT row;
    ListView_GetItemRect(wnd, 0, &row, LVIR_BOUNDS);
    HDC dc = GetDC(wnd);
    COLORREF c = GetPixel(dc, row.left + 58, (row.top + row.bottom) / 2);
    COLORREF line = GetPixel(dc, row.left + 59, (row.top + row.bottom) / 2);
    ReleaseDC(wnd, dc);
    EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), c);
    EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT), line); // the cell's box in the text colour
}

} // namespace
