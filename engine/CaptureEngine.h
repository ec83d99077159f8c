// The capture engine: finds the tuner card, builds the DirectShow preview graph around it, shows
// the picture in the owner window, grabs stills and drives tuner, crossbar, standard and picture.
#pragma once

#include <windows.h>
#include <dshow.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/card_rules.h"
#include "engine/channel_access.h"
#include "engine/crossbar_router.h"
#include "engine/engine_report.h"
#include "engine/engine_shared.h"
#include "engine/video_rules.h"
#include "framework/raii.h"

namespace tunaro {

#if defined(TUNARO_ENGINE_LIBRARY)
inline constexpr EngineBuild kEngineBuild = EngineBuild::Library;
#else
inline constexpr EngineBuild kEngineBuild = EngineBuild::Tv;
#endif

// Graph events reach the owner window as this message (parameter 0).
inline constexpr UINT kGraphNotifyMessage = WM_USER + 1;
// Desktop video mode: the owner calls DesktopVideoTick on this timer every 40 ms.
inline constexpr UINT_PTR kDesktopTimerId = 116;
inline constexpr UINT kDesktopTimerMs = 40;

// Where the engine looks for devices. Programs use the system's categories; tests point the engine
// at categories of their own.
struct DeviceCategories {
    GUID videoInput, audioInput, tvTuner, crossbar, audioRenderer, encoder, videoCompressor, audioCompressor;
    static DeviceCategories System();
};

// What the engine reaches outside DirectShow, replaceable for tests.
struct EngineEnvironment {
    DeviceCategories categories = DeviceCategories::System();
    // Module and entry points of the device-change registration, looked up at run time.
    std::string notificationModule = "user32.dll";
};

// Engine settings kept in the per-user profile, section "vorel".
struct EngineSettings {
    int masterStream = 1;
    int useFrameRate = 1;
    long frameRateSetting = 666667; // read, not used
    int useTimeLimit = 0;
    long timeLimit = 0;
    int captureAudio = 0;
    int captureCC = 0;
    int wantPreview = 1;
    double frameRate = 25.0;
    // Debug copies of built graphs under c:\ ("DebugGraphFiles", off unless set to 1).
    int debugGraphFiles = 0;
};

class CaptureEngine {
public:
    explicit CaptureEngine(EngineEnvironment environment = EngineEnvironment());
    ~CaptureEngine();
    CaptureEngine(const CaptureEngine&) = delete;
    CaptureEngine& operator=(const CaptureEngine&) = delete;

    // ---- discovery ------------------------------------------------------------------------------
    // Initialises COM, fills the video list and returns the number of devices (also in *count);
    // reports the missing hardware when there is none.
    int EnumVideoDevice(int* count = nullptr);
    // Library build: the names go to the caller's buffers (each at least 260 bytes).
    int EnumVideoDevice(int* count, char** names);
    int EnumAudioDevice(int* count, char** names);
    int SelectVideoDevice(const char* name);
    int SelectAudioDevice(const char* name);
    // Reads the settings, identifies the card, creates its capture filter and registers for device
    // notifications. Returns the stored device count, or -8 when no known card is present.
    int Initialize(HWND owner, int previewMode);
    // Unregisters notifications, stops and tears down the graphs, writes the settings and releases
    // the devices. Idempotent; the destructor calls it.
    void Shutdown();
    // Binds every device of the category whose friendly name holds namePart; the last one wins.
    // displayName (optional) receives the winning moniker's display name.
    HRESULT FindFilterByName(const GUID& category, const char* namePart, ComPtr<IBaseFilter>& filter,
                             std::wstring* displayName = nullptr);
    // 0 and the names when a device of the category holds namePart; -1 otherwise.
    int FindCompressorByName(const char* namePart, const GUID& category, std::string* friendlyName,
                             std::wstring* displayName);

    // ---- preview graph ----------------------------------------------------------------------------
    int InitCaptureGraph();
    int StartVideoPreview(int mode);
    int StopPreview();
    int SetVideoWindowsPos(long left, long top, long width, long height);
    void SetMessageDrain(HWND window);
    int GetVideoSize(long* width, long* height);
    int SaveBmpFile(const char* path);
    // Writes the still into buffer; returns the bytes written, 0 when there is no picture.
    // ImageMemSize tells how large the buffer must be.
    long CopyImageMem(BYTE* buffer);
    long ImageMemSize();
    HRESULT SaveGraphFile(const char* path);
    // Frames the capture filter delivered and dropped so far (capture pin, else preview pin); 0 when
    // the driver keeps no count.
    int GetFrameCounts(long* delivered, long* dropped);
    // Desktop video mode (TV build): the picture behind the desktop icons through an overlay.
    // Returns 1 when the overlay runs; 0 (everything given back) when it cannot be made.
    int StartDesktopVideo();
    void DesktopVideoTick();
    void StopDesktopVideo();
    bool DesktopVideoActive() const;

    // ---- tuner, inputs, standard, picture -----------------------------------------------------
    void SetChannelAccess(ChannelAccess* channels) { channels_ = channels; }
    int SetFrequency(long frequency, int channelIndex);
    int SetCurrentChannel(int index);
    int AutoScanTune(int reset);
    int SetAudioMode(int stereo);
    int GetFrequencyRange(long* maximum, long* minimum);
    int SetCountry(long code);
    int SetTVMode(int fm);
    int SetVideoSource(int index);
    int AudioMute(int mute);
    int GetSourceName(int index, char* buffer, int length);
    bool IsTunerInput();
    int SetVideoFormat(long standard);
    long GetVideoFormat();
    int SetBrightNess(long value) { return SetPicture(VideoProcAmp_Brightness, value); }
    int SetContrast(long value) { return SetPicture(VideoProcAmp_Contrast, value); }
    int SetHue(long value) { return SetPicture(VideoProcAmp_Hue, value); }
    int SetSaturation(long value) { return SetPicture(VideoProcAmp_Saturation, value); }
    int SetSharpNess(long value) { return SetPicture(VideoProcAmp_Sharpness, value); }
    int GetBrightNess(long* v, long* mx, long* mn, long* df) {
        return GetPicture(VideoProcAmp_Brightness, v, mx, mn, df);
    }
    int GetContrast(long* v, long* mx, long* mn, long* df) {
        return GetPicture(VideoProcAmp_Contrast, v, mx, mn, df);
    }
    int GetHue(long* v, long* mx, long* mn, long* df) { return GetPicture(VideoProcAmp_Hue, v, mx, mn, df); }
    int GetSaturation(long* v, long* mx, long* mn, long* df) {
        return GetPicture(VideoProcAmp_Saturation, v, mx, mn, df);
    }
    int GetSharepNess(long* v, long* mx, long* mn, long* df) {
        return GetPicture(VideoProcAmp_Sharpness, v, mx, mn, df);
    }
    int SetColorEnable(int on);

    // ---- state ----------------------------------------------------------------------------------
    const EngineSettings& Settings() const { return settings_; }
    void SetDebugGraphFiles(bool on) { settings_.debugGraphFiles = on ? 1 : 0; }
    int DeviceCount() const { return deviceCount_; }
    const std::string& DeviceName() const { return deviceName_; }
    bool HasVideoDevice(int slot) const;
    bool HasAudioDevice(int slot) const;
    bool PreviewBuilt() const { return previewBuilt_; }
    bool PreviewRunning() const { return previewRunning_; }
    bool Capturing() const { return capturing_; }
    int PreviewMode() const { return previewMode_; }
    bool NotificationsRegistered() const { return notification_ != nullptr; }
    long CurrentFrequency() const { return currentFrequency_; }
    long CountryCode() const { return countryCode_; }
    CrossbarRouter* Router() { return router_.get(); }
    IGraphBuilder* Graph() const { return graph_.get(); }
    IBaseFilter* VideoCapture() const { return videoCapture_.get(); }
    IBaseFilter* Tuner() const { return tunerFilter_.get(); }
    IBaseFilter* Crossbar() const { return crossbarFilter_.get(); }
    IBaseFilter* CardAudio() const { return cardAudio_.get(); }
    // The audio capture filter of the graph (null when capture has no sound) and whether it is the
    // card's own device rather than the system's first audio input.
    IBaseFilter* AudioCapture() const { return audioCapture_.get(); }
    bool AudioIsCards() const { return audioIsCards_; }
    bool CaptureAudioWanted() const { return captureAudio_; }
    IBaseFilter* AudioRenderer() const { return audioRenderer_.get(); }
    IBaseFilter* Encoder() const { return encoder_.get(); }
    const std::wstring& VideoCompressorName() const { return videoCompressorName_; }
    const std::wstring& AudioCompressorName() const { return audioCompressorName_; }

private:
    friend struct EngineTestPeer; // unit tests set the recording state the recording graphs own
    struct DesktopVideo;

    bool EnsureCom();
    void ReleaseDeviceLists();
    void ReadSettings();
    void WriteSettings();
    void IdentifyTvCard();
    void IdentifyLibraryCard();
    HRESULT CreateCaptureFilters(int videoSlot, int audioSlot);
    void RegisterNotification();
    void UnregisterNotification();
    void BindCompanions();
    int AddAudioCapture();
    void StopEveryFilter();
    void FindCompressors();
    void TearDownGraph();
    void TearDownChain();
    void RemoveDownstreamOf(IBaseFilter* filter);
    void ReleaseRenderFilters();
    void CreateRenderFilters();
    HRESULT SetPreviewFormat(long width, long height);
    HRESULT FindStreamConfig(const GUID& category, IBaseFilter* filter, ComPtr<IAMStreamConfig>& config);
    int BuildOverlayChain();
    int BuildGrabberChain();
    int BuildDesktopChain();
    void ConnectMonitorAudio();
    void SetUpVideoWindow(const char* failureText);
    int RunPreview();
    HRESULT AddToGraph(IBaseFilter* filter, const wchar_t* name);
    void SaveDebugGraph(const char* path);
    bool GrabberFrameSize(long* width, long* height);
    bool GrabYuy2(long* width, long* height, std::vector<uint8_t>* frame);
    bool OptimiserImage(std::vector<uint8_t>* packed);
    void Tune(long frequency);
    void ApplyCountry();
    bool SignalLocked();
    int SetPicture(long property, long value);
    int GetPicture(long property, long* value, long* maximum, long* minimum, long* defaultValue);

    EngineEnvironment env_;
    EngineSettings settings_;
    ChannelAccess* channels_ = nullptr;
    bool comInitialized_ = false;
    bool shutDown_ = false;

    // Devices.
    ComPtr<IMoniker> videoMonikers_[kDeviceSlots];
    ComPtr<IMoniker> audioMonikers_[kDeviceSlots];
    ComPtr<IMoniker> currentVideoMoniker_, currentAudioMoniker_;
    int audioSlot_ = 0;         // the audio device identification chose (TV build)
    bool audioIsCards_ = false; // ... and whether it belongs to the card
    std::string deviceName_;
    std::string captureFile_; // last recording's file name, kept in the settings
    int deviceCount_ = 0;
    HWND owner_ = nullptr;
    int previewMode_ = 2;
    HDEVNOTIFY notification_ = nullptr;
    FARPROC unregisterNotification_ = nullptr;
    Library notificationModule_;

    // Companion filters.
    ComPtr<IBaseFilter> videoCapture_, audioCapture_, tunerFilter_, crossbarFilter_, audioRenderer_,
        cardAudio_, encoder_;
    std::wstring videoCompressorName_, audioCompressorName_;
    std::wstring cardAudioDisplayName_; // moniker of the card audio companion

    // Graph.
    ComPtr<ICaptureGraphBuilder2> builder_;
    ComPtr<IBaseFilter> fileWriter_;
    ComPtr<IGraphBuilder> graph_;
    ComPtr<IAMTVTuner> tvTuner_;
    std::unique_ptr<CrossbarRouter> router_;
    ComPtr<IAMStreamConfig> videoConfig_, audioConfig_;
    ComPtr<IAMVideoCompression> videoCompression_;
    ComPtr<IAMDroppedFrames> droppedFrames_;
    ComPtr<IVideoWindow> videoWindow_;
    ComPtr<IMediaEventEx> mediaEvent_;
    bool previewBuilt_ = false, previewRunning_ = false, captureBuilt_ = false, capturing_ = false;
    bool captureAudio_ = false, captureAudioRelevant_ = true, ccAvailable_ = false, captureCC_ = false;
    RECT windowRect_ = {0, 0, 352, 288}; // left, top, width, height
    HWND drain_ = nullptr;

    // Render and auxiliary filters, recreated for every graph build.
    ComPtr<IBaseFilter> smartTee_, videoRenderer_, overlayMixer_, aviDecompressor_, nullRenderer_, grabber_,
        deinterlacer_, invert_, downSize_, dispOptim_, acmWrapper_, infTee_;

    // Tuning.
    long currentFrequency_ = 0;
    long countryCode_ = 0;
    bool countrySet_ = false;

    std::unique_ptr<DesktopVideo> desktop_;
};

} // namespace tunaro
