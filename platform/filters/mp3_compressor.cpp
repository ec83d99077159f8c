// The "MPEG Layer-3" audio compressor (audio compressor category) on LAME: 16-bit PCM in (mono
// or stereo at 32000, 44100 or 48000 Hz), constant 128 kbit/s MPEG-1 Layer III out, described
// as the WAVE format tag 0x55 so both the AVI Mux and the WAV writer can store it. Encoding runs
// on the upstream streaming thread: a frame costs far less than it lasts.
#include "platform/filters/stock_codecs.h"

#include "platform/dshow/filter.h"

#include <lame/lame.h>
#include <mmreg.h>
#include <uuids.h>

#include <new>
#include <vector>

using dshow::AutoLock;
using dshow::ComPtr;
using dshow::MediaType;

namespace filters {

namespace {

constexpr DWORD kBitRate = 128000;
constexpr DWORD kBytesPerSec = kBitRate / 8;
// Room for what one output sample carries (a few frames; LAME's worst case for its input).
constexpr LONG kOutputBuffer = 32 * 1024;

const GUID kSubtypeMp3 = {
    WAVE_FORMAT_MPEGLAYER3, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

bool Mpeg1Rate(DWORD rate) {
    return rate == 32000 || rate == 44100 || rate == 48000;
}

class Mp3Compressor;

class Mp3Input final : public dshow::InputPin {
public:
    explicit Mp3Input(Mp3Compressor* f);
    HRESULT GetMediaType(int, MediaType*) override { return VFW_S_NO_MORE_ITEMS; }
    HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override;
    STDMETHODIMP Receive(IMediaSample* sample) override;
    STDMETHODIMP EndOfStream() override;
    STDMETHODIMP BeginFlush() override;
    STDMETHODIMP EndFlush() override;

private:
    Mp3Compressor* m_owner;
};

class Mp3Output final : public dshow::OutputPin {
public:
    Mp3Output(Mp3Compressor* f);
    HRESULT GetMediaType(int pos, MediaType* mt) override;
    HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override;
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* request) override {
        ALLOCATOR_PROPERTIES want = *request, got{};
        want.cBuffers = want.cBuffers < 8 ? 8 : want.cBuffers;
        want.cbBuffer = want.cbBuffer < kOutputBuffer ? kOutputBuffer : want.cbBuffer;
        if (want.cbAlign < 1)
            want.cbAlign = 1;
        HRESULT hr = alloc->SetProperties(&want, &got);
        return FAILED(hr) ? hr : (got.cbBuffer >= kOutputBuffer ? S_OK : E_FAIL);
    }

private:
    Mp3Compressor* m_owner;
};

class Mp3Compressor final : public dshow::BaseFilter {
public:
    Mp3Compressor() : BaseFilter(kClsidMp3Compressor, L"MPEG Layer-3") {
        m_input = new Mp3Input(this);
        m_output = new Mp3Output(this);
        AddPin(m_input);
        AddPin(m_output);
    }
    ~Mp3Compressor() override { Close(); }

    Mp3Input* Input() const { return m_input; }
    // The output type for the connected input (false while it is unconnected).
    bool OutputType(MediaType* mt) const;
    HRESULT Encode(IMediaSample* sample);
    HRESULT Drain();
    void Restart() {
        AutoLock lock(m_receiveLock);
        Close();
        Open();
    }
    dshow::CritSec& ReceiveLock() { return m_receiveLock; }

protected:
    HRESULT OnPause() override {
        if (State() != State_Stopped)
            return S_OK;
        AutoLock lock(m_receiveLock);
        if (!m_input->IsConnected())
            return S_OK;
        if (!m_output->IsConnected())
            return VFW_E_NOT_CONNECTED;
        return Open() ? S_OK : E_FAIL;
    }
    HRESULT OnStop() override {
        AutoLock lock(m_receiveLock);
        Close();
        return S_OK;
    }

private:
    bool Open();
    void Close() {
        if (m_lame)
            lame_close(m_lame);
        m_lame = nullptr;
    }
    HRESULT Deliver(const unsigned char* data, int len);

    Mp3Input* m_input;
    Mp3Output* m_output;
    dshow::CritSec m_receiveLock;
    lame_global_flags* m_lame = nullptr;
    std::vector<unsigned char> m_buffer;
    uint64_t m_bytesOut = 0;
};

Mp3Input::Mp3Input(Mp3Compressor* f) : InputPin(f, L"Input"), m_owner(f) {}

HRESULT Mp3Input::CheckMediaType(const AM_MEDIA_TYPE* mt) {
    if (!mt || mt->majortype != MEDIATYPE_Audio || mt->formattype != FORMAT_WaveFormatEx || !mt->pbFormat ||
        mt->cbFormat < sizeof(WAVEFORMAT) + sizeof(WORD))
        return VFW_E_TYPE_NOT_ACCEPTED;
    const auto* wfx = reinterpret_cast<const WAVEFORMATEX*>(mt->pbFormat);
    const bool pcm = wfx->wFormatTag == WAVE_FORMAT_PCM ||
                     (wfx->wFormatTag == WAVE_FORMAT_EXTENSIBLE && mt->subtype == MEDIASUBTYPE_PCM);
    if (!pcm || wfx->wBitsPerSample != 16 || wfx->nChannels < 1 || wfx->nChannels > 2 ||
        wfx->nBlockAlign != wfx->nChannels * 2 || !Mpeg1Rate(wfx->nSamplesPerSec))
        return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

STDMETHODIMP Mp3Input::Receive(IMediaSample* sample) {
    if (!sample)
        return E_POINTER;
    AutoLock lock(m_owner->ReceiveLock());
    HRESULT hr = CheckStreaming();
    if (hr != S_OK)
        return hr;
    return m_owner->Encode(sample);
}

STDMETHODIMP Mp3Input::EndOfStream() {
    AutoLock lock(m_owner->ReceiveLock());
    if (CheckStreaming() != S_OK)
        return S_OK;
    return m_owner->Drain();
}

STDMETHODIMP Mp3Input::BeginFlush() {
    InputPin::BeginFlush();
    auto* out = static_cast<dshow::OutputPin*>(m_owner->Pin(1));
    return out->IsConnected() ? out->DeliverBeginFlush() : S_OK;
}

STDMETHODIMP Mp3Input::EndFlush() {
    m_owner->Restart(); // what LAME held back belongs to the flushed stream
    InputPin::EndFlush();
    auto* out = static_cast<dshow::OutputPin*>(m_owner->Pin(1));
    return out->IsConnected() ? out->DeliverEndFlush() : S_OK;
}

Mp3Output::Mp3Output(Mp3Compressor* f) : OutputPin(f, L"Output"), m_owner(f) {}

HRESULT Mp3Output::GetMediaType(int pos, MediaType* mt) {
    if (pos != 0 || !m_owner->OutputType(mt))
        return VFW_S_NO_MORE_ITEMS;
    return S_OK;
}

HRESULT Mp3Output::CheckMediaType(const AM_MEDIA_TYPE* mt) {
    MediaType ours;
    if (!m_owner->OutputType(&ours))
        return VFW_E_NOT_CONNECTED;
    return mt && mt->majortype == MEDIATYPE_Audio && mt->subtype == ours.subtype &&
                   mt->formattype == FORMAT_WaveFormatEx && mt->cbFormat == ours.cbFormat &&
                   memcmp(mt->pbFormat, ours.pbFormat, ours.cbFormat) == 0
               ? S_OK
               : VFW_E_TYPE_NOT_ACCEPTED;
}

bool Mp3Compressor::OutputType(MediaType* mt) const {
    if (!m_input->IsConnected())
        return false;
    const WAVEFORMATEX* in = m_input->CurrentMediaType().WaveFormat();
    MediaType t;
    t.majortype = MEDIATYPE_Audio;
    t.subtype = kSubtypeMp3;
    t.formattype = FORMAT_WaveFormatEx;
    t.bFixedSizeSamples = FALSE;
    t.lSampleSize = 0;
    auto* f = reinterpret_cast<MPEGLAYER3WAVEFORMAT*>(t.AllocFormat(sizeof(MPEGLAYER3WAVEFORMAT)));
    f->wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    f->wfx.nChannels = in->nChannels;
    f->wfx.nSamplesPerSec = in->nSamplesPerSec;
    f->wfx.nAvgBytesPerSec = kBytesPerSec;
    f->wfx.nBlockAlign = 1;
    f->wfx.wBitsPerSample = 0;
    f->wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
    f->wID = MPEGLAYER3_ID_MPEG;
    f->fdwFlags = MPEGLAYER3_FLAG_PADDING_ISO;
    // Bytes of a frame without padding: 1152 samples at the bit rate.
    f->nBlockSize = static_cast<WORD>(144 * kBitRate / in->nSamplesPerSec);
    f->nFramesPerBlock = 1;
    f->nCodecDelay = 1105; // encoder delay plus the decoder's, in samples
    *mt = t;
    return true;
}

bool Mp3Compressor::Open() {
    Close();
    const WAVEFORMATEX* in = m_input->CurrentMediaType().WaveFormat();
    if (!in)
        return false;
    m_lame = lame_init();
    if (!m_lame)
        return false;
    lame_set_in_samplerate(m_lame, static_cast<int>(in->nSamplesPerSec));
    lame_set_out_samplerate(m_lame, static_cast<int>(in->nSamplesPerSec));
    lame_set_num_channels(m_lame, in->nChannels);
    lame_set_mode(m_lame, in->nChannels == 1 ? MONO : JOINT_STEREO);
    lame_set_brate(m_lame, static_cast<int>(kBitRate / 1000));
    lame_set_VBR(m_lame, vbr_off);
    lame_set_quality(m_lame, 5);
    // A raw stream: no information frame in front of the sound (the container describes it).
    lame_set_bWriteVbrTag(m_lame, 0);
    if (lame_init_params(m_lame) < 0) {
        Close();
        return false;
    }
    m_bytesOut = 0;
    return true;
}

HRESULT Mp3Compressor::Encode(IMediaSample* sample) {
    if (!m_lame)
        return VFW_E_WRONG_STATE;
    BYTE* data = nullptr;
    if (FAILED(sample->GetPointer(&data)))
        return E_FAIL;
    const WAVEFORMATEX* in = m_input->CurrentMediaType().WaveFormat();
    const long len = sample->GetActualDataLength();
    const int frames = len > 0 ? static_cast<int>(len / in->nBlockAlign) : 0;
    if (frames == 0)
        return S_OK;
    m_buffer.resize(static_cast<size_t>(frames) * 5 / 4 + 7200);
    const auto* pcm = reinterpret_cast<short*>(data);
    const int n = in->nChannels == 2
                      ? lame_encode_buffer_interleaved(m_lame, const_cast<short*>(pcm), frames,
                                                       m_buffer.data(), static_cast<int>(m_buffer.size()))
                      : lame_encode_buffer(m_lame, pcm, pcm, frames, m_buffer.data(),
                                           static_cast<int>(m_buffer.size()));
    if (n < 0) {
        NotifyEvent(EC_ERRORABORT, E_FAIL, 0);
        return E_FAIL;
    }
    return Deliver(m_buffer.data(), n);
}

HRESULT Mp3Compressor::Drain() {
    if (m_lame) {
        m_buffer.resize(7200);
        const int n = lame_encode_flush(m_lame, m_buffer.data(), static_cast<int>(m_buffer.size()));
        if (n > 0)
            Deliver(m_buffer.data(), n);
    }
    return m_output->IsConnected() ? m_output->DeliverEndOfStream() : S_OK;
}

HRESULT Mp3Compressor::Deliver(const unsigned char* data, int len) {
    while (len > 0) {
        ComPtr<IMediaSample> out;
        HRESULT hr = m_output->GetDeliveryBuffer(out.Put(), nullptr, nullptr, 0);
        if (FAILED(hr))
            return hr;
        BYTE* p = nullptr;
        out->GetPointer(&p);
        const int n = len < out->GetSize() ? len : out->GetSize();
        memcpy(p, data, static_cast<size_t>(n));
        out->SetActualDataLength(n);
        // Times from the constant byte rate: what the bytes before these last.
        REFERENCE_TIME start = static_cast<REFERENCE_TIME>(m_bytesOut * 10000000ull / kBytesPerSec);
        m_bytesOut += static_cast<uint64_t>(n);
        REFERENCE_TIME stop = static_cast<REFERENCE_TIME>(m_bytesOut * 10000000ull / kBytesPerSec);
        out->SetTime(&start, &stop);
        out->SetSyncPoint(TRUE);
        hr = m_output->Deliver(out.Get());
        if (hr != S_OK)
            return hr;
        data += n;
        len -= n;
    }
    return S_OK;
}

} // namespace

HRESULT CreateMp3Compressor(IUnknown** out) {
    auto* f = new (std::nothrow) Mp3Compressor();
    if (!f)
        return E_OUTOFMEMORY;
    *out = static_cast<IBaseFilter*>(f);
    return S_OK;
}

} // namespace filters
