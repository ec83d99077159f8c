// The engine's own settings, kept in the per-user profile under section "vorel": read when the
// engine starts, written when it shuts down.
#pragma once

#include <string>

namespace tunaro {

struct EngineSettings {
    int masterStream = 1; // -1 none, 0 first stream, 1 second
    int useFrameRate = 1;
    long frameRateSetting = 666667; // read, not used
    int useTimeLimit = 0;
    long timeLimit = 0; // kept and saved; the TV application enforces recording lengths
    int captureAudio = 0;
    int captureCC = 0;
    int wantPreview = 1;
    double frameRate = 25.0;
    // Debug copies of built graphs under c:\ ("DebugGraphFiles", off unless set to 1).
    int debugGraphFiles = 0;
    std::string captureFile; // the last recording's file name
};

// Reads what the profile holds, with the defaults for missing keys; the frame rate is 25.
EngineSettings ReadEngineSettings();
// Writes every value into the per-user profile file; the device texts are the display names of
// the current video and audio device monikers (empty when there is none). The file is replaced
// as a whole once the new one is complete, so a crash or a kill leaves the old or the new file;
// false (reported to the debug output) when it could not be written, the file then unchanged.
bool WriteEngineSettings(const EngineSettings& settings, const std::string& videoDevice,
                         const std::string& audioDevice);
// The same into the profile file at profilePath, the rest of the file kept as it was.
bool WriteEngineSettingsTo(const std::string& profilePath, const EngineSettings& settings,
                           const std::string& videoDevice, const std::string& audioDevice);
// The per-user profile file the section is kept in (win.ini in the Windows directory).
std::string EngineProfilePath();

} // namespace tunaro
