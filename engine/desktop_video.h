// Desktop video mode (TV build): the live picture copied every 40 ms into a DirectDraw overlay
// that shows through the desktop's key colour behind the icons.
#pragma once

#include <windows.h>

#include <memory>

#include "engine/engine_result.h"

namespace tunaro {

class CaptureGraph;
class PreviewGraph;
class StillGrabber;

// The owner calls DesktopVideo::Tick on this timer every 40 ms while the mode runs.
inline constexpr UINT_PTR kDesktopTimerId = 116;
inline constexpr UINT kDesktopTimerMs = 40;

class DesktopVideo {
public:
    DesktopVideo(CaptureGraph& graph, PreviewGraph& preview, const StillGrabber& stills);
    ~DesktopVideo();
    DesktopVideo(const DesktopVideo&) = delete;
    DesktopVideo& operator=(const DesktopVideo&) = delete;

    // Switches the graph to the desktop chain and puts the overlay up. 0 (everything given back)
    // when no overlay can be made.
    EngineResult Start();
    // Copies the grabber's current frame into the overlay.
    void Tick();
    // Takes the overlay down and gives the desktop its wallpaper, pattern and colour back.
    void Stop();
    bool Active() const { return static_cast<bool>(m_overlay); }

private:
    struct Overlay;

    CaptureGraph& m_graph;
    PreviewGraph& m_preview;
    const StillGrabber& m_stills;
    std::unique_ptr<Overlay> m_overlay;
};

} // namespace tunaro
