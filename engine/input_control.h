// The card's inputs through its crossbar: which video input is shown, with or without its sound,
// and the names of the inputs.
#pragma once

#include "engine/engine_result.h"

namespace tunaro {

class CaptureGraph;
class TunerControl;

class InputControl {
public:
    InputControl(CaptureGraph& graph, TunerControl& tuner) : m_graph(graph), m_tuner(tuner) {}

    // Routes entry index with its sound; returns the index, E_FAIL for an index outside the list
    // and E_POINTER without a crossbar.
    int SetVideoSource(int index);
    // The current entry again, its sound cut (1) or restored (0). 0 without a crossbar.
    EngineResult AudioMute(int mute);
    // The connector name of entry index, at most length characters with the terminator.
    EngineResult GetSourceName(int index, char* buffer, int length) const;
    bool IsTunerInput() const;

private:
    CaptureGraph& m_graph;
    TunerControl& m_tuner;
};

} // namespace tunaro
