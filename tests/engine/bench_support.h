// What the engine's benchmarks share: the performance-counter clock, this process's CPU time, a
// message pump for a number of seconds, and a reporter that prints the engine's reports (nobody
// is there to close a message box).
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

#include "engine/engine_report.h"

namespace enginebench {

// Seconds of the performance counter.
inline double Now() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

// Seconds a FILETIME span holds (kernel or user time).
inline double Seconds(const FILETIME& t) {
    return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) /
           1e7;
}

// User and kernel time of this process, seconds.
inline double CpuSeconds() {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return 0;
    return Seconds(kernel) + Seconds(user);
}

// Dispatches this thread's messages for the given seconds.
inline void Pump(double seconds) {
    const double end = Now() + seconds;
    MSG msg;
    while (Now() < end) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(10);
    }
}

class PrintingReporter : public tunaro::EngineReporter {
public:
    void Report(tunaro::ReportKind, const std::string& text) override {
        std::printf("engine report: %s\n", text.c_str());
        std::fflush(stdout);
    }
};

} // namespace enginebench
