// "Vazuvoduz Video Invert Filter": turns the picture upside down (the UTV card delivers it that
// way), one row-reversing copy per frame, for 4:2:2 and RGB pictures.
#include "platform/filters/filters.h"

#include "platform/dshow/transform.h"
#include "platform/include/outside_filters.h"
#include "platform/filters/picture.h"
#include "platform/filters/video_format.h"

#include <new>

namespace filters {

namespace {

class VideoInvert final : public dshow::TransformFilter {
public:
    VideoInvert() : TransformFilter(tunaro::kClsidVideoInvert, tunaro::kNameVideoInvert) {}

    HRESULT CheckInputType(const AM_MEDIA_TYPE* mt) override {
        return IsVideoOf(*mt, {Layout::Yuy2, Layout::Uyvy, Layout::Rgb24, Layout::Rgb32})
                   ? S_OK
                   : VFW_E_TYPE_NOT_ACCEPTED;
    }

    HRESULT Transform(IMediaSample* in, IMediaSample* out) override {
        VideoFormat f;
        if (!DescribeVideo(Input()->CurrentMediaType(), &f))
            return E_UNEXPECTED;
        BYTE* src = nullptr;
        BYTE* dst = nullptr;
        if (FAILED(in->GetPointer(&src)) || FAILED(out->GetPointer(&dst)))
            return E_FAIL;
        if (in->GetActualDataLength() < f.imageSize || out->GetSize() < f.imageSize)
            return E_FAIL;
        picture::FlipRows(src, f.stride, dst, f.stride, f.stride, f.height);
        return out->SetActualDataLength(f.imageSize);
    }
};

} // namespace

HRESULT CreateVideoInvert(IUnknown** out) {
    auto* f = new (std::nothrow) VideoInvert();
    if (!f)
        return E_OUTOFMEMORY;
    *out = static_cast<IBaseFilter*>(f);
    return S_OK;
}

} // namespace filters
