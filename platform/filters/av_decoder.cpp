// The libavcodec decoder base: pins, the parser and decoder loop, flushing and draining.
#include "platform/filters/av_decoder.h"

using dshow::AutoLock;
using dshow::ComPtr;
using dshow::MediaType;

namespace filters {

// ---- pins -------------------------------------------------------------------------------------

AvDecoderInput::AvDecoderInput(AvDecoder* f) : InputPin(f, L"Input"), m_owner(f) {}

HRESULT AvDecoderInput::CheckMediaType(const AM_MEDIA_TYPE* mt) {
    return mt ? m_owner->CheckInputType(mt) : E_POINTER;
}

STDMETHODIMP AvDecoderInput::Receive(IMediaSample* sample) {
    if (!sample)
        return E_POINTER;
    return m_owner->ReceiveSample(sample);
}

STDMETHODIMP AvDecoderInput::EndOfStream() {
    return m_owner->EndOfStreamReached();
}

STDMETHODIMP AvDecoderInput::BeginFlush() {
    InputPin::BeginFlush();
    m_owner->BeginFlushing();
    return S_OK;
}

STDMETHODIMP AvDecoderInput::EndFlush() {
    m_owner->EndFlushing();
    InputPin::EndFlush();
    return m_owner->Output()->IsConnected() ? m_owner->Output()->DeliverEndFlush() : S_OK;
}

STDMETHODIMP AvDecoderInput::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    return m_owner->Output()->IsConnected() ? m_owner->Output()->DeliverNewSegment(start, stop, rate) : S_OK;
}

AvDecoderOutput::AvDecoderOutput(AvDecoder* f) : OutputPin(f, L"Output"), m_owner(f) {}

HRESULT AvDecoderOutput::GetMediaType(int pos, MediaType* mt) {
    if (pos != 0 || !m_owner->OutputType(mt))
        return VFW_S_NO_MORE_ITEMS;
    return S_OK;
}

HRESULT AvDecoderOutput::CheckMediaType(const AM_MEDIA_TYPE* mt) {
    if (!m_owner->Input()->IsConnected())
        return VFW_E_NOT_CONNECTED;
    return mt ? m_owner->CheckOutputType(mt) : E_POINTER;
}

HRESULT AvDecoderOutput::DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* request) {
    long count = 1, bytes = 0;
    m_owner->OutputBuffers(&count, &bytes);
    ALLOCATOR_PROPERTIES want = *request, got{};
    if (want.cBuffers < count)
        want.cBuffers = count;
    if (want.cbBuffer < bytes)
        want.cbBuffer = bytes;
    if (want.cbAlign < 1)
        want.cbAlign = 1;
    HRESULT hr = alloc->SetProperties(&want, &got);
    return FAILED(hr) ? hr : (got.cbBuffer >= bytes ? S_OK : E_FAIL);
}

HRESULT AvDecoderOutput::QueryOtherInterface(REFIID iid, void** out) {
    if (iid == IID_IMediaSeeking) {
        *out = static_cast<IMediaSeeking*>(this);
        AddRef();
        return S_OK;
    }
    return OutputPin::QueryOtherInterface(iid, out);
}

IPin* AvDecoderOutput::UpstreamPin() {
    return m_owner->Input()->ConnectedPin();
}

// ---- filter -----------------------------------------------------------------------------------

AvDecoder::AvDecoder(REFCLSID clsid, const wchar_t* name) : BaseFilter(clsid, name) {
    m_input = new AvDecoderInput(this);
    m_output = new AvDecoderOutput(this);
    AddPin(m_input);
    AddPin(m_output);
}

AvDecoder::~AvDecoder() {
    Close();
}

bool AvDecoder::Open() {
    Close();
    const AVCodec* codec = avcodec_find_decoder(CodecId());
    if (!codec)
        return false;
    m_ctx = avcodec_alloc_context3(codec);
    m_parser = av_parser_init(codec->id);
    m_packet = av_packet_alloc();
    m_frame = av_frame_alloc();
    if (!m_ctx || !m_parser || !m_packet || !m_frame) {
        Close();
        return false;
    }
    // Damage in a stream is concealed or skipped; the library's own report goes nowhere.
    av_log_set_level(AV_LOG_QUIET);
    m_ctx->pkt_timebase = AVRational{1, 10000000};
    m_ctx->thread_count = 1;
    Configure(m_ctx);
    if (avcodec_open2(m_ctx, codec, nullptr) < 0) {
        Close();
        return false;
    }
    OnReset();
    return true;
}

void AvDecoder::Close() {
    if (m_parser)
        av_parser_close(m_parser);
    m_parser = nullptr;
    avcodec_free_context(&m_ctx);
    av_packet_free(&m_packet);
    av_frame_free(&m_frame);
}

HRESULT AvDecoder::OnPause() {
    if (State() != State_Stopped)
        return S_OK;
    AutoLock lock(m_receiveLock);
    if (!m_input->IsConnected())
        return S_OK;
    if (!m_output->IsConnected())
        return VFW_E_NOT_CONNECTED;
    return Open() ? S_OK : E_FAIL;
}

HRESULT AvDecoder::OnStop() {
    // Wakes a Receive waiting for an output buffer, then waits until it has left.
    if (m_output->Allocator())
        m_output->Allocator()->Decommit();
    m_input->Inactive();
    AutoLock lock(m_receiveLock);
    Close();
    return S_OK;
}

HRESULT AvDecoder::SendAndReceive(AVPacket* packet) {
    int err = avcodec_send_packet(m_ctx, packet);
    if (err < 0 && err != AVERROR(EAGAIN) && err != AVERROR_EOF)
        return S_OK; // damaged data: the decoder resumes with the next frame
    for (;;) {
        err = avcodec_receive_frame(m_ctx, m_frame);
        if (err < 0)
            return S_OK;
        const HRESULT hr = OnFrame(m_frame);
        av_frame_unref(m_frame);
        if (hr != S_OK)
            return hr;
    }
}

HRESULT AvDecoder::Feed(const uint8_t* data, int size, int64_t pts) {
    // The time stamp belongs to the first frame that starts in this sample.
    const bool flush = size == 0;
    while (size > 0 || flush) {
        uint8_t* frame = nullptr;
        int frameSize = 0;
        const int used =
            av_parser_parse2(m_parser, m_ctx, &frame, &frameSize, data, size, pts, AV_NOPTS_VALUE, 0);
        pts = AV_NOPTS_VALUE;
        if (used < 0)
            return S_OK;
        data += used;
        size -= used;
        if (frameSize > 0) {
            m_packet->data = frame;
            m_packet->size = frameSize;
            m_packet->pts = m_parser->pts;
            m_packet->dts = AV_NOPTS_VALUE;
            const HRESULT hr = SendAndReceive(m_packet);
            if (hr != S_OK)
                return hr;
        }
        if (flush && frameSize == 0)
            break;
        if (used == 0 && frameSize == 0)
            break;
    }
    return S_OK;
}

HRESULT AvDecoder::ReceiveSample(IMediaSample* sample) {
    AutoLock lock(m_receiveLock);
    HRESULT hr = m_input->CheckStreaming();
    if (hr != S_OK)
        return hr;
    if (!m_ctx || !m_output->IsConnected())
        return S_OK;
    BYTE* data = nullptr;
    if (FAILED(sample->GetPointer(&data)))
        return E_FAIL;
    const long len = sample->GetActualDataLength();
    REFERENCE_TIME start = 0, stop = 0;
    const HRESULT timed = sample->GetTime(&start, &stop);
    if (len <= 0)
        return S_OK;
    hr = Feed(data, static_cast<int>(len), SUCCEEDED(timed) ? start : AV_NOPTS_VALUE);
    if (FAILED(hr) && hr != VFW_E_WRONG_STATE && hr != VFW_E_NOT_COMMITTED)
        NotifyEvent(EC_ERRORABORT, hr, 0);
    return hr;
}

HRESULT AvDecoder::EndOfStreamReached() {
    AutoLock lock(m_receiveLock);
    if (m_input->CheckStreaming() != S_OK)
        return S_OK;
    if (m_ctx) {
        // What the parser holds, then what the decoder holds back for reordering.
        Feed(nullptr, 0, AV_NOPTS_VALUE);
        SendAndReceive(nullptr);
        avcodec_flush_buffers(m_ctx);
    }
    return m_output->IsConnected() ? m_output->DeliverEndOfStream() : S_OK;
}

void AvDecoder::BeginFlushing() {
    if (m_output->IsConnected())
        m_output->DeliverBeginFlush();
}

void AvDecoder::EndFlushing() {
    AutoLock lock(m_receiveLock); // a Receive in progress has finished
    if (m_ctx) {
        // The parser holds part of the flushed stream: a fresh one.
        Open();
    }
}

} // namespace filters
