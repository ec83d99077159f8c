// The Windows Media recording graph: the ASF writer configured from a profile file of the system
// directory, with the video profile (sound and picture) or the audio-only one (the picture is
// only previewed).
#include "engine/recording_graph.h"

#include "engine/capture_graph.h"
#include "engine/card_rules.h"
#include "engine/dshow_util.h"
#include "engine/engine_report.h"
#include "engine/engine_settings.h"
#include "engine/video_rules.h"
#include "engine/wm_profile.h"
#include "framework/debug_print.h"
#include "platform/include/asf_writer.h"
#include "platform/include/outside_filters.h"

namespace tunaro {

namespace {

// The profile file of the system directory.
std::string SystemProfilePath(const char* name) {
    char dir[MAX_PATH] = {};
    const UINT n = GetSystemDirectoryA(dir, MAX_PATH);
    return std::string(dir, n < MAX_PATH ? n : 0) + "\\" + name;
}

} // namespace

EngineResult RecordingGraph::StartCaptureWM(const char* file, int audioOnly) {
    CaptureGraph& g = m_context.graph;
    if (!BeginBuild(file, true))
        return kEngineFailed;
    g.CreateRenderFilters();
    RenderFilters& r = g.Render();
    IBaseFilter* capture = g.VideoCapture();
    const bool ntsc = IsNtscStandard(g.CurrentStandard());
    m_context.settings.frameRate = ntsc ? 30.0 : 25.0;
    if (audioOnly)
        SetCaptureFormat(640, 480);
    else
        SetCaptureFormat(352, 288);

    ComPtr<IBaseFilter> writer = Create(CLSID_WMAsfWriter, "Create ASF FileWriter Fail ");
    if (!writer)
        return FailStart();
    ComPtr<IConfigAsfWriter> config;
    if (FAILED(writer->QueryInterface(__uuidof(IConfigAsfWriter), config.ReceiveVoid()))) {
        NoticeReport("Query ASF Config Filter Fail ");
        return FailStart();
    }
    g.Add(writer.get(), L"WM ASF Filter");
    // A profile that cannot be loaded leaves the writer without inputs; the start then fails and
    // says so.
    const std::string profilePath = SystemProfilePath(audioOnly ? "RecordSetting.prx" : "WMV9.prx");
    ComPtr<IWMProfile> profile;
    HRESULT hr = LoadProfile(profilePath.c_str(), profile);
    if (SUCCEEDED(hr) && profile)
        hr = config->ConfigureFilterUsingProfile(profile.get());
    if (FAILED(hr) || !profile)
        TUNARO_TRACE("engine: profile %s not used (%08lx)", profilePath.c_str(),
                     static_cast<unsigned long>(hr));
    if (!GiveFileName(writer.get()))
        return FailStart();

    // Sound first: it is the writer's input 0.
    if (m_captureAudio) {
        if (MonitorsSound(g.CardType())) {
            int output = 0;
            if (IBaseFilter* sound = ConnectSoundMonitor(0, &output))
                hr = g.Connect(sound, output, writer.get(), 0, true);
            else
                hr = E_FAIL;
        } else {
            int output = 0;
            IBaseFilter* sound = CapturedSound(&output);
            hr = g.Connect(sound, output, writer.get(), 0, true);
        }
        if (FAILED(hr))
            TUNARO_TRACE("engine: Windows Media recording without sound (%08lx)",
                         static_cast<unsigned long>(hr));
    }
    if (!audioOnly) {
        g.Add(r.smartTee.get(), L"SmartTee Filter");
        hr = g.Connect(capture, 0, r.smartTee.get(), 0, true);
        if (SUCCEEDED(hr))
            hr = g.Connect(r.smartTee.get(), 0, writer.get(), 1, true);
        if (FAILED(hr)) {
            ErrorReport("Error %x: Cannot connect the picture to the file", static_cast<unsigned>(hr));
            return FailStart();
        }
        AddPreviewBranch(r.smartTee.get(), r.invert.get(), kNameVideoInvert, L"Video Renderer");
    } else if (r.deinterlacer && r.invert && r.overlayMixer && r.videoRenderer) {
        // Only the preview: deinterlacer, invert, mixer, renderer.
        g.Add(r.deinterlacer.get(), kNameDeinterlacer);
        g.Add(r.invert.get(), kNameVideoInvert);
        g.Add(r.overlayMixer.get(), L"Overlay Mixer");
        g.Add(r.videoRenderer.get(), L"Video Renderer");
        g.Connect(capture, 0, r.deinterlacer.get(), 0, true);
        g.Connect(r.deinterlacer.get(), 0, r.invert.get(), 0, false);
        g.Connect(r.invert.get(), 0, r.overlayMixer.get(), 0, true);
        g.Connect(r.overlayMixer.get(), 0, r.videoRenderer.get(), 0, true);
        g.StretchOverlayMixer();
    }
    g.Window().Attach(g.FilterGraph(), g.Owner(),
                      m_context.settings.wantPreview ? "This graph cannot preview" : nullptr);
    g.NotifyOwner();
    g.SetState(GraphState::CaptureBuilt);
    g.SaveDebugGraph("c:\\WMASF.GRF");
    return Finish();
}

} // namespace tunaro
