// What the control panel and its features share: the busy flags every command tests first, the
// panel's own few values, and the user's settings, channel list and country table.
#pragma once

#include <ctime>
#include <string>

#include "tv/channel_list.h"
#include "tv/country_table.h"
#include "tv/settings.h"

namespace tunaro {

struct PanelState {
    // Busy flags: commands test them and do nothing when they forbid the command.
    bool previewOn = false;
    bool recording = false;
    bool scanning = false;
    bool desktopMode = false;
    bool tvWall = false;
    bool schedulerStarted = false;
    long playbackState = -1; // -1: no playback file open
    bool autoName = false;   // a recording asked to be named automatically
    bool quickPlay = false;  // quick play asked for

    // The windows.
    bool panelShown = true;
    bool videoTopmost = false;
    bool fullScreen = false;

    // The panel's values.
    std::string osdText;    // the text the on-screen text timer shows next
    long scanCount = 0;     // channels found by the running scan
    time_t recordStart = 0; // when the running recording began (the status line's clock)
    // A recording this program was writing when it last ended without stopping it (killed,
    // crashed), finished and named at this start; empty when there was none.
    std::string interruptedRecording;
    // The next recording is the rest of that one (the scheduler's order after a restart).
    bool continuing = false;
    // Why the last recording broke off (the disk filled up, the card went away, ...), shown in
    // the status line until the next recording starts; empty when it ended as asked.
    std::string recordingNotice;

    // The user's settings, the channel list and the country table of the whole program.
    TvSettings settings;
    ChannelList channels;
    CountryTable countries;

    // A recording or a scan holds the panel: Exit and most commands wait for it to end.
    bool Busy() const { return recording || scanning; }
    bool PlaybackOpen() const { return playbackState != -1; }
};

} // namespace tunaro
