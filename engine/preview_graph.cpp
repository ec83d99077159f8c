// The preview chains behind the capture filter, and running and stopping them.
#include "engine/preview_graph.h"

#include "engine/capture_graph.h"
#include "engine/card_rules.h"
#include "engine/dshow_util.h"
#include "engine/engine_build.h"
#include "engine/engine_report.h"
#include "engine/tuner_control.h"
#include "engine/video_rules.h"
#include "platform/include/outside_filters.h"

namespace tunaro {

void PreviewGraph::AddOverlayChain() {
    const int card = m_graph.CardType();
    RenderFilters& r = m_graph.Render();
    IBaseFilter* capture = m_graph.VideoCapture();
    m_graph.Add(r.deinterlacer.get(), kNameDeinterlacer);
    m_graph.Add(r.dispOptim.get(), kNameDispOptim);
    m_graph.Add(r.videoRenderer.get(), L"VideoRender");
    m_graph.Add(r.overlayMixer.get(), L"Overlay Mixer");
    m_graph.Connect(capture, PreviewOutputOf(card, false), r.deinterlacer.get(), 0, false);
    IBaseFilter* last = r.deinterlacer.get();
    if (card == kCardUtv && r.invert) {
        m_graph.Add(r.invert.get(), kNameVideoInvert);
        m_graph.Connect(r.deinterlacer.get(), 0, r.invert.get(), 0, false);
        last = r.invert.get();
    }
    m_graph.Connect(last, 0, r.dispOptim.get(), 0, false);
    m_graph.Connect(r.dispOptim.get(), 0, r.overlayMixer.get(), 0, true);
    m_graph.Connect(r.overlayMixer.get(), 0, r.videoRenderer.get(), 0, true);
    m_graph.ResetOptimiserMode();
}

bool PreviewGraph::BuildOverlayChain() {
    if (m_graph.PreviewBuilt())
        return true;
    if (m_graph.Capturing() || m_graph.PreviewRunning() || !m_graph.VideoCapture() || !m_graph.FilterGraph())
        return false;
    RenderFilters& r = m_graph.Render();
    IBaseFilter* capture = m_graph.VideoCapture();
    m_graph.ConnectMonitorAudio();
    AddOverlayChain();
    if (m_graph.Builder() && r.videoRenderer)
        m_graph.Builder()->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, capture, nullptr,
                                        r.videoRenderer.get());
    m_graph.Window().Attach(m_graph.FilterGraph(), m_graph.Owner(), "This graph cannot spreview properly");
    m_graph.NotifyOwner();
    m_graph.SaveDebugGraph(kEngineBuild == EngineBuild::Tv ? "c:\\Tunaro_Preview.GRF"
                                                           : "c:\\buildPreview.grf");
    m_graph.SetState(GraphState::PreviewBuilt);
    return true;
}

bool PreviewGraph::BuildGrabberChain() {
    if (m_graph.PreviewBuilt())
        return true;
    if (m_graph.Capturing() || m_graph.PreviewRunning() || !m_graph.VideoCapture() || !m_graph.FilterGraph())
        return false;
    const int card = m_graph.CardType();
    RenderFilters& r = m_graph.Render();
    IBaseFilter* capture = m_graph.VideoCapture();
    IGraphBuilder* g = m_graph.FilterGraph();
    if (kEngineBuild == EngineBuild::Library) {
        m_graph.Add(r.aviDecompressor.get(), L"AVI Decompressor Filter");
        m_graph.Add(r.grabber.get(), L"MyGetImage Filter");
        m_graph.Connect(capture, 0, r.grabber.get(), 0, false);
        ComPtr<IPin> out = PinAt(r.grabber.get(), PINDIR_OUTPUT, 0);
        if (out)
            g->Render(out.get());
    } else {
        m_graph.ConnectMonitorAudio();
        m_graph.Add(r.smartTee.get(), L"SmartTee Filter");
        m_graph.Add(r.grabber.get(), L"Trans Form Filter");
        m_graph.Add(r.videoRenderer.get(), L"VideoRender");
        m_graph.Add(r.aviDecompressor.get(), L"VideoRender");
        m_graph.Connect(capture, PreviewOutputOf(card, true), r.smartTee.get(), 0, false);
        m_graph.Connect(r.smartTee.get(), 1, r.grabber.get(), 0, false);
        m_graph.Connect(r.grabber.get(), 0, r.aviDecompressor.get(), 0, false);
        // Into the renderer already in the graph; whatever else the graph finds when that refuses.
        if (FAILED(m_graph.Connect(r.aviDecompressor.get(), 0, r.videoRenderer.get(), 0, false))) {
            ComPtr<IPin> out = PinAt(r.aviDecompressor.get(), PINDIR_OUTPUT, 0);
            if (out)
                g->Render(out.get());
        }
    }
    m_graph.Window().Attach(g, m_graph.Owner(), "This graph cannot preview properly");
    m_graph.NotifyOwner();
    if (kEngineBuild == EngineBuild::Library)
        m_graph.SaveDebugGraph("c:\\buildPreview.grf");
    m_graph.SetState(GraphState::PreviewBuilt);
    return true;
}

EngineResult PreviewGraph::StartDesktopChain() {
    if (!m_graph.FilterGraph() || !m_graph.VideoCapture() || m_graph.Capturing())
        return kEngineFailed;
    m_graph.Window().Disown();
    Stop();
    m_graph.TearDownChain();
    const int card = m_graph.CardType();
    const FrameSize size = DesktopPreviewSize(card);
    m_graph.SetPreviewFormat(size.width, size.height);
    m_graph.CreateRenderFilters();
    RenderFilters& r = m_graph.Render();
    m_graph.ConnectMonitorAudio();
    m_graph.Add(r.grabber.get(), L"Snap Filter");
    m_graph.Add(r.nullRenderer.get(), L"Null Render");
    m_graph.Connect(m_graph.VideoCapture(), PreviewOutputOf(card, true), r.grabber.get(), 0, false);
    m_graph.Connect(r.grabber.get(), 0, r.nullRenderer.get(), 0, false);
    m_graph.SetState(GraphState::PreviewBuilt);
    return Run();
}

EngineResult PreviewGraph::Run() {
    if (!m_graph.FilterGraph())
        return kEngineFailed;
    m_tuner.ApplyCountryBeforeRun();
    const HRESULT hr = m_graph.Run();
    if (FAILED(hr)) {
        ErrorReport("Error %x: Cannot run preview graph", static_cast<unsigned>(hr));
        return kEngineFailed;
    }
    m_graph.SetState(GraphState::PreviewRunning);
    return kEngineOk;
}

EngineResult PreviewGraph::Start(int mode) {
    if (!m_graph.FilterGraph())
        return kEngineFailed;
    if (m_graph.Capturing()) {
        // The recording graph carries its own preview branch: nothing is built, it keeps running.
        m_graph.Run();
        return kEngineOk;
    }
    Stop();
    m_graph.TearDownChain();
    m_mode = mode;
    const long standard = m_graph.CurrentStandard();
    const FrameSize size = kEngineBuild == EngineBuild::Tv
                               ? TvPreviewSize(m_graph.CardType(), standard, m_smallPreview)
                               : LibraryPreviewSize(standard);
    if (m_graph.SetPreviewFormat(size.width, size.height) == E_NOINTERFACE)
        NoticeReport("Preview size  can not be setted!");
    // The library's chain takes its picture from the capture pin: that pin carries the preview
    // size too (a recording before may have left it at its own size).
    if (kEngineBuild == EngineBuild::Library)
        m_graph.SetCaptureFormat(size.width, size.height, 0);
    m_graph.CreateRenderFilters();
    if (kEngineBuild == EngineBuild::Tv && mode == 1)
        BuildOverlayChain();
    else
        BuildGrabberChain();
    Run();
    m_graph.Window().FitOwner(m_graph.Owner());
    return kEngineOk;
}

int PreviewGraph::Stop() {
    if (!m_graph.FilterGraph())
        return -1;
    if (!m_graph.PreviewRunning())
        return 1;
    const HRESULT hr = m_graph.Stop();
    if (FAILED(hr)) {
        ErrorReport("Error %x: Cannot stop preview graph", static_cast<unsigned>(hr));
        return 0;
    }
    m_graph.SetState(GraphState::PreviewBuilt);
    if (m_graph.Owner())
        InvalidateRect(m_graph.Owner(), nullptr, TRUE);
    return 1;
}

} // namespace tunaro
