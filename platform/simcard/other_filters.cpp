// The card's separate audio capture filter, its hardware MPEG encoder filter (a real MPEG-2
// program stream of the card's picture and sound), and the unrelated generic camera that can
// be listed before the card.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "card.h"
#include "dshow/filter.h"
#include "filters.h"
#include "guids.h"
#include "ks_tuner.h"
#include "mpeg_program.h"
#include "stream_pins.h"

namespace simcard {

namespace {

class AudioFilter final : public dshow::BaseFilter {
public:
    AudioFilter() : BaseFilter(kClsidAudio, Card::Get().Info().audio) {
        live_ = true;
        AddPin(new AudioPin(this, L"Capture"));
    }
    ~AudioFilter() override = default;

protected:
    HRESULT OnRun(REFERENCE_TIME) override {
        if (!running_)
            Card::Get().StreamStarted();
        running_ = true;
        return S_OK;
    }
    HRESULT OnPause() override { return Idle(); }
    HRESULT OnStop() override { return Idle(); }

private:
    HRESULT Idle() {
        if (running_)
            Card::Get().StreamStopped();
        running_ = false;
        return S_OK;
    }
    bool running_ = false;
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
        : PushPin(f, L"MPEG Out"), tailDone_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
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
        on_ = on;
        ntsc_ = ntsc;
        bitRate_ = bitRate;
        ending_ = false;
    }
    // The graph leaves the running state: the streaming thread empties the encoder into the
    // next slot and delivers all of it; this waits (a bounded time) until it has. Called under
    // the filter lock while the filter still runs, so downstream still takes samples.
    void EndStream() {
        if (!Streaming() || !on_ || !IsConnected())
            return;
        ResetEvent(tailDone_.Get());
        ending_ = true;
        WaitForSingleObject(tailDone_.Get(), kTailWaitMs);
    }
    // Running again after EndStream: a new stream follows in the same output.
    void Resume() { ending_ = false; }

    REFERENCE_TIME SamplePeriod() override { return ntsc_ ? 333667 : 400000; }
    void OnThreadStart() override { pending_.clear(); }
    void OnThreadStop() override {
        // Stopped without leaving the running state first: what the encoder still holds has
        // no sample to go in once streaming ends.
        if (writer_.IsOpen())
            writer_.Close(nullptr);
        pending_.clear();
        SetEvent(tailDone_.Get());
    }
    HRESULT FillBuffer(IMediaSample* sample, REFERENCE_TIME start, REFERENCE_TIME stop) override {
        if (ending_)
            return Tail(sample);
        if (!on_ || (!writer_.IsOpen() && !Open(start)))
            return S_FALSE;
        Signal sig = Card::Get().CurrentSignal();
        FrameSpec spec = sig.frame;
        spec.width = settings_.width;
        spec.height = settings_.height;
        spec.frameNumber = static_cast<uint32_t>(start / SamplePeriod());
        RenderFrame(spec, sig.amp, picture_.data(), settings_.width * 2);
        writer_.WriteVideo(picture_.data(), settings_.width * 2, static_cast<int64_t>(spec.frameNumber) - firstFrame_);
        // The sound runs on through slots a busy machine skipped (their pictures are left out,
        // as a hardware encoder short of bus time would), so it lasts as long as the recording.
        const uint64_t last = static_cast<uint64_t>(stop) * 48000 / 10000000;
        uint64_t first = static_cast<uint64_t>(start) * 48000 / 10000000;
        if (soundAt_ >= 0 && static_cast<uint64_t>(soundAt_) < first &&
            first - static_cast<uint64_t>(soundAt_) <= kMaxSoundGap)
            first = static_cast<uint64_t>(soundAt_);
        soundAt_ = static_cast<int64_t>(last);
        const int frames = static_cast<int>(last - first);
        if (frames > 0) {
            sound_.resize(static_cast<size_t>(frames) * 2);
            SoundSpec ss = sig.sound;
            ss.rate = 48000;
            ss.channels = 2;
            ss.firstSample = first;
            RenderSound(ss, sound_.data(), frames);
            writer_.WriteAudio(sound_.data(), static_cast<size_t>(frames));
        }
        // Whole packs as the multiplexer wrote them; more than a buffer waits for the next slot.
        return Take(sample) ? S_OK : S_FALSE;
    }

protected:
    void OnDelivered(IMediaSample*) override {
        if (tailQueued_) {
            tailQueued_ = false;
            SetEvent(tailDone_.Get());
        }
    }

private:
    // A new stream from the slot at start on: its pictures and sound count from there.
    bool Open(REFERENCE_TIME start) {
        firstFrame_ = start / SamplePeriod();
        soundAt_ = -1;
        settings_ = encoders::MpegDefaults(encoders::DiscFormat::Dvd, ntsc_);
        settings_.threads = 0;
        if (bitRate_ >= 1000000 && bitRate_ <= 9000000)
            settings_.videoBitRate = bitRate_;
        picture_.assign(static_cast<size_t>(settings_.width) * settings_.height * 2, 0);
        std::string error;
        return writer_.OpenStream(
            [this](const uint8_t* p, size_t n) {
                pending_.insert(pending_.end(), p, p + n);
                return true;
            },
            settings_, 48000, 2, &error);
    }
    // Moves the front of what the multiplexer wrote into the sample; false when nothing waits.
    bool Take(IMediaSample* sample) {
        BYTE* data = nullptr;
        if (pending_.empty() || FAILED(sample->GetPointer(&data)))
            return false;
        const size_t n = std::min(pending_.size(), static_cast<size_t>(sample->GetSize()));
        memcpy(data, pending_.data(), n);
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<ptrdiff_t>(n));
        sample->SetTime(nullptr, nullptr);
        sample->SetActualDataLength(static_cast<long>(n));
        return true;
    }
    // The end of the stream: the encoder gives up what it holds, everything but the last piece
    // goes out in buffers of its own (in order, on this thread), the last piece in this slot's
    // sample, whose delivery tells EndStream it is done.
    HRESULT Tail(IMediaSample* sample) {
        if (writer_.IsOpen())
            writer_.Close(nullptr);
        const size_t room = static_cast<size_t>(sample->GetSize());
        while (pending_.size() > room) {
            dshow::ComPtr<IMediaSample> extra;
            if (FAILED(GetDeliveryBuffer(extra.Put(), nullptr, nullptr, 0)) || !extra || !Take(extra.Get()) ||
                Deliver(extra.Get()) != S_OK) {
                pending_.clear();
                break;
            }
        }
        if (!Take(sample)) {
            SetEvent(tailDone_.Get()); // nothing (more) to deliver
            return S_FALSE;
        }
        tailQueued_ = true;
        return S_OK;
    }

    static constexpr long kBuffer = 512 * 1024;
    static constexpr DWORD kTailWaitMs = 5000;
    static constexpr uint64_t kMaxSoundGap = 48000 * 2; // two seconds
    bool on_ = false, ntsc_ = false;
    long bitRate_ = 0;
    std::atomic<bool> ending_{false};
    bool tailQueued_ = false; // streaming thread only
    dshow::Handle tailDone_;
    encoders::MpegSettings settings_;
    encoders::MpegProgramWriter writer_;
    std::vector<uint8_t> picture_, pending_;
    std::vector<int16_t> sound_;
    int64_t soundAt_ = -1;   // the next sound sample of the stream, -1 before the first
    int64_t firstFrame_ = 0; // the slot the stream began at
};

class EncoderFilter final : public dshow::BaseFilter, public IKsPropertySet {
public:
    EncoderFilter() : BaseFilter(kClsidEncoder, Card::Get().Info().encoder) {
        live_ = true;
        pin_ = new MpegPin(this);
        AddPin(pin_);
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
            pin_->Configure(set_[7] && values_[7][0] == 1, set_[8] && values_[8][0] == 0,
                            set_[0] ? static_cast<long>(values_[0][1]) : 0);
        else if (State() == State_Running)
            pin_->EndStream();
        return BaseFilter::Pause();
    }
    STDMETHODIMP Stop() override {
        dshow::AutoLock lock(FilterLock());
        if (State() == State_Running)
            pin_->EndStream();
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
        memcpy(values_[id], src, need);
        set_[id] = true;
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
        memcpy(data, values_[id], need);
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
        pin_->Resume();
        return S_OK;
    }

private:
    MpegPin* pin_;
    static constexpr DWORD kProps = 16;
    uint32_t values_[kProps][3] = {};
    bool set_[kProps] = {};
};

class GenericFilter final : public dshow::BaseFilter {
public:
    GenericFilter() : BaseFilter(kClsidGeneric, kGenericDeviceName) {
        live_ = true;
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
