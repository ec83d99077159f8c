// "HT Deinterlacer Filter": a motion-adaptive deinterlacer on YUY2 (the first field kept, the
// second woven in where the picture stands still and interpolated where it moves).
#include "platform/filters/filters.h"

#include "platform/dshow/transform.h"
#include "platform/include/outside_filters.h"
#include "platform/filters/picture.h"
#include "platform/filters/video_format.h"

#include <cstring>
#include <new>
#include <vector>

namespace filters {

namespace {

class Deinterlacer final : public dshow::TransformFilter {
public:
    Deinterlacer() : TransformFilter(tunaro::kClsidDeinterlacer, tunaro::kNameDeinterlacer) {}

    HRESULT CheckInputType(const AM_MEDIA_TYPE* mt) override {
        return IsVideoOf(*mt, {Layout::Yuy2, Layout::Uyvy}) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
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
        // A break in the stream makes the previous frame no reference for motion.
        if (in->IsDiscontinuity() == S_OK || m_prev.size() != static_cast<size_t>(f.imageSize))
            m_prev.clear();
        picture::Deinterlace(src, m_prev.empty() ? nullptr : m_prev.data(), f.stride, f.width * 2, f.height,
                             dst, f.stride);
        m_prev.assign(src, src + f.imageSize);
        return out->SetActualDataLength(f.imageSize);
    }

protected:
    HRESULT OnStop() override {
        HRESULT hr = TransformFilter::OnStop(); // no Receive in progress after this
        m_prev.clear();
        return hr;
    }

private:
    std::vector<uint8_t> m_prev; // the previous input frame (streaming thread only)
};

} // namespace

HRESULT CreateDeinterlacer(IUnknown** out) {
    auto* f = new (std::nothrow) Deinterlacer();
    if (!f)
        return E_OUTOFMEMORY;
    *out = static_cast<IBaseFilter*>(f);
    return S_OK;
}

} // namespace filters
