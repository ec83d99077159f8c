// Tests of CDib: BMP round trips of 8- and 24-bit pictures, refusal of files that are not
// bitmaps (with the "Read error" message box), palettes, computed image sizes, attaching.
#include <gtest/gtest.h>

#include "uikit/dib.h"
#include "tests/support/e2e.h"

#include <cstring>
#include <string>
#include <vector>

using namespace tunaro;

namespace {

// Dismisses this process's own message boxes from a second thread and records their texts
// (the shared watcher looks only at other processes).
class OwnBoxes {
public:
    OwnBoxes() { m_thread = CreateThread(nullptr, 0, Run, this, 0, nullptr); }
    ~OwnBoxes() {
        InterlockedExchange(&m_stop, 1);
        WaitForSingleObject(m_thread, 5000);
        CloseHandle(m_thread);
    }
    std::vector<std::string> Texts() {
        EnterCriticalSection(&m_lock);
        auto copy = m_texts;
        LeaveCriticalSection(&m_lock);
        return copy;
    }

private:
    static BOOL CALLBACK Visit(HWND wnd, LPARAM lp) {
        OwnBoxes* self = reinterpret_cast<OwnBoxes*>(lp);
        DWORD pid = 0;
        GetWindowThreadProcessId(wnd, &pid);
        char cls[16] = "";
        GetClassNameA(wnd, cls, sizeof(cls));
        if (pid != GetCurrentProcessId() || lstrcmpA(cls, "#32770") != 0 || !IsWindowVisible(wnd) ||
            !GetDlgItem(wnd, 0xFFFF))
            return TRUE;
        for (HWND done : self->m_done)
            if (done == wnd)
                return TRUE;
        char text[256] = "";
        GetDlgItemTextA(wnd, 0xFFFF, text, sizeof(text));
        EnterCriticalSection(&self->m_lock);
        self->m_texts.push_back(text);
        LeaveCriticalSection(&self->m_lock);
        self->m_done.push_back(wnd);
        PostMessageA(wnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return TRUE;
    }
    static DWORD WINAPI Run(void* p) {
        OwnBoxes* self = static_cast<OwnBoxes*>(p);
        while (!InterlockedCompareExchange(&self->m_stop, 0, 0)) {
            EnumWindows(Visit, reinterpret_cast<LPARAM>(self));
            Sleep(20);
        }
        return 0;
    }
    struct Lock {
        Lock(CRITICAL_SECTION* cs) { InitializeCriticalSection(cs); }
    };
    CRITICAL_SECTION m_lock;
    Lock m_init{&m_lock};
    std::vector<std::string> m_texts;
    std::vector<HWND> m_done;
    volatile LONG m_stop = 0;
    HANDLE m_thread = nullptr;
};

// A packed bitmap: header, colour table of `colours` entries, pixels of a pattern.
std::vector<BYTE> PackedBitmap(int width, int height, int bits, int colours, bool sizeInHeader) {
    int stride = ((bits * width + 31) / 32) * 4;
    std::vector<BYTE> block(sizeof(BITMAPINFOHEADER) + colours * sizeof(RGBQUAD) + stride * height);
    BITMAPINFOHEADER* h = reinterpret_cast<BITMAPINFOHEADER*>(block.data());
    h->biSize = sizeof(BITMAPINFOHEADER);
    h->biWidth = width;
    h->biHeight = height;
    h->biPlanes = 1;
    h->biBitCount = static_cast<WORD>(bits);
    h->biSizeImage = sizeInHeader ? static_cast<DWORD>(stride * height) : 0;
    RGBQUAD* table = reinterpret_cast<RGBQUAD*>(block.data() + sizeof(BITMAPINFOHEADER));
    for (int i = 0; i < colours; ++i)
        table[i] = {static_cast<BYTE>(i), static_cast<BYTE>(255 - i), static_cast<BYTE>(i / 2), 0};
    BYTE* pixels = reinterpret_cast<BYTE*>(table + colours);
    for (int i = 0; i < stride * height; ++i)
        pixels[i] = static_cast<BYTE>(i * 7 + 3);
    return block;
}

// The same picture as a BMP file.
std::string BmpFile(const std::vector<BYTE>& packed, int colours) {
    BITMAPFILEHEADER fh = {};
    fh.bfType = 0x4D42;
    fh.bfOffBits = static_cast<DWORD>(14 + 40 + colours * 4);
    fh.bfSize = static_cast<DWORD>(14 + packed.size());
    std::string file(reinterpret_cast<const char*>(&fh), 14);
    file.append(reinterpret_cast<const char*>(packed.data()), packed.size());
    return file;
}

struct DibFixture : ::testing::Test {
    std::string dir = e2e::MakeScratchDir("uikit_dib");
    std::string Path(const char* name) { return dir + "\\" + name; }
};

TEST_F(DibFixture, EightBitPictureRoundTripsWithA256EntryPalette) {
    auto packed = PackedBitmap(13, 7, 8, 256, true);
    ASSERT_TRUE(e2e::WriteFile(Path("in8.bmp"), BmpFile(packed, 256)));
    CDib dib;
    ASSERT_EQ(1, dib.ReadFile(Path("in8.bmp").c_str()));
    EXPECT_EQ(256, dib.ColorEntries());
    ASSERT_NE(nullptr, dib.Palette());
    PALETTEENTRY entries[256];
    ASSERT_EQ(256u, GetPaletteEntries(dib.Palette(), 0, 256, entries));
    EXPECT_EQ(100, entries[200].peRed); // from the table's RGBQUAD {blue 200, green 55, red 100}
    EXPECT_EQ(55, entries[200].peGreen);
    EXPECT_EQ(200, entries[200].peBlue);
    EXPECT_EQ(13, dib.Width());
    EXPECT_EQ(16u * 7u, dib.ImageSize());

    ASSERT_EQ(1, dib.WriteFile(Path("out8.bmp").c_str()));
    std::string written = e2e::ReadFile(Path("out8.bmp"));
    std::string expected = BmpFile(packed, 256);
    ASSERT_EQ(expected.size(), written.size());
    // The file-size field is written as 0; everything else is the same.
    EXPECT_EQ(0, memcmp(expected.data(), written.data(), 2));
    EXPECT_EQ(std::string(4, '\0'), written.substr(2, 4));
    EXPECT_EQ(expected.substr(6), written.substr(6));

    CDib again;
    ASSERT_EQ(1, again.ReadFile(Path("out8.bmp").c_str()));
    ASSERT_EQ(dib.ImageSize(), again.ImageSize());
    EXPECT_EQ(0, memcmp(dib.Bits(), again.Bits(), dib.ImageSize()));
}

TEST_F(DibFixture, TwentyFourBitPictureHasNoPaletteAndAComputedSize) {
    auto packed = PackedBitmap(5, 3, 24, 0, false); // image size 0 in the header
    ASSERT_TRUE(e2e::WriteFile(Path("in24.bmp"), BmpFile(packed, 0)));
    CDib dib;
    ASSERT_EQ(1, dib.ReadFile(Path("in24.bmp").c_str()));
    EXPECT_EQ(0, dib.ColorEntries());
    EXPECT_EQ(nullptr, dib.Palette());
    EXPECT_EQ(16u * 3u, dib.ImageSize()); // ((24*5-1)/32+1)*4 rows of 16 bytes
    ASSERT_EQ(1, dib.WriteFile(Path("out24.bmp").c_str()));
    EXPECT_EQ(BmpFile(packed, 0).substr(6), e2e::ReadFile(Path("out24.bmp")).substr(6));
}

TEST(DibSizes, ColourEntriesAndImageSizeFollowTheHeader) {
    BITMAPINFOHEADER h = {};
    h.biSize = 40;
    h.biWidth = 33;
    h.biHeight = -4; // top-down
    h.biBitCount = 1;
    EXPECT_EQ(2, CDib::ComputeColorEntries(h));
    EXPECT_EQ(8u * 4u, CDib::ComputeImageSize(h));
    h.biBitCount = 4;
    EXPECT_EQ(16, CDib::ComputeColorEntries(h));
    h.biBitCount = 16;
    EXPECT_EQ(0, CDib::ComputeColorEntries(h));
    h.biBitCount = 32;
    EXPECT_EQ(0, CDib::ComputeColorEntries(h));
    EXPECT_EQ(33u * 4u * 4u, CDib::ComputeImageSize(h));
    h.biBitCount = 8;
    h.biClrUsed = 17; // the header says otherwise
    EXPECT_EQ(17, CDib::ComputeColorEntries(h));
    h.biSizeImage = 999;
    EXPECT_EQ(999u, CDib::ComputeImageSize(h));
}

TEST_F(DibFixture, FilesThatAreNotBitmapsShowReadErrorAndLeaveTheObjectEmpty) {
    auto good = BmpFile(PackedBitmap(4, 4, 24, 0, true), 0);
    std::string notBm = good;
    notBm[0] = 'X';
    std::string truncated = good.substr(0, good.size() - 5);
    std::string offsetTooSmall = good;
    offsetTooSmall[10] = 20; // pixel offset inside the 40-byte header
    ASSERT_TRUE(e2e::WriteFile(Path("notbm.bmp"), notBm));
    ASSERT_TRUE(e2e::WriteFile(Path("trunc.bmp"), truncated));
    ASSERT_TRUE(e2e::WriteFile(Path("offset.bmp"), offsetTooSmall));

    OwnBoxes boxes;
    for (const char* name : {"notbm.bmp", "trunc.bmp", "offset.bmp"}) {
        CDib dib;
        EXPECT_EQ(0, dib.ReadFile(Path(name).c_str())) << name;
        EXPECT_TRUE(dib.Empty()) << name;
        EXPECT_EQ(0u, dib.ImageSize()) << name;
    }
    // One box per failed read (each read waits until its box is dismissed).
    auto seen = boxes.Texts();
    ASSERT_EQ(3u, seen.size());
    for (const auto& text : seen)
        EXPECT_EQ("Read error", text);
}

TEST(DibAttach, TakesAPackedBitmapAndRefusesOtherHeaders) {
    auto packed = PackedBitmap(8, 2, 8, 256, true);
    CDib dib;
    ASSERT_EQ(1, dib.AttachMemory(reinterpret_cast<BITMAPINFOHEADER*>(packed.data())));
    EXPECT_EQ(CDib::kBorrowed, dib.HeaderOwnership());
    EXPECT_EQ(packed.data() + 40 + 256 * 4, dib.Bits());
    EXPECT_EQ(256, dib.ColorEntries());

    // Own memory in a global block is freed by the object.
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, packed.size());
    ASSERT_NE(nullptr, block);
    void* p = GlobalLock(block);
    memcpy(p, packed.data(), packed.size());
    ASSERT_EQ(1, dib.AttachMemory(static_cast<BITMAPINFOHEADER*>(p), TRUE, block));
    EXPECT_EQ(CDib::kGlobalBlock, dib.HeaderOwnership());
    dib.Release();
    EXPECT_TRUE(dib.Empty());

    auto bad = packed;
    reinterpret_cast<BITMAPINFOHEADER*>(bad.data())->biSize = 12; // an old core header
    OwnBoxes boxes;
    EXPECT_EQ(0, dib.AttachMemory(reinterpret_cast<BITMAPINFOHEADER*>(bad.data())));
    EXPECT_TRUE(dib.Empty());
    auto seen = boxes.Texts();
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ("AttachMemory error", seen[0]);
}

TEST(DibDraw, StretchesThePictureAndPutsTheCaptionOnTop) {
    // A 2 x 2 24-bit picture of one blue colour, drawn to 40 x 30.
    std::vector<BYTE> packed(40 + 8 * 2);
    BITMAPINFOHEADER* h = reinterpret_cast<BITMAPINFOHEADER*>(packed.data());
    h->biSize = 40;
    h->biWidth = 2;
    h->biHeight = 2;
    h->biPlanes = 1;
    h->biBitCount = 24;
    for (int row = 0; row < 2; ++row)
        for (int px = 0; px < 2; ++px) {
            BYTE* p = packed.data() + 40 + row * 8 + px * 3;
            p[0] = 200, p[1] = 10, p[2] = 20; // blue, green, red
        }
    CDib dib;
    ASSERT_EQ(1, dib.AttachMemory(h));
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP target = CreateCompatibleBitmap(screen, 120, 40);
    HGDIOBJ old = SelectObject(dc, target);
    EXPECT_EQ(1, dib.Draw(dc, 0, 0, 120, 40, "CCTV-1"));
    EXPECT_EQ(RGB(20, 10, 200), GetPixel(dc, 110, 35));
    // The caption: yellowish text pixels inside (5, 5)-(100, 20) only.
    auto yellowish = [&](int x, int y) {
        COLORREF c = GetPixel(dc, x, y);
        return GetRValue(c) > 120 && GetGValue(c) > 120;
    };
    int inside = 0, outside = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x)
            (x >= 5 && x < 100 && y >= 5 && y < 20 ? inside : outside) += yellowish(x, y);
    EXPECT_GT(inside, 10);
    EXPECT_EQ(0, outside);
    CDib empty;
    EXPECT_EQ(0, empty.Draw(dc, 0, 0, 10, 10, "x"));
    SelectObject(dc, old);
    DeleteObject(target);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
}

} // namespace
