// The FM window's rules that need no window: station stepping, the frequency and time texts,
// recording file names and the volume bar's segments. Plain logic, no Windows headers.
#pragma once

#include <cstdint>
#include <string>

#include "uikit/volume_scale.h"

namespace tunaro::fm {

// The station list's selection: an index is valid when 0 <= index < count.
bool ValidStation(int index, int count);
// Channel + (after the last station comes the first) and channel - (before the first, the last);
// -1 when there is no station.
int NextStation(int current, int count);
int PreviousStation(int current, int count);

// Frequencies in hertz shown in MHz with two decimals: 87900000 -> "87.90 MHz".
std::string FrequencyText(long hertz);
// Fine tuning steps of the Freq+ and Freq- buttons.
constexpr long kFineTuneStep = 50000;
// The frequency stored when the station list is empty at the first start.
constexpr long kFirstStartFrequency = 87900000;

// "%H:%M:%S" of a number of seconds (hours go on past 23; negative counts as 0).
std::string ClockText(long seconds);
// The playback line "%ld:%ld/%ld:%ld": position and duration in minutes and seconds.
std::string PlaybackText(long positionSeconds, long durationSeconds);
// 100-nanosecond units to whole seconds.
long SecondsOfUnits(std::int64_t units);

// Record types of the FM program.
constexpr int kRecordMp3 = 0;
constexpr int kRecordWma = 1;
// directory + "\\" (unless it ends in one) + name + ".MP3" or ".WMA".
std::string RecordingPath(const std::string& directory, const std::string& name, int recordType);
// Whether a directory entry is a recording the quick play may pick (".MP3" or ".WMA", any case).
bool IsRecordingFileName(const std::string& name);

// The volume bar: segments 1062 to 1071, the lowest for silence alone; a volume lights the
// segments up to volume x 10 / (maximum - minimum) + 1063, kept within the bar.
constexpr VolumeScale kVolumeScale{1062, 1071, 1063};

} // namespace tunaro::fm
