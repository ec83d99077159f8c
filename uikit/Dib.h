// CDib: one device-independent bitmap (header, colour table, pixels) that reads and writes BMP
// files, attaches to a packed bitmap in memory, builds its palette and draws scaled with a caption.
#pragma once

#include <windows.h>

#include "framework/raii.h"

#include <cstdint>

class CDib {
public:
    // Who owns the header block.
    enum HeaderOwnership { kBorrowed = 0, kAllocated = 1, kGlobalBlock = 2 };

    CDib() = default;
    ~CDib() { Release(); }
    CDib(const CDib&) = delete;
    CDib& operator=(const CDib&) = delete;

    // Takes a packed bitmap (40-byte header, colour table, pixels). With own set the object frees
    // it: through the global block when one is given (it is locked memory of that block), else
    // with delete[] (the header must then come from new BYTE[]). Returns 1, or 0 after showing
    // "AttachMemory error" when the header is not a 40-byte BITMAPINFOHEADER.
    int AttachMemory(BITMAPINFOHEADER* header, BOOL own = FALSE, HGLOBAL global = nullptr);

    // Reads a BMP file; on failure shows "Read error", leaves the object empty and returns 0.
    int Read(HANDLE file);
    int ReadFile(const char* path);
    // Writes a BMP file; on failure shows "write error" and returns 0.
    int Write(HANDLE file) const;
    int WriteFile(const char* path) const;

    // Stretches the picture to (x, y, width, height) of an off-screen copy of the target, puts the
    // caption at its top left in yellow and copies the result to the target at (0, 0).
    // Returns 0 when there is no picture.
    int Draw(HDC dc, int x, int y, int width, int height, const char* caption);

    // Frees what the object owns and empties it.
    void Release();

    bool Empty() const { return header_ == nullptr; }
    BITMAPINFOHEADER* Header() const { return header_; }
    RGBQUAD* ColorTable() const { return colorTable_; }
    BYTE* Bits() const { return bits_; }
    DWORD ImageSize() const { return imageSize_; }
    int ColorEntries() const { return colorEntries_; }
    HPALETTE Palette() const { return palette_.get(); }
    int HeaderOwnership() const { return headerOwnership_; }
    LONG Width() const { return header_ ? header_->biWidth : 0; }
    LONG Height() const { return header_ ? header_->biHeight : 0; }

    // Sizes of a header, shared with code that builds bitmaps: bytes of pixel data (the header's
    // value, or computed from width, height and bit count when it is 0), and colour-table entries.
    static DWORD ComputeImageSize(const BITMAPINFOHEADER& h);
    static int ComputeColorEntries(const BITMAPINFOHEADER& h);

private:
    bool ComputeSizes();
    void MakePalette();
    static void ShowError(const char* text);

    BITMAPINFOHEADER* header_ = nullptr;
    RGBQUAD* colorTable_ = nullptr;
    BYTE* bits_ = nullptr;
    DWORD imageSize_ = 0;
    int colorEntries_ = 0;
    int headerOwnership_ = kBorrowed;
    HGLOBAL global_ = nullptr;
    int pixelOwnership_ = 0;
    tunaro::Palette palette_;
    tunaro::Bitmap bitmap_;
    tunaro::FileHandle file_;
    tunaro::Handle mapping_;
    void* view_ = nullptr; // a view of mapping_, unmapped on release
};
