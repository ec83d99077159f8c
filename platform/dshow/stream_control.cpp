// Stream control of an output pin: start and stop times, the decision per sample and the
// started/stopped notifications.
#include "stream_control.h"

namespace dshow {

namespace {
constexpr REFERENCE_TIME kAlways = -StreamControl::kNever - 1;
} // namespace

HRESULT StreamControl::StartAt(const REFERENCE_TIME* start, DWORD cookie) {
    AutoLock lock(lock_);
    if (start && *start == kNever) {
        // Cancels a pending start: the stream is held until it is started again.
        start_ = kNever;
        startDefined_ = false;
        startCookie_ = 0;
        flowing_ = false;
        return S_OK;
    }
    start_ = start ? *start : kAlways;
    startDefined_ = true;
    startCookie_ = cookie;
    extraSent_ = false;
    // A stop that lies before the new start (an immediate stop included) belonged to the
    // previous run of the stream.
    if (stop_ != kNever && (stop_ == kAlways || stop_ < start_)) {
        stop_ = kNever;
        stopDefined_ = false;
    }
    return S_OK;
}

HRESULT StreamControl::StopAt(const REFERENCE_TIME* stop, BOOL sendExtra, DWORD cookie) {
    AutoLock lock(lock_);
    if (stop && *stop == kNever) {
        stop_ = kNever;
        stopDefined_ = false;
        stopCookie_ = 0;
        sendExtra_ = false;
        return S_OK;
    }
    stop_ = stop ? *stop : kAlways;
    stopDefined_ = true;
    stopCookie_ = cookie;
    sendExtra_ = sendExtra != FALSE;
    extraSent_ = false;
    return S_OK;
}

HRESULT StreamControl::GetInfo(AM_STREAM_INFO* info) {
    if (!info)
        return E_POINTER;
    AutoLock lock(lock_);
    *info = AM_STREAM_INFO{};
    info->tStart = start_;
    info->tStop = stop_;
    info->dwStartCookie = startCookie_;
    info->dwStopCookie = stopCookie_;
    if (startDefined_)
        info->dwFlags |= AM_STREAM_INFO_START_DEFINED;
    if (stopDefined_)
        info->dwFlags |= AM_STREAM_INFO_STOP_DEFINED;
    if (!flowing_)
        info->dwFlags |= AM_STREAM_INFO_DISCARDING;
    if (sendExtra_)
        info->dwFlags |= AM_STREAM_INFO_STOP_SEND_EXTRA;
    return S_OK;
}

bool StreamControl::Discarding() {
    AutoLock lock(lock_);
    return !flowing_;
}

StreamControl::Decision StreamControl::Check(REFERENCE_TIME sampleStart) {
    AutoLock lock(lock_);
    Decision d;
    if (!flowing_) {
        if (start_ == kNever || sampleStart < start_) {
            d.deliver = false;
            return d;
        }
        flowing_ = true;
    }
    if (startDefined_ && sampleStart >= start_) {
        d.event = EC_STREAM_CONTROL_STARTED;
        d.cookie = startCookie_;
        startDefined_ = false;
    }
    if (stop_ != kNever && (stop_ == kAlways || sampleStart >= stop_)) {
        if (sendExtra_ && !extraSent_) {
            extraSent_ = true; // one more sample goes, the stop takes effect after it
            return d;
        }
        flowing_ = false;
        start_ = kNever; // stopped until started again
        d.deliver = false;
        d.event = EC_STREAM_CONTROL_STOPPED;
        d.cookie = stopCookie_;
        stop_ = kNever;
        stopDefined_ = false;
        sendExtra_ = false;
        return d;
    }
    return d;
}

} // namespace dshow
