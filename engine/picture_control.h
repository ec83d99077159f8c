// The picture of the capture filter: the analogue video standard its decoder is set to, and the
// proc-amp controls (brightness, contrast, hue, saturation, sharpness, colour enable).
#pragma once

#include "engine/engine_result.h"

namespace tunaro {

class CaptureGraph;
class PreviewGraph;

class PictureControl {
public:
    PictureControl(CaptureGraph& graph, PreviewGraph& preview) : m_graph(graph), m_preview(preview) {}

    // Sets the standard on the decoder, rebuilding a built preview around it. 0 without decoder
    // or while a recording runs (it keeps the standard it started with).
    EngineResult SetVideoFormat(long standard);
    long GetVideoFormat() const;
    // Proc-amp property (VideoProcAmp_*). The TV build works on 0..255 scaled to the device's
    // range; the library build passes device units.
    EngineResult SetPicture(long property, long value);
    EngineResult GetPicture(long property, long* value, long* maximum, long* minimum, long* defaultValue);
    // Ten-bit card only: colour on or off.
    EngineResult SetColorEnable(int on);

private:
    CaptureGraph& m_graph;
    PreviewGraph& m_preview;
};

} // namespace tunaro
