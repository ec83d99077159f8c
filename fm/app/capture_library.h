// The capture library as the FM program uses it: zentaviq_Capture.dll loaded at run time and
// its exports bound by ordinal, with the device start and stop the FM window needs.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tunaro::fm {

// The library's module name.
constexpr const char* kCaptureLibraryName = "zentaviq_Capture.dll";
// Name buffers handed to the device enumerations: 260 characters each, as many as the
// library may fill.
constexpr int kDeviceNameChars = 260;
constexpr int kDeviceNameBuffers = 10;

class CaptureLibrary {
public:
    CaptureLibrary() = default;
    ~CaptureLibrary();
    CaptureLibrary(const CaptureLibrary&) = delete;
    CaptureLibrary& operator=(const CaptureLibrary&) = delete;

    // Loads the library and binds every export the program calls; false (and nothing bound)
    // when the file or one of the ordinals is missing.
    bool Load(const char* module = kCaptureLibraryName);
    bool Loaded() const { return m_module != nullptr; }

    // The exports (ordinal in the comment); call only while Loaded().
    int CoInitialize();                              // 1
    int CoUninitialize();                            // 2
    std::vector<std::string> VideoDevices();         // 3
    int SelectVideoDevice(const char* name);         // 4
    int SetCurrentChannel(int index);                // 27
    int SetChannelName(int index, const char* name); // 28
    std::string GetChannelName(int index);           // 29
    int DeleteChannel(int index);                    // 30
    int GetChannelNumber(int index);                 // 31
    long GetFrequency(int index);                    // 32
    int SetFrequency(int index, long hertz);         // 33
    int SetChannelNumber(int index, int number);     // 34
    int GetChannelListSize();                        // 35
    int StopDevice();                                // 36
    int StartCapureMP3(const char* path);            // 37
    int StopCapureMP3();                             // 38
    int SelectAudioDevice(const char* name);         // 39
    std::vector<std::string> AudioDevices();         // 40
    int StartDevice();                               // 41
    int AudioMute(int mute);                         // 43
    int SetTVMode(int mode);                         // 44
    struct ScanStep {
        int done = 0;
        int found = 0;
        long frequency = 0;
        int progress = 0;
    };
    ScanStep FMScanTuner(int mode, int abort);    // 45
    int AddChannel(const char* name, long hertz); // 46
    int StopCaptureAudioWMA();                    // 47
    int StartCaptureAudioWMA(const char* path);   // 48

private:
    using IntFn = int(WINAPI*)();
    using IntIntFn = int(WINAPI*)(int);
    using IntTextFn = int(WINAPI*)(const char*);
    using EnumFn = int(WINAPI*)(int*, char*);
    using IntIntTextFn = int(WINAPI*)(int, const char*);
    using TextIntFn = const char*(WINAPI*)(int);
    using LongIntFn = long(WINAPI*)(int);
    using IntIntLongFn = int(WINAPI*)(int, long);
    using IntIntIntFn = int(WINAPI*)(int, int);
    using ScanFn = int(WINAPI*)(int, int, int*, int*, int*, long*, int*);
    using AddFn = int(WINAPI*)(const char*, long);

    template <class F> bool Bind(F& fn, int ordinal);
    std::vector<std::string> Enumerate(EnumFn fn);

    HMODULE m_module = nullptr;
    IntFn m_coInitialize = nullptr;
    IntFn m_coUninitialize = nullptr;
    EnumFn m_enumVideoDevice = nullptr;
    IntTextFn m_selectVideoDevice = nullptr;
    IntIntFn m_setCurrentChannel = nullptr;
    IntIntTextFn m_setChannelName = nullptr;
    TextIntFn m_getChannelName = nullptr;
    IntIntFn m_deleteChannel = nullptr;
    IntIntFn m_getChannelNumber = nullptr;
    LongIntFn m_getFrequency = nullptr;
    IntIntLongFn m_setFrequency = nullptr;
    IntIntIntFn m_setChannelNumber = nullptr;
    IntFn m_getChannelListSize = nullptr;
    IntFn m_stopDevice = nullptr;
    IntTextFn m_startCapureMp3 = nullptr;
    IntFn m_stopCapureMp3 = nullptr;
    IntTextFn m_selectAudioDevice = nullptr;
    EnumFn m_enumAudioDevice = nullptr;
    IntFn m_startDevice = nullptr;
    IntIntFn m_audioMute = nullptr;
    IntIntFn m_setTvMode = nullptr;
    ScanFn m_fmScanTuner = nullptr;
    AddFn m_addChannel = nullptr;
    IntFn m_stopCaptureAudioWma = nullptr;
    IntTextFn m_startCaptureAudioWma = nullptr;
};

// What starting the device came to.
enum class DeviceStart { Started, NoCard, FmModeRefused };

// The FM program's device start: COM, both device lists, the video device "Ph7134" (then
// "Lumen Grabber K3") with the first audio device, the device, and FM mode.
DeviceStart StartFmDevice(CaptureLibrary& library);

} // namespace tunaro::fm
