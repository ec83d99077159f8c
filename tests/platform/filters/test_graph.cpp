// Test filters and graph helpers of the card's video filter tests: live YUY2 source, copying
// sink, pin lookup and a filter graph with run and stop.
#include "tests/platform/filters/test_graph.h"

#include <cstring>

namespace filtertest {

void MovingPattern(BYTE* frame, LONG width, LONG height, LONG n) {
    for (LONG y = 0; y < height; ++y) {
        BYTE* row = frame + static_cast<size_t>(y) * width * 2;
        for (LONG x = 0; x < width; x += 2) {
            row[2 * x + 0] = static_cast<BYTE>(16 + ((x * 3 + y * 5 + n * 7) % 220));
            row[2 * x + 1] = static_cast<BYTE>(16 + ((x + n * 11) % 224)); // U
            row[2 * x + 2] = static_cast<BYTE>(16 + ((x * 3 + 3 + y * 5 + n * 7) % 220));
            row[2 * x + 3] = static_cast<BYTE>(16 + ((y * 2 + n * 13) % 224)); // V
        }
    }
}

HRESULT SourcePin::GetMediaType(int pos, MediaType* mt) {
    if (pos != 0)
        return VFW_S_NO_MORE_ITEMS;
    *mt = m_type;
    return S_OK;
}

HRESULT SourcePin::CheckMediaType(const AM_MEDIA_TYPE* mt) {
    return m_type.Equals(*mt) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT SourcePin::DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* req) {
    ALLOCATOR_PROPERTIES want = *req, got{};
    want.cBuffers = want.cBuffers > 3 ? want.cBuffers : 3;
    want.cbBuffer = static_cast<LONG>(m_type.lSampleSize);
    if (want.cbAlign < 1)
        want.cbAlign = 1;
    HRESULT hr = alloc->SetProperties(&want, &got);
    return FAILED(hr) ? hr : (got.cbBuffer >= want.cbBuffer ? S_OK : E_FAIL);
}

HRESULT SourcePin::FillBuffer(IMediaSample* s, REFERENCE_TIME start, REFERENCE_TIME) {
    if (m_limit >= 0 && m_produced >= m_limit)
        return S_FALSE;
    BYTE* p = nullptr;
    s->GetPointer(&p);
    filters::VideoFormat f;
    filters::DescribeVideo(m_type, &f);
    m_fn(p, f.width, f.height, static_cast<LONG>(start / m_period));
    {
        dshow::AutoLock lock(m_lock);
        m_buffers.insert(p);
    }
    InterlockedIncrement(&m_produced);
    return s->SetActualDataLength(f.imageSize);
}

std::set<const BYTE*> SourcePin::Buffers() {
    dshow::AutoLock lock(m_lock);
    return m_buffers;
}

Source::Source(const MediaType& type, REFERENCE_TIME period, FrameFn fn) : BaseFilter(kTestClsid, L"Source") {
    m_live = true;
    pin = new SourcePin(this, type, period, std::move(fn));
    AddPin(pin);
}

STDMETHODIMP SinkPin::Receive(IMediaSample* s) {
    HRESULT hr = CheckStreaming();
    if (hr != S_OK)
        return hr;
    InterlockedIncrement(&received);
    if (!keep)
        return S_OK;
    Frame f;
    REFERENCE_TIME stop = 0;
    s->GetTime(&f.start, &stop);
    BYTE* p = nullptr;
    s->GetPointer(&p);
    f.pointer = p;
    f.data.assign(p, p + s->GetActualDataLength());
    dshow::AutoLock lock(m_lock);
    m_got.push_back(std::move(f));
    return S_OK;
}

std::vector<Frame> SinkPin::Take() {
    dshow::AutoLock lock(m_lock);
    std::vector<Frame> r;
    r.swap(m_got);
    return r;
}

size_t SinkPin::Count() {
    dshow::AutoLock lock(m_lock);
    return m_got.size();
}

Sink::Sink(REFGUID subtype) : BaseFilter(kTestClsid, L"Sink") {
    pin = new SinkPin(this);
    pin->accept = subtype;
    AddPin(pin);
}

bool WaitFor(const std::function<bool()>& cond, DWORD timeoutMs) {
    DWORD t0 = GetTickCount();
    while (!cond()) {
        if (GetTickCount() - t0 > timeoutMs)
            return false;
        Sleep(10);
    }
    return true;
}

ComPtr<IPin> PinAt(IBaseFilter* f, int index) {
    ComPtr<IPin> result;
    ComPtr<IEnumPins> e;
    if (!f || FAILED(f->EnumPins(e.Put())))
        return result;
    IPin* p = nullptr;
    for (int i = 0; e->Next(1, &p, nullptr) == S_OK; ++i) {
        ComPtr<IPin> pin;
        pin.Attach(p);
        if (i == index)
            return pin;
    }
    return result;
}

ComPtr<IPin> FirstPin(IBaseFilter* f, PIN_DIRECTION dir) {
    ComPtr<IEnumPins> e;
    if (!f || FAILED(f->EnumPins(e.Put())))
        return ComPtr<IPin>();
    IPin* p = nullptr;
    while (e->Next(1, &p, nullptr) == S_OK) {
        ComPtr<IPin> pin;
        pin.Attach(p);
        PIN_DIRECTION d;
        if (SUCCEEDED(pin->QueryDirection(&d)) && d == dir)
            return pin;
    }
    return ComPtr<IPin>();
}

Graph::Graph() {
    if (SUCCEEDED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                   builder.PutVoid())))
        builder->QueryInterface(IID_IMediaControl, control.PutVoid());
}

Graph::~Graph() {
    if (control)
        control->Stop();
}

ComPtr<IBaseFilter> Graph::Add(dshow::BaseFilter* f, const wchar_t* name) {
    ComPtr<IBaseFilter> b;
    b.Attach(f);
    if (builder)
        builder->AddFilter(b.Get(), name);
    return b;
}

ComPtr<IBaseFilter> Graph::Create(REFCLSID clsid, const wchar_t* name) {
    ComPtr<IBaseFilter> f;
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, f.PutVoid())))
        return f;
    if (builder && FAILED(builder->AddFilter(f.Get(), name)))
        f.Reset();
    return f;
}

HRESULT Graph::Run() {
    return control ? control->Run() : E_FAIL;
}

HRESULT Graph::Stop() {
    return control ? control->Stop() : E_FAIL;
}

} // namespace filtertest
