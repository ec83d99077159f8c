// The capture library bound by ordinal, and the FM program's device start.
#include "fm/app/capture_library.h"

#include "framework/debug_print.h"

namespace tunaro::fm {

CaptureLibrary::~CaptureLibrary() {
    if (m_module)
        FreeLibrary(m_module);
}

template <class F> bool CaptureLibrary::Bind(F& fn, int ordinal) {
    FARPROC proc = GetProcAddress(m_module, MAKEINTRESOURCEA(ordinal));
    fn = reinterpret_cast<F>(reinterpret_cast<void*>(proc));
    if (!proc)
        TUNARO_TRACE("Tunaro FM: the capture library has no export %d", ordinal);
    return proc != nullptr;
}

bool CaptureLibrary::Load(const char* module) {
    if (m_module)
        return true;
    m_module = LoadLibraryA(module);
    if (!m_module) {
        TUNARO_TRACE("Tunaro FM: %s cannot be loaded (%lu)", module, GetLastError());
        return false;
    }
    bool ok = true;
    ok &= Bind(m_coInitialize, 1);
    ok &= Bind(m_coUninitialize, 2);
    ok &= Bind(m_enumVideoDevice, 3);
    ok &= Bind(m_selectVideoDevice, 4);
    ok &= Bind(m_setCurrentChannel, 27);
    ok &= Bind(m_setChannelName, 28);
    ok &= Bind(m_getChannelName, 29);
    ok &= Bind(m_deleteChannel, 30);
    ok &= Bind(m_getChannelNumber, 31);
    ok &= Bind(m_getFrequency, 32);
    ok &= Bind(m_setFrequency, 33);
    ok &= Bind(m_setChannelNumber, 34);
    ok &= Bind(m_getChannelListSize, 35);
    ok &= Bind(m_stopDevice, 36);
    ok &= Bind(m_startCapureMp3, 37);
    ok &= Bind(m_stopCapureMp3, 38);
    ok &= Bind(m_selectAudioDevice, 39);
    ok &= Bind(m_enumAudioDevice, 40);
    ok &= Bind(m_startDevice, 41);
    ok &= Bind(m_audioMute, 43);
    ok &= Bind(m_setTvMode, 44);
    ok &= Bind(m_fmScanTuner, 45);
    ok &= Bind(m_addChannel, 46);
    ok &= Bind(m_stopCaptureAudioWma, 47);
    ok &= Bind(m_startCaptureAudioWma, 48);
    if (!ok) {
        FreeLibrary(m_module);
        m_module = nullptr;
    }
    return ok;
}

int CaptureLibrary::CoInitialize() {
    return m_coInitialize();
}
int CaptureLibrary::CoUninitialize() {
    return m_coUninitialize();
}

std::vector<std::string> CaptureLibrary::Enumerate(EnumFn fn) {
    // One block of buffers, zeroed, so a name the library leaves short still ends.
    std::vector<char> buffers(static_cast<std::size_t>(kDeviceNameBuffers) * kDeviceNameChars, '\0');
    int count = 0;
    std::vector<std::string> names;
    if (!fn(&count, buffers.data()))
        return names;
    if (count > kDeviceNameBuffers)
        count = kDeviceNameBuffers;
    for (int i = 0; i < count; ++i) {
        const char* name = buffers.data() + static_cast<std::size_t>(i) * kDeviceNameChars;
        names.emplace_back(name, strnlen(name, kDeviceNameChars));
    }
    return names;
}

std::vector<std::string> CaptureLibrary::VideoDevices() {
    return Enumerate(m_enumVideoDevice);
}
std::vector<std::string> CaptureLibrary::AudioDevices() {
    return Enumerate(m_enumAudioDevice);
}
int CaptureLibrary::SelectVideoDevice(const char* name) {
    return m_selectVideoDevice(name);
}
int CaptureLibrary::SetCurrentChannel(int index) {
    return m_setCurrentChannel(index);
}
int CaptureLibrary::SetChannelName(int index, const char* name) {
    return m_setChannelName(index, name);
}

std::string CaptureLibrary::GetChannelName(int index) {
    const char* name = m_getChannelName(index);
    return name ? std::string(name) : std::string();
}

int CaptureLibrary::DeleteChannel(int index) {
    return m_deleteChannel(index);
}
int CaptureLibrary::GetChannelNumber(int index) {
    return m_getChannelNumber(index);
}
long CaptureLibrary::GetFrequency(int index) {
    return m_getFrequency(index);
}
int CaptureLibrary::SetFrequency(int index, long hertz) {
    return m_setFrequency(index, hertz);
}
int CaptureLibrary::SetChannelNumber(int index, int number) {
    return m_setChannelNumber(index, number);
}
int CaptureLibrary::GetChannelListSize() {
    return m_getChannelListSize();
}
int CaptureLibrary::StopDevice() {
    return m_stopDevice();
}
int CaptureLibrary::StartCapureMP3(const char* path) {
    return m_startCapureMp3(path);
}
int CaptureLibrary::StopCapureMP3() {
    return m_stopCapureMp3();
}
int CaptureLibrary::SelectAudioDevice(const char* name) {
    return m_selectAudioDevice(name);
}
int CaptureLibrary::StartDevice() {
    return m_startDevice();
}
int CaptureLibrary::AudioMute(int mute) {
    return m_audioMute(mute);
}
int CaptureLibrary::SetTVMode(int mode) {
    return m_setTvMode(mode);
}

CaptureLibrary::ScanStep CaptureLibrary::FMScanTuner(int mode, int abort) {
    ScanStep step;
    int ignored = 0;
    m_fmScanTuner(mode, abort, &step.done, &step.found, &ignored, &step.frequency, &step.progress);
    return step;
}

int CaptureLibrary::AddChannel(const char* name, long hertz) {
    return m_addChannel(name, hertz);
}
int CaptureLibrary::StopCaptureAudioWMA() {
    return m_stopCaptureAudioWma();
}
int CaptureLibrary::StartCaptureAudioWMA(const char* path) {
    return m_startCaptureAudioWma(path);
}

DeviceStart StartFmDevice(CaptureLibrary& library) {
    if (!library.Load())
        return DeviceStart::NoCard;
    library.CoInitialize();
    // Both lists are read as the library expects before a device is chosen.
    library.VideoDevices();
    const std::vector<std::string> audio = library.AudioDevices();
    const std::string firstAudio = audio.empty() ? std::string() : audio.front();
    // The library picks the device whose name holds the part given.
    library.SelectVideoDevice("Ph7134");
    library.SelectAudioDevice(firstAudio.c_str());
    if (library.StartDevice() == -1) {
        library.SelectVideoDevice("Lumen Grabber K3");
        if (library.StartDevice() == -1)
            return DeviceStart::NoCard;
    }
    if (library.SetTVMode(1) != 0)
        return DeviceStart::FmModeRefused;
    return DeviceStart::Started;
}

} // namespace tunaro::fm
