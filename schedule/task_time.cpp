// Calendar arithmetic for the task rules: local date-times to and from a count of seconds,
// weekdays and whole-minute differences.
#include "schedule/task_time.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace tunaro {

namespace {

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) {
        --q;
    }
    return q;
}

// Days from 1970-01-01 to the given date, month 1..12 (Gregorian, any year).
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = FloorDiv(y, 400);
    const std::int64_t yoe = y - era * 400;
    const std::int64_t mp = (m + 9) % 12;
    const std::int64_t doy = (153 * mp + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t& y, int& m, int& d) {
    z += 719468;
    const std::int64_t era = FloorDiv(z, 146097);
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    d = int(doy - (153 * mp + 2) / 5 + 1);
    m = int(mp < 10 ? mp + 3 : mp - 9);
    y = yoe + era * 400 + (m <= 2 ? 1 : 0);
}

std::int64_t DaysOf(int year, int month, int day) {
    const std::int64_t months = std::int64_t(year) * 12 + (std::int64_t(month) - 1);
    const std::int64_t y = FloorDiv(months, 12);
    const int m = int(months - y * 12) + 1;
    return DaysFromCivil(y, m, 1) + (std::int64_t(day) - 1);
}

} // namespace

std::int64_t TaskSerialSeconds(const TaskDateTime& t) {
    return DaysOf(t.year, t.month, t.day) * 86400 + std::int64_t(t.hour) * 3600 +
           std::int64_t(t.minute) * 60 + t.second;
}

TaskDateTime TaskDateTimeFromSerial(std::int64_t seconds) {
    const std::int64_t days = FloorDiv(seconds, 86400);
    const std::int64_t rest = seconds - days * 86400;
    TaskDateTime t;
    std::int64_t y = 0;
    CivilFromDays(days, y, t.month, t.day);
    t.year = int(y);
    t.hour = int(rest / 3600);
    t.minute = int(rest / 60 % 60);
    t.second = int(rest % 60);
    return t;
}

int TaskWeekday(int year, int month, int day) {
    // 1970-01-01 was a Thursday (5).
    const std::int64_t days = DaysOf(year, month, day);
    return int(((days + 4) % 7 + 7) % 7) + 1;
}

std::int64_t TaskWholeMinutes(std::int64_t fromSerial, std::int64_t toSerial) {
    return (toSerial - fromSerial) / 60; // C++ division truncates toward zero
}

std::int64_t TaskClockShift::ShiftMs(std::int64_t realMs, std::int64_t realUtcMs) const {
    const std::int64_t since = sinceUtcMs < 0 ? realUtcMs : sinceUtcMs;
    return realMs + offsetSeconds * 1000 + (realUtcMs - since) * (rate - 1);
}

bool ParseTaskClockShift(const char* text, TaskClockShift& shift) {
    shift = TaskClockShift();
    if (text == nullptr) {
        return false;
    }
    TaskClockShift read;
    const char* at = text;
    while (*at != '\0') {
        const char* eq = std::strchr(at, '=');
        if (eq == nullptr) {
            return false;
        }
        const std::string key(at, eq);
        char* end = nullptr;
        const long long value = std::strtoll(eq + 1, &end, 10);
        if (end == eq + 1 || (*end != ';' && *end != '\0')) {
            return false;
        }
        if (key == "offset") {
            read.offsetSeconds = value;
        } else if (key == "rate" && value >= 1 && value <= 1000) {
            read.rate = int(value);
        } else if (key == "since" && value >= 0) {
            read.sinceUtcMs = value;
        } else {
            return false;
        }
        at = *end == ';' ? end + 1 : end;
    }
    shift = read;
    return true;
}

} // namespace tunaro
