// Tests of the picture arithmetic behind the card's video filters: BT.601 conversion, row order,
// half-size averaging and the motion-adaptive deinterlacer's weave, blend and interpolation.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/filters/picture.h"

namespace {

using picture::Packing;

TEST(Picture, Bt601ReferenceColours) {
    struct Case {
        int y, u, v, r, g, b;
    } cases[] = {
        {16, 128, 128, 0, 0, 0},        // black
        {235, 128, 128, 255, 255, 255}, // white
        {126, 128, 128, 128, 128, 128}, // mid grey
        {81, 90, 240, 255, 0, 0},       // 100% red
        {145, 54, 34, 0, 255, 0},       // 100% green
        {41, 240, 110, 0, 0, 255},      // 100% blue
    };
    for (const Case& c : cases) {
        picture::Rgb rgb = picture::YuvToRgb(c.y, c.u, c.v);
        EXPECT_NEAR(rgb.r, c.r, 2) << c.y << "," << c.u << "," << c.v;
        EXPECT_NEAR(rgb.g, c.g, 2) << c.y << "," << c.u << "," << c.v;
        EXPECT_NEAR(rgb.b, c.b, 2) << c.y << "," << c.u << "," << c.v;
    }
    // Out-of-range results clamp instead of wrapping.
    picture::Rgb over = picture::YuvToRgb(255, 255, 255);
    EXPECT_EQ(over.r, 255);
    EXPECT_EQ(over.b, 255);
    picture::Rgb under = picture::YuvToRgb(0, 0, 0);
    EXPECT_EQ(under.r, 0);
    EXPECT_EQ(under.b, 0);
}

TEST(Picture, Yuv422ToRgbIsBottomUpWithSharedChroma) {
    // 4 x 2 picture: top row black/white pair then red pair; bottom row all grey.
    const uint8_t yuy2[] = {16,  128, 235, 128, 81,  90,  81,  240, //
                            126, 128, 126, 128, 126, 128, 126, 128};
    uint8_t rgb32[4 * 4 * 2];
    picture::Yuv422ToRgb32(yuy2, 8, Packing::Yuy2, 4, 2, rgb32, 16);
    // Memory row 0 is the picture's bottom row (grey).
    for (int x = 0; x < 4; ++x) {
        EXPECT_NEAR(rgb32[x * 4 + 0], 128, 1);
        EXPECT_EQ(rgb32[x * 4 + 3], 0);
    }
    const uint8_t* top = rgb32 + 16;
    EXPECT_EQ(top[0], 0);         // black B
    EXPECT_EQ(top[4], 255);       // white B
    EXPECT_EQ(top[6], 255);       // white R
    EXPECT_NEAR(top[10], 255, 2); // red R of pixel 2
    EXPECT_NEAR(top[8], 0, 2);    // red B
    EXPECT_NEAR(top[14], 255, 2); // pixel 3 shares the chroma
    // UYVY order gives the same picture.
    const uint8_t uyvy[] = {128, 16,  128, 235, 90,  81,  240, 81, //
                            128, 126, 128, 126, 128, 126, 128, 126};
    uint8_t again[sizeof rgb32];
    picture::Yuv422ToRgb32(uyvy, 8, Packing::Uyvy, 4, 2, again, 16);
    EXPECT_EQ(std::vector<uint8_t>(rgb32, rgb32 + sizeof rgb32),
              std::vector<uint8_t>(again, again + sizeof again));
    // 24 bits: three bytes a pixel, padded rows.
    uint8_t rgb24[2 * 12];
    picture::Yuv422ToRgb24(yuy2, 8, Packing::Yuy2, 4, 2, rgb24, 12);
    EXPECT_EQ(rgb24[12 + 3], 255); // top row (second in memory), white B
    EXPECT_EQ(rgb24[12 + 0], 0);
}

TEST(Picture, Yuv420ToRgbSharesChromaOverTwoByTwoAndIsBottomUp) {
    // 3 x 3 luma (odd sizes: the chroma planes are 2 x 2); the left chroma column red, the
    // right one blue, the bottom chroma row grey.
    const uint8_t y[] = {81,  81, 41, 0, //
                         235, 16, 41, 0, 126, 126, 126, 0};
    const uint8_t u[] = {90, 240, 128, 128};
    const uint8_t v[] = {240, 110, 128, 128};
    uint8_t rgb[3 * 16];
    memset(rgb, 0xAA, sizeof rgb);
    picture::Yuv420ToRgb32(y, 4, u, v, 2, 3, 3, rgb, 16);
    const uint8_t* top = rgb + 32; // memory row 2 is the picture's top row
    EXPECT_NEAR(top[2], 255, 2);   // red R
    EXPECT_NEAR(top[0], 0, 2);     // red B
    EXPECT_NEAR(top[6], 255, 2);   // pixel 1 shares it
    EXPECT_NEAR(top[8], 255, 2);   // pixel 2: blue B
    EXPECT_NEAR(top[10], 0, 2);
    EXPECT_EQ(top[3], 0);
    EXPECT_EQ(top[11], 0);
    const uint8_t* middle = rgb + 16; // the second row takes the first chroma row too
    EXPECT_GT(middle[2], 250);        // bright red over white luma clamps
    EXPECT_NEAR(middle[6], 179, 1);   // black luma under the red chroma: R alone
    EXPECT_EQ(middle[4], 0);
    EXPECT_NEAR(middle[8], 255, 2); // still blue
    for (int x = 0; x < 3; ++x)     // bottom row: grey
        EXPECT_NEAR(rgb[x * 4 + 1], 128, 1);
    EXPECT_EQ(rgb[12], 0xAA); // the row's padding is left alone
}

// Every pixel of a larger odd-sized picture as the single-pixel conversion gives it.
TEST(Picture, Yuv420ToRgb32MatchesThePixelRule) {
    const int w = 37, h = 23, cw = (w + 1) / 2, ch = (h + 1) / 2, stride = w * 4 + 8;
    std::vector<uint8_t> y(static_cast<size_t>(w) * h), u(static_cast<size_t>(cw) * ch), v(u.size());
    uint32_t seed = 12345;
    auto next = [&] { return static_cast<uint8_t>((seed = seed * 1103515245u + 12345u) >> 16); };
    for (auto& b : y)
        b = next();
    for (size_t i = 0; i < u.size(); ++i) {
        u[i] = next();
        v[i] = next();
    }
    std::vector<uint8_t> rgb(static_cast<size_t>(stride) * h, 0xAA);
    picture::Yuv420ToRgb32(y.data(), w, u.data(), v.data(), cw, w, h, rgb.data(), stride);
    for (int row = 0; row < h; ++row)
        for (int x = 0; x < w; ++x) {
            const picture::Rgb want =
                picture::YuvToRgb(y[row * w + x], u[row / 2 * cw + x / 2], v[row / 2 * cw + x / 2]);
            const uint8_t* got = &rgb[static_cast<size_t>(h - 1 - row) * stride + x * 4];
            ASSERT_EQ(got[2], want.r) << x << "," << row;
            ASSERT_EQ(got[1], want.g) << x << "," << row;
            ASSERT_EQ(got[0], want.b) << x << "," << row;
            ASSERT_EQ(got[3], 0) << x << "," << row;
        }
    for (int row = 0; row < h; ++row) // the row padding is left alone
        EXPECT_EQ(rgb[static_cast<size_t>(row) * stride + w * 4], 0xAA);
}

TEST(Picture, FlipReversesRowsOnly) {
    const uint8_t src[] = {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0};
    uint8_t dst[12] = {};
    picture::FlipRows(src, 4, dst, 4, 3, 3);
    const uint8_t want[] = {7, 8, 9, 0, 4, 5, 6, 0, 1, 2, 3, 0};
    EXPECT_EQ(std::vector<uint8_t>(dst, dst + 12), std::vector<uint8_t>(want, want + 12));
}

TEST(Picture, HalveAveragesTwoByTwo) {
    EXPECT_EQ(picture::HalfWidth(720), 360);
    EXPECT_EQ(picture::HalfWidth(6), 2); // 3 would split a macropixel
    EXPECT_EQ(picture::HalfHeight(577), 288);
    // 8 x 2 YUY2 -> 4 x 1.
    const uint8_t src[] = {10, 100, 20, 200, 30, 110, 40, 210, 50, 120, 60, 220, 70, 130, 80, 230, //
                           12, 102, 22, 202, 32, 112, 42, 212, 52, 122, 62, 222, 72, 132, 82, 232};
    uint8_t dst[8] = {};
    picture::HalveYuy2(src, 16, 8, 2, dst, 8);
    // Y0 = mean(10, 20, 12, 22); U = mean(100, 110, 102, 112); Y1 = mean(30, 40, 32, 42); ...
    const uint8_t want[] = {16, 106, 36, 206, 56, 126, 76, 226};
    EXPECT_EQ(std::vector<uint8_t>(dst, dst + 8), std::vector<uint8_t>(want, want + 8));
}

// A combed picture: even rows one level, odd rows another.
std::vector<uint8_t> Combed(int rowBytes, int height, uint8_t even, uint8_t odd) {
    std::vector<uint8_t> p(static_cast<size_t>(rowBytes) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < rowBytes; ++x)
            p[static_cast<size_t>(y) * rowBytes + x] = (y & 1) ? odd : even;
    return p;
}

TEST(Picture, DeinterlaceWeavesStillAndInterpolatesMotion) {
    const int rb = 16, h = 6;
    std::vector<uint8_t> still = Combed(rb, h, 200, 50);
    std::vector<uint8_t> out(still.size());
    // A picture that stands still keeps both fields untouched (full vertical detail).
    picture::Deinterlace(still.data(), still.data(), rb, rb, h, out.data(), rb);
    EXPECT_EQ(out, still);
    // Without history every odd row is rebuilt from its neighbours.
    picture::Deinterlace(still.data(), nullptr, rb, rb, h, out.data(), rb);
    for (int y = 0; y < h; ++y)
        EXPECT_EQ(out[static_cast<size_t>(y) * rb], 200) << "row " << y;
    // The second field moved a lot: the comb disappears; the first field is kept as it is.
    std::vector<uint8_t> moved = Combed(rb, h, 200, 90);
    picture::Deinterlace(moved.data(), still.data(), rb, rb, h, out.data(), rb);
    for (int y = 0; y < h; ++y)
        EXPECT_EQ(out[static_cast<size_t>(y) * rb + 3], 200) << "row " << y;
    // A small change (within the still threshold) is woven; a middling one is blended.
    std::vector<uint8_t> nudged = Combed(rb, h, 200, 54);
    picture::Deinterlace(nudged.data(), still.data(), rb, rb, h, out.data(), rb);
    EXPECT_EQ(out[rb], 54);
    std::vector<uint8_t> middling = Combed(rb, h, 200, 65); // difference 15 of 6..24
    picture::Deinterlace(middling.data(), still.data(), rb, rb, h, out.data(), rb);
    EXPECT_GT(out[rb], 65);
    EXPECT_LT(out[rb], 200);
    // Motion only in the neighbouring field still counts.
    std::vector<uint8_t> aboveMoved = Combed(rb, h, 140, 50);
    picture::Deinterlace(aboveMoved.data(), still.data(), rb, rb, h, out.data(), rb);
    EXPECT_EQ(out[rb], 140);
    // The last odd row of an even height has only the row above.
    EXPECT_EQ(out[static_cast<size_t>(h - 1) * rb], 140);
}

} // namespace
