// Base of the filters that hand every input sample on unchanged (frame grabber, display
// optimisers, infinite tee): no copy on the way through, only what the derived filter keeps.
#pragma once

#include "platform/dshow/filter.h"

#include <cstdint>
#include <vector>

namespace filters {

class PassThroughFilter;

class PassInputPin : public dshow::InputPin {
public:
    PassInputPin(PassThroughFilter* filter, const wchar_t* name);
    HRESULT GetMediaType(int pos, dshow::MediaType* mt) override;
    HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override;
    STDMETHODIMP Receive(IMediaSample* sample) override;
    STDMETHODIMP EndOfStream() override;
    STDMETHODIMP BeginFlush() override;
    STDMETHODIMP EndFlush() override;
    STDMETHODIMP NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

protected:
    HRESULT CompleteConnect(IPin* pin) override;
    PassThroughFilter* m_owner;
};

// An output pin that offers exactly the input's type. It lends the downstream pin the
// upstream allocator (read-only) so the input samples themselves go on; only when the
// downstream pin insists on its own allocator is each sample copied into one of its buffers.
class PassOutputPin : public dshow::OutputPin {
public:
    PassOutputPin(PassThroughFilter* filter, const wchar_t* name);
    HRESULT GetMediaType(int pos, dshow::MediaType* mt) override;
    HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override;
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* request) override;
    HRESULT Active() override;
    HRESULT Inactive() override;
    // Hands one input sample on (streaming thread).
    HRESULT DeliverPassed(IMediaSample* sample);
    // True when the samples go on uncopied.
    bool SharesAllocator() const { return m_shared; }

protected:
    HRESULT CompleteConnect(IPin* receiver) override;
    void BreakConnect() override;
    PassThroughFilter* m_owner;
    bool m_shared = false;
};

// One input ("Input") and one output ("Output"), or, for a tee, outputs "Output1",
// "Output2", ... with a new one whenever the last free one gets connected. Each sample
// received goes, after OnSample, to every connected output.
class PassThroughFilter : public dshow::BaseFilter {
public:
    PassThroughFilter(REFCLSID clsid, const wchar_t* name, bool tee);

    // Which input types are accepted.
    virtual HRESULT CheckInputType(const AM_MEDIA_TYPE* mt) = 0;
    // Sees each sample before it goes downstream (streaming thread, under ReceiveLock()).
    virtual void OnSample(IMediaSample*) {}
    // Called on the streaming thread when the input stream restarts (flush, stop).
    virtual void OnStreamReset() {}

    PassInputPin* Input() const { return m_input; }
    int OutputCount();
    PassOutputPin* Output(int i);
    LONG SamplesPassed() const { return m_passed; }
    dshow::CritSec& ReceiveLock() { return m_receiveLock; }

    // Called by the pins.
    HRESULT DoReceive(IMediaSample* sample);
    HRESULT DoEndOfStream();
    void DoFlush(bool begin);
    void DoNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);
    void OutputConnected();

protected:
    HRESULT OnStop() override;

private:
    std::vector<PassOutputPin*> ConnectedOutputs();

    bool m_tee;
    PassInputPin* m_input;
    dshow::CritSec m_outputsLock;
    std::vector<PassOutputPin*> m_outputs; // owned by the base filter's pin list
    dshow::CritSec m_receiveLock;
    volatile LONG m_passed = 0;
};

// The last frame that went through a filter, with the media type that describes it.
class FrameStore {
public:
    // Copies the sample's data (one copy); takes the sample's own media type when it carries one.
    void Keep(IMediaSample* sample, const AM_MEDIA_TYPE& connected);
    void Clear();
    bool Empty();
    // Copies up to length bytes of the frame (the whole frame for length 0); returns the number
    // of bytes copied, or -1 without a frame.
    LONG CopyTo(BYTE* buffer, LONG length);
    // Calls read(data, size, type) under the store's lock; false without a frame.
    template <class F> bool Read(F read) {
        dshow::AutoLock lock(m_lock);
        if (!m_has)
            return false;
        read(m_data.data(), m_data.size(), static_cast<const dshow::MediaType&>(m_type));
        return true;
    }

private:
    dshow::CritSec m_lock;
    std::vector<uint8_t> m_data;
    dshow::MediaType m_type;      // describes data_
    dshow::MediaType m_connected; // the connection type when type_ was last taken from it
    bool m_has = false;
};

} // namespace filters
