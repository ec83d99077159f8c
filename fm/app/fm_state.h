// What the FM window and its features share: the device and its stations, the busy flags every
// command tests first, and the user's settings and timed recordings.
#pragma once

#include <windows.h>

#include <vector>

#include "fm/fm_settings_file.h"
#include "fm/record_list.h"

namespace tunaro {

struct FmState {
    // The device and its stations.
    bool deviceRunning = false;
    int current = 0;
    int previous = 0;
    int stationCount = 0;
    bool userMute = false;

    // What the window is doing.
    bool recording = false;
    int recordingType = 0; // the type the running recording was started with
    DWORD recordStart = 0; // GetTickCount at its start (the clock text)
    bool scanning = false;
    int playbackState = -1; // -1 no file open, 0 playing, 1 paused

    // The user's settings and timed recordings.
    fm::FmSettings settings;
    std::vector<fm::TimedRecording> timed;

    // A recording or a scan holds the window: most commands wait for it to end.
    bool Busy() const { return recording || scanning; }
    bool PlaybackOpen() const { return playbackState != -1; }
};

} // namespace tunaro
