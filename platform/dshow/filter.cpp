// DirectShow base filter: reference counting, state changes across the pins, the reference
// clock, graph membership and the pin enumerator.
#include "platform/dshow/filter.h"

#include "platform/dshow/com_server.h"
#include "platform/dshow/com_object.h"

#include <cstring>
#include <new>

namespace dshow {

namespace {

// IEnumPins over a snapshot of the filter's pins; holds a reference to the filter.
class PinEnum final : public ComObject<IEnumPins> {
public:
    PinEnum(BaseFilter* filter, ULONG pos) : ComObject(IID_IEnumPins), m_filter(filter), m_pos(pos) {
        m_filter->AddRef();
    }

    STDMETHODIMP Next(ULONG count, IPin** out, ULONG* fetched) override {
        if (!out || (count > 1 && !fetched))
            return E_POINTER;
        ULONG n = 0;
        while (n < count && static_cast<int>(m_pos) < m_filter->PinCount()) {
            out[n] = m_filter->Pin(static_cast<int>(m_pos));
            out[n]->AddRef();
            ++n;
            ++m_pos;
        }
        if (fetched)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override {
        m_pos += count;
        if (static_cast<int>(m_pos) > m_filter->PinCount()) {
            m_pos = static_cast<ULONG>(m_filter->PinCount());
            return S_FALSE;
        }
        return S_OK;
    }
    STDMETHODIMP Reset() override {
        m_pos = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumPins** out) override {
        if (!out)
            return E_POINTER;
        *out = new (std::nothrow) PinEnum(m_filter, m_pos);
        return *out ? S_OK : E_OUTOFMEMORY;
    }

private:
    ~PinEnum() override { m_filter->Release(); }
    BaseFilter* m_filter;
    ULONG m_pos;
};

} // namespace

BaseFilter::BaseFilter(REFCLSID clsid, const wchar_t* name)
    : m_clsid(clsid), m_name(name ? name : L""), m_running(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    ModuleAddRef(); // a live filter keeps its DLL loaded
}

BaseFilter::~BaseFilter() {
    // A filter released without being stopped (a graph whose Run failed half way leaves some
    // filters paused) still has streaming threads: end them while the pins are whole.
    if (m_state != State_Stopped)
        for (BasePin* p : m_pins)
            p->Inactive();
    for (BasePin* p : m_pins)
        delete p;
    for (BasePin* p : m_retired)
        delete p;
    ModuleRelease();
}

void BaseFilter::AddPin(BasePin* pin) {
    m_pins.push_back(pin);
}

void BaseFilter::RetirePins(int first) {
    while (PinCount() > first && first >= 0) {
        m_retired.push_back(m_pins.back());
        m_pins.pop_back();
    }
}

STDMETHODIMP BaseFilter::QueryInterface(REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IPersist || iid == IID_IMediaFilter || iid == IID_IBaseFilter) {
        *out = static_cast<IBaseFilter*>(this);
    } else if (iid == IID_IAMFilterMiscFlags && m_live) {
        *out = static_cast<IAMFilterMiscFlags*>(this);
    } else {
        return QueryOtherInterface(iid, out); // adds its own reference
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) BaseFilter::AddRef() {
    return InterlockedIncrement(&m_refs);
}

STDMETHODIMP_(ULONG) BaseFilter::Release() {
    LONG n = InterlockedDecrement(&m_refs);
    if (n == 0)
        delete this;
    return n;
}

STDMETHODIMP BaseFilter::GetClassID(CLSID* clsid) {
    if (!clsid)
        return E_POINTER;
    *clsid = m_clsid;
    return S_OK;
}

STDMETHODIMP BaseFilter::Stop() {
    AutoLock lock(m_lock);
    if (m_state == State_Stopped)
        return S_OK;
    ResetEvent(m_running.Get());
    HRESULT hr = OnStop();
    for (BasePin* p : m_pins) {
        HRESULT h = p->Inactive();
        if (FAILED(h) && SUCCEEDED(hr))
            hr = h;
    }
    m_state = State_Stopped;
    return hr;
}

STDMETHODIMP BaseFilter::Pause() {
    AutoLock lock(m_lock);
    if (m_state == State_Stopped) {
        for (size_t i = 0; i < m_pins.size(); ++i) {
            HRESULT hr = m_pins[i]->Active();
            if (FAILED(hr)) {
                for (size_t j = 0; j < i; ++j)
                    m_pins[j]->Inactive();
                return hr;
            }
        }
    }
    HRESULT hr = OnPause();
    if (FAILED(hr))
        return hr;
    ResetEvent(m_running.Get());
    m_state = State_Paused;
    return m_live ? VFW_S_CANT_CUE : S_OK;
}

STDMETHODIMP BaseFilter::Run(REFERENCE_TIME start) {
    AutoLock lock(m_lock);
    if (m_state == State_Stopped) {
        HRESULT hr = Pause();
        if (FAILED(hr))
            return hr;
    }
    m_start = start;
    HRESULT hr = OnRun(start);
    if (FAILED(hr))
        return hr;
    m_state = State_Running;
    SetEvent(m_running.Get());
    return S_OK;
}

STDMETHODIMP BaseFilter::GetState(DWORD, FILTER_STATE* state) {
    if (!state)
        return E_POINTER;
    *state = m_state;
    return m_live && m_state == State_Paused ? VFW_S_CANT_CUE : S_OK;
}

STDMETHODIMP BaseFilter::SetSyncSource(IReferenceClock* clock) {
    AutoLock lock(m_clockLock);
    m_clock = ComPtr<IReferenceClock>(clock);
    return S_OK;
}

STDMETHODIMP BaseFilter::GetSyncSource(IReferenceClock** clock) {
    AutoLock lock(m_clockLock);
    return m_clock.CopyTo(clock);
}

ComPtr<IReferenceClock> BaseFilter::Clock() {
    AutoLock lock(m_clockLock);
    return m_clock;
}

REFERENCE_TIME BaseFilter::StreamTime() {
    if (m_state != State_Running)
        return -1;
    ComPtr<IReferenceClock> clock = Clock();
    REFERENCE_TIME now = 0;
    if (!clock || FAILED(clock->GetTime(&now)))
        return -1;
    return now - m_start;
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
    for (BasePin* p : m_pins) {
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
    lstrcpynW(info->achName, m_name.c_str(), MAX_FILTER_NAME);
    info->pGraph = m_graph;
    if (m_graph)
        m_graph->AddRef();
    return S_OK;
}

STDMETHODIMP BaseFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
    AutoLock lock(m_lock);
    m_graph = graph; // weak: the graph holds us
    if (name)
        m_name = name;
    if (m_graph) {
        IMediaEventSink* sink = nullptr;
        if (SUCCEEDED(m_graph->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink)))) {
            // Kept without a reference like the graph itself, or graph and filter would hold
            // each other alive.
            sink->Release();
            m_eventSink = sink;
        }
    } else {
        m_eventSink = nullptr;
    }
    return S_OK;
}

STDMETHODIMP BaseFilter::QueryVendorInfo(LPWSTR*) {
    return E_NOTIMPL;
}

STDMETHODIMP_(ULONG) BaseFilter::GetMiscFlags() {
    return m_live ? AM_FILTER_MISC_FLAGS_IS_SOURCE : 0;
}

HRESULT BaseFilter::NotifyEvent(long code, LONG_PTR p1, LONG_PTR p2) {
    IMediaEventSink* sink = m_eventSink;
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
