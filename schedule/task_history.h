// The history of the tasks: one line for every run of a task (recorded, watched, cut short or
// missed, and whether it started late), kept in a text file beside the task file, newest last,
// bounded to its last lines. Here the line format, its reading back, the bounding and the texts
// the history view shows; the file itself is replaced whole on every new line.
#pragma once

#include "schedule/task_time.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tunaro {

// Name of the history file, kept beside the task file.
constexpr const char kTaskHistoryFileName[] = "SCHHIST.txt";
// Lines the file keeps: a new line beyond these drops the oldest.
constexpr std::size_t kTaskHistoryMaxLines = 1000;

enum class TaskOutcome { Recorded, Watched, CutShort, Missed };

// Why a run was missed, cut short or started late.
enum class TaskRunReason {
    None,
    TvNotStarted,  // the TV program could not be started
    NoCard,        // no capture card
    DiskFull,      // the disk is full
    CardRemoved,   // the card was removed
    TvEnded,       // the TV program ended unexpectedly
    ComputerOff,   // the computer was off (Schedule was not running) at the start time
    AnotherTask,   // another task was running
    TvSlowToStart, // the TV program took its time to start
    StoppedInTv,   // the recording was stopped in the TV program
};

struct TaskHistoryEntry {
    TaskDateTime when; // when the run was over (or given up)
    std::string name;  // the task's name
    std::int32_t channel = 0;
    TaskOutcome outcome = TaskOutcome::Missed;
    TaskRunReason reason = TaskRunReason::None; // missed or cut short: why
    int lateSeconds = 0;                        // started this long after its start
    TaskRunReason lateReason = TaskRunReason::None;
    // A recording: the file, its start and end, its length and the pictures dropped.
    std::string file;
    TaskDateTime start;
    TaskDateTime end;
    int lengthSeconds = 0;
    int picturesDropped = 0;
};

// One line (without its line end): tab-separated fields, times as "YYYY-MM-DD HH:MM:SS",
// outcome and reasons as fixed words. Tabs and line ends inside the texts become spaces.
std::string FormatTaskHistoryLine(const TaskHistoryEntry& entry);
// A line back; false (entry unspecified) for anything this program did not write.
bool ParseTaskHistoryLine(const std::string& line, TaskHistoryEntry& entry);

// The file's text with one more line at its end, the oldest lines dropped beyond maxLines.
// A last line without its line end (a file cut off) is dropped too.
std::string AppendTaskHistoryLine(const std::string& text, const std::string& line,
                                  std::size_t maxLines = kTaskHistoryMaxLines);
// Every line that reads back, newest first.
std::vector<TaskHistoryEntry> ReadTaskHistory(const std::string& text);

// Reads the file (missing: empty), adds the entry and replaces the file whole; false when it
// could not be written (the file then stays as it was).
bool AppendTaskHistory(const std::string& path, const TaskHistoryEntry& entry);

// The history view's columns: "Time", "Task", "Channel", "Outcome" (or their Chinese twins).
constexpr int kTaskHistoryColumnCount = 4;
const char* TaskHistoryColumnTitle(int column, bool chinese);

// What the history view shows: "2026/03/02 20:30", the outcome with its details ("Recorded
// Record_0.mpg, 20:00:00 to 20:30:05, 30:05, 0 pictures dropped", "Missed: the disk is full",
// ... preceded by "Started late by 12 s (...); " when it was late), in English or Chinese.
std::string TaskHistoryWhenText(const TaskHistoryEntry& entry);
std::string TaskHistoryOutcomeText(const TaskHistoryEntry& entry, bool chinese);
const char* TaskRunReasonText(TaskRunReason reason, bool chinese);

} // namespace tunaro
