// The FM window's recording to MP3 or WMA and its timed-recording list: the record and stop
// keys, and the once-a-second check that starts and stops the list's entries.
#pragma once

#include <string>

namespace tunaro {

class CFmDlg;
struct FmState;

class FmRecording {
public:
    FmRecording(CFmDlg& window, FmState& state) : m_window(window), m_state(state) {}
    FmRecording(const FmRecording&) = delete;
    FmRecording& operator=(const FmRecording&) = delete;

    void OnRecord();              // IDC_RECORD: starts a recording named by the time, or stops it
    void OnStopRecord();          // IDC_STOP_RECORD: stops the recording, else the playback
    void OnTimedRecordingTimer(); // TIMER_TIMED_RECORDING
    // Stops the running recording; the file is kept whole.
    void Stop();

private:
    void Start(const std::string& name);

    CFmDlg& m_window;
    FmState& m_state;
};

} // namespace tunaro
