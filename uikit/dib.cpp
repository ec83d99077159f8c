// CDib: BMP reading and writing, attaching to packed bitmaps, palettes and captioned drawing.
// Every read is checked against the sizes the file itself declares before memory is touched.
#include "uikit/dib.h"

#include <cstring>
#include <cstdlib>
#include <new>

namespace tunaro {

namespace {

const WORD kBmpType = 0x4D42; // "BM"
const DWORD kMaxImageBytes = 256u * 1024u * 1024u;

bool ReadExact(HANDLE file, void* buffer, DWORD size) {
    DWORD got = 0;
    return ::ReadFile(file, buffer, size, &got, nullptr) && got == size;
}

bool WriteExact(HANDLE file, const void* buffer, DWORD size) {
    DWORD put = 0;
    return ::WriteFile(file, buffer, size, &put, nullptr) && put == size;
}

#pragma pack(push, 2)
struct FileHeader { // BITMAPFILEHEADER with fixed-width fields
    uint16_t type;
    uint32_t size;
    uint16_t reserved1;
    uint16_t reserved2;
    uint32_t offBits;
};
#pragma pack(pop)
static_assert(sizeof(FileHeader) == 14, "BMP file header is 14 bytes");

} // namespace

DWORD CDib::ComputeImageSize(const BITMAPINFOHEADER& h) {
    if (h.biSizeImage != 0)
        return h.biSizeImage;
    long long width = h.biWidth < 0 ? -static_cast<long long>(h.biWidth) : h.biWidth;
    long long height = h.biHeight < 0 ? -static_cast<long long>(h.biHeight) : h.biHeight;
    long long bitsPerRow = static_cast<long long>(h.biBitCount) * width;
    if (bitsPerRow <= 0 || height <= 0)
        return 0;
    long long size = ((bitsPerRow - 1) / 32 + 1) * 4 * height;
    return size > 0xFFFFFFFFLL ? 0xFFFFFFFFu : static_cast<DWORD>(size);
}

int CDib::ComputeColorEntries(const BITMAPINFOHEADER& h) {
    if (h.biClrUsed != 0)
        return static_cast<int>(h.biClrUsed > 256 ? 256 : h.biClrUsed);
    switch (h.biBitCount) {
    case 1:
        return 2;
    case 4:
        return 16;
    case 8:
        return 256;
    default:
        return 0; // 16, 24 and 32 bits carry no colour table
    }
}

bool CDib::ComputeSizes() {
    if (!m_header || m_header->biSize != sizeof(BITMAPINFOHEADER))
        return false;
    m_imageSize = ComputeImageSize(*m_header);
    m_colorEntries = ComputeColorEntries(*m_header);
    m_colorTable = reinterpret_cast<RGBQUAD*>(reinterpret_cast<BYTE*>(m_header) + sizeof(BITMAPINFOHEADER));
    return true;
}

void CDib::MakePalette() {
    m_palette.Reset();
    if (m_colorEntries == 0)
        return;
    size_t bytes = sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * static_cast<size_t>(m_colorEntries);
    BYTE* block = new (std::nothrow) BYTE[bytes];
    if (!block)
        return;
    LOGPALETTE* lp = reinterpret_cast<LOGPALETTE*>(block);
    lp->palVersion = 0x300;
    lp->palNumEntries = static_cast<WORD>(m_colorEntries);
    for (int i = 0; i < m_colorEntries; ++i) {
        lp->palPalEntry[i].peRed = m_colorTable[i].rgbRed;
        lp->palPalEntry[i].peGreen = m_colorTable[i].rgbGreen;
        lp->palPalEntry[i].peBlue = m_colorTable[i].rgbBlue;
        lp->palPalEntry[i].peFlags = 0;
    }
    m_palette.Reset(CreatePalette(lp));
    delete[] block;
}

void CDib::ShowError(const char* text) {
    MessageBoxA(GetActiveWindow(), text, nullptr, MB_OK | MB_ICONERROR);
}

int CDib::AttachMemory(BITMAPINFOHEADER* header, BOOL own, HGLOBAL global) {
    Release();
    if (!header || header->biSize != sizeof(BITMAPINFOHEADER)) {
        // Not ours to keep: an unusable block is left with the caller.
        ShowError("AttachMemory error");
        return 0;
    }
    m_header = header;
    m_headerOwnership = own ? (global ? kGlobalBlock : kAllocated) : kBorrowed;
    m_global = (own && global) ? global : nullptr;
    ComputeSizes();
    m_bits = reinterpret_cast<BYTE*>(m_colorTable) + m_colorEntries * sizeof(RGBQUAD);
    m_pixelOwnership = 0;
    MakePalette();
    return 1;
}

int CDib::Read(HANDLE file) {
    Release();
    FileHeader fh;
    bool ok = file != INVALID_HANDLE_VALUE && file && ReadExact(file, &fh, sizeof(fh)) && fh.type == kBmpType;
    // The header block holds the 40-byte header and the colour table; its size comes from the
    // pixel offset and must at least hold the header.
    DWORD headerBytes = ok ? fh.offBits - static_cast<DWORD>(sizeof(FileHeader)) : 0;
    ok = ok && fh.offBits > sizeof(FileHeader) && headerBytes >= sizeof(BITMAPINFOHEADER) &&
         headerBytes <= 65536;
    if (ok) {
        m_header = reinterpret_cast<BITMAPINFOHEADER*>(new (std::nothrow) BYTE[headerBytes]);
        m_headerOwnership = kAllocated;
        ok = m_header && ReadExact(file, m_header, headerBytes) && ComputeSizes();
    }
    // The colour table must lie inside what was read; the pixel data must be of a sane size.
    ok = ok && sizeof(BITMAPINFOHEADER) + m_colorEntries * sizeof(RGBQUAD) <= headerBytes;
    ok = ok && m_imageSize > 0 && m_imageSize <= kMaxImageBytes;
    if (ok) {
        MakePalette();
        m_bits = new (std::nothrow) BYTE[m_imageSize];
        m_pixelOwnership = 1;
        ok = m_bits && ReadExact(file, m_bits, m_imageSize);
    }
    if (!ok) {
        Release();
        ShowError("Read error");
        return 0;
    }
    return 1;
}

int CDib::ReadFile(const char* path) {
    FileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    return Read(file.get()); // an unopened file reports "Read error" like any other failure
}

int CDib::Write(HANDLE file) const {
    bool ok = m_header && m_bits && file && file != INVALID_HANDLE_VALUE;
    if (ok) {
        FileHeader fh;
        fh.type = kBmpType;
        fh.size = 0;
        fh.reserved1 = 0;
        fh.reserved2 = 0;
        fh.offBits = static_cast<uint32_t>(m_colorEntries * sizeof(RGBQUAD) + 54);
        DWORD headerBytes = static_cast<DWORD>(m_colorEntries * sizeof(RGBQUAD) + sizeof(BITMAPINFOHEADER));
        ok = WriteExact(file, &fh, sizeof(fh)) && WriteExact(file, m_header, headerBytes) &&
             WriteExact(file, m_bits, m_imageSize);
    }
    if (!ok) {
        ShowError("write error");
        return 0;
    }
    return 1;
}

int CDib::WriteFile(const char* path) const {
    FileHandle file(
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return Write(file.get());
}

int CDib::Draw(HDC dc, int x, int y, int width, int height, const char* caption) {
    if (!m_header || !m_bits || !dc)
        return 0;
    HPALETTE oldPalette = nullptr;
    if (m_palette) {
        oldPalette = SelectPalette(dc, m_palette.get(), TRUE);
        RealizePalette(dc);
    }
    MemoryDc mem(CreateCompatibleDC(dc));
    Bitmap canvas(CreateCompatibleBitmap(dc, width, height));
    if (mem && canvas) {
        SelectObjectScope selectCanvas(mem.get(), canvas.get());
        HPALETTE memPalette = m_palette ? SelectPalette(mem.get(), m_palette.get(), TRUE) : nullptr;
        SetStretchBltMode(mem.get(), COLORONCOLOR);
        LONG srcHeight = m_header->biHeight < 0 ? -m_header->biHeight : m_header->biHeight;
        StretchDIBits(mem.get(), x, y, width, height, 0, 0, m_header->biWidth, srcHeight, m_bits,
                      reinterpret_cast<BITMAPINFO*>(m_header), DIB_RGB_COLORS, SRCCOPY);
        if (caption && *caption) {
            Font font(CreateFontA(12, 6, 0, 0, 400, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_TT_ONLY_PRECIS,
                                  CLIP_EMBEDDED, DEFAULT_QUALITY, DEFAULT_PITCH, "宋体"));
            SelectObjectScope selectFont(mem.get(), font ? static_cast<HGDIOBJ>(font.get())
                                                         : GetStockObject(DEFAULT_GUI_FONT));
            SetBkMode(mem.get(), TRANSPARENT);
            SetTextColor(mem.get(), RGB(255, 255, 0));
            RECT rc = {5, 5, 100, 20};
            DrawTextA(mem.get(), caption, -1, &rc, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
        }
        BitBlt(dc, 0, 0, width, height, mem.get(), 0, 0, SRCCOPY);
        if (memPalette)
            SelectPalette(mem.get(), memPalette, TRUE);
    }
    if (oldPalette)
        SelectPalette(dc, oldPalette, TRUE);
    return (mem && canvas) ? 1 : 0;
}

void CDib::Release() {
    if (m_header) {
        if (m_headerOwnership == kGlobalBlock && m_global) {
            GlobalUnlock(m_global);
            GlobalFree(m_global);
        } else if (m_headerOwnership == kAllocated) {
            delete[] reinterpret_cast<BYTE*>(m_header);
        }
    }
    if (m_pixelOwnership == 1)
        delete[] m_bits;
    m_palette.Reset();
    m_bitmap.Reset();
    if (m_view)
        UnmapViewOfFile(m_view);
    m_view = nullptr;
    m_mapping.Reset();
    m_file.Reset();
    m_header = nullptr;
    m_colorTable = nullptr;
    m_bits = nullptr;
    m_imageSize = 0;
    m_colorEntries = 0;
    m_headerOwnership = kBorrowed;
    m_global = nullptr;
    m_pixelOwnership = 0;
}

} // namespace tunaro
