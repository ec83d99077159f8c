// The preview: the overlay chain (mode 1) and the grabber chain (mode 2) built behind the capture
// filter, the desktop chain of desktop video mode, and running and stopping the picture.
#pragma once

#include "engine/engine_result.h"

namespace tunaro {

class CaptureGraph;
class TunerControl;

class PreviewGraph {
public:
    PreviewGraph(CaptureGraph& graph, TunerControl& tuner) : m_graph(graph), m_tuner(tuner) {}

    // (Re)builds the chain for the mode and runs it; while a recording runs nothing is built and
    // the recording graph keeps running. 0 without a graph.
    EngineResult Start(int mode);
    // 1 when stopped (or not running), 0 on error, -1 without a graph.
    int Stop();
    // Desktop video mode: the grabber chain into a null renderer at one field's size, running.
    EngineResult StartDesktopChain();
    int Mode() const { return m_mode; }
    void SetMode(int mode) { m_mode = mode; }
    // TV build: the preview at the small size of the TV wall's cells (from the next start on).
    void SetSmallPreview(bool on) { m_smallPreview = on; }
    bool SmallPreview() const { return m_smallPreview; }
    // The overlay chain behind the capture filter's preview output: deinterlacer (with the video
    // invert on the UTV card), display optimiser, Overlay Mixer, video renderer; the optimiser
    // in mode 0. The preview's overlay mode and the recordings that show it build it.
    void AddOverlayChain();

private:
    bool BuildOverlayChain();
    bool BuildGrabberChain();
    EngineResult Run();

    CaptureGraph& m_graph;
    TunerControl& m_tuner;
    int m_mode = 2;
    bool m_smallPreview = false;
};

} // namespace tunaro
