// Stand-in card filters for the engine's unit tests: one COM object that plays capture filter,
// tuner, crossbar or display optimiser, with class objects registered in this process.
#include "tests/engine/fake_card.h"

#include <shlwapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/include/outside_filters.h"

namespace enginetest {

using namespace tunaro;

namespace {

FakeCard g_card;

// Class identifiers of the stand-ins {5E0A7C10-....}.
const GUID kClasses[] = {
    {0x5e0a7c10, 0x1111, 0x4a1a, {0x90, 0x01, 0x00, 0x11, 0x22, 0x33, 0x44, 0x01}},
    {0x5e0a7c10, 0x1111, 0x4a1a, {0x90, 0x01, 0x00, 0x11, 0x22, 0x33, 0x44, 0x02}},
    {0x5e0a7c10, 0x1111, 0x4a1a, {0x90, 0x01, 0x00, 0x11, 0x22, 0x33, 0x44, 0x03}},
    {0x5e0a7c10, 0x1111, 0x4a1a, {0x90, 0x01, 0x00, 0x11, 0x22, 0x33, 0x44, 0x04}},
    {0x5e0a7c10, 0x1111, 0x4a1a, {0x90, 0x01, 0x00, 0x11, 0x22, 0x33, 0x44, 0x05}},
    kClsidDispOptim,
    kClsidFrameGrabber,
};

// The grabber's input pin: reports a YUY2 connection of the size the test chose.
class FakeInputPin final : public IPin {
public:
    explicit FakeInputPin(IBaseFilter* owner) : m_owner(owner) {}
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPin)) {
            *ppv = static_cast<IPin*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&m_refs); }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG n = InterlockedDecrement(&m_refs);
        if (n == 0)
            delete this;
        return static_cast<ULONG>(n);
    }
    STDMETHODIMP Connect(IPin*, const AM_MEDIA_TYPE*) override { return E_UNEXPECTED; }
    STDMETHODIMP ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) override { return VFW_E_TYPE_NOT_ACCEPTED; }
    STDMETHODIMP Disconnect() override { return S_FALSE; }
    STDMETHODIMP ConnectedTo(IPin** pin) override {
        *pin = nullptr;
        return VFW_E_NOT_CONNECTED;
    }
    STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* type) override {
        ZeroMemory(type, sizeof *type);
        type->majortype = MEDIATYPE_Video;
        type->subtype = MEDIASUBTYPE_YUY2;
        type->formattype = FORMAT_VideoInfo;
        type->cbFormat = sizeof(VIDEOINFOHEADER);
        auto* vih = static_cast<VIDEOINFOHEADER*>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
        ZeroMemory(vih, sizeof *vih);
        vih->bmiHeader.biSize = sizeof vih->bmiHeader;
        vih->bmiHeader.biWidth = g_card.grabberWidth;
        vih->bmiHeader.biHeight = g_card.grabberHeight;
        vih->bmiHeader.biBitCount = 16;
        vih->bmiHeader.biCompression = MAKEFOURCC('Y', 'U', 'Y', '2');
        type->pbFormat = reinterpret_cast<BYTE*>(vih);
        return S_OK;
    }
    STDMETHODIMP QueryPinInfo(PIN_INFO* info) override {
        info->pFilter = m_owner;
        m_owner->AddRef();
        info->dir = PINDIR_INPUT;
        lstrcpynW(info->achName, L"Input", MAX_PIN_NAME);
        return S_OK;
    }
    STDMETHODIMP QueryDirection(PIN_DIRECTION* direction) override {
        *direction = PINDIR_INPUT;
        return S_OK;
    }
    STDMETHODIMP QueryId(LPWSTR* id) override {
        *id = static_cast<LPWSTR>(CoTaskMemAlloc(sizeof L"Input"));
        std::memcpy(*id, L"Input", sizeof L"Input");
        return S_OK;
    }
    STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE*) override { return S_FALSE; }
    STDMETHODIMP EnumMediaTypes(IEnumMediaTypes**) override { return E_NOTIMPL; }
    STDMETHODIMP QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
    STDMETHODIMP EndOfStream() override { return S_OK; }
    STDMETHODIMP BeginFlush() override { return S_OK; }
    STDMETHODIMP EndFlush() override { return S_OK; }
    STDMETHODIMP NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return S_OK; }

private:
    LONG m_refs = 1;
    IBaseFilter* m_owner; // not counted: the filter owns its pin
};

class EmptyPinEnum final : public IEnumPins {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IEnumPins)) {
            *ppv = static_cast<IEnumPins*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&m_refs); }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG n = InterlockedDecrement(&m_refs);
        if (n == 0)
            delete this;
        return static_cast<ULONG>(n);
    }
    explicit EmptyPinEnum(IPin* pin = nullptr) : m_pin(pin) {
        if (m_pin)
            m_pin->AddRef();
    }
    ~EmptyPinEnum() {
        if (m_pin)
            m_pin->Release();
    }
    STDMETHODIMP Next(ULONG count, IPin** pins, ULONG* fetched) override {
        ULONG n = 0;
        if (count > 0 && m_pin && m_position == 0) {
            pins[0] = m_pin;
            m_pin->AddRef();
            n = 1;
            m_position = 1;
        }
        if (fetched)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG) override { return S_FALSE; }
    STDMETHODIMP Reset() override {
        m_position = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumPins** out) override {
        *out = new EmptyPinEnum(m_pin);
        return S_OK;
    }

private:
    LONG m_refs = 1;
    IPin* m_pin;
    int m_position = 0;
};

// One object, many faces: which interfaces it answers depends on its role.
class FakeFilter final : public IBaseFilter,
                         public IKsPropertySet,
                         public IAMVideoProcAmp,
                         public IAMAnalogVideoDecoder,
                         public IAMCrossbar,
                         public IAMTVTuner,
                         public IDispOptim,
                         public IFrameGrabber {
public:
    explicit FakeFilter(Role role) : m_role(role) {
        if (role == Role::Grabber)
            m_pin = new FakeInputPin(this);
    }
    ~FakeFilter() {
        if (m_pin)
            m_pin->Release();
    }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        *ppv = nullptr;
        const bool capture = m_role == Role::Capture;
        const bool tuner = m_role == Role::Tuner || m_role == Role::TunerB;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IBaseFilter) ||
            IsEqualIID(riid, IID_IMediaFilter) || IsEqualIID(riid, IID_IPersist))
            *ppv = static_cast<IBaseFilter*>(this);
        else if (IsEqualIID(riid, IID_IKsPropertySet) && (capture || tuner))
            *ppv = static_cast<IKsPropertySet*>(this);
        else if (IsEqualIID(riid, IID_IAMVideoProcAmp) && capture)
            *ppv = static_cast<IAMVideoProcAmp*>(this);
        else if (IsEqualIID(riid, IID_IAMAnalogVideoDecoder) && capture)
            *ppv = static_cast<IAMAnalogVideoDecoder*>(this);
        else if (IsEqualIID(riid, IID_IAMCrossbar) && m_role == Role::Crossbar)
            *ppv = static_cast<IAMCrossbar*>(this);
        else if ((IsEqualIID(riid, IID_IAMTVTuner) || IsEqualIID(riid, IID_IAMTuner)) && tuner)
            *ppv = static_cast<IAMTVTuner*>(this);
        else if (IsEqualIID(riid, __uuidof(IDispOptim)) && m_role == Role::Optimiser)
            *ppv = static_cast<IDispOptim*>(this);
        else if (IsEqualIID(riid, __uuidof(IFrameGrabber)) && m_role == Role::Grabber)
            *ppv = static_cast<IFrameGrabber*>(this);
        if (!*ppv)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&m_refs); }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG n = InterlockedDecrement(&m_refs);
        if (n == 0)
            delete this;
        return static_cast<ULONG>(n);
    }

    // IBaseFilter
    STDMETHODIMP GetClassID(CLSID* clsid) override {
        *clsid = ClassOf(m_role);
        return S_OK;
    }
    STDMETHODIMP Stop() override {
        SetState(State_Stopped);
        return S_OK;
    }
    STDMETHODIMP Pause() override {
        if (g_card.hasFailingRun && g_card.failingRun == m_role)
            return E_FAIL;
        SetState(State_Paused);
        return S_OK;
    }
    STDMETHODIMP Run(REFERENCE_TIME) override {
        if (g_card.hasFailingRun && g_card.failingRun == m_role)
            return E_FAIL;
        SetState(State_Running);
        return S_OK;
    }
    void SetState(FILTER_STATE state) {
        if (m_state == State_Stopped && state != State_Stopped)
            ++g_card.starts[m_role];
        m_state = state;
        g_card.states[m_role] = state;
    }
    STDMETHODIMP GetState(DWORD, FILTER_STATE* state) override {
        *state = m_state;
        return S_OK;
    }
    STDMETHODIMP SetSyncSource(IReferenceClock*) override { return S_OK; }
    STDMETHODIMP GetSyncSource(IReferenceClock** clock) override {
        *clock = nullptr;
        return S_OK;
    }
    STDMETHODIMP EnumPins(IEnumPins** pins) override {
        *pins = new EmptyPinEnum(m_pin);
        return S_OK;
    }
    STDMETHODIMP FindPin(LPCWSTR, IPin** pin) override {
        *pin = nullptr;
        return VFW_E_NOT_FOUND;
    }
    STDMETHODIMP QueryFilterInfo(FILTER_INFO* info) override {
        lstrcpynW(info->achName, m_name.c_str(), MAX_FILTER_NAME);
        info->pGraph = m_graph;
        if (m_graph)
            m_graph->AddRef();
        return S_OK;
    }
    STDMETHODIMP JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override {
        m_graph = graph; // not counted: the graph owns its filters
        m_name = name ? name : L"";
        return S_OK;
    }
    STDMETHODIMP QueryVendorInfo(LPWSTR*) override { return E_NOTIMPL; }

    // IKsPropertySet
    STDMETHODIMP Set(REFGUID set, DWORD id, LPVOID instance, DWORD instanceSize, LPVOID data,
                     DWORD dataSize) override {
        (void)instance;
        if (IsEqualGUID(set, kPropSetTuner) && id == kTunerPropFrequency &&
            dataSize >= sizeof(TunerFrequencyProperty)) {
            TunerFrequencyProperty p;
            std::memcpy(&p, data, sizeof p);
            g_card.frequencySets.push_back(p);
            g_card.lastFrequencyInstanceSize = instanceSize;
            g_card.frequency = p.Frequency;
            g_card.country = p.Country;
            return S_OK;
        }
        if (IsEqualGUID(set, kPropSetVendorAudio) && id == kVendorAudioModeProperty) {
            const auto* bytes = static_cast<const uint8_t*>(data);
            g_card.audioModeSets.emplace_back(bytes, bytes + dataSize);
            g_card.lastAudioModeInstanceSize = instanceSize;
            return S_OK;
        }
        return E_PROP_ID_UNSUPPORTED;
    }
    STDMETHODIMP Get(REFGUID set, DWORD id, LPVOID, DWORD, LPVOID data, DWORD dataSize,
                     DWORD* returned) override {
        if (IsEqualGUID(set, kPropSetTuner) && id == kTunerPropFrequency &&
            dataSize >= sizeof(TunerFrequencyProperty)) {
            auto* p = static_cast<TunerFrequencyProperty*>(data);
            p->Frequency = g_card.frequency;
            p->Country = g_card.country;
            p->TuningFlags = 1;
            *returned = sizeof *p;
            return S_OK;
        }
        if (IsEqualGUID(set, kPropSetTuner) && id == kTunerPropModeCaps &&
            dataSize >= sizeof(TunerModeCapsProperty)) {
            auto* p = static_cast<TunerModeCapsProperty*>(data);
            if (p->Mode != kKsTunerModeTv)
                return E_INVALIDARG;
            p->MinFrequency = g_card.minFrequency;
            p->MaxFrequency = g_card.maxFrequency;
            *returned = sizeof *p;
            return S_OK;
        }
        if (IsEqualGUID(set, kPropSetVideoDecoder) && id == kDecoderPropStatus &&
            dataSize >= sizeof(VideoDecoderStatusProperty)) {
            auto* p = static_cast<VideoDecoderStatusProperty*>(data);
            p->NumberOfLines = 625;
            p->SignalLocked = g_card.lockedFrequencies.count(g_card.frequency) ? 1 : 0;
            *returned = sizeof *p;
            return S_OK;
        }
        return E_PROP_ID_UNSUPPORTED;
    }
    STDMETHODIMP QuerySupported(REFGUID, DWORD, DWORD* support) override {
        *support = KSPROPERTY_SUPPORT_GET | KSPROPERTY_SUPPORT_SET;
        return S_OK;
    }

    // IAMVideoProcAmp
    STDMETHODIMP GetRange(LONG property, LONG* minimum, LONG* maximum, LONG* step, LONG* defaultValue,
                          LONG* caps) override {
        auto it = g_card.amp.find(property);
        if (it == g_card.amp.end())
            return E_PROP_ID_UNSUPPORTED;
        *minimum = it->second.minimum;
        *maximum = it->second.maximum;
        *step = 1;
        *defaultValue = it->second.defaultValue;
        *caps = VideoProcAmp_Flags_Manual;
        return S_OK;
    }
    STDMETHODIMP Set(LONG property, LONG value, LONG flags) override {
        auto it = g_card.amp.find(property);
        if (it == g_card.amp.end())
            return E_PROP_ID_UNSUPPORTED;
        it->second.value = value;
        it->second.flags = flags;
        return S_OK;
    }
    STDMETHODIMP Get(LONG property, LONG* value, LONG* flags) override {
        auto it = g_card.amp.find(property);
        if (it == g_card.amp.end())
            return E_PROP_ID_UNSUPPORTED;
        *value = it->second.value;
        *flags = it->second.flags;
        return S_OK;
    }

    // IAMAnalogVideoDecoder
    STDMETHODIMP get_AvailableTVFormats(LONG* standards) override {
        *standards = 0xfffff;
        return S_OK;
    }
    STDMETHODIMP put_TVFormat(LONG standard) override {
        g_card.standard = standard;
        return S_OK;
    }
    STDMETHODIMP get_TVFormat(LONG* standard) override {
        *standard = g_card.standard;
        return S_OK;
    }
    STDMETHODIMP get_HorizontalLocked(LONG* locked) override {
        *locked = 1;
        return S_OK;
    }
    STDMETHODIMP put_VCRHorizontalLocking(LONG) override { return S_OK; }
    STDMETHODIMP get_VCRHorizontalLocking(LONG* v) override {
        *v = 0;
        return S_OK;
    }
    STDMETHODIMP get_NumberOfLines(LONG* lines) override {
        *lines = 625;
        return S_OK;
    }
    STDMETHODIMP put_OutputEnable(LONG) override { return S_OK; }
    STDMETHODIMP get_OutputEnable(LONG* v) override {
        *v = 1;
        return S_OK;
    }

    // IAMCrossbar
    STDMETHODIMP get_PinCounts(LONG* outputs, LONG* inputs) override {
        *outputs = static_cast<LONG>(g_card.crossbarOutputs.size());
        *inputs = static_cast<LONG>(g_card.crossbarInputs.size());
        return S_OK;
    }
    STDMETHODIMP CanRoute(LONG output, LONG input) override {
        if (output < 0 || input < 0 || output >= static_cast<LONG>(g_card.crossbarOutputs.size()) ||
            input >= static_cast<LONG>(g_card.crossbarInputs.size()))
            return E_INVALIDARG;
        const bool outVideo = g_card.crossbarOutputs[output].physicalType < 4096;
        const bool inVideo = g_card.crossbarInputs[input].physicalType < 4096;
        return outVideo == inVideo ? S_OK : S_FALSE;
    }
    STDMETHODIMP Route(LONG output, LONG input) override {
        if (input != -1 && CanRoute(output, input) != S_OK)
            return S_FALSE;
        g_card.routes[output] = input;
        g_card.routeLog.emplace_back(output, input);
        return S_OK;
    }
    STDMETHODIMP get_IsRoutedTo(LONG output, LONG* input) override {
        auto it = g_card.routes.find(output);
        *input = it == g_card.routes.end() ? -1 : it->second;
        return S_OK;
    }
    STDMETHODIMP get_CrossbarPinInfo(BOOL isInput, LONG index, LONG* related, LONG* type) override {
        const auto& pins = isInput ? g_card.crossbarInputs : g_card.crossbarOutputs;
        if (index < 0 || index >= static_cast<LONG>(pins.size()))
            return E_INVALIDARG;
        *related = pins[index].related;
        *type = pins[index].physicalType;
        return S_OK;
    }

    // IAMTuner / IAMTVTuner
    STDMETHODIMP put_Channel(LONG, LONG, LONG) override { return E_NOTIMPL; }
    STDMETHODIMP get_Channel(LONG*, LONG*, LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP ChannelMinMax(LONG*, LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP put_CountryCode(LONG country) override {
        g_card.countryCodes.push_back(country);
        return S_OK;
    }
    STDMETHODIMP get_CountryCode(LONG* country) override {
        *country = g_card.countryCodes.empty() ? 0 : g_card.countryCodes.back();
        return S_OK;
    }
    STDMETHODIMP put_TuningSpace(LONG) override { return S_OK; }
    STDMETHODIMP get_TuningSpace(LONG* space) override {
        *space = 0;
        return S_OK;
    }
    STDMETHODIMP Logon(HANDLE) override { return S_OK; }
    STDMETHODIMP Logout() override { return S_OK; }
    STDMETHODIMP SignalPresent(LONG* strength) override {
        *strength =
            g_card.lockedFrequencies.count(g_card.frequency) ? AMTUNER_SIGNALPRESENT : AMTUNER_NOSIGNAL;
        return S_OK;
    }
    STDMETHODIMP put_Mode(AMTunerModeType mode) override {
        g_card.tunerMode = mode;
        return S_OK;
    }
    STDMETHODIMP get_Mode(AMTunerModeType* mode) override {
        *mode = static_cast<AMTunerModeType>(g_card.tunerMode);
        return S_OK;
    }
    STDMETHODIMP GetAvailableModes(LONG* modes) override {
        *modes = AMTUNER_MODE_TV | AMTUNER_MODE_FM_RADIO;
        return S_OK;
    }
    STDMETHODIMP RegisterNotificationCallBack(IAMTunerNotification*, LONG) override { return E_NOTIMPL; }
    STDMETHODIMP UnRegisterNotificationCallBack(IAMTunerNotification*) override { return E_NOTIMPL; }
    STDMETHODIMP AutoTune(LONG, LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP StoreAutoTune() override { return E_NOTIMPL; }
    STDMETHODIMP get_NumInputConnections(LONG* n) override {
        *n = 1;
        return S_OK;
    }
    STDMETHODIMP put_InputType(LONG, TunerInputType) override { return S_OK; }
    STDMETHODIMP get_InputType(LONG, TunerInputType* type) override {
        *type = TunerInputCable;
        return S_OK;
    }
    STDMETHODIMP put_ConnectInput(LONG) override { return S_OK; }
    STDMETHODIMP get_ConnectInput(LONG* index) override {
        *index = 0;
        return S_OK;
    }
    STDMETHODIMP get_VideoFrequency(LONG* frequency) override {
        *frequency = static_cast<LONG>(g_card.frequency);
        return S_OK;
    }
    STDMETHODIMP get_AudioFrequency(LONG* frequency) override {
        *frequency = static_cast<LONG>(g_card.frequency) + 6500000;
        return S_OK;
    }

    // IDispOptim
    STDMETHODIMP SetMode(LONG mode) override {
        g_card.optimiserModes.push_back(mode);
        return S_OK;
    }
    STDMETHODIMP GetImageSize(LONG* size) override {
        *size = static_cast<LONG>(g_card.optimiserImage.size());
        return S_OK;
    }
    STDMETHODIMP GetImage(BYTE* buffer, LONG length) override {
        if (!buffer)
            return E_POINTER;
        if (g_card.optimiserImage.empty())
            return E_FAIL;
        if (length < static_cast<LONG>(g_card.optimiserImage.size()))
            return E_OUTOFMEMORY;
        std::memcpy(buffer, g_card.optimiserImage.data(), g_card.optimiserImage.size());
        return S_OK;
    }

    // IFrameGrabber
    STDMETHODIMP GetCurrentFrame(BYTE* buffer, LONG length) override {
        if (!buffer)
            return E_POINTER;
        if (g_card.grabberFrame.empty())
            return E_FAIL;
        g_card.grabberLengths.push_back(length);
        const size_t n = length == 0 ? g_card.grabberFrame.size()
                                     : std::min(g_card.grabberFrame.size(), static_cast<size_t>(length));
        std::memcpy(buffer, g_card.grabberFrame.data(), n);
        return S_OK;
    }

private:
    LONG m_refs = 1;
    IPin* m_pin = nullptr;
    Role m_role;
    FILTER_STATE m_state = State_Stopped;
    IFilterGraph* m_graph = nullptr;
    std::wstring m_name;
};

class FakeFactory : public IClassFactory {
public:
    explicit FakeFactory(Role role) : m_role(role) {}
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
            *ppv = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; } // static lifetime
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        FakeFilter* f = new FakeFilter(m_role);
        const HRESULT hr = f->QueryInterface(riid, ppv);
        f->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

private:
    Role m_role;
};

FakeFactory g_factories[] = {FakeFactory(Role::Capture), FakeFactory(Role::Tuner),
                             FakeFactory(Role::TunerB),  FakeFactory(Role::Crossbar),
                             FakeFactory(Role::Generic), FakeFactory(Role::Optimiser),
                             FakeFactory(Role::Grabber)};
DWORD g_cookies[7] = {};

std::string GuidText(const GUID& g) {
    char text[64];
    std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2],
                  g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

const TestCategories kCategories = {
    {0x5e0a7c20, 0x2222, 0x4b2b, {0x90, 0x02, 0x00, 0x11, 0x22, 0x33, 0x44, 0x01}},
    {0x5e0a7c20, 0x2222, 0x4b2b, {0x90, 0x02, 0x00, 0x11, 0x22, 0x33, 0x44, 0x02}},
    {0x5e0a7c20, 0x2222, 0x4b2b, {0x90, 0x02, 0x00, 0x11, 0x22, 0x33, 0x44, 0x03}},
    {0x5e0a7c20, 0x2222, 0x4b2b, {0x90, 0x02, 0x00, 0x11, 0x22, 0x33, 0x44, 0x04}},
    {0x5e0a7c20, 0x2222, 0x4b2b, {0x90, 0x02, 0x00, 0x11, 0x22, 0x33, 0x44, 0x05}},
    {0x5e0a7c20, 0x2222, 0x4b2b, {0x90, 0x02, 0x00, 0x11, 0x22, 0x33, 0x44, 0x06}},
    {0x5e0a7c20, 0x2222, 0x4b2b, {0x90, 0x02, 0x00, 0x11, 0x22, 0x33, 0x44, 0x07}},
    {0x5e0a7c20, 0x2222, 0x4b2b, {0x90, 0x02, 0x00, 0x11, 0x22, 0x33, 0x44, 0x08}},
};

std::map<std::string, int> g_deviceCounts;

} // namespace

const GUID& ClassOf(Role role) {
    return kClasses[static_cast<int>(role)];
}

FakeCard::FakeCard() {
    amp[VideoProcAmp_Brightness] = {-100, 300, 100, 100, 0};
    amp[VideoProcAmp_Contrast] = {0, 10000, 5000, 5000, 0};
    amp[VideoProcAmp_Hue] = {-180, 180, 0, 0, 0};
    amp[VideoProcAmp_Saturation] = {0, 200, 100, 100, 0};
    amp[VideoProcAmp_Sharpness] = {0, 15, 8, 8, 0};
    amp[VideoProcAmp_ColorEnable] = {0, 1, 1, 1, 0};
}

void FakeCard::UseSaa7134Crossbar() {
    crossbarOutputs = {{12, 1}, {4105, 0}};
    crossbarInputs = {{2, 4}, {1, 3}, {3, 4}, {4096, 1}, {4097, 0}};
}

FakeCard& Card() {
    return g_card;
}
void ResetCard() {
    g_card = FakeCard();
}

void RegisterFakeClasses() {
    for (int i = 0; i < 7; ++i) {
        CoRegisterClassObject(kClasses[i], &g_factories[i], CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                              &g_cookies[i]);
    }
}

void RevokeFakeClasses() {
    for (DWORD& cookie : g_cookies) {
        if (cookie)
            CoRevokeClassObject(cookie);
        cookie = 0;
    }
}

IBaseFilter* CreateFakeFilter(Role role) {
    return static_cast<IBaseFilter*>(new FakeFilter(role));
}

const TestCategories& Categories() {
    return kCategories;
}

void ClearCategories() {
    for (const GUID* g : {&kCategories.videoInput, &kCategories.audioInput, &kCategories.tvTuner,
                          &kCategories.crossbar, &kCategories.audioRenderer, &kCategories.encoder,
                          &kCategories.videoCompressor, &kCategories.audioCompressor}) {
        SHDeleteKeyA(HKEY_CLASSES_ROOT, ("CLSID\\" + GuidText(*g)).c_str());
    }
    g_deviceCounts.clear();
}

void AddDevice(const GUID& category, const char* friendlyName, Role role) {
    const std::string cat = GuidText(category);
    const int n = g_deviceCounts[cat]++;
    const std::string path = "CLSID\\" + cat + "\\Instance\\Device" + std::to_string(10 + n);
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    if (friendlyName)
        RegSetValueExA(key, "FriendlyName", 0, REG_SZ, reinterpret_cast<const BYTE*>(friendlyName),
                       static_cast<DWORD>(std::strlen(friendlyName) + 1));
    const std::string clsid = GuidText(ClassOf(role));
    RegSetValueExA(key, "CLSID", 0, REG_SZ, reinterpret_cast<const BYTE*>(clsid.c_str()),
                   static_cast<DWORD>(clsid.size() + 1));
    RegCloseKey(key);
}

} // namespace enginetest
