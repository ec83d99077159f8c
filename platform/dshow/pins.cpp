// DirectShow base pins: connection and media-type negotiation (BasePin), allocator
// negotiation and delivery (OutputPin), and sample reception (InputPin).
#include "platform/dshow/filter.h"

#include <cstring>

namespace dshow {

namespace {

bool IsFullySpecified(const AM_MEDIA_TYPE* mt) {
    return mt && mt->majortype != GUID_NULL && mt->subtype != GUID_NULL && mt->formattype != GUID_NULL;
}

} // namespace

// ---- BasePin ----------------------------------------------------------------------------------

BasePin::BasePin(BaseFilter* filter, PIN_DIRECTION dir, const wchar_t* name)
    : m_filter(filter), m_dir(dir), m_name(name ? name : L"") {}

BasePin::~BasePin() = default;

STDMETHODIMP BasePin::QueryInterface(REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IPin) {
        *out = static_cast<IPin*>(this);
    } else if (iid == IID_IKsPropertySet && m_hasCategory) {
        *out = static_cast<IKsPropertySet*>(this);
    } else {
        return QueryOtherInterface(iid, out);
    }
    AddRef();
    return S_OK;
}

HRESULT BasePin::SetMediaType(const AM_MEDIA_TYPE* mt) {
    m_mt = *mt;
    return S_OK;
}

HRESULT BasePin::AttemptConnection(IPin* receiver, const AM_MEDIA_TYPE* mt) {
    if (CheckMediaType(mt) != S_OK)
        return VFW_E_TYPE_NOT_ACCEPTED;
    HRESULT hr = SetMediaType(mt);
    if (FAILED(hr))
        return hr;
    m_connected = ComPtr<IPin>(receiver);
    hr = receiver->ReceiveConnection(this, mt);
    if (SUCCEEDED(hr)) {
        hr = CompleteConnect(receiver);
        if (SUCCEEDED(hr))
            return S_OK;
        receiver->Disconnect();
    }
    BreakConnect();
    m_connected.Reset();
    m_mt.Clear();
    return hr;
}

HRESULT BasePin::TryTypesFrom(IPin* receiver, IEnumMediaTypes* types, const AM_MEDIA_TYPE* partial) {
    HRESULT last = VFW_E_NO_ACCEPTABLE_TYPES;
    AM_MEDIA_TYPE* mt = nullptr;
    ULONG got = 0;
    while (types->Next(1, &mt, &got) == S_OK && got == 1) {
        MediaType candidate(*mt);
        DeleteMediaType(mt);
        mt = nullptr;
        if (!candidate.MatchesPartial(partial))
            continue;
        HRESULT hr = AttemptConnection(receiver, &candidate);
        if (SUCCEEDED(hr))
            return S_OK;
        last = hr;
    }
    return last;
}

STDMETHODIMP BasePin::Connect(IPin* receiver, const AM_MEDIA_TYPE* mt) {
    if (!receiver)
        return E_POINTER;
    if (m_dir != PINDIR_OUTPUT)
        return E_UNEXPECTED;
    AutoLock lock(m_filter->FilterLock());
    if (m_connected)
        return VFW_E_ALREADY_CONNECTED;
    if (m_filter->State() != State_Stopped)
        return VFW_E_NOT_STOPPED;
    PIN_DIRECTION otherDir;
    if (FAILED(receiver->QueryDirection(&otherDir)) || otherDir != PINDIR_INPUT)
        return VFW_E_INVALID_DIRECTION;
    if (IsFullySpecified(mt))
        return AttemptConnection(receiver, mt);
    // Our own types first, then what the receiver proposes.
    ComPtr<IEnumMediaTypes> ours;
    HRESULT hr = VFW_E_NO_ACCEPTABLE_TYPES;
    if (SUCCEEDED(EnumMediaTypes(ours.Put()))) {
        hr = TryTypesFrom(receiver, ours.Get(), mt);
        if (SUCCEEDED(hr))
            return hr;
    }
    ComPtr<IEnumMediaTypes> theirs;
    if (SUCCEEDED(receiver->EnumMediaTypes(theirs.Put()))) {
        HRESULT h = TryTypesFrom(receiver, theirs.Get(), mt);
        if (SUCCEEDED(h))
            return h;
    }
    return hr == VFW_E_TYPE_NOT_ACCEPTED ? VFW_E_NO_ACCEPTABLE_TYPES : hr;
}

STDMETHODIMP BasePin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mt) {
    if (!connector || !mt)
        return E_POINTER;
    if (m_dir != PINDIR_INPUT)
        return E_UNEXPECTED;
    AutoLock lock(m_filter->FilterLock());
    if (m_connected)
        return VFW_E_ALREADY_CONNECTED;
    if (m_filter->State() != State_Stopped)
        return VFW_E_NOT_STOPPED;
    if (CheckMediaType(mt) != S_OK)
        return VFW_E_TYPE_NOT_ACCEPTED;
    HRESULT hr = SetMediaType(mt);
    if (FAILED(hr))
        return hr;
    m_connected = ComPtr<IPin>(connector);
    hr = CompleteConnect(connector);
    if (FAILED(hr)) {
        BreakConnect();
        m_connected.Reset();
        m_mt.Clear();
    }
    return hr;
}

STDMETHODIMP BasePin::Disconnect() {
    AutoLock lock(m_filter->FilterLock());
    if (m_filter->State() != State_Stopped)
        return VFW_E_NOT_STOPPED;
    if (!m_connected)
        return S_FALSE;
    BreakConnect();
    m_connected.Reset();
    m_mt.Clear();
    return S_OK;
}

STDMETHODIMP BasePin::ConnectedTo(IPin** pin) {
    if (!pin)
        return E_POINTER;
    AutoLock lock(m_filter->FilterLock());
    if (!m_connected) {
        *pin = nullptr;
        return VFW_E_NOT_CONNECTED;
    }
    return m_connected.CopyTo(pin);
}

STDMETHODIMP BasePin::ConnectionMediaType(AM_MEDIA_TYPE* mt) {
    if (!mt)
        return E_POINTER;
    AutoLock lock(m_filter->FilterLock());
    if (!m_connected) {
        *mt = AM_MEDIA_TYPE{};
        return VFW_E_NOT_CONNECTED;
    }
    return CopyMediaType(mt, &m_mt);
}

STDMETHODIMP BasePin::QueryPinInfo(PIN_INFO* info) {
    if (!info)
        return E_POINTER;
    info->pFilter = m_filter;
    m_filter->AddRef();
    info->dir = m_dir;
    lstrcpynW(info->achName, m_name.c_str(), MAX_PIN_NAME);
    return S_OK;
}

STDMETHODIMP BasePin::QueryDirection(PIN_DIRECTION* dir) {
    if (!dir)
        return E_POINTER;
    *dir = m_dir;
    return S_OK;
}

STDMETHODIMP BasePin::QueryId(LPWSTR* id) {
    if (!id)
        return E_POINTER;
    size_t bytes = (m_name.size() + 1) * sizeof(wchar_t);
    *id = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (!*id)
        return E_OUTOFMEMORY;
    memcpy(*id, m_name.c_str(), bytes);
    return S_OK;
}

STDMETHODIMP BasePin::QueryAccept(const AM_MEDIA_TYPE* mt) {
    if (!mt)
        return E_POINTER;
    return CheckMediaType(mt) == S_OK ? S_OK : S_FALSE;
}

STDMETHODIMP BasePin::EnumMediaTypes(IEnumMediaTypes** out) {
    std::vector<MediaType> types;
    for (int i = 0;; ++i) {
        MediaType mt;
        if (GetMediaType(i, &mt) != S_OK)
            break;
        types.push_back(mt);
    }
    return CreateMediaTypeEnum(types, out);
}

STDMETHODIMP BasePin::QueryInternalConnections(IPin**, ULONG*) {
    return E_NOTIMPL;
}

STDMETHODIMP BasePin::EndOfStream() {
    return S_OK;
}

STDMETHODIMP BasePin::BeginFlush() {
    m_flushing = true;
    return S_OK;
}

STDMETHODIMP BasePin::EndFlush() {
    m_flushing = false;
    return S_OK;
}

STDMETHODIMP BasePin::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) {
    return S_OK;
}

STDMETHODIMP BasePin::Set(REFGUID, DWORD, void*, DWORD, void*, DWORD) {
    return E_PROP_ID_UNSUPPORTED;
}

STDMETHODIMP BasePin::Get(REFGUID set, DWORD id, void*, DWORD, void* data, DWORD dataLen, DWORD* returned) {
    if (set != AMPROPSETID_Pin)
        return E_PROP_SET_UNSUPPORTED;
    if (id != AMPROPERTY_PIN_CATEGORY)
        return E_PROP_ID_UNSUPPORTED;
    if (!data)
        return E_POINTER;
    if (dataLen < sizeof(GUID))
        return E_UNEXPECTED;
    *static_cast<GUID*>(data) = m_category;
    if (returned)
        *returned = sizeof(GUID);
    return S_OK;
}

STDMETHODIMP BasePin::QuerySupported(REFGUID set, DWORD id, DWORD* support) {
    if (set != AMPROPSETID_Pin)
        return E_PROP_SET_UNSUPPORTED;
    if (id != AMPROPERTY_PIN_CATEGORY)
        return E_PROP_ID_UNSUPPORTED;
    if (support)
        *support = KSPROPERTY_SUPPORT_GET;
    return S_OK;
}

// ---- OutputPin --------------------------------------------------------------------------------

OutputPin::OutputPin(BaseFilter* filter, const wchar_t* name) : BasePin(filter, PINDIR_OUTPUT, name) {}

HRESULT OutputPin::CompleteConnect(IPin* receiver) {
    ComPtr<IMemInputPin> input;
    if (FAILED(receiver->QueryInterface(IID_IMemInputPin, input.PutVoid())))
        return VFW_E_NO_TRANSPORT;
    HRESULT hr = DecideAllocator(input.Get());
    if (FAILED(hr))
        return hr;
    m_input = input;
    return S_OK;
}

void OutputPin::BreakConnect() {
    if (m_allocator)
        m_allocator->Decommit();
    m_allocator.Reset();
    m_input.Reset();
}

HRESULT OutputPin::DecideAllocator(IMemInputPin* input) {
    ALLOCATOR_PROPERTIES request{};
    input->GetAllocatorRequirements(&request); // optional for the downstream pin
    if (request.cbAlign == 0)
        request.cbAlign = 1;

    ComPtr<IMemAllocator> alloc;
    if (SUCCEEDED(input->GetAllocator(alloc.Put())) && alloc) {
        HRESULT hr = DecideBufferSize(alloc.Get(), &request);
        if (SUCCEEDED(hr)) {
            hr = input->NotifyAllocator(alloc.Get(), FALSE);
            if (SUCCEEDED(hr)) {
                m_allocator = alloc;
                return S_OK;
            }
        }
    }
    alloc.Reset();
    HRESULT hr = CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                                  alloc.PutVoid());
    if (FAILED(hr))
        return hr;
    hr = DecideBufferSize(alloc.Get(), &request);
    if (FAILED(hr))
        return hr;
    hr = input->NotifyAllocator(alloc.Get(), FALSE);
    if (FAILED(hr))
        return hr;
    m_allocator = alloc;
    return S_OK;
}

HRESULT OutputPin::Active() {
    if (!m_connected)
        return S_OK;
    if (!m_allocator)
        return VFW_E_NO_ALLOCATOR;
    return m_allocator->Commit();
}

HRESULT OutputPin::Inactive() {
    if (!m_allocator)
        return S_OK;
    return m_allocator->Decommit();
}

HRESULT OutputPin::GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop,
                                     DWORD flags) {
    if (!m_allocator)
        return VFW_E_NO_ALLOCATOR;
    return m_allocator->GetBuffer(sample, start, stop, flags);
}

HRESULT OutputPin::Deliver(IMediaSample* sample) {
    if (!m_input)
        return VFW_E_NOT_CONNECTED;
    return m_input->Receive(sample);
}

HRESULT OutputPin::DeliverEndOfStream() {
    return m_connected ? m_connected->EndOfStream() : VFW_E_NOT_CONNECTED;
}
HRESULT OutputPin::DeliverBeginFlush() {
    return m_connected ? m_connected->BeginFlush() : VFW_E_NOT_CONNECTED;
}
HRESULT OutputPin::DeliverEndFlush() {
    return m_connected ? m_connected->EndFlush() : VFW_E_NOT_CONNECTED;
}
HRESULT OutputPin::DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    return m_connected ? m_connected->NewSegment(start, stop, rate) : VFW_E_NOT_CONNECTED;
}

// ---- InputPin ---------------------------------------------------------------------------------

InputPin::InputPin(BaseFilter* filter, const wchar_t* name) : BasePin(filter, PINDIR_INPUT, name) {}

STDMETHODIMP InputPin::QueryInterface(REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    if (iid == IID_IMemInputPin) {
        *out = static_cast<IMemInputPin*>(this);
        AddRef();
        return S_OK;
    }
    return BasePin::QueryInterface(iid, out);
}

STDMETHODIMP InputPin::GetAllocator(IMemAllocator** out) {
    if (!out)
        return E_POINTER;
    AutoLock lock(m_filter->FilterLock());
    if (!m_allocator) {
        HRESULT hr = CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                                      m_allocator.PutVoid());
        if (FAILED(hr))
            return hr;
    }
    return m_allocator.CopyTo(out);
}

STDMETHODIMP InputPin::NotifyAllocator(IMemAllocator* alloc, BOOL readOnly) {
    if (!alloc)
        return E_POINTER;
    AutoLock lock(m_filter->FilterLock());
    m_allocator = ComPtr<IMemAllocator>(alloc);
    m_readOnly = readOnly != FALSE;
    return S_OK;
}

STDMETHODIMP InputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) {
    return E_NOTIMPL;
}

HRESULT InputPin::CheckStreaming() {
    if (!m_active)
        return VFW_E_WRONG_STATE;
    if (m_flushing)
        return S_FALSE;
    return S_OK;
}

STDMETHODIMP InputPin::Receive(IMediaSample* sample) {
    if (!sample)
        return E_POINTER;
    return CheckStreaming();
}

STDMETHODIMP InputPin::ReceiveMultiple(IMediaSample** samples, long count, long* processed) {
    if (!samples || !processed)
        return E_POINTER;
    *processed = 0;
    HRESULT hr = S_OK;
    while (*processed < count) {
        hr = Receive(samples[*processed]);
        if (hr != S_OK)
            break;
        ++*processed;
    }
    return hr;
}

STDMETHODIMP InputPin::ReceiveCanBlock() {
    return S_OK;
}

STDMETHODIMP InputPin::BeginFlush() {
    return BasePin::BeginFlush();
}

STDMETHODIMP InputPin::EndFlush() {
    return BasePin::EndFlush();
}

HRESULT InputPin::Active() {
    m_active = true;
    return S_OK;
}

HRESULT InputPin::Inactive() {
    m_active = false;
    return S_OK;
}

void InputPin::BreakConnect() {
    m_allocator.Reset();
    m_readOnly = false;
}

} // namespace dshow
