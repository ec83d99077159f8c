// The card's TV/FM tuner filter: IAMTVTuner (mode, country, signal) and the kernel tuner
// property set (mode capabilities, mode, frequency with its country field, PLL status).
#include <new>

#include "platform/simcard/card.h"
#include "platform/dshow/filter.h"
#include "platform/simcard/filters.h"
#include "platform/simcard/guids.h"
#include "platform/simcard/ks_buffers.h"
#include "platform/simcard/stream_pins.h"

namespace simcard {

namespace {

class TunerFilter final : public dshow::BaseFilter, public IAMTVTuner, public IKsPropertySet {
public:
    TunerFilter() : BaseFilter(kClsidTuner, Card::Get().Info().tuner) {
        AddPin(new AnalogPin(this, PINDIR_OUTPUT, L"Analog Video", true));
        AddPin(new AnalogPin(this, PINDIR_OUTPUT, L"Analog Audio", false));
    }
    ~TunerFilter() override = default;

    DSHOW_FORWARD_IUNKNOWN(dshow::BaseFilter)

    // IAMTuner. Channel numbers need the platform's tuning-space tables, which this card's
    // driver does not carry: callers tune by frequency through the property set.
    STDMETHODIMP put_Channel(LONG, LONG, LONG) override { return E_NOTIMPL; }
    STDMETHODIMP get_Channel(LONG*, LONG*, LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP ChannelMinMax(LONG*, LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP put_CountryCode(LONG country) override {
        if (country <= 0)
            return E_INVALIDARG;
        Card::Get().SetCountry(country);
        return S_OK;
    }
    STDMETHODIMP get_CountryCode(LONG* country) override {
        if (!country)
            return E_POINTER;
        *country = Card::Get().Country();
        return S_OK;
    }
    STDMETHODIMP put_TuningSpace(LONG space) override {
        Card::Get().SetTuningSpace(space);
        return S_OK;
    }
    STDMETHODIMP get_TuningSpace(LONG* space) override {
        if (!space)
            return E_POINTER;
        *space = Card::Get().TuningSpace();
        return S_OK;
    }
    STDMETHODIMP Logon(HANDLE) override { return S_OK; }
    STDMETHODIMP Logout() override { return S_OK; }
    STDMETHODIMP SignalPresent(LONG* strength) override {
        if (!strength)
            return E_POINTER;
        Reception r = Card::Get().CurrentReception();
        *strength = r.carrier ? AMTUNER_SIGNALPRESENT : AMTUNER_NOSIGNAL;
        return S_OK;
    }
    STDMETHODIMP put_Mode(AMTunerModeType mode) override {
        if (mode != AMTUNER_MODE_TV && mode != AMTUNER_MODE_FM_RADIO)
            return E_INVALIDARG;
        return Card::Get().SetFmMode(mode == AMTUNER_MODE_FM_RADIO);
    }
    STDMETHODIMP get_Mode(AMTunerModeType* mode) override {
        if (!mode)
            return E_POINTER;
        *mode = Card::Get().FmMode() ? AMTUNER_MODE_FM_RADIO : AMTUNER_MODE_TV;
        return S_OK;
    }
    STDMETHODIMP GetAvailableModes(LONG* modes) override {
        if (!modes)
            return E_POINTER;
        *modes = AMTUNER_MODE_TV | AMTUNER_MODE_FM_RADIO;
        return S_OK;
    }
    STDMETHODIMP RegisterNotificationCallBack(IAMTunerNotification*, LONG) override { return E_NOTIMPL; }
    STDMETHODIMP UnRegisterNotificationCallBack(IAMTunerNotification*) override { return E_NOTIMPL; }
    // IAMTVTuner
    STDMETHODIMP get_AvailableTVFormats(LONG* mask) override {
        if (!mask)
            return E_POINTER;
        *mask = DefaultStandardMask();
        return S_OK;
    }
    STDMETHODIMP get_TVFormat(LONG* standard) override {
        if (!standard)
            return E_POINTER;
        *standard = Card::Get().Standard();
        return S_OK;
    }
    STDMETHODIMP AutoTune(LONG, LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP StoreAutoTune() override { return E_NOTIMPL; }
    STDMETHODIMP get_NumInputConnections(LONG* n) override {
        if (!n)
            return E_POINTER;
        *n = 1;
        return S_OK;
    }
    STDMETHODIMP put_InputType(LONG index, TunerInputType type) override {
        if (index != 0)
            return E_INVALIDARG;
        m_inputType = type;
        return S_OK;
    }
    STDMETHODIMP get_InputType(LONG index, TunerInputType* type) override {
        if (!type)
            return E_POINTER;
        if (index != 0)
            return E_INVALIDARG;
        *type = m_inputType;
        return S_OK;
    }
    STDMETHODIMP put_ConnectInput(LONG index) override { return index == 0 ? S_OK : E_INVALIDARG; }
    STDMETHODIMP get_ConnectInput(LONG* index) override {
        if (!index)
            return E_POINTER;
        *index = 0;
        return S_OK;
    }
    STDMETHODIMP get_VideoFrequency(LONG* freq) override {
        if (!freq)
            return E_POINTER;
        *freq = static_cast<LONG>(Card::Get().Frequency());
        return S_OK;
    }
    STDMETHODIMP get_AudioFrequency(LONG* freq) override {
        if (!freq)
            return E_POINTER;
        Card& card = Card::Get();
        long standard = card.Standard();
        // Sound carrier above the vision carrier: 4.5 MHz (M), 5.5 (B/G), 6.0 (I), 6.5 (D/K, L).
        long spacing = Is525Lines(standard) ? 4500000
                       : (standard == 0x10 || standard == 0x40 || standard == 0x1000 || standard == 0x4000)
                           ? 5500000
                           : (standard == 0x100 ? 6000000 : 6500000);
        *freq = static_cast<LONG>(card.Frequency()) + (card.FmMode() ? 0 : spacing);
        return S_OK;
    }

    // IKsPropertySet: the kernel tuner properties.
    STDMETHODIMP Set(REFGUID set, DWORD id, void* inst, DWORD instLen, void* data, DWORD dataLen) override {
        if (set != tunaro::kPropSetTuner)
            return E_PROP_SET_UNSUPPORTED;
        Card& card = Card::Get();
        switch (id) {
        case tunaro::kTunerPropMode: {
            tunaro::TunerModeProperty p;
            if (!ReadKsInput(&p, inst, instLen, data, dataLen))
                return E_INVALIDARG;
            if (p.Mode != tunaro::kKsTunerModeTv && p.Mode != tunaro::kKsTunerModeFmRadio)
                return E_INVALIDARG;
            return card.SetFmMode(p.Mode == tunaro::kKsTunerModeFmRadio);
        }
        case tunaro::kTunerPropFrequency: {
            tunaro::TunerFrequencyProperty p;
            if (!ReadKsInput(&p, inst, instLen, data, dataLen))
                return E_INVALIDARG;
            HRESULT hr = card.SetFrequency(p.Frequency, card.FmMode());
            if (FAILED(hr))
                return hr;
            if (p.Country != 0)
                card.SetCountry(static_cast<long>(p.Country));
            return S_OK;
        }
        case tunaro::kTunerPropInput:
            return S_OK; // one input
        default:
            return E_PROP_ID_UNSUPPORTED;
        }
    }
    STDMETHODIMP Get(REFGUID set, DWORD id, void* inst, DWORD instLen, void* data, DWORD dataLen,
                     DWORD* returned) override {
        if (set != tunaro::kPropSetTuner)
            return E_PROP_SET_UNSUPPORTED;
        Card& card = Card::Get();
        switch (id) {
        case tunaro::kTunerPropCaps: {
            // ModesSupported follows the header; the mediums after it stay as the caller left them.
            if (!data)
                return E_POINTER;
            if (dataLen < sizeof(tunaro::KsPropertyHeader) + 4)
                return E_UNEXPECTED;
            uint32_t modes = tunaro::kKsTunerModeTv | tunaro::kKsTunerModeFmRadio;
            memcpy(static_cast<BYTE*>(data) + sizeof(tunaro::KsPropertyHeader), &modes, 4);
            if (returned)
                *returned = sizeof(tunaro::KsPropertyHeader) + 4;
            return S_OK;
        }
        case tunaro::kTunerPropModeCaps: {
            tunaro::TunerModeCapsProperty p;
            if (!ReadKsInput(&p, inst, instLen, data, dataLen))
                return E_INVALIDARG;
            bool fm = p.Mode == tunaro::kKsTunerModeFmRadio;
            if (!fm && p.Mode != tunaro::kKsTunerModeTv)
                return E_INVALIDARG;
            uint32_t lo, hi;
            Card::Range(fm, &lo, &hi);
            p.StandardsSupported = fm ? 0 : static_cast<uint32_t>(DefaultStandardMask());
            p.MinFrequency = lo;
            p.MaxFrequency = hi;
            p.TuningGranularity = fm ? 50000 : 62500;
            p.NumberOfInputs = 1;
            p.SettlingTime = 100;
            p.Strategy = 1; // PLL
            return WriteKsOutput(p, data, dataLen, returned);
        }
        case tunaro::kTunerPropMode: {
            tunaro::TunerModeProperty p{};
            p.Mode = card.FmMode() ? tunaro::kKsTunerModeFmRadio : tunaro::kKsTunerModeTv;
            return WriteKsOutput(p, data, dataLen, returned);
        }
        case tunaro::kTunerPropFrequency: {
            tunaro::TunerFrequencyProperty p{};
            p.Frequency = card.Frequency();
            p.LastFrequency = p.Frequency;
            p.TuningFlags = 1; // exact
            p.Country = static_cast<uint32_t>(card.Country());
            return WriteKsOutput(p, data, dataLen, returned);
        }
        case tunaro::kTunerPropStatus: {
            tunaro::TunerStatusProperty p{};
            Reception r = card.CurrentReception();
            p.CurrentFrequency = card.Frequency();
            p.PLLOffset = r.pllOffset;
            p.SignalStrength = r.strength;
            p.Busy = 0;
            return WriteKsOutput(p, data, dataLen, returned);
        }
        default:
            return E_PROP_ID_UNSUPPORTED;
        }
    }
    STDMETHODIMP QuerySupported(REFGUID set, DWORD id, DWORD* support) override {
        if (set != tunaro::kPropSetTuner)
            return E_PROP_SET_UNSUPPORTED;
        DWORD s;
        switch (id) {
        case tunaro::kTunerPropCaps:
        case tunaro::kTunerPropModeCaps:
        case tunaro::kTunerPropStatus:
            s = KSPROPERTY_SUPPORT_GET;
            break;
        case tunaro::kTunerPropMode:
        case tunaro::kTunerPropFrequency:
            s = KSPROPERTY_SUPPORT_GET | KSPROPERTY_SUPPORT_SET;
            break;
        case tunaro::kTunerPropInput:
            s = KSPROPERTY_SUPPORT_SET;
            break;
        default:
            return E_PROP_ID_UNSUPPORTED;
        }
        if (support)
            *support = s;
        return S_OK;
    }

protected:
    HRESULT QueryOtherInterface(REFIID iid, void** out) override {
        if (iid == IID_IAMTVTuner || iid == IID_IAMTuner)
            *out = static_cast<IAMTVTuner*>(this);
        else if (iid == IID_IKsPropertySet)
            *out = static_cast<IKsPropertySet*>(this);
        else
            return BaseFilter::QueryOtherInterface(iid, out);
        AddRef();
        return S_OK;
    }

private:
    TunerInputType m_inputType = TunerInputCable;
};

} // namespace

HRESULT CreateTunerFilter(IUnknown** out) {
    if (!Card::Get().Info().tuner)
        return E_FAIL;
    auto* f = new (std::nothrow) TunerFilter();
    if (!f)
        return E_OUTOFMEMORY;
    *out = static_cast<IBaseFilter*>(f);
    return S_OK;
}

} // namespace simcard
