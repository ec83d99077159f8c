// The recording graphs: each kind of recording (AVI, MPEG, Windows Media, audio only) builds its
// topology on the shared capture graph with a preview branch of its own, then starts capture
// through the steps all kinds share; stopping gives the preview back.
//
// A new kind is one Start... member here (its topology, in its own recording_*.cpp file when it
// is large) that uses the capture graph's building helpers: CreateRenderFilters, Add, Connect,
// ConnectMonitorAudio, the video window, NotifyOwner and SaveDebugGraph. The facade gives it the
// operation name callers know.
#pragma once

#include <string>

namespace tunaro {

class CaptureGraph;
struct EngineSettings;

class RecordingGraph {
public:
    RecordingGraph(CaptureGraph& graph, EngineSettings& settings) : m_graph(graph), m_settings(settings) {}

    bool Capturing() const;
    // At engine shutdown: nothing may be recording once the graph is torn down.
    void EndForShutdown();
    const std::string& CaptureFile() const;

private:
    CaptureGraph& m_graph;
    EngineSettings& m_settings;
};

} // namespace tunaro
