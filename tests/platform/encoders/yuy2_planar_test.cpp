// YUY2 to planar 4:2:0: luma copied, chroma of each line pair averaged, the vector path equal to
// the plain one at every size.
#include "platform/encoders/yuy2_planar.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

uint32_t NextRandom(uint32_t& seed) {
    seed ^= seed << 13;
    seed ^= seed >> 17;
    seed ^= seed << 5;
    return seed;
}

} // namespace

TEST(Yuy2Planar, KeepsLumaAndAveragesChromaOfLinePairs) {
    const int w = 8, h = 4;
    std::vector<uint8_t> src(w * h * 2);
    for (size_t i = 0; i < src.size(); ++i)
        src[i] = static_cast<uint8_t>(i * 37 + 11);
    std::vector<uint8_t> y(w * h), u(w / 2 * h / 2), v(u.size());
    encoders::Yuy2ToI420(src.data(), w * 2, w, h, y.data(), u.data(), v.data());
    for (int r = 0; r < h; ++r)
        for (int x = 0; x < w; ++x)
            EXPECT_EQ(src[(r * w + x) * 2], y[r * w + x]) << r << "," << x;
    for (int r = 0; r < h / 2; ++r)
        for (int x = 0; x < w / 2; ++x) {
            const uint8_t* a = &src[(2 * r * w) * 2 + 4 * x];
            const uint8_t* b = a + w * 2;
            EXPECT_EQ((a[1] + b[1] + 1) / 2, u[r * (w / 2) + x]);
            EXPECT_EQ((a[3] + b[3] + 1) / 2, v[r * (w / 2) + x]);
        }
}

TEST(Yuy2Planar, VectorPathMatchesThePlainOneAtEverySizeAndStride) {
    // Widths around the vector step (16 pixels), odd widths (the last pixel keeps its luma), odd
    // line counts (the last line pairs with itself), and planes wider than the picture whose
    // padding must stay untouched.
    struct Size {
        int w, h;
    };
    uint32_t seed = 12345;
    for (const Size& z : {Size{720, 576}, Size{38, 7}, Size{16, 2}, Size{14, 3}, Size{2, 1}, Size{34, 5},
                          Size{37, 5}, Size{3, 2}}) {
        SCOPED_TRACE(testing::Message() << z.w << "x" << z.h);
        const int stride = z.w * 2 + 6, yStride = z.w + 5, uvStride = z.w / 2 + 3;
        std::vector<uint8_t> src(static_cast<size_t>(stride) * z.h);
        for (auto& b : src)
            b = static_cast<uint8_t>(NextRandom(seed));
        const size_t chromaRows = static_cast<size_t>(z.h + 1) / 2;
        std::vector<uint8_t> y1(static_cast<size_t>(yStride) * z.h, 0xA5), u1(uvStride * chromaRows, 0xA5),
            v1(u1.size(), 0xA5);
        std::vector<uint8_t> y2 = y1, u2 = u1, v2 = v1;
        encoders::Yuy2ToI420(src.data(), stride, z.w, z.h, y1.data(), yStride, u1.data(), v1.data(),
                             uvStride);
        encoders::Yuy2ToI420Plain(src.data(), stride, z.w, z.h, y2.data(), yStride, u2.data(), v2.data(),
                                  uvStride);
        EXPECT_EQ(y2, y1);
        EXPECT_EQ(u2, u1);
        EXPECT_EQ(v2, v1);
        // The plain path itself: luma copied, chroma of the line pair averaged, padding kept.
        for (int r = 0; r < z.h; ++r) {
            for (int x = 0; x < z.w; ++x)
                ASSERT_EQ(src[static_cast<size_t>(r) * stride + 2 * x],
                          y2[static_cast<size_t>(r) * yStride + x]);
            for (int x = z.w; x < yStride; ++x)
                ASSERT_EQ(0xA5, y2[static_cast<size_t>(r) * yStride + x]);
        }
        for (size_t r = 0; r < chromaRows; ++r) {
            const uint8_t* a = &src[2 * r * stride];
            const uint8_t* b = 2 * r + 1 < static_cast<size_t>(z.h) ? a + stride : a;
            for (int x = 0; x < z.w / 2; ++x) {
                ASSERT_EQ((a[4 * x + 1] + b[4 * x + 1] + 1) / 2, u2[r * uvStride + x]);
                ASSERT_EQ((a[4 * x + 3] + b[4 * x + 3] + 1) / 2, v2[r * uvStride + x]);
            }
            for (int x = z.w / 2; x < uvStride; ++x)
                ASSERT_EQ(0xA5, v2[r * uvStride + x]);
        }
    }
}
