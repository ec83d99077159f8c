// The MPEG audio decoder (CLSID_CMpegAudioCodec): MPEG-1/2 audio Layer I or II in, as the
// splitter delivers it, 16-bit PCM out at the stream's rate and channels. Sound before the
// segment's start (decoded from where a seek lands) is cut off.
#include "platform/filters/av_decoder.h"

#include <mmreg.h>
#include <uuids.h>

#include <new>
#include <vector>

using dshow::MediaType;

namespace filters {

namespace {

constexpr long kOutputBytes = 1152 * 2 * 2 * 4; // a few frames of stereo

const WAVEFORMATEX* InputFormat(const AM_MEDIA_TYPE* mt) {
    if (mt->formattype != FORMAT_WaveFormatEx || !mt->pbFormat || mt->cbFormat < sizeof(WAVEFORMATEX))
        return nullptr;
    const auto* wfx = reinterpret_cast<const WAVEFORMATEX*>(mt->pbFormat);
    if (wfx->nChannels < 1 || wfx->nChannels > 2 || wfx->nSamplesPerSec < 8000 || wfx->nSamplesPerSec > 48000)
        return nullptr;
    return wfx;
}

class MpegAudioDecoder final : public AvDecoder {
public:
    MpegAudioDecoder() : AvDecoder(CLSID_CMpegAudioCodec, L"MPEG Audio Decoder") {}

    HRESULT CheckInputType(const AM_MEDIA_TYPE* mt) override {
        if (mt->majortype != MEDIATYPE_Audio ||
            (mt->subtype != MEDIASUBTYPE_MPEG1AudioPayload && mt->subtype != MEDIASUBTYPE_MPEG1Packet &&
             mt->subtype != MEDIASUBTYPE_MPEG1Payload && mt->subtype != MEDIASUBTYPE_MPEG2_AUDIO))
            return VFW_E_TYPE_NOT_ACCEPTED;
        const WAVEFORMATEX* wfx = InputFormat(mt);
        if (!wfx)
            return VFW_E_TYPE_NOT_ACCEPTED;
        // Layer III is another decoder's.
        if (wfx->wFormatTag == WAVE_FORMAT_MPEG && mt->cbFormat >= sizeof(MPEG1WAVEFORMAT) &&
            reinterpret_cast<const MPEG1WAVEFORMAT*>(wfx)->fwHeadLayer == ACM_MPEG_LAYER3)
            return VFW_E_TYPE_NOT_ACCEPTED;
        return S_OK;
    }

    bool OutputType(MediaType* mt) override {
        if (!Input()->IsConnected())
            return false;
        const WAVEFORMATEX* in = InputFormat(&Input()->CurrentMediaType());
        if (!in)
            return false;
        *mt = dshow::MakePcmType(in->nSamplesPerSec, in->nChannels);
        return true;
    }

    HRESULT CheckOutputType(const AM_MEDIA_TYPE* mt) override {
        MediaType ours;
        if (!OutputType(&ours))
            return VFW_E_NOT_CONNECTED;
        return mt->majortype == MEDIATYPE_Audio && mt->subtype == MEDIASUBTYPE_PCM &&
                       mt->formattype == FORMAT_WaveFormatEx && mt->cbFormat >= sizeof(WAVEFORMATEX) &&
                       memcmp(mt->pbFormat, ours.pbFormat, sizeof(WAVEFORMATEX) - sizeof(WORD)) == 0
                   ? S_OK
                   : VFW_E_TYPE_NOT_ACCEPTED;
    }

    void OutputBuffers(long* count, long* bytes) override {
        *count = 16;
        *bytes = kOutputBytes;
    }

protected:
    AVCodecID CodecId() override {
        const AM_MEDIA_TYPE& mt = Input()->CurrentMediaType();
        if (mt.cbFormat >= sizeof(MPEG1WAVEFORMAT) &&
            reinterpret_cast<const MPEG1WAVEFORMAT*>(mt.pbFormat)->wfx.wFormatTag == WAVE_FORMAT_MPEG &&
            reinterpret_cast<const MPEG1WAVEFORMAT*>(mt.pbFormat)->fwHeadLayer == ACM_MPEG_LAYER1)
            return AV_CODEC_ID_MP1;
        return AV_CODEC_ID_MP2;
    }

    void OnReset() override { m_next = -1; }

    HRESULT OnFrame(AVFrame* frame) override {
        const WAVEFORMATEX* out = Output()->CurrentMediaType().WaveFormat();
        if (!out || frame->nb_samples <= 0)
            return S_OK;
        const int rate = static_cast<int>(out->nSamplesPerSec), channels = out->nChannels;
        if (frame->sample_rate != rate)
            return S_OK; // a part of the stream at another rate is not played
        const int inChannels = frame->ch_layout.nb_channels;
        if (inChannels < 1)
            return S_OK;
        // Interleaved 16-bit at the output's channel count (mono doubled, stereo mixed down).
        m_pcm.resize(static_cast<size_t>(frame->nb_samples) * channels);
        const bool planar = frame->format == AV_SAMPLE_FMT_S16P;
        if (!planar && frame->format != AV_SAMPLE_FMT_S16)
            return S_OK;
        auto sampleAt = [&](int i, int c) -> int {
            c = c < inChannels ? c : inChannels - 1;
            return planar ? reinterpret_cast<const int16_t*>(frame->data[c])[i]
                          : reinterpret_cast<const int16_t*>(frame->data[0])[i * inChannels + c];
        };
        for (int i = 0; i < frame->nb_samples; ++i) {
            if (channels == 1 && inChannels > 1)
                m_pcm[i] = static_cast<int16_t>((sampleAt(i, 0) + sampleAt(i, 1)) / 2);
            else
                for (int c = 0; c < channels; ++c)
                    m_pcm[static_cast<size_t>(i) * channels + c] = static_cast<int16_t>(sampleAt(i, c));
        }
        if (frame->best_effort_timestamp == AV_NOPTS_VALUE && m_next < 0)
            return S_OK; // no time stamp yet since the start or a seek: no place for it
        REFERENCE_TIME start =
            frame->best_effort_timestamp != AV_NOPTS_VALUE ? frame->best_effort_timestamp : m_next;
        const REFERENCE_TIME length = 10000000LL * frame->nb_samples / rate;
        m_next = start + length;
        int skip = 0;
        if (start < 0) {
            if (start + length <= 0)
                return S_OK; // before the segment
            skip = static_cast<int>(-start * rate / 10000000LL);
            start += 10000000LL * skip / rate;
        }
        const BYTE* data = reinterpret_cast<const BYTE*>(m_pcm.data() + static_cast<size_t>(skip) * channels);
        long bytes = static_cast<long>((frame->nb_samples - skip) * channels * 2);
        while (bytes > 0) {
            dshow::ComPtr<IMediaSample> sample;
            HRESULT hr = Output()->GetDeliveryBuffer(sample.Put(), nullptr, nullptr, 0);
            if (FAILED(hr))
                return hr;
            BYTE* p = nullptr;
            sample->GetPointer(&p);
            const long n =
                bytes < sample->GetSize() ? bytes : sample->GetSize() - sample->GetSize() % (channels * 2);
            memcpy(p, data, static_cast<size_t>(n));
            sample->SetActualDataLength(n);
            REFERENCE_TIME stop = start + 10000000LL * (n / (channels * 2)) / rate;
            sample->SetTime(&start, &stop);
            sample->SetSyncPoint(TRUE);
            hr = Output()->Deliver(sample.Get());
            if (hr != S_OK)
                return hr;
            start = stop;
            data += n;
            bytes -= n;
        }
        return S_OK;
    }

private:
    REFERENCE_TIME m_next = -1;
    std::vector<int16_t> m_pcm;
};

} // namespace

HRESULT CreateMpegAudioDecoder(IUnknown** out) {
    auto* f = new (std::nothrow) MpegAudioDecoder();
    if (!f)
        return E_OUTOFMEMORY;
    *out = static_cast<IBaseFilter*>(f);
    return S_OK;
}

} // namespace filters
