// The one filter graph of the engine and everything that joins it: the graph and its capture
// graph builder, the card's filters, the render filters of the current build, the video window,
// the graph's state, and the helpers every graph build (preview or recording) uses.
#pragma once

#include <windows.h>
#include <dshow.h>

#include <memory>
#include <string>

#include "engine/crossbar_router.h"
#include "engine/video_window.h"
#include "framework/raii.h"

namespace tunaro {

class DeviceDiscovery;
struct EngineSettings;

// Graph events reach the owner window as this message (parameter 0).
inline constexpr UINT kGraphNotifyMessage = WM_USER + 1;

// The card's filters: bound once per graph, they join every build.
struct CardFilters {
    ComPtr<IBaseFilter> videoCapture, audioCapture, tuner, crossbar, audioRenderer, cardAudio, encoder;
    std::wstring cardAudioDisplayName; // moniker of the card audio companion
};

// Render and auxiliary filters, recreated for every graph build.
struct RenderFilters {
    ComPtr<IBaseFilter> smartTee, videoRenderer, overlayMixer, aviDecompressor, nullRenderer, grabber,
        deinterlacer, invert, downSize, dispOptim, acmWrapper, infTee;

    // Creates the set for the card family; filters this system lacks stay null.
    void Create(int cardType);
    // Takes each one out of the graph (when given) and lets go of it.
    void Release(IGraphBuilder* graph);
};

// What the graph holds and does, one state at a time. Every build starts from Empty: the chains
// go with TearDownChain, and a recording graph carries a preview branch of its own.
enum class GraphState {
    Empty,          // nothing behind the capture filters
    PreviewBuilt,   // a preview chain, stopped
    PreviewRunning, // the preview chain running
    CaptureBuilt,   // a recording graph, not capturing (yet, or any more)
    Capturing,      // the recording graph writing its file
};

class CaptureGraph {
public:
    CaptureGraph(const DeviceDiscovery& devices, const EngineSettings& settings);
    ~CaptureGraph();
    CaptureGraph(const CaptureGraph&) = delete;
    CaptureGraph& operator=(const CaptureGraph&) = delete;

    // The identified card's family, in the build's scheme (card_rules.h).
    int CardType() const;
    void SetOwner(HWND owner) { m_owner = owner; }
    HWND Owner() const { return m_owner; }
    // The identified card's capture filter; without one Init fails.
    void SetVideoCapture(ComPtr<IBaseFilter> filter) { m_card.videoCapture = std::move(filter); }

    // Creates the graph and its builder, binds the card's companion filters, adds the capture
    // filters and finds their interfaces. False (graph torn down) on failure, reported.
    bool Init();
    // Everything of the graph goes: chain, companions, the graph and its builder.
    void TearDown();
    // Stops the graph and removes everything downstream of the capture filters, the render
    // filters and the video window; the capture filters and companions stay.
    void TearDownChain();

    // ---- building helpers ----------------------------------------------------------------------
    HRESULT Add(IBaseFilter* filter, const wchar_t* name);
    // Output index of one filter to input index of another, through intermediate filters or directly.
    HRESULT Connect(IBaseFilter* from, int output, IBaseFilter* to, int input, bool direct);
    void RemoveDownstreamOf(IBaseFilter* filter);
    // Recreates the render filters for the card family.
    void CreateRenderFilters();
    // The card's sound into the audio renderer so it plays while the picture shows (families with
    // their own audio path only).
    void ConnectMonitorAudio();
    // The Overlay Mixer's input stretched over the whole window, as every recording's preview
    // shows the picture.
    void StretchOverlayMixer();
    // The display optimiser's mode 0, as after every graph build.
    void ResetOptimiserMode();
    // Graph events to the owner window as kGraphNotifyMessage.
    void NotifyOwner();
    // A debug copy of the graph under c:\ when the settings ask for one; a failure changes nothing.
    void SaveDebugGraph(const char* path);
    HRESULT FindStreamConfig(const GUID& category, IBaseFilter* filter,
                             ComPtr<IAMStreamConfig>& config) const;
    // YUY2 of the given size on the preview pin (else the capture pin); E_NOINTERFACE when neither
    // has a stream configuration.
    HRESULT SetPreviewFormat(long width, long height);
    // YUY2 of the given size on the capture pin, at framesPerSecond when it is not 0.
    HRESULT SetCaptureFormat(long width, long height, double framesPerSecond);
    bool GetVideoSize(long* width, long* height) const;
    // The analogue video standard the capture filter's decoder is set to (0 without decoder).
    long CurrentStandard() const;
    // Frames delivered and dropped so far by the pin that streams; false when no count is kept.
    bool FrameCounts(long* delivered, long* dropped) const;

    // ---- running ---------------------------------------------------------------------------------
    // Run and Stop of the graph's media control. A failed Run stops every filter again.
    HRESULT Run();
    HRESULT Stop();
    HRESULT Pause();
    // Puts every filter of the graph into the stopped state itself.
    void StopEveryFilter();

    // ---- state -------------------------------------------------------------------------------------
    GraphState State() const { return m_state; }
    // Set by the part that built, ran or stopped what the state names.
    void SetState(GraphState state) { m_state = state; }
    bool PreviewBuilt() const {
        return m_state == GraphState::PreviewBuilt || m_state == GraphState::PreviewRunning;
    }
    bool PreviewRunning() const { return m_state == GraphState::PreviewRunning; }
    bool CaptureBuilt() const {
        return m_state == GraphState::CaptureBuilt || m_state == GraphState::Capturing;
    }
    bool Capturing() const { return m_state == GraphState::Capturing; }
    // The next event of the graph the owner was told of (kGraphNotifyMessage): its code and
    // first parameter; false when none is waiting.
    bool NextEvent(long* code, LONG_PTR* param1);
    bool CaptureAudioWanted() const { return m_captureAudio; }
    void SetCaptureAudioWanted(bool on) { m_captureAudio = on; }
    bool CaptureClosedCaptions() const { return m_captureCC; }
    bool ClosedCaptionsAvailable() const { return m_ccAvailable; }

    IGraphBuilder* FilterGraph() const { return m_graph.get(); }
    ICaptureGraphBuilder2* Builder() const { return m_builder.get(); }
    IBaseFilter* FileWriter() const { return m_fileWriter.get(); }
    const CardFilters& Card() const { return m_card; }
    IBaseFilter* VideoCapture() const { return m_card.videoCapture.get(); }
    IBaseFilter* AudioCapture() const { return m_card.audioCapture.get(); }
    IBaseFilter* Tuner() const { return m_card.tuner.get(); }
    IBaseFilter* Crossbar() const { return m_card.crossbar.get(); }
    IBaseFilter* CardAudio() const { return m_card.cardAudio.get(); }
    IBaseFilter* AudioRenderer() const { return m_card.audioRenderer.get(); }
    IBaseFilter* Encoder() const { return m_card.encoder.get(); }
    IAMTVTuner* TvTuner() const { return m_tvTuner.get(); }
    CrossbarRouter* Router() const { return m_router.get(); }
    IAMStreamConfig* VideoConfig() const { return m_videoConfig.get(); }
    IAMStreamConfig* AudioConfig() const { return m_audioConfig.get(); }
    RenderFilters& Render() { return m_render; }
    const RenderFilters& Render() const { return m_render; }
    VideoWindow& Window() { return m_window; }
    const VideoWindow& Window() const { return m_window; }

private:
    void BindCompanions();
    bool AddAudioCapture();

    const DeviceDiscovery& m_devices;
    const EngineSettings& m_settings;
    HWND m_owner = nullptr;

    ComPtr<ICaptureGraphBuilder2> m_builder;
    ComPtr<IBaseFilter> m_fileWriter;
    ComPtr<IGraphBuilder> m_graph;
    ComPtr<IMediaEventEx> m_mediaEvent;
    CardFilters m_card;
    RenderFilters m_render;
    VideoWindow m_window;
    ComPtr<IAMTVTuner> m_tvTuner;
    std::unique_ptr<CrossbarRouter> m_router;
    ComPtr<IAMStreamConfig> m_videoConfig, m_audioConfig;
    ComPtr<IAMVideoCompression> m_videoCompression;

    GraphState m_state = GraphState::Empty;
    bool m_captureAudio = false, m_captureAudioRelevant = true, m_ccAvailable = false, m_captureCC = false;
};

} // namespace tunaro
