// Stream control of an output pin: start and stop times, the decision per sample and the
// started/stopped notifications.
#include "platform/dshow/stream_control.h"

namespace dshow {

namespace {
constexpr REFERENCE_TIME kAlways = -StreamControl::kNever - 1;
} // namespace

HRESULT StreamControl::StartAt(const REFERENCE_TIME* start, DWORD cookie) {
    AutoLock lock(m_lock);
    if (start && *start == kNever) {
        // Cancels a pending start: the stream is held until it is started again.
        m_start = kNever;
        m_startDefined = false;
        m_startCookie = 0;
        m_flowing = false;
        return S_OK;
    }
    m_start = start ? *start : kAlways;
    m_startDefined = true;
    m_startCookie = cookie;
    m_extraSent = false;
    // A stop that lies before the new start (an immediate stop included) belonged to the
    // previous run of the stream.
    if (m_stop != kNever && (m_stop == kAlways || m_stop < m_start)) {
        m_stop = kNever;
        m_stopDefined = false;
    }
    return S_OK;
}

HRESULT StreamControl::StopAt(const REFERENCE_TIME* stop, BOOL sendExtra, DWORD cookie) {
    AutoLock lock(m_lock);
    if (stop && *stop == kNever) {
        m_stop = kNever;
        m_stopDefined = false;
        m_stopCookie = 0;
        m_sendExtra = false;
        return S_OK;
    }
    m_stop = stop ? *stop : kAlways;
    m_stopDefined = true;
    m_stopCookie = cookie;
    m_sendExtra = sendExtra != FALSE;
    m_extraSent = false;
    return S_OK;
}

HRESULT StreamControl::GetInfo(AM_STREAM_INFO* info) {
    if (!info)
        return E_POINTER;
    AutoLock lock(m_lock);
    *info = AM_STREAM_INFO{};
    info->tStart = m_start;
    info->tStop = m_stop;
    info->dwStartCookie = m_startCookie;
    info->dwStopCookie = m_stopCookie;
    if (m_startDefined)
        info->dwFlags |= AM_STREAM_INFO_START_DEFINED;
    if (m_stopDefined)
        info->dwFlags |= AM_STREAM_INFO_STOP_DEFINED;
    if (!m_flowing)
        info->dwFlags |= AM_STREAM_INFO_DISCARDING;
    if (m_sendExtra)
        info->dwFlags |= AM_STREAM_INFO_STOP_SEND_EXTRA;
    return S_OK;
}

bool StreamControl::Discarding() {
    AutoLock lock(m_lock);
    return !m_flowing;
}

StreamControl::Decision StreamControl::Check(REFERENCE_TIME sampleStart) {
    AutoLock lock(m_lock);
    Decision d;
    if (!m_flowing) {
        if (m_start == kNever || sampleStart < m_start) {
            d.deliver = false;
            return d;
        }
        m_flowing = true;
    }
    if (m_startDefined && sampleStart >= m_start) {
        d.event = EC_STREAM_CONTROL_STARTED;
        d.cookie = m_startCookie;
        m_startDefined = false;
    }
    if (m_stop != kNever && (m_stop == kAlways || sampleStart >= m_stop)) {
        if (m_sendExtra && !m_extraSent) {
            m_extraSent = true; // one more sample goes, the stop takes effect after it
            return d;
        }
        m_flowing = false;
        m_start = kNever; // stopped until started again
        d.deliver = false;
        d.event = EC_STREAM_CONTROL_STOPPED;
        d.cookie = m_stopCookie;
        m_stop = kNever;
        m_stopDefined = false;
        m_sendExtra = false;
        return d;
    }
    return d;
}

} // namespace dshow
