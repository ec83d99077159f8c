// The card's separate audio capture filter, its hardware MPEG encoder filter, and the
// unrelated generic camera that can be listed before the card.
#include <cstring>
#include <new>

#include "card.h"
#include "dshow/filter.h"
#include "filters.h"
#include "guids.h"
#include "ks_tuner.h"
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

// The encoder's program-stream output. The encoder does not produce a stream yet: it
// connects, and delivers nothing.
class MpegPin : public dshow::OutputPin {
public:
    explicit MpegPin(dshow::BaseFilter* f) : OutputPin(f, L"MPEG Out") { SetCategory(PIN_CATEGORY_CAPTURE); }
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
        want.cbBuffer = want.cbBuffer < 65536 ? 65536 : want.cbBuffer;
        if (want.cbAlign < 1)
            want.cbAlign = 1;
        return alloc->SetProperties(&want, &got);
    }
};

class EncoderFilter final : public dshow::BaseFilter, public IKsPropertySet {
public:
    EncoderFilter() : BaseFilter(kClsidEncoder, Card::Get().Info().encoder) { AddPin(new MpegPin(this)); }
    ~EncoderFilter() override = default;
    DSHOW_FORWARD_IUNKNOWN(dshow::BaseFilter)

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

private:
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
