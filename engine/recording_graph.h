// The recording graphs: each kind of recording (AVI, MPEG, Windows Media, audio only) builds its
// topology on the shared capture graph with a preview branch of its own, then starts capture
// through the steps all kinds share; stopping leaves a complete file and gives the preview back.
//
// A new kind is one Start... member here (its topology in its own recording_<kind>.cpp) built
// from the capture graph's helpers (CreateRenderFilters, Add, Connect, the video window,
// NotifyOwner, SaveDebugGraph) and the shared steps below: BeginBuild, SetCaptureFormat,
// ConnectSoundMonitor, AddPreviewBranch, ApplyFrameRate and StartCapture. The facade gives it the
// operation name callers know.
#pragma once

#include <windows.h>
#include <dshow.h>

#include <string>

#include "engine/engine_result.h"
#include "framework/raii.h"

namespace tunaro {

class CaptureGraph;
class DeviceDiscovery;
class PreviewGraph;
class TunerControl;
struct EngineSettings;

// What a recording graph needs besides the graph: the parts it rebuilds the preview with and the
// settings it reads and keeps.
struct RecordingContext {
    CaptureGraph& graph;
    PreviewGraph& preview;
    TunerControl& tuner;
    const DeviceDiscovery& devices;
    EngineSettings& settings;
};

class RecordingGraph {
public:
    explicit RecordingGraph(const RecordingContext& context) : m_context(context) {}

    // ---- the kinds ------------------------------------------------------------------------------
    // Compressed AVI (MPEG-4 video, MP3 sound) at the standard's CIF size.
    EngineResult StartCaptureMPG4(const char* file, int captureAudio);
    // Uncompressed AVI (YUY2 video, PCM sound); width x height is the preview size asked for.
    EngineResult StartCaptureAVI(const char* file, int captureAudio, long width, long height);
    // MPEG program stream through the MPEG encoder filter: type 0 DVD, 1 VCD, 6 SVCD.
    EngineResult StartCaptureMPEG(const char* file, int type);
    // DVD through the 2388x card's own encoder into the dump filter.
    EngineResult StartCaptureHardwareMPEG(const char* file);
    // Windows Media through the ASF writer: the video profile, or the audio-only one.
    EngineResult StartCaptureWM(const char* file, int audioOnly);
    // The card's sound alone as MP3 (Layer III in a WAVE file).
    EngineResult StartCapureMP3(const char* file);
    // Stops any kind: the file is completed and the preview rebuilt. 0 when nothing records.
    EngineResult StopCapture();
    // The same for the MP3 recording, under the name callers know.
    EngineResult StopCapureMP3() { return StopCapture(); }

    // ---- state ----------------------------------------------------------------------------------
    bool Capturing() const;
    // The built recording graph keeps the preview chain as its preview branch (the hardware
    // MPEG and the MP3 of cards without sound monitoring).
    bool BuiltOnPreviewChain() const;
    // The last video recording's kind (0 DVD, 1 VCD, 2 SVCD, 3 compressed AVI, 4 uncompressed
    // AVI) and whether the last MPEG one was on a 480-line standard.
    int Kind() const { return m_kind; }
    bool Ntsc() const { return m_ntsc; }
    // Frames the capture pin delivered and dropped since the capture started; false when the
    // driver keeps no counts.
    bool CaptureFrameCounts(long* notDropped, long* dropped) const;
    // What the MPEG encoder filter of the running (or last) MPEG recording counts: pictures
    // encoded, pictures and sound blocks it dropped. False for the other kinds.
    bool EncoderCounts(long* written, long* droppedPictures, long* droppedSound) const;
    // Start and stop of the last capture, milliseconds of the multimedia timer.
    DWORD StartTime() const { return m_startTime; }
    DWORD StopTime() const { return m_stopTime; }
    // At engine shutdown: a running recording is stopped so its file is complete; no preview.
    void EndForShutdown();

private:
    // Refuses while a recording runs; otherwise stores the file and the sound wish, stops the
    // preview and (unless keepChain) takes its chain down. False when nothing may be built, or
    // (reported, the preview back) when the file cannot be created.
    bool BeginBuild(const char* file, bool captureAudio, bool keepChain = false);
    // A build or start that failed: the chain goes and the preview comes back. Returns 0.
    EngineResult FailStart();
    // YUY2 of this size on the capture pin, at the engine's frame rate when the settings say so.
    HRESULT SetCaptureFormat(long width, long height);
    // The card's sound into an infinite tee: output 0 to the ACM wrapper (converted to stereo at
    // rate when rate is not 0), output 1 to the audio renderer so it is heard while recording.
    // Returns the filter whose output *output carries the sound to record (the ACM wrapper, or
    // the tee itself when the wrapper cannot take the card's sound), or null.
    IBaseFilter* ConnectSoundMonitor(DWORD rate, int* output);
    // The sound leaving `from` through a sound-clock filter, which keeps it to the stream time
    // the picture runs on (engine/sound_clock.h). Returns that filter, the sound on its output 0,
    // or null (traced) when it cannot take this sound, which then goes on from `from` unmatched.
    IBaseFilter* MatchSoundClock(IPin* from);
    // The audio capture device's sound (its capture pin), matched where it can be: the filter to
    // take it from, its output in *output.
    IBaseFilter* CapturedSound(int* output);
    // That sound into the multiplexer, through the compressor when there is one.
    void ConnectCapturedSound(IBaseFilter* compressor, IBaseFilter* mux);
    // tee output 1 -> first -> Overlay Mixer -> renderer, the mixer stretching its input.
    void AddPreviewBranch(IBaseFilter* tee, IBaseFilter* first, const wchar_t* firstName,
                          const wchar_t* rendererName);
    // The compressor (a new instance from the devices, null when there is none) added under
    // name; reports and returns null when it is missing or cannot be added.
    ComPtr<IBaseFilter> AddCompressor(ComPtr<IBaseFilter> filter, const wchar_t* name);
    // Into the first input of the multiplexer that takes it (0, else 1).
    HRESULT ConnectToMux(IBaseFilter* from, int output, IBaseFilter* mux);
    // The steps every kind ends with: the capture stream held, the graph run, the stream switched
    // on and the frame counts taken as the base. 0 (reported) when the graph does not run.
    EngineResult StartCapture();
    // Stops the graph; its writers complete their files.
    HRESULT StopGraph();
    // The AVI multiplexer writing the file, with the compressors of the compressed kind added;
    // false (reported) when the file or the video compressor cannot be had.
    bool OpenAviFile(int kind, ComPtr<IBaseFilter>* mux, ComPtr<IBaseFilter>* videoCompressor,
                     ComPtr<IBaseFilter>* audioCompressor);
    EngineResult BuildAviGraph(int kind, bool monitor);
    // The capture library's layout of both AVI kinds, and its start of them at width x height.
    EngineResult BuildLibraryAviGraph(int kind);
    EngineResult StartLibraryAvi(const char* file, int kind, bool captureAudio, long width, long height);
    EngineResult BuildMpegGraph(int kind, bool ntsc);
    bool ConfigureMpegEncoder(int kind, bool ntsc);
    // The filter of a class, created; reported with text and null when it cannot be.
    ComPtr<IBaseFilter> Create(const GUID& clsid, const char* failure);
    // The file name through the filter's file sink; reported as the file that cannot be written.
    bool GiveFileName(IBaseFilter* filter);
    // The built graph started (the preview rebuilt on failure) and the window fitted again.
    EngineResult Finish();

    RecordingContext m_context;
    // The MPEG encoder filter of the MPEG recording, for its counts.
    ComPtr<IBaseFilter> m_mpegEncoder;
    std::string m_file;
    bool m_captureAudio = false;
    bool m_streamControl = false;
    bool m_onPreviewChain = false;
    int m_kind = 0;
    bool m_ntsc = false;
    ComPtr<IAMDroppedFrames> m_droppedFrames;
    long m_baseNotDropped = 0, m_baseDropped = 0;
    DWORD m_startTime = 0, m_stopTime = 0;
};

} // namespace tunaro
