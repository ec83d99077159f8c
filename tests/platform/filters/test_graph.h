// Test filters and helpers for the card's video filters: a live YUY2 source whose frames are a
// function of their slot, a sink that keeps copies of what it receives, and graph plumbing.
#pragma once

#include <windows.h>

#include <dshow.h>

#include <functional>
#include <set>
#include <vector>

#include "platform/dshow/push_source.h"
#include "platform/include/outside_filters.h"
#include "platform/filters/video_format.h"

namespace filtertest {

using dshow::ComPtr;
using dshow::MediaType;

// Fills frame number n (width x height YUY2, top-down, stride width * 2).
using FrameFn = std::function<void(BYTE* frame, LONG width, LONG height, LONG n)>;

// A pattern that moves every frame, with distinct rows and columns.
void MovingPattern(BYTE* frame, LONG width, LONG height, LONG n);

inline const CLSID kTestClsid = {
    0x5d2b7e14, 0x61a0, 0x4c3e, {0x8f, 0x27, 0x0b, 0x9a, 0x44, 0x13, 0x72, 0x01}};

class SourcePin : public dshow::PushPin {
public:
    SourcePin(dshow::BaseFilter* f, const MediaType& type, REFERENCE_TIME period, FrameFn fn)
        : PushPin(f, L"Capture"), m_type(type), m_period(period), m_fn(std::move(fn)) {}
    HRESULT GetMediaType(int pos, MediaType* mt) override;
    HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override;
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* req) override;
    REFERENCE_TIME SamplePeriod() override { return m_period; }
    HRESULT FillBuffer(IMediaSample* s, REFERENCE_TIME start, REFERENCE_TIME stop) override;
    // After this many frames the source delivers nothing more (negative: no limit).
    void SetLimit(LONG frames) { m_limit = frames; }
    // The data pointers of every buffer it filled.
    std::set<const BYTE*> Buffers();
    LONG Produced() const { return m_produced; }

private:
    MediaType m_type;
    REFERENCE_TIME m_period;
    FrameFn m_fn;
    volatile LONG m_limit = -1;
    volatile LONG m_produced = 0;
    dshow::CritSec m_lock;
    std::set<const BYTE*> m_buffers;
};

class Source : public dshow::BaseFilter {
public:
    Source(const MediaType& type, REFERENCE_TIME period, FrameFn fn);
    SourcePin* pin;
};

struct Frame {
    REFERENCE_TIME start = 0;
    std::vector<BYTE> data;
    const BYTE* pointer = nullptr;
};

class SinkPin : public dshow::InputPin {
public:
    explicit SinkPin(dshow::BaseFilter* f) : InputPin(f, L"In") {}
    HRESULT GetMediaType(int, MediaType*) override { return VFW_S_NO_MORE_ITEMS; }
    HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override {
        return mt->majortype != GUID_NULL && (accept == GUID_NULL || mt->subtype == accept)
                   ? S_OK
                   : VFW_E_TYPE_NOT_ACCEPTED;
    }
    STDMETHODIMP Receive(IMediaSample* s) override;
    std::vector<Frame> Take();
    size_t Count();
    GUID accept = GUID_NULL;
    bool keep = true; // false: count the samples only (for benchmarks)
    volatile LONG received = 0;

private:
    dshow::CritSec m_lock;
    std::vector<Frame> m_got;
};

class Sink : public dshow::BaseFilter {
public:
    explicit Sink(REFGUID subtype = GUID_NULL);
    SinkPin* pin;
};

// Polls cond every 10 ms for up to timeoutMs.
bool WaitFor(const std::function<bool()>& cond, DWORD timeoutMs = 5000);

// The pin of a filter at index i in its pin enumeration, or of the given direction.
ComPtr<IPin> PinAt(IBaseFilter* f, int index);
ComPtr<IPin> FirstPin(IBaseFilter* f, PIN_DIRECTION dir);

// A graph with test-filter helpers; COM initialised for the thread by the fixture.
class Graph {
public:
    Graph();
    ~Graph();
    bool Ok() const { return static_cast<bool>(builder); }
    // Adds a test filter (taking over its creation reference).
    ComPtr<IBaseFilter> Add(dshow::BaseFilter* f, const wchar_t* name);
    // Creates a registered filter by class and adds it.
    ComPtr<IBaseFilter> Create(REFCLSID clsid, const wchar_t* name);
    HRESULT Run();
    HRESULT Stop();
    ComPtr<IGraphBuilder> builder;
    ComPtr<IMediaControl> control;
};

} // namespace filtertest
