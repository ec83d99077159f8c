// CDib: BMP reading and writing, attaching to packed bitmaps, palettes and captioned drawing.
// Every read is checked against the sizes the file itself declares before memory is touched.
#include "Dib.h"

#include <cstring>
#include <cstdlib>
#include <new>

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
    if (!header_ || header_->biSize != sizeof(BITMAPINFOHEADER))
        return false;
    imageSize_ = ComputeImageSize(*header_);
    colorEntries_ = ComputeColorEntries(*header_);
    colorTable_ = reinterpret_cast<RGBQUAD*>(reinterpret_cast<BYTE*>(header_) + sizeof(BITMAPINFOHEADER));
    return true;
}

void CDib::MakePalette() {
    palette_.Reset();
    if (colorEntries_ == 0)
        return;
    size_t bytes = sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * static_cast<size_t>(colorEntries_);
    BYTE* block = new (std::nothrow) BYTE[bytes];
    if (!block)
        return;
    LOGPALETTE* lp = reinterpret_cast<LOGPALETTE*>(block);
    lp->palVersion = 0x300;
    lp->palNumEntries = static_cast<WORD>(colorEntries_);
    for (int i = 0; i < colorEntries_; ++i) {
        lp->palPalEntry[i].peRed = colorTable_[i].rgbRed;
        lp->palPalEntry[i].peGreen = colorTable_[i].rgbGreen;
        lp->palPalEntry[i].peBlue = colorTable_[i].rgbBlue;
        lp->palPalEntry[i].peFlags = 0;
    }
    palette_.Reset(CreatePalette(lp));
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
    header_ = header;
    headerOwnership_ = own ? (global ? kGlobalBlock : kAllocated) : kBorrowed;
    global_ = (own && global) ? global : nullptr;
    ComputeSizes();
    bits_ = reinterpret_cast<BYTE*>(colorTable_) + colorEntries_ * sizeof(RGBQUAD);
    pixelOwnership_ = 0;
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
        header_ = reinterpret_cast<BITMAPINFOHEADER*>(new (std::nothrow) BYTE[headerBytes]);
        headerOwnership_ = kAllocated;
        ok = header_ && ReadExact(file, header_, headerBytes) && ComputeSizes();
    }
    // The colour table must lie inside what was read; the pixel data must be of a sane size.
    ok = ok && sizeof(BITMAPINFOHEADER) + colorEntries_ * sizeof(RGBQUAD) <= headerBytes;
    ok = ok && imageSize_ > 0 && imageSize_ <= kMaxImageBytes;
    if (ok) {
        MakePalette();
        bits_ = new (std::nothrow) BYTE[imageSize_];
        pixelOwnership_ = 1;
        ok = bits_ && ReadExact(file, bits_, imageSize_);
    }
    if (!ok) {
        Release();
        ShowError("Read error");
        return 0;
    }
    return 1;
}

int CDib::ReadFile(const char* path) {
    tunaro::FileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    return Read(file.get()); // an unopened file reports "Read error" like any other failure
}

int CDib::Write(HANDLE file) const {
    bool ok = header_ && bits_ && file && file != INVALID_HANDLE_VALUE;
    if (ok) {
        FileHeader fh;
        fh.type = kBmpType;
        fh.size = 0;
        fh.reserved1 = 0;
        fh.reserved2 = 0;
        fh.offBits = static_cast<uint32_t>(colorEntries_ * sizeof(RGBQUAD) + 54);
        DWORD headerBytes = static_cast<DWORD>(colorEntries_ * sizeof(RGBQUAD) + sizeof(BITMAPINFOHEADER));
        ok = WriteExact(file, &fh, sizeof(fh)) && WriteExact(file, header_, headerBytes) &&
             WriteExact(file, bits_, imageSize_);
    }
    if (!ok) {
        ShowError("write error");
        return 0;
    }
    return 1;
}

int CDib::WriteFile(const char* path) const {
    tunaro::FileHandle file(
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return Write(file.get());
}

int CDib::Draw(HDC dc, int x, int y, int width, int height, const char* caption) {
    if (!header_ || !bits_ || !dc)
        return 0;
    HPALETTE oldPalette = nullptr;
    if (palette_) {
        oldPalette = SelectPalette(dc, palette_.get(), TRUE);
        RealizePalette(dc);
    }
    tunaro::MemoryDc mem(CreateCompatibleDC(dc));
    tunaro::Bitmap canvas(CreateCompatibleBitmap(dc, width, height));
    if (mem && canvas) {
        tunaro::SelectObjectScope selectCanvas(mem.get(), canvas.get());
        HPALETTE memPalette = palette_ ? SelectPalette(mem.get(), palette_.get(), TRUE) : nullptr;
        SetStretchBltMode(mem.get(), COLORONCOLOR);
        LONG srcHeight = header_->biHeight < 0 ? -header_->biHeight : header_->biHeight;
        StretchDIBits(mem.get(), x, y, width, height, 0, 0, header_->biWidth, srcHeight, bits_,
                      reinterpret_cast<BITMAPINFO*>(header_), DIB_RGB_COLORS, SRCCOPY);
        if (caption && *caption) {
            tunaro::Font font(CreateFontA(12, 6, 0, 0, 400, FALSE, FALSE, FALSE, GB2312_CHARSET,
                                          OUT_TT_ONLY_PRECIS, CLIP_EMBEDDED, DEFAULT_QUALITY, DEFAULT_PITCH,
                                          "宋体"));
            tunaro::SelectObjectScope selectFont(mem.get(), font ? static_cast<HGDIOBJ>(font.get())
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
    if (header_) {
        if (headerOwnership_ == kGlobalBlock && global_) {
            GlobalUnlock(global_);
            GlobalFree(global_);
        } else if (headerOwnership_ == kAllocated) {
            delete[] reinterpret_cast<BYTE*>(header_);
        }
    }
    if (pixelOwnership_ == 1)
        delete[] bits_;
    palette_.Reset();
    bitmap_.Reset();
    if (view_)
        UnmapViewOfFile(view_);
    view_ = nullptr;
    mapping_.Reset();
    file_.Reset();
    header_ = nullptr;
    colorTable_ = nullptr;
    bits_ = nullptr;
    imageSize_ = 0;
    colorEntries_ = 0;
    headerOwnership_ = kBorrowed;
    global_ = nullptr;
    pixelOwnership_ = 0;
}
