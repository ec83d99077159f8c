// "FMSETTING.ini", the FM program's user state, without the file functions: what a start reads
// from it and which keys the end of a run writes back, so the two always agree.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "framework/ini.h"

namespace tunaro::fm {

// The longest record path read from the file (the reader's buffer of two paths, less its end).
constexpr std::size_t kFmRecordPathMax = 519;

struct FmSettings {
    long lSense = 0;           // "AutoScan"/"Sense": scan sensitivity
    long lRecordType = 0;      // "Record"/"RecordType": 0 MP3, 1 WMA
    std::string strRecordPath; // "Record"/"RecordPath"; empty: program directory + "\Record"
    long lCurrentIndex = 0;    // "Channel"/"CurrentIndex"
    long lPreChannelIndex = 0; // "Channel"/"PreChannelIndex"
};

// Reads the file (missing keys take their defaults; an empty record path becomes the program
// directory's "Record" folder).
FmSettings ReadFmSettings(const IniSource& fmSettingIni, const std::string& programDir);

// The keys the end of a run writes, in this order: record path, current and previous station.
// A value always reads back as it was written, and never adds or changes another key.
std::vector<IniValue> FmSettingsWrites(const FmSettings& settings);

} // namespace tunaro::fm
