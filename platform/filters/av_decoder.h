// Base of the decoders on libavcodec: one input taking compressed samples, one output, the
// codec's parser splitting the input into frames and the decoder turning them into pictures or
// sound. Decoding runs on the upstream streaming thread; flushing and stopping reset the codec.
#pragma once

#include "platform/dshow/filter.h"
#include "platform/filters/playback_codecs.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/log.h>
}

namespace filters {

class AvDecoder;

class AvDecoderInput final : public dshow::InputPin {
public:
    explicit AvDecoderInput(AvDecoder* f);
    HRESULT GetMediaType(int, dshow::MediaType*) override { return VFW_S_NO_MORE_ITEMS; }
    HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override;
    STDMETHODIMP Receive(IMediaSample* sample) override;
    STDMETHODIMP EndOfStream() override;
    STDMETHODIMP BeginFlush() override;
    STDMETHODIMP EndFlush() override;
    STDMETHODIMP NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

private:
    AvDecoder* m_owner;
};

class AvDecoderOutput final : public dshow::OutputPin, public SeekingPassThrough {
public:
    explicit AvDecoderOutput(AvDecoder* f);
    DSHOW_FORWARD_IUNKNOWN(OutputPin)
    HRESULT GetMediaType(int pos, dshow::MediaType* mt) override;
    HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override;
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* request) override;
    // The type a downstream filter attached to a buffer it handed out (a dynamic change).
    void AdoptType(const AM_MEDIA_TYPE& mt) { m_mt = mt; }

protected:
    HRESULT QueryOtherInterface(REFIID iid, void** out) override;
    IPin* UpstreamPin() override;

private:
    AvDecoder* m_owner;
};

class AvDecoder : public dshow::BaseFilter {
public:
    AvDecoder(REFCLSID clsid, const wchar_t* name);
    ~AvDecoder() override;

    AvDecoderInput* Input() const { return m_input; }
    AvDecoderOutput* Output() const { return m_output; }

    // What the derived decoder accepts and offers.
    virtual HRESULT CheckInputType(const AM_MEDIA_TYPE* mt) = 0;
    // The output type for the connected input (false while it is unconnected).
    virtual bool OutputType(dshow::MediaType* mt) = 0;
    virtual HRESULT CheckOutputType(const AM_MEDIA_TYPE* mt) = 0;
    // Buffer count and bytes per output sample.
    virtual void OutputBuffers(long* count, long* bytes) = 0;

    HRESULT ReceiveSample(IMediaSample* sample);
    HRESULT EndOfStreamReached();
    void BeginFlushing();
    void EndFlushing();

protected:
    // The codec the connected input needs.
    virtual AVCodecID CodecId() = 0;
    // Settings of the codec context before it opens.
    virtual void Configure(AVCodecContext*) {}
    // One decoded frame: delivered (or dropped) by the derived decoder.
    virtual HRESULT OnFrame(AVFrame* frame) = 0;
    // The codec was reset (start, flush): times start again from the next sample.
    virtual void OnReset() {}

    HRESULT OnPause() override;
    HRESULT OnStop() override;

    AVCodecContext* Context() const { return m_ctx; }

private:
    bool Open();
    void Close();
    HRESULT Feed(const uint8_t* data, int size, int64_t pts);
    HRESULT SendAndReceive(AVPacket* packet);

    AvDecoderInput* m_input;
    AvDecoderOutput* m_output;
    dshow::CritSec m_receiveLock;
    AVCodecContext* m_ctx = nullptr;
    AVCodecParserContext* m_parser = nullptr;
    AVPacket* m_packet = nullptr;
    AVFrame* m_frame = nullptr;
};

} // namespace filters
