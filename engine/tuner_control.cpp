// Tuning through the tuner's kernel property set, the TV scan step, country and audio mode.
#include "engine/tuner_control.h"

#include <cstring>

#include "engine/capture_graph.h"
#include "engine/engine_build.h"
#include "engine/video_rules.h"
#include "platform/include/ks_tuner.h"

namespace tunaro {

namespace {

constexpr DWORD kTuneWaitMs = 150;
constexpr DWORD kScanSettleMs = 400;

ComPtr<IKsPropertySet> PropertySetOf(IBaseFilter* filter) {
    ComPtr<IKsPropertySet> ks;
    if (filter)
        filter->QueryInterface(IID_IKsPropertySet, ks.ReceiveVoid());
    return ks;
}

// Reads the tuner frequency property into *p (zeroed first).
HRESULT GetFrequencyProperty(IKsPropertySet* ks, TunerFrequencyProperty* p) {
    std::memset(p, 0, sizeof *p);
    DWORD returned = 0;
    return ks->Get(kPropSetTuner, kTunerPropFrequency, &p->Property + 1, sizeof *p - sizeof p->Property, p,
                   sizeof *p, &returned);
}

HRESULT SetFrequencyProperty(IKsPropertySet* ks, TunerFrequencyProperty* p) {
    return ks->Set(kPropSetTuner, kTunerPropFrequency, &p->Property + 1, sizeof *p - sizeof p->Property, p,
                   sizeof *p);
}

} // namespace

void TunerControl::Tune(long frequency) {
    ComPtr<IKsPropertySet> ks = PropertySetOf(m_graph.Tuner());
    if (!ks)
        return;
    TunerFrequencyProperty p;
    GetFrequencyProperty(ks.get(), &p);
    p.Frequency = static_cast<uint32_t>(frequency);
    if (SUCCEEDED(SetFrequencyProperty(ks.get(), &p)))
        m_currentFrequency = frequency;
    if (kEngineBuild == EngineBuild::Tv)
        Sleep(kTuneWaitMs);
}

EngineResult TunerControl::SetFrequency(long frequency, int channelIndex) {
    if (!m_channels || channelIndex < 0 || channelIndex >= m_channels->ChannelCount())
        return kEngineFailed;
    Tune(frequency);
    m_channels->SetChannelFrequency(channelIndex, frequency);
    return kEngineOk;
}

EngineResult TunerControl::SetCurrentChannel(int index) {
    if (!m_graph.Tuner() || !m_channels || index < 0 || index >= m_channels->ChannelCount())
        return kEngineFailed;
    Tune(m_channels->ChannelFrequency(index));
    // The record's audio mode: 0 stereo, 1 mono.
    SetAudioMode(m_channels->ChannelAudioMode(index) == 0 ? 1 : 0);
    return kEngineOk;
}

bool TunerControl::SignalLocked() {
    ComPtr<IKsPropertySet> ks = PropertySetOf(m_graph.VideoCapture());
    if (!ks)
        return false;
    VideoDecoderStatusProperty p;
    std::memset(&p, 0, sizeof p);
    DWORD returned = 0;
    if (FAILED(ks->Get(kPropSetVideoDecoder, kDecoderPropStatus, &p.Property + 1,
                       sizeof p - sizeof p.Property, &p, sizeof p, &returned)))
        return false;
    return p.SignalLocked != 0;
}

int TunerControl::AutoScanTune(int reset) {
    int& position = m_scanPosition;
    if (reset) {
        position = 0;
        return -1;
    }
    const int total = m_channels ? m_channels->CountryFrequencyCount() : 0;
    if (!m_channels || position >= total) {
        // Past the end of the table (or nothing to walk): the scan is over.
        position = 0;
        return -1;
    }
    if (position == 0)
        m_channels->ClearChannels();
    const long frequency = m_channels->CountryFrequency(position);
    Tune(frequency);
    Sleep(kScanSettleMs);
    const bool locked = SignalLocked();
    const int tuned = position++;
    if (!locked)
        return 1;
    m_channels->AppendChannel("New Channel", frequency, tuned);
    return 3;
}

EngineResult TunerControl::SetAudioMode(int stereo) {
    ComPtr<IKsPropertySet> ks = PropertySetOf(m_graph.VideoCapture());
    if (!ks)
        return kEngineFailed;
    uint8_t buffer[kVendorAudioModeBufferSize] = {};
    const uint32_t word = kVendorAudioModeMagic + (stereo ? 1 : 0);
    std::memcpy(buffer + kVendorAudioModeWord * 4, &word, sizeof word);
    const HRESULT hr = ks->Set(kPropSetVendorAudio, kVendorAudioModeProperty, buffer + 24,
                               static_cast<DWORD>(kVendorAudioModeBufferSize - 24), buffer,
                               static_cast<DWORD>(kVendorAudioModeBufferSize));
    return EngineResultOf(SUCCEEDED(hr));
}

EngineResult TunerControl::GetFrequencyRange(long* maximum, long* minimum) {
    ComPtr<IKsPropertySet> ks = PropertySetOf(m_graph.Tuner());
    if (!ks)
        return kEngineFailed;
    TunerModeCapsProperty p;
    std::memset(&p, 0, sizeof p);
    p.Mode = kKsTunerModeTv;
    DWORD returned = 0;
    if (FAILED(ks->Get(kPropSetTuner, kTunerPropModeCaps, &p.Property + 1, sizeof p - sizeof p.Property, &p,
                       sizeof p, &returned)))
        return kEngineFailed;
    if (maximum)
        *maximum = static_cast<long>(p.MaxFrequency);
    if (minimum)
        *minimum = static_cast<long>(p.MinFrequency);
    return kEngineOk;
}

void TunerControl::ApplyCountry() {
    if (!m_countrySet || kEngineBuild != EngineBuild::Tv)
        return;
    const int card = m_graph.CardType();
    if (card == kCardSaa7134) {
        if (m_graph.TvTuner())
            m_graph.TvTuner()->put_CountryCode(m_countryCode);
    } else if (card == kCardUtv) {
        ComPtr<IKsPropertySet> ks = PropertySetOf(m_graph.Tuner());
        if (!ks)
            return;
        TunerFrequencyProperty p;
        if (FAILED(GetFrequencyProperty(ks.get(), &p)))
            return;
        const uint32_t current = p.Frequency;
        p.Country = static_cast<uint32_t>(FoldCountryCode(m_countryCode));
        // A different frequency first, then the real one, so that the driver tunes again.
        p.Frequency = current + 1;
        SetFrequencyProperty(ks.get(), &p);
        p.Frequency = current;
        SetFrequencyProperty(ks.get(), &p);
    }
}

void TunerControl::ApplyCountryBeforeRun() {
    if (m_graph.CardType() == kCardUtv && kEngineBuild == EngineBuild::Tv && m_channels &&
        m_channels->CountryFrequencyCount() > 0)
        ApplyCountry();
}

EngineResult TunerControl::SetCountry(long code) {
    m_countryCode = code;
    m_countrySet = true;
    const int card = m_graph.CardType();
    if (card == kCardSaa7134 && !m_graph.TvTuner())
        return kEngineFailed;
    if (card == kCardUtv && !m_graph.Tuner())
        return kEngineFailed;
    ApplyCountry();
    return kEngineOk;
}

int TunerControl::SetTVMode(int fm) {
    IAMTVTuner* tuner = m_graph.TvTuner();
    if (!tuner)
        return 0;
    const HRESULT hr = tuner->put_Mode(fm ? AMTUNER_MODE_FM_RADIO : AMTUNER_MODE_TV);
    if (kEngineBuild == EngineBuild::Library) {
        Sleep(kTuneWaitMs);
        AMTunerModeType mode = AMTUNER_MODE_DEFAULT;
        if (FAILED(tuner->get_Mode(&mode)))
            return -1;
        return mode == (fm ? AMTUNER_MODE_FM_RADIO : AMTUNER_MODE_TV) ? 0 : -1;
    }
    return SUCCEEDED(hr) ? 1 : 0;
}

} // namespace tunaro
