// CDib: one device-independent bitmap (header, colour table, pixels) that reads and writes BMP
// files, attaches to a packed bitmap in memory, builds its palette and draws scaled with a caption.
#pragma once

#include <windows.h>

#include "framework/raii.h"

#include <cstdint>

namespace tunaro {

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

    bool Empty() const { return m_header == nullptr; }
    BITMAPINFOHEADER* Header() const { return m_header; }
    RGBQUAD* ColorTable() const { return m_colorTable; }
    BYTE* Bits() const { return m_bits; }
    DWORD ImageSize() const { return m_imageSize; }
    int ColorEntries() const { return m_colorEntries; }
    HPALETTE Palette() const { return m_palette.get(); }
    int HeaderOwnership() const { return m_headerOwnership; }
    LONG Width() const { return m_header ? m_header->biWidth : 0; }
    LONG Height() const { return m_header ? m_header->biHeight : 0; }

    // Sizes of a header, shared with code that builds bitmaps: bytes of pixel data (the header's
    // value, or computed from width, height and bit count when it is 0), and colour-table entries.
    static DWORD ComputeImageSize(const BITMAPINFOHEADER& h);
    static int ComputeColorEntries(const BITMAPINFOHEADER& h);

private:
    bool ComputeSizes();
    void MakePalette();
    static void ShowError(const char* text);

    BITMAPINFOHEADER* m_header = nullptr;
    RGBQUAD* m_colorTable = nullptr;
    BYTE* m_bits = nullptr;
    DWORD m_imageSize = 0;
    int m_colorEntries = 0;
    int m_headerOwnership = kBorrowed;
    HGLOBAL m_global = nullptr;
    int m_pixelOwnership = 0;
    tunaro::Palette m_palette; // qualified: the method Palette() hides the type
    Bitmap m_bitmap;
    FileHandle m_file;
    Handle m_mapping;
    void* m_view = nullptr; // a view of mapping_, unmapped on release
};

} // namespace tunaro
