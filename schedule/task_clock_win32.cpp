// The computer's clock as the task rules read it: local wall-clock time and UTC seconds.
#include "schedule/task_time.h"

#include <windows.h>

namespace tunaro {

namespace {

class ComputerTaskClock : public TaskClock {
public:
    TaskDateTime LocalNow() const override {
        SYSTEMTIME st;
        GetLocalTime(&st);
        TaskDateTime t;
        t.year = st.wYear;
        t.month = st.wMonth;
        t.day = st.wDay;
        t.hour = st.wHour;
        t.minute = st.wMinute;
        t.second = st.wSecond;
        return t;
    }

    std::int64_t UtcSecondsNow() const override {
        FILETIME ft;
        GetSystemTimeAsFileTime(&ft);
        const std::uint64_t ticks = (std::uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
        // 100-nanosecond ticks since 1601-01-01; 11644473600 seconds separate 1601 from 1970.
        return std::int64_t(ticks / 10000000ull) - 11644473600ll;
    }
};

} // namespace

const TaskClock& SystemTaskClock() {
    static const ComputerTaskClock kClock;
    return kClock;
}

} // namespace tunaro
