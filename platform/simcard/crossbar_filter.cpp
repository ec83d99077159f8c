// The card's crossbar filter: video and audio inputs in the family's pin order, related
// pins, and the routes of the video-decoder and audio-decoder outputs.
#include <new>

#include "platform/simcard/card.h"
#include "platform/dshow/filter.h"
#include "platform/simcard/filters.h"
#include "platform/simcard/guids.h"
#include "platform/simcard/stream_pins.h"

namespace simcard {

namespace {

const wchar_t* PinName(long type) {
    switch (type) {
    case kConnVideoTuner:
        return L"Video Tuner In";
    case kConnVideoComposite:
        return L"Video Composite In";
    case kConnVideoSVideo:
        return L"Video SVideo In";
    case kConnAudioTuner:
        return L"Audio Tuner In";
    case kConnAudioLine:
        return L"Audio Line In";
    default:
        return L"In";
    }
}

class CrossbarFilter final : public dshow::BaseFilter, public IAMCrossbar {
public:
    CrossbarFilter() : BaseFilter(kClsidCrossbar, Card::Get().Info().crossbar) {
        // Pins: the inputs in the family's order, then output 0 (video decoder) and 1 (audio).
        for (const CrossbarPin& p : Card::Get().Info().inputs)
            AddPin(new AnalogPin(this, PINDIR_INPUT, PinName(p.type), p.type < 4096));
        AddPin(new AnalogPin(this, PINDIR_OUTPUT, L"Video Decoder Out", true));
        AddPin(new AnalogPin(this, PINDIR_OUTPUT, L"Audio Decoder Out", false));
    }
    ~CrossbarFilter() override = default;

    DSHOW_FORWARD_IUNKNOWN(dshow::BaseFilter)

    STDMETHODIMP get_PinCounts(LONG* outputs, LONG* inputs) override {
        if (!outputs || !inputs)
            return E_POINTER;
        *outputs = 2;
        *inputs = static_cast<LONG>(Card::Get().Info().inputs.size());
        return S_OK;
    }
    STDMETHODIMP CanRoute(LONG output, LONG input) override {
        return Card::Get().CanRoute(output, input) ? S_OK : S_FALSE;
    }
    STDMETHODIMP Route(LONG output, LONG input) override { return Card::Get().Route(output, input); }
    STDMETHODIMP get_IsRoutedTo(LONG output, LONG* input) override {
        if (!input)
            return E_POINTER;
        if (output < 0 || output > 1)
            return E_INVALIDARG;
        *input = Card::Get().RoutedTo(output);
        return S_OK;
    }
    STDMETHODIMP get_CrossbarPinInfo(WINBOOL isInput, LONG index, LONG* related, LONG* type) override {
        if (!related || !type)
            return E_POINTER;
        const std::vector<CrossbarPin>& in = Card::Get().Info().inputs;
        if (isInput) {
            if (index < 0 || index >= static_cast<LONG>(in.size()))
                return E_INVALIDARG;
            *related = in[index].related;
            *type = in[index].type;
            return S_OK;
        }
        if (index < 0 || index > 1)
            return E_INVALIDARG;
        *related = index == 0 ? 1 : 0;
        *type = index == 0 ? kConnVideoDecoder : kConnAudioDecoder;
        return S_OK;
    }

protected:
    HRESULT QueryOtherInterface(REFIID iid, void** out) override {
        if (iid != IID_IAMCrossbar)
            return BaseFilter::QueryOtherInterface(iid, out);
        *out = static_cast<IAMCrossbar*>(this);
        AddRef();
        return S_OK;
    }
};

} // namespace

HRESULT CreateCrossbarFilter(IUnknown** out) {
    if (!Card::Get().Info().crossbar)
        return E_FAIL;
    auto* f = new (std::nothrow) CrossbarFilter();
    if (!f)
        return E_OUTOFMEMORY;
    *out = static_cast<IBaseFilter*>(f);
    return S_OK;
}

} // namespace simcard
