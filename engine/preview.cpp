// The capture engine's preview part: the overlay and grabber chains, running and stopping, the
// video window, still images and graph files.
#include "engine/CaptureEngine.h"

#include <dvdmedia.h>

#include "engine/dshow_util.h"
#include "engine/still_image.h"
#include "outside_filters.h"

namespace tunaro {

namespace {

// The stock Null Renderer {C1F400A4-3F08-11D3-9F0B-006008039E37}.
constexpr GUID kClsidNullRenderer = {
    0xc1f400a4, 0x3f08, 0x11d3, {0x9f, 0x0b, 0x00, 0x60, 0x08, 0x03, 0x9e, 0x37}};

// The capture filter's output that feeds the preview chains: the UTV and 2388x cards deliver
// video on output 0, the others preview on output 1.
int PreviewOutputOf(int cardType, bool grabberChain) {
    if (cardType == kCardUtv)
        return 0;
    if (cardType == kCardCx2388x && !grabberChain)
        return 0;
    return 1;
}

bool CardMonitorsAudio(int cardType) {
    return cardType == kCardSaa7134 || cardType == kCardUtv || cardType == kCardCx2388x;
}

// Width and height of a video media type (VideoInfo or VideoInfo2).
bool FrameSizeOf(const AM_MEDIA_TYPE& type, long* width, long* height) {
    const BITMAPINFOHEADER* bmi = nullptr;
    if (IsEqualGUID(type.formattype, FORMAT_VideoInfo) && type.cbFormat >= sizeof(VIDEOINFOHEADER))
        bmi = &reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader;
    else if (IsEqualGUID(type.formattype, FORMAT_VideoInfo2) && type.cbFormat >= sizeof(VIDEOINFOHEADER2))
        bmi = &reinterpret_cast<const VIDEOINFOHEADER2*>(type.pbFormat)->bmiHeader;
    if (!bmi)
        return false;
    *width = bmi->biWidth;
    *height = bmi->biHeight < 0 ? -bmi->biHeight : bmi->biHeight;
    return true;
}

bool WriteWholeFile(const char* path, const void* data, size_t size) {
    FileHandle file(
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    DWORD written = 0;
    return WriteFile(file.get(), data, static_cast<DWORD>(size), &written, nullptr) && written == size;
}

} // namespace

// ---- render filters ---------------------------------------------------------------------------------------

void CaptureEngine::ReleaseRenderFilters() {
    for (ComPtr<IBaseFilter>* f :
         {&smartTee_, &videoRenderer_, &overlayMixer_, &aviDecompressor_, &nullRenderer_, &grabber_,
          &deinterlacer_, &invert_, &downSize_, &dispOptim_, &acmWrapper_, &infTee_}) {
        if (*f && graph_)
            graph_->RemoveFilter(f->get());
        *f = nullptr;
    }
}

void CaptureEngine::CreateRenderFilters() {
    ReleaseRenderFilters();
    const int card = Shared().cardType;
    struct Item {
        ComPtr<IBaseFilter>* filter;
        const GUID* clsid;
    };
    const Item items[] = {
        {&smartTee_, &CLSID_SmartTee},
        {&videoRenderer_, &CLSID_VideoRenderer},
        {&overlayMixer_, &CLSID_OverlayMixer},
        {&aviDecompressor_, &CLSID_AVIDec},
        {&nullRenderer_, &kClsidNullRenderer},
        {&grabber_, &kClsidFrameGrabber},
        {&deinterlacer_, &kClsidDeinterlacer},
        {&invert_, &kClsidVideoInvert},
        {&downSize_, &kClsidDownSize},
        {&dispOptim_,
         card == kCardQrt77 && kEngineBuild == EngineBuild::Tv ? &kClsidDispOptimQrt : &kClsidDispOptim},
    };
    for (const Item& item : items) {
        if (FAILED(item.filter->CreateInstance(*item.clsid)))
            EngineTrace("engine: filter %08lx not available, Line=%ld\n",
                        static_cast<unsigned long>(item.clsid->Data1), static_cast<long>(__LINE__));
    }
    if (card >= kCardTenBit && card <= kCardCx2388x) {
        acmWrapper_.CreateInstance(CLSID_ACMWrapper);
        infTee_.CreateInstance(CLSID_InfTee);
    }
}

// ---- preview format ---------------------------------------------------------------------------------------

HRESULT CaptureEngine::SetPreviewFormat(long width, long height) {
    ComPtr<IAMStreamConfig> config;
    if (FAILED(FindStreamConfig(PIN_CATEGORY_PREVIEW, videoCapture_.get(), config)) &&
        FAILED(FindStreamConfig(PIN_CATEGORY_CAPTURE, videoCapture_.get(), config)))
        return E_NOINTERFACE;
    AM_MEDIA_TYPE* type = nullptr;
    HRESULT hr = config->GetFormat(&type);
    if (FAILED(hr) || !type)
        return FAILED(hr) ? hr : E_FAIL;
    BITMAPINFOHEADER* bmi = nullptr;
    if (IsEqualGUID(type->formattype, FORMAT_VideoInfo) && type->cbFormat >= sizeof(VIDEOINFOHEADER))
        bmi = &reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat)->bmiHeader;
    else if (IsEqualGUID(type->formattype, FORMAT_VideoInfo2) && type->cbFormat >= sizeof(VIDEOINFOHEADER2))
        bmi = &reinterpret_cast<VIDEOINFOHEADER2*>(type->pbFormat)->bmiHeader;
    if (bmi) {
        type->subtype = MEDIASUBTYPE_YUY2;
        bmi->biCompression = MAKEFOURCC('Y', 'U', 'Y', '2');
        bmi->biBitCount = 16;
        bmi->biWidth = width;
        bmi->biHeight = height;
        bmi->biSizeImage = static_cast<DWORD>(width * height * 2);
        type->lSampleSize = bmi->biSizeImage;
        hr = config->SetFormat(type);
    } else {
        hr = VFW_E_INVALIDMEDIATYPE;
    }
    DeleteMediaType(type);
    return hr;
}

int CaptureEngine::GetVideoSize(long* width, long* height) {
    ComPtr<IAMStreamConfig> config;
    if (FAILED(FindStreamConfig(PIN_CATEGORY_PREVIEW, videoCapture_.get(), config)) &&
        FAILED(FindStreamConfig(PIN_CATEGORY_CAPTURE, videoCapture_.get(), config)))
        return 0;
    AM_MEDIA_TYPE* type = nullptr;
    if (FAILED(config->GetFormat(&type)) || !type)
        return 0;
    long w = 0, h = 0;
    const bool ok = FrameSizeOf(*type, &w, &h);
    DeleteMediaType(type);
    if (!ok)
        return 0;
    if (width)
        *width = w;
    if (height)
        *height = h;
    return 1;
}

// ---- chains -------------------------------------------------------------------------------------------

void CaptureEngine::RemoveDownstreamOf(IBaseFilter* filter) {
    if (!filter || !graph_)
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
        graph_->Disconnect(peer.get());
        graph_->Disconnect(p.get());
        graph_->RemoveFilter(next.get());
    }
}

// Puts every filter of the graph into the stopped state itself. A graph whose Run failed half way
// can leave the filters it had paused or started behind (this platform's graph does), with their
// streaming threads still pushing samples; nothing of a graph may outlive its stop or teardown.
void CaptureEngine::StopEveryFilter() {
    if (!graph_)
        return;
    std::vector<ComPtr<IBaseFilter>> all;
    ComPtr<IEnumFilters> filters;
    if (SUCCEEDED(graph_->EnumFilters(filters.Receive()))) {
        ComPtr<IBaseFilter> f;
        while (filters->Next(1, f.Receive(), nullptr) == S_OK)
            all.push_back(f);
    }
    for (auto& f : all) {
        FILTER_STATE state = State_Stopped;
        const HRESULT hr = f->GetState(0, &state);
        // VFW_S_STATE_INTERMEDIATE and friends still tell the state being entered.
        if (FAILED(hr) || state != State_Stopped)
            f->Stop();
    }
}

void CaptureEngine::TearDownChain() {
    if (videoWindow_) {
        videoWindow_->put_Visible(OAFALSE);
        videoWindow_->put_Owner(0);
        videoWindow_->put_MessageDrain(0);
    }
    videoWindow_ = nullptr;
    if (graph_) {
        ComPtr<IMediaControl> control;
        if (SUCCEEDED(graph_->QueryInterface(IID_IMediaControl, control.ReceiveVoid())))
            control->Stop();
        StopEveryFilter();
    }
    previewRunning_ = false;
    RemoveDownstreamOf(videoCapture_.get());
    RemoveDownstreamOf(audioCapture_.get());
    RemoveDownstreamOf(cardAudio_.get());
    ReleaseRenderFilters();
    previewBuilt_ = false;
    captureBuilt_ = false;
}

void CaptureEngine::ConnectMonitorAudio() {
    const int card = Shared().cardType;
    if (!CardMonitorsAudio(card) || !audioRenderer_)
        return;
    if (FAILED(AddToGraph(audioRenderer_.get(), L"Wave Auido Render")))
        return;
    HRESULT hr;
    if (card == kCardSaa7134)
        hr = ConnectByIndex(graph_.get(), videoCapture_.get(), 3, audioRenderer_.get(), 0, false);
    else
        hr = ConnectByIndex(graph_.get(), cardAudio_.get(), 0, audioRenderer_.get(), 0, false);
    if (FAILED(hr))
        EngineTrace("engine: card sound not connected (%08lx), Line=%ld\n", static_cast<unsigned long>(hr),
                    static_cast<long>(__LINE__));
}

void CaptureEngine::SetUpVideoWindow(const char* failureText) {
    videoWindow_ = nullptr;
    HRESULT hr = graph_ ? graph_->QueryInterface(IID_IVideoWindow, videoWindow_.ReceiveVoid()) : E_POINTER;
    if (SUCCEEDED(hr)) {
        videoWindow_->put_AutoShow(OAFALSE);
        hr = videoWindow_->put_Owner(reinterpret_cast<OAHWND>(owner_));
    }
    if (FAILED(hr)) {
        videoWindow_ = nullptr;
        ErrorReport("%s", failureText);
        return;
    }
    videoWindow_->put_MessageDrain(reinterpret_cast<OAHWND>(owner_));
    videoWindow_->put_WindowStyle(WS_CHILD);
    RECT client = {};
    if (owner_)
        GetClientRect(owner_, &client);
    videoWindow_->SetWindowPosition(0, 0, client.right, client.bottom);
    videoWindow_->put_Visible(OATRUE);
}

int CaptureEngine::BuildOverlayChain() {
    if (previewBuilt_)
        return 1;
    if (capturing_ || previewRunning_ || !videoCapture_ || !graph_)
        return 0;
    const int card = Shared().cardType;
    ConnectMonitorAudio();
    AddToGraph(deinterlacer_.get(), kNameDeinterlacer);
    AddToGraph(dispOptim_.get(), kNameDispOptim);
    AddToGraph(videoRenderer_.get(), L"VideoRender");
    AddToGraph(overlayMixer_.get(), L"Overlay Mixer");
    IGraphBuilder* g = graph_.get();
    ConnectByIndex(g, videoCapture_.get(), PreviewOutputOf(card, false), deinterlacer_.get(), 0, false);
    IBaseFilter* last = deinterlacer_.get();
    if (card == kCardUtv && invert_) {
        AddToGraph(invert_.get(), kNameVideoInvert);
        ConnectByIndex(g, deinterlacer_.get(), 0, invert_.get(), 0, false);
        last = invert_.get();
    }
    ConnectByIndex(g, last, 0, dispOptim_.get(), 0, false);
    ConnectByIndex(g, dispOptim_.get(), 0, overlayMixer_.get(), 0, true);
    ConnectByIndex(g, overlayMixer_.get(), 0, videoRenderer_.get(), 0, true);
    if (card == kCardQrt77) {
        ComPtr<IDispOptimQrt> optimiser;
        if (dispOptim_ &&
            SUCCEEDED(dispOptim_->QueryInterface(__uuidof(IDispOptimQrt), optimiser.ReceiveVoid())))
            optimiser->SetMode(0);
    } else {
        ComPtr<IDispOptim> optimiser;
        if (dispOptim_ &&
            SUCCEEDED(dispOptim_->QueryInterface(__uuidof(IDispOptim), optimiser.ReceiveVoid())))
            optimiser->SetMode(0);
    }
    if (builder_ && videoRenderer_)
        builder_->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, videoCapture_.get(), nullptr,
                               videoRenderer_.get());
    SetUpVideoWindow("This graph cannot spreview properly");
    if (SUCCEEDED(graph_->QueryInterface(IID_IMediaEventEx, mediaEvent_.ReceiveVoid())))
        mediaEvent_->SetNotifyWindow(reinterpret_cast<OAHWND>(owner_), kGraphNotifyMessage, 0);
    SaveDebugGraph(kEngineBuild == EngineBuild::Tv ? "c:\\Tunaro_Preview.GRF" : "c:\\buildPreview.grf");
    previewBuilt_ = true;
    return 1;
}

int CaptureEngine::BuildGrabberChain() {
    if (previewBuilt_)
        return 1;
    if (capturing_ || previewRunning_ || !videoCapture_ || !graph_)
        return 0;
    const int card = Shared().cardType;
    IGraphBuilder* g = graph_.get();
    if (kEngineBuild == EngineBuild::Library) {
        AddToGraph(aviDecompressor_.get(), L"AVI Decompressor Filter");
        AddToGraph(grabber_.get(), L"MyGetImage Filter");
        ConnectByIndex(g, videoCapture_.get(), 0, grabber_.get(), 0, false);
        ComPtr<IPin> out = PinAt(grabber_.get(), PINDIR_OUTPUT, 0);
        if (out)
            g->Render(out.get());
    } else {
        ConnectMonitorAudio();
        AddToGraph(smartTee_.get(), L"SmartTee Filter");
        AddToGraph(grabber_.get(), L"Trans Form Filter");
        AddToGraph(videoRenderer_.get(), L"VideoRender");
        AddToGraph(aviDecompressor_.get(), L"VideoRender");
        ConnectByIndex(g, videoCapture_.get(), PreviewOutputOf(card, true), smartTee_.get(), 0, false);
        ConnectByIndex(g, smartTee_.get(), 1, grabber_.get(), 0, false);
        ConnectByIndex(g, grabber_.get(), 0, aviDecompressor_.get(), 0, false);
        // Into the renderer already in the graph; whatever else the graph finds when that refuses.
        if (FAILED(ConnectByIndex(g, aviDecompressor_.get(), 0, videoRenderer_.get(), 0, false))) {
            ComPtr<IPin> out = PinAt(aviDecompressor_.get(), PINDIR_OUTPUT, 0);
            if (out)
                g->Render(out.get());
        }
    }
    SetUpVideoWindow("This graph cannot preview properly");
    if (SUCCEEDED(graph_->QueryInterface(IID_IMediaEventEx, mediaEvent_.ReceiveVoid())))
        mediaEvent_->SetNotifyWindow(reinterpret_cast<OAHWND>(owner_), kGraphNotifyMessage, 0);
    if (kEngineBuild == EngineBuild::Library)
        SaveDebugGraph("c:\\buildPreview.grf");
    previewBuilt_ = true;
    return 1;
}

int CaptureEngine::BuildDesktopChain() {
    if (!graph_ || !videoCapture_ || capturing_)
        return 0;
    if (videoWindow_) {
        videoWindow_->put_Owner(0);
        videoWindow_->put_MessageDrain(0);
    }
    StopPreview();
    TearDownChain();
    const int card = Shared().cardType;
    const FrameSize size = DesktopPreviewSize(card);
    SetPreviewFormat(size.width, size.height);
    CreateRenderFilters();
    ConnectMonitorAudio();
    AddToGraph(grabber_.get(), L"Snap Filter");
    AddToGraph(nullRenderer_.get(), L"Null Render");
    ConnectByIndex(graph_.get(), videoCapture_.get(), PreviewOutputOf(card, true), grabber_.get(), 0, false);
    ConnectByIndex(graph_.get(), grabber_.get(), 0, nullRenderer_.get(), 0, false);
    previewBuilt_ = true;
    return RunPreview();
}

int CaptureEngine::RunPreview() {
    if (!graph_)
        return 0;
    if (Shared().cardType == kCardUtv && kEngineBuild == EngineBuild::Tv && channels_ &&
        channels_->CountryFrequencyCount() > 0)
        ApplyCountry();
    ComPtr<IMediaControl> control;
    HRESULT hr = graph_->QueryInterface(IID_IMediaControl, control.ReceiveVoid());
    if (SUCCEEDED(hr)) {
        hr = control->Run();
        if (FAILED(hr)) {
            control->Stop();
            StopEveryFilter();
        }
    }
    if (FAILED(hr)) {
        ErrorReport("Error %x: Cannot run preview graph", static_cast<unsigned>(hr));
        return 0;
    }
    previewRunning_ = true;
    return 1;
}

int CaptureEngine::StartVideoPreview(int mode) {
    if (!graph_)
        return 0;
    if (capturing_) {
        // The recording graph carries its own preview branch: nothing is built, it keeps running.
        ComPtr<IMediaControl> control;
        if (SUCCEEDED(graph_->QueryInterface(IID_IMediaControl, control.ReceiveVoid())))
            control->Run();
        return 1;
    }
    StopPreview();
    TearDownChain();
    previewMode_ = mode;
    const FrameSize size = kEngineBuild == EngineBuild::Tv
                               ? TvPreviewSize(Shared().cardType, GetVideoFormat(), Shared().smallPreview)
                               : LibraryPreviewSize(GetVideoFormat());
    if (SetPreviewFormat(size.width, size.height) == E_NOINTERFACE)
        NoticeReport("Preview size  can not be setted!");
    CreateRenderFilters();
    if (kEngineBuild == EngineBuild::Tv && mode == 1)
        BuildOverlayChain();
    else
        BuildGrabberChain();
    RunPreview();
    if (videoWindow_) {
        RECT client = {};
        if (owner_)
            GetClientRect(owner_, &client);
        videoWindow_->put_Owner(reinterpret_cast<OAHWND>(owner_));
        videoWindow_->SetWindowPosition(0, 0, client.right, client.bottom);
        videoWindow_->put_MessageDrain(reinterpret_cast<OAHWND>(owner_));
    }
    drain_ = owner_;
    return 1;
}

int CaptureEngine::StopPreview() {
    if (!graph_)
        return -1;
    if (!previewRunning_)
        return 1;
    ComPtr<IMediaControl> control;
    HRESULT hr = graph_->QueryInterface(IID_IMediaControl, control.ReceiveVoid());
    if (SUCCEEDED(hr))
        hr = control->Stop();
    StopEveryFilter();
    if (FAILED(hr)) {
        ErrorReport("Error %x: Cannot stop preview graph", static_cast<unsigned>(hr));
        return 0;
    }
    previewRunning_ = false;
    if (owner_)
        InvalidateRect(owner_, nullptr, TRUE);
    return 1;
}

int CaptureEngine::SetVideoWindowsPos(long left, long top, long width, long height) {
    windowRect_ = {left, top, width, height};
    // One call for all four: this platform's put_Left and put_Top each keep the other coordinate
    // from the window's screen rectangle, which moved the picture right by the owner's distance
    // from the screen's edge and left a black band beside it.
    if (videoWindow_)
        videoWindow_->SetWindowPosition(left, top, width, height);
    return 1;
}

void CaptureEngine::SetMessageDrain(HWND window) {
    drain_ = window;
    if (videoWindow_)
        videoWindow_->put_MessageDrain(reinterpret_cast<OAHWND>(window));
}

int CaptureEngine::GetFrameCounts(long* delivered, long* dropped) {
    // The counters of the pin that streams: a connected capture pin, else a connected preview pin,
    // else whichever has counters.
    ComPtr<IAMDroppedFrames> counts, fallback;
    for (const GUID* category : {&PIN_CATEGORY_CAPTURE, &PIN_CATEGORY_PREVIEW}) {
        for (const GUID* type : {&MEDIATYPE_Interleaved, &MEDIATYPE_Video}) {
            ComPtr<IPin> pin = FindOutputPin(videoCapture_.get(), *category, type);
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
        return 0;
    long good = 0, bad = 0;
    if (FAILED(counts->GetNumNotDropped(&good)) || FAILED(counts->GetNumDropped(&bad)))
        return 0;
    if (delivered)
        *delivered = good;
    if (dropped)
        *dropped = bad;
    return 1;
}

// ---- graph files ---------------------------------------------------------------------------------------

HRESULT CaptureEngine::SaveGraphFile(const char* path) {
    return SaveGraphToFile(graph_.get(), path);
}

void CaptureEngine::SaveDebugGraph(const char* path) {
    if (settings_.debugGraphFiles) {
        const HRESULT hr = SaveGraphFile(path);
        EngineTrace("engine: graph file %s: %08lx, Line=%ld\n", path, static_cast<unsigned long>(hr),
                    static_cast<long>(__LINE__));
    }
}

// ---- still images ---------------------------------------------------------------------------------------

bool CaptureEngine::GrabberFrameSize(long* width, long* height) {
    // The size of what the grabber receives: the preview pin may run at another size than the
    // capture pin.
    ComPtr<IPin> in = PinAt(grabber_.get(), PINDIR_INPUT, 0);
    AM_MEDIA_TYPE type = {};
    if (in && in->ConnectionMediaType(&type) == S_OK) {
        const bool ok = FrameSizeOf(type, width, height);
        if (type.pbFormat)
            CoTaskMemFree(type.pbFormat);
        if (type.pUnk)
            type.pUnk->Release();
        if (ok)
            return true;
    }
    if (!videoConfig_)
        return false;
    AM_MEDIA_TYPE* current = nullptr;
    if (FAILED(videoConfig_->GetFormat(&current)) || !current)
        return false;
    const bool ok = FrameSizeOf(*current, width, height);
    DeleteMediaType(current);
    return ok;
}

bool CaptureEngine::GrabYuy2(long* width, long* height, std::vector<uint8_t>* frame) {
    ComPtr<IFrameGrabber> grabber;
    if (!grabber_ || FAILED(grabber_->QueryInterface(__uuidof(IFrameGrabber), grabber.ReceiveVoid())))
        return false;
    if (!GrabberFrameSize(width, height) || *width <= 0 || *height <= 0)
        return false;
    const size_t bytes = Yuy2Stride(*width) * static_cast<size_t>(*height);
    frame->assign(bytes, 0);
    return SUCCEEDED(grabber->GetCurrentFrame(frame->data(), static_cast<LONG>(bytes)));
}

bool CaptureEngine::OptimiserImage(std::vector<uint8_t>* packed) {
    if (!dispOptim_)
        return false;
    LONG size = 0;
    HRESULT hr;
    if (Shared().cardType == kCardQrt77 && kEngineBuild == EngineBuild::Tv) {
        ComPtr<IDispOptimQrt> o;
        if (FAILED(dispOptim_->QueryInterface(__uuidof(IDispOptimQrt), o.ReceiveVoid())) ||
            FAILED(o->GetImageSize(&size)) || size <= 0)
            return false;
        packed->assign(static_cast<size_t>(size), 0);
        hr = o->GetImage(packed->data(), size);
    } else {
        ComPtr<IDispOptim> o;
        if (FAILED(dispOptim_->QueryInterface(__uuidof(IDispOptim), o.ReceiveVoid())) ||
            FAILED(o->GetImageSize(&size)) || size <= 0)
            return false;
        packed->assign(static_cast<size_t>(size), 0);
        hr = o->GetImage(packed->data(), size);
    }
    return SUCCEEDED(hr);
}

namespace {

// Which source a still comes from: the display optimiser's picture or the grabber's frame.
bool StillFromOptimiser(int previewMode) {
    return kEngineBuild == EngineBuild::Tv ? previewMode == 1 : previewMode == 0;
}

} // namespace

int CaptureEngine::SaveBmpFile(const char* path) {
    if (!path)
        return 0;
    std::vector<uint8_t> file;
    if (StillFromOptimiser(previewMode_)) {
        std::vector<uint8_t> packed;
        if (!OptimiserImage(&packed))
            return 0; // no picture: nothing is written
        file = BmpFileFromPacked(packed.data(), packed.size());
    } else {
        long width = 0, height = 0;
        std::vector<uint8_t> frame;
        if (!GrabYuy2(&width, &height, &frame))
            return 0;
        const auto info = MakeBgr24InfoHeader(width, height);
        const size_t dataSize = Bgr24Stride(width) * static_cast<size_t>(height);
        const auto header = MakeBmpFileHeader(static_cast<uint32_t>(dataSize));
        file.resize(kBmpDataOffset + dataSize);
        std::copy(header.begin(), header.end(), file.begin());
        std::copy(info.begin(), info.end(), file.begin() + kBmpFileHeaderSize);
        Yuy2ToBgr24(frame.data(), width, height, file.data() + kBmpDataOffset);
    }
    if (file.empty())
        return 0;
    return WriteWholeFile(path, file.data(), file.size()) ? 1 : 0;
}

long CaptureEngine::ImageMemSize() {
    if (StillFromOptimiser(previewMode_)) {
        std::vector<uint8_t> packed;
        return OptimiserImage(&packed) ? static_cast<long>(packed.size()) : 0;
    }
    long width = 0, height = 0;
    if (!GrabberFrameSize(&width, &height) || width <= 0 || height <= 0)
        return 0;
    return static_cast<long>(kBmpInfoHeaderSize + Bgr24Stride(width) * static_cast<size_t>(height));
}

long CaptureEngine::CopyImageMem(BYTE* buffer) {
    if (!buffer)
        return 0;
    if (StillFromOptimiser(previewMode_)) {
        std::vector<uint8_t> packed;
        if (!OptimiserImage(&packed))
            return 0;
        std::copy(packed.begin(), packed.end(), buffer);
        return static_cast<long>(packed.size());
    }
    long width = 0, height = 0;
    std::vector<uint8_t> frame;
    if (!GrabYuy2(&width, &height, &frame))
        return 0;
    const auto info = MakeBgr24InfoHeader(width, height);
    std::copy(info.begin(), info.end(), buffer);
    Yuy2ToBgr24(frame.data(), width, height, buffer + kBmpInfoHeaderSize);
    return static_cast<long>(kBmpInfoHeaderSize + Bgr24Stride(width) * static_cast<size_t>(height));
}

} // namespace tunaro
