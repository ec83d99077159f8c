// Pass-through filter base: input samples go on to every connected output uncopied (the
// downstream pins borrow the upstream allocator), and the last-frame store of the grabbers.
#include "platform/filters/pass_through.h"

#include <cstring>
#include <cwchar>

using dshow::AutoLock;
using dshow::ComPtr;
using dshow::MediaType;

namespace filters {

// ---- input pin --------------------------------------------------------------------------------

PassInputPin::PassInputPin(PassThroughFilter* filter, const wchar_t* name)
    : InputPin(filter, name), m_owner(filter) {}

HRESULT PassInputPin::GetMediaType(int, MediaType*) {
    return VFW_S_NO_MORE_ITEMS;
}

HRESULT PassInputPin::CheckMediaType(const AM_MEDIA_TYPE* mt) {
    return m_owner->CheckInputType(mt);
}

HRESULT PassInputPin::CompleteConnect(IPin*) {
    // Outputs already connected must still agree with a new input type.
    for (int i = 0; i < m_owner->OutputCount(); ++i) {
        PassOutputPin* out = m_owner->Output(i);
        if (out->IsConnected() && !m_mt.Equals(out->CurrentMediaType()))
            return VFW_E_TYPE_NOT_ACCEPTED;
    }
    return S_OK;
}

STDMETHODIMP PassInputPin::Receive(IMediaSample* sample) {
    if (!sample)
        return E_POINTER;
    return m_owner->DoReceive(sample);
}

STDMETHODIMP PassInputPin::EndOfStream() {
    return m_owner->DoEndOfStream();
}

STDMETHODIMP PassInputPin::BeginFlush() {
    InputPin::BeginFlush();
    m_owner->DoFlush(true);
    return S_OK;
}

STDMETHODIMP PassInputPin::EndFlush() {
    m_owner->DoFlush(false);
    InputPin::EndFlush();
    return S_OK;
}

STDMETHODIMP PassInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    m_owner->DoNewSegment(start, stop, rate);
    return S_OK;
}

// ---- output pin -------------------------------------------------------------------------------

PassOutputPin::PassOutputPin(PassThroughFilter* filter, const wchar_t* name)
    : OutputPin(filter, name), m_owner(filter) {}

HRESULT PassOutputPin::GetMediaType(int pos, MediaType* mt) {
    if (!m_owner->Input()->IsConnected() || pos != 0)
        return VFW_S_NO_MORE_ITEMS;
    *mt = m_owner->Input()->CurrentMediaType();
    return S_OK;
}

HRESULT PassOutputPin::CheckMediaType(const AM_MEDIA_TYPE* mt) {
    if (!m_owner->Input()->IsConnected())
        return VFW_E_NOT_CONNECTED;
    return m_owner->Input()->CurrentMediaType().Equals(*mt) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT PassOutputPin::DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* request) {
    // Own buffers (copying mode) as large as the upstream ones.
    ALLOCATOR_PROPERTIES upstream{};
    ComPtr<IMemAllocator> up;
    if (FAILED(m_owner->Input()->GetAllocator(up.Put())) || FAILED(up->GetProperties(&upstream)))
        return E_FAIL;
    ALLOCATOR_PROPERTIES want = *request, got{};
    if (want.cBuffers < 2)
        want.cBuffers = 2;
    if (want.cbBuffer < upstream.cbBuffer)
        want.cbBuffer = upstream.cbBuffer;
    if (want.cbBuffer <= 0)
        want.cbBuffer = static_cast<LONG>(CurrentMediaType().lSampleSize);
    if (want.cbAlign < 1)
        want.cbAlign = 1;
    HRESULT hr = alloc->SetProperties(&want, &got);
    if (FAILED(hr))
        return hr;
    return got.cbBuffer >= want.cbBuffer && want.cbBuffer > 0 ? S_OK : E_FAIL;
}

HRESULT PassOutputPin::CompleteConnect(IPin* receiver) {
    ComPtr<IMemInputPin> input;
    if (FAILED(receiver->QueryInterface(IID_IMemInputPin, input.PutVoid())))
        return VFW_E_NO_TRANSPORT;
    ComPtr<IMemAllocator> upstream;
    HRESULT hr = m_owner->Input()->GetAllocator(upstream.Put());
    if (SUCCEEDED(hr) && SUCCEEDED(input->NotifyAllocator(upstream.Get(), TRUE))) {
        m_input = input;
        m_shared = true;
    } else {
        hr = OutputPin::CompleteConnect(receiver);
        if (FAILED(hr))
            return hr;
        m_shared = false;
    }
    m_owner->OutputConnected();
    return S_OK;
}

void PassOutputPin::BreakConnect() {
    m_shared = false;
    OutputPin::BreakConnect();
}

HRESULT PassOutputPin::Active() {
    // A borrowed allocator belongs to the upstream pin, which commits it.
    return m_shared ? S_OK : OutputPin::Active();
}

HRESULT PassOutputPin::Inactive() {
    return m_shared ? S_OK : OutputPin::Inactive();
}

HRESULT PassOutputPin::DeliverPassed(IMediaSample* sample) {
    if (!m_input)
        return VFW_E_NOT_CONNECTED;
    if (m_shared)
        return Deliver(sample);
    ComPtr<IMediaSample> copy;
    HRESULT hr = GetDeliveryBuffer(copy.Put(), nullptr, nullptr, 0);
    if (FAILED(hr))
        return hr;
    BYTE* src = nullptr;
    BYTE* dst = nullptr;
    LONG len = sample->GetActualDataLength();
    if (FAILED(sample->GetPointer(&src)) || FAILED(copy->GetPointer(&dst)) || len > copy->GetSize())
        return E_FAIL;
    memcpy(dst, src, static_cast<size_t>(len));
    copy->SetActualDataLength(len);
    REFERENCE_TIME start = 0, stop = 0;
    HRESULT timeHr = sample->GetTime(&start, &stop);
    if (timeHr == S_OK)
        copy->SetTime(&start, &stop);
    else if (timeHr == VFW_S_NO_STOP_TIME)
        copy->SetTime(&start, nullptr);
    copy->SetSyncPoint(sample->IsSyncPoint() == S_OK);
    copy->SetDiscontinuity(sample->IsDiscontinuity() == S_OK);
    copy->SetPreroll(sample->IsPreroll() == S_OK);
    return Deliver(copy.Get());
}

// ---- filter -----------------------------------------------------------------------------------

PassThroughFilter::PassThroughFilter(REFCLSID clsid, const wchar_t* name, bool tee)
    : BaseFilter(clsid, name), m_tee(tee) {
    m_input = new PassInputPin(this, L"Input");
    AddPin(m_input);
    auto* out = new PassOutputPin(this, tee ? L"Output1" : L"Output");
    m_outputs.push_back(out);
    AddPin(out);
}

int PassThroughFilter::OutputCount() {
    AutoLock lock(m_outputsLock);
    return static_cast<int>(m_outputs.size());
}

PassOutputPin* PassThroughFilter::Output(int i) {
    AutoLock lock(m_outputsLock);
    return i >= 0 && i < static_cast<int>(m_outputs.size()) ? m_outputs[i] : nullptr;
}

std::vector<PassOutputPin*> PassThroughFilter::ConnectedOutputs() {
    AutoLock lock(m_outputsLock);
    std::vector<PassOutputPin*> r;
    for (PassOutputPin* p : m_outputs)
        if (p->IsConnected())
            r.push_back(p);
    return r;
}

void PassThroughFilter::OutputConnected() {
    // Called under the filter lock while a connection completes (the graph is stopped).
    if (!m_tee)
        return;
    AutoLock lock(m_outputsLock);
    for (PassOutputPin* p : m_outputs)
        if (!p->IsConnected())
            return; // a free output remains (the one connecting now counts as connected)
    wchar_t name[32];
    swprintf(name, 32, L"Output%d", static_cast<int>(m_outputs.size()) + 1);
    auto* out = new PassOutputPin(this, name);
    m_outputs.push_back(out);
    AddPin(out);
}

HRESULT PassThroughFilter::DoReceive(IMediaSample* sample) {
    AutoLock lock(m_receiveLock);
    HRESULT hr = m_input->CheckStreaming();
    if (hr != S_OK)
        return hr;
    OnSample(sample);
    InterlockedIncrement(&m_passed);
    std::vector<PassOutputPin*> outs = ConnectedOutputs();
    if (outs.size() == 1)
        return outs[0]->DeliverPassed(sample);
    // A tee: one output that fails or has ended does not starve the others.
    for (PassOutputPin* out : outs)
        out->DeliverPassed(sample);
    return S_OK;
}

HRESULT PassThroughFilter::DoEndOfStream() {
    AutoLock lock(m_receiveLock);
    HRESULT hr = m_input->CheckStreaming();
    if (hr != S_OK)
        return hr;
    for (PassOutputPin* out : ConnectedOutputs())
        out->DeliverEndOfStream();
    return S_OK;
}

void PassThroughFilter::DoFlush(bool begin) {
    if (!begin) {
        AutoLock lock(m_receiveLock); // a Receive in progress has finished
        OnStreamReset();
    }
    for (PassOutputPin* out : ConnectedOutputs()) {
        if (begin)
            out->DeliverBeginFlush();
        else
            out->DeliverEndFlush();
    }
}

void PassThroughFilter::DoNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    for (PassOutputPin* out : ConnectedOutputs())
        out->DeliverNewSegment(start, stop, rate);
}

HRESULT PassThroughFilter::OnStop() {
    // Under the filter lock, before the pins go inactive: wake a Receive waiting for a buffer
    // of ours, refuse new ones, and wait until the one in progress has left.
    for (PassOutputPin* out : ConnectedOutputs())
        if (!out->SharesAllocator() && out->Allocator())
            out->Allocator()->Decommit();
    m_input->Inactive();
    AutoLock lock(m_receiveLock);
    OnStreamReset();
    return S_OK;
}

// ---- last frame -------------------------------------------------------------------------------

void FrameStore::Keep(IMediaSample* sample, const AM_MEDIA_TYPE& connected) {
    BYTE* p = nullptr;
    if (FAILED(sample->GetPointer(&p)) || !p)
        return;
    LONG len = sample->GetActualDataLength();
    if (len <= 0)
        return;
    AM_MEDIA_TYPE* changed = nullptr;
    bool typeChanged = sample->GetMediaType(&changed) == S_OK && changed;
    AutoLock lock(m_lock);
    if (typeChanged) {
        m_type = *changed; // a format change in the stream holds for the samples after it
    } else if (!m_has || !m_connected.Equals(connected)) {
        m_type = connected;
        m_connected = connected;
    }
    m_data.resize(static_cast<size_t>(len));
    memcpy(m_data.data(), p, static_cast<size_t>(len));
    m_has = true;
    if (changed)
        dshow::DeleteMediaType(changed);
}

void FrameStore::Clear() {
    AutoLock lock(m_lock);
    m_has = false;
    m_data.clear();
}

bool FrameStore::Empty() {
    AutoLock lock(m_lock);
    return !m_has;
}

LONG FrameStore::CopyTo(BYTE* buffer, LONG length) {
    AutoLock lock(m_lock);
    if (!m_has)
        return -1;
    size_t n = m_data.size();
    if (length > 0 && static_cast<size_t>(length) < n)
        n = static_cast<size_t>(length);
    memcpy(buffer, m_data.data(), n);
    return static_cast<LONG>(n);
}

} // namespace filters
