// Tests of the skin's window shape: opaque row runs of a bitmap, their merge into one region in
// batches, and the region of a bitmap with its transparent colour cut out.
#include "uikit/skin_region.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tests/support/e2e.h"

using namespace tunaro;

namespace {

constexpr std::uint32_t kBlack = 0x000000, kWhite = 0xFFFFFF, kGrey = 0x808080;

HRGN RegionOfRects(const std::vector<RECT>& rects) {
    HRGN all = CreateRectRgn(0, 0, 0, 0);
    for (const RECT& r : rects) {
        HRGN one = CreateRectRgn(r.left, r.top, r.right, r.bottom);
        CombineRgn(all, all, one, RGN_OR);
        DeleteObject(one);
    }
    return all;
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(SkinRegion, EachRowRunOfOpaquePixelsIsOneRectangle) {
    // Row 0: two runs; row 1: all black; row 2: one run to the right edge; row 3: all opaque.
    const int w = 6;
    std::vector<std::uint32_t> px = {
        kBlack, kWhite, kWhite, kBlack, kGrey,  kBlack, //
        kBlack, kBlack, kBlack, kBlack, kBlack, kBlack, //
        kBlack, kBlack, kBlack, kGrey,  kGrey,  kGrey,  //
        kWhite, kGrey,  kWhite, kGrey,  kWhite, kGrey,
    };
    auto runs = OpaqueRowRuns(px.data(), w, 4, w, RGB(0, 0, 0), 0);
    ASSERT_EQ(4u, runs.size());
    EXPECT_TRUE(SameRect(RECT{1, 0, 3, 1}, runs[0]));
    EXPECT_TRUE(SameRect(RECT{4, 0, 5, 1}, runs[1]));
    EXPECT_TRUE(SameRect(RECT{3, 2, 6, 3}, runs[2]));
    EXPECT_TRUE(SameRect(RECT{0, 3, 6, 4}, runs[3]));
}

TEST(SkinRegion, ToleranceZeroKeepsNearBlackAndStrideSkipsPadding) {
    // A pixel one step from black is part of the window with tolerance 0, outside with 1.
    std::vector<std::uint32_t> px = {0x000001, 0x010000, kBlack, 0xABCDEF /* padding */,
                                     kBlack,   0x000100, kBlack, 0xABCDEF};
    auto exact = OpaqueRowRuns(px.data(), 3, 2, 4, RGB(0, 0, 0), 0);
    ASSERT_EQ(2u, exact.size());
    EXPECT_TRUE(SameRect(RECT{0, 0, 2, 1}, exact[0]));
    EXPECT_TRUE(SameRect(RECT{1, 1, 2, 2}, exact[1]));
    EXPECT_TRUE(OpaqueRowRuns(px.data(), 3, 2, 4, RGB(0, 0, 0), 1).empty());
    // Another transparent colour: magenta keyed out, black kept.
    std::vector<std::uint32_t> keyed = {0xFF00FF, kBlack, 0xFF00FF};
    auto magenta = OpaqueRowRuns(keyed.data(), 3, 1, 3, RGB(255, 0, 255), 0);
    ASSERT_EQ(1u, magenta.size());
    EXPECT_TRUE(SameRect(RECT{1, 0, 2, 1}, magenta[0]));
}

TEST(SkinRegion, ManyRunsMergeIntoTheSameRegionAsOneByOne) {
    // A checker of 2 x 1 runs: 60 per row, 80 rows = 4800 rectangles, past two merges of 2000.
    const int w = 240, h = 80;
    std::vector<std::uint32_t> px(w * h, kBlack);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if ((x / 2 + y) % 2 == 0)
                px[y * w + x] = kWhite;
    auto runs = OpaqueRowRuns(px.data(), w, h, w, RGB(0, 0, 0), 0);
    ASSERT_EQ(static_cast<size_t>(w / 4 * h), runs.size());
    HRGN merged = RegionFromRuns(runs);
    HRGN expected = RegionOfRects(runs);
    ASSERT_NE(nullptr, merged);
    EXPECT_TRUE(EqualRgn(merged, expected));
    EXPECT_TRUE(PtInRegion(merged, 0, 0));
    EXPECT_FALSE(PtInRegion(merged, 2, 0));
    EXPECT_TRUE(PtInRegion(merged, w - 1, h - 1) == ((((w - 1) / 2 + h - 1) % 2) == 0));
    DeleteObject(merged);
    DeleteObject(expected);
    HRGN none = RegionFromRuns({});
    RECT box;
    EXPECT_EQ(NULLREGION, GetRgnBox(none, &box));
    DeleteObject(none);
}

TEST(SkinRegion, RegionFromABitmapCutsOutTheBlack) {
    // A 5 x 3 bitmap: a plus sign on black.
    std::vector<std::uint32_t> px = {
        kBlack, kBlack, kWhite, kBlack, kBlack, //
        kWhite, kWhite, kWhite, kWhite, kWhite, //
        kBlack, kBlack, kGrey,  kBlack, kBlack,
    };
    HBITMAP bmp = e2e::MakeBitmap(px, 5, 3);
    HRGN region = RegionFromBitmap(bmp);
    ASSERT_NE(nullptr, region);
    HRGN expected = RegionOfRects({RECT{2, 0, 3, 1}, RECT{0, 1, 5, 2}, RECT{2, 2, 3, 3}});
    EXPECT_TRUE(EqualRgn(region, expected));
    DeleteObject(region);
    DeleteObject(expected);
    DeleteObject(bmp);
    EXPECT_EQ(nullptr, RegionFromBitmap(nullptr));
}

} // namespace
