#include "engine/sound_clock_filter.h"

#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "engine/sound_clock.h"
#include "platform/dshow/media_type.h"
#include "platform/dshow/transform.h"

namespace tunaro {

namespace {

// {0864B867-1110-43B5-8BB7-0CB238BA625C}
constexpr GUID kClsidSoundClock = {
    0x0864b867, 0x1110, 0x43b5, {0x8b, 0xb7, 0x0c, 0xb2, 0x38, 0xba, 0x62, 0x5c}};

class SoundClockFilter final : public dshow::TransformFilter {
public:
    SoundClockFilter() : TransformFilter(kClsidSoundClock, kNameSoundClock) {}

    HRESULT CheckInputType(const AM_MEDIA_TYPE* mt) override {
        if (mt->majortype != MEDIATYPE_Audio || mt->formattype != FORMAT_WaveFormatEx ||
            mt->cbFormat < sizeof(WAVEFORMATEX) || !mt->pbFormat)
            return VFW_E_TYPE_NOT_ACCEPTED;
        const auto* wfx = reinterpret_cast<const WAVEFORMATEX*>(mt->pbFormat);
        return wfx->wFormatTag == WAVE_FORMAT_PCM && wfx->wBitsPerSample == 16 && wfx->nChannels >= 1 &&
                       wfx->nSamplesPerSec > 0 && wfx->nBlockAlign == 2 * wfx->nChannels
                   ? S_OK
                   : VFW_E_TYPE_NOT_ACCEPTED;
    }

    // Room for the most a buffer can be stretched, and for the silence of a gap before it.
    LONG OutputBufferSize() override {
        const WAVEFORMATEX* wfx = Input()->CurrentMediaType().WaveFormat();
        dshow::ComPtr<IMemAllocator> upstream;
        ALLOCATOR_PROPERTIES props{};
        LONG in = 0;
        if (SUCCEEDED(Input()->GetAllocator(upstream.Put())) && SUCCEEDED(upstream->GetProperties(&props)))
            in = props.cbBuffer;
        if (!wfx)
            return 0;
        if (in <= 0)
            in = static_cast<LONG>(wfx->nAvgBytesPerSec); // a second's worth
        const int frames = in / wfx->nBlockAlign + 1;
        return SoundClock::MaxOutputFrames(frames, static_cast<int>(wfx->nSamplesPerSec)) * wfx->nBlockAlign;
    }

    // As many as the card's driver keeps: behind a tee, the renderer holds a buffer until it has
    // played it, and the card's thread must not wait for one meanwhile.
    LONG OutputBufferCount() override { return 8; }

    HRESULT Transform(IMediaSample* in, IMediaSample* out) override {
        const WAVEFORMATEX* wfx = Input()->CurrentMediaType().WaveFormat();
        BYTE* src = nullptr;
        BYTE* dst = nullptr;
        if (!wfx || FAILED(in->GetPointer(&src)) || FAILED(out->GetPointer(&dst)))
            return E_FAIL;
        if (!m_clock || m_rate != wfx->nSamplesPerSec || m_channels != wfx->nChannels) {
            m_clock = std::make_unique<SoundClock>(static_cast<int>(wfx->nSamplesPerSec), wfx->nChannels);
            m_rate = wfx->nSamplesPerSec;
            m_channels = wfx->nChannels;
        }
        if (m_restart) {
            m_clock->Reset();
            m_restart = false;
        }
        const int frames = in->GetActualDataLength() / wfx->nBlockAlign;
        REFERENCE_TIME start = 0, stop = 0;
        m_buffer.clear();
        if (in->GetTime(&start, &stop) == S_OK) {
            REFERENCE_TIME from =
                m_clock->Process(start, stop, reinterpret_cast<const int16_t*>(src), frames, &m_buffer);
            out->SetTime(&from, &stop); // with the silence of a gap when one was filled
        } else {
            // No span to keep to: the samples go on as they are.
            const auto* s = reinterpret_cast<const int16_t*>(src);
            m_buffer.assign(s, s + static_cast<size_t>(frames) * wfx->nChannels);
        }
        const LONG bytes = static_cast<LONG>(m_buffer.size() * sizeof(int16_t));
        if (bytes > out->GetSize())
            return E_FAIL;
        if (bytes > 0)
            std::memcpy(dst, m_buffer.data(), static_cast<size_t>(bytes));
        return out->SetActualDataLength(bytes);
    }

protected:
    // A stopped stream starts afresh on the next run.
    HRESULT OnStop() override {
        HRESULT hr = TransformFilter::OnStop();
        m_restart = true;
        return hr;
    }

private:
    std::unique_ptr<SoundClock> m_clock;
    DWORD m_rate = 0;
    WORD m_channels = 0;
    bool m_restart = false;
    std::vector<int16_t> m_buffer;
};

} // namespace

HRESULT CreateSoundClockFilter(IBaseFilter** out) {
    if (!out)
        return E_POINTER;
    auto* f = new (std::nothrow) SoundClockFilter();
    if (!f)
        return E_OUTOFMEMORY;
    *out = static_cast<IBaseFilter*>(f);
    return S_OK;
}

} // namespace tunaro
