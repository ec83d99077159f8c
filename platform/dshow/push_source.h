// Base for live push sources: an output pin with its own streaming thread that delivers one
// time-stamped sample per period of stream time while the filter runs.
#pragma once

#include "platform/dshow/filter.h"
#include "platform/dshow/stream_control.h"

namespace dshow {

// How to use: derive a pin, implement GetMediaType/CheckMediaType (which types it offers),
// DecideBufferSize (buffers for the connected type), SamplePeriod and FillBuffer. Add it to a
// BaseFilter with live_ = true. The thread starts when the filter pauses (allocator committed),
// delivers only while it runs, paces itself by the graph's reference clock (or the
// performance counter without one), and is joined when the filter stops. Samples carry stream
// times [n * period, (n + 1) * period); when the consumer falls behind further than
// CatchUpLimit (two periods unless the pin says otherwise), the late slots are counted as
// dropped instead of being delivered in a burst.
//
// Every slot first passes the pin's stream control (Control()): a held or stopped stream skips
// its slots without counting them as dropped, and the first sample after a gap is marked as a
// discontinuity. Pins that offer IAMStreamControl forward it to Control().
//
// FillBuffer runs on the streaming thread and must not take the filter lock.
class PushPin : public OutputPin {
public:
    PushPin(BaseFilter* filter, const wchar_t* name);
    ~PushPin() override;

    HRESULT Active() override;
    HRESULT Inactive() override;

    // Stream-time length of one sample (100 ns units), read when streaming starts.
    virtual REFERENCE_TIME SamplePeriod() = 0;
    // Fills the sample's data for [start, stop) and sets its actual length. S_OK delivers it;
    // S_FALSE skips this slot (counted as dropped); an error ends streaming with EC_ERRORABORT.
    virtual HRESULT FillBuffer(IMediaSample* sample, REFERENCE_TIME start, REFERENCE_TIME stop) = 0;
    // How far the thread may fall behind before it skips slots instead of catching up (100 ns
    // units, at least two periods). Sources with a hardware buffer, like sound, catch up
    // further: their data is not lost when the machine is briefly too busy.
    virtual REFERENCE_TIME CatchUpLimit() { return 0; }
    // Called on the streaming thread before the first sample and after the last one.
    virtual void OnThreadStart() {}
    virtual void OnThreadStop() {}

    LONG Delivered() const { return m_delivered; }
    LONG Dropped() const { return m_dropped; }
    // Sum of the actual data lengths delivered (for average frame sizes).
    LONGLONG BytesDelivered() const { return m_bytes; }
    bool Streaming() const { return static_cast<bool>(m_thread); }
    StreamControl& Control() { return m_control; }

protected:
    // Called after a sample was delivered (streaming thread).
    virtual void OnDelivered(IMediaSample*) {}

private:
    static DWORD WINAPI ThreadProc(void* self);
    void Loop();
    REFERENCE_TIME Now();

    StreamControl m_control;
    Handle m_thread;
    Handle m_stop;
    volatile LONG m_delivered = 0;
    volatile LONG m_dropped = 0;
    volatile LONGLONG m_bytes = 0;
    LARGE_INTEGER m_qpcBase{};
    LARGE_INTEGER m_qpcFreq{};
    bool m_qpcStarted = false;
};

} // namespace dshow
