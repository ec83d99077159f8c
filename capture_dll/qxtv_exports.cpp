// The capture library's exports over one library-build CaptureEngine. The engine object is made
// by QXTV_CoInitialize, the device started by QXTV_StartDevice and everything released by
// QXTV_StopDevice; an export called out of that order, or with a buffer it cannot use, returns its
// failure value and touches nothing.
// The engine's header first: it orders the standard and DirectShow headers it needs.
#include "engine/CaptureEngine.h"

#include <cstring>

#include "capture_dll/qxtv_exports.h"
#include "engine/engine_report.h"
#include "framework/debug_print.h"

namespace {

using tunaro::CaptureEngine;
using tunaro::kQxtvDeviceSlots;
using tunaro::kQxtvImageBufferSize;
using tunaro::kQxtvNameBufferSize;
using tunaro::kQxtvPathMax;
using tunaro::kQxtvStationNameMax;

// Failure values of the exports whose success is 0 (the others fail with 0).
constexpr int kFailed = -1;

// A plain pointer: an engine its caller never stopped is left as it is when the library unloads,
// rather than torn down (COM calls) under the loader's lock.
CaptureEngine* g_engine = nullptr;
bool g_started = false;
// COM initialisations of this library still to be undone.
int g_comInits = 0;
// The window the caller gave QXTV_StartVideoPreview for the video window's mouse and keys; every
// graph rebuilt afterwards (recordings, their stops, the preview again) hands them there too.
HWND g_drain = nullptr;

// The engine once the device runs; null before QXTV_StartDevice and after QXTV_StopDevice.
CaptureEngine* Device() {
    return g_started ? g_engine : nullptr;
}

// A text of fewer than limit characters (terminator not counted), not null.
bool TextFits(const char* text, size_t limit) {
    return text && ::strnlen(text, limit) < limit;
}

bool PathFits(const char* path) {
    return TextFits(path, kQxtvPathMax) && *path;
}

// While an audio recording runs, the graph belongs to it.
bool RecordingAudio(CaptureEngine* engine) {
    return engine->Fm().RecordingAudio();
}

using PictureSet = tunaro::EngineResult (CaptureEngine::*)(long);
using PictureGet = tunaro::EngineResult (CaptureEngine::*)(long*, long*, long*, long*);

int SetPicture(PictureSet set, long value) {
    CaptureEngine* e = Device();
    return e ? (e->*set)(value) : 0;
}

int GetPicture(PictureGet get, long* value, long* maximum, long* minimum, long* defaultValue) {
    CaptureEngine* e = Device();
    if (!e || !value || !maximum || !minimum || !defaultValue)
        return 0;
    return (e->*get)(value, maximum, minimum, defaultValue);
}

// The names go to the caller's block of name buffers (see qxtv_exports.h).
int Enumerate(bool video, int* count, char* names) {
    if (!g_engine || !count || !names)
        return 0;
    char* slots[kQxtvDeviceSlots];
    for (int i = 0; i < kQxtvDeviceSlots; ++i)
        slots[i] = names + i * kQxtvNameBufferSize;
    return video ? g_engine->EnumVideoDevice(count, slots) : g_engine->EnumAudioDevice(count, slots);
}

// Looking for the card answers "none" with -1 alone: what the engine would show on the way (an
// empty video device category, say) goes to the debug viewer instead, while the object lives.
class QuietIdentification : public tunaro::EngineReporter {
public:
    QuietIdentification() : m_previous(tunaro::SetEngineReporter(this)) {}
    ~QuietIdentification() override { tunaro::SetEngineReporter(m_previous); }
    QuietIdentification(const QuietIdentification&) = delete;
    QuietIdentification& operator=(const QuietIdentification&) = delete;

    void Report(tunaro::ReportKind, const std::string& text) override {
        TUNARO_TRACE("zentaviq_Capture: %s (not shown: no card is answered by the result)", text.c_str());
    }

private:
    tunaro::EngineReporter* m_previous;
};

// After a graph was rebuilt: the remembered input routed again and the caller's message drain
// given back (a rebuild hands the video window's messages to the owner).
void RestoreDrain(CaptureEngine* e) {
    if (g_drain && IsWindow(g_drain))
        e->SetMessageDrain(g_drain);
}

void RestoreRoutingAndDrain(CaptureEngine* e) {
    e->Fm().RouteInput(e->Fm().RoutedInput());
    RestoreDrain(e);
}

int StopVideoCapture() {
    CaptureEngine* e = Device();
    if (!e || !e->Capturing())
        return kFailed;
    e->StopCapture();
    RestoreRoutingAndDrain(e);
    return 0;
}

} // namespace

// ---- start and stop ------------------------------------------------------------------------------

QXTV_API int WINAPI QXTV_CoInitialize() {
    const HRESULT hr = CoInitialize(nullptr);
    if (SUCCEEDED(hr))
        ++g_comInits;
    if (!g_engine)
        g_engine = new CaptureEngine();
    return hr == S_OK ? 1 : 0;
}

QXTV_API int WINAPI QXTV_CoUninitialize() {
    if (g_comInits > 0) {
        --g_comInits;
        CoUninitialize();
    }
    return 0;
}

QXTV_API int WINAPI QXTV_StartDevice() {
    if (!g_engine)
        return kFailed;
    if (g_started)
        return 1;
    CaptureEngine& e = *g_engine;
    e.Fm().SetFileDirectory(std::string());
    int devices = 0;
    {
        QuietIdentification quiet;
        devices = e.Initialize(nullptr, 0);
    }
    if (devices == tunaro::kEngineNoCard || e.Selection().audio < 0 || !e.InitCaptureGraph()) {
        e.Shutdown();
        return kFailed;
    }
    e.Fm().BuildListeningGraph();
    e.Fm().RouteInput(0);
    e.Fm().LoadLists();
    g_started = true;
    return 1;
}

QXTV_API int WINAPI QXTV_StopDevice() {
    CaptureEngine* e = Device();
    if (!e)
        return kFailed;
    e->Shutdown();
    e->Fm().SaveStations();
    g_started = false;
    g_drain = nullptr;
    // The device's engine goes with it, settings and all; a fresh one stays for the next
    // QXTV_StartDevice (a caller changing cards starts again without a new QXTV_CoInitialize).
    // The selected devices, and the card identified with them, stay selected: the new engine
    // takes them over.
    const tunaro::DeviceSelection kept = e->Selection();
    delete g_engine;
    g_engine = new CaptureEngine();
    g_engine->RestoreSelection(kept);
    return 0;
}

QXTV_API int WINAPI QXTV_DeviceUTVMute2820() {
    // A call of its own for a program that only wants the UTV2820 card silent. A running device
    // is muted as it runs; otherwise an engine of the call's own does it, starting from the
    // library's selections, which it leaves as they were.
    if (CaptureEngine* running = Device()) {
        running->Fm().AudioMute(1);
        return 1;
    }
    const HRESULT hr = CoInitialize(nullptr);
    {
        CaptureEngine engine;
        if (g_engine)
            engine.RestoreSelection(g_engine->Selection());
        engine.SelectVideoDevice("UTV2820");
        int devices = 0;
        {
            QuietIdentification quiet;
            devices = engine.Initialize(nullptr, 0);
        }
        if (devices != tunaro::kEngineNoCard && engine.InitCaptureGraph())
            engine.Fm().AudioMute(1);
        engine.Shutdown();
    }
    if (SUCCEEDED(hr))
        CoUninitialize();
    return 1;
}

// ---- devices -------------------------------------------------------------------------------------

QXTV_API int WINAPI QXTV_EnumVideoDevice(int* count, char* names) {
    return Enumerate(true, count, names);
}

QXTV_API int WINAPI QXTV_EnumAudioDevice(int* count, char* names) {
    return Enumerate(false, count, names);
}

QXTV_API int WINAPI QXTV_SelectVideoDevice(const char* name) {
    if (!g_engine || g_started || !TextFits(name, kQxtvNameBufferSize))
        return 0;
    return g_engine->SelectVideoDevice(name);
}

QXTV_API int WINAPI QXTV_SelectAudioDevice(const char* name) {
    if (!g_engine || g_started || !TextFits(name, kQxtvNameBufferSize))
        return 0;
    return g_engine->SelectAudioDevice(name);
}

// ---- preview and picture ----------------------------------------------------------------------------

QXTV_API int WINAPI QXTV_StartVideoPreview(HWND owner, HWND drain) {
    CaptureEngine* e = Device();
    if (!e || !IsWindow(owner) || (drain && !IsWindow(drain)) || RecordingAudio(e))
        return 0;
    e->SetOwner(owner);
    g_drain = drain;
    const bool ok = e->StartVideoPreview(0) == tunaro::kEngineOk;
    // The build handed the video window's messages to the owner; the caller's drain takes them.
    RestoreDrain(e);
    return ok ? 1 : 0;
}

QXTV_API int WINAPI QXTV_SetPreviewMode(int /*mode*/) {
    CaptureEngine* e = Device();
    if (!e || RecordingAudio(e) || !e->Graph().Owner())
        return kFailed;
    const bool ok = e->StartVideoPreview(0) == tunaro::kEngineOk;
    RestoreDrain(e);
    return ok ? 0 : kFailed;
}

QXTV_API int WINAPI QXTV_SetVideoSource(int index) {
    CaptureEngine* e = Device();
    return e && e->Fm().RouteInput(index) ? 1 : 0;
}

QXTV_API int WINAPI QXTV_SetVideoFormat(long standard) {
    CaptureEngine* e = Device();
    // 1 is what the export answers when the standard cannot be set.
    if (!e || RecordingAudio(e))
        return 1;
    const bool ok = e->SetVideoFormat(standard) == tunaro::kEngineOk;
    RestoreDrain(e); // the preview was rebuilt
    return ok ? 0 : 1;
}

QXTV_API int WINAPI QXTV_GetVideoFormat(long* standard) {
    CaptureEngine* e = Device();
    if (!e || !standard)
        return 0;
    const long value = e->GetVideoFormat();
    if (value == 0)
        return 0;
    *standard = value;
    return 1;
}

QXTV_API int WINAPI QXTV_SetVideoWindowsPos(long left, long top, long width, long height) {
    CaptureEngine* e = Device();
    return e ? e->SetVideoWindowsPos(left, top, width, height) : 0;
}

QXTV_API int WINAPI QXTV_SaveBmpFile(const char* path) {
    CaptureEngine* e = Device();
    if (!e || !PathFits(path))
        return kFailed;
    return e->SaveBmpFile(path) ? 0 : kFailed;
}

QXTV_API long WINAPI QXTV_CopyImageMem(BYTE* buffer) {
    CaptureEngine* e = Device();
    if (!e || !buffer)
        return kFailed;
    // The caller's buffer is the size callers of the library give it; a larger image is not copied.
    if (e->ImageMemSize() > kQxtvImageBufferSize)
        return kFailed;
    return e->CopyImageMem(buffer, static_cast<size_t>(kQxtvImageBufferSize));
}

QXTV_API int WINAPI QXTV_SetBrightNess(long value) {
    return SetPicture(&CaptureEngine::SetBrightNess, value);
}
QXTV_API int WINAPI QXTV_GetBrightNess(long* value, long* maximum, long* minimum, long* defaultValue) {
    return GetPicture(&CaptureEngine::GetBrightNess, value, maximum, minimum, defaultValue);
}
QXTV_API int WINAPI QXTV_SetHue(long value) {
    return SetPicture(&CaptureEngine::SetHue, value);
}
QXTV_API int WINAPI QXTV_GetHue(long* value, long* maximum, long* minimum, long* defaultValue) {
    return GetPicture(&CaptureEngine::GetHue, value, maximum, minimum, defaultValue);
}
QXTV_API int WINAPI QXTV_SetSharpNess(long value) {
    return SetPicture(&CaptureEngine::SetSharpNess, value);
}
QXTV_API int WINAPI QXTV_GetSharepNess(long* value, long* maximum, long* minimum, long* defaultValue) {
    return GetPicture(&CaptureEngine::GetSharepNess, value, maximum, minimum, defaultValue);
}
QXTV_API int WINAPI QXTV_SetSaturation(long value) {
    return SetPicture(&CaptureEngine::SetSaturation, value);
}
QXTV_API int WINAPI QXTV_GetSaturation(long* value, long* maximum, long* minimum, long* defaultValue) {
    return GetPicture(&CaptureEngine::GetSaturation, value, maximum, minimum, defaultValue);
}
QXTV_API int WINAPI QXTV_SetContrast(long value) {
    return SetPicture(&CaptureEngine::SetContrast, value);
}
QXTV_API int WINAPI QXTV_GetContrast(long* value, long* maximum, long* minimum, long* defaultValue) {
    return GetPicture(&CaptureEngine::GetContrast, value, maximum, minimum, defaultValue);
}

// ---- video recordings ----------------------------------------------------------------------------

QXTV_API int WINAPI QXTV_StartCaptureMPG4(const char* file) {
    CaptureEngine* e = Device();
    if (!e || !PathFits(file) || RecordingAudio(e))
        return 0;
    const int result = e->StartCaptureMPG4(file, 1, 352, 288);
    if (result == tunaro::kEngineOk)
        RestoreRoutingAndDrain(e);
    return result;
}

QXTV_API int WINAPI QXTV_StartCaptureAVI(const char* file) {
    CaptureEngine* e = Device();
    if (!e || !PathFits(file) || RecordingAudio(e))
        return 0;
    const int result = e->StartCaptureAVI(file, 1, 352, 288);
    if (result == tunaro::kEngineOk)
        RestoreRoutingAndDrain(e);
    return result;
}

QXTV_API int WINAPI QXTV_StopCaptureMPG4() {
    return StopVideoCapture();
}

QXTV_API int WINAPI QXTV_StopCaptureAVI() {
    return StopVideoCapture();
}

// ---- audio recordings ----------------------------------------------------------------------------

QXTV_API int WINAPI QXTV_StartCapureMP3(const char* file) {
    CaptureEngine* e = Device();
    if (!e || !PathFits(file) || e->Capturing())
        return kFailed;
    return e->Fm().StartCapureMP3(file) == tunaro::kEngineOk ? 0 : kFailed;
}

QXTV_API int WINAPI QXTV_StopCapureMP3() {
    CaptureEngine* e = Device();
    if (!e)
        return kFailed;
    return e->Fm().StopCapureMP3() == tunaro::kEngineOk ? 0 : kFailed;
}

QXTV_API int WINAPI QXTV_StartCaptureAudioWMA(const char* file) {
    CaptureEngine* e = Device();
    if (!e || !PathFits(file) || e->Capturing())
        return 0;
    return e->Fm().StartCaptureAudioWMA(file);
}

QXTV_API int WINAPI QXTV_StopCaptureAudioWMA() {
    CaptureEngine* e = Device();
    if (!e)
        return 0;
    return e->Fm().StopCaptureAudioWMA();
}

// ---- tuner and scans --------------------------------------------------------------------------------

QXTV_API int WINAPI QXTV_SetTVMode(int fm) {
    CaptureEngine* e = Device();
    return e ? e->SetTVMode(fm) : kFailed;
}

QXTV_API int WINAPI QXTV_AutoScanTune(int* done, int* found, int* count) {
    CaptureEngine* e = Device();
    if (!e || !done || !found || !count)
        return 0;
    return e->Fm().AutoScanTune(done, found, count);
}

QXTV_API int WINAPI QXTV_FMScanTuner(int mode, int abort, int* done, int* found, int* /*ignored*/,
                                     long* frequency, int* progress) {
    CaptureEngine* e = Device();
    if (!e || !done || !found || !frequency || !progress)
        return kFailed;
    e->Fm().ScanStep(mode, abort, done, found, frequency, progress);
    return 0;
}

QXTV_API int WINAPI QXTV_AudioMute(int mute) {
    CaptureEngine* e = Device();
    return e && e->Fm().AudioMute(mute) ? 1 : 0;
}

// ---- the station list ----------------------------------------------------------------------------

QXTV_API int WINAPI QXTV_GetChannelListSize() {
    CaptureEngine* e = Device();
    return e ? e->Fm().Stations().Size() : 0;
}

QXTV_API const char* WINAPI QXTV_GetChannelName(int index) {
    CaptureEngine* e = Device();
    return e ? e->Fm().ChannelNameCopy(index) : nullptr;
}

QXTV_API int WINAPI QXTV_SetChannelName(int index, const char* name) {
    CaptureEngine* e = Device();
    if (!e || !TextFits(name, kQxtvStationNameMax + 1))
        return 0;
    return e->Fm().Stations().SetName(index, name) ? 1 : 0;
}

QXTV_API int WINAPI QXTV_GetChannelNumber(int index) {
    CaptureEngine* e = Device();
    return e ? e->Fm().Stations().Channel(index) : 0;
}

QXTV_API int WINAPI QXTV_SetChannelNumber(int index, int number) {
    CaptureEngine* e = Device();
    return e && e->Fm().Stations().SetChannel(index, number) ? 0 : kFailed;
}

QXTV_API long WINAPI QXTV_GetFrequency(int index) {
    CaptureEngine* e = Device();
    return e ? e->Fm().Stations().Frequency(index) : 0;
}

QXTV_API int WINAPI QXTV_SetFrequency(int index, long frequency) {
    CaptureEngine* e = Device();
    if (!e)
        return kFailed;
    e->Fm().SetFrequency(index, frequency);
    return 0;
}

QXTV_API int WINAPI QXTV_SetCurrentChannel(int index) {
    CaptureEngine* e = Device();
    return e && e->Fm().SetCurrentChannel(index) ? 0 : kFailed;
}

QXTV_API int WINAPI QXTV_DeleteChannel(int index) {
    CaptureEngine* e = Device();
    return e && e->Fm().Stations().Delete(index) ? 1 : 0;
}

QXTV_API int WINAPI QXTV_AddChannel(const char* name, long frequency) {
    CaptureEngine* e = Device();
    if (!e || !TextFits(name, kQxtvStationNameMax + 1))
        return 0;
    e->Fm().Stations().Add(*name ? name : "Empty", static_cast<int32_t>(frequency));
    return 1;
}
