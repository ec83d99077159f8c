// Transform filter base of the DirectShow base library: input/output pins that negotiate
// through the filter, sample pass-through with time stamps, flushing and end of stream.
#include "platform/dshow/transform.h"

#include <cstring>

namespace dshow {

// ---- pins -------------------------------------------------------------------------------------

TransformInputPin::TransformInputPin(TransformFilter* filter, const wchar_t* name)
    : InputPin(filter, name), m_owner(filter) {}

HRESULT TransformInputPin::GetMediaType(int, MediaType*) {
    return VFW_S_NO_MORE_ITEMS;
}

HRESULT TransformInputPin::CheckMediaType(const AM_MEDIA_TYPE* mt) {
    return m_owner->CheckInputType(mt);
}

HRESULT TransformInputPin::QueryOtherInterface(REFIID iid, void** out) {
    return m_owner->QueryInputPinInterface(iid, out);
}

HRESULT TransformInputPin::CompleteConnect(IPin*) {
    // A changed input type may no longer suit a connected output: say so rather than stream
    // something the downstream filter did not agree to.
    TransformOutputPin* out = m_owner->Output();
    if (out->IsConnected() && m_owner->CheckTransform(&m_mt, &out->CurrentMediaType()) != S_OK)
        return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

STDMETHODIMP TransformInputPin::Receive(IMediaSample* sample) {
    if (!sample)
        return E_POINTER;
    return m_owner->DoReceive(sample);
}

STDMETHODIMP TransformInputPin::EndOfStream() {
    AutoLock lock(m_owner->ReceiveLock());
    HRESULT hr = CheckStreaming();
    if (hr != S_OK)
        return hr;
    return m_owner->Output()->IsConnected() ? m_owner->Output()->DeliverEndOfStream() : S_OK;
}

STDMETHODIMP TransformInputPin::BeginFlush() {
    InputPin::BeginFlush();
    return m_owner->Output()->IsConnected() ? m_owner->Output()->DeliverBeginFlush() : S_OK;
}

STDMETHODIMP TransformInputPin::EndFlush() {
    {
        AutoLock lock(m_owner->ReceiveLock()); // a Receive in progress has finished
    }
    InputPin::EndFlush();
    return m_owner->Output()->IsConnected() ? m_owner->Output()->DeliverEndFlush() : S_OK;
}

STDMETHODIMP TransformInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    return m_owner->Output()->IsConnected() ? m_owner->Output()->DeliverNewSegment(start, stop, rate) : S_OK;
}

TransformOutputPin::TransformOutputPin(TransformFilter* filter, const wchar_t* name)
    : OutputPin(filter, name), m_owner(filter) {}

HRESULT TransformOutputPin::GetMediaType(int pos, MediaType* mt) {
    if (!m_owner->Input()->IsConnected())
        return VFW_S_NO_MORE_ITEMS;
    return m_owner->GetOutputType(pos, mt);
}

HRESULT TransformOutputPin::CheckMediaType(const AM_MEDIA_TYPE* mt) {
    if (!m_owner->Input()->IsConnected())
        return VFW_E_NOT_CONNECTED;
    return m_owner->CheckTransform(&m_owner->Input()->CurrentMediaType(), mt);
}

HRESULT TransformOutputPin::DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* request) {
    ALLOCATOR_PROPERTIES want = *request;
    if (want.cBuffers < m_owner->OutputBufferCount())
        want.cBuffers = m_owner->OutputBufferCount();
    if (want.cBuffers < 1)
        want.cBuffers = 1;
    LONG size = m_owner->OutputBufferSize();
    if (size <= 0)
        return E_FAIL;
    if (want.cbBuffer < size)
        want.cbBuffer = size;
    if (want.cbAlign < 1)
        want.cbAlign = 1;
    ALLOCATOR_PROPERTIES got{};
    HRESULT hr = alloc->SetProperties(&want, &got);
    if (FAILED(hr))
        return hr;
    return got.cbBuffer >= size ? S_OK : E_FAIL;
}

// ---- filter -----------------------------------------------------------------------------------

TransformFilter::TransformFilter(REFCLSID clsid, const wchar_t* name) : BaseFilter(clsid, name) {
    m_input = new TransformInputPin(this, L"Input");
    m_output = new TransformOutputPin(this, L"Output");
    AddPin(m_input);
    AddPin(m_output);
}

HRESULT TransformFilter::GetOutputType(int pos, MediaType* mt) {
    if (pos != 0)
        return VFW_S_NO_MORE_ITEMS;
    *mt = m_input->CurrentMediaType();
    return S_OK;
}

HRESULT TransformFilter::CheckTransform(const AM_MEDIA_TYPE* in, const AM_MEDIA_TYPE* out) {
    MediaType input(*in);
    return input.Equals(*out) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

LONG TransformFilter::OutputBufferSize() {
    const MediaType& mt = m_output->CurrentMediaType(); // set before the allocator is decided
    if (const VIDEOINFOHEADER* vih = mt.VideoInfo()) {
        if (vih->bmiHeader.biSizeImage)
            return static_cast<LONG>(vih->bmiHeader.biSizeImage);
        LONG stride = ((vih->bmiHeader.biWidth * vih->bmiHeader.biBitCount + 31) / 32) * 4;
        return stride * (vih->bmiHeader.biHeight < 0 ? -vih->bmiHeader.biHeight : vih->bmiHeader.biHeight);
    }
    if (mt.lSampleSize > 1)
        return static_cast<LONG>(mt.lSampleSize);
    // Variable-size samples: as large as the upstream buffers.
    ComPtr<IMemAllocator> upstream;
    ALLOCATOR_PROPERTIES props{};
    if (SUCCEEDED(m_input->GetAllocator(upstream.Put())) && SUCCEEDED(upstream->GetProperties(&props)) &&
        props.cbBuffer > 0)
        return props.cbBuffer;
    return 65536;
}

HRESULT TransformFilter::Transform(IMediaSample* in, IMediaSample* out) {
    return CopySample(in, out);
}

HRESULT TransformFilter::CopySample(IMediaSample* in, IMediaSample* out) {
    BYTE* src = nullptr;
    BYTE* dst = nullptr;
    if (FAILED(in->GetPointer(&src)) || FAILED(out->GetPointer(&dst)))
        return E_FAIL;
    LONG len = in->GetActualDataLength();
    if (len > out->GetSize())
        return E_FAIL;
    memcpy(dst, src, static_cast<size_t>(len));
    return out->SetActualDataLength(len);
}

HRESULT TransformFilter::DoReceive(IMediaSample* sample) {
    AutoLock lock(m_receiveLock);
    HRESULT hr = m_input->CheckStreaming();
    if (hr != S_OK)
        return hr;
    if (!m_output->IsConnected())
        return S_OK; // nothing downstream: the sample is consumed
    REFERENCE_TIME start = 0, stop = 0;
    HRESULT timeHr = sample->GetTime(&start, &stop);
    ComPtr<IMediaSample> out;
    hr = m_output->GetDeliveryBuffer(out.Put(), nullptr, nullptr, 0);
    if (FAILED(hr))
        return hr;
    if (timeHr == S_OK)
        out->SetTime(&start, &stop);
    else if (timeHr == VFW_S_NO_STOP_TIME)
        out->SetTime(&start, nullptr);
    else
        out->SetTime(nullptr, nullptr);
    LONGLONG mstart = 0, mstop = 0;
    if (sample->GetMediaTime(&mstart, &mstop) == S_OK)
        out->SetMediaTime(&mstart, &mstop);
    out->SetSyncPoint(sample->IsSyncPoint() == S_OK);
    out->SetDiscontinuity(sample->IsDiscontinuity() == S_OK);
    out->SetPreroll(sample->IsPreroll() == S_OK);
    hr = Transform(sample, out.Get());
    if (hr == S_FALSE)
        return S_OK; // the transform chose to drop this sample
    if (FAILED(hr))
        return hr;
    InterlockedIncrement(&m_transformed);
    return m_output->Deliver(out.Get());
}

HRESULT TransformFilter::OnStop() {
    // Called under the filter lock before the pins go inactive: wake a Receive waiting for an
    // output buffer, then wait until it has left.
    if (m_output->Allocator())
        m_output->Allocator()->Decommit();
    m_input->Inactive();
    AutoLock lock(m_receiveLock);
    return S_OK;
}

} // namespace dshow
