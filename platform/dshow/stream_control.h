// Start and stop times of one output stream (what IAMStreamControl sets on a capture pin): which
// samples go downstream, and when the graph hears that the stream started or stopped.
#pragma once

#include <windows.h>

#include <dshow.h>

#include "platform/dshow/com_ptr.h"

namespace dshow {

// A stream flows from its start time until its stop time, both in stream time. A fresh stream
// flows. StartAt(largest time) holds it until a later StartAt; StartAt(null) starts it with the
// next sample; StopAt(null) stops it with the next sample; StopAt(largest time) cancels a stop.
// Once stopped, the stream stays off until it is started again.
class StreamControl {
public:
    static constexpr REFERENCE_TIME kNever = 0x7FFFFFFFFFFFFFFFLL;

    // What to do with one sample, and the event to send for it (0 for none).
    struct Decision {
        bool deliver = true;
        long event = 0; // EC_STREAM_CONTROL_STARTED or EC_STREAM_CONTROL_STOPPED
        DWORD cookie = 0;
    };

    HRESULT StartAt(const REFERENCE_TIME* start, DWORD cookie);
    HRESULT StopAt(const REFERENCE_TIME* stop, BOOL sendExtra, DWORD cookie);
    HRESULT GetInfo(AM_STREAM_INFO* info);

    // Called for every sample the pin could deliver, with its start time (streaming thread).
    Decision Check(REFERENCE_TIME sampleStart);
    // True while samples are being discarded.
    bool Discarding();

private:
    CritSec m_lock;
    bool m_flowing = true;
    REFERENCE_TIME m_start = -kNever - 1; // started since the beginning
    REFERENCE_TIME m_stop = kNever;
    bool m_startDefined = false;
    bool m_stopDefined = false;
    bool m_sendExtra = false;
    bool m_extraSent = false;
    DWORD m_startCookie = 0;
    DWORD m_stopCookie = 0;
};

} // namespace dshow
