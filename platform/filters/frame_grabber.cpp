// The frame grabber: passes video through unchanged and keeps a copy of the last frame, which
// its private interface copies into a caller's buffer.
#include "platform/filters/filters.h"

#include "platform/include/outside_filters.h"
#include "platform/filters/pass_through.h"
#include "platform/filters/video_format.h"

#include <new>

namespace filters {

namespace {

class FrameGrabber final : public PassThroughFilter, public IFrameGrabber {
public:
    FrameGrabber() : PassThroughFilter(tunaro::kClsidFrameGrabber, L"Frame Grabber", false) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        return BaseFilter::QueryInterface(iid, out);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return BaseFilter::AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return BaseFilter::Release(); }

    HRESULT CheckInputType(const AM_MEDIA_TYPE* mt) override {
        // Any uncompressed-or-not video with a fixed frame layout passes; the copy is of bytes.
        return mt->majortype == MEDIATYPE_Video ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    void OnSample(IMediaSample* sample) override { m_last.Keep(sample, Input()->CurrentMediaType()); }

    STDMETHODIMP GetCurrentFrame(BYTE* buffer, LONG length) override {
        if (!buffer)
            return E_POINTER;
        if (length < 0)
            return E_INVALIDARG;
        if (!Input()->IsConnected())
            return VFW_E_NOT_CONNECTED;
        return m_last.CopyTo(buffer, length) < 0 ? E_FAIL : S_OK;
    }

protected:
    HRESULT QueryOtherInterface(REFIID iid, void** out) override {
        if (iid == __uuidof(IFrameGrabber)) {
            *out = static_cast<IFrameGrabber*>(this);
            AddRef();
            return S_OK;
        }
        return PassThroughFilter::QueryOtherInterface(iid, out);
    }

private:
    FrameStore m_last;
};

} // namespace

HRESULT CreateFrameGrabber(IUnknown** out) {
    auto* f = new (std::nothrow) FrameGrabber();
    if (!f)
        return E_OUTOFMEMORY;
    *out = static_cast<IBaseFilter*>(f);
    return S_OK;
}

} // namespace filters
