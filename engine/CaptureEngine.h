// The capture engine: finds the tuner card, builds the DirectShow preview graph around it, shows
// the picture in the owner window, grabs stills and drives tuner, crossbar, standard and picture.
// This class is the facade with the operation names callers know; each job is done by the object
// named beside it (see engine/README.md).
#pragma once

#include <windows.h>
#include <dshow.h>

#include <string>

#include "engine/capture_graph.h"
#include "engine/card_rules.h"
#include "engine/channel_access.h"
#include "engine/desktop_video.h"
#include "engine/device_discovery.h"
#include "engine/device_notification.h"
#include "engine/engine_build.h"
#include "engine/engine_report.h"
#include "engine/engine_result.h"
#include "engine/engine_settings.h"
#include "engine/fm_radio.h"
#include "engine/input_control.h"
#include "engine/picture_control.h"
#include "engine/preview_graph.h"
#include "engine/recording_graph.h"
#include "engine/still_grabber.h"
#include "engine/timeshift_graph.h"
#include "engine/tuner_control.h"
#include "engine/video_rules.h"
#include "engine/wm_profile.h"
#include "framework/raii.h"

namespace tunaro {

// What the engine reaches outside DirectShow, replaceable for tests.
struct EngineEnvironment {
    DeviceCategories categories = DeviceCategories::System();
    // Module and entry points of the device-change registration, looked up at run time.
    std::string notificationModule = "user32.dll";
};

class CaptureEngine {
public:
    explicit CaptureEngine(EngineEnvironment environment = EngineEnvironment());
    ~CaptureEngine();
    CaptureEngine(const CaptureEngine&) = delete;
    CaptureEngine& operator=(const CaptureEngine&) = delete;

    // ---- discovery (DeviceDiscovery) ------------------------------------------------------------
    // Initialises COM, fills the video list and returns the number of devices (also in *count);
    // reports the missing hardware when there is none.
    int EnumVideoDevice(int* count = nullptr);
    // Library build: the names go to the caller's buffers (each at least 260 bytes).
    int EnumVideoDevice(int* count, char** names);
    int EnumAudioDevice(int* count, char** names);
    int SelectVideoDevice(const char* name) { return m_discovery.SelectVideoDevice(name); }
    int SelectAudioDevice(const char* name) { return m_discovery.SelectAudioDevice(name); }
    // The identified card's family in the build's scheme (card_rules.h); 0 before identification.
    int CardType() const { return m_discovery.CardType(); }
    // The library's selections and the card identified with them, to carry into another engine.
    const DeviceSelection& Selection() const { return m_discovery.Selection(); }
    void RestoreSelection(const DeviceSelection& selection) { m_discovery.RestoreSelection(selection); }
    // Reads the settings, identifies the card, creates its capture filter and registers for device
    // notifications. Returns the stored device count, or kEngineNoCard when no known card is present.
    int Initialize(HWND owner, int previewMode);
    // Unregisters notifications, stops and tears down the graphs, writes the settings and releases
    // the devices. Idempotent; the destructor calls it.
    void Shutdown();
    HRESULT FindFilterByName(const GUID& category, const char* namePart, ComPtr<IBaseFilter>& filter,
                             std::wstring* displayName = nullptr) {
        return DeviceDiscovery::FindFilterByName(category, namePart, filter, displayName);
    }
    int FindCompressorByName(const char* namePart, const GUID& category, std::string* friendlyName,
                             std::wstring* displayName) {
        return DeviceDiscovery::FindCompressorByName(namePart, category, friendlyName, displayName);
    }

    // ---- preview graph (CaptureGraph, PreviewGraph, StillGrabber, DesktopVideo) ------------------
    EngineResult InitCaptureGraph();
    EngineResult StartVideoPreview(int mode) { return m_preview.Start(mode); }
    int StopPreview() { return m_preview.Stop(); }
    int SetVideoWindowsPos(long left, long top, long width, long height) {
        m_shift.FitOwner();
        return m_graph.Window().SetPosition(left, top, width, height);
    }
    void SetMessageDrain(HWND window) { m_graph.Window().SetDrain(window); }
    // TV build: every preview started from now on runs at the small size of the TV wall's cells
    // (on), or at the standard's size again (off).
    void SetSmallPreview(bool on) { m_preview.SetSmallPreview(on); }
    // The window the video shows in and graph events go to (the library's preview start).
    void SetOwner(HWND owner) { m_graph.SetOwner(owner); }
    EngineResult GetVideoSize(long* width, long* height) {
        return EngineResultOf(m_graph.GetVideoSize(width, height));
    }
    // The picture shown: the live one, or while time shifted the paused or played one.
    int SaveBmpFile(const char* path) {
        return m_shift.Active() ? m_shift.SaveBmpFile(path) : m_stills.SaveBmpFile(path, m_preview.Mode());
    }
    // Writes the still into buffer; returns the bytes written, 0 when there is no picture.
    // ImageMemSize tells how large the buffer must be.
    long CopyImageMem(BYTE* buffer) { return m_stills.CopyImageMem(buffer, m_preview.Mode()); }
    // The same into a buffer of capacity bytes; a still larger than that is not copied (0).
    long CopyImageMem(BYTE* buffer, size_t capacity) {
        return m_stills.CopyImageMem(buffer, capacity, m_preview.Mode());
    }
    long ImageMemSize() { return m_stills.ImageMemSize(m_preview.Mode()); }
    HRESULT SaveGraphFile(const char* path);
    // Frames the capture filter delivered and dropped so far (capture pin, else preview pin); 0 when
    // the driver keeps no count.
    EngineResult GetFrameCounts(long* delivered, long* dropped) {
        return EngineResultOf(m_graph.FrameCounts(delivered, dropped));
    }
    // Desktop video mode (TV build): the picture behind the desktop icons through an overlay.
    // Returns 1 when the overlay runs; 0 (everything given back) when it cannot be made.
    EngineResult StartDesktopVideo() { return m_desktop.Start(); }
    void DesktopVideoTick() { m_desktop.Tick(); }
    void StopDesktopVideo() { m_desktop.Stop(); }
    bool DesktopVideoActive() const { return m_desktop.Active(); }

    // ---- recording (RecordingGraph) -------------------------------------------------------------
    // Each start builds nothing while a recording runs and returns 0 on any failure, the preview
    // back; each returns 1 once the file is being written.
    // Compressed AVI; width and height are not used (the size follows the standard).
    EngineResult StartCaptureMPG4(const char* file, int captureAudio, long /*width*/, long /*height*/) {
        return m_recording.StartCaptureMPG4(file, captureAudio);
    }
    // Uncompressed AVI; width x height is the preview size.
    EngineResult StartCaptureAVI(const char* file, int captureAudio, long width, long height) {
        return m_recording.StartCaptureAVI(file, captureAudio, width, height);
    }
    // MPEG program stream: type 0 DVD, 1 VCD, 6 SVCD (sizes and rates by the video standard).
    EngineResult StartCaptureMPEG(const char* file, int type) {
        return m_recording.StartCaptureMPEG(file, type);
    }
    // DVD through the 2388x card's hardware encoder.
    EngineResult StartCaptureHardwareMPEG(const char* file) {
        return m_recording.StartCaptureHardwareMPEG(file);
    }
    // Windows Media: audioOnly 0 the video profile, 1 the audio-only profile.
    EngineResult StartCaptureWM(const char* file, int audioOnly) {
        return m_recording.StartCaptureWM(file, audioOnly);
    }
    // The card's sound alone as MP3.
    EngineResult StartCapureMP3(const char* file) { return m_recording.StartCapureMP3(file); }
    // Completes the file and rebuilds the preview; 0 when nothing records.
    EngineResult StopCapture() { return m_recording.StopCapture(); }
    EngineResult StopCapureMP3() { return m_recording.StopCapureMP3(); }
    // A Windows Media profile file loaded for the ASF writer (see wm_profile.h).
    HRESULT LoadProfile(const char* path, ComPtr<IWMProfile>& profile) {
        return tunaro::LoadProfile(path, profile);
    }
    // Frames the capture pin delivered and dropped since the recording started.
    EngineResult GetCaptureFrameCounts(long* notDropped, long* dropped) {
        return EngineResultOf(m_recording.CaptureFrameCounts(notDropped, dropped));
    }
    // What the MPEG encoder filter of an MPEG recording counts: pictures encoded, pictures and
    // sound blocks it dropped; 0 for the other kinds.
    EngineResult GetEncoderCounts(long* written, long* droppedPictures, long* droppedSound) {
        return EngineResultOf(m_recording.EncoderCounts(written, droppedPictures, droppedSound));
    }

    // ---- time shift (TimeShiftGraph) ------------------------------------------------------------
    // Pauses live TV: the picture freezes and the ring of the last minutes is written into
    // folder (on the recording directory's drive). 0 while recording or already shifted.
    EngineResult StartTimeShift(const char* folder, long minutes) {
        return m_shift.Begin(folder ? folder : "", TimeShiftCapacityMs(minutes), m_preview.Mode());
    }
    // Plays on from the paused picture / pauses it again / moves it by seconds (at the live edge
    // the shift ends) / returns to live, the ring's files removed.
    EngineResult ResumeTimeShift() { return m_shift.Resume(); }
    EngineResult PauseTimeShift() { return m_shift.Pause(); }
    ShiftStep StepTimeShift(long seconds) { return m_shift.Step(seconds); }
    void StopTimeShift() { m_shift.End(); }
    bool TimeShifted() const { return m_shift.Active(); }
    TimeShiftGraph& TimeShift() { return m_shift; }

    // ---- tuner (TunerControl) -----------------------------------------------------------------
    void SetChannelAccess(ChannelAccess* channels) { m_tuner.SetChannelAccess(channels); }
    EngineResult SetFrequency(long frequency, int channelIndex) {
        return m_tuner.SetFrequency(frequency, channelIndex);
    }
    EngineResult SetCurrentChannel(int index) { return m_tuner.SetCurrentChannel(index); }
    int AutoScanTune(int reset) { return m_tuner.AutoScanTune(reset); }
    EngineResult SetAudioMode(int stereo) { return m_tuner.SetAudioMode(stereo); }
    EngineResult GetFrequencyRange(long* maximum, long* minimum) {
        return m_tuner.GetFrequencyRange(maximum, minimum);
    }
    EngineResult SetCountry(long code) { return m_tuner.SetCountry(code); }
    int SetTVMode(int fm) { return m_tuner.SetTVMode(fm); }

    // ---- inputs (InputControl) ----------------------------------------------------------------
    int SetVideoSource(int index) { return m_inputs.SetVideoSource(index); }
    EngineResult AudioMute(int mute) { return m_inputs.AudioMute(mute); }
    EngineResult GetSourceName(int index, char* buffer, int length) {
        return m_inputs.GetSourceName(index, buffer, length);
    }
    bool IsTunerInput() { return m_inputs.IsTunerInput(); }

    // ---- standard and picture (PictureControl) -------------------------------------------------
    EngineResult SetVideoFormat(long standard) { return m_picture.SetVideoFormat(standard); }
    long GetVideoFormat() { return m_picture.GetVideoFormat(); }
    EngineResult SetBrightNess(long value) { return m_picture.SetPicture(VideoProcAmp_Brightness, value); }
    EngineResult SetContrast(long value) { return m_picture.SetPicture(VideoProcAmp_Contrast, value); }
    EngineResult SetHue(long value) { return m_picture.SetPicture(VideoProcAmp_Hue, value); }
    EngineResult SetSaturation(long value) { return m_picture.SetPicture(VideoProcAmp_Saturation, value); }
    EngineResult SetSharpNess(long value) { return m_picture.SetPicture(VideoProcAmp_Sharpness, value); }
    EngineResult GetBrightNess(long* v, long* mx, long* mn, long* df) {
        return m_picture.GetPicture(VideoProcAmp_Brightness, v, mx, mn, df);
    }
    EngineResult GetContrast(long* v, long* mx, long* mn, long* df) {
        return m_picture.GetPicture(VideoProcAmp_Contrast, v, mx, mn, df);
    }
    EngineResult GetHue(long* v, long* mx, long* mn, long* df) {
        return m_picture.GetPicture(VideoProcAmp_Hue, v, mx, mn, df);
    }
    EngineResult GetSaturation(long* v, long* mx, long* mn, long* df) {
        return m_picture.GetPicture(VideoProcAmp_Saturation, v, mx, mn, df);
    }
    EngineResult GetSharepNess(long* v, long* mx, long* mn, long* df) {
        return m_picture.GetPicture(VideoProcAmp_Sharpness, v, mx, mn, df);
    }
    EngineResult SetColorEnable(int on) { return m_picture.SetColorEnable(on); }

    // ---- the capture library's FM part (FmRadio) ---------------------------------------------------
    // Station list, FM listening graph, FM and TV scan steps, the audio-only recordings.
    FmRadio& Fm() { return m_fm; }

    // ---- state ----------------------------------------------------------------------------------
    const EngineSettings& Settings() const { return m_settings; }
    void SetDebugGraphFiles(bool on) { m_settings.debugGraphFiles = on ? 1 : 0; }
    // A chain shows the picture: the preview's, the recording graph built on it, or while time
    // shifted the player's.
    bool PreviewBuilt() const {
        return m_graph.PreviewBuilt() || m_recording.BuiltOnPreviewChain() || m_shift.Active();
    }
    bool PreviewRunning() const { return m_graph.PreviewRunning(); }
    bool Capturing() const { return m_recording.Capturing(); }
    // The next event of the graph (the owner window is sent kGraphNotifyMessage when one comes):
    // its code (EC_ERRORABORT, EC_DEVICE_LOST, ...) and first parameter; false when none waits.
    bool NextGraphEvent(long* code, LONG_PTR* param1) { return m_graph.NextEvent(code, param1); }
    int PreviewMode() const { return m_preview.Mode(); }
    bool NotificationsRegistered() const { return m_notification.Registered(); }
    // The parts, for what the operations above do not tell (tests, diagnostics).
    const DeviceDiscovery& Devices() const { return m_discovery; }
    const CaptureGraph& Graph() const { return m_graph; }
    const TunerControl& Tuner() const { return m_tuner; }
    const RecordingGraph& Recording() const { return m_recording; }

private:
    friend struct EngineTestPeer; // unit tests set the graph state the recording graphs own

    bool EnsureCom();

    EngineEnvironment m_env;
    EngineSettings m_settings;
    DeviceDiscovery m_discovery;
    DeviceNotification m_notification;
    CaptureGraph m_graph;
    TunerControl m_tuner;
    PreviewGraph m_preview;
    StillGrabber m_stills;
    InputControl m_inputs;
    PictureControl m_picture;
    DesktopVideo m_desktop;
    RecordingGraph m_recording;
    TimeShiftGraph m_shift{m_graph, m_recording, m_stills};
    FmRadio m_fm;
    bool m_comInitialized = false;
    bool m_shutDown = false;
};

} // namespace tunaro
