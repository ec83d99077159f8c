// The setup pages' engine operations over the program's capture engine.
#include "engine/CaptureEngine.h"
#include "tv/dialogs/setup_host.h"

namespace tunaro {

int CaptureSetupEngine::SetCurrentChannel(int index) {
    return m_engine.SetCurrentChannel(index);
}

int CaptureSetupEngine::SetFrequency(long frequency, int index) {
    return m_engine.SetFrequency(frequency, index);
}

int CaptureSetupEngine::AutoScanTune(int reset) {
    return m_engine.AutoScanTune(reset);
}

int CaptureSetupEngine::SetCountry(long code) {
    return m_engine.SetCountry(code);
}

int CaptureSetupEngine::SetAudioMode(int stereo) {
    return m_engine.SetAudioMode(stereo);
}

bool CaptureSetupEngine::IsTunerInput() {
    return m_engine.IsTunerInput();
}

int CaptureSetupEngine::GetFrequencyRange(long* maximum, long* minimum) {
    return m_engine.GetFrequencyRange(maximum, minimum);
}

int CaptureSetupEngine::GetPicture(PictureProperty control, long* value, long* maximum, long* minimum,
                                   long* defaultValue) {
    switch (control) {
    case PictureProperty::Brightness:
        return m_engine.GetBrightNess(value, maximum, minimum, defaultValue);
    case PictureProperty::Contrast:
        return m_engine.GetContrast(value, maximum, minimum, defaultValue);
    case PictureProperty::Hue:
        return m_engine.GetHue(value, maximum, minimum, defaultValue);
    case PictureProperty::Saturation:
        return m_engine.GetSaturation(value, maximum, minimum, defaultValue);
    case PictureProperty::Sharpness:
        return m_engine.GetSharepNess(value, maximum, minimum, defaultValue);
    }
    return 0;
}

int CaptureSetupEngine::SetPicture(PictureProperty control, long value) {
    switch (control) {
    case PictureProperty::Brightness:
        return m_engine.SetBrightNess(value);
    case PictureProperty::Contrast:
        return m_engine.SetContrast(value);
    case PictureProperty::Hue:
        return m_engine.SetHue(value);
    case PictureProperty::Saturation:
        return m_engine.SetSaturation(value);
    case PictureProperty::Sharpness:
        return m_engine.SetSharpNess(value);
    }
    return 0;
}

} // namespace tunaro
