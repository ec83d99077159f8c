// Stand-in for the stock Overlay Mixer: takes the video of its input 0 (4:2:2 or RGB) and
// delivers it as RGB32 to the Video Renderer, with IMixerPinConfig on the input pin.
#include "platform/filters/filters.h"

#include "platform/dshow/transform.h"
#include "platform/include/outside_filters.h"
#include "platform/filters/picture.h"
#include "platform/filters/video_format.h"

#include <uuids.h>

#include <cstring>
#include <new>

namespace filters {

namespace {

class OverlayMixer;

// IMixerPinConfig of input 0; its identity is the pin's.
class MixerPinConfig final : public IMixerPinConfig {
public:
    explicit MixerPinConfig(OverlayMixer* owner) : m_owner(owner) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP SetRelativePosition(DWORD left, DWORD top, DWORD right, DWORD bottom) override {
        // Units of 1/10000 of the output picture; the stand-in mixes one stream, which always
        // fills the picture, so only the whole picture is a position it can honour.
        if (left > 10000 || top > 10000 || right > 10000 || bottom > 10000 || left >= right || top >= bottom)
            return E_INVALIDARG;
        return left == 0 && top == 0 && right == 10000 && bottom == 10000 ? S_OK : E_NOTIMPL;
    }
    STDMETHODIMP GetRelativePosition(DWORD* left, DWORD* top, DWORD* right, DWORD* bottom) override {
        if (!left || !top || !right || !bottom)
            return E_POINTER;
        *left = *top = 0;
        *right = *bottom = 10000;
        return S_OK;
    }
    STDMETHODIMP SetZOrder(DWORD z) override {
        m_zOrder = z;
        return S_OK;
    }
    STDMETHODIMP GetZOrder(DWORD* z) override {
        if (!z)
            return E_POINTER;
        *z = m_zOrder;
        return S_OK;
    }
    // There is no overlay surface to key: the colour key is kept and reported only.
    STDMETHODIMP SetColorKey(COLORKEY* key) override {
        if (!key)
            return E_POINTER;
        m_key = *key;
        return S_OK;
    }
    STDMETHODIMP GetColorKey(COLORKEY* key, DWORD* colour) override {
        if (!key && !colour)
            return E_POINTER;
        if (key)
            *key = m_key;
        if (colour) // as an RGB32 pixel value
            *colour = (GetRValue(m_key.LowColorValue) << 16) | (GetGValue(m_key.LowColorValue) << 8) |
                      GetBValue(m_key.LowColorValue);
        return S_OK;
    }
    STDMETHODIMP SetBlendingParameter(DWORD blending) override {
        // A single stream is always drawn opaque.
        return blending == 255 ? S_OK : (blending > 255 ? E_INVALIDARG : E_NOTIMPL);
    }
    STDMETHODIMP GetBlendingParameter(DWORD* blending) override {
        if (!blending)
            return E_POINTER;
        *blending = 255;
        return S_OK;
    }
    STDMETHODIMP SetAspectRatioMode(AM_ASPECT_RATIO_MODE mode) override {
        if (mode < AM_ARMODE_STRETCHED || mode > AM_ARMODE_STRETCHED_AS_PRIMARY)
            return E_INVALIDARG;
        m_mode = mode;
        return S_OK;
    }
    STDMETHODIMP GetAspectRatioMode(AM_ASPECT_RATIO_MODE* mode) override {
        if (!mode)
            return E_POINTER;
        *mode = m_mode;
        return S_OK;
    }
    STDMETHODIMP SetStreamTransparent(BOOL transparent) override {
        return transparent ? E_NOTIMPL : S_OK; // the primary stream is never transparent
    }
    STDMETHODIMP GetStreamTransparent(BOOL* transparent) override {
        if (!transparent)
            return E_POINTER;
        *transparent = FALSE;
        return S_OK;
    }

    AM_ASPECT_RATIO_MODE Mode() const { return m_mode; }

private:
    OverlayMixer* m_owner;
    volatile AM_ASPECT_RATIO_MODE m_mode = AM_ARMODE_LETTER_BOX;
    DWORD m_zOrder = 0;
    COLORKEY m_key{CK_RGB, 0, RGB(16, 0, 16), RGB(16, 0, 16)};
};

class OverlayMixer final : public dshow::TransformFilter {
public:
    OverlayMixer() : TransformFilter(CLSID_OverlayMixer, L"Overlay Mixer"), m_config(this) {}

    HRESULT CheckInputType(const AM_MEDIA_TYPE* mt) override {
        return IsVideoOf(*mt, {Layout::Yuy2, Layout::Uyvy, Layout::Rgb24, Layout::Rgb32})
                   ? S_OK
                   : VFW_E_TYPE_NOT_ACCEPTED;
    }

    // The output is the input's picture as bottom-up RGB32 of the same size.
    HRESULT GetOutputType(int pos, dshow::MediaType* mt) override {
        VideoFormat f;
        if (pos != 0 || !DescribeVideo(Input()->CurrentMediaType(), &f))
            return VFW_S_NO_MORE_ITEMS;
        *mt = MakeVideoType(Layout::Rgb32, f.width, f.height, f.avgTimePerFrame);
        return mt->IsValid() ? S_OK : E_OUTOFMEMORY;
    }

    HRESULT CheckTransform(const AM_MEDIA_TYPE* in, const AM_MEDIA_TYPE* out) override {
        VideoFormat fi, fo;
        if (!DescribeVideo(*in, &fi) || !DescribeVideo(*out, &fo) || fo.layout != Layout::Rgb32)
            return VFW_E_TYPE_NOT_ACCEPTED;
        // The renderer may ask for a wider row (a surface pitch), never a different picture.
        return fo.width >= fi.width && fo.height == fi.height ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }

    HRESULT Transform(IMediaSample* in, IMediaSample* out) override {
        // The renderer may attach a new type (another row pitch or orientation) to a buffer.
        AM_MEDIA_TYPE* changed = nullptr;
        if (out->GetMediaType(&changed) == S_OK && changed) {
            HRESULT ok = CheckTransform(&Input()->CurrentMediaType(), changed);
            if (ok == S_OK)
                m_outType = *changed;
            dshow::DeleteMediaType(changed);
            if (ok != S_OK)
                return ok;
        } else if (!m_outType.IsValid() || !m_outConnected.Equals(Output()->CurrentMediaType())) {
            m_outType = Output()->CurrentMediaType();
            m_outConnected = Output()->CurrentMediaType();
        }
        VideoFormat fi, fo;
        if (!DescribeVideo(Input()->CurrentMediaType(), &fi) || !DescribeVideo(m_outType, &fo))
            return E_UNEXPECTED;
        BYTE* src = nullptr;
        BYTE* dst = nullptr;
        if (FAILED(in->GetPointer(&src)) || FAILED(out->GetPointer(&dst)))
            return E_FAIL;
        if (in->GetActualDataLength() < fi.imageSize || out->GetSize() < fo.imageSize)
            return E_FAIL;
        // Write bottom-up; a top-down output is filled from its last row with a negative pitch.
        BYTE* base = fo.topDown ? dst + static_cast<ptrdiff_t>(fo.stride) * (fo.height - 1) : dst;
        const int pitch = fo.topDown ? -fo.stride : fo.stride;
        switch (fi.layout) {
        case Layout::Yuy2:
        case Layout::Uyvy:
            picture::Yuv422ToRgb32(
                src, fi.stride, fi.layout == Layout::Yuy2 ? picture::Packing::Yuy2 : picture::Packing::Uyvy,
                fi.width, fi.height, base, pitch);
            break;
        case Layout::Rgb24:
            ConvertRgb(src, fi, 24, base, pitch);
            break;
        case Layout::Rgb32:
            ConvertRgb(src, fi, 32, base, pitch);
            break;
        default:
            return E_UNEXPECTED;
        }
        return out->SetActualDataLength(fo.imageSize);
    }

    HRESULT QueryInputPinInterface(REFIID iid, void** out) override {
        if (iid == __uuidof(IMixerPinConfig) || iid == IID_IMixerPinConfig) {
            *out = static_cast<IMixerPinConfig*>(&m_config);
            AddRef();
            return S_OK;
        }
        return TransformFilter::QueryInputPinInterface(iid, out);
    }

private:
    // RGB rows (bottom-up unless the input says top-down) into bottom-up RGB32 at base/pitch.
    static void ConvertRgb(const BYTE* src, const VideoFormat& fi, int bits, BYTE* base, int pitch) {
        for (LONG y = 0; y < fi.height; ++y) {
            LONG from = fi.topDown ? fi.height - 1 - y : y; // source row holding bottom-up row y
            const BYTE* s = src + static_cast<ptrdiff_t>(from) * fi.stride;
            BYTE* d = base + static_cast<ptrdiff_t>(y) * pitch;
            if (bits == 32)
                memcpy(d, s, static_cast<size_t>(fi.width) * 4);
            else
                picture::Rgb24ToRgb32(s, fi.stride, fi.width, 1, d, pitch);
        }
    }

    MixerPinConfig m_config;
    dshow::MediaType m_outType;      // the type of the buffers being filled (streaming thread)
    dshow::MediaType m_outConnected; // the connection type outType_ was last taken from
};

STDMETHODIMP MixerPinConfig::QueryInterface(REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    return m_owner->Input()->QueryInterface(iid, out);
}
STDMETHODIMP_(ULONG) MixerPinConfig::AddRef() {
    return m_owner->AddRef();
}
STDMETHODIMP_(ULONG) MixerPinConfig::Release() {
    return m_owner->Release();
}

} // namespace

HRESULT CreateOverlayMixer(IUnknown** out) {
    auto* f = new (std::nothrow) OverlayMixer();
    if (!f)
        return E_OUTOFMEMORY;
    *out = static_cast<IBaseFilter*>(f);
    return S_OK;
}

} // namespace filters
