// The card's separate audio capture filter, its hardware MPEG encoder filter (a real MPEG-2
// program stream of the card's picture and sound), and the unrelated generic camera that can
// be listed before the card.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "platform/simcard/card.h"
#include "platform/dshow/filter.h"
#include "platform/simcard/filters.h"
#include "platform/simcard/guids.h"
#include "platform/include/ks_tuner.h"
#include "platform/encoders/mpeg_program.h"
#include "platform/simcard/stream_pins.h"

namespace simcard {

namespace {

class AudioFilter final : public dshow::BaseFilter {
public:
    AudioFilter() : BaseFilter(kClsidAudio, Card::Get().Info().audio) {
        m_live = true;
        AddPin(new AudioPin(this, L"Capture"));
    }
    ~AudioFilter() override = default;

protected:
    HRESULT OnRun(REFERENCE_TIME) override {
        if (!m_running)
            Card::Get().StreamStarted();
        m_running = true;
        return S_OK;
    }
    HRESULT OnPause() override { return Idle(); }
    HRESULT OnStop() override { return Idle(); }

private:
    HRESULT Idle() {
        if (m_running)
            Card::Get().StreamStopped();
        m_running = false;
        return S_OK;
    }
    bool m_running = false;
};

// The encoder's program-stream output: once the encoder is started (property 7 = 1), it
// encodes the card's picture (720 x 576, or 720 x 480 with property 8 = 0) and sound at the bit
// rate of property 0 into an MPEG-2 program stream and delivers it as it comes, one picture
// time per sample. Before that it connects and delivers nothing. When the graph leaves the
// running state the encoder is emptied: the pictures and sound it still holds go out, with the
// stream's end code, before the pin's thread stops and its buffers are taken back.
class MpegPin : public dshow::PushPin {
public:
    explicit MpegPin(dshow::BaseFilter* f)
        : PushPin(f, L"MPEG Out"), m_tailDone(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
        SetCategory(PIN_CATEGORY_CAPTURE);
    }
    HRESULT GetMediaType(int pos, dshow::MediaType* mt) override {
        if (pos != 0)
            return VFW_S_NO_MORE_ITEMS;
        dshow::MediaType t;
        t.majortype = MEDIATYPE_Stream;
        t.subtype = MEDIASUBTYPE_MPEG2_PROGRAM;
        t.formattype = FORMAT_None;
        t.bFixedSizeSamples = FALSE;
        *mt = t;
        return S_OK;
    }
    HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override {
        return mt && mt->majortype == MEDIATYPE_Stream && mt->subtype == MEDIASUBTYPE_MPEG2_PROGRAM
                   ? S_OK
                   : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* request) override {
        ALLOCATOR_PROPERTIES want = *request, got{};
        want.cBuffers = want.cBuffers < 8 ? 8 : want.cBuffers;
        want.cbBuffer = want.cbBuffer < kBuffer ? kBuffer : want.cbBuffer;
        if (want.cbAlign < 1)
            want.cbAlign = 1;
        return alloc->SetProperties(&want, &got);
    }

    // Set by the filter while stopped, before the thread starts: whether to encode, and how.
    void Configure(bool on, bool ntsc, long bitRate) {
        m_on = on;
        m_ntsc = ntsc;
        m_bitRate = bitRate;
        m_ending = false;
    }
    // The graph leaves the running state: the streaming thread empties the encoder into the
    // next slot and delivers all of it; this waits (a bounded time) until it has. Called under
    // the filter lock while the filter still runs, so downstream still takes samples.
    void EndStream() {
        if (!Streaming() || !m_on || !IsConnected())
            return;
        ResetEvent(m_tailDone.Get());
        m_ending = true;
        WaitForSingleObject(m_tailDone.Get(), kTailWaitMs);
    }
    // Running again after EndStream: a new stream follows in the same output.
    void Resume() { m_ending = false; }

    REFERENCE_TIME SamplePeriod() override { return m_ntsc ? 333667 : 400000; }
    void OnThreadStart() override { m_pending.clear(); }
    void OnThreadStop() override {
        // Stopped without leaving the running state first: what the encoder still holds has
        // no sample to go in once streaming ends.
        if (m_writer.IsOpen())
            m_writer.Close(nullptr);
        m_pending.clear();
        SetEvent(m_tailDone.Get());
    }
    HRESULT FillBuffer(IMediaSample* sample, REFERENCE_TIME start, REFERENCE_TIME stop) override {
        if (m_ending)
            return Tail(sample);
        if (!m_on || (!m_writer.IsOpen() && !Open(start)))
            return S_FALSE;
        Signal sig = Card::Get().CurrentSignal();
        FrameSpec spec = sig.frame;
        spec.width = m_settings.width;
        spec.height = m_settings.height;
        spec.frameNumber = static_cast<uint32_t>(start / SamplePeriod());
        const bool marks = Card::Get().SyncMarks();
        spec.syncMark = marks && InSyncMark(start, SamplePeriod());
        RenderFrame(spec, sig.amp, m_picture.data(), m_settings.width * 2);
        m_writer.WriteVideo(m_picture.data(), m_settings.width * 2,
                            static_cast<int64_t>(spec.frameNumber) - m_firstFrame);
        // The sound runs on through slots a busy machine skipped (their pictures are left out,
        // as a hardware encoder short of bus time would), so it lasts as long as the recording.
        const uint64_t last = static_cast<uint64_t>(stop) * 48000 / 10000000;
        uint64_t first = static_cast<uint64_t>(start) * 48000 / 10000000;
        if (m_soundAt >= 0 && static_cast<uint64_t>(m_soundAt) < first &&
            first - static_cast<uint64_t>(m_soundAt) <= kMaxSoundGap)
            first = static_cast<uint64_t>(m_soundAt);
        m_soundAt = static_cast<int64_t>(last);
        const int frames = static_cast<int>(last - first);
        if (frames > 0) {
            m_sound.resize(static_cast<size_t>(frames) * 2);
            SoundSpec ss = sig.sound;
            ss.rate = 48000;
            ss.channels = 2;
            ss.firstSample = first;
            ss.syncPeriod = marks ? SamplePeriod() : 0; // the encoder's sound runs on the picture's clock
            RenderSound(ss, m_sound.data(), frames);
            m_writer.WriteAudio(m_sound.data(), static_cast<size_t>(frames));
        }
        // Whole packs as the multiplexer wrote them; more than a buffer waits for the next slot.
        return Take(sample) ? S_OK : S_FALSE;
    }

protected:
    void OnDelivered(IMediaSample*) override {
        if (m_tailQueued) {
            m_tailQueued = false;
            SetEvent(m_tailDone.Get());
        }
    }

private:
    // A new stream from the slot at start on: its pictures and sound count from there.
    bool Open(REFERENCE_TIME start) {
        m_firstFrame = start / SamplePeriod();
        m_soundAt = -1;
        m_settings = encoders::MpegDefaults(encoders::DiscFormat::Dvd, m_ntsc);
        m_settings.threads = 0;
        if (m_bitRate >= 1000000 && m_bitRate <= 9000000)
            m_settings.videoBitRate = m_bitRate;
        m_picture.assign(static_cast<size_t>(m_settings.width) * m_settings.height * 2, 0);
        std::string error;
        return m_writer.OpenStream(
            [this](const uint8_t* p, size_t n) {
                m_pending.insert(m_pending.end(), p, p + n);
                return true;
            },
            m_settings, 48000, 2, &error);
    }
    // Moves the front of what the multiplexer wrote into the sample; false when nothing waits.
    bool Take(IMediaSample* sample) {
        BYTE* data = nullptr;
        if (m_pending.empty() || FAILED(sample->GetPointer(&data)))
            return false;
        const size_t n = std::min(m_pending.size(), static_cast<size_t>(sample->GetSize()));
        memcpy(data, m_pending.data(), n);
        m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<ptrdiff_t>(n));
        sample->SetTime(nullptr, nullptr);
        sample->SetActualDataLength(static_cast<long>(n));
        return true;
    }
    // The end of the stream: the encoder gives up what it holds, everything but the last piece
    // goes out in buffers of its own (in order, on this thread), the last piece in this slot's
    // sample, whose delivery tells EndStream it is done.
    HRESULT Tail(IMediaSample* sample) {
        if (m_writer.IsOpen())
            m_writer.Close(nullptr);
        const size_t room = static_cast<size_t>(sample->GetSize());
        while (m_pending.size() > room) {
            dshow::ComPtr<IMediaSample> extra;
            if (FAILED(GetDeliveryBuffer(extra.Put(), nullptr, nullptr, 0)) || !extra || !Take(extra.Get()) ||
                Deliver(extra.Get()) != S_OK) {
                m_pending.clear();
                break;
            }
        }
        if (!Take(sample)) {
            SetEvent(m_tailDone.Get()); // nothing (more) to deliver
            return S_FALSE;
        }
        m_tailQueued = true;
        return S_OK;
    }

    static constexpr long kBuffer = 512 * 1024;
    static constexpr DWORD kTailWaitMs = 5000;
    static constexpr uint64_t kMaxSoundGap = 48000 * 2; // two seconds
    bool m_on = false, m_ntsc = false;
    long m_bitRate = 0;
    std::atomic<bool> m_ending{false};
    bool m_tailQueued = false; // streaming thread only
    dshow::Handle m_tailDone;
    encoders::MpegSettings m_settings;
    encoders::MpegProgramWriter m_writer;
    std::vector<uint8_t> m_picture, m_pending;
    std::vector<int16_t> m_sound;
    int64_t m_soundAt = -1;   // the next sound sample of the stream, -1 before the first
    int64_t m_firstFrame = 0; // the slot the stream began at
};

class EncoderFilter final : public dshow::BaseFilter, public IKsPropertySet {
public:
    EncoderFilter() : BaseFilter(kClsidEncoder, Card::Get().Info().encoder) {
        m_live = true;
        m_pin = new MpegPin(this);
        AddPin(m_pin);
    }
    ~EncoderFilter() override = default;
    DSHOW_FORWARD_IUNKNOWN(dshow::BaseFilter)

    // Stopped to paused: the pin learns the settings before its thread starts. Property 7 = 1
    // starts the encoder, property 8 is the video standard (0 NTSC), property 0 carries the
    // bit rate as its second value; the others are kept as set. Leaving the running state
    // (paused, or stopped at once) first delivers what the encoder still holds.
    STDMETHODIMP Pause() override {
        dshow::AutoLock lock(FilterLock());
        if (State() == State_Stopped)
            m_pin->Configure(m_set[7] && m_values[7][0] == 1, m_set[8] && m_values[8][0] == 0,
                             m_set[0] ? static_cast<long>(m_values[0][1]) : 0);
        else if (State() == State_Running)
            m_pin->EndStream();
        return BaseFilter::Pause();
    }
    STDMETHODIMP Stop() override {
        dshow::AutoLock lock(FilterLock());
        if (State() == State_Running)
            m_pin->EndStream();
        return BaseFilter::Stop();
    }

    // Configuration values: property 0 takes three 32-bit values, the others one.
    STDMETHODIMP Set(REFGUID set, DWORD id, void* inst, DWORD instLen, void* data, DWORD dataLen) override {
        if (set != tunaro::kPropSetHardwareEncoder)
            return E_PROP_SET_UNSUPPORTED;
        if (id >= kProps)
            return E_PROP_ID_UNSUPPORTED;
        const DWORD need = id == 0 ? 12 : 4;
        const void* src = data && dataLen >= need ? data : (inst && instLen >= need ? inst : nullptr);
        if (!src)
            return E_INVALIDARG;
        dshow::AutoLock lock(FilterLock());
        memcpy(m_values[id], src, need);
        m_set[id] = true;
        return S_OK;
    }
    STDMETHODIMP Get(REFGUID set, DWORD id, void*, DWORD, void* data, DWORD dataLen,
                     DWORD* returned) override {
        if (set != tunaro::kPropSetHardwareEncoder)
            return E_PROP_SET_UNSUPPORTED;
        if (id >= kProps)
            return E_PROP_ID_UNSUPPORTED;
        const DWORD need = id == 0 ? 12 : 4;
        if (!data)
            return E_POINTER;
        if (dataLen < need)
            return E_UNEXPECTED;
        dshow::AutoLock lock(FilterLock());
        memcpy(data, m_values[id], need);
        if (returned)
            *returned = need;
        return S_OK;
    }
    STDMETHODIMP QuerySupported(REFGUID set, DWORD id, DWORD* support) override {
        if (set != tunaro::kPropSetHardwareEncoder)
            return E_PROP_SET_UNSUPPORTED;
        if (id >= kProps)
            return E_PROP_ID_UNSUPPORTED;
        if (support)
            *support = KSPROPERTY_SUPPORT_GET | KSPROPERTY_SUPPORT_SET;
        return S_OK;
    }

protected:
    HRESULT QueryOtherInterface(REFIID iid, void** out) override {
        if (iid != IID_IKsPropertySet)
            return BaseFilter::QueryOtherInterface(iid, out);
        *out = static_cast<IKsPropertySet*>(this);
        AddRef();
        return S_OK;
    }
    HRESULT OnRun(REFERENCE_TIME) override {
        m_pin->Resume();
        return S_OK;
    }

private:
    MpegPin* m_pin;
    static constexpr DWORD kProps = 16;
    uint32_t m_values[kProps][3] = {};
    bool m_set[kProps] = {};
};

class GenericFilter final : public dshow::BaseFilter {
public:
    GenericFilter() : BaseFilter(kClsidGeneric, kGenericDeviceName) {
        m_live = true;
        AddPin(new VideoPin(this, L"Capture", PIN_CATEGORY_CAPTURE, true));
    }
    ~GenericFilter() override = default;
};

template <class T> HRESULT Make(IUnknown** out) {
    auto* f = new (std::nothrow) T();
    if (!f)
        return E_OUTOFMEMORY;
    *out = static_cast<IBaseFilter*>(f);
    return S_OK;
}

} // namespace

HRESULT CreateAudioFilter(IUnknown** out) {
    if (!Card::Get().Info().audio)
        return E_FAIL;
    return Make<AudioFilter>(out);
}

HRESULT CreateEncoderFilter(IUnknown** out) {
    if (!Card::Get().Info().encoder)
        return E_FAIL;
    return Make<EncoderFilter>(out);
}

HRESULT CreateGenericFilter(IUnknown** out) {
    return Make<GenericFilter>(out);
}

} // namespace simcard
