// The AVI recording graphs: compressed (MPEG-4 video, MP3 sound) and uncompressed (YUY2, PCM),
// plain or with the card's sound heard while recording.
#include "engine/recording_graph.h"

#include "engine/capture_graph.h"
#include "engine/card_rules.h"
#include "engine/device_discovery.h"
#include "engine/dshow_util.h"
#include "engine/engine_report.h"
#include "engine/engine_settings.h"
#include "engine/engine_shared.h"
#include "engine/video_rules.h"
#include "platform/include/outside_filters.h"

namespace tunaro {

namespace {

constexpr int kKindCompressedAvi = 3;
constexpr int kKindUncompressedAvi = 4;

// The families that play their sound through the audio renderer while recording.
bool MonitorsSound(int cardType) {
    return cardType == kCardSaa7134 || cardType == kCardUtv || cardType == kCardCx2388x;
}

} // namespace

EngineResult RecordingGraph::BuildAviGraph(int kind, bool monitor) {
    CaptureGraph& g = m_context.graph;
    RenderFilters& r = g.Render();
    IBaseFilter* capture = g.VideoCapture();
    ComPtr<IBaseFilter> mux;
    ComPtr<IFileSinkFilter> sink;
    const std::wstring file = Widen(m_file.c_str());
    HRESULT hr =
        g.Builder()->SetOutputFileName(&MEDIASUBTYPE_Avi, file.c_str(), mux.Receive(), sink.Receive());
    if (FAILED(hr)) {
        ErrorReport("Cannot set output file");
        return FailStart();
    }
    ComPtr<IConfigAviMux> config;
    if (SUCCEEDED(mux->QueryInterface(IID_IConfigAviMux, config.ReceiveVoid()))) {
        config->SetOutputCompatibilityIndex(TRUE);
        if (m_captureAudio && FAILED(config->SetMasterStream(0)))
            ErrorReport("SetMasterStream failed!");
    }
    ComPtr<IBaseFilter> videoCompressor, audioCompressor;
    if (kind == kKindCompressedAvi) {
        videoCompressor = AddCompressor(m_context.devices.VideoCompressorName(), L"Video compressor");
        if (!videoCompressor)
            return FailStart(); // no MPEG-4 file without its video compressor
        if (m_captureAudio)
            audioCompressor = AddCompressor(m_context.devices.AudioCompressorName(), L"Audio compressor");
    }
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
        IBaseFilter* through = kind == kKindUncompressedAvi ? nullptr : audioCompressor.get();
        if (kind == kKindUncompressedAvi || through)
            g.Builder()->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio, g.AudioCapture(), through,
                                      mux.get());
    }

    hr = g.Connect(capture, 0, r.smartTee.get(), 0, monitor);
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

    const int card = Shared().cardType;
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
    g.SetCaptureBuilt(true);
    if (monitor)
        g.SaveDebugGraph("c:\\AVI.grf");
    return kEngineOk;
}

EngineResult RecordingGraph::StartCaptureAVI(const char* file, int captureAudio, long width, long height) {
    CaptureGraph& g = m_context.graph;
    if (!BeginBuild(file, captureAudio != 0))
        return kEngineFailed;
    g.SetPreviewFormat(width, height);
    const bool ntsc = IsNtscStandard(g.CurrentStandard());
    m_context.settings.frameRate = ntsc ? 30.0 : 25.0;
    const long lines = ntsc ? 240 : 288;
    g.SetPreviewFormat(352, lines);
    SetCaptureFormat(352, lines);
    Shared().captureKind = kKindUncompressedAvi;
    g.CreateRenderFilters();
    if (BuildAviGraph(kKindUncompressedAvi, MonitorsSound(Shared().cardType)) != kEngineOk)
        return kEngineFailed;
    if (StartCapture() != kEngineOk)
        return FailStart();
    g.Window().FitOwner(g.Owner());
    return kEngineOk;
}

EngineResult RecordingGraph::StartCaptureMPG4(const char* file, int captureAudio) {
    CaptureGraph& g = m_context.graph;
    if (!BeginBuild(file, captureAudio != 0))
        return kEngineFailed;
    const bool ntsc = IsNtscStandard(g.CurrentStandard());
    m_context.settings.frameRate = ntsc ? 30.0 : 25.0;
    const long lines = ntsc ? 240 : 288;
    g.SetPreviewFormat(352, lines);
    SetCaptureFormat(352, lines);
    Shared().captureKind = kKindCompressedAvi;
    g.CreateRenderFilters();
    if (BuildAviGraph(kKindCompressedAvi, MonitorsSound(Shared().cardType)) != kEngineOk)
        return kEngineFailed;
    if (StartCapture() != kEngineOk)
        return FailStart();
    g.Window().FitOwner(g.Owner());
    return kEngineOk;
}

} // namespace tunaro
