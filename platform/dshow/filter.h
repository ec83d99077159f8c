// DirectShow base classes: a filter with state changes and a reference clock, and its input
// and output pins with media-type negotiation, allocator negotiation and sample delivery.
#pragma once

#include <windows.h>

#include <dshow.h>

#include <string>
#include <vector>

#include "platform/dshow/com_ptr.h"
#include "platform/dshow/media_type.h"

// For filters and pins that implement interfaces of their own besides the base's: routes the
// IUnknown methods of every interface to the base class (whose QueryInterface asks
// QueryOtherInterface for the extra interfaces).
#define DSHOW_FORWARD_IUNKNOWN(Base)                                                                         \
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {                                           \
        return Base::QueryInterface(iid, out);                                                               \
    }                                                                                                        \
    STDMETHODIMP_(ULONG) AddRef() override {                                                                 \
        return Base::AddRef();                                                                               \
    }                                                                                                        \
    STDMETHODIMP_(ULONG) Release() override {                                                                \
        return Base::Release();                                                                              \
    }

namespace dshow {

class BasePin;

// A filter. Owns its pins (created by the derived class with AddPin); the pins share the
// filter's reference count. Derived classes add interfaces through QueryOtherInterface and
// react to state changes through OnStop/OnPause/OnRun.
//
// Locking: FilterLock() guards state and pin connections; state changes are made under it.
// Streaming threads must never take it while delivering (they test IsRunning() instead).
class BaseFilter : public IBaseFilter, public IAMFilterMiscFlags {
public:
    BaseFilter(REFCLSID clsid, const wchar_t* name);
    virtual ~BaseFilter();

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IPersist
    STDMETHODIMP GetClassID(CLSID* clsid) override;
    // IMediaFilter
    STDMETHODIMP Stop() override;
    STDMETHODIMP Pause() override;
    STDMETHODIMP Run(REFERENCE_TIME start) override;
    STDMETHODIMP GetState(DWORD timeoutMs, FILTER_STATE* state) override;
    STDMETHODIMP SetSyncSource(IReferenceClock* clock) override;
    STDMETHODIMP GetSyncSource(IReferenceClock** clock) override;
    // IBaseFilter
    STDMETHODIMP EnumPins(IEnumPins** out) override;
    STDMETHODIMP FindPin(LPCWSTR id, IPin** out) override;
    STDMETHODIMP QueryFilterInfo(FILTER_INFO* info) override;
    STDMETHODIMP JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
    STDMETHODIMP QueryVendorInfo(LPWSTR* info) override;
    // IAMFilterMiscFlags
    STDMETHODIMP_(ULONG) GetMiscFlags() override;

    int PinCount() const { return static_cast<int>(m_pins.size()); }
    BasePin* Pin(int i) const { return i >= 0 && i < PinCount() ? m_pins[i] : nullptr; }
    FILTER_STATE State() const { return m_state; }
    bool IsRunning() const { return m_state == State_Running; }
    // Stream time now (clock time minus the run start), or -1 when not running or no clock.
    REFERENCE_TIME StreamTime();
    REFERENCE_TIME RunStart() const { return m_start; }
    // The reference clock, or null.
    ComPtr<IReferenceClock> Clock();
    // Sends an event to the graph (EC_ERRORABORT and the like); ignored without a graph.
    HRESULT NotifyEvent(long code, LONG_PTR p1, LONG_PTR p2);
    CritSec& FilterLock() { return m_lock; }
    IFilterGraph* Graph() const { return m_graph; } // not referenced (the graph owns us)
    // Signalled while the filter runs; streaming threads wait on it.
    HANDLE RunningEvent() const { return m_running.Get(); }

protected:
    // Adds a pin; the filter deletes it at destruction.
    void AddPin(BasePin* pin);
    // Takes the pins from index first on out of the filter's list (an unconnected filter whose
    // pins follow its configuration). They live on until the filter goes, since whoever
    // enumerated them may still hold them.
    void RetirePins(int first);
    virtual HRESULT QueryOtherInterface(REFIID, void** out) {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // Hooks called under the filter lock before the pins change state; failure aborts.
    virtual HRESULT OnStop() { return S_OK; }
    virtual HRESULT OnPause() { return S_OK; }
    virtual HRESULT OnRun(REFERENCE_TIME) { return S_OK; }
    // Live sources answer VFW_S_CANT_CUE in the paused state and report themselves as sources.
    bool m_live = false;

private:
    LONG m_refs = 1;
    CLSID m_clsid;
    std::wstring m_name;
    CritSec m_lock;
    FILTER_STATE m_state = State_Stopped;
    REFERENCE_TIME m_start = 0;
    ComPtr<IReferenceClock> m_clock;
    CritSec m_clockLock;
    IFilterGraph* m_graph = nullptr;
    IMediaEventSink* m_eventSink = nullptr; // weak, like graph_
    Handle m_running;
    std::vector<BasePin*> m_pins;
    std::vector<BasePin*> m_retired;
};

// A pin. Its reference count is its filter's. Derived pins decide which media types they
// offer (GetMediaType) and accept (CheckMediaType).
class BasePin : public IPin, public IKsPropertySet {
public:
    BasePin(BaseFilter* filter, PIN_DIRECTION dir, const wchar_t* name);
    virtual ~BasePin();

    // IUnknown (delegates the count to the filter)
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return m_filter->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return m_filter->Release(); }
    // IPin
    STDMETHODIMP Connect(IPin* pin, const AM_MEDIA_TYPE* mt) override;
    STDMETHODIMP ReceiveConnection(IPin* pin, const AM_MEDIA_TYPE* mt) override;
    STDMETHODIMP Disconnect() override;
    STDMETHODIMP ConnectedTo(IPin** pin) override;
    STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* mt) override;
    STDMETHODIMP QueryPinInfo(PIN_INFO* info) override;
    STDMETHODIMP QueryDirection(PIN_DIRECTION* dir) override;
    STDMETHODIMP QueryId(LPWSTR* id) override;
    STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* mt) override;
    STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** out) override;
    STDMETHODIMP QueryInternalConnections(IPin** pins, ULONG* count) override;
    STDMETHODIMP EndOfStream() override;
    STDMETHODIMP BeginFlush() override;
    STDMETHODIMP EndFlush() override;
    STDMETHODIMP NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
    // IKsPropertySet: the pin category (AMPROPSETID_Pin) when one is set.
    STDMETHODIMP Set(REFGUID set, DWORD id, void* inst, DWORD instLen, void* data, DWORD dataLen) override;
    STDMETHODIMP Get(REFGUID set, DWORD id, void* inst, DWORD instLen, void* data, DWORD dataLen,
                     DWORD* returned) override;
    STDMETHODIMP QuerySupported(REFGUID set, DWORD id, DWORD* support) override;

    // The media types offered, in order of preference: S_OK, or VFW_S_NO_MORE_ITEMS past the end.
    virtual HRESULT GetMediaType(int pos, MediaType* mt) = 0;
    // S_OK when the type can be used for a connection.
    virtual HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) = 0;
    // Called when the filter goes from stopped to paused and back.
    virtual HRESULT Active() { return S_OK; }
    virtual HRESULT Inactive() { return S_OK; }

    bool IsConnected() const { return static_cast<bool>(m_connected); }
    IPin* ConnectedPin() const { return m_connected.Get(); }
    const MediaType& CurrentMediaType() const { return m_mt; }
    BaseFilter* Filter() const { return m_filter; }
    const std::wstring& Name() const { return m_name; }
    PIN_DIRECTION Direction() const { return m_dir; }
    // Pin category reported through IKsPropertySet (PIN_CATEGORY_CAPTURE etc.).
    void SetCategory(REFGUID category) {
        m_category = category;
        m_hasCategory = true;
    }

protected:
    virtual HRESULT QueryOtherInterface(REFIID, void** out) {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // Connection hooks.
    virtual HRESULT SetMediaType(const AM_MEDIA_TYPE* mt);
    virtual HRESULT CompleteConnect(IPin*) { return S_OK; }
    virtual void BreakConnect() {}
    // Tries one type against the receiving pin (output side of Connect).
    virtual HRESULT AttemptConnection(IPin* receiver, const AM_MEDIA_TYPE* mt);
    HRESULT TryTypesFrom(IPin* receiver, IEnumMediaTypes* types, const AM_MEDIA_TYPE* partial);

    BaseFilter* m_filter;
    PIN_DIRECTION m_dir;
    std::wstring m_name;
    ComPtr<IPin> m_connected;
    MediaType m_mt;
    bool m_flushing = false;
    GUID m_category = GUID_NULL;
    bool m_hasCategory = false;
};

// An output pin that delivers media samples to an IMemInputPin, with allocator negotiation:
// the downstream pin's allocator is used when it offers one, else the system memory allocator.
class OutputPin : public BasePin {
public:
    OutputPin(BaseFilter* filter, const wchar_t* name);

    // The allocator's buffer count and size for the connected type; fill props and call
    // alloc->SetProperties. request holds what the downstream pin asked for (may be zero).
    virtual HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* request) = 0;

    HRESULT Active() override;   // commits the allocator
    HRESULT Inactive() override; // decommits it (unblocks a waiting GetDeliveryBuffer)

    // Sample delivery (streaming thread).
    HRESULT GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop,
                              DWORD flags = 0);
    HRESULT Deliver(IMediaSample* sample);
    HRESULT DeliverEndOfStream();
    HRESULT DeliverBeginFlush();
    HRESULT DeliverEndFlush();
    HRESULT DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);
    IMemAllocator* Allocator() const { return m_allocator.Get(); }

protected:
    HRESULT CompleteConnect(IPin* receiver) override;
    void BreakConnect() override;
    HRESULT DecideAllocator(IMemInputPin* input);

    ComPtr<IMemInputPin> m_input;
    ComPtr<IMemAllocator> m_allocator;
};

// An input pin receiving media samples through IMemInputPin. Derived pins override Receive
// and should call CheckStreaming first.
class InputPin : public BasePin, public IMemInputPin {
public:
    InputPin(BaseFilter* filter, const wchar_t* name);

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return m_filter->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return m_filter->Release(); }
    // IMemInputPin
    STDMETHODIMP GetAllocator(IMemAllocator** out) override;
    STDMETHODIMP NotifyAllocator(IMemAllocator* alloc, BOOL readOnly) override;
    STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) override;
    STDMETHODIMP Receive(IMediaSample* sample) override;
    STDMETHODIMP ReceiveMultiple(IMediaSample** samples, long count, long* processed) override;
    STDMETHODIMP ReceiveCanBlock() override;
    STDMETHODIMP BeginFlush() override;
    STDMETHODIMP EndFlush() override;

    HRESULT Active() override;
    HRESULT Inactive() override;
    // S_OK when samples may be processed now; S_FALSE while flushing; an error when stopped.
    HRESULT CheckStreaming();
    bool ReadOnly() const { return m_readOnly; }

protected:
    void BreakConnect() override;
    ComPtr<IMemAllocator> m_allocator;
    bool m_readOnly = false;
    bool m_active = false;
};

} // namespace dshow
