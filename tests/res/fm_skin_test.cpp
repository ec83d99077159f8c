// Tests of the FM window's generated skin: bitmaps at their rows' sizes, controls and display
// texts inside the window's shape, no buttons covering one another.
#include <gtest/gtest.h>

#include <windows.h>

#include "res/fm/skin_layout.h"

namespace skin = tunaro::skin;

namespace {

SIZE BitmapSize(int id) {
    SIZE s = {0, 0};
    HBITMAP b = static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, 0));
    if (!b)
        return s;
    BITMAP bm = {};
    GetObjectA(b, sizeof(bm), &bm);
    DeleteObject(b);
    s.cx = bm.bmWidth;
    s.cy = bm.bmHeight;
    return s;
}

void ExpectRowBitmaps(const skin::Row& r) {
    EXPECT_NE(0, r.normal) << r.id;
    for (int id : {r.normal, r.hover, r.pressed, r.fourth}) {
        if (id == 0)
            continue;
        SIZE s = BitmapSize(id);
        EXPECT_EQ(r.width, s.cx) << "control " << r.id << " bitmap " << id;
        EXPECT_EQ(r.height, s.cy) << "control " << r.id << " bitmap " << id;
    }
}

TEST(FmSkin, RowsHaveTheirBitmapsAndStayApart) {
    for (const auto& r : skin::fm::kFmButtons)
        ExpectRowBitmaps(r);
    ExpectRowBitmaps(skin::fm::kMutedRow);
    ExpectRowBitmaps(skin::fm::kRecordingRow);
    ASSERT_EQ(10u, sizeof(skin::fm::kVolumeLit) / sizeof(skin::fm::kVolumeLit[0]));
    for (size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(1062 + static_cast<int>(i), skin::fm::kVolumeUnlit[i].id);
        ExpectRowBitmaps(skin::fm::kVolumeLit[i]);
        ExpectRowBitmaps(skin::fm::kVolumeUnlit[i]);
    }
    for (const auto& a : skin::fm::kFmButtons)
        for (const auto& b : skin::fm::kFmButtons)
            if (&a < &b) {
                EXPECT_FALSE(a.left < b.left + b.width && b.left < a.left + a.width &&
                             a.top < b.top + b.height && b.top < a.top + a.height)
                    << a.id << " and " << b.id;
            }
}

TEST(FmSkin, ShapeCoversControlsAndTheDisplayTexts) {
    HBITMAP b = static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(137),
                                                IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(nullptr, b);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, b);
    auto inside = [&](int x, int y, int w, int h) {
        for (int yy = y; yy < y + h; ++yy)
            for (int xx = x; xx < x + w; ++xx)
                if (GetPixel(dc, xx, yy) == 0 || GetPixel(dc, xx, yy) == CLR_INVALID)
                    return false;
        return true;
    };
    EXPECT_EQ(0u, GetPixel(dc, 0, 0));
    for (const auto& r : skin::fm::kFmButtons)
        EXPECT_TRUE(inside(r.left, r.top, r.width, r.height)) << r.id;
    EXPECT_TRUE(inside(205, 52, 100, 13));  // clock
    EXPECT_TRUE(inside(180, 112, 70, 15));  // mode label
    EXPECT_TRUE(inside(207, 149, 100, 12)); // frequency
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(b);
}

} // namespace
