// The recording graphs on the shared capture graph.
#include "engine/recording_graph.h"

#include "engine/capture_graph.h"
#include "engine/engine_settings.h"

namespace tunaro {

bool RecordingGraph::Capturing() const {
    return m_graph.Capturing();
}

void RecordingGraph::EndForShutdown() {
    m_graph.SetCapturing(false);
}

const std::string& RecordingGraph::CaptureFile() const {
    return m_settings.captureFile;
}

} // namespace tunaro
