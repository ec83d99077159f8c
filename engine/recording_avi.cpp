// The AVI recording graphs: compressed (MPEG-4 video, MP3 sound) and uncompressed (YUY2, PCM),
// plain or with the card's sound heard while recording; the capture library lays both kinds out
// its own way (capture output 0 straight to the file, its preview pin through the display
// optimiser).
#include "engine/recording_graph.h"

#include "engine/capture_graph.h"
#include "engine/card_rules.h"
#include "engine/device_discovery.h"
#include "engine/dshow_util.h"
#include "engine/engine_build.h"
#include "engine/engine_report.h"
#include "engine/engine_settings.h"
#include "engine/video_rules.h"
#include "platform/include/outside_filters.h"

namespace tunaro {

namespace {

constexpr int kKindCompressedAvi = 3;
constexpr int kKindUncompressedAvi = 4;

// The capture library's AVI frame: CIF of 288 lines on PAL-B and PAL-D, 240 lines on every other
// standard. The rate follows the signal (30 on the 480-line standards, 25 on the others), so a
// PAL-G, PAL-I or SECAM file plays at the speed it was broadcast.
struct LibraryAviFrame {
    long lines;
    double rate;
};
LibraryAviFrame LibraryAviFrameFor(long standard) {
    const bool cif = standard == kStandardPalB || standard == kStandardPalD;
    return {cif ? 288L : 240L, IsNtscStandard(standard) ? 30.0 : 25.0};
}

// The size the capture library's exports record at.
constexpr long kLibraryAviWidth = 352;
constexpr long kLibraryAviHeight = 288;

} // namespace

bool RecordingGraph::OpenAviFile(int kind, ComPtr<IBaseFilter>* mux, ComPtr<IBaseFilter>* videoCompressor,
                                 ComPtr<IBaseFilter>* audioCompressor) {
    CaptureGraph& g = m_context.graph;
    ComPtr<IFileSinkFilter> sink;
    const std::wstring file = Widen(m_file.c_str());
    if (FAILED(g.Builder()->SetOutputFileName(&MEDIASUBTYPE_Avi, file.c_str(), mux->Receive(),
                                              sink.Receive()))) {
        ErrorReport("Cannot set output file");
        return false;
    }
    ComPtr<IConfigAviMux> config;
    if (SUCCEEDED((*mux)->QueryInterface(IID_IConfigAviMux, config.ReceiveVoid()))) {
        config->SetOutputCompatibilityIndex(TRUE);
        // The sound is the master stream where it is stored as captured. The compressed kind's
        // sound has no master: its encoder still holds the last few frames when the graph stops,
        // and fitting the picture to that shorter sound would slow it by as much. The sound keeps
        // to the picture's clock all the same (MatchSoundClock).
        if (m_captureAudio && kind != kKindCompressedAvi && FAILED(config->SetMasterStream(0)))
            ErrorReport("SetMasterStream failed!");
    }
    if (kind == kKindCompressedAvi) {
        *videoCompressor = AddCompressor(m_context.devices.NewVideoCompressor(), L"Video compressor");
        if (!*videoCompressor)
            return false; // no MPEG-4 file without its video compressor
        if (m_captureAudio)
            *audioCompressor = AddCompressor(m_context.devices.NewAudioCompressor(), L"Audio compressor");
    }
    return true;
}

EngineResult RecordingGraph::BuildLibraryAviGraph(int kind) {
    CaptureGraph& g = m_context.graph;
    RenderFilters& r = g.Render();
    IBaseFilter* capture = g.VideoCapture();
    ComPtr<IBaseFilter> mux, videoCompressor, audioCompressor;
    if (!OpenAviFile(kind, &mux, &videoCompressor, &audioCompressor))
        return FailStart();

    // The sound of the selected audio device: its capture stream straight into the file, or
    // through the audio compressor for the compressed kind.
    if (m_captureAudio)
        ConnectCapturedSound(kind == kKindUncompressedAvi ? nullptr : audioCompressor.get(), mux.get());

    // The picture: capture output 0 straight to the compressor or the file, no tee between.
    HRESULT hr = S_OK;
    if (kind == kKindCompressedAvi) {
        hr = g.Connect(capture, 0, videoCompressor.get(), 0, false);
        if (SUCCEEDED(hr))
            hr = ConnectToMux(videoCompressor.get(), 0, mux.get());
    } else {
        hr = ConnectToMux(capture, 0, mux.get());
    }
    if (FAILED(hr)) {
        ErrorReport("Error %x: Cannot connect the picture to the file", static_cast<unsigned>(hr));
        return FailStart();
    }

    // The preview from the card's own preview pin: output 1 -> display optimiser -> Overlay
    // Mixer -> renderer, every link direct, the mixer stretching its input.
    if (PinAt(capture, PINDIR_OUTPUT, 1) && r.dispOptim && r.overlayMixer && r.videoRenderer) {
        g.Add(r.dispOptim.get(), kNameDispOptim);
        g.Add(r.overlayMixer.get(), L"Overlay Mixer");
        g.Add(r.videoRenderer.get(), L"VideoRender");
        g.Connect(capture, 1, r.dispOptim.get(), 0, true);
        g.Connect(r.dispOptim.get(), 0, r.overlayMixer.get(), 0, true);
        g.Connect(r.overlayMixer.get(), 0, r.videoRenderer.get(), 0, true);
        g.StretchOverlayMixer();
    }
    g.ResetOptimiserMode();
    g.Window().Attach(g.FilterGraph(), g.Owner(),
                      m_context.settings.wantPreview ? "This graph cannot preview" : nullptr);
    g.NotifyOwner();
    g.SetState(GraphState::CaptureBuilt);
    return kEngineOk;
}

EngineResult RecordingGraph::StartLibraryAvi(const char* file, int kind, bool captureAudio, long width,
                                             long height) {
    CaptureGraph& g = m_context.graph;
    if (!BeginBuild(file, captureAudio))
        return kEngineFailed;
    // The library keeps its own master-stream setting: none for the compressed kind, the second
    // stream for the uncompressed one.
    m_context.settings.masterStream = kind == kKindCompressedAvi ? -1 : 1;
    if (kind == kKindUncompressedAvi)
        g.SetPreviewFormat(width, height);
    const LibraryAviFrame frame = LibraryAviFrameFor(g.CurrentStandard());
    m_context.settings.frameRate = frame.rate;
    g.SetPreviewFormat(352, frame.lines);
    SetCaptureFormat(352, frame.lines);
    // Then the size the caller records at.
    SetCaptureFormat(width, height);
    m_kind = kind;
    g.CreateRenderFilters();
    if (BuildLibraryAviGraph(kind) != kEngineOk)
        return kEngineFailed;
    if (StartCapture() != kEngineOk)
        return FailStart();
    g.Window().FitOwner(g.Owner());
    return kEngineOk;
}

EngineResult RecordingGraph::BuildAviGraph(int kind, bool monitor) {
    CaptureGraph& g = m_context.graph;
    RenderFilters& r = g.Render();
    IBaseFilter* capture = g.VideoCapture();
    ComPtr<IBaseFilter> mux, videoCompressor, audioCompressor;
    if (!OpenAviFile(kind, &mux, &videoCompressor, &audioCompressor))
        return FailStart();
    g.Add(r.smartTee.get(), L"SmartTee Filter");

    // Sound first: it becomes the multiplexer's stream 0, the master stream.
    if (m_captureAudio && monitor) {
        int output = 0;
        if (IBaseFilter* sound = ConnectSoundMonitor(44100, &output)) {
            if (kind == kKindUncompressedAvi) {
                ConnectToMux(sound, output, mux.get());
            } else if (audioCompressor &&
                       SUCCEEDED(g.Connect(sound, output, audioCompressor.get(), 0, false))) {
                ConnectToMux(audioCompressor.get(), 0, mux.get());
            }
        }
    } else if (m_captureAudio) {
        ConnectCapturedSound(kind == kKindUncompressedAvi ? nullptr : audioCompressor.get(), mux.get());
    }

    HRESULT hr = g.Connect(capture, 0, r.smartTee.get(), 0, monitor);
    if (SUCCEEDED(hr)) {
        if (kind == kKindCompressedAvi) {
            hr = g.Connect(r.smartTee.get(), 0, videoCompressor.get(), 0, false);
            if (SUCCEEDED(hr))
                hr = ConnectToMux(videoCompressor.get(), 0, mux.get());
        } else {
            hr = ConnectToMux(r.smartTee.get(), 0, mux.get());
        }
    }
    if (FAILED(hr)) {
        ErrorReport("Error %x: Cannot connect the picture to the file", static_cast<unsigned>(hr));
        return FailStart();
    }

    const int card = g.CardType();
    if (monitor) {
        const int previewOutput = card == kCardSaa7134 ? 1 : 0;
        if (PinAt(capture, PINDIR_OUTPUT, previewOutput))
            AddPreviewBranch(r.smartTee.get(), r.dispOptim.get(), kNameDispOptim, L"VideoRender");
    } else if (PinAt(capture, PINDIR_OUTPUT, 1)) {
        AddPreviewBranch(r.smartTee.get(), r.invert.get(), kNameVideoInvert, L"VideoRender");
    }
    g.ResetOptimiserMode();
    g.Window().Attach(g.FilterGraph(), g.Owner(),
                      m_context.settings.wantPreview ? "This graph cannot preview" : nullptr);
    g.NotifyOwner();
    g.SetState(GraphState::CaptureBuilt);
    if (monitor)
        g.SaveDebugGraph("c:\\AVI.grf");
    return kEngineOk;
}

EngineResult RecordingGraph::StartCaptureAVI(const char* file, int captureAudio, long width, long height) {
    if (kEngineBuild == EngineBuild::Library)
        return StartLibraryAvi(file, kKindUncompressedAvi, captureAudio != 0, width, height);
    CaptureGraph& g = m_context.graph;
    if (!BeginBuild(file, captureAudio != 0))
        return kEngineFailed;
    g.SetPreviewFormat(width, height);
    const bool ntsc = IsNtscStandard(g.CurrentStandard());
    m_context.settings.frameRate = ntsc ? 30.0 : 25.0;
    const long lines = ntsc ? 240 : 288;
    g.SetPreviewFormat(352, lines);
    SetCaptureFormat(352, lines);
    m_kind = kKindUncompressedAvi;
    g.CreateRenderFilters();
    if (BuildAviGraph(kKindUncompressedAvi, MonitorsSound(g.CardType())) != kEngineOk)
        return kEngineFailed;
    if (StartCapture() != kEngineOk)
        return FailStart();
    g.Window().FitOwner(g.Owner());
    return kEngineOk;
}

EngineResult RecordingGraph::StartCaptureMPG4(const char* file, int captureAudio) {
    if (kEngineBuild == EngineBuild::Library)
        return StartLibraryAvi(file, kKindCompressedAvi, captureAudio != 0, kLibraryAviWidth,
                               kLibraryAviHeight);
    CaptureGraph& g = m_context.graph;
    if (!BeginBuild(file, captureAudio != 0))
        return kEngineFailed;
    const bool ntsc = IsNtscStandard(g.CurrentStandard());
    m_context.settings.frameRate = ntsc ? 30.0 : 25.0;
    const long lines = ntsc ? 240 : 288;
    g.SetPreviewFormat(352, lines);
    SetCaptureFormat(352, lines);
    m_kind = kKindCompressedAvi;
    g.CreateRenderFilters();
    if (BuildAviGraph(kKindCompressedAvi, MonitorsSound(g.CardType())) != kEngineOk)
        return kEngineFailed;
    if (StartCapture() != kEngineOk)
        return FailStart();
    g.Window().FitOwner(g.Owner());
    return kEngineOk;
}

} // namespace tunaro
