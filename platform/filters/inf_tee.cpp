// Stand-in for the stock Infinite Pin Tee: one input, a new output each time the last free one
// is connected, and every sample handed uncopied to every connected output.
#include "platform/filters/filters.h"

#include "platform/filters/pass_through.h"

#include <uuids.h>

#include <new>

namespace filters {

namespace {

class InfTee final : public PassThroughFilter {
public:
    InfTee() : PassThroughFilter(CLSID_InfTee, L"Infinite Pin Tee Filter", true) {}
    HRESULT CheckInputType(const AM_MEDIA_TYPE* mt) override {
        // Whatever the upstream pin offers, audio or video, as long as it is a complete type.
        return mt->majortype != GUID_NULL ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
};

} // namespace

HRESULT CreateInfTee(IUnknown** out) {
    auto* f = new (std::nothrow) InfTee();
    if (!f)
        return E_OUTOFMEMORY;
    *out = static_cast<IBaseFilter*>(f);
    return S_OK;
}

} // namespace filters
