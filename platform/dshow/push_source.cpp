// Live push-source pin of the DirectShow base library: the streaming thread, its pacing by
// the reference clock, time stamps, dropped-frame accounting and a clean stop.
#include "platform/dshow/push_source.h"

namespace dshow {

PushPin::PushPin(BaseFilter* filter, const wchar_t* name)
    : OutputPin(filter, name), m_stop(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    QueryPerformanceFrequency(&m_qpcFreq);
}

PushPin::~PushPin() {
    // The filter stops its pins before it is destroyed; this only guards against misuse.
    if (m_thread) {
        SetEvent(m_stop.Get());
        if (m_allocator)
            m_allocator->Decommit();
        WaitForSingleObject(m_thread.Get(), INFINITE);
    }
}

HRESULT PushPin::Active() {
    HRESULT hr = OutputPin::Active();
    if (FAILED(hr) || !m_connected)
        return hr;
    if (m_thread)
        return S_OK;
    ResetEvent(m_stop.Get());
    InterlockedExchange(&m_delivered, 0);
    InterlockedExchange(&m_dropped, 0);
    InterlockedExchange64(&m_bytes, 0);
    m_qpcStarted = false;
    DWORD id = 0;
    m_thread.Reset(CreateThread(nullptr, 0, &PushPin::ThreadProc, this, 0, &id));
    if (!m_thread) {
        OutputPin::Inactive();
        return HRESULT_FROM_WIN32(GetLastError());
    }
    return S_OK;
}

HRESULT PushPin::Inactive() {
    if (m_thread) {
        SetEvent(m_stop.Get());
        // Decommitting wakes a GetBuffer that waits for a free buffer.
        if (m_allocator)
            m_allocator->Decommit();
        WaitForSingleObject(m_thread.Get(), INFINITE);
        m_thread.Reset();
    }
    return OutputPin::Inactive();
}

DWORD WINAPI PushPin::ThreadProc(void* self) {
    static_cast<PushPin*>(self)->Loop();
    return 0;
}

REFERENCE_TIME PushPin::Now() {
    REFERENCE_TIME t = m_filter->StreamTime();
    if (t != -1 || m_filter->Clock())
        return t;
    // No reference clock: the performance counter since streaming began.
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    if (!m_qpcStarted) {
        m_qpcBase = now;
        m_qpcStarted = true;
    }
    return static_cast<REFERENCE_TIME>((now.QuadPart - m_qpcBase.QuadPart) * 10000000.0 / m_qpcFreq.QuadPart);
}

void PushPin::Loop() {
    OnThreadStart();
    const REFERENCE_TIME period = SamplePeriod() > 0 ? SamplePeriod() : 400000;
    const REFERENCE_TIME catchUp = CatchUpLimit() > 2 * period ? CatchUpLimit() : 2 * period;
    REFERENCE_TIME next = 0;
    bool first = true;
    bool ended = false;
    HANDLE waits[2] = {m_stop.Get(), m_filter->RunningEvent()};
    for (;;) {
        DWORD w = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
        if (w != WAIT_OBJECT_0 + 1)
            break; // stop (or a failed wait)
        REFERENCE_TIME now = Now();
        if (now == -1) { // between Pause and Run transitions
            if (WaitForSingleObject(m_stop.Get(), 1) == WAIT_OBJECT_0)
                break;
            continue;
        }
        if (now < next) {
            DWORD ms = static_cast<DWORD>((next - now + 9999) / 10000);
            if (ms > 50)
                ms = 50; // re-check the state regularly
            if (WaitForSingleObject(m_stop.Get(), ms) == WAIT_OBJECT_0)
                break;
            continue;
        }
        if (now - next >= catchUp) {
            // The consumer (or the machine) fell behind: skip the missed slots.
            LONG missed = static_cast<LONG>((now - next) / period);
            InterlockedExchangeAdd(&m_dropped, missed);
            next += missed * period;
        }
        if (ended) { // downstream asked for no more samples; keep time, deliver nothing
            next += period;
            continue;
        }
        StreamControl::Decision decision = m_control.Check(next);
        if (decision.event)
            m_filter->NotifyEvent(decision.event, reinterpret_cast<LONG_PTR>(static_cast<IPin*>(this)),
                                  static_cast<LONG_PTR>(decision.cookie));
        if (!decision.deliver) {
            first = true; // the next sample that goes follows a gap
            next += period;
            continue;
        }
        ComPtr<IMediaSample> sample;
        HRESULT hr = GetDeliveryBuffer(sample.Put(), nullptr, nullptr, 0);
        if (FAILED(hr) || !sample) {
            if (WaitForSingleObject(m_stop.Get(), 0) == WAIT_OBJECT_0 || hr == VFW_E_NOT_COMMITTED)
                break;
            InterlockedIncrement(&m_dropped);
            next += period;
            continue;
        }
        REFERENCE_TIME start = next, stop = next + period;
        hr = FillBuffer(sample.Get(), start, stop);
        if (hr == S_OK) {
            sample->SetTime(&start, &stop);
            sample->SetSyncPoint(TRUE);
            sample->SetDiscontinuity(first ? TRUE : FALSE);
            sample->SetPreroll(FALSE);
            first = false;
            LONG len = sample->GetActualDataLength();
            hr = Deliver(sample.Get());
            if (hr == S_OK) {
                InterlockedIncrement(&m_delivered);
                InterlockedExchangeAdd64(&m_bytes, len);
                OnDelivered(sample.Get());
            } else if (hr == S_FALSE) {
                ended = true;
            } else {
                InterlockedIncrement(&m_dropped); // downstream is stopping or refused it
            }
        } else if (hr == S_FALSE) {
            InterlockedIncrement(&m_dropped);
        } else {
            sample.Reset();
            m_filter->NotifyEvent(EC_ERRORABORT, hr, 0);
            DeliverEndOfStream();
            ended = true;
        }
        next = stop;
    }
    OnThreadStop();
}

} // namespace dshow
