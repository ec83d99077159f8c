// Video media types of the card's filters: reading VIDEOINFOHEADER formats into sizes and
// strides, and building the YUY2 and RGB types the filters offer downstream.
#include "platform/filters/video_format.h"

#include "platform/filters/picture.h"

#include <uuids.h>

namespace filters {

namespace {

Layout LayoutOf(const GUID& subtype) {
    if (subtype == MEDIASUBTYPE_YUY2)
        return Layout::Yuy2;
    if (subtype == MEDIASUBTYPE_UYVY)
        return Layout::Uyvy;
    if (subtype == MEDIASUBTYPE_RGB24)
        return Layout::Rgb24;
    if (subtype == MEDIASUBTYPE_RGB32)
        return Layout::Rgb32;
    return Layout::Other;
}

int BitsOf(Layout l) {
    switch (l) {
    case Layout::Yuy2:
    case Layout::Uyvy:
        return 16;
    case Layout::Rgb24:
        return 24;
    case Layout::Rgb32:
        return 32;
    default:
        return 0;
    }
}

} // namespace

bool DescribeVideo(const AM_MEDIA_TYPE& mt, VideoFormat* f) {
    if (mt.majortype != MEDIATYPE_Video || mt.formattype != FORMAT_VideoInfo || !mt.pbFormat ||
        mt.cbFormat < sizeof(VIDEOINFOHEADER))
        return false;
    const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat);
    const BITMAPINFOHEADER& bih = vih->bmiHeader;
    VideoFormat r;
    r.layout = LayoutOf(mt.subtype);
    r.bitsPerPixel = BitsOf(r.layout);
    if (r.bitsPerPixel == 0 || bih.biBitCount != r.bitsPerPixel)
        return false;
    if (bih.biWidth <= 0 || bih.biHeight == 0 || bih.biWidth > 8192 || bih.biHeight > 8192 ||
        bih.biHeight < -8192)
        return false;
    r.width = bih.biWidth;
    r.height = bih.biHeight < 0 ? -bih.biHeight : bih.biHeight;
    // 4:2:2 pictures run top-down whatever the sign; RGB ones top-down when the height is negative.
    r.topDown = r.layout == Layout::Yuy2 || r.layout == Layout::Uyvy || bih.biHeight < 0;
    if ((r.layout == Layout::Yuy2 || r.layout == Layout::Uyvy) && (r.width & 1))
        return false;
    r.stride = picture::DibStride(r.width, r.bitsPerPixel);
    r.imageSize = r.stride * r.height;
    r.avgTimePerFrame = vih->AvgTimePerFrame;
    *f = r;
    return true;
}

bool IsVideoOf(const AM_MEDIA_TYPE& mt, std::initializer_list<Layout> layouts) {
    VideoFormat f;
    if (!DescribeVideo(mt, &f))
        return false;
    for (Layout l : layouts)
        if (l == f.layout)
            return true;
    return false;
}

dshow::MediaType MakeVideoType(Layout layout, LONG width, LONG height, REFERENCE_TIME avgTimePerFrame) {
    dshow::MediaType mt;
    int bits = BitsOf(layout);
    if (bits == 0)
        return mt;
    mt.majortype = MEDIATYPE_Video;
    switch (layout) {
    case Layout::Yuy2:
        mt.subtype = MEDIASUBTYPE_YUY2;
        break;
    case Layout::Uyvy:
        mt.subtype = MEDIASUBTYPE_UYVY;
        break;
    case Layout::Rgb24:
        mt.subtype = MEDIASUBTYPE_RGB24;
        break;
    default:
        mt.subtype = MEDIASUBTYPE_RGB32;
        break;
    }
    mt.formattype = FORMAT_VideoInfo;
    mt.bFixedSizeSamples = TRUE;
    mt.bTemporalCompression = FALSE;
    LONG image = picture::DibStride(width, bits) * height;
    mt.lSampleSize = static_cast<ULONG>(image);
    auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(mt.AllocFormat(sizeof(VIDEOINFOHEADER)));
    if (!vih)
        return dshow::MediaType();
    vih->AvgTimePerFrame = avgTimePerFrame;
    vih->dwBitRate = avgTimePerFrame > 0
                         ? static_cast<DWORD>(static_cast<LONGLONG>(image) * 8 * 10000000 / avgTimePerFrame)
                         : 0;
    BITMAPINFOHEADER& bih = vih->bmiHeader;
    bih.biSize = sizeof(BITMAPINFOHEADER);
    bih.biWidth = width;
    bih.biHeight = height;
    bih.biPlanes = 1;
    bih.biBitCount = static_cast<WORD>(bits);
    bih.biCompression = layout == Layout::Yuy2   ? MAKEFOURCC('Y', 'U', 'Y', '2')
                        : layout == Layout::Uyvy ? MAKEFOURCC('U', 'Y', 'V', 'Y')
                                                 : BI_RGB;
    bih.biSizeImage = static_cast<DWORD>(image);
    return mt;
}

} // namespace filters
