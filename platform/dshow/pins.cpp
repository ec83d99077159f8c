// DirectShow base pins: connection and media-type negotiation (BasePin), allocator
// negotiation and delivery (OutputPin), and sample reception (InputPin).
#include "filter.h"

#include <cstring>

namespace dshow {

namespace {

bool IsFullySpecified(const AM_MEDIA_TYPE* mt) {
    return mt && mt->majortype != GUID_NULL && mt->subtype != GUID_NULL && mt->formattype != GUID_NULL;
}

} // namespace

// ---- BasePin ----------------------------------------------------------------------------------

BasePin::BasePin(BaseFilter* filter, PIN_DIRECTION dir, const wchar_t* name)
    : filter_(filter), dir_(dir), name_(name ? name : L"") {}

BasePin::~BasePin() = default;

STDMETHODIMP BasePin::QueryInterface(REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IPin) {
        *out = static_cast<IPin*>(this);
    } else if (iid == IID_IKsPropertySet && hasCategory_) {
        *out = static_cast<IKsPropertySet*>(this);
    } else {
        return QueryOtherInterface(iid, out);
    }
    AddRef();
    return S_OK;
}

HRESULT BasePin::SetMediaType(const AM_MEDIA_TYPE* mt) {
    mt_ = *mt;
    return S_OK;
}

HRESULT BasePin::AttemptConnection(IPin* receiver, const AM_MEDIA_TYPE* mt) {
    if (CheckMediaType(mt) != S_OK)
        return VFW_E_TYPE_NOT_ACCEPTED;
    HRESULT hr = SetMediaType(mt);
    if (FAILED(hr))
        return hr;
    connected_ = ComPtr<IPin>(receiver);
    hr = receiver->ReceiveConnection(this, mt);
    if (SUCCEEDED(hr)) {
        hr = CompleteConnect(receiver);
        if (SUCCEEDED(hr))
            return S_OK;
        receiver->Disconnect();
    }
    BreakConnect();
    connected_.Reset();
    mt_.Clear();
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
    if (dir_ != PINDIR_OUTPUT)
        return E_UNEXPECTED;
    AutoLock lock(filter_->FilterLock());
    if (connected_)
        return VFW_E_ALREADY_CONNECTED;
    if (filter_->State() != State_Stopped)
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
    if (dir_ != PINDIR_INPUT)
        return E_UNEXPECTED;
    AutoLock lock(filter_->FilterLock());
    if (connected_)
        return VFW_E_ALREADY_CONNECTED;
    if (filter_->State() != State_Stopped)
        return VFW_E_NOT_STOPPED;
    if (CheckMediaType(mt) != S_OK)
        return VFW_E_TYPE_NOT_ACCEPTED;
    HRESULT hr = SetMediaType(mt);
    if (FAILED(hr))
        return hr;
    connected_ = ComPtr<IPin>(connector);
    hr = CompleteConnect(connector);
    if (FAILED(hr)) {
        BreakConnect();
        connected_.Reset();
        mt_.Clear();
    }
    return hr;
}

STDMETHODIMP BasePin::Disconnect() {
    AutoLock lock(filter_->FilterLock());
    if (filter_->State() != State_Stopped)
        return VFW_E_NOT_STOPPED;
    if (!connected_)
        return S_FALSE;
    BreakConnect();
    connected_.Reset();
    mt_.Clear();
    return S_OK;
}

STDMETHODIMP BasePin::ConnectedTo(IPin** pin) {
    if (!pin)
        return E_POINTER;
    AutoLock lock(filter_->FilterLock());
    if (!connected_) {
        *pin = nullptr;
        return VFW_E_NOT_CONNECTED;
    }
    return connected_.CopyTo(pin);
}

STDMETHODIMP BasePin::ConnectionMediaType(AM_MEDIA_TYPE* mt) {
    if (!mt)
        return E_POINTER;
    AutoLock lock(filter_->FilterLock());
    if (!connected_) {
        *mt = AM_MEDIA_TYPE{};
        return VFW_E_NOT_CONNECTED;
    }
    return CopyMediaType(mt, &mt_);
}

STDMETHODIMP BasePin::QueryPinInfo(PIN_INFO* info) {
    if (!info)
        return E_POINTER;
    info->pFilter = filter_;
    filter_->AddRef();
    info->dir = dir_;
    lstrcpynW(info->achName, name_.c_str(), MAX_PIN_NAME);
    return S_OK;
}

STDMETHODIMP BasePin::QueryDirection(PIN_DIRECTION* dir) {
    if (!dir)
        return E_POINTER;
    *dir = dir_;
    return S_OK;
}

STDMETHODIMP BasePin::QueryId(LPWSTR* id) {
    if (!id)
        return E_POINTER;
    size_t bytes = (name_.size() + 1) * sizeof(wchar_t);
    *id = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (!*id)
        return E_OUTOFMEMORY;
    memcpy(*id, name_.c_str(), bytes);
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
    flushing_ = true;
    return S_OK;
}

STDMETHODIMP BasePin::EndFlush() {
    flushing_ = false;
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
    *static_cast<GUID*>(data) = category_;
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
    input_ = input;
    return S_OK;
}

void OutputPin::BreakConnect() {
    if (allocator_)
        allocator_->Decommit();
    allocator_.Reset();
    input_.Reset();
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
                allocator_ = alloc;
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
    allocator_ = alloc;
    return S_OK;
}

HRESULT OutputPin::Active() {
    if (!connected_)
        return S_OK;
    if (!allocator_)
        return VFW_E_NO_ALLOCATOR;
    return allocator_->Commit();
}

HRESULT OutputPin::Inactive() {
    if (!allocator_)
        return S_OK;
    return allocator_->Decommit();
}

HRESULT OutputPin::GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop,
                                     DWORD flags) {
    if (!allocator_)
        return VFW_E_NO_ALLOCATOR;
    return allocator_->GetBuffer(sample, start, stop, flags);
}

HRESULT OutputPin::Deliver(IMediaSample* sample) {
    if (!input_)
        return VFW_E_NOT_CONNECTED;
    return input_->Receive(sample);
}

HRESULT OutputPin::DeliverEndOfStream() {
    return connected_ ? connected_->EndOfStream() : VFW_E_NOT_CONNECTED;
}
HRESULT OutputPin::DeliverBeginFlush() {
    return connected_ ? connected_->BeginFlush() : VFW_E_NOT_CONNECTED;
}
HRESULT OutputPin::DeliverEndFlush() {
    return connected_ ? connected_->EndFlush() : VFW_E_NOT_CONNECTED;
}
HRESULT OutputPin::DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    return connected_ ? connected_->NewSegment(start, stop, rate) : VFW_E_NOT_CONNECTED;
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
    AutoLock lock(filter_->FilterLock());
    if (!allocator_) {
        HRESULT hr = CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                                      allocator_.PutVoid());
        if (FAILED(hr))
            return hr;
    }
    return allocator_.CopyTo(out);
}

STDMETHODIMP InputPin::NotifyAllocator(IMemAllocator* alloc, BOOL readOnly) {
    if (!alloc)
        return E_POINTER;
    AutoLock lock(filter_->FilterLock());
    allocator_ = ComPtr<IMemAllocator>(alloc);
    readOnly_ = readOnly != FALSE;
    return S_OK;
}

STDMETHODIMP InputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) {
    return E_NOTIMPL;
}

HRESULT InputPin::CheckStreaming() {
    if (!active_)
        return VFW_E_WRONG_STATE;
    if (flushing_)
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
    active_ = true;
    return S_OK;
}

HRESULT InputPin::Inactive() {
    active_ = false;
    return S_OK;
}

void InputPin::BreakConnect() {
    allocator_.Reset();
    readOnly_ = false;
}

} // namespace dshow
