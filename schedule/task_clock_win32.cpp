// The computer's clock as the task rules read it: local wall-clock time and UTC seconds, moved
// by the test hook TUNARO_TASK_CLOCK when it is set.
#include "schedule/task_time.h"

#include <windows.h>

#include <cstdlib>

namespace tunaro {

namespace {

std::int64_t UtcMsNow() {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    const std::uint64_t ticks = (std::uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    // 100-nanosecond ticks since 1601-01-01; 11644473600 seconds separate 1601 from 1970.
    return std::int64_t(ticks / 10000ull) - 11644473600000ll;
}

class ComputerTaskClock : public TaskClock {
public:
    explicit ComputerTaskClock(const TaskClockShift& shift) : m_shift(shift) {
        if (m_shift.sinceUtcMs < 0) {
            m_shift.sinceUtcMs = UtcMsNow();
        }
    }

    TaskDateTime LocalNow() const override {
        SYSTEMTIME st;
        GetLocalTime(&st);
        const std::int64_t utcMs = UtcMsNow();
        TaskDateTime t;
        t.year = st.wYear;
        t.month = st.wMonth;
        t.day = st.wDay;
        t.hour = st.wHour;
        t.minute = st.wMinute;
        t.second = st.wSecond;
        if (m_shift.Inert()) {
            return t;
        }
        const std::int64_t ms = m_shift.ShiftMs(TaskSerialSeconds(t) * 1000 + st.wMilliseconds, utcMs);
        return TaskDateTimeFromSerial(ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000));
    }

    std::int64_t UtcSecondsNow() const override {
        const std::int64_t utcMs = UtcMsNow();
        const std::int64_t ms = m_shift.Inert() ? utcMs : m_shift.ShiftMs(utcMs, utcMs);
        return ms / 1000;
    }

private:
    TaskClockShift m_shift;
};

} // namespace

const TaskClockShift& SystemTaskClockShift() {
    static const TaskClockShift kShift = [] {
        TaskClockShift shift;
        ParseTaskClockShift(std::getenv(kTaskClockVariable), shift);
        return shift;
    }();
    return kShift;
}

const TaskClock& SystemTaskClock() {
    static const ComputerTaskClock kClock(SystemTaskClockShift());
    return kClock;
}

} // namespace tunaro
