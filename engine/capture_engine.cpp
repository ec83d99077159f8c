// The capture engine's discovery part: device lists, card identification, the capture filter,
// device notifications, settings, graph initialisation and shutdown.
#include "engine/CaptureEngine.h"

#include <dbt.h>

#include "engine/dshow_util.h"
#include "framework/language.h"
#include "ks_tuner.h"

namespace tunaro {

namespace {

EngineShared g_shared;

const char kSection[] = "vorel";

} // namespace

EngineShared& Shared() {
    return g_shared;
}
void ResetShared() {
    g_shared = EngineShared();
}

DeviceCategories DeviceCategories::System() {
    DeviceCategories c;
    c.videoInput = CLSID_VideoInputDeviceCategory;
    c.audioInput = CLSID_AudioInputDeviceCategory;
    c.tvTuner = AM_KSCATEGORY_TVTUNER;
    c.crossbar = AM_KSCATEGORY_CROSSBAR;
    c.audioRenderer = CLSID_AudioRendererCategory;
    c.encoder = {
        0x19689bf6, 0xc384, 0x48fd, {0xad, 0x51, 0x90, 0xe5, 0x8c, 0x79, 0xf7, 0x0b}}; // KSCATEGORY_ENCODER
    c.videoCompressor = CLSID_VideoCompressorCategory;
    c.audioCompressor = CLSID_AudioCompressorCategory;
    return c;
}

bool CaptureEngine::EnsureCom() {
    if (!comInitialized_) {
        const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        // RPC_E_CHANGED_MODE: COM runs on this thread already, in another model; nothing to undo.
        comInitialized_ = SUCCEEDED(hr);
        if (FAILED(hr) && hr != RPC_E_CHANGED_MODE)
            return false;
    }
    return true;
}

bool CaptureEngine::HasVideoDevice(int slot) const {
    return slot >= 0 && slot < kDeviceSlots && videoMonikers_[slot];
}
bool CaptureEngine::HasAudioDevice(int slot) const {
    return slot >= 0 && slot < kDeviceSlots && audioMonikers_[slot];
}

void CaptureEngine::ReleaseDeviceLists() {
    for (auto& m : videoMonikers_)
        m = nullptr;
    for (auto& m : audioMonikers_)
        m = nullptr;
}

// ---- device lists -----------------------------------------------------------------------------

int CaptureEngine::EnumVideoDevice(int* count) {
    EnsureCom();
    ReleaseDeviceLists();
    int n = 0;
    ForEachDevice(env_.categories.videoInput, [&](IMoniker* moniker, bool hasName, const std::string&) {
        if (hasName)
            videoMonikers_[n] = ComPtr<IMoniker>(moniker);
        return ++n < kDeviceSlots;
    });
    if (count)
        *count = n;
    if (n == 0) {
        ErrorReport("%s",
                    PickText(ReadLanguageMode(), "Sorry,Cannot find hardware!", "对不起，找不到硬件！"));
    }
    return n;
}

namespace {

// Copies names into the caller's buffers (library build).
int EnumIntoBuffers(const GUID& category, ComPtr<IMoniker>* slots, int* count, char** names) {
    for (int i = 0; i < kDeviceSlots; ++i)
        slots[i] = nullptr;
    int n = 0;
    const HRESULT hr = ForEachDevice(category, [&](IMoniker* moniker, bool hasName, const std::string& name) {
        if (hasName) {
            slots[n] = ComPtr<IMoniker>(moniker);
            if (names && names[n])
                lstrcpynA(names[n], name.c_str(), 260);
        }
        return ++n < kDeviceSlots;
    });
    if (count)
        *count = n;
    return hr == S_OK ? 1 : 0;
}

} // namespace

int CaptureEngine::EnumVideoDevice(int* count, char** names) {
    EnsureCom();
    return EnumIntoBuffers(env_.categories.videoInput, videoMonikers_, count, names);
}

int CaptureEngine::EnumAudioDevice(int* count, char** names) {
    EnsureCom();
    return EnumIntoBuffers(env_.categories.audioInput, audioMonikers_, count, names);
}

int CaptureEngine::SelectVideoDevice(const char* name) {
    EngineShared& s = Shared();
    s.selectedVideoName.assign(name ? name : "", 0, 259);
    const std::string& n = s.selectedVideoName;
    if (n.find("UTV2820") != std::string::npos)
        s.cardType = kLibCardUtv;
    if (n.find("Ph7134") != std::string::npos || n.find("Lumen Grabber K3") != std::string::npos)
        s.cardType = kLibCardSaa7134;
    return 1;
}

int CaptureEngine::SelectAudioDevice(const char* name) {
    Shared().selectedAudioName.assign(name ? name : "", 0, 259);
    return 1;
}

// ---- identification -----------------------------------------------------------------------------

void CaptureEngine::IdentifyTvCard() {
    ReleaseDeviceLists();
    EngineShared& s = Shared();
    s.selectedVideo = -1;
    ComPtr<ICreateDevEnum> devices;
    if (FAILED(devices.CreateInstance(CLSID_SystemDeviceEnum))) {
        ErrorReport("Error Creating Device Enumerator");
        deviceCount_ = 0;
        return;
    }
    std::vector<EnumeratedDevice> seen;
    const HRESULT hr = ForEachDevice(
        env_.categories.videoInput, [&](IMoniker* moniker, bool hasName, const std::string& name) {
            const size_t slot = seen.size();
            seen.push_back({hasName, name});
            if (hasName)
                videoMonikers_[slot] = ComPtr<IMoniker>(moniker);
            if (hasName && CardTypeOfName(name, EngineBuild::Tv) >= 0)
                return false; // the card: its moniker is stored, the walk ends here
            return seen.size() < static_cast<size_t>(kDeviceSlots);
        });
    if (hr != S_OK)
        ErrorReport("Sorry, you have no video capture hardware");
    const CardMatch match = IdentifyCard(seen, EngineBuild::Tv);
    if (match.index >= 0) {
        s.cardType = match.cardType;
        s.selectedVideo = match.index;
    }
    deviceCount_ = match.visited;
    std::vector<EnumeratedDevice> audio;
    ForEachDevice(env_.categories.audioInput, [&](IMoniker* moniker, bool hasName, const std::string& name) {
        if (hasName)
            audioMonikers_[audio.size()] = ComPtr<IMoniker>(moniker);
        audio.push_back({hasName, name});
        return audio.size() < static_cast<size_t>(kDeviceSlots);
    });
    // Sound is captured from the card's own audio device when its driver lists one; otherwise from
    // the system's first audio input (where a card without one has its audio cable plugged in).
    const AudioChoice sound = ChooseCaptureAudio(audio, s.cardType, EngineBuild::Tv);
    audioSlot_ = sound.index;
    audioIsCards_ = sound.cardOwn;
    EngineTrace("engine: %d video devices before the card, card type %d at %d, audio %d (%s), Line=%ld\n",
                deviceCount_, s.cardType, s.selectedVideo, audioSlot_,
                sound.index < 0 ? "none" : audio[sound.index].name.c_str(), static_cast<long>(__LINE__));
}

void CaptureEngine::IdentifyLibraryCard() {
    ReleaseDeviceLists();
    EngineShared& s = Shared();
    s.selectedVideo = -1;
    s.selectedAudio = -1;
    ComPtr<ICreateDevEnum> devices;
    if (FAILED(devices.CreateInstance(CLSID_SystemDeviceEnum))) {
        ErrorReport("Error Creating Device Enumerator");
        deviceCount_ = 0;
        return;
    }
    std::vector<EnumeratedDevice> seen;
    const HRESULT hr = ForEachDevice(env_.categories.videoInput,
                                     [&](IMoniker* moniker, bool hasName, const std::string& name) {
                                         const size_t slot = seen.size();
                                         seen.push_back({hasName, name});
                                         if (hasName)
                                             videoMonikers_[slot] = ComPtr<IMoniker>(moniker);
                                         if (hasName && CardTypeOfName(name, EngineBuild::Library) >= 0)
                                             return false;
                                         return seen.size() < static_cast<size_t>(kDeviceSlots);
                                     });
    if (hr != S_OK)
        ErrorReport("Sorry, you have no video capture hardware");
    const CardMatch match = IdentifyCard(seen, EngineBuild::Library);
    if (match.index >= 0) {
        s.cardType = match.cardType;
        s.selectedVideo = match.index;
    }
    deviceCount_ = match.visited;
    int n = 0;
    ForEachDevice(env_.categories.audioInput, [&](IMoniker* moniker, bool hasName, const std::string& name) {
        if (hasName) {
            audioMonikers_[n] = ComPtr<IMoniker>(moniker);
            if (!s.selectedAudioName.empty() && name.find(s.selectedAudioName) != std::string::npos)
                s.selectedAudio = n;
        }
        return ++n < kDeviceSlots;
    });
}

// ---- start and stop ---------------------------------------------------------------------------------

void CaptureEngine::ReadSettings() {
    settings_.masterStream = static_cast<int>(GetProfileIntA(kSection, "MasterStream", 1));
    settings_.useFrameRate = static_cast<int>(GetProfileIntA(kSection, "UseFrameRate", 1));
    settings_.frameRateSetting = static_cast<long>(GetProfileIntA(kSection, "FrameRate", 666667));
    settings_.useTimeLimit = static_cast<int>(GetProfileIntA(kSection, "UseTimeLimit", 0));
    settings_.timeLimit = static_cast<long>(GetProfileIntA(kSection, "TimeLimit", 0));
    settings_.debugGraphFiles = GetProfileIntA(kSection, "DebugGraphFiles", 0) == 1 ? 1 : 0;
    settings_.frameRate = 25.0;
}

void CaptureEngine::WriteSettings() {
    auto put = [](const char* key, long value) {
        WriteProfileStringA(kSection, key, Format("%ld", value).c_str());
    };
    WriteProfileStringA(kSection, "CaptureFile", captureFile_.c_str());
    WriteProfileStringA(kSection, "VideoDevice2", Narrow(DisplayName(currentVideoMoniker_.get())).c_str());
    WriteProfileStringA(kSection, "AudioDevice2", Narrow(DisplayName(currentAudioMoniker_.get())).c_str());
    put("FrameRate", settings_.frameRate > 0 ? static_cast<long>(10000000.0 / settings_.frameRate) : 0);
    put("UseFrameRate", settings_.useFrameRate);
    put("CaptureAudio", captureAudio_ ? 1 : 0);
    put("CaptureCC", captureCC_ ? 1 : 0);
    put("WantPreview", settings_.wantPreview);
    put("MasterStream", settings_.masterStream);
    put("UseTimeLimit", settings_.useTimeLimit);
    put("TimeLimit", settings_.timeLimit);
}

int CaptureEngine::Initialize(HWND owner, int previewMode) {
    owner_ = owner;
    previewMode_ = previewMode;
    shutDown_ = false;
    ReadSettings();
    EnsureCom();
    if (kEngineBuild == EngineBuild::Tv)
        IdentifyTvCard();
    else
        IdentifyLibraryCard();
    EngineShared& s = Shared();
    if (s.selectedVideo < 0) {
        if (kEngineBuild == EngineBuild::Tv) {
            const LanguageMode language = ReadLanguageMode();
            CurrentEngineReporter().Report(ReportKind::CardMissing,
                                           PickText(language, "Can not Find  tuner card!", "找不到电视卡！"));
        }
        return -8;
    }
    const int audioSlot = kEngineBuild == EngineBuild::Tv ? audioSlot_ : s.selectedAudio;
    CreateCaptureFilters(s.selectedVideo, audioSlot);
    RegisterNotification();
    return deviceCount_;
}

HRESULT CaptureEngine::CreateCaptureFilters(int videoSlot, int audioSlot) {
    currentVideoMoniker_ = nullptr;
    currentAudioMoniker_ = nullptr;
    if (videoSlot >= 0 && videoSlot < kDeviceSlots)
        currentVideoMoniker_ = videoMonikers_[videoSlot];
    if (audioSlot >= 0 && audioSlot < kDeviceSlots)
        currentAudioMoniker_ = audioMonikers_[audioSlot];
    StopPreview();
    TearDownGraph();
    videoCapture_ = nullptr;
    deviceName_.clear();
    if (!currentVideoMoniker_) {
        ErrorReport("Error %x: Cannot create video capture filter", static_cast<unsigned>(E_POINTER));
        return E_POINTER;
    }
    ReadFriendlyName(currentVideoMoniker_.get(), &deviceName_);
    const HRESULT hr =
        currentVideoMoniker_->BindToObject(nullptr, nullptr, IID_IBaseFilter, videoCapture_.ReceiveVoid());
    if (FAILED(hr))
        ErrorReport("Error %x: Cannot create video capture filter", static_cast<unsigned>(hr));
    return hr;
}

void CaptureEngine::RegisterNotification() {
    UnregisterNotification();
    notificationModule_.Reset(LoadLibraryA(env_.notificationModule.c_str()));
    if (!notificationModule_)
        return;
    using RegisterFn = HDEVNOTIFY(WINAPI*)(HANDLE, LPVOID, DWORD);
    const auto registerFn = reinterpret_cast<RegisterFn>(
        reinterpret_cast<void*>(GetProcAddress(notificationModule_.get(), "RegisterDeviceNotificationA")));
    unregisterNotification_ = GetProcAddress(notificationModule_.get(), "UnregisterDeviceNotification");
    if (!registerFn || !owner_) {
        EngineTrace("engine: running without device notifications, Line=%ld\n", static_cast<long>(__LINE__));
        return;
    }
    DEV_BROADCAST_DEVICEINTERFACE_A filter = {};
    static_assert(sizeof filter == 32, "device-interface broadcast record is 32 bytes");
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = kCategoryCapture;
    notification_ = registerFn(owner_, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
}

void CaptureEngine::UnregisterNotification() {
    if (notification_ && unregisterNotification_) {
        using UnregisterFn = BOOL(WINAPI*)(HDEVNOTIFY);
        reinterpret_cast<UnregisterFn>(reinterpret_cast<void*>(unregisterNotification_))(notification_);
    }
    notification_ = nullptr;
}

void CaptureEngine::Shutdown() {
    if (shutDown_)
        return;
    shutDown_ = true;
    StopDesktopVideo();
    UnregisterNotification();
    StopPreview();
    capturing_ = false;
    TearDownGraph();
    ReleaseRenderFilters();
    if (owner_ || currentVideoMoniker_)
        WriteSettings();
    ReleaseDeviceLists();
    currentVideoMoniker_ = nullptr;
    currentAudioMoniker_ = nullptr;
    videoCapture_ = nullptr;
    notificationModule_.Reset();
    if (comInitialized_) {
        comInitialized_ = false;
        CoUninitialize();
    }
}

// ---- companions and compressors -----------------------------------------------------------------------

HRESULT CaptureEngine::FindFilterByName(const GUID& category, const char* namePart,
                                        ComPtr<IBaseFilter>& filter, std::wstring* displayName) {
    filter = nullptr;
    if (displayName)
        displayName->clear();
    if (!namePart || !*namePart)
        return E_INVALIDARG;
    ForEachDevice(category, [&](IMoniker* moniker, bool hasName, const std::string& name) {
        if (hasName && name.find(namePart) != std::string::npos) {
            ComPtr<IBaseFilter> bound;
            if (SUCCEEDED(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, bound.ReceiveVoid()))) {
                filter = bound;
                if (displayName)
                    *displayName = DisplayName(moniker);
            }
        }
        return true;
    });
    return filter ? S_OK : VFW_E_NOT_FOUND;
}

int CaptureEngine::FindCompressorByName(const char* namePart, const GUID& category, std::string* friendlyName,
                                        std::wstring* displayName) {
    bool found = false;
    if (!namePart || !*namePart)
        return -1;
    ForEachDevice(category, [&](IMoniker* moniker, bool hasName, const std::string& name) {
        if (hasName && name.find(namePart) != std::string::npos) {
            if (friendlyName)
                *friendlyName = name;
            if (displayName)
                *displayName = DisplayName(moniker);
            found = true;
        }
        return true;
    });
    return found ? 0 : -1;
}

void CaptureEngine::BindCompanions() {
    const CompanionNames n = CompanionNamesFor(Shared().cardType, kEngineBuild);
    const DeviceCategories& c = env_.categories;
    if (!n.tuner.empty() && FAILED(FindFilterByName(c.tvTuner, n.tuner.c_str(), tunerFilter_)) &&
        !n.tunerFallback.empty())
        FindFilterByName(c.tvTuner, n.tunerFallback.c_str(), tunerFilter_);
    if (!n.crossbar.empty() && FAILED(FindFilterByName(c.crossbar, n.crossbar.c_str(), crossbarFilter_)) &&
        !n.crossbarFallback.empty())
        FindFilterByName(c.crossbar, n.crossbarFallback.c_str(), crossbarFilter_);
    if (n.audioRenderer)
        FindFilterByName(c.audioRenderer, kDefaultWaveOutName, audioRenderer_);
    if (!n.cardAudio.empty() &&
        SUCCEEDED(FindFilterByName(c.audioInput, n.cardAudio.c_str(), cardAudio_, &cardAudioDisplayName_)))
        AddToGraph(cardAudio_.get(), n.cardAudioGraphName.c_str());
    if (!n.encoder.empty() && SUCCEEDED(FindFilterByName(c.encoder, n.encoder.c_str(), encoder_)))
        AddToGraph(encoder_.get(), n.encoderGraphName.c_str());
}

void CaptureEngine::FindCompressors() {
    const DeviceCategories& c = env_.categories;
    videoCompressorName_.clear();
    audioCompressorName_.clear();
    if (kEngineBuild == EngineBuild::Tv &&
        FindCompressorByName("Microsoft MPEG-4 Video Codec V3", c.videoCompressor, nullptr,
                             &videoCompressorName_) != 0)
        FindCompressorByName("Microcrap MPEG-4 Video Codec V3", c.videoCompressor, nullptr,
                             &videoCompressorName_);
    FindCompressorByName("MPEG Layer-3", c.audioCompressor, nullptr, &audioCompressorName_);
}

// ---- graph initialisation ------------------------------------------------------------------------------

HRESULT CaptureEngine::AddToGraph(IBaseFilter* filter, const wchar_t* name) {
    if (!graph_ || !filter)
        return E_POINTER;
    return graph_->AddFilter(filter, name);
}

HRESULT CaptureEngine::FindStreamConfig(const GUID& category, IBaseFilter* filter,
                                        ComPtr<IAMStreamConfig>& config) {
    config = nullptr;
    if (!filter)
        return E_POINTER;
    for (const GUID* type : {&MEDIATYPE_Interleaved, &MEDIATYPE_Video}) {
        ComPtr<IPin> pin = FindOutputPin(filter, category, type);
        if (pin && SUCCEEDED(pin->QueryInterface(IID_IAMStreamConfig, config.ReceiveVoid())))
            return S_OK;
    }
    HRESULT hr = E_NOINTERFACE;
    if (builder_) {
        for (const GUID* type : {&MEDIATYPE_Interleaved, &MEDIATYPE_Video}) {
            hr = builder_->FindInterface(&category, type, filter, IID_IAMStreamConfig, config.ReceiveVoid());
            if (SUCCEEDED(hr) && config)
                return S_OK;
        }
    }
    config = nullptr;
    return FAILED(hr) ? hr : E_NOINTERFACE;
}

int CaptureEngine::InitCaptureGraph() {
    EnsureCom();
    if (!builder_) {
        HRESULT hr = builder_.CreateInstance(CLSID_CaptureGraphBuilder2);
        if (SUCCEEDED(hr))
            hr = fileWriter_.CreateInstance(CLSID_FileWriter);
        if (FAILED(hr)) {
            ErrorReport("Cannot instantiate graph builder");
            builder_ = nullptr;
            return 0;
        }
    }
    if (!graph_) {
        if (FAILED(graph_.CreateInstance(CLSID_FilterGraph))) {
            ErrorReport("Cannot instantiate filtergraph");
            TearDownGraph();
            return 0;
        }
        BindCompanions();
    }
    if (FAILED(builder_->SetFiltergraph(graph_.get()))) {
        ErrorReport("Cannot give graph to builder");
        TearDownGraph();
        return 0;
    }
    HRESULT hr = AddToGraph(videoCapture_.get(), nullptr);
    if (FAILED(hr)) {
        ErrorReport("Error %x: Cannot add vidcap to filtergraph", static_cast<unsigned>(hr));
        TearDownGraph();
        return 0;
    }
    if (tunerFilter_) {
        AddToGraph(tunerFilter_.get(), L"TV Tuner");
        tunerFilter_->QueryInterface(IID_IAMTVTuner, tvTuner_.ReceiveVoid());
    }
    if (crossbarFilter_) {
        AddToGraph(crossbarFilter_.get(), L"Video Crossbar");
        router_ = std::make_unique<CrossbarRouter>(crossbarFilter_.get());
    }
    for (const GUID* type : {&MEDIATYPE_Interleaved, &MEDIATYPE_Video}) {
        ComPtr<IPin> pin = FindOutputPin(videoCapture_.get(), PIN_CATEGORY_CAPTURE, type);
        if (pin && SUCCEEDED(pin->QueryInterface(IID_IAMVideoCompression, videoCompression_.ReceiveVoid())))
            break;
    }
    hr = FindStreamConfig(PIN_CATEGORY_CAPTURE, videoCapture_.get(), videoConfig_);
    if (FAILED(hr)) {
        ErrorReport("Error %x: Cannot find VCapture:IAMStreamConfig", static_cast<unsigned>(hr));
    } else {
        AM_MEDIA_TYPE* type = nullptr;
        if (SUCCEEDED(videoConfig_->GetFormat(&type)) && type) {
            if (IsEqualGUID(type->formattype, FORMAT_VideoInfo) &&
                type->cbFormat >= sizeof(VIDEOINFOHEADER)) {
                auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat);
                vih->bmiHeader.biWidth = 352;
                vih->bmiHeader.biHeight = 288;
                vih->bmiHeader.biSizeImage = 352 * 288 * vih->bmiHeader.biBitCount / 8;
                type->lSampleSize = vih->bmiHeader.biSizeImage;
                videoConfig_->SetFormat(type);
            }
            if (!IsEqualGUID(type->majortype, MEDIATYPE_Video)) {
                captureAudioRelevant_ = false;
                captureAudio_ = false;
            }
            DeleteMediaType(type);
        }
    }
    if (!AddAudioCapture())
        return 0;
    if (!FindOutputPin(videoCapture_.get(), PIN_CATEGORY_VBI, nullptr) &&
        !FindOutputPin(videoCapture_.get(), PIN_CATEGORY_CC, nullptr)) {
        ccAvailable_ = false;
        captureCC_ = false;
    } else {
        ccAvailable_ = true;
    }
    FindCompressors();
    return 1;
}

// Binds the chosen audio device and adds it to the graph for capture. Returns 0 when the graph had
// to be torn down.
int CaptureEngine::AddAudioCapture() {
    captureAudio_ = false;
    audioCapture_ = nullptr;
    audioConfig_ = nullptr;
    if (!currentAudioMoniker_)
        return 1; // no audio device: capture has no sound
    const bool cardsOwn = kEngineBuild == EngineBuild::Library || audioIsCards_;
    bool added = false;
    if (cardAudio_ && !cardAudioDisplayName_.empty() &&
        DisplayName(currentAudioMoniker_.get()) == cardAudioDisplayName_) {
        // The card audio companion is this very device, already in the graph: a second instance
        // of one hardware pin would not stream.
        audioCapture_ = cardAudio_;
        added = true;
    } else {
        const HRESULT hr = currentAudioMoniker_->BindToObject(nullptr, nullptr, IID_IBaseFilter,
                                                              audioCapture_.ReceiveVoid());
        if (FAILED(hr)) {
            audioCapture_ = nullptr;
            if (cardsOwn)
                ErrorReport("Cannot create audio capture filter");
            else
                EngineTrace("engine: system audio input not usable (%08lx), Line=%ld\n",
                            static_cast<unsigned long>(hr), static_cast<long>(__LINE__));
            return 1;
        }
    }
    if (!added) {
        const HRESULT hr = AddToGraph(audioCapture_.get(), nullptr);
        if (FAILED(hr)) {
            ErrorReport("Error %x: Cannot add audcap to filtergraph", static_cast<unsigned>(hr));
            TearDownGraph();
            return 0;
        }
    }
    ComPtr<IPin> pin = FindOutputPin(audioCapture_.get(), PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio);
    if (!pin || FAILED(pin->QueryInterface(IID_IAMStreamConfig, audioConfig_.ReceiveVoid()))) {
        audioConfig_ = nullptr;
        builder_->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio, audioCapture_.get(),
                                IID_IAMStreamConfig, audioConfig_.ReceiveVoid());
    }
    if (!audioConfig_) {
        if (cardsOwn) {
            // The card's driver lists a device that cannot be configured: worth telling.
            ErrorReport("Cannot find ACapture:IAMStreamConfig");
        } else {
            // The system's own input is only a stand-by for cards without sound of their own; one
            // that offers no capture stream is left out instead of alarming the user at every start.
            EngineTrace("engine: system audio input has no capture stream, recording without sound, "
                        "Line=%ld\n",
                        static_cast<long>(__LINE__));
            graph_->RemoveFilter(audioCapture_.get());
            audioCapture_ = nullptr;
            return 1;
        }
    }
    captureAudio_ = true;
    return 1;
}

void CaptureEngine::TearDownGraph() {
    TearDownChain();
    if (mediaEvent_)
        mediaEvent_->SetNotifyWindow(0, 0, 0);
    mediaEvent_ = nullptr;
    router_.reset();
    tvTuner_ = nullptr;
    videoConfig_ = nullptr;
    audioConfig_ = nullptr;
    videoCompression_ = nullptr;
    droppedFrames_ = nullptr;
    if (graph_) {
        // Everything leaves the graph so the filters the engine keeps can join the next one.
        ComPtr<IEnumFilters> filters;
        std::vector<ComPtr<IBaseFilter>> all;
        if (SUCCEEDED(graph_->EnumFilters(filters.Receive()))) {
            ComPtr<IBaseFilter> f;
            while (filters->Next(1, f.Receive(), nullptr) == S_OK)
                all.push_back(f);
        }
        for (auto& f : all)
            graph_->RemoveFilter(f.get());
    }
    tunerFilter_ = nullptr;
    crossbarFilter_ = nullptr;
    audioRenderer_ = nullptr;
    cardAudio_ = nullptr;
    cardAudioDisplayName_.clear();
    encoder_ = nullptr;
    audioCapture_ = nullptr;
    graph_ = nullptr;
    builder_ = nullptr;
    fileWriter_ = nullptr;
    previewBuilt_ = previewRunning_ = captureBuilt_ = false;
}

} // namespace tunaro
