// The capture engine's front-end controls: tuning through the tuner's kernel property, the TV scan
// step, country and audio mode, crossbar inputs, the video standard and the picture controls.
#include "engine/CaptureEngine.h"

#include <cstring>

#include "ks_tuner.h"
#include "engine/dshow_util.h"

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

// ---- tuning
// ------------------------------------------------------------------------------------------------

void CaptureEngine::Tune(long frequency) {
    ComPtr<IKsPropertySet> ks = PropertySetOf(tunerFilter_.get());
    if (!ks)
        return;
    TunerFrequencyProperty p;
    GetFrequencyProperty(ks.get(), &p);
    p.Frequency = static_cast<uint32_t>(frequency);
    if (SUCCEEDED(SetFrequencyProperty(ks.get(), &p)))
        currentFrequency_ = frequency;
    if (kEngineBuild == EngineBuild::Tv)
        Sleep(kTuneWaitMs);
}

int CaptureEngine::SetFrequency(long frequency, int channelIndex) {
    if (!channels_ || channelIndex < 0 || channelIndex >= channels_->ChannelCount())
        return 0;
    Tune(frequency);
    channels_->SetChannelFrequency(channelIndex, frequency);
    return 1;
}

int CaptureEngine::SetCurrentChannel(int index) {
    if (!tunerFilter_ || !channels_ || index < 0 || index >= channels_->ChannelCount())
        return 0;
    Tune(channels_->ChannelFrequency(index));
    // The record's audio mode: 0 stereo, 1 mono.
    SetAudioMode(channels_->ChannelAudioMode(index) == 0 ? 1 : 0);
    return 1;
}

bool CaptureEngine::SignalLocked() {
    ComPtr<IKsPropertySet> ks = PropertySetOf(videoCapture_.get());
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

int CaptureEngine::AutoScanTune(int reset) {
    EngineShared& s = Shared();
    if (reset) {
        s.scanPosition = 0;
        return -1;
    }
    const int total = channels_ ? channels_->CountryFrequencyCount() : 0;
    if (!channels_ || s.scanPosition >= total) {
        // Past the end of the table (or nothing to walk): the scan is over.
        s.scanPosition = 0;
        return -1;
    }
    if (s.scanPosition == 0)
        channels_->ClearChannels();
    const long frequency = channels_->CountryFrequency(s.scanPosition);
    Tune(frequency);
    Sleep(kScanSettleMs);
    const bool locked = SignalLocked();
    const int position = s.scanPosition++;
    if (!locked)
        return 1;
    channels_->AppendChannel("New Channel", frequency, position);
    return 3;
}

int CaptureEngine::SetAudioMode(int stereo) {
    ComPtr<IKsPropertySet> ks = PropertySetOf(videoCapture_.get());
    if (!ks)
        return 0;
    uint8_t buffer[kVendorAudioModeBufferSize] = {};
    const uint32_t word = kVendorAudioModeMagic + (stereo ? 1 : 0);
    std::memcpy(buffer + kVendorAudioModeWord * 4, &word, sizeof word);
    const HRESULT hr = ks->Set(kPropSetVendorAudio, kVendorAudioModeProperty, buffer + 24,
                               static_cast<DWORD>(kVendorAudioModeBufferSize - 24), buffer,
                               static_cast<DWORD>(kVendorAudioModeBufferSize));
    return SUCCEEDED(hr) ? 1 : 0;
}

int CaptureEngine::GetFrequencyRange(long* maximum, long* minimum) {
    ComPtr<IKsPropertySet> ks = PropertySetOf(tunerFilter_.get());
    if (!ks)
        return 0;
    TunerModeCapsProperty p;
    std::memset(&p, 0, sizeof p);
    p.Mode = kKsTunerModeTv;
    DWORD returned = 0;
    if (FAILED(ks->Get(kPropSetTuner, kTunerPropModeCaps, &p.Property + 1, sizeof p - sizeof p.Property, &p,
                       sizeof p, &returned)))
        return 0;
    if (maximum)
        *maximum = static_cast<long>(p.MaxFrequency);
    if (minimum)
        *minimum = static_cast<long>(p.MinFrequency);
    return 1;
}

void CaptureEngine::ApplyCountry() {
    if (!countrySet_)
        return;
    const int card = Shared().cardType;
    if (kEngineBuild != EngineBuild::Tv)
        return;
    if (card == kCardSaa7134) {
        if (tvTuner_)
            tvTuner_->put_CountryCode(countryCode_);
    } else if (card == kCardUtv) {
        ComPtr<IKsPropertySet> ks = PropertySetOf(tunerFilter_.get());
        if (!ks)
            return;
        TunerFrequencyProperty p;
        if (FAILED(GetFrequencyProperty(ks.get(), &p)))
            return;
        const uint32_t current = p.Frequency;
        p.Country = static_cast<uint32_t>(FoldCountryCode(countryCode_));
        // A different frequency first, then the real one, so that the driver tunes again.
        p.Frequency = current + 1;
        SetFrequencyProperty(ks.get(), &p);
        p.Frequency = current;
        SetFrequencyProperty(ks.get(), &p);
    }
}

int CaptureEngine::SetCountry(long code) {
    countryCode_ = code;
    countrySet_ = true;
    const int card = Shared().cardType;
    if (card == kCardSaa7134 && !tvTuner_)
        return 0;
    if (card == kCardUtv && !tunerFilter_)
        return 0;
    ApplyCountry();
    return 1;
}

int CaptureEngine::SetTVMode(int fm) {
    if (!tvTuner_)
        return 0;
    const HRESULT hr = tvTuner_->put_Mode(fm ? AMTUNER_MODE_FM_RADIO : AMTUNER_MODE_TV);
    if (kEngineBuild == EngineBuild::Library) {
        Sleep(kTuneWaitMs);
        AMTunerModeType mode = AMTUNER_MODE_DEFAULT;
        if (FAILED(tvTuner_->get_Mode(&mode)))
            return -1;
        return mode == (fm ? AMTUNER_MODE_FM_RADIO : AMTUNER_MODE_TV) ? 0 : -1;
    }
    return SUCCEEDED(hr) ? 1 : 0;
}

// ---- inputs -------------------------------------------------------------------------------------------

int CaptureEngine::SetVideoSource(int index) {
    if (!router_)
        return E_POINTER;
    const HRESULT hr = router_->Route(index, true);
    if (hr == E_FAIL || hr == E_POINTER)
        return hr;
    if (Shared().cardType == kCardUtv)
        ApplyCountry();
    return index;
}

int CaptureEngine::AudioMute(int mute) {
    if (!router_ || !router_->HasCrossbar())
        return 0;
    return SUCCEEDED(router_->Route(router_->CurrentIndex(), mute == 0)) ? 1 : 0;
}

int CaptureEngine::GetSourceName(int index, char* buffer, int length) {
    if (!buffer || length <= 0)
        return 0;
    const char* name = router_ ? router_->Name(index) : nullptr;
    if (!name) {
        buffer[0] = '\0';
        return 0;
    }
    lstrcpynA(buffer, name, length);
    return 1;
}

bool CaptureEngine::IsTunerInput() {
    const char* name = router_ ? router_->Name(router_->CurrentIndex()) : nullptr;
    return name && std::strstr(name, "Tuner") != nullptr;
}

// ---- video standard -------------------------------------------------------------------------------------

int CaptureEngine::SetVideoFormat(long standard) {
    ComPtr<IAMAnalogVideoDecoder> decoder;
    if (!videoCapture_ ||
        FAILED(videoCapture_->QueryInterface(IID_IAMAnalogVideoDecoder, decoder.ReceiveVoid())))
        return 0;
    if (capturing_)
        return 0; // a recording runs at the standard it started with
    const bool rebuild = previewBuilt_;
    StopPreview();
    TearDownChain();
    const HRESULT hr = decoder->put_TVFormat(standard);
    if (rebuild)
        StartVideoPreview(previewMode_);
    return SUCCEEDED(hr) ? 1 : 0;
}

long CaptureEngine::GetVideoFormat() {
    ComPtr<IAMAnalogVideoDecoder> decoder;
    long standard = 0;
    if (videoCapture_ &&
        SUCCEEDED(videoCapture_->QueryInterface(IID_IAMAnalogVideoDecoder, decoder.ReceiveVoid())))
        decoder->get_TVFormat(&standard);
    return standard;
}

// ---- picture --------------------------------------------------------------------------------------------

int CaptureEngine::SetPicture(long property, long value) {
    ComPtr<IAMVideoProcAmp> amp;
    if (!videoCapture_ || FAILED(videoCapture_->QueryInterface(IID_IAMVideoProcAmp, amp.ReceiveVoid())))
        return 0;
    long device = value;
    if (kEngineBuild == EngineBuild::Tv) {
        long minimum = 0, maximum = 0, step = 0, defaultValue = 0, flags = 0;
        if (FAILED(amp->GetRange(property, &minimum, &maximum, &step, &defaultValue, &flags)))
            return 0;
        device = PictureToDevice(value, minimum, maximum);
    }
    return SUCCEEDED(amp->Set(property, device, VideoProcAmp_Flags_Manual)) ? 1 : 0;
}

int CaptureEngine::GetPicture(long property, long* value, long* maximum, long* minimum, long* defaultValue) {
    ComPtr<IAMVideoProcAmp> amp;
    if (!videoCapture_ || FAILED(videoCapture_->QueryInterface(IID_IAMVideoProcAmp, amp.ReceiveVoid())))
        return 0;
    long mn = 0, mx = 0, step = 0, df = 0, flags = 0, current = 0;
    if (FAILED(amp->GetRange(property, &mn, &mx, &step, &df, &flags)) ||
        FAILED(amp->Get(property, &current, &flags)))
        return 0;
    if (kEngineBuild == EngineBuild::Tv) {
        current = PictureFromDevice(current, mn, mx);
        df = PictureFromDevice(df, mn, mx);
        mx = 255;
        mn = 0;
    }
    if (value)
        *value = current;
    if (maximum)
        *maximum = mx;
    if (minimum)
        *minimum = mn;
    if (defaultValue)
        *defaultValue = df;
    return 1;
}

int CaptureEngine::SetColorEnable(int on) {
    if (Shared().cardType != kCardTenBit)
        return 0;
    ComPtr<IAMVideoProcAmp> amp;
    if (!videoCapture_ || FAILED(videoCapture_->QueryInterface(IID_IAMVideoProcAmp, amp.ReceiveVoid())))
        return 0;
    return SUCCEEDED(amp->Set(VideoProcAmp_ColorEnable, on, VideoProcAmp_Flags_Manual)) ? 1 : 0;
}

} // namespace tunaro
