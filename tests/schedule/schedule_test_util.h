// Helpers for the task model tests: tasks at given times, fixed clocks, and a private
// temporary directory with whole-file reads and writes.
#pragma once

#include "task_record.h"
#include "task_time.h"

#include <cstdint>
#include <string>
#include <vector>

inline TaskDateTime at(int year, int month, int day, int hour, int minute, int second = 0) {
    TaskDateTime t;
    t.year = year;
    t.month = month;
    t.day = day;
    t.hour = hour;
    t.minute = minute;
    t.second = second;
    return t;
}

inline TaskDateTime addSeconds(const TaskDateTime& t, std::int64_t seconds) {
    return taskDateTimeFromSerial(taskSerialSeconds(t) + seconds);
}

// A Ready task at a local time for a number of minutes.
inline TaskRecord taskAt(const TaskDateTime& start, int duration, std::int32_t status = kTaskReady) {
    ManualTaskClock clock(at(2026, 1, 1, 0, 0), 1767225600);
    TaskRecord r = TaskRecord::makeNew(clock);
    r.setStart(start);
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
    std::string path(const std::string& name) const { return m_dir + "\\" + name; }

private:
    std::string m_dir;
};

bool writeFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
bool readFileBytes(const std::string& path, std::vector<std::uint8_t>& bytes);
bool fileExists(const std::string& path);
bool makeDirectory(const std::string& path);
