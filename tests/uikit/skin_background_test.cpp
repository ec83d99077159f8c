// Tests of a skinned window's background: the named bitmap file when it is there, the skin
// resource when it is not, painted at the top left of the target.
#include "uikit/skin_background.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tests/support/e2e.h"
#include "tests/uikit/test_host.h" // the kit tests' bitmap ids

using namespace tunaro;

namespace {

// The painted pixels of a background on a target of the given size filled with one colour.
std::vector<std::uint32_t> Painted(const SkinBackground& bg, int width, int height) {
    std::vector<std::uint32_t> blank(static_cast<size_t>(width) * height, 0x123456);
    HBITMAP target = e2e::MakeBitmap(blank, width, height);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, target);
    EXPECT_TRUE(bg.Paint(dc));
    SelectObject(dc, old);
    DeleteDC(dc);
    auto px = e2e::BitmapPixels(target);
    DeleteObject(target);
    return px;
}

TEST(SkinBackground, TheNamedFileComesFirst) {
    // A 4 x 2 file of four colours in its top row; the resource is another picture.
    e2e::ScratchDir dir("skinbg");
    ASSERT_TRUE(dir.Made());
    const std::vector<std::uint32_t> picture = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF,
                                                0x101010, 0x202020, 0x303030, 0x404040};
    const std::string path = dir.File("BG.BMP");
    {
        BITMAPFILEHEADER bfh = {};
        BITMAPINFOHEADER bih = {};
        bih.biSize = sizeof bih;
        bih.biWidth = 4;
        bih.biHeight = 2; // bottom row first, as most BMP files are
        bih.biPlanes = 1;
        bih.biBitCount = 32;
        bfh.bfType = 0x4D42;
        bfh.bfOffBits = sizeof bfh + sizeof bih;
        bfh.bfSize = bfh.bfOffBits + static_cast<DWORD>(picture.size() * 4);
        std::string bytes(reinterpret_cast<const char*>(&bfh), sizeof bfh);
        bytes.append(reinterpret_cast<const char*>(&bih), sizeof bih);
        bytes.append(reinterpret_cast<const char*>(picture.data() + 4), 16);
        bytes.append(reinterpret_cast<const char*>(picture.data()), 16);
        ASSERT_TRUE(e2e::WriteFile(path, bytes));
    }
    SkinBackground bg;
    ASSERT_TRUE(bg.Load(path, nullptr, uitest::kBmpNormal));
    EXPECT_TRUE(bg.FromFile());
    int w = 0, h = 0;
    EXPECT_EQ(picture, e2e::BitmapPixels(bg.GetBitmap(), &w, &h));
    EXPECT_EQ(4, w);
    EXPECT_EQ(2, h);
    auto painted = Painted(bg, 6, 3);
    EXPECT_EQ(0xFF0000u, painted[0]);
    EXPECT_EQ(0xFFFFFFu, painted[3]);
    EXPECT_EQ(0x123456u, painted[4]); // beyond the picture the target keeps its own
    EXPECT_EQ(0x404040u, painted[6 + 3]);
    EXPECT_EQ(0x123456u, painted[2 * 6]);

    // An empty name or a missing file: the skin resource.
    SkinBackground fallback;
    ASSERT_TRUE(fallback.Load("", nullptr, uitest::kBmpNormal));
    EXPECT_FALSE(fallback.FromFile());
    EXPECT_EQ(e2e::ResourceBitmapPixels(uitest::kBmpNormal), e2e::BitmapPixels(fallback.GetBitmap()));
    // Neither: nothing to paint.
    SkinBackground none;
    EXPECT_FALSE(none.Load(dir.File("missing.bmp"), nullptr, 9999));
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_FALSE(none.Paint(dc));
    DeleteDC(dc);
}

} // namespace
