// DirectShow base filter: reference counting, state changes across the pins, the reference
// clock, graph membership and the pin enumerator.
#include "filter.h"

#include "com_server.h"
#include "com_object.h"

#include <cstring>
#include <new>

namespace dshow {

namespace {

// IEnumPins over a snapshot of the filter's pins; holds a reference to the filter.
class PinEnum final : public ComObject<IEnumPins> {
public:
    PinEnum(BaseFilter* filter, ULONG pos) : ComObject(IID_IEnumPins), filter_(filter), pos_(pos) {
        filter_->AddRef();
    }

    STDMETHODIMP Next(ULONG count, IPin** out, ULONG* fetched) override {
        if (!out || (count > 1 && !fetched))
            return E_POINTER;
        ULONG n = 0;
        while (n < count && static_cast<int>(pos_) < filter_->PinCount()) {
            out[n] = filter_->Pin(static_cast<int>(pos_));
            out[n]->AddRef();
            ++n;
            ++pos_;
        }
        if (fetched)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override {
        pos_ += count;
        if (static_cast<int>(pos_) > filter_->PinCount()) {
            pos_ = static_cast<ULONG>(filter_->PinCount());
            return S_FALSE;
        }
        return S_OK;
    }
    STDMETHODIMP Reset() override {
        pos_ = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumPins** out) override {
        if (!out)
            return E_POINTER;
        *out = new (std::nothrow) PinEnum(filter_, pos_);
        return *out ? S_OK : E_OUTOFMEMORY;
    }

private:
    ~PinEnum() override { filter_->Release(); }
    BaseFilter* filter_;
    ULONG pos_;
};

} // namespace

BaseFilter::BaseFilter(REFCLSID clsid, const wchar_t* name)
    : clsid_(clsid), name_(name ? name : L""), running_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    ModuleAddRef(); // a live filter keeps its DLL loaded
}

BaseFilter::~BaseFilter() {
    // A filter released without being stopped (a graph whose Run failed half way leaves some
    // filters paused) still has streaming threads: end them while the pins are whole.
    if (state_ != State_Stopped)
        for (BasePin* p : pins_)
            p->Inactive();
    for (BasePin* p : pins_)
        delete p;
    for (BasePin* p : retired_)
        delete p;
    ModuleRelease();
}

void BaseFilter::AddPin(BasePin* pin) {
    pins_.push_back(pin);
}

void BaseFilter::RetirePins(int first) {
    while (PinCount() > first && first >= 0) {
        retired_.push_back(pins_.back());
        pins_.pop_back();
    }
}

STDMETHODIMP BaseFilter::QueryInterface(REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IPersist || iid == IID_IMediaFilter || iid == IID_IBaseFilter) {
        *out = static_cast<IBaseFilter*>(this);
    } else if (iid == IID_IAMFilterMiscFlags && live_) {
        *out = static_cast<IAMFilterMiscFlags*>(this);
    } else {
        return QueryOtherInterface(iid, out); // adds its own reference
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) BaseFilter::AddRef() {
    return InterlockedIncrement(&refs_);
}

STDMETHODIMP_(ULONG) BaseFilter::Release() {
    LONG n = InterlockedDecrement(&refs_);
    if (n == 0)
        delete this;
    return n;
}

STDMETHODIMP BaseFilter::GetClassID(CLSID* clsid) {
    if (!clsid)
        return E_POINTER;
    *clsid = clsid_;
    return S_OK;
}

STDMETHODIMP BaseFilter::Stop() {
    AutoLock lock(lock_);
    if (state_ == State_Stopped)
        return S_OK;
    ResetEvent(running_.Get());
    HRESULT hr = OnStop();
    for (BasePin* p : pins_) {
        HRESULT h = p->Inactive();
        if (FAILED(h) && SUCCEEDED(hr))
            hr = h;
    }
    state_ = State_Stopped;
    return hr;
}

STDMETHODIMP BaseFilter::Pause() {
    AutoLock lock(lock_);
    if (state_ == State_Stopped) {
        for (size_t i = 0; i < pins_.size(); ++i) {
            HRESULT hr = pins_[i]->Active();
            if (FAILED(hr)) {
                for (size_t j = 0; j < i; ++j)
                    pins_[j]->Inactive();
                return hr;
            }
        }
    }
    HRESULT hr = OnPause();
    if (FAILED(hr))
        return hr;
    ResetEvent(running_.Get());
    state_ = State_Paused;
    return live_ ? VFW_S_CANT_CUE : S_OK;
}

STDMETHODIMP BaseFilter::Run(REFERENCE_TIME start) {
    AutoLock lock(lock_);
    if (state_ == State_Stopped) {
        HRESULT hr = Pause();
        if (FAILED(hr))
            return hr;
    }
    start_ = start;
    HRESULT hr = OnRun(start);
    if (FAILED(hr))
        return hr;
    state_ = State_Running;
    SetEvent(running_.Get());
    return S_OK;
}

STDMETHODIMP BaseFilter::GetState(DWORD, FILTER_STATE* state) {
    if (!state)
        return E_POINTER;
    *state = state_;
    return live_ && state_ == State_Paused ? VFW_S_CANT_CUE : S_OK;
}

STDMETHODIMP BaseFilter::SetSyncSource(IReferenceClock* clock) {
    AutoLock lock(clockLock_);
    clock_ = ComPtr<IReferenceClock>(clock);
    return S_OK;
}

STDMETHODIMP BaseFilter::GetSyncSource(IReferenceClock** clock) {
    AutoLock lock(clockLock_);
    return clock_.CopyTo(clock);
}

ComPtr<IReferenceClock> BaseFilter::Clock() {
    AutoLock lock(clockLock_);
    return clock_;
}

REFERENCE_TIME BaseFilter::StreamTime() {
    if (state_ != State_Running)
        return -1;
    ComPtr<IReferenceClock> clock = Clock();
    REFERENCE_TIME now = 0;
    if (!clock || FAILED(clock->GetTime(&now)))
        return -1;
    return now - start_;
}

STDMETHODIMP BaseFilter::EnumPins(IEnumPins** out) {
    if (!out)
        return E_POINTER;
    *out = new (std::nothrow) PinEnum(this, 0);
    return *out ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP BaseFilter::FindPin(LPCWSTR id, IPin** out) {
    if (!id || !out)
        return E_POINTER;
    for (BasePin* p : pins_) {
        if (p->Name() == id) {
            *out = p;
            p->AddRef();
            return S_OK;
        }
    }
    *out = nullptr;
    return VFW_E_NOT_FOUND;
}

STDMETHODIMP BaseFilter::QueryFilterInfo(FILTER_INFO* info) {
    if (!info)
        return E_POINTER;
    lstrcpynW(info->achName, name_.c_str(), MAX_FILTER_NAME);
    info->pGraph = graph_;
    if (graph_)
        graph_->AddRef();
    return S_OK;
}

STDMETHODIMP BaseFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
    AutoLock lock(lock_);
    graph_ = graph; // weak: the graph holds us
    if (name)
        name_ = name;
    if (graph_) {
        IMediaEventSink* sink = nullptr;
        if (SUCCEEDED(graph_->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink)))) {
            // Kept without a reference like the graph itself, or graph and filter would hold
            // each other alive.
            sink->Release();
            eventSink_ = sink;
        }
    } else {
        eventSink_ = nullptr;
    }
    return S_OK;
}

STDMETHODIMP BaseFilter::QueryVendorInfo(LPWSTR*) {
    return E_NOTIMPL;
}

STDMETHODIMP_(ULONG) BaseFilter::GetMiscFlags() {
    return live_ ? AM_FILTER_MISC_FLAGS_IS_SOURCE : 0;
}

HRESULT BaseFilter::NotifyEvent(long code, LONG_PTR p1, LONG_PTR p2) {
    IMediaEventSink* sink = eventSink_;
    if (!sink)
        return E_NOTIMPL;
    if (code == EC_COMPLETE || code == EC_ERRORABORT) {
        // The graph identifies the sender by its IBaseFilter for completion events.
        if (code == EC_COMPLETE && p2 == 0)
            p2 = reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this));
    }
    return sink->Notify(code, p1, p2);
}

} // namespace dshow
