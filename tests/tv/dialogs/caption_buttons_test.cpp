// The prefix draws window caption buttons as Windows does: the Marlett symbol font is there, and
// the close button is a cross, not the letter "r" a missing Marlett leaves in its place.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

// Dark pixels of a caption button drawn into a bitmap of its own, top row first.
std::vector<bool> CaptionButtonInk(UINT state, int size) {
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = size;
    bi.bmiHeader.biHeight = -size;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bmp);
    RECT rc = {0, 0, size, size};
    DrawFrameControl(dc, &rc, DFC_CAPTION, state);
    GdiFlush();
    std::vector<bool> ink(static_cast<size_t>(size) * size);
    const auto* px = static_cast<const uint32_t*>(bits);
    // Inside the button's frame only.
    for (int y = 3; y < size - 3; ++y)
        for (int x = 3; x < size - 3; ++x) {
            const uint32_t p = px[y * size + x];
            const int light = ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF);
            ink[static_cast<size_t>(y) * size + x] = light < 200;
        }
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
    return ink;
}

TEST(CaptionButtons, MarlettIsInstalled) {
    HDC dc = GetDC(nullptr);
    HFONT font = CreateFontA(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, SYMBOL_CHARSET, 0, 0, 0, 0, "Marlett");
    HGDIOBJ old = SelectObject(dc, font);
    char face[LF_FACESIZE] = {};
    GetTextFaceA(dc, sizeof face, face);
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    EXPECT_EQ(std::string(face), "Marlett");
}

TEST(CaptionButtons, CloseButtonIsASymmetricCross) {
    const int size = 32;
    const std::vector<bool> ink = CaptionButtonInk(DFCS_CAPTIONCLOSE, size);
    int dark = 0, mirrored = 0, flipped = 0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            if (!ink[static_cast<size_t>(y) * size + x])
                continue;
            ++dark;
            mirrored += ink[static_cast<size_t>(y) * size + (size - 1 - x)] ? 1 : 0;
            flipped += ink[static_cast<size_t>(size - 1 - y) * size + x] ? 1 : 0;
        }
    ASSERT_GT(dark, 10) << "nothing drawn";
    // A cross looks the same mirrored and upside down (give or take the odd pixel); an "r" does not.
    EXPECT_GT(mirrored * 10, dark * 8) << mirrored << " of " << dark;
    EXPECT_GT(flipped * 10, dark * 8) << flipped << " of " << dark;
}

} // namespace
