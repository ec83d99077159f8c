// The FM window's playback of recordings through TrackDeck.dll: open, play, pause, stop, the
// quick play of the newest recording and the position line. While a file is open the card is
// given up and the radio's own keys rest.
#pragma once

#include <string>

#include "fm/app/track_deck.h"

namespace tunaro {

class CFmDlg;
struct FmState;

class FmPlayback {
public:
    FmPlayback(CFmDlg& window, FmState& state) : m_window(window), m_state(state) {}
    FmPlayback(const FmPlayback&) = delete;
    FmPlayback& operator=(const FmPlayback&) = delete;

    void OnOpenFile();      // IDC_OPEN_FILE: the file dialog, or the quick play's file
    void OnPlay();          // IDC_PLAY
    void OnPause();         // IDC_PAUSE
    void OnStopPlay();      // IDC_STOP_PLAY: closes the file and starts the device again
    void OnQuickPlay();     // IDC_QUICK_PLAY: the newest recording of the record directory
    void OnPlaybackTimer(); // TIMER_PLAYBACK
    // The window ends: the file is closed.
    void Close();

private:
    CFmDlg& m_window;
    FmState& m_state;
    fm::TrackDeck m_deck;
    long m_lDurationSeconds = 0;
    std::string m_strQuickPlayPath; // preset by quick play for the open command
};

} // namespace tunaro
