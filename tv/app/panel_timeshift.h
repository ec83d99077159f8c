// Pausing live TV from the panel: Time Shift (1206) and the player keys while live TV is shown
// (Pause 506 freezes it, Play 503 plays on behind live, Back 504 and Forward 505 move five
// seconds in the buffer, TV 507 returns to live), the status line's delay, the buffer's folder
// on the recording directory's drive, and the return to live whenever something else needs the
// card (a channel, input or standard change, a recording, a scheduler order, Exit).
#pragma once

#include <windows.h>

#include <string>

namespace tunaro {

class CControlPanel;
struct PanelState;

class PanelTimeShift {
public:
    PanelTimeShift(CControlPanel& panel, PanelState& state);
    PanelTimeShift(const PanelTimeShift&) = delete;
    PanelTimeShift& operator=(const PanelTimeShift&) = delete;

    // At start: the folder a crashed run left behind goes.
    void RemoveLeftovers();
    void OnTimeShift(); // IDC_TIME_SHIFT
    // A player key (503 to 507): true when it was the time shift's, false when it belongs to
    // playback as before.
    bool OnPlayerKey(UINT id);
    // Ends a time shift (the live picture back); nothing when there is none.
    void ReturnToLive();
    // Whether a live-TV command changes what is watched (and so ends a time shift first).
    static bool EndsShift(UINT id);
    // The status timer's tick: a writer that failed ends the shift with a message.
    void OnStatusTick();
    bool Shifted() const;
    long DelayMs() const;

private:
    bool CanPause() const;
    void Pause();
    std::string Folder() const;

    CControlPanel& m_panel;
    PanelState& m_state;
};

} // namespace tunaro
