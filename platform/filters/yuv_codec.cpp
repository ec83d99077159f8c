// Stand-in for the system's packed 4:2:2 video codec (YUY2 and UYVY to RGB), an installable
// compressor driver that the stock AVI Decompressor finds when the system has no such codec.
#include <windows.h>

#include <vfw.h>

#include "platform/filters/picture.h"

namespace {

constexpr DWORD kYuy2 = mmioFOURCC('Y', 'U', 'Y', '2');
constexpr DWORD kUyvy = mmioFOURCC('U', 'Y', 'V', 'Y');

bool IsInput(const BITMAPINFOHEADER* in) {
    return in && (in->biCompression == kYuy2 || in->biCompression == kUyvy) && in->biBitCount == 16 &&
           in->biWidth > 0 && (in->biWidth & 1) == 0 && in->biHeight != 0 && in->biWidth <= 8192 &&
           in->biHeight <= 8192 && in->biHeight >= -8192;
}

// RGB24 or RGB32 of the input's size; either orientation.
bool IsOutputFor(const BITMAPINFOHEADER* in, const BITMAPINFOHEADER* out) {
    if (!out)
        return true; // any output we choose
    if (out->biCompression != BI_RGB || (out->biBitCount != 24 && out->biBitCount != 32))
        return false;
    LONG inH = in->biHeight < 0 ? -in->biHeight : in->biHeight;
    LONG outH = out->biHeight < 0 ? -out->biHeight : out->biHeight;
    return out->biWidth == in->biWidth && outH == inH;
}

LRESULT GetFormat(const BITMAPINFO* in, BITMAPINFO* out) {
    if (!in || !IsInput(&in->bmiHeader))
        return ICERR_BADFORMAT;
    if (!out)
        return sizeof(BITMAPINFOHEADER);
    BITMAPINFOHEADER& o = out->bmiHeader;
    o = BITMAPINFOHEADER{};
    o.biSize = sizeof o;
    o.biWidth = in->bmiHeader.biWidth;
    o.biHeight = in->bmiHeader.biHeight < 0 ? -in->bmiHeader.biHeight : in->bmiHeader.biHeight;
    o.biPlanes = 1;
    o.biBitCount = 32;
    o.biCompression = BI_RGB;
    o.biSizeImage = static_cast<DWORD>(picture::DibStride(o.biWidth, 32) * o.biHeight);
    return ICERR_OK;
}

LRESULT Decompress(const ICDECOMPRESS* d) {
    if (!d || !IsInput(d->lpbiInput) || !d->lpbiOutput || !IsOutputFor(d->lpbiInput, d->lpbiOutput) ||
        !d->lpInput || !d->lpOutput)
        return ICERR_BADFORMAT;
    if (d->dwFlags & ICDECOMPRESS_HURRYUP)
        return ICERR_OK; // a late frame the caller will drop: no need to draw it
    const BITMAPINFOHEADER* in = d->lpbiInput;
    const BITMAPINFOHEADER* out = d->lpbiOutput;
    const int width = in->biWidth;
    const int height = in->biHeight < 0 ? -in->biHeight : in->biHeight;
    const int bits = out->biBitCount;
    const int stride = picture::DibStride(width, bits);
    // The converters write bottom-up rows; a top-down output is written from its last row up.
    auto* dst = static_cast<uint8_t*>(d->lpOutput);
    uint8_t* base = out->biHeight < 0 ? dst + static_cast<ptrdiff_t>(stride) * (height - 1) : dst;
    const int pitch = out->biHeight < 0 ? -stride : stride;
    const picture::Packing packing =
        in->biCompression == kYuy2 ? picture::Packing::Yuy2 : picture::Packing::Uyvy;
    const auto* src = static_cast<const uint8_t*>(d->lpInput);
    if (bits == 32)
        picture::Yuv422ToRgb32(src, width * 2, packing, width, height, base, pitch);
    else
        picture::Yuv422ToRgb24(src, width * 2, packing, width, height, base, pitch);
    return ICERR_OK;
}

} // namespace

extern "C" __declspec(dllexport) LRESULT WINAPI
    DriverProc(DWORD_PTR id, HDRVR, UINT msg, LPARAM p1, LPARAM p2) {
    switch (msg) {
    case DRV_LOAD:
    case DRV_FREE:
    case DRV_ENABLE:
    case DRV_DISABLE:
    case DRV_INSTALL:
    case DRV_REMOVE:
        return 1;
    case DRV_OPEN: {
        auto* open = reinterpret_cast<ICOPEN*>(p2);
        // Opened without parameters (by the driver manager) or as a video codec.
        if (open && open->fccType != ICTYPE_VIDEO && open->fccType != mmioFOURCC('v', 'i', 'd', 's'))
            return 0;
        if (open)
            open->dwError = ICERR_OK;
        return 1;
    }
    case DRV_CLOSE:
        return 1;
    case DRV_QUERYCONFIGURE:
        return 0;
    default:
        break;
    }
    if (id == 0)
        return ICERR_UNSUPPORTED;
    switch (msg) {
    case ICM_GETINFO: {
        auto* info = reinterpret_cast<ICINFO*>(p1);
        if (!info || static_cast<size_t>(p2) < sizeof(ICINFO))
            return 0;
        *info = ICINFO{};
        info->dwSize = sizeof(ICINFO);
        info->fccType = ICTYPE_VIDEO;
        info->fccHandler = kYuy2;
        info->dwVersion = 1;
        info->dwVersionICM = ICVERSION;
        lstrcpyW(info->szName, L"YUV422");
        lstrcpyW(info->szDescription, L"Packed 4:2:2 YUV to RGB");
        return sizeof(ICINFO);
    }
    case ICM_DECOMPRESS_QUERY: {
        const auto* in = reinterpret_cast<const BITMAPINFO*>(p1);
        const auto* out = reinterpret_cast<const BITMAPINFO*>(p2);
        if (!in || !IsInput(&in->bmiHeader))
            return ICERR_BADFORMAT;
        return IsOutputFor(&in->bmiHeader, out ? &out->bmiHeader : nullptr) ? ICERR_OK : ICERR_BADFORMAT;
    }
    case ICM_DECOMPRESS_GET_FORMAT:
        return GetFormat(reinterpret_cast<const BITMAPINFO*>(p1), reinterpret_cast<BITMAPINFO*>(p2));
    case ICM_DECOMPRESS_BEGIN: {
        // Callers differ in the output format they name here (some repeat the input's); the
        // output of each frame is checked when it is decompressed.
        const auto* in = reinterpret_cast<const BITMAPINFO*>(p1);
        return in && IsInput(&in->bmiHeader) ? ICERR_OK : ICERR_BADFORMAT;
    }
    case ICM_DECOMPRESS:
        return Decompress(reinterpret_cast<const ICDECOMPRESS*>(p1));
    case ICM_DECOMPRESS_END:
        return ICERR_OK;
    default:
        return ICERR_UNSUPPORTED;
    }
}
