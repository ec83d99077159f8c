// Helpers for the task model tests: tasks at given times, fixed clocks, and a private
// temporary directory with whole-file reads and writes.
#pragma once

#include "schedule/task_record.h"
#include "schedule/task_time.h"

#include "framework/file_replace.h" // FileExists and the whole-file helpers

#include <cstdint>
#include <string>
#include <vector>

namespace tunaro {

inline TaskDateTime At(int year, int month, int day, int hour, int minute, int second = 0) {
    TaskDateTime t;
    t.year = year;
    t.month = month;
    t.day = day;
    t.hour = hour;
    t.minute = minute;
    t.second = second;
    return t;
}

inline TaskDateTime AddSeconds(const TaskDateTime& t, std::int64_t seconds) {
    return TaskDateTimeFromSerial(TaskSerialSeconds(t) + seconds);
}

// A Ready task at a local time for a number of minutes.
inline TaskRecord TaskAt(const TaskDateTime& start, int duration, std::int32_t status = kTaskReady) {
    ManualTaskClock clock(At(2026, 1, 1, 0, 0), 1767225600);
    TaskRecord r = TaskRecord::MakeNew(clock);
    r.SetStart(start);
    r.duration = duration;
    r.status = status;
    return r;
}

// A directory of its own under the system's temporary directory, removed with its files.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string Path(const std::string& name) const { return m_dir + "\\" + name; }
    // Entries in the directory (without "." and "..").
    int EntryCount() const;

private:
    std::string m_dir;
};

bool WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
bool ReadFileBytes(const std::string& path, std::vector<std::uint8_t>& bytes);
bool MakeDirectory(const std::string& path);

} // namespace tunaro
