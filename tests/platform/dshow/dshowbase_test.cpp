// Tests of the DirectShow base library: negotiation, allocators, a live push source through a
// transform into a sink, time stamps and rates, and stop/restart without leaking threads.
#include <gtest/gtest.h>

#include <windows.h>

#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "platform/dshow/bounded_queue.h"
#include "platform/dshow/push_source.h"
#include "platform/dshow/stream_control.h"
#include "platform/dshow/transform.h"
#include "tests/support/e2e.h"

using dshow::ComPtr;
using dshow::MediaType;

namespace {

const CLSID kTestClsid = {0x1e3c5b1a, 0x0d7e, 0x4a4f, {0x9a, 0x11, 0x3c, 0x55, 0x20, 0x7b, 0x1d, 0x01}};
constexpr LONG kW = 64, kH = 48;
constexpr REFERENCE_TIME kPeriod = 400000; // 25 per second

LONG g_liveFilters = 0;

// A live source: each frame's bytes are the frame number's low byte.
class CounterPin : public dshow::PushPin {
public:
    CounterPin(dshow::BaseFilter* f, int types) : PushPin(f, L"Out"), types(types) {}
    HRESULT GetMediaType(int pos, MediaType* mt) override {
        if (pos >= types)
            return VFW_S_NO_MORE_ITEMS;
        *mt = dshow::MakeYuy2Type(kW * (pos + 1), kH * (pos + 1), kPeriod);
        return S_OK;
    }
    HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override {
        for (int i = 0; i < types; ++i) {
            MediaType t;
            GetMediaType(i, &t);
            if (t.Equals(*mt))
                return S_OK;
        }
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* req) override {
        ALLOCATOR_PROPERTIES want = *req, got{};
        want.cBuffers = want.cBuffers > 2 ? want.cBuffers : 2;
        want.cbBuffer = static_cast<LONG>(CurrentMediaType().lSampleSize);
        HRESULT hr = alloc->SetProperties(&want, &got);
        return FAILED(hr) ? hr : (got.cbBuffer >= want.cbBuffer ? S_OK : E_FAIL);
    }
    REFERENCE_TIME SamplePeriod() override { return kPeriod; }
    HRESULT FillBuffer(IMediaSample* s, REFERENCE_TIME, REFERENCE_TIME) override {
        BYTE* p = nullptr;
        s->GetPointer(&p);
        LONG n = static_cast<LONG>(CurrentMediaType().lSampleSize);
        memset(p, static_cast<int>(frame++ & 0xff), static_cast<size_t>(n));
        return s->SetActualDataLength(n);
    }
    LONG frame = 0;
    int types;
};

class CounterSource : public dshow::BaseFilter {
public:
    explicit CounterSource(int types = 1) : BaseFilter(kTestClsid, L"Counter") {
        m_live = true;
        pin = new CounterPin(this, types);
        AddPin(pin);
        InterlockedIncrement(&g_liveFilters);
    }
    ~CounterSource() override { InterlockedDecrement(&g_liveFilters); }
    CounterPin* pin;
};

// Adds one to every byte.
class PlusOne : public dshow::TransformFilter {
public:
    PlusOne() : TransformFilter(kTestClsid, L"PlusOne") { InterlockedIncrement(&g_liveFilters); }
    ~PlusOne() override { InterlockedDecrement(&g_liveFilters); }
    HRESULT CheckInputType(const AM_MEDIA_TYPE* mt) override {
        return mt->majortype == MEDIATYPE_Video ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT Transform(IMediaSample* in, IMediaSample* out) override {
        HRESULT hr = CopySample(in, out);
        BYTE* p = nullptr;
        out->GetPointer(&p);
        for (LONG i = 0; i < out->GetActualDataLength(); ++i)
            p[i] = static_cast<BYTE>(p[i] + 1);
        return hr;
    }
};

// Its input pin answers one extra interface (the filter itself stands in for it).
const IID kExtraIid = {0x1e3c5b1a, 0x0d7e, 0x4a4f, {0x9a, 0x11, 0x3c, 0x55, 0x20, 0x7b, 0x1d, 0x02}};
class PinExtra : public PlusOne {
public:
    HRESULT QueryInputPinInterface(REFIID iid, void** out) override {
        if (iid != kExtraIid)
            return PlusOne::QueryInputPinInterface(iid, out);
        *out = static_cast<IBaseFilter*>(this);
        AddRef();
        return S_OK;
    }
};

struct Received {
    REFERENCE_TIME start, stop;
    BYTE first;
    LONG len;
    bool discontinuity;
};

class SinkPin : public dshow::InputPin {
public:
    SinkPin(dshow::BaseFilter* f, LONG acceptWidth) : InputPin(f, L"In"), width(acceptWidth) {}
    HRESULT GetMediaType(int, MediaType*) override { return VFW_S_NO_MORE_ITEMS; }
    HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override {
        MediaType t(*mt);
        const VIDEOINFOHEADER* v = t.VideoInfo();
        if (!v || t.subtype != MEDIASUBTYPE_YUY2)
            return VFW_E_TYPE_NOT_ACCEPTED;
        return width == 0 || v->bmiHeader.biWidth == width ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    STDMETHODIMP Receive(IMediaSample* s) override {
        HRESULT hr = CheckStreaming();
        if (hr != S_OK)
            return hr;
        Received r{};
        s->GetTime(&r.start, &r.stop);
        BYTE* p = nullptr;
        s->GetPointer(&p);
        r.first = p[0];
        r.len = s->GetActualDataLength();
        r.discontinuity = s->IsDiscontinuity() == S_OK;
        dshow::AutoLock lock(gotLock);
        got.push_back(r);
        return S_OK;
    }
    std::vector<Received> Take() {
        dshow::AutoLock lock(gotLock);
        std::vector<Received> r;
        r.swap(got);
        return r;
    }
    dshow::CritSec gotLock;
    std::vector<Received> got;
    LONG width;
};

class Sink : public dshow::BaseFilter {
public:
    explicit Sink(LONG acceptWidth = 0) : BaseFilter(kTestClsid, L"Sink") {
        pin = new SinkPin(this, acceptWidth);
        AddPin(pin);
        InterlockedIncrement(&g_liveFilters);
    }
    ~Sink() override { InterlockedDecrement(&g_liveFilters); }
    SinkPin* pin;
};

int ThreadCount() {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 te{};
    te.dwSize = sizeof te;
    int n = 0;
    DWORD pid = GetCurrentProcessId();
    for (BOOL ok = Thread32First(snap, &te); ok; ok = Thread32Next(snap, &te))
        if (te.th32OwnerProcessID == pid)
            ++n;
    CloseHandle(snap);
    return n;
}

class DshowBase : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                                  IID_IGraphBuilder, m_graph.PutVoid()));
    }
    void TearDown() override {
        m_graph.Reset();
        CoUninitialize();
    }
    // Adds f (taking over the creation reference) and returns it as IBaseFilter.
    ComPtr<IBaseFilter> Add(dshow::BaseFilter* f, const wchar_t* name) {
        ComPtr<IBaseFilter> b;
        b.Attach(f);
        EXPECT_HRESULT_SUCCEEDED(m_graph->AddFilter(b.Get(), name));
        return b;
    }
    ComPtr<IGraphBuilder> m_graph;
};

TEST_F(DshowBase, NegotiatesTheFirstTypeBothSidesAccept) {
    auto* src = new CounterSource(3);
    auto* sink = new Sink(kW * 2);
    ComPtr<IBaseFilter> s = Add(src, L"src"), k = Add(sink, L"sink");
    ASSERT_HRESULT_SUCCEEDED(m_graph->ConnectDirect(src->pin, sink->pin, nullptr));
    const VIDEOINFOHEADER* v = src->pin->CurrentMediaType().VideoInfo();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->bmiHeader.biWidth, kW * 2);
    EXPECT_TRUE(sink->pin->CurrentMediaType().Equals(src->pin->CurrentMediaType()));
    // The allocator was agreed with a buffer large enough for the frame.
    ALLOCATOR_PROPERTIES props{};
    ASSERT_NE(src->pin->Allocator(), nullptr);
    ASSERT_HRESULT_SUCCEEDED(src->pin->Allocator()->GetProperties(&props));
    EXPECT_GE(props.cbBuffer, kW * 2 * kH * 2 * 2);
    // Connected pins refuse a second connection and report their peers.
    EXPECT_EQ(m_graph->ConnectDirect(src->pin, sink->pin, nullptr), VFW_E_ALREADY_CONNECTED);
    ComPtr<IPin> peer;
    ASSERT_HRESULT_SUCCEEDED(src->pin->ConnectedTo(peer.Put()));
    EXPECT_EQ(peer.Get(), static_cast<IPin*>(sink->pin));
}

TEST_F(DshowBase, RefusesWhenNoTypeFits) {
    auto* src = new CounterSource(2);
    auto* sink = new Sink(kW * 5);
    ComPtr<IBaseFilter> s = Add(src, L"src"), k = Add(sink, L"sink");
    EXPECT_TRUE(FAILED(m_graph->ConnectDirect(src->pin, sink->pin, nullptr)));
    EXPECT_FALSE(src->pin->IsConnected());
    EXPECT_FALSE(sink->pin->IsConnected());
}

TEST_F(DshowBase, StreamsThroughATransformAtTheNominalRate) {
    auto* src = new CounterSource();
    auto* plus = new PlusOne();
    auto* sink = new Sink();
    ComPtr<IBaseFilter> a = Add(src, L"src"), b = Add(plus, L"plus"), c = Add(sink, L"sink");
    ASSERT_HRESULT_SUCCEEDED(m_graph->ConnectDirect(src->pin, plus->Input(), nullptr));
    ASSERT_HRESULT_SUCCEEDED(m_graph->ConnectDirect(plus->Output(), sink->pin, nullptr));
    ComPtr<IMediaControl> control;
    ASSERT_HRESULT_SUCCEEDED(m_graph->QueryInterface(IID_IMediaControl, control.PutVoid()));
    ASSERT_HRESULT_SUCCEEDED(control->Run());
    Sleep(1000);
    ASSERT_HRESULT_SUCCEEDED(control->Stop());
    std::vector<Received> got = sink->pin->Take();
    // One second at 25 per second: slots the machine was too busy for are skipped and counted
    // as dropped, never delivered late in a burst.
    const LONG slots = src->pin->Delivered() + src->pin->Dropped();
    EXPECT_GE(slots, 18);
    EXPECT_LE(slots, 30);
    EXPECT_GE(got.size(), 10u);
    ASSERT_GE(got.size(), 2u);
    EXPECT_TRUE(got[0].discontinuity);
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].stop - got[i].start, kPeriod);
        EXPECT_EQ(got[i].len, kW * kH * 2);
        // Frame i carries i, plus one from the transform.
        EXPECT_EQ(got[i].first, static_cast<BYTE>(i + 1));
        if (i > 0) {
            EXPECT_GE(got[i].start, got[i - 1].stop);
            EXPECT_EQ((got[i].start - got[i - 1].stop) % kPeriod, 0);
            EXPECT_FALSE(got[i].discontinuity);
        }
    }
    EXPECT_EQ(src->pin->Delivered(), static_cast<LONG>(got.size()));
    // The graph stops the sink first: one sample may still pass the transform and then be
    // refused by the stopped sink (and so not count as delivered), never more.
    EXPECT_GE(plus->SamplesTransformed(), static_cast<LONG>(got.size()));
    EXPECT_LE(plus->SamplesTransformed(), static_cast<LONG>(got.size()) + 1);
}

TEST_F(DshowBase, StopAndRestartLeaveNoThreadsOrHandles) {
    auto* src = new CounterSource();
    auto* sink = new Sink();
    ComPtr<IBaseFilter> a = Add(src, L"src"), c = Add(sink, L"sink");
    ASSERT_HRESULT_SUCCEEDED(m_graph->ConnectDirect(src->pin, sink->pin, nullptr));
    ComPtr<IMediaControl> control;
    ASSERT_HRESULT_SUCCEEDED(m_graph->QueryInterface(IID_IMediaControl, control.PutVoid()));
    // A first cycle lets the graph create whatever it keeps (its clock thread and the like).
    ASSERT_HRESULT_SUCCEEDED(control->Run());
    Sleep(100);
    ASSERT_HRESULT_SUCCEEDED(control->Stop());
    int threads = ThreadCount();
    const long handles = e2e::HandleCount();
    ASSERT_GT(handles, 0);
    for (int i = 0; i < 5; ++i) {
        ASSERT_HRESULT_SUCCEEDED(control->Run());
        EXPECT_TRUE(src->pin->Streaming());
        Sleep(400);
        ASSERT_HRESULT_SUCCEEDED(control->Pause());
        ASSERT_HRESULT_SUCCEEDED(control->Run());
        Sleep(60);
        ASSERT_HRESULT_SUCCEEDED(control->Stop());
        EXPECT_FALSE(src->pin->Streaming());
        EXPECT_GT(sink->pin->Take().size(), 0u) << "cycle " << i;
    }
    EXPECT_EQ(ThreadCount(), threads) << "after " << src->pin->Delivered();
    EXPECT_LE(e2e::HandleCount(), handles + 2);
}

TEST_F(DshowBase, FiltersAreFreedWithTheGraph) {
    {
        auto* src = new CounterSource();
        auto* sink = new Sink();
        ComPtr<IBaseFilter> a = Add(src, L"src"), c = Add(sink, L"sink");
        ASSERT_HRESULT_SUCCEEDED(m_graph->ConnectDirect(src->pin, sink->pin, nullptr));
        ComPtr<IMediaControl> control;
        ASSERT_HRESULT_SUCCEEDED(m_graph->QueryInterface(IID_IMediaControl, control.PutVoid()));
        ASSERT_HRESULT_SUCCEEDED(control->Run());
        Sleep(80);
        // Released while running: the graph stops and disconnects everything on release.
    }
    EXPECT_EQ(g_liveFilters, 2);
    m_graph.Reset();
    EXPECT_EQ(g_liveFilters, 0);
}

TEST_F(DshowBase, TransformInputPinOffersTheFiltersExtraInterfaces) {
    auto* f = new PinExtra();
    ComPtr<IBaseFilter> a = Add(f, L"extra");
    ComPtr<IUnknown> extra;
    ASSERT_HRESULT_SUCCEEDED(f->Input()->QueryInterface(kExtraIid, extra.PutVoid()));
    EXPECT_EQ(extra.Get(), static_cast<IUnknown*>(static_cast<IBaseFilter*>(f)));
    // Only the input pin, and the pin's own interfaces still answer.
    ComPtr<IUnknown> none;
    EXPECT_EQ(f->Output()->QueryInterface(kExtraIid, none.PutVoid()), E_NOINTERFACE);
    EXPECT_FALSE(none);
    ComPtr<IMemInputPin> mem;
    EXPECT_HRESULT_SUCCEEDED(f->Input()->QueryInterface(IID_IMemInputPin, mem.PutVoid()));
    // The references balance: after releasing ours the graph's is the last one besides a.
    extra.Reset();
    mem.Reset();
    f->AddRef();
    EXPECT_EQ(f->Release(), 2u);
}

TEST_F(DshowBase, PinsReportCategoryAndDirection) {
    auto* src = new CounterSource();
    ComPtr<IBaseFilter> a = Add(src, L"src");
    src->pin->SetCategory(PIN_CATEGORY_PREVIEW);
    ComPtr<IKsPropertySet> ks;
    ASSERT_HRESULT_SUCCEEDED(src->pin->QueryInterface(IID_IKsPropertySet, ks.PutVoid()));
    GUID cat = GUID_NULL;
    DWORD ret = 0;
    ASSERT_HRESULT_SUCCEEDED(
        ks->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &cat, sizeof cat, &ret));
    EXPECT_TRUE(cat == PIN_CATEGORY_PREVIEW);
    EXPECT_EQ(ret, sizeof(GUID));
    PIN_DIRECTION dir;
    src->pin->QueryDirection(&dir);
    EXPECT_EQ(dir, PINDIR_OUTPUT);
    ComPtr<IPin> found;
    EXPECT_HRESULT_SUCCEEDED(a->FindPin(L"Out", found.Put()));
    EXPECT_EQ(a->FindPin(L"Nope", found.Put()), VFW_E_NOT_FOUND);
}

} // namespace

namespace {

constexpr REFERENCE_TIME kNever = dshow::StreamControl::kNever;

TEST(StreamControl, HoldsUntilStartedAndStopsAtItsTime) {
    dshow::StreamControl c;
    EXPECT_TRUE(c.Check(0).deliver) << "a fresh stream flows";
    // Held with the largest start time: nothing goes, and no event.
    ASSERT_HRESULT_SUCCEEDED(c.StartAt(&kNever, 0));
    auto d = c.Check(kPeriod);
    EXPECT_FALSE(d.deliver);
    EXPECT_EQ(d.event, 0);
    EXPECT_TRUE(c.Discarding());
    // Switched on now with no stop: the next sample goes and the start is reported once.
    ASSERT_HRESULT_SUCCEEDED(c.StartAt(nullptr, 7));
    ASSERT_HRESULT_SUCCEEDED(c.StopAt(&kNever, FALSE, 8));
    d = c.Check(2 * kPeriod);
    EXPECT_TRUE(d.deliver);
    EXPECT_EQ(d.event, EC_STREAM_CONTROL_STARTED);
    EXPECT_EQ(d.cookie, 7u);
    d = c.Check(3 * kPeriod);
    EXPECT_TRUE(d.deliver);
    EXPECT_EQ(d.event, 0);
    // A stop time in the stream: samples before it go, the first at or after it stops the
    // stream (reported with its cookie) and the stream stays off until started again.
    REFERENCE_TIME stop = 5 * kPeriod;
    ASSERT_HRESULT_SUCCEEDED(c.StopAt(&stop, FALSE, 9));
    AM_STREAM_INFO info{};
    ASSERT_HRESULT_SUCCEEDED(c.GetInfo(&info));
    EXPECT_TRUE(info.dwFlags & AM_STREAM_INFO_STOP_DEFINED);
    EXPECT_EQ(info.tStop, stop);
    EXPECT_TRUE(c.Check(4 * kPeriod).deliver);
    d = c.Check(5 * kPeriod);
    EXPECT_FALSE(d.deliver);
    EXPECT_EQ(d.event, EC_STREAM_CONTROL_STOPPED);
    EXPECT_EQ(d.cookie, 9u);
    EXPECT_FALSE(c.Check(6 * kPeriod).deliver);
    // Started at a time ahead: off until then.
    REFERENCE_TIME start = 8 * kPeriod;
    ASSERT_HRESULT_SUCCEEDED(c.StartAt(&start, 3));
    EXPECT_FALSE(c.Check(7 * kPeriod).deliver);
    d = c.Check(8 * kPeriod);
    EXPECT_TRUE(d.deliver);
    EXPECT_EQ(d.event, EC_STREAM_CONTROL_STARTED);
}

TEST(StreamControl, StopWithAnExtraSampleAndImmediateStartAfterImmediateStop) {
    dshow::StreamControl c;
    ASSERT_HRESULT_SUCCEEDED(c.StopAt(nullptr, TRUE, 1));
    EXPECT_TRUE(c.Check(0).deliver) << "the extra sample after the stop";
    EXPECT_FALSE(c.Check(kPeriod).deliver);
    // "Start now" supersedes an immediate stop given before it (the builder sets both).
    ASSERT_HRESULT_SUCCEEDED(c.StopAt(nullptr, FALSE, 0));
    ASSERT_HRESULT_SUCCEEDED(c.StartAt(nullptr, 0));
    EXPECT_TRUE(c.Check(2 * kPeriod).deliver);
}

TEST_F(DshowBase, AHeldPushPinSendsNothingAndStartsWithADiscontinuity) {
    auto* src = new CounterSource();
    auto* sink = new Sink();
    ComPtr<IBaseFilter> a = Add(src, L"src"), c = Add(sink, L"sink");
    ASSERT_HRESULT_SUCCEEDED(m_graph->ConnectDirect(src->pin, sink->pin, nullptr));
    ComPtr<IMediaControl> control;
    ASSERT_HRESULT_SUCCEEDED(m_graph->QueryInterface(IID_IMediaControl, control.PutVoid()));
    ASSERT_HRESULT_SUCCEEDED(src->pin->Control().StartAt(&kNever, 0));
    ASSERT_HRESULT_SUCCEEDED(control->Run());
    Sleep(300);
    EXPECT_EQ(sink->pin->Take().size(), 0u);
    EXPECT_EQ(src->pin->Dropped(), 0) << "held slots are not dropped frames";
    ASSERT_HRESULT_SUCCEEDED(src->pin->Control().StartAt(nullptr, 0));
    Sleep(300);
    ASSERT_HRESULT_SUCCEEDED(control->Stop());
    std::vector<Received> got = sink->pin->Take();
    ASSERT_GE(got.size(), 3u);
    EXPECT_TRUE(got[0].discontinuity);
    EXPECT_GT(got[0].start, 0) << "time went on while the stream was held";
}

TEST_F(DshowBase, AFilterReleasedWhilePausedEndsItsThread) {
    int whilePaused = 0;
    {
        auto* src = new CounterSource();
        auto* sink = new Sink();
        ComPtr<IBaseFilter> a, c;
        a.Attach(src);
        c.Attach(sink);
        // Outside a graph: connected by hand and paused, as a graph whose Run failed half
        // way leaves some of its filters.
        ASSERT_HRESULT_SUCCEEDED(src->pin->Connect(sink->pin, nullptr));
        ASSERT_HRESULT_SUCCEEDED(sink->Pause());
        ASSERT_TRUE(SUCCEEDED(src->Pause()));
        ASSERT_TRUE(src->pin->Streaming());
        whilePaused = ThreadCount();
        // The pins hold each other: the sink lets go (stopped first, as a graph stops
        // downstream first); the source stays paused.
        ASSERT_HRESULT_SUCCEEDED(sink->Stop());
        ASSERT_HRESULT_SUCCEEDED(sink->pin->Disconnect());
    }
    EXPECT_EQ(ThreadCount(), whilePaused - 1) << "the streaming thread must end with its filter";
}

TEST(BoundedQueue, AFullQueueRefusesAtOnceAndTheConsumerDrainsAfterClose) {
    dshow::BoundedQueue<int> q(3);
    std::atomic<int> consumed{0};
    std::atomic<bool> release{false};
    std::thread slow([&] {
        int v = 0;
        while (q.Pop(&v)) {
            while (!release)
                Sleep(1); // a consumer that cannot keep up
            ++consumed;
        }
    });
    int refused = 0;
    DWORD worst = 0;
    for (int i = 0; i < 50; ++i) {
        const DWORD t0 = GetTickCount();
        if (!q.TryPush(i))
            ++refused;
        worst = std::max(worst, GetTickCount() - t0);
    }
    EXPECT_LE(worst, 20u) << "the producer must never wait for the consumer";
    EXPECT_GE(refused, 50 - 4); // three queued and one being consumed at most
    release = true;
    q.Close();
    EXPECT_FALSE(q.TryPush(99)) << "a closed queue takes nothing";
    slow.join();
    EXPECT_EQ(consumed + refused, 50);
}

} // namespace
