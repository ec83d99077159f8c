// "DownSize Filter": halves a YUY2 picture in width and height (2 x 2 averaging) for the
// preview branch of MPEG recordings.
#include "platform/filters/filters.h"

#include "platform/dshow/transform.h"
#include "platform/include/outside_filters.h"
#include "platform/filters/picture.h"
#include "platform/filters/video_format.h"

#include <new>

namespace filters {

namespace {

class DownSize final : public dshow::TransformFilter {
public:
    DownSize() : TransformFilter(tunaro::kClsidDownSize, tunaro::kNameDownSize) {}

    HRESULT CheckInputType(const AM_MEDIA_TYPE* mt) override {
        VideoFormat f;
        if (!DescribeVideo(*mt, &f) || f.layout != Layout::Yuy2)
            return VFW_E_TYPE_NOT_ACCEPTED;
        return picture::HalfWidth(f.width) >= 2 && picture::HalfHeight(f.height) >= 1
                   ? S_OK
                   : VFW_E_TYPE_NOT_ACCEPTED;
    }

    HRESULT GetOutputType(int pos, dshow::MediaType* mt) override {
        VideoFormat f;
        if (pos != 0 || !DescribeVideo(Input()->CurrentMediaType(), &f))
            return VFW_S_NO_MORE_ITEMS;
        *mt = MakeVideoType(Layout::Yuy2, picture::HalfWidth(f.width), picture::HalfHeight(f.height),
                            f.avgTimePerFrame);
        return mt->IsValid() ? S_OK : E_OUTOFMEMORY;
    }

    HRESULT CheckTransform(const AM_MEDIA_TYPE* in, const AM_MEDIA_TYPE* out) override {
        VideoFormat fi, fo;
        if (!DescribeVideo(*in, &fi) || !DescribeVideo(*out, &fo) || fo.layout != Layout::Yuy2)
            return VFW_E_TYPE_NOT_ACCEPTED;
        return fo.width == picture::HalfWidth(fi.width) && fo.height == picture::HalfHeight(fi.height)
                   ? S_OK
                   : VFW_E_TYPE_NOT_ACCEPTED;
    }

    HRESULT Transform(IMediaSample* in, IMediaSample* out) override {
        VideoFormat fi, fo;
        if (!DescribeVideo(Input()->CurrentMediaType(), &fi) ||
            !DescribeVideo(Output()->CurrentMediaType(), &fo))
            return E_UNEXPECTED;
        BYTE* src = nullptr;
        BYTE* dst = nullptr;
        if (FAILED(in->GetPointer(&src)) || FAILED(out->GetPointer(&dst)))
            return E_FAIL;
        if (in->GetActualDataLength() < fi.imageSize || out->GetSize() < fo.imageSize)
            return E_FAIL;
        picture::HalveYuy2(src, fi.stride, fi.width, fi.height, dst, fo.stride);
        return out->SetActualDataLength(fo.imageSize);
    }
};

} // namespace

HRESULT CreateDownSize(IUnknown** out) {
    auto* f = new (std::nothrow) DownSize();
    if (!f)
        return E_OUTOFMEMORY;
    *out = static_cast<IBaseFilter*>(f);
    return S_OK;
}

} // namespace filters
