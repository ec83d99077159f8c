// The MPEG-4 V3 video compressor (video compressor category): YUY2 pictures in, MP43 frames out
// (libavcodec's MS-MPEG-4 V3 encoder), one compressed frame per picture with key frames marked,
// for the AVI Mux. The bit rate follows the picture size and rate (about 1 Mbit/s at 352 x 288
// and 25 frames a second); a key frame comes every two seconds.
#include "platform/filters/stock_codecs.h"

#include "platform/dshow/transform.h"
#include "platform/encoders/yuy2_planar.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

#include <uuids.h>

#include <new>

using dshow::MediaType;

namespace filters {

namespace {

constexpr DWORD kFourCc = MAKEFOURCC('M', 'P', '4', '3');
const GUID kSubtypeMp43 = {kFourCc, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

class Mpeg4Compressor final : public dshow::TransformFilter {
public:
    Mpeg4Compressor() : TransformFilter(kClsidMpeg4Compressor, L"Microsoft MPEG-4 Video Codec V3") {}
    ~Mpeg4Compressor() override { Close(); }

    HRESULT CheckInputType(const AM_MEDIA_TYPE* mt) override {
        if (!mt || mt->majortype != MEDIATYPE_Video || mt->subtype != MEDIASUBTYPE_YUY2 ||
            mt->formattype != FORMAT_VideoInfo || !mt->pbFormat || mt->cbFormat < sizeof(VIDEOINFOHEADER))
            return VFW_E_TYPE_NOT_ACCEPTED;
        const BITMAPINFOHEADER& bih = reinterpret_cast<const VIDEOINFOHEADER*>(mt->pbFormat)->bmiHeader;
        const LONG height = bih.biHeight < 0 ? -bih.biHeight : bih.biHeight;
        // The encoder works on 4:2:0 macroblocks: even sizes, within what MPEG-4 frames describe.
        if (bih.biWidth < 16 || height < 16 || bih.biWidth % 2 || height % 2 || bih.biWidth > 4096 ||
            height > 4096)
            return VFW_E_TYPE_NOT_ACCEPTED;
        return S_OK;
    }
    HRESULT GetOutputType(int pos, MediaType* mt) override {
        if (pos != 0)
            return VFW_S_NO_MORE_ITEMS;
        const VIDEOINFOHEADER* in = Input()->CurrentMediaType().VideoInfo();
        MediaType t;
        t.majortype = MEDIATYPE_Video;
        t.subtype = kSubtypeMp43;
        t.formattype = FORMAT_VideoInfo;
        t.bFixedSizeSamples = FALSE;
        t.bTemporalCompression = TRUE;
        t.lSampleSize = 0;
        auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(t.AllocFormat(sizeof(VIDEOINFOHEADER)));
        vih->AvgTimePerFrame = FrameTime(in);
        vih->dwBitRate = BitRate(in);
        vih->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        vih->bmiHeader.biWidth = in->bmiHeader.biWidth;
        vih->bmiHeader.biHeight =
            in->bmiHeader.biHeight < 0 ? -in->bmiHeader.biHeight : in->bmiHeader.biHeight;
        vih->bmiHeader.biPlanes = 1;
        vih->bmiHeader.biBitCount = 24;
        vih->bmiHeader.biCompression = kFourCc;
        // The most a frame can take (for the buffers); frames are much smaller.
        vih->bmiHeader.biSizeImage = static_cast<DWORD>(vih->bmiHeader.biWidth * vih->bmiHeader.biHeight * 3);
        *mt = t;
        return S_OK;
    }
    HRESULT CheckTransform(const AM_MEDIA_TYPE*, const AM_MEDIA_TYPE* out) override {
        MediaType ours;
        if (GetOutputType(0, &ours) != S_OK || !out || out->subtype != kSubtypeMp43 ||
            out->formattype != FORMAT_VideoInfo || out->cbFormat < sizeof(VIDEOINFOHEADER))
            return VFW_E_TYPE_NOT_ACCEPTED;
        const BITMAPINFOHEADER& a = ours.VideoInfo()->bmiHeader;
        const BITMAPINFOHEADER& b = reinterpret_cast<const VIDEOINFOHEADER*>(out->pbFormat)->bmiHeader;
        return a.biWidth == b.biWidth && a.biHeight == b.biHeight && b.biCompression == kFourCc
                   ? S_OK
                   : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT Transform(IMediaSample* in, IMediaSample* out) override;

protected:
    HRESULT OnPause() override {
        if (State() != State_Stopped)
            return S_OK;
        dshow::AutoLock lock(ReceiveLock());
        if (!Input()->IsConnected())
            return S_OK;
        if (!Output()->IsConnected())
            return VFW_E_NOT_CONNECTED;
        return Open() ? S_OK : E_FAIL;
    }
    HRESULT OnStop() override {
        HRESULT hr = TransformFilter::OnStop();
        dshow::AutoLock lock(ReceiveLock());
        Close();
        return hr;
    }

private:
    static REFERENCE_TIME FrameTime(const VIDEOINFOHEADER* vih) {
        return vih->AvgTimePerFrame > 0 ? vih->AvgTimePerFrame : 400000;
    }
    static DWORD BitRate(const VIDEOINFOHEADER* vih) {
        const double fps = 1e7 / static_cast<double>(FrameTime(vih));
        const LONG height = vih->bmiHeader.biHeight < 0 ? -vih->bmiHeader.biHeight : vih->bmiHeader.biHeight;
        const double bits = static_cast<double>(vih->bmiHeader.biWidth) * height * fps * 0.4;
        return static_cast<DWORD>(bits < 200000 ? 200000 : bits > 8000000 ? 8000000 : bits);
    }
    bool Open();
    void Close() {
        avcodec_free_context(&m_context);
        av_frame_free(&m_frame);
        av_packet_free(&m_packet);
    }

    AVCodecContext* m_context = nullptr;
    AVFrame* m_frame = nullptr;
    AVPacket* m_packet = nullptr;
    int64_t m_next = 0;
};

bool Mpeg4Compressor::Open() {
    Close();
    const VIDEOINFOHEADER* in = Input()->CurrentMediaType().VideoInfo();
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MSMPEG4V3);
    if (!in || !codec)
        return false;
    m_context = avcodec_alloc_context3(codec);
    m_frame = av_frame_alloc();
    m_packet = av_packet_alloc();
    if (!m_context || !m_frame || !m_packet) {
        Close();
        return false;
    }
    const LONG height = in->bmiHeader.biHeight < 0 ? -in->bmiHeader.biHeight : in->bmiHeader.biHeight;
    // The frame rate as a fraction of 100-ns units, reduced by av_reduce inside the encoder.
    const REFERENCE_TIME frame = FrameTime(in);
    m_context->width = in->bmiHeader.biWidth;
    m_context->height = height;
    m_context->pix_fmt = AV_PIX_FMT_YUV420P;
    m_context->time_base = AVRational{static_cast<int>(frame), 10000000};
    m_context->framerate = AVRational{10000000, static_cast<int>(frame)};
    m_context->bit_rate = BitRate(in);
    m_context->gop_size = static_cast<int>(2 * 10000000 / frame);
    m_context->max_b_frames = 0;
    m_context->thread_count = 1;
    if (avcodec_open2(m_context, codec, nullptr) < 0) {
        Close();
        return false;
    }
    m_frame->format = AV_PIX_FMT_YUV420P;
    m_frame->width = m_context->width;
    m_frame->height = m_context->height;
    if (av_frame_get_buffer(m_frame, 32) < 0) {
        Close();
        return false;
    }
    m_next = 0;
    return true;
}

HRESULT Mpeg4Compressor::Transform(IMediaSample* in, IMediaSample* out) {
    if (!m_context)
        return VFW_E_WRONG_STATE;
    BYTE* src = nullptr;
    BYTE* dst = nullptr;
    if (FAILED(in->GetPointer(&src)) || FAILED(out->GetPointer(&dst)))
        return E_FAIL;
    const int w = m_context->width, h = m_context->height;
    const LONG stride = w * 2;
    if (in->GetActualDataLength() < stride * h)
        return S_FALSE; // a short buffer holds no whole picture
    if (av_frame_make_writable(m_frame) < 0)
        return E_FAIL;
    encoders::Yuy2ToI420(src, stride, w, h, m_frame->data[0], m_frame->linesize[0], m_frame->data[1],
                         m_frame->data[2], m_frame->linesize[1]);
    m_frame->pts = m_next++;
    if (avcodec_send_frame(m_context, m_frame) < 0)
        return E_FAIL;
    const int got = avcodec_receive_packet(m_context, m_packet);
    if (got == AVERROR(EAGAIN))
        return S_FALSE; // held by the encoder (not with this codec's settings)
    if (got < 0)
        return E_FAIL;
    HRESULT hr = S_OK;
    if (m_packet->size > out->GetSize()) {
        hr = E_FAIL;
    } else {
        memcpy(dst, m_packet->data, static_cast<size_t>(m_packet->size));
        out->SetActualDataLength(m_packet->size);
        out->SetSyncPoint((m_packet->flags & AV_PKT_FLAG_KEY) ? TRUE : FALSE);
    }
    av_packet_unref(m_packet);
    return hr;
}

} // namespace

HRESULT CreateMpeg4Compressor(IUnknown** out) {
    auto* f = new (std::nothrow) Mpeg4Compressor();
    if (!f)
        return E_OUTOFMEMORY;
    *out = static_cast<IBaseFilter*>(f);
    return S_OK;
}

} // namespace filters
