// The FM window's device and stations: starting and stopping the card's FM mode, selecting a
// station, the digit, channel and last-channel keys, fine tuning and the user's mute.
#pragma once

#include <windows.h>

namespace tunaro {

class CFmDlg;
struct FmState;

class FmStations {
public:
    FmStations(CFmDlg& window, FmState& state) : m_window(window), m_state(state) {}
    FmStations(const FmStations&) = delete;
    FmStations& operator=(const FmStations&) = delete;

    // Starts the device in FM mode and tunes the station of the last run; a failure is shown
    // (with reportFailure) and leaves the device stopped.
    bool StartDevice(bool reportFailure);
    void StopDevice();
    // Selects a station by index: false when there is no such station.
    bool SelectStation(int index);

    void OnDigit(UINT id); // IDC_DIGIT_0..IDC_DIGIT_9
    void OnChannelUp();    // IDC_CHANNEL_UP
    void OnChannelDown();  // IDC_CHANNEL_DOWN
    void OnLastChannel();  // IDC_LAST_CHANNEL
    void OnFreqUp();       // IDC_FREQ_UP
    void OnFreqDown();     // IDC_FREQ_DOWN
    void OnMute();         // IDC_MUTE

private:
    bool StationCommandsAllowed() const;
    void FineTune(long step);

    CFmDlg& m_window;
    FmState& m_state;
};

} // namespace tunaro
