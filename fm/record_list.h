// The FM program's timed recordings: the list file "Recordlst.txt" (reading and writing), the
// safety rule for the names it gives, the plan check of a new entry and the once-a-second rule
// that starts and stops them. Plain logic, no Windows headers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tunaro::fm {

// A local date and time to the second.
struct CivilTime {
    int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

// Seconds since 1970-01-01 00:00:00 of the same clock (no time zone: local time in, local
// time out). Out-of-range fields carry over the way a calendar does (month 13 is January).
std::int64_t ToSeconds(const CivilTime& t);
CivilTime FromSeconds(std::int64_t seconds);

struct TimedRecording {
    std::int64_t start = 0;  // ToSeconds of the start time
    std::int32_t length = 0; // seconds
    std::int32_t channel = 0;
    std::string fileName; // without directory and extension

    std::int64_t End() const { return start + length; }
};

// A recording name the list may give: not empty, and nothing that could lead outside the
// recording directory (no "\\" or "/", no drive letter or other ":", no "..").
bool IsSafeRecordingName(const std::string& name);

struct RecordListFile {
    std::vector<TimedRecording> entries;
    std::vector<std::string> refusedNames; // entries dropped because of their "File:" name
};

// Reads the list file's text. Lines end at a line feed (a carriage return before it goes) and
// are cut at their first ";"; keys are matched case-insensitively at the start of a line.
// "StartTime:" begins an entry, "RecLen:", "Chan:" and "File:" fill it. Entries whose name is
// not safe are left out and named in refusedNames.
RecordListFile ParseRecordList(const std::string& text);

// The list file's text: four lines per entry, in list order.
std::string FormatRecordList(const std::vector<TimedRecording>& entries);

// Orders the entries by start time (stable).
void SortByStart(std::vector<TimedRecording>& entries);

// Length limits of a planned entry.
constexpr std::int32_t kShortestRecording = 10;
constexpr std::int32_t kLongestRecording = 86400;

// Whether a new entry from start to end fits the plan: start after now, end after start, a
// length of 10 s to 24 h, and no overlap with an entry already in the list.
bool PlanFits(const std::vector<TimedRecording>& entries, std::int64_t start, std::int64_t end,
              std::int64_t now);

// The name the record setting page gives a new entry: the start as "%y%m%d-%H%M%S-" followed by
// the minutes part (0-59) of its length.
std::string PlannedRecordingName(std::int64_t start, std::int64_t end);

// What the once-a-second check asks of the program.
enum class TimedAction {
    None,
    Start, // select the first entry's station and record under its name
    Stop,  // stop the running recording (the entry has gone from the list)
};

struct TimedDecision {
    TimedAction action = TimedAction::None;
    TimedRecording entry; // the entry started or stopped
    int dropped = 0;      // entries removed because their time passed unrecorded
};

// How close to its start an entry may still be begun (seconds before the start).
constexpr std::int64_t kStartLeadSeconds = 3;

// One tick of the check, on a list sorted by start. An entry is due when its start is at most
// 3 s ahead and not yet past: it starts unless a recording runs. A running recording stops
// once the first entry's end has come, and that entry leaves the list. Entries whose end has
// passed while nothing recorded them are dropped, so a missed entry never holds up the rest.
TimedDecision CheckTimedRecordings(std::vector<TimedRecording>& entries, std::int64_t now, bool recording);

} // namespace tunaro::fm
