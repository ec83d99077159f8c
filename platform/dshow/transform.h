// Base for one-in, one-out filters (pass-through and copying transforms): the frame grabber,
// invert, deinterlacer and down-size stand-ins are built on it.
#pragma once

#include "platform/dshow/filter.h"

namespace dshow {

class TransformFilter;

class TransformInputPin : public InputPin {
public:
    TransformInputPin(TransformFilter* filter, const wchar_t* name);
    HRESULT GetMediaType(int pos, MediaType* mt) override;
    HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override;
    STDMETHODIMP Receive(IMediaSample* sample) override;
    STDMETHODIMP EndOfStream() override;
    STDMETHODIMP BeginFlush() override;
    STDMETHODIMP EndFlush() override;
    STDMETHODIMP NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

protected:
    HRESULT QueryOtherInterface(REFIID iid, void** out) override;
    HRESULT CompleteConnect(IPin* pin) override;
    TransformFilter* m_owner;
};

class TransformOutputPin : public OutputPin {
public:
    TransformOutputPin(TransformFilter* filter, const wchar_t* name);
    HRESULT GetMediaType(int pos, MediaType* mt) override;
    HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override;
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* request) override;

protected:
    TransformFilter* m_owner;
};

// A transform filter: pin 0 is the input ("Input"), pin 1 the output ("Output"). Every
// sample received is handed to Transform together with a fresh output buffer carrying the
// input's time stamps and flags, then delivered. The output connects only after the input.
//
// Override, as needed:
// - CheckInputType: which input types are accepted (required);
// - GetOutputType / CheckTransform: output types; by default the output offers and accepts
//   exactly the input's type (a pass-through);
// - OutputBufferSize: bytes per output sample (default: the input type's sample size, or the
//   image size of a VIDEOINFOHEADER); OutputBufferCount: the fewest output buffers (default 1);
// - Transform: fill the output from the input (default: copy the data unchanged);
// - QueryInputPinInterface: interfaces the input pin offers beyond IPin and IMemInputPin
//   (a mixer's pin configuration, say); an answer must carry a reference, as QueryInterface's.
// Transform runs on the upstream streaming thread, serialised with Stop by ReceiveLock().
class TransformFilter : public BaseFilter {
public:
    TransformFilter(REFCLSID clsid, const wchar_t* name);

    virtual HRESULT CheckInputType(const AM_MEDIA_TYPE* mt) = 0;
    virtual HRESULT GetOutputType(int pos, MediaType* mt);
    virtual HRESULT CheckTransform(const AM_MEDIA_TYPE* in, const AM_MEDIA_TYPE* out);
    virtual LONG OutputBufferSize();
    // The fewest output buffers (default 1): a filter whose samples downstream may hold a while
    // (a renderer's queue behind a tee) asks for more, so its upstream thread never waits on one.
    virtual LONG OutputBufferCount() { return 1; }
    virtual HRESULT Transform(IMediaSample* in, IMediaSample* out);
    virtual HRESULT QueryInputPinInterface(REFIID, void** out) {
        *out = nullptr;
        return E_NOINTERFACE;
    }

    TransformInputPin* Input() const { return m_input; }
    TransformOutputPin* Output() const { return m_output; }
    CritSec& ReceiveLock() { return m_receiveLock; }
    LONG SamplesTransformed() const { return m_transformed; }

    // Copies data and properties (times, flags) of one sample into another; the output must
    // be large enough (E_FAIL otherwise).
    static HRESULT CopySample(IMediaSample* in, IMediaSample* out);

protected:
    HRESULT OnStop() override;
    friend class TransformInputPin;
    HRESULT DoReceive(IMediaSample* sample);

    TransformInputPin* m_input;
    TransformOutputPin* m_output;
    CritSec m_receiveLock;
    volatile LONG m_transformed = 0;
};

} // namespace dshow
