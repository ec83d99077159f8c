// The display optimisers ("DispOptim Filter", one class for QRT77 cards and one for the others):
// pass video through and hand out the displayed picture as a packed 24-bit DIB.
#include "platform/filters/filters.h"

#include "platform/include/outside_filters.h"
#include "platform/filters/pass_through.h"
#include "platform/filters/picture.h"
#include "platform/filters/video_format.h"

#include <cstring>
#include <new>

namespace filters {

namespace {

// Display modes: 0 the still image follows the picture; 1 it holds the last picture shown
// before the switch (the video keeps flowing).
constexpr LONG kModeLive = 0;
constexpr LONG kModeHold = 1;

class DispOptimFilter final : public PassThroughFilter, public IDispOptim, public IDispOptimQrt {
public:
    explicit DispOptimFilter(bool qrt)
        : PassThroughFilter(qrt ? tunaro::kClsidDispOptimQrt : tunaro::kClsidDispOptim,
                            tunaro::kNameDispOptim, false),
          m_qrt(qrt) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        return BaseFilter::QueryInterface(iid, out);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return BaseFilter::AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return BaseFilter::Release(); }

    HRESULT CheckInputType(const AM_MEDIA_TYPE* mt) override {
        return IsVideoOf(*mt, {Layout::Yuy2, Layout::Uyvy, Layout::Rgb24, Layout::Rgb32})
                   ? S_OK
                   : VFW_E_TYPE_NOT_ACCEPTED;
    }
    void OnSample(IMediaSample* sample) override {
        if (m_mode != kModeHold)
            m_shown.Keep(sample, Input()->CurrentMediaType());
    }

    // Both private interfaces carry the same operations.
    STDMETHODIMP SetMode(LONG mode) override {
        if (mode != kModeLive && mode != kModeHold)
            return E_INVALIDARG;
        m_mode = mode;
        return S_OK;
    }
    STDMETHODIMP GetImageSize(LONG* size) override {
        if (!size)
            return E_POINTER;
        *size = 0;
        m_shown.Read([&](const uint8_t*, size_t, const dshow::MediaType& type) {
            VideoFormat f;
            if (DescribeVideo(type, &f))
                *size =
                    static_cast<LONG>(sizeof(BITMAPINFOHEADER)) + picture::DibStride(f.width, 24) * f.height;
        });
        return S_OK;
    }
    STDMETHODIMP GetImage(BYTE* buffer, LONG length) override {
        if (!buffer)
            return E_POINTER;
        HRESULT hr = E_FAIL;
        m_shown.Read([&](const uint8_t* data, size_t size, const dshow::MediaType& type) {
            hr = ToDib(data, size, type, buffer, length);
        });
        return hr;
    }

protected:
    HRESULT QueryOtherInterface(REFIID iid, void** out) override {
        if (m_qrt && iid == __uuidof(IDispOptimQrt)) {
            *out = static_cast<IDispOptimQrt*>(this);
        } else if (!m_qrt && iid == __uuidof(IDispOptim)) {
            *out = static_cast<IDispOptim*>(this);
        } else {
            return PassThroughFilter::QueryOtherInterface(iid, out);
        }
        AddRef();
        return S_OK;
    }

private:
    // Writes the 40-byte header and the bottom-up 24-bit pixels of one frame.
    static HRESULT ToDib(const uint8_t* data, size_t size, const dshow::MediaType& type, BYTE* buffer,
                         LONG length) {
        VideoFormat f;
        if (!DescribeVideo(type, &f) || size < static_cast<size_t>(f.imageSize))
            return E_FAIL; // a short or undescribed frame is no picture
        const int stride = picture::DibStride(f.width, 24);
        const LONG total = static_cast<LONG>(sizeof(BITMAPINFOHEADER)) + stride * f.height;
        if (length < total)
            return E_OUTOFMEMORY;
        BITMAPINFOHEADER bih{};
        bih.biSize = sizeof bih;
        bih.biWidth = f.width;
        bih.biHeight = f.height;
        bih.biPlanes = 1;
        bih.biBitCount = 24;
        bih.biCompression = BI_RGB;
        bih.biSizeImage = static_cast<DWORD>(stride * f.height);
        memcpy(buffer, &bih, sizeof bih);
        BYTE* pixels = buffer + sizeof bih;
        // Row padding is part of the image; keep it defined.
        if (stride != f.width * 3)
            memset(pixels, 0, static_cast<size_t>(stride) * f.height);
        switch (f.layout) {
        case Layout::Yuy2:
        case Layout::Uyvy:
            picture::Yuv422ToRgb24(data, f.stride,
                                   f.layout == Layout::Yuy2 ? picture::Packing::Yuy2 : picture::Packing::Uyvy,
                                   f.width, f.height, pixels, stride);
            break;
        case Layout::Rgb24:
            if (f.topDown)
                picture::FlipRows(data, f.stride, pixels, stride, f.width * 3, f.height);
            else
                for (LONG y = 0; y < f.height; ++y)
                    memcpy(pixels + y * stride, data + y * f.stride, static_cast<size_t>(f.width) * 3);
            break;
        case Layout::Rgb32:
            if (f.topDown) {
                // Top-down source: convert row by row into reversed order.
                for (LONG y = 0; y < f.height; ++y)
                    picture::Rgb32ToRgb24(data + y * f.stride, f.stride, f.width, 1,
                                          pixels + (f.height - 1 - y) * stride, stride);
            } else {
                picture::Rgb32ToRgb24(data, f.stride, f.width, f.height, pixels, stride);
            }
            break;
        default:
            return E_FAIL;
        }
        return S_OK;
    }

    bool m_qrt;
    volatile LONG m_mode = kModeLive;
    FrameStore m_shown;
};

} // namespace

HRESULT CreateDispOptimQrt(IUnknown** out) {
    auto* f = new (std::nothrow) DispOptimFilter(true);
    if (!f)
        return E_OUTOFMEMORY;
    *out = static_cast<IBaseFilter*>(f);
    return S_OK;
}

HRESULT CreateDispOptim(IUnknown** out) {
    auto* f = new (std::nothrow) DispOptimFilter(false);
    if (!f)
        return E_OUTOFMEMORY;
    *out = static_cast<IBaseFilter*>(f);
    return S_OK;
}

} // namespace filters
