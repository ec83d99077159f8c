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

CrossbarRouter::CrossbarRouter(IBaseFilter* crossbarFilter) : m_filter(crossbarFilter) {
    if (crossbarFilter)
        crossbarFilter->QueryInterface(IID_IAMCrossbar, m_crossbar.ReceiveVoid());
    Build();
}

CrossbarRouter::CrossbarRouter(IAMCrossbar* crossbar) : m_crossbar(crossbar) {
    if (crossbar)
        crossbar->QueryInterface(IID_IBaseFilter, m_filter.ReceiveVoid());
    Build();
}

void CrossbarRouter::Build() {
    m_entries.clear();
    if (!m_crossbar)
        return;
    long outputs = 0, inputs = 0;
    if (FAILED(m_crossbar->get_PinCounts(&outputs, &inputs)))
        return;
    for (long out = 0; out < outputs; ++out) {
        long outRelated = -1, outType = 0;
        if (FAILED(m_crossbar->get_CrossbarPinInfo(FALSE, out, &outRelated, &outType)))
            outRelated = -1;
        for (long in = 0; in < inputs; ++in) {
            long inRelated = -1, inType = 0;
            if (FAILED(m_crossbar->get_CrossbarPinInfo(TRUE, in, &inRelated, &inType)))
                continue;
            if (inType >= kFirstAudioConnector)
                continue;
            if (m_crossbar->CanRoute(out, in) != S_OK)
                continue;
            Entry e;
            e.outputPin = out;
            e.inputPin = in;
            e.relatedOutput = outRelated;
            e.relatedInput = inRelated;
            e.physicalType = inType;
            e.pin = PinOf(m_filter.get(), PINDIR_INPUT, in);
            m_entries.push_back(std::move(e));
        }
    }
}

HRESULT CrossbarRouter::Route(int index, bool withAudio) {
    if (!m_crossbar)
        return E_POINTER;
    if (index < 0 || index >= Count())
        return E_FAIL;
    const Entry& e = m_entries[index];
    HRESULT hr = m_crossbar->Route(e.outputPin, e.inputPin);
    if (e.relatedOutput != -1 && e.relatedInput != -1) {
        const HRESULT audio = m_crossbar->Route(e.relatedOutput, withAudio ? e.relatedInput : -1);
        if (SUCCEEDED(hr))
            hr = audio;
    }
    m_current = index;
    return hr;
}

const CrossbarRouter::Entry* CrossbarRouter::At(int index) const {
    return index >= 0 && index < Count() ? &m_entries[index] : nullptr;
}

const char* CrossbarRouter::Name(int index) const {
    const Entry* e = At(index);
    return e ? ConnectorName(e->physicalType) : nullptr;
}

} // namespace tunaro
