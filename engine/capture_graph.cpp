// The engine's filter graph: initialisation around the card's filters, teardown, the render
// filters, running and stopping, and the helpers the preview and recording graphs share.
#include "engine/capture_graph.h"

#include <vector>

#include "engine/card_rules.h"
#include "engine/device_discovery.h"
#include "engine/dshow_util.h"
#include "engine/engine_build.h"
#include "engine/engine_report.h"
#include "engine/engine_settings.h"
#include "framework/debug_print.h"
#include "platform/include/outside_filters.h"

namespace tunaro {

namespace {

// The stock Null Renderer {C1F400A4-3F08-11D3-9F0B-006008039E37}.
constexpr GUID kClsidNullRenderer = {
    0xc1f400a4, 0x3f08, 0x11d3, {0x9f, 0x0b, 0x00, 0x60, 0x08, 0x03, 0x9e, 0x37}};

std::vector<ComPtr<IBaseFilter>> FiltersOf(IGraphBuilder* graph) {
    std::vector<ComPtr<IBaseFilter>> all;
    ComPtr<IEnumFilters> filters;
    if (graph && SUCCEEDED(graph->EnumFilters(filters.Receive()))) {
        ComPtr<IBaseFilter> f;
        while (filters->Next(1, f.Receive(), nullptr) == S_OK)
            all.push_back(f);
    }
    return all;
}

} // namespace

// ---- render filters ---------------------------------------------------------------------------------------

void RenderFilters::Release(IGraphBuilder* graph) {
    for (ComPtr<IBaseFilter>* f :
         {&smartTee, &videoRenderer, &overlayMixer, &aviDecompressor, &nullRenderer, &grabber, &deinterlacer,
          &invert, &downSize, &dispOptim, &acmWrapper, &infTee}) {
        if (*f && graph)
            graph->RemoveFilter(f->get());
        *f = nullptr;
    }
}

void RenderFilters::Create(int cardType) {
    struct Item {
        ComPtr<IBaseFilter>* filter;
        const GUID* clsid;
    };
    const Item items[] = {
        {&smartTee, &CLSID_SmartTee},
        {&videoRenderer, &CLSID_VideoRenderer},
        {&overlayMixer, &CLSID_OverlayMixer},
        {&aviDecompressor, &CLSID_AVIDec},
        {&nullRenderer, &kClsidNullRenderer},
        {&grabber, &kClsidFrameGrabber},
        {&deinterlacer, &kClsidDeinterlacer},
        {&invert, &kClsidVideoInvert},
        {&downSize, &kClsidDownSize},
        {&dispOptim,
         cardType == kCardQrt77 && kEngineBuild == EngineBuild::Tv ? &kClsidDispOptimQrt : &kClsidDispOptim},
    };
    for (const Item& item : items) {
        if (FAILED(item.filter->CreateInstance(*item.clsid)))
            TUNARO_TRACE("engine: filter %08lx not available", static_cast<unsigned long>(item.clsid->Data1));
    }
    if (cardType >= kCardTenBit && cardType <= kCardCx2388x) {
        acmWrapper.CreateInstance(CLSID_ACMWrapper);
        infTee.CreateInstance(CLSID_InfTee);
    }
}

// ---- the graph ----------------------------------------------------------------------------------------

CaptureGraph::CaptureGraph(const DeviceDiscovery& devices, const EngineSettings& settings)
    : m_devices(devices), m_settings(settings) {}

CaptureGraph::~CaptureGraph() {
    TearDown();
}

int CaptureGraph::CardType() const {
    return m_devices.CardType();
}

void CaptureGraph::BindCompanions() {
    const CompanionNames n = CompanionNamesFor(CardType(), kEngineBuild);
    const DeviceCategories& c = m_devices.Categories();
    if (!n.tuner.empty() &&
        FAILED(DeviceDiscovery::FindFilterByName(c.tvTuner, n.tuner.c_str(), m_card.tuner)) &&
        !n.tunerFallback.empty())
        DeviceDiscovery::FindFilterByName(c.tvTuner, n.tunerFallback.c_str(), m_card.tuner);
    if (!n.crossbar.empty() &&
        FAILED(DeviceDiscovery::FindFilterByName(c.crossbar, n.crossbar.c_str(), m_card.crossbar)) &&
        !n.crossbarFallback.empty())
        DeviceDiscovery::FindFilterByName(c.crossbar, n.crossbarFallback.c_str(), m_card.crossbar);
    if (n.audioRenderer)
        DeviceDiscovery::FindFilterByName(c.audioRenderer, kDefaultWaveOutName, m_card.audioRenderer);
    if (!n.cardAudio.empty() &&
        SUCCEEDED(DeviceDiscovery::FindFilterByName(c.audioInput, n.cardAudio.c_str(), m_card.cardAudio,
                                                    &m_card.cardAudioDisplayName)))
        Add(m_card.cardAudio.get(), n.cardAudioGraphName.c_str());
    if (!n.encoder.empty() &&
        SUCCEEDED(DeviceDiscovery::FindFilterByName(c.encoder, n.encoder.c_str(), m_card.encoder)))
        Add(m_card.encoder.get(), n.encoderGraphName.c_str());
}

HRESULT CaptureGraph::Add(IBaseFilter* filter, const wchar_t* name) {
    if (!m_graph || !filter)
        return E_POINTER;
    return m_graph->AddFilter(filter, name);
}

HRESULT CaptureGraph::Connect(IBaseFilter* from, int output, IBaseFilter* to, int input, bool direct) {
    return ConnectByIndex(m_graph.get(), from, output, to, input, direct);
}

HRESULT CaptureGraph::FindStreamConfig(const GUID& category, IBaseFilter* filter,
                                       ComPtr<IAMStreamConfig>& config) const {
    config = nullptr;
    if (!filter)
        return E_POINTER;
    for (const GUID* type : {&MEDIATYPE_Interleaved, &MEDIATYPE_Video}) {
        ComPtr<IPin> pin = FindOutputPin(filter, category, type);
        if (pin && SUCCEEDED(pin->QueryInterface(IID_IAMStreamConfig, config.ReceiveVoid())))
            return S_OK;
    }
    HRESULT hr = E_NOINTERFACE;
    if (m_builder) {
        for (const GUID* type : {&MEDIATYPE_Interleaved, &MEDIATYPE_Video}) {
            hr = m_builder->FindInterface(&category, type, filter, IID_IAMStreamConfig, config.ReceiveVoid());
            if (SUCCEEDED(hr) && config)
                return S_OK;
        }
    }
    config = nullptr;
    return FAILED(hr) ? hr : E_NOINTERFACE;
}

bool CaptureGraph::Init() {
    if (!m_builder) {
        HRESULT hr = m_builder.CreateInstance(CLSID_CaptureGraphBuilder2);
        if (SUCCEEDED(hr))
            hr = m_fileWriter.CreateInstance(CLSID_FileWriter);
        if (FAILED(hr)) {
            ErrorReport("Cannot instantiate graph builder");
            m_builder = nullptr;
            return false;
        }
    }
    if (!m_graph) {
        if (FAILED(m_graph.CreateInstance(CLSID_FilterGraph))) {
            ErrorReport("Cannot instantiate filtergraph");
            TearDown();
            return false;
        }
        BindCompanions();
    }
    if (FAILED(m_builder->SetFiltergraph(m_graph.get()))) {
        ErrorReport("Cannot give graph to builder");
        TearDown();
        return false;
    }
    HRESULT hr = Add(m_card.videoCapture.get(), nullptr);
    if (FAILED(hr)) {
        ErrorReport("Error %x: Cannot add vidcap to filtergraph", static_cast<unsigned>(hr));
        TearDown();
        return false;
    }
    if (m_card.tuner) {
        Add(m_card.tuner.get(), L"TV Tuner");
        m_card.tuner->QueryInterface(IID_IAMTVTuner, m_tvTuner.ReceiveVoid());
    }
    if (m_card.crossbar) {
        Add(m_card.crossbar.get(), L"Video Crossbar");
        m_router = std::make_unique<CrossbarRouter>(m_card.crossbar.get());
    }
    for (const GUID* type : {&MEDIATYPE_Interleaved, &MEDIATYPE_Video}) {
        ComPtr<IPin> pin = FindOutputPin(m_card.videoCapture.get(), PIN_CATEGORY_CAPTURE, type);
        if (pin && SUCCEEDED(pin->QueryInterface(IID_IAMVideoCompression, m_videoCompression.ReceiveVoid())))
            break;
    }
    hr = FindStreamConfig(PIN_CATEGORY_CAPTURE, m_card.videoCapture.get(), m_videoConfig);
    if (FAILED(hr)) {
        ErrorReport("Error %x: Cannot find VCapture:IAMStreamConfig", static_cast<unsigned>(hr));
    } else {
        AM_MEDIA_TYPE* type = nullptr;
        if (SUCCEEDED(m_videoConfig->GetFormat(&type)) && type) {
            if (IsEqualGUID(type->formattype, FORMAT_VideoInfo) &&
                type->cbFormat >= sizeof(VIDEOINFOHEADER)) {
                auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat);
                vih->bmiHeader.biWidth = 352;
                vih->bmiHeader.biHeight = 288;
                vih->bmiHeader.biSizeImage = 352 * 288 * vih->bmiHeader.biBitCount / 8;
                type->lSampleSize = vih->bmiHeader.biSizeImage;
                m_videoConfig->SetFormat(type);
            }
            if (!IsEqualGUID(type->majortype, MEDIATYPE_Video)) {
                m_captureAudioRelevant = false;
                m_captureAudio = false;
            }
            DeleteMediaType(type);
        }
    }
    if (!AddAudioCapture())
        return false;
    if (!FindOutputPin(m_card.videoCapture.get(), PIN_CATEGORY_VBI, nullptr) &&
        !FindOutputPin(m_card.videoCapture.get(), PIN_CATEGORY_CC, nullptr)) {
        m_ccAvailable = false;
        m_captureCC = false;
    } else {
        m_ccAvailable = true;
    }
    return true;
}

// Binds the chosen audio device and adds it to the graph for capture. False when the graph had to
// be torn down.
bool CaptureGraph::AddAudioCapture() {
    m_captureAudio = false;
    m_card.audioCapture = nullptr;
    m_audioConfig = nullptr;
    IMoniker* moniker = m_devices.CurrentAudioMoniker();
    if (!moniker)
        return true; // no audio device: capture has no sound
    const bool cardsOwn = m_devices.AudioIsCards();
    bool added = false;
    if (m_card.cardAudio && !m_card.cardAudioDisplayName.empty() &&
        DisplayName(moniker) == m_card.cardAudioDisplayName) {
        // The card audio companion is this very device, already in the graph: a second instance
        // of one hardware pin would not stream.
        m_card.audioCapture = m_card.cardAudio;
        added = true;
    } else {
        const HRESULT hr =
            moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, m_card.audioCapture.ReceiveVoid());
        if (FAILED(hr)) {
            m_card.audioCapture = nullptr;
            if (cardsOwn)
                ErrorReport("Cannot create audio capture filter");
            else
                TUNARO_TRACE("engine: system audio input not usable (%08lx)", static_cast<unsigned long>(hr));
            return true;
        }
    }
    if (!added) {
        const HRESULT hr = Add(m_card.audioCapture.get(), nullptr);
        if (FAILED(hr)) {
            ErrorReport("Error %x: Cannot add audcap to filtergraph", static_cast<unsigned>(hr));
            TearDown();
            return false;
        }
    }
    ComPtr<IPin> pin = FindOutputPin(m_card.audioCapture.get(), PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio);
    if (!pin || FAILED(pin->QueryInterface(IID_IAMStreamConfig, m_audioConfig.ReceiveVoid()))) {
        m_audioConfig = nullptr;
        m_builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio, m_card.audioCapture.get(),
                                 IID_IAMStreamConfig, m_audioConfig.ReceiveVoid());
    }
    if (!m_audioConfig) {
        if (cardsOwn) {
            // The card's driver lists a device that cannot be configured: worth telling.
            ErrorReport("Cannot find ACapture:IAMStreamConfig");
        } else {
            // The system's own input is only a stand-by for cards without sound of their own; one
            // that offers no capture stream is left out instead of alarming the user at every start.
            TUNARO_TRACE("engine: system audio input has no capture stream, recording without sound");
            m_graph->RemoveFilter(m_card.audioCapture.get());
            m_card.audioCapture = nullptr;
            return true;
        }
    }
    m_captureAudio = true;
    return true;
}

void CaptureGraph::TearDown() {
    TearDownChain();
    if (m_mediaEvent)
        m_mediaEvent->SetNotifyWindow(0, 0, 0);
    m_mediaEvent = nullptr;
    m_router.reset();
    m_tvTuner = nullptr;
    m_videoConfig = nullptr;
    m_audioConfig = nullptr;
    m_videoCompression = nullptr;
    // Everything leaves the graph so the filters the engine keeps can join the next one.
    for (auto& f : FiltersOf(m_graph.get()))
        m_graph->RemoveFilter(f.get());
    ComPtr<IBaseFilter> videoCapture = std::move(m_card.videoCapture);
    m_card = CardFilters();
    m_card.videoCapture = std::move(videoCapture);
    m_graph = nullptr;
    m_builder = nullptr;
    m_fileWriter = nullptr;
    m_state = GraphState::Empty;
}

void CaptureGraph::RemoveDownstreamOf(IBaseFilter* filter) {
    if (!filter || !m_graph)
        return;
    ComPtr<IEnumPins> pins;
    if (FAILED(filter->EnumPins(pins.Receive())))
        return;
    std::vector<ComPtr<IPin>> all;
    ComPtr<IPin> pin;
    while (pins->Next(1, pin.Receive(), nullptr) == S_OK)
        all.push_back(pin);
    for (auto& p : all) {
        ComPtr<IPin> peer;
        if (p->ConnectedTo(peer.Receive()) != S_OK || !peer)
            continue;
        PIN_INFO info = {};
        if (FAILED(peer->QueryPinInfo(&info)))
            continue;
        ComPtr<IBaseFilter> next;
        next.Attach(info.pFilter);
        if (info.dir != PINDIR_INPUT)
            continue;
        RemoveDownstreamOf(next.get());
        m_graph->Disconnect(peer.get());
        m_graph->Disconnect(p.get());
        m_graph->RemoveFilter(next.get());
    }
}

// A graph whose Run failed half way can leave the filters it had paused or started behind (this
// platform's graph does), with their streaming threads still pushing samples; nothing of a graph
// may outlive its stop or teardown.
void CaptureGraph::StopEveryFilter() {
    for (auto& f : FiltersOf(m_graph.get())) {
        FILTER_STATE state = State_Stopped;
        const HRESULT hr = f->GetState(0, &state);
        // VFW_S_STATE_INTERMEDIATE and friends still tell the state being entered.
        if (FAILED(hr) || state != State_Stopped)
            f->Stop();
    }
}

void CaptureGraph::TearDownChain() {
    m_window.Detach();
    if (m_graph) {
        ComPtr<IMediaControl> control;
        if (SUCCEEDED(m_graph->QueryInterface(IID_IMediaControl, control.ReceiveVoid())))
            control->Stop();
        StopEveryFilter();
    }
    RemoveDownstreamOf(m_card.videoCapture.get());
    RemoveDownstreamOf(m_card.audioCapture.get());
    RemoveDownstreamOf(m_card.cardAudio.get());
    RemoveDownstreamOf(m_card.encoder.get());
    m_render.Release(m_graph.get());
    m_state = GraphState::Empty;
}

void CaptureGraph::CreateRenderFilters() {
    m_render.Release(m_graph.get());
    m_render.Create(CardType());
}

void CaptureGraph::ConnectMonitorAudio() {
    const int card = CardType();
    if (!MonitorsSound(card) || !m_card.audioRenderer)
        return;
    if (FAILED(Add(m_card.audioRenderer.get(), L"Wave Auido Render")))
        return;
    HRESULT hr;
    if (card == kCardSaa7134)
        hr = Connect(m_card.videoCapture.get(), 3, m_card.audioRenderer.get(), 0, false);
    else
        hr = Connect(m_card.cardAudio.get(), 0, m_card.audioRenderer.get(), 0, false);
    if (FAILED(hr))
        TUNARO_TRACE("engine: card sound not connected (%08lx)", static_cast<unsigned long>(hr));
}

void CaptureGraph::StretchOverlayMixer() {
    ComPtr<IPin> in = PinAt(m_render.overlayMixer.get(), PINDIR_INPUT, 0);
    ComPtr<IMixerPinConfig> mixer;
    if (in && SUCCEEDED(in->QueryInterface(__uuidof(IMixerPinConfig), mixer.ReceiveVoid())))
        mixer->SetAspectRatioMode(AM_ARMODE_STRETCHED);
}

void CaptureGraph::ResetOptimiserMode() {
    IBaseFilter* optimiser = m_render.dispOptim.get();
    if (!optimiser)
        return;
    if (CardType() == kCardQrt77 && kEngineBuild == EngineBuild::Tv) {
        ComPtr<IDispOptimQrt> o;
        if (SUCCEEDED(optimiser->QueryInterface(__uuidof(IDispOptimQrt), o.ReceiveVoid())))
            o->SetMode(0);
    } else {
        ComPtr<IDispOptim> o;
        if (SUCCEEDED(optimiser->QueryInterface(__uuidof(IDispOptim), o.ReceiveVoid())))
            o->SetMode(0);
    }
}

void CaptureGraph::NotifyOwner() {
    if (m_graph && SUCCEEDED(m_graph->QueryInterface(IID_IMediaEventEx, m_mediaEvent.ReceiveVoid())))
        m_mediaEvent->SetNotifyWindow(reinterpret_cast<OAHWND>(m_owner), kGraphNotifyMessage, 0);
}

bool CaptureGraph::NextEvent(long* code, LONG_PTR* param1) {
    if (!m_mediaEvent)
        return false;
    LONG_PTR p1 = 0, p2 = 0;
    if (m_mediaEvent->GetEvent(code, &p1, &p2, 0) != S_OK)
        return false;
    *param1 = p1;
    m_mediaEvent->FreeEventParams(*code, p1, p2);
    return true;
}

void CaptureGraph::SaveDebugGraph(const char* path) {
    if (m_settings.debugGraphFiles) {
        const HRESULT hr = SaveGraphToFile(m_graph.get(), path);
        TUNARO_TRACE("engine: graph file %s: %08lx", path, static_cast<unsigned long>(hr));
    }
}

// ---- formats and counts -----------------------------------------------------------------------------

namespace {

// YUY2 of the given size (and frame rate, when not 0) through a pin's stream configuration.
HRESULT SetYuy2Format(IAMStreamConfig* config, long width, long height, double framesPerSecond) {
    AM_MEDIA_TYPE* type = nullptr;
    HRESULT hr = config->GetFormat(&type);
    if (FAILED(hr) || !type)
        return FAILED(hr) ? hr : E_FAIL;
    if (BITMAPINFOHEADER* bmi = BitmapHeaderOf(*type)) {
        type->subtype = MEDIASUBTYPE_YUY2;
        bmi->biCompression = MAKEFOURCC('Y', 'U', 'Y', '2');
        bmi->biBitCount = 16;
        bmi->biWidth = width;
        bmi->biHeight = height;
        bmi->biSizeImage = static_cast<DWORD>(width * height * 2);
        type->lSampleSize = bmi->biSizeImage;
        if (framesPerSecond > 0 && IsEqualGUID(type->formattype, FORMAT_VideoInfo))
            reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat)->AvgTimePerFrame =
                static_cast<REFERENCE_TIME>(10000000.0 / framesPerSecond);
        hr = config->SetFormat(type);
    } else {
        hr = VFW_E_INVALIDMEDIATYPE;
    }
    DeleteMediaType(type);
    return hr;
}

} // namespace

HRESULT CaptureGraph::SetPreviewFormat(long width, long height) {
    ComPtr<IAMStreamConfig> config;
    if (FAILED(FindStreamConfig(PIN_CATEGORY_PREVIEW, m_card.videoCapture.get(), config)) &&
        FAILED(FindStreamConfig(PIN_CATEGORY_CAPTURE, m_card.videoCapture.get(), config)))
        return E_NOINTERFACE;
    return SetYuy2Format(config.get(), width, height, 0);
}

HRESULT CaptureGraph::SetCaptureFormat(long width, long height, double framesPerSecond) {
    ComPtr<IAMStreamConfig> config;
    if (FAILED(FindStreamConfig(PIN_CATEGORY_CAPTURE, m_card.videoCapture.get(), config)))
        return E_NOINTERFACE;
    return SetYuy2Format(config.get(), width, height, framesPerSecond);
}

bool CaptureGraph::GetVideoSize(long* width, long* height) const {
    ComPtr<IAMStreamConfig> config;
    if (FAILED(FindStreamConfig(PIN_CATEGORY_PREVIEW, m_card.videoCapture.get(), config)) &&
        FAILED(FindStreamConfig(PIN_CATEGORY_CAPTURE, m_card.videoCapture.get(), config)))
        return false;
    AM_MEDIA_TYPE* type = nullptr;
    if (FAILED(config->GetFormat(&type)) || !type)
        return false;
    long w = 0, h = 0;
    const bool ok = FrameSizeOf(*type, &w, &h);
    DeleteMediaType(type);
    if (!ok)
        return false;
    if (width)
        *width = w;
    if (height)
        *height = h;
    return true;
}

long CaptureGraph::CurrentStandard() const {
    ComPtr<IAMAnalogVideoDecoder> decoder;
    long standard = 0;
    if (m_card.videoCapture &&
        SUCCEEDED(m_card.videoCapture->QueryInterface(IID_IAMAnalogVideoDecoder, decoder.ReceiveVoid())))
        decoder->get_TVFormat(&standard);
    return standard;
}

bool CaptureGraph::FrameCounts(long* delivered, long* dropped) const {
    // The counters of the pin that streams: a connected capture pin, else a connected preview pin,
    // else whichever has counters.
    ComPtr<IAMDroppedFrames> counts, fallback;
    for (const GUID* category : {&PIN_CATEGORY_CAPTURE, &PIN_CATEGORY_PREVIEW}) {
        for (const GUID* type : {&MEDIATYPE_Interleaved, &MEDIATYPE_Video}) {
            ComPtr<IPin> pin = FindOutputPin(m_card.videoCapture.get(), *category, type);
            ComPtr<IAMDroppedFrames> pinCounts;
            if (!pin || FAILED(pin->QueryInterface(IID_IAMDroppedFrames, pinCounts.ReceiveVoid())))
                continue;
            ComPtr<IPin> peer;
            if (pin->ConnectedTo(peer.Receive()) == S_OK && !counts)
                counts = pinCounts;
            if (!fallback)
                fallback = pinCounts;
        }
    }
    if (!counts)
        counts = fallback;
    if (!counts)
        return false;
    long good = 0, bad = 0;
    if (FAILED(counts->GetNumNotDropped(&good)) || FAILED(counts->GetNumDropped(&bad)))
        return false;
    if (delivered)
        *delivered = good;
    if (dropped)
        *dropped = bad;
    return true;
}

// ---- running ------------------------------------------------------------------------------------------

HRESULT CaptureGraph::Run() {
    ComPtr<IMediaControl> control;
    HRESULT hr = m_graph ? m_graph->QueryInterface(IID_IMediaControl, control.ReceiveVoid()) : E_POINTER;
    if (SUCCEEDED(hr)) {
        hr = control->Run();
        if (FAILED(hr)) {
            control->Stop();
            StopEveryFilter();
        }
    }
    return hr;
}

HRESULT CaptureGraph::Pause() {
    ComPtr<IMediaControl> control;
    HRESULT hr = m_graph ? m_graph->QueryInterface(IID_IMediaControl, control.ReceiveVoid()) : E_POINTER;
    if (SUCCEEDED(hr)) {
        hr = control->Pause();
        if (FAILED(hr)) {
            control->Stop();
            StopEveryFilter();
        }
    }
    return hr;
}

HRESULT CaptureGraph::Stop() {
    ComPtr<IMediaControl> control;
    HRESULT hr = m_graph ? m_graph->QueryInterface(IID_IMediaControl, control.ReceiveVoid()) : E_POINTER;
    if (SUCCEEDED(hr))
        hr = control->Stop();
    StopEveryFilter();
    return hr;
}

} // namespace tunaro
