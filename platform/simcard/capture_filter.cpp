// The card's video capture filter: capture, preview, VBI and (on some families) audio pins,
// the analogue video decoder, the proc amp, and the decoder and vendor audio property sets.
#include <cstring>
#include <new>

#include "platform/simcard/card.h"
#include "platform/dshow/filter.h"
#include "platform/simcard/filters.h"
#include "platform/simcard/guids.h"
#include "platform/simcard/ks_buffers.h"
#include "platform/simcard/stream_pins.h"

namespace simcard {

namespace {

class CaptureFilter final : public dshow::BaseFilter,
                            public IAMAnalogVideoDecoder,
                            public IAMVideoProcAmp,
                            public IKsPropertySet {
public:
    CaptureFilter()
        : BaseFilter(kClsidCapture, Card::Get().Info().capture ? Card::Get().Info().capture : L"") {
        m_live = true;
        const FamilyInfo& f = Card::Get().Info();
        m_capture = new VideoPin(this, L"Capture", PIN_CATEGORY_CAPTURE, false);
        AddPin(m_capture);
        if (f.previewPin) {
            m_preview = new VideoPin(this, L"Preview", PIN_CATEGORY_PREVIEW, false);
            AddPin(m_preview);
        }
        AddPin(new VbiPin(this, L"VBI"));
        if (f.audioPin)
            AddPin(new AudioPin(this, L"Audio"));
    }
    ~CaptureFilter() override = default;

    DSHOW_FORWARD_IUNKNOWN(dshow::BaseFilter)

    // IAMAnalogVideoDecoder
    STDMETHODIMP get_AvailableTVFormats(LONG* mask) override {
        if (!mask)
            return E_POINTER;
        *mask = DefaultStandardMask();
        return S_OK;
    }
    STDMETHODIMP put_TVFormat(LONG standard) override {
        if (State() != State_Stopped)
            return VFW_E_NOT_STOPPED;
        return Card::Get().SetStandard(standard);
    }
    STDMETHODIMP get_TVFormat(LONG* standard) override {
        if (!standard)
            return E_POINTER;
        *standard = Card::Get().Standard();
        return S_OK;
    }
    STDMETHODIMP get_HorizontalLocked(LONG* locked) override {
        if (!locked)
            return E_POINTER;
        *locked = Card::Get().Locked() ? 1 : 0;
        return S_OK;
    }
    STDMETHODIMP put_VCRHorizontalLocking(LONG v) override {
        m_vcr = v != 0;
        return S_OK;
    }
    STDMETHODIMP get_VCRHorizontalLocking(LONG* v) override {
        if (!v)
            return E_POINTER;
        *v = m_vcr ? 1 : 0;
        return S_OK;
    }
    STDMETHODIMP get_NumberOfLines(LONG* lines) override {
        if (!lines)
            return E_POINTER;
        *lines = Is525Lines(Card::Get().Standard()) ? 525 : 625;
        return S_OK;
    }
    STDMETHODIMP put_OutputEnable(LONG v) override {
        m_outputEnable = v != 0;
        return S_OK;
    }
    STDMETHODIMP get_OutputEnable(LONG* v) override {
        if (!v)
            return E_POINTER;
        *v = m_outputEnable ? 1 : 0;
        return S_OK;
    }

    // IAMVideoProcAmp
    STDMETHODIMP GetRange(LONG prop, LONG* mn, LONG* mx, LONG* step, LONG* def, LONG* caps) override {
        if (!mn || !mx || !step || !def || !caps)
            return E_POINTER;
        ProcAmpRange r;
        if (!ProcAmpRangeOf(prop, &r))
            return E_PROP_ID_UNSUPPORTED;
        *mn = r.min;
        *mx = r.max;
        *step = r.step;
        *def = r.def;
        *caps = VideoProcAmp_Flags_Manual;
        return S_OK;
    }
    STDMETHODIMP Set(LONG prop, LONG value, LONG flags) override {
        if (flags != VideoProcAmp_Flags_Manual)
            return E_INVALIDARG; // no automatic control on this card
        return Card::Get().SetProcAmp(prop, value);
    }
    STDMETHODIMP Get(LONG prop, LONG* value, LONG* flags) override {
        if (!value || !flags)
            return E_POINTER;
        HRESULT hr = Card::Get().GetProcAmp(prop, value);
        if (SUCCEEDED(hr))
            *flags = VideoProcAmp_Flags_Manual;
        return hr;
    }

    // IKsPropertySet: video decoder and vendor audio mode.
    STDMETHODIMP Set(REFGUID set, DWORD id, void* inst, DWORD instLen, void* data, DWORD dataLen) override {
        if (set == tunaro::kPropSetVideoDecoder) {
            if (id != tunaro::kDecoderPropStandard)
                return E_PROP_ID_UNSUPPORTED;
            tunaro::VideoDecoderValueProperty p;
            if (!ReadKsInput(&p, inst, instLen, data, dataLen))
                return E_INVALIDARG;
            if (State() != State_Stopped)
                return VFW_E_NOT_STOPPED;
            return Card::Get().SetStandard(static_cast<long>(p.Value));
        }
        if (set == tunaro::kPropSetVendorAudio) {
            if (id != tunaro::kVendorAudioModeProperty)
                return E_PROP_ID_UNSUPPORTED;
            uint32_t word = 0;
            const size_t at = tunaro::kVendorAudioModeWord * 4;
            if (data && dataLen >= at + 4)
                memcpy(&word, static_cast<BYTE*>(data) + at, 4);
            else if (inst && instLen >= 4)
                memcpy(&word, inst, 4);
            else
                return E_INVALIDARG;
            if ((word & 0xffff0000u) != tunaro::kVendorAudioModeMagic || (word & 0xffffu) > 1)
                return E_INVALIDARG;
            Card::Get().SetStereo((word & 1) != 0);
            return S_OK;
        }
        return E_PROP_SET_UNSUPPORTED;
    }
    STDMETHODIMP Get(REFGUID set, DWORD id, void* inst, DWORD instLen, void* data, DWORD dataLen,
                     DWORD* returned) override {
        if (set == tunaro::kPropSetVideoDecoder) {
            Card& card = Card::Get();
            switch (id) {
            case tunaro::kDecoderPropCaps: {
                tunaro::VideoDecoderCapsProperty p{};
                p.StandardsSupported = static_cast<uint32_t>(DefaultStandardMask());
                p.Capabilities = 0x4; // can indicate lock
                p.SettlingTime = 100;
                p.HSyncPerVSync = Is525Lines(card.Standard()) ? 525 : 625;
                return WriteKsOutput(p, data, dataLen, returned);
            }
            case tunaro::kDecoderPropStandard: {
                tunaro::VideoDecoderValueProperty p{};
                p.Value = static_cast<uint32_t>(card.Standard());
                return WriteKsOutput(p, data, dataLen, returned);
            }
            case tunaro::kDecoderPropStatus: {
                tunaro::VideoDecoderStatusProperty p{};
                p.NumberOfLines = Is525Lines(card.Standard()) ? 525 : 625;
                p.SignalLocked = card.Locked() ? 1 : 0;
                return WriteKsOutput(p, data, dataLen, returned);
            }
            default:
                return E_PROP_ID_UNSUPPORTED;
            }
        }
        if (set == tunaro::kPropSetVendorAudio) {
            if (id != tunaro::kVendorAudioModeProperty)
                return E_PROP_ID_UNSUPPORTED;
            const size_t at = tunaro::kVendorAudioModeWord * 4;
            if (!data)
                return E_POINTER;
            if (dataLen < at + 4)
                return E_UNEXPECTED;
            uint32_t word = tunaro::kVendorAudioModeMagic + (Card::Get().Stereo() ? 1 : 0);
            memcpy(static_cast<BYTE*>(data) + at, &word, 4);
            if (returned)
                *returned = dataLen < tunaro::kVendorAudioModeBufferSize
                                ? dataLen
                                : static_cast<DWORD>(tunaro::kVendorAudioModeBufferSize);
            (void)inst;
            (void)instLen;
            return S_OK;
        }
        return E_PROP_SET_UNSUPPORTED;
    }
    STDMETHODIMP QuerySupported(REFGUID set, DWORD id, DWORD* support) override {
        DWORD s = 0;
        if (set == tunaro::kPropSetVideoDecoder) {
            if (id == tunaro::kDecoderPropCaps || id == tunaro::kDecoderPropStatus)
                s = KSPROPERTY_SUPPORT_GET;
            else if (id == tunaro::kDecoderPropStandard)
                s = KSPROPERTY_SUPPORT_GET | KSPROPERTY_SUPPORT_SET;
            else
                return E_PROP_ID_UNSUPPORTED;
        } else if (set == tunaro::kPropSetVendorAudio) {
            if (id != tunaro::kVendorAudioModeProperty)
                return E_PROP_ID_UNSUPPORTED;
            s = KSPROPERTY_SUPPORT_GET | KSPROPERTY_SUPPORT_SET;
        } else {
            return E_PROP_SET_UNSUPPORTED;
        }
        if (support)
            *support = s;
        return S_OK;
    }

protected:
    HRESULT QueryOtherInterface(REFIID iid, void** out) override {
        if (iid == IID_IAMAnalogVideoDecoder)
            *out = static_cast<IAMAnalogVideoDecoder*>(this);
        else if (iid == IID_IAMVideoProcAmp)
            *out = static_cast<IAMVideoProcAmp*>(this);
        else if (iid == IID_IKsPropertySet)
            *out = static_cast<IKsPropertySet*>(this);
        else
            return BaseFilter::QueryOtherInterface(iid, out);
        AddRef();
        return S_OK;
    }
    HRESULT OnPause() override {
        // The card's frames are counted once, on the first connected video pin.
        bool counted = false;
        for (VideoPin* p : {m_capture, m_preview}) {
            if (!p)
                continue;
            p->SetCountsFrames(!counted && p->IsConnected());
            counted = counted || p->IsConnected();
        }
        if (State() == State_Running)
            SetRunning(false);
        return S_OK;
    }
    HRESULT OnRun(REFERENCE_TIME) override {
        SetRunning(true);
        return S_OK;
    }
    HRESULT OnStop() override {
        SetRunning(false);
        return S_OK;
    }

private:
    void SetRunning(bool on) {
        if (on == m_running)
            return;
        m_running = on;
        if (on)
            Card::Get().StreamStarted();
        else
            Card::Get().StreamStopped();
    }

    VideoPin* m_capture = nullptr;
    VideoPin* m_preview = nullptr;
    bool m_vcr = false;
    bool m_outputEnable = true;
    bool m_running = false;
};

} // namespace

HRESULT CreateCaptureFilter(IUnknown** out) {
    if (!Card::Get().Info().capture)
        return E_FAIL; // no card installed
    auto* f = new (std::nothrow) CaptureFilter();
    if (!f)
        return E_OUTOFMEMORY;
    *out = static_cast<IBaseFilter*>(f);
    return S_OK;
}

} // namespace simcard
