// TaskRecord: the defaults of a new task, its start and end on the local calendar, and its
// bounded text fields.
#include "schedule/task_record.h"
#include "schedule/task_record_layout.h"

#include <cstring>

namespace tunaro {

TaskRecord TaskRecord::MakeNew(const TaskClock& clock) {
    // Every byte is cleared, not only the significant ones, so that no stale memory ever
    // reaches the task file.
    TaskRecord r;
    std::memset(&r, 0, sizeof(r));
    r.created = std::int32_t(clock.UtcSecondsNow());
    r.mode = kTaskModeWatch;
    r.autoPowerOn = 1;
    r.autoLogOn = 0;
    r.afterFinish = kAfterFinishShutdown;
    r.repeat = 0;
    r.channel = 0;
    r.year = 1980;
    r.month = 1;
    r.day = 1;
    r.weekday = 0;
    r.duration = 30;
    r.status = kTaskReady;
    return r;
}

TaskDateTime TaskRecord::Start() const {
    TaskDateTime t;
    t.year = year;
    t.month = month;
    t.day = day;
    t.hour = hour;
    t.minute = minute;
    t.second = second;
    return t;
}

std::int64_t TaskRecord::StartSerial() const {
    return TaskSerialSeconds(Start());
}

std::int64_t TaskRecord::EndSerial() const {
    return StartSerial() + std::int64_t(duration) * 60;
}

void TaskRecord::SetStart(const TaskDateTime& t) {
    year = std::int16_t(t.year);
    month = std::uint8_t(t.month);
    day = std::uint8_t(t.day);
    hour = std::uint8_t(t.hour);
    minute = std::uint8_t(t.minute);
    second = std::uint8_t(t.second);
}

std::string TaskRecord::Text(const char (&field)[kTextSize]) {
    const void* end = std::memchr(field, 0, kTextSize);
    const std::size_t n = end ? std::size_t(static_cast<const char*>(end) - field) : kTextSize;
    return std::string(field, n);
}

void TaskRecord::TerminateTexts() {
    name[kTextSize - 1] = 0;
    userName[kTextSize - 1] = 0;
    password[kTextSize - 1] = 0;
    recordFileName[kTextSize - 1] = 0;
}

void TaskRecord::SetText(char (&field)[kTextSize], const std::string& s) {
    const std::size_t n = s.size() < kTextSize - 1 ? s.size() : kTextSize - 1;
    std::memcpy(field, s.data(), n);
    std::memset(field + n, 0, kTextSize - n);
}

} // namespace tunaro
