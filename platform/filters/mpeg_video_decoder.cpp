// The MPEG video decoder (CLSID_CMpegVideoCodec): MPEG-1 or MPEG-2 video elementary stream in,
// as the splitter delivers it, RGB32 pictures out, the format the Video Renderer takes. Frames
// come out in display order with the time stamps of their pictures; those that end before the
// segment's start (decoded from the group of pictures a seek starts at) are not delivered.
#include "platform/filters/av_decoder.h"
#include "platform/filters/picture.h"

#include <dvdmedia.h>
#include <uuids.h>

#include <algorithm>
#include <new>

using dshow::MediaType;

namespace filters {

namespace {

// Picture size and rate from either MPEG video format block.
bool InputPicture(const AM_MEDIA_TYPE* mt, LONG* width, LONG* height, REFERENCE_TIME* frame) {
    const BITMAPINFOHEADER* bmi = nullptr;
    REFERENCE_TIME avg = 0;
    if ((mt->formattype == FORMAT_MPEGVideo || mt->formattype == FORMAT_VideoInfo) &&
        mt->cbFormat >= sizeof(VIDEOINFOHEADER)) {
        const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(mt->pbFormat);
        bmi = &vih->bmiHeader;
        avg = vih->AvgTimePerFrame;
    } else if ((mt->formattype == FORMAT_MPEG2Video || mt->formattype == FORMAT_VideoInfo2) &&
               mt->cbFormat >= sizeof(VIDEOINFOHEADER2)) {
        const auto* vih = reinterpret_cast<const VIDEOINFOHEADER2*>(mt->pbFormat);
        bmi = &vih->bmiHeader;
        avg = vih->AvgTimePerFrame;
    }
    if (!bmi || bmi->biWidth <= 0 || bmi->biHeight == 0 || bmi->biWidth > 4096 || bmi->biHeight > 4096 ||
        bmi->biHeight < -4096)
        return false;
    *width = bmi->biWidth;
    *height = bmi->biHeight < 0 ? -bmi->biHeight : bmi->biHeight;
    *frame = avg > 0 ? avg : 400000;
    return true;
}

class MpegVideoDecoder final : public AvDecoder {
public:
    MpegVideoDecoder() : AvDecoder(CLSID_CMpegVideoCodec, L"MPEG Video Decoder") {}

    HRESULT CheckInputType(const AM_MEDIA_TYPE* mt) override {
        LONG w = 0, h = 0;
        REFERENCE_TIME f = 0;
        if (mt->majortype != MEDIATYPE_Video ||
            (mt->subtype != MEDIASUBTYPE_MPEG1Payload && mt->subtype != MEDIASUBTYPE_MPEG1Packet &&
             mt->subtype != MEDIASUBTYPE_MPEG2_VIDEO) ||
            !mt->pbFormat || !InputPicture(mt, &w, &h, &f))
            return VFW_E_TYPE_NOT_ACCEPTED;
        return S_OK;
    }

    bool OutputType(MediaType* mt) override {
        if (!Input()->IsConnected())
            return false;
        LONG w = 0, h = 0;
        REFERENCE_TIME frame = 0;
        if (!InputPicture(&Input()->CurrentMediaType(), &w, &h, &frame))
            return false;
        MediaType t;
        t.majortype = MEDIATYPE_Video;
        t.subtype = MEDIASUBTYPE_RGB32;
        t.formattype = FORMAT_VideoInfo;
        t.bFixedSizeSamples = TRUE;
        t.bTemporalCompression = FALSE;
        auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(t.AllocFormat(sizeof(VIDEOINFOHEADER)));
        vih->AvgTimePerFrame = frame;
        vih->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        vih->bmiHeader.biWidth = w;
        vih->bmiHeader.biHeight = h; // bottom-up
        vih->bmiHeader.biPlanes = 1;
        vih->bmiHeader.biBitCount = 32;
        vih->bmiHeader.biCompression = BI_RGB;
        vih->bmiHeader.biSizeImage = static_cast<DWORD>(picture::DibStride(w, 32) * h);
        t.lSampleSize = vih->bmiHeader.biSizeImage;
        *mt = t;
        return true;
    }

    HRESULT CheckOutputType(const AM_MEDIA_TYPE* mt) override {
        MediaType ours;
        if (!OutputType(&ours))
            return VFW_E_NOT_CONNECTED;
        if (mt->majortype != MEDIATYPE_Video || mt->subtype != MEDIASUBTYPE_RGB32 ||
            mt->formattype != FORMAT_VideoInfo || mt->cbFormat < sizeof(VIDEOINFOHEADER) || !mt->pbFormat)
            return VFW_E_TYPE_NOT_ACCEPTED;
        const auto& want = ours.VideoInfo()->bmiHeader;
        const auto& got = reinterpret_cast<const VIDEOINFOHEADER*>(mt->pbFormat)->bmiHeader;
        // A renderer may ask for a wider stride or top-down rows, never another picture size.
        const LONG height = got.biHeight < 0 ? -got.biHeight : got.biHeight;
        return got.biBitCount == 32 && got.biWidth >= want.biWidth && height == want.biHeight
                   ? S_OK
                   : VFW_E_TYPE_NOT_ACCEPTED;
    }

    void OutputBuffers(long* count, long* bytes) override {
        MediaType ours;
        *count = 3;
        *bytes = OutputType(&ours) ? static_cast<long>(ours.lSampleSize) : 0;
    }

protected:
    AVCodecID CodecId() override {
        return Input()->CurrentMediaType().subtype == MEDIASUBTYPE_MPEG2_VIDEO ? AV_CODEC_ID_MPEG2VIDEO
                                                                               : AV_CODEC_ID_MPEG1VIDEO;
    }

    void OnReset() override { m_next = -1; }

    HRESULT OnFrame(AVFrame* frame) override {
        LONG w = 0, h = 0;
        REFERENCE_TIME period = 0;
        InputPicture(&Input()->CurrentMediaType(), &w, &h, &period);
        const REFERENCE_TIME duration = period + period * frame->repeat_pict / 2;
        // A picture without a time stamp follows the one before; before any time stamp since the
        // start or a seek (a picture of the group before, decoded without its references), it
        // has no place and is left out.
        if (frame->best_effort_timestamp == AV_NOPTS_VALUE && m_next < 0)
            return S_OK;
        REFERENCE_TIME start =
            frame->best_effort_timestamp != AV_NOPTS_VALUE ? frame->best_effort_timestamp : m_next;
        m_next = start + duration;
        if (start + duration <= 0)
            return S_OK; // before the segment: decoded only as a reference
        if (frame->format != AV_PIX_FMT_YUV420P && frame->format != AV_PIX_FMT_YUVJ420P) {
            NotifyEvent(EC_ERRORABORT, VFW_E_UNSUPPORTED_VIDEO, 0);
            return VFW_E_UNSUPPORTED_VIDEO; // 4:2:2 and 4:4:4 pictures are not converted here
        }
        dshow::ComPtr<IMediaSample> out;
        HRESULT hr = Output()->GetDeliveryBuffer(out.Put(), nullptr, nullptr, 0);
        if (FAILED(hr))
            return hr;
        AM_MEDIA_TYPE* changed = nullptr;
        if (out->GetMediaType(&changed) == S_OK && changed) {
            // The renderer moved to another stride or row order.
            Output()->AdoptType(*changed);
            dshow::DeleteMediaType(changed);
        }
        const BITMAPINFOHEADER& bmi = Output()->CurrentMediaType().VideoInfo()->bmiHeader;
        const int stride = picture::DibStride(bmi.biWidth, 32);
        const int rows = h;
        BYTE* dst = nullptr;
        out->GetPointer(&dst);
        if (out->GetSize() < stride * rows)
            return E_FAIL;
        const int width = std::min<int>(w, frame->width), height = std::min<int>(rows, frame->height);
        if (bmi.biHeight < 0) // top-down: the bottom-up writer walks the rows backwards
            picture::Yuv420ToRgb32(frame->data[0], frame->linesize[0], frame->data[1], frame->data[2],
                                   frame->linesize[1], width, height, dst + (height - 1) * stride, -stride);
        else
            picture::Yuv420ToRgb32(frame->data[0], frame->linesize[0], frame->data[1], frame->data[2],
                                   frame->linesize[1], width, height, dst + (rows - height) * stride, stride);
        out->SetActualDataLength(stride * rows);
        REFERENCE_TIME stop = start + duration;
        out->SetTime(&start, &stop);
        out->SetSyncPoint(TRUE);
        return Output()->Deliver(out.Get());
    }

private:
    REFERENCE_TIME m_next = -1;
};

} // namespace

HRESULT CreateMpegVideoDecoder(IUnknown** out) {
    auto* f = new (std::nothrow) MpegVideoDecoder();
    if (!f)
        return E_OUTOFMEMORY;
    *out = static_cast<IBaseFilter*>(f);
    return S_OK;
}

} // namespace filters
