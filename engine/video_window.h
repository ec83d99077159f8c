// The graph's video window inside the owner window: taken over after every graph build, sized,
// given the window that drains its mouse and keyboard messages, released on teardown.
#pragma once

#include <windows.h>
#include <dshow.h>

#include "framework/raii.h"

namespace tunaro {

class VideoWindow {
public:
    // Takes the graph's video window into owner: no auto-show, child style, the owner's client
    // size, the owner as drain, visible. Reports failureText (when given) if the graph has none.
    bool Attach(IGraphBuilder* graph, HWND owner, const char* failureText);
    // Gives the window back to the owner after a rebuild: owner, client size, drain.
    void FitOwner(HWND owner);
    // Lets go of the owner and the drain but keeps the window (the picture goes elsewhere).
    void Disown();
    // Hides the window, lets go of owner and drain and releases it.
    void Detach();
    // Sets and remembers the rectangle; 1.
    int SetPosition(long left, long top, long width, long height);
    // Puts the remembered rectangle back (after a recording graph was built).
    void RestorePosition();
    void SetDrain(HWND window);
    bool Present() const { return static_cast<bool>(m_window); }
    HWND Drain() const { return m_drain; }

private:
    ComPtr<IVideoWindow> m_window;
    RECT m_rect = {0, 0, 352, 288}; // left, top, width, height
    HWND m_drain = nullptr;
};

} // namespace tunaro
