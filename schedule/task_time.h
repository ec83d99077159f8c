// Wall-clock dates and times for the task rules: seconds on a plain local calendar, weekdays,
// and the clock that tells the rules what "now" is (replaceable, so the rules can be tested).
#pragma once

#include <cstdint>

namespace tunaro {

// A local date and time as the user sees it on the wall clock.
struct TaskDateTime {
    int year = 1970;
    int month = 1; // 1..12
    int day = 1;   // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Seconds from 1970-01-01 00:00:00 of the same wall clock (proleptic Gregorian calendar, no
// time zone or daylight saving). Fields out of their range carry over the way mktime does:
// month 13 is January of the next year, day 0 the last day of the month before, and so on.
std::int64_t TaskSerialSeconds(const TaskDateTime& t);
TaskDateTime TaskDateTimeFromSerial(std::int64_t seconds);

// Weekday of a date: 1 = Sunday ... 7 = Saturday (out-of-range fields carry over as above).
int TaskWeekday(int year, int month, int day);

// (to - from) in whole minutes, truncated toward zero.
std::int64_t TaskWholeMinutes(std::int64_t fromSerial, std::int64_t toSerial);

// Where the task rules read the current time.
class TaskClock {
public:
    virtual ~TaskClock() = default;
    // Local wall-clock date and time.
    virtual TaskDateTime LocalNow() const = 0;
    // Seconds since 1970-01-01 00:00:00 UTC.
    virtual std::int64_t UtcSecondsNow() const = 0;
};

// The computer's clock.
const TaskClock& SystemTaskClock();

// A test hook on the computer's clock: the environment variable TUNARO_TASK_CLOCK, read once
// when the clock is first asked, moves the task clock by offset seconds and lets it run rate
// times as fast from a moment since (UTC milliseconds; the first reading when left out), e.g.
// "offset=-40;rate=6;since=1765468800000". Tests use it so that a task starts and ends within
// seconds; unset (or unreadable) it changes nothing.
constexpr const char kTaskClockVariable[] = "TUNARO_TASK_CLOCK";
struct TaskClockShift {
    std::int64_t offsetSeconds = 0;
    int rate = 1; // 1..1000
    std::int64_t sinceUtcMs = -1;

    bool Inert() const { return offsetSeconds == 0 && rate == 1; }
    // The shifted time, in milliseconds, of a real reading: the local (or UTC) time in
    // milliseconds and, beside it, the real UTC milliseconds of the same moment.
    std::int64_t ShiftMs(std::int64_t realMs, std::int64_t realUtcMs) const;
};
// Reads a shift from the variable's text; false (and an inert shift) on anything malformed.
bool ParseTaskClockShift(const char* text, TaskClockShift& shift);
// The shift the computer's clock applies (inert unless the variable was set).
const TaskClockShift& SystemTaskClockShift();

// A clock that shows whatever it was last set to.
class ManualTaskClock : public TaskClock {
public:
    explicit ManualTaskClock(const TaskDateTime& local = TaskDateTime(), std::int64_t utcSeconds = 0)
        : m_local(local), m_utc(utcSeconds) {}
    void Set(const TaskDateTime& local, std::int64_t utcSeconds) {
        m_local = local;
        m_utc = utcSeconds;
    }
    TaskDateTime LocalNow() const override { return m_local; }
    std::int64_t UtcSecondsNow() const override { return m_utc; }

private:
    TaskDateTime m_local;
    std::int64_t m_utc;
};

} // namespace tunaro
