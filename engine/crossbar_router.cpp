// The crossbar router: routing list built from every (output, video input) pair the crossbar can
// route, and routing with the related audio pins.
#include "engine/crossbar_router.h"

#include "engine/video_rules.h"

namespace tunaro {

namespace {

// The index-th pin of the given direction.
ComPtr<IPin> PinOf(IBaseFilter* filter, PIN_DIRECTION direction, long index) {
    ComPtr<IPin> found;
    ComPtr<IEnumPins> pins;
    if (!filter || FAILED(filter->EnumPins(pins.Receive())))
        return found;
    ComPtr<IPin> pin;
    long seen = 0;
    while (pins->Next(1, pin.Receive(), nullptr) == S_OK) {
        PIN_DIRECTION d;
        if (SUCCEEDED(pin->QueryDirection(&d)) && d == direction) {
            if (seen++ == index) {
                found = pin;
                break;
            }
        }
    }
    return found;
}

} // namespace

CrossbarRouter::CrossbarRouter(IBaseFilter* crossbarFilter) : filter_(crossbarFilter) {
    if (crossbarFilter)
        crossbarFilter->QueryInterface(IID_IAMCrossbar, crossbar_.ReceiveVoid());
    Build();
}

CrossbarRouter::CrossbarRouter(IAMCrossbar* crossbar) : crossbar_(crossbar) {
    if (crossbar)
        crossbar->QueryInterface(IID_IBaseFilter, filter_.ReceiveVoid());
    Build();
}

void CrossbarRouter::Build() {
    entries_.clear();
    if (!crossbar_)
        return;
    long outputs = 0, inputs = 0;
    if (FAILED(crossbar_->get_PinCounts(&outputs, &inputs)))
        return;
    for (long out = 0; out < outputs; ++out) {
        long outRelated = -1, outType = 0;
        if (FAILED(crossbar_->get_CrossbarPinInfo(FALSE, out, &outRelated, &outType)))
            outRelated = -1;
        for (long in = 0; in < inputs; ++in) {
            long inRelated = -1, inType = 0;
            if (FAILED(crossbar_->get_CrossbarPinInfo(TRUE, in, &inRelated, &inType)))
                continue;
            if (inType >= kFirstAudioConnector)
                continue;
            if (crossbar_->CanRoute(out, in) != S_OK)
                continue;
            Entry e;
            e.outputPin = out;
            e.inputPin = in;
            e.relatedOutput = outRelated;
            e.relatedInput = inRelated;
            e.physicalType = inType;
            e.pin = PinOf(filter_.get(), PINDIR_INPUT, in);
            entries_.push_back(std::move(e));
        }
    }
}

HRESULT CrossbarRouter::Route(int index, bool withAudio) {
    if (!crossbar_)
        return E_POINTER;
    if (index < 0 || index >= Count())
        return E_FAIL;
    const Entry& e = entries_[index];
    HRESULT hr = crossbar_->Route(e.outputPin, e.inputPin);
    if (e.relatedOutput != -1 && e.relatedInput != -1) {
        const HRESULT audio = crossbar_->Route(e.relatedOutput, withAudio ? e.relatedInput : -1);
        if (SUCCEEDED(hr))
            hr = audio;
    }
    current_ = index;
    return hr;
}

const CrossbarRouter::Entry* CrossbarRouter::At(int index) const {
    return index >= 0 && index < Count() ? &entries_[index] : nullptr;
}

const char* CrossbarRouter::Name(int index) const {
    const Entry* e = At(index);
    return e ? ConnectorName(e->physicalType) : nullptr;
}

} // namespace tunaro
