// Routing of the card's crossbar: the list of routable video inputs and switching between them,
// with or without the input's related audio route.
#pragma once

#include <windows.h>
#include <dshow.h>

#include <string>
#include <vector>

#include "framework/raii.h"

namespace tunaro {

class CrossbarRouter {
public:
    struct Entry {
        long outputPin = -1, inputPin = -1;
        long relatedOutput = -1, relatedInput = -1; // the audio pins; -1 when none
        long physicalType = 0;
        ComPtr<IPin> pin; // the crossbar's input pin
    };

    // Builds the routing list from the crossbar filter (empty when it has no IAMCrossbar).
    explicit CrossbarRouter(IBaseFilter* crossbarFilter);
    // The same from the crossbar interface itself.
    explicit CrossbarRouter(IAMCrossbar* crossbar);

    // Routes entry index: its video route, and when both related pins are known the audio route
    // (to -1, disconnected, when withAudio is false). S_OK; E_POINTER without a crossbar; E_FAIL
    // (nothing routed) for an index outside the list.
    HRESULT Route(int index, bool withAudio);
    int Count() const { return static_cast<int>(m_entries.size()); }
    int CurrentIndex() const { return m_current; }
    const Entry* At(int index) const;
    // Connector name of entry index, or null for an index outside the list.
    const char* Name(int index) const;
    bool HasCrossbar() const { return static_cast<bool>(m_crossbar); }

private:
    void Build();

    ComPtr<IAMCrossbar> m_crossbar;
    ComPtr<IBaseFilter> m_filter;
    std::vector<Entry> m_entries;
    int m_current = 0;
};

} // namespace tunaro
