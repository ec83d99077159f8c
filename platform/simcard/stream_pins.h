// Output pins of the simulated card: video (capture or preview, YUY2 at the card's sizes),
// raw VBI lines, and PCM sound, each a live push source paced by the graph's clock.
#pragma once

#include "platform/simcard/card.h"
#include "platform/dshow/push_source.h"

namespace simcard {

struct FrameSize {
    LONG width, height;
};
// The sizes the video pins offer (and accept), in order of preference.
const FrameSize* VideoSizes(int* count);

// IAMStreamControl of the card's streaming pins: forwards to the push pin's stream control.
#define SIMCARD_STREAM_CONTROL_METHODS                                                                       \
    STDMETHODIMP StartAt(const REFERENCE_TIME* start, DWORD cookie) override {                               \
        return Control().StartAt(start, cookie);                                                             \
    }                                                                                                        \
    STDMETHODIMP StopAt(const REFERENCE_TIME* stop, BOOL sendExtra, DWORD cookie) override {                 \
        return Control().StopAt(stop, sendExtra, cookie);                                                    \
    }                                                                                                        \
    STDMETHODIMP GetInfo(AM_STREAM_INFO* info) override {                                                    \
        return Control().GetInfo(info);                                                                      \
    }

class VideoPin : public dshow::PushPin,
                 public IAMStreamConfig,
                 public IAMDroppedFrames,
                 public IAMStreamControl {
public:
    // camera: the unrelated generic device's picture instead of the card's.
    VideoPin(dshow::BaseFilter* filter, const wchar_t* name, REFGUID category, bool camera);
    DSHOW_FORWARD_IUNKNOWN(dshow::PushPin)

    HRESULT GetMediaType(int pos, dshow::MediaType* mt) override;
    HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override;
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* request) override;
    REFERENCE_TIME SamplePeriod() override;
    HRESULT FillBuffer(IMediaSample* sample, REFERENCE_TIME start, REFERENCE_TIME stop) override;

    // IAMStreamConfig
    STDMETHODIMP SetFormat(AM_MEDIA_TYPE* mt) override;
    STDMETHODIMP GetFormat(AM_MEDIA_TYPE** mt) override;
    STDMETHODIMP GetNumberOfCapabilities(int* count, int* size) override;
    STDMETHODIMP GetStreamCaps(int index, AM_MEDIA_TYPE** mt, BYTE* caps) override;
    // IAMDroppedFrames
    STDMETHODIMP GetNumDropped(LONG* n) override;
    STDMETHODIMP GetNumNotDropped(LONG* n) override;
    STDMETHODIMP GetDroppedInfo(LONG size, LONG* frames, LONG* copied) override;
    STDMETHODIMP GetAverageFrameSize(LONG* size) override;
    // IAMStreamControl
    SIMCARD_STREAM_CONTROL_METHODS

    // The format the pin streams with: the one set, else the standard's full size.
    dshow::MediaType CurrentFormat();
    // Set by the filter: whether this pin's deliveries count as the card's frames.
    void SetCountsFrames(bool counts) { m_countsFrames = counts; }

protected:
    HRESULT QueryOtherInterface(REFIID iid, void** out) override;
    void OnDelivered(IMediaSample*) override;

private:
    bool m_camera;
    bool m_formatSet = false;
    LONG m_width = 720, m_height = 576;
    REFERENCE_TIME m_requestedPeriod = 0; // 0: the standard's rate
    REFERENCE_TIME m_period = 400000;     // fixed while streaming
    volatile bool m_countsFrames = false;
};

class VbiPin : public dshow::PushPin {
public:
    VbiPin(dshow::BaseFilter* filter, const wchar_t* name);
    HRESULT GetMediaType(int pos, dshow::MediaType* mt) override;
    HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override;
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* request) override;
    REFERENCE_TIME SamplePeriod() override;
    HRESULT FillBuffer(IMediaSample* sample, REFERENCE_TIME start, REFERENCE_TIME stop) override;
};

class AudioPin : public dshow::PushPin, public IAMStreamConfig, public IAMStreamControl {
public:
    AudioPin(dshow::BaseFilter* filter, const wchar_t* name);
    DSHOW_FORWARD_IUNKNOWN(dshow::PushPin)

    HRESULT GetMediaType(int pos, dshow::MediaType* mt) override;
    HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override;
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* request) override;
    REFERENCE_TIME SamplePeriod() override { return kBufferPeriod; }
    // The card's sound buffer holds a second: a busy machine gets the sound late, not lost.
    REFERENCE_TIME CatchUpLimit() override { return 10000000; }
    HRESULT FillBuffer(IMediaSample* sample, REFERENCE_TIME start, REFERENCE_TIME stop) override;

    STDMETHODIMP SetFormat(AM_MEDIA_TYPE* mt) override;
    STDMETHODIMP GetFormat(AM_MEDIA_TYPE** mt) override;
    STDMETHODIMP GetNumberOfCapabilities(int* count, int* size) override;
    STDMETHODIMP GetStreamCaps(int index, AM_MEDIA_TYPE** mt, BYTE* caps) override;
    SIMCARD_STREAM_CONTROL_METHODS

    static constexpr REFERENCE_TIME kBufferPeriod = 400000; // 40 ms of sound per buffer

protected:
    HRESULT QueryOtherInterface(REFIID iid, void** out) override;

private:
    DWORD m_rate = 48000;
};

// A pin of the analogue side (tuner and crossbar connectors): it carries no samples; it
// exists so the crossbar's inputs and outputs can be addressed as pins.
class AnalogPin : public dshow::BasePin {
public:
    AnalogPin(dshow::BaseFilter* filter, PIN_DIRECTION dir, const wchar_t* name, bool video);
    HRESULT GetMediaType(int pos, dshow::MediaType* mt) override;
    HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override;

private:
    bool m_video;
};

} // namespace simcard
