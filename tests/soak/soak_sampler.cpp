// Samples one process's resources every few seconds until it ends or the time is up, one line
// per sample on standard output:
//   seconds handles gdi user windows private_kb working_set_kb
// handles: GetProcessHandleCount; gdi and user: GetGuiResources (-1 where the system does not
// count them); windows: the process's top-level and child windows, counted from outside, a
// second measure of its USER objects; private_kb: private bytes (PrivateUsage).
//   soak_sampler PID [INTERVAL_SECONDS=5] [SECONDS=0: until the process ends] [HOST_PID]
// Where the system keeps no per-process handle count, the handles are counted in the system's
// handle table; where it keeps no private bytes, HOST_PID (the process's id on the host under
// the compatibility layer) gives its anonymous resident memory instead; -1 when neither is
// known.
#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/support/e2e.h"

namespace {

struct WindowCount {
    DWORD pid = 0;
    long count = 0;
};

BOOL CALLBACK CountChild(HWND, LPARAM param) {
    ++reinterpret_cast<WindowCount*>(param)->count;
    return TRUE;
}

BOOL CALLBACK CountTop(HWND hwnd, LPARAM param) {
    auto* c = reinterpret_cast<WindowCount*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == c->pid) {
        ++c->count;
        EnumChildWindows(hwnd, CountChild, param);
    }
    return TRUE;
}

long WindowsOf(DWORD pid) {
    WindowCount c;
    c.pid = pid;
    EnumWindows(CountTop, reinterpret_cast<LPARAM>(&c));
    return c.count;
}

// Private memory as the host reports it for the process's host side (anonymous resident
// memory, in KB), read from the host's process file when its id was given; -1 otherwise.
long HostPrivateKb(unsigned long hostPid) {
    if (!hostPid)
        return -1;
    char path[64];
    std::snprintf(path, sizeof path, "Z:\\proc\\%lu\\status", hostPid);
    FILE* f = std::fopen(path, "r");
    if (!f)
        return -1;
    char line[256];
    long kb = -1;
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, "RssAnon:", 8) == 0)
            kb = std::strtol(line + 8, nullptr, 10);
    }
    std::fclose(f);
    return kb;
}

// The process's GDI or USER objects; -1 where the system does not count them (it says so
// instead of giving a number).
long GuiObjects(HANDLE process, DWORD which) {
    SetLastError(ERROR_SUCCESS);
    const DWORD n = GetGuiResources(process, which);
    if (n == 0 && GetLastError() == ERROR_CALL_NOT_IMPLEMENTED)
        return -1;
    return static_cast<long>(n);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: soak_sampler PID [INTERVAL_SECONDS] [SECONDS] [HOST_PID]\n");
        return 2;
    }
    const DWORD pid = static_cast<DWORD>(std::strtoul(argv[1], nullptr, 10));
    const double interval = argc > 2 ? std::atof(argv[2]) : 5.0;
    const double seconds = argc > 3 ? std::atof(argv[3]) : 0.0;
    const unsigned long hostPid = argc > 4 ? std::strtoul(argv[4], nullptr, 10) : 0;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE, FALSE, pid);
    if (!process)
        process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, pid);
    if (!process) {
        std::fprintf(stderr, "soak_sampler: cannot open process %lu (error %lu)\n",
                     static_cast<unsigned long>(pid), static_cast<unsigned long>(GetLastError()));
        return 1;
    }
    const DWORD start = GetTickCount();
    const DWORD step = interval > 0.1 ? static_cast<DWORD>(interval * 1000) : 100;
    std::printf("seconds handles gdi user windows private_kb working_set_kb\n");
    std::fflush(stdout);
    for (;;) {
        const double elapsed = (GetTickCount() - start) / 1000.0;
        const long handles = e2e::HandleCount(pid);
        const long gdi = GuiObjects(process, GR_GDIOBJECTS);
        const long user = GuiObjects(process, GR_USEROBJECTS);
        PROCESS_MEMORY_COUNTERS_EX memory = {};
        memory.cb = sizeof(memory);
        GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof(memory));
        long privateKb = static_cast<long>(memory.PrivateUsage / 1024);
        if (privateKb == 0)
            privateKb = HostPrivateKb(hostPid);
        std::printf("%.1f %ld %ld %ld %ld %ld %lu\n", elapsed, handles, gdi, user, WindowsOf(pid), privateKb,
                    static_cast<unsigned long>(memory.WorkingSetSize / 1024));
        std::fflush(stdout);
        if (seconds > 0 && elapsed + interval > seconds)
            break;
        if (WaitForSingleObject(process, step) == WAIT_OBJECT_0)
            break;
    }
    DWORD code = 0;
    const bool ended = GetExitCodeProcess(process, &code) && code != STILL_ACTIVE;
    CloseHandle(process);
    if (ended)
        std::fprintf(stderr, "soak_sampler: the process ended (exit code %lu)\n",
                     static_cast<unsigned long>(code));
    return 0;
}
