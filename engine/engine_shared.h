// State the engine keeps once per process, shared by every engine object: the identified card,
// the selected devices, the small-preview flag of the TV wall, the scan position and the kind of
// recording graph.
#pragma once

#include <string>

namespace tunaro {

struct EngineShared {
    int cardType = 0;       // family code of the build (see card_rules.h)
    int selectedVideo = -1; // enumeration index of the identified card; -1 until identified
    int selectedAudio = -1; // library build: the audio input whose name holds selectedAudioName
    std::string selectedVideoName, selectedAudioName; // library build, at most 259 characters
    bool smallPreview = false;                        // set by the TV application while its TV wall is shown
    int scanPosition = 0; // index into the country's frequency table; 0 = scan not started
    int captureKind = 0;  // 0 DVD, 1 VCD, 2 SVCD, 3 compressed AVI, 4 uncompressed AVI
    bool ntsc = false;    // set by the MPEG start from the current standard
};

EngineShared& Shared();
// Back to the state of a fresh process (tests; the library's device restart).
void ResetShared();

} // namespace tunaro
