// "FMSETTING.ini", the FM program's user state, and the timed-recording list file: read at
// start, written at the end, every write replacing the file as a whole.
#pragma once

#include <string>
#include <vector>

#include "fm/fm_settings_file.h"
#include "fm/record_list.h"

namespace tunaro::fm {

// Reads the file (missing keys take their defaults; an empty record path becomes the program
// directory's "Record" folder).
FmSettings LoadFmSettings(const std::string& iniPath, const std::string& programDir);

// Writes the values kept at the end of a run: record path, current and previous station.
bool SaveFmSettings(const std::string& iniPath, const FmSettings& settings);

// The timed-recording list: read (names that could leave the recording directory are refused
// and reported to the debug output), and written through a replacing write.
std::vector<TimedRecording> LoadRecordList(const std::string& path);
bool SaveRecordList(const std::string& path, const std::vector<TimedRecording>& entries);

} // namespace tunaro::fm
