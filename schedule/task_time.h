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
