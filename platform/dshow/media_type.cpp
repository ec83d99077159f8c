// AM_MEDIA_TYPE helpers of the DirectShow base library: ownership of format blocks,
// standard video/audio types and the media-type enumerator handed to connecting pins.
#include "platform/dshow/media_type.h"
#include "platform/dshow/com_object.h"

#include <cstring>
#include <new>

namespace dshow {

void FreeMediaType(AM_MEDIA_TYPE& mt) {
    if (mt.cbFormat && mt.pbFormat)
        CoTaskMemFree(mt.pbFormat);
    mt.cbFormat = 0;
    mt.pbFormat = nullptr;
    if (mt.pUnk) {
        mt.pUnk->Release();
        mt.pUnk = nullptr;
    }
}

HRESULT CopyMediaType(AM_MEDIA_TYPE* dst, const AM_MEDIA_TYPE* src) {
    if (!dst || !src)
        return E_POINTER;
    *dst = *src;
    if (src->cbFormat && src->pbFormat) {
        dst->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(src->cbFormat));
        if (!dst->pbFormat) {
            dst->cbFormat = 0;
            return E_OUTOFMEMORY;
        }
        memcpy(dst->pbFormat, src->pbFormat, src->cbFormat);
    } else {
        dst->pbFormat = nullptr;
        dst->cbFormat = 0;
    }
    if (dst->pUnk)
        dst->pUnk->AddRef();
    return S_OK;
}

AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* src) {
    auto* mt = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (!mt)
        return nullptr;
    if (FAILED(CopyMediaType(mt, src))) {
        CoTaskMemFree(mt);
        return nullptr;
    }
    return mt;
}

void DeleteMediaType(AM_MEDIA_TYPE* mt) {
    if (!mt)
        return;
    FreeMediaType(*mt);
    CoTaskMemFree(mt);
}

MediaType::MediaType() : AM_MEDIA_TYPE{} {
    lSampleSize = 1;
}

MediaType::MediaType(const AM_MEDIA_TYPE& o) : AM_MEDIA_TYPE{} {
    if (FAILED(CopyMediaType(this, &o)))
        Clear();
}

MediaType::MediaType(const MediaType& o) : MediaType(static_cast<const AM_MEDIA_TYPE&>(o)) {}

MediaType& MediaType::operator=(const AM_MEDIA_TYPE& o) {
    if (this != &o) {
        Clear();
        if (FAILED(CopyMediaType(this, &o)))
            Clear();
    }
    return *this;
}

MediaType& MediaType::operator=(const MediaType& o) {
    return *this = static_cast<const AM_MEDIA_TYPE&>(o);
}

MediaType::~MediaType() {
    FreeMediaType(*this);
}

void MediaType::Clear() {
    FreeMediaType(*this);
    AM_MEDIA_TYPE& self = *this;
    self = AM_MEDIA_TYPE{};
    lSampleSize = 1;
}

BYTE* MediaType::AllocFormat(ULONG size) {
    if (cbFormat && pbFormat)
        CoTaskMemFree(pbFormat);
    pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(size));
    cbFormat = pbFormat ? size : 0;
    if (pbFormat)
        memset(pbFormat, 0, size);
    return pbFormat;
}

bool MediaType::MatchesPartial(const AM_MEDIA_TYPE* p) const {
    if (!p)
        return true;
    if (p->majortype != GUID_NULL && p->majortype != majortype)
        return false;
    if (p->subtype != GUID_NULL && p->subtype != subtype)
        return false;
    if (p->formattype != GUID_NULL) {
        if (p->formattype != formattype)
            return false;
        if (p->cbFormat && p->pbFormat &&
            (p->cbFormat != cbFormat || memcmp(p->pbFormat, pbFormat, cbFormat) != 0))
            return false;
    }
    return true;
}

bool MediaType::Equals(const AM_MEDIA_TYPE& o) const {
    return majortype == o.majortype && subtype == o.subtype && formattype == o.formattype &&
           cbFormat == o.cbFormat && (cbFormat == 0 || memcmp(pbFormat, o.pbFormat, cbFormat) == 0);
}

const VIDEOINFOHEADER* MediaType::VideoInfo() const {
    if (formattype != FORMAT_VideoInfo || cbFormat < sizeof(VIDEOINFOHEADER) || !pbFormat)
        return nullptr;
    return reinterpret_cast<const VIDEOINFOHEADER*>(pbFormat);
}

const WAVEFORMATEX* MediaType::WaveFormat() const {
    if (formattype != FORMAT_WaveFormatEx || cbFormat < sizeof(WAVEFORMAT) || !pbFormat)
        return nullptr;
    return reinterpret_cast<const WAVEFORMATEX*>(pbFormat);
}

MediaType MakeYuy2Type(LONG width, LONG height, REFERENCE_TIME avgTimePerFrame) {
    MediaType mt;
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = MEDIASUBTYPE_YUY2;
    mt.formattype = FORMAT_VideoInfo;
    mt.bFixedSizeSamples = TRUE;
    mt.bTemporalCompression = FALSE;
    mt.lSampleSize = static_cast<ULONG>(width * height * 2);
    auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(mt.AllocFormat(sizeof(VIDEOINFOHEADER)));
    if (!vih)
        return MediaType();
    vih->AvgTimePerFrame = avgTimePerFrame;
    vih->dwBitRate =
        avgTimePerFrame > 0
            ? static_cast<DWORD>(static_cast<LONGLONG>(mt.lSampleSize) * 8 * 10000000 / avgTimePerFrame)
            : 0;
    vih->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    vih->bmiHeader.biWidth = width;
    vih->bmiHeader.biHeight = height;
    vih->bmiHeader.biPlanes = 1;
    vih->bmiHeader.biBitCount = 16;
    vih->bmiHeader.biCompression = MAKEFOURCC('Y', 'U', 'Y', '2');
    vih->bmiHeader.biSizeImage = mt.lSampleSize;
    return mt;
}

MediaType MakePcmType(DWORD samplesPerSec, WORD channels) {
    MediaType mt;
    mt.majortype = MEDIATYPE_Audio;
    mt.subtype = MEDIASUBTYPE_PCM;
    mt.formattype = FORMAT_WaveFormatEx;
    mt.bFixedSizeSamples = TRUE;
    auto* wfx = reinterpret_cast<WAVEFORMATEX*>(mt.AllocFormat(sizeof(WAVEFORMATEX)));
    if (!wfx)
        return MediaType();
    wfx->wFormatTag = WAVE_FORMAT_PCM;
    wfx->nChannels = channels;
    wfx->nSamplesPerSec = samplesPerSec;
    wfx->wBitsPerSample = 16;
    wfx->nBlockAlign = static_cast<WORD>(channels * 2);
    wfx->nAvgBytesPerSec = samplesPerSec * wfx->nBlockAlign;
    mt.lSampleSize = wfx->nBlockAlign;
    return mt;
}

namespace {

class MediaTypeEnum final : public ComObject<IEnumMediaTypes> {
public:
    MediaTypeEnum(const std::vector<MediaType>& types, ULONG pos)
        : ComObject(IID_IEnumMediaTypes), m_types(types), m_pos(pos) {}

    STDMETHODIMP Next(ULONG count, AM_MEDIA_TYPE** out, ULONG* fetched) override {
        if (!out || (count > 1 && !fetched))
            return E_POINTER;
        ULONG n = 0;
        while (n < count && m_pos < m_types.size()) {
            out[n] = CreateMediaType(&m_types[m_pos]);
            if (!out[n])
                break;
            ++n;
            ++m_pos;
        }
        if (fetched)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override {
        m_pos += count;
        if (m_pos > m_types.size()) {
            m_pos = static_cast<ULONG>(m_types.size());
            return S_FALSE;
        }
        return S_OK;
    }
    STDMETHODIMP Reset() override {
        m_pos = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumMediaTypes** out) override {
        if (!out)
            return E_POINTER;
        *out = new (std::nothrow) MediaTypeEnum(m_types, m_pos);
        return *out ? S_OK : E_OUTOFMEMORY;
    }

private:
    ~MediaTypeEnum() override = default;
    std::vector<MediaType> m_types;
    ULONG m_pos;
};

} // namespace

HRESULT CreateMediaTypeEnum(const std::vector<MediaType>& types, IEnumMediaTypes** out) {
    if (!out)
        return E_POINTER;
    *out = new (std::nothrow) MediaTypeEnum(types, 0);
    return *out ? S_OK : E_OUTOFMEMORY;
}

} // namespace dshow
