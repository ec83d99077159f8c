// Win32 side of the task model: the computer's clock, the program directory and replacing the
// task file through a temporary file so that a failed save never loses the previous one.
#include "schedule/task_store.h"
#include "schedule/task_time.h"

#include "framework/raii.h"

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

bool WriteAll(HANDLE h, const void* data, std::size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const DWORD chunk = size > 0x100000 ? 0x100000 : DWORD(size);
        DWORD written = 0;
        if (!WriteFile(h, p, chunk, &written, nullptr) || written != chunk) {
            return false;
        }
        p += chunk;
        size -= chunk;
    }
    return true;
}

bool MoveOver(const std::string& from, const std::string& to) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return true;
    }
    if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) {
        return false;
    }
    // Systems without MoveFileEx: the old file goes only once the new one is complete.
    DeleteFileA(to.c_str());
    return MoveFileA(from.c_str(), to.c_str()) != FALSE;
}

} // namespace

const TaskClock& SystemTaskClock() {
    static const ComputerTaskClock clock;
    return clock;
}

bool ReplaceFileContents(const std::string& path, const void* data, std::size_t size) {
    if (path.empty()) {
        return false;
    }
    const std::string temp = path + ".tmp";
    tunaro::FileHandle file(
        CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return false;
    }
    bool ok = WriteAll(file.get(), data, size);
    ok = ok && FlushFileBuffers(file.get()) != FALSE;
    // Closed here, not by the holder, so that a failed close counts as a failed save.
    ok = CloseHandle(file.Detach()) != FALSE && ok;
    ok = ok && MoveOver(temp, path);
    if (!ok) {
        DeleteFileA(temp.c_str());
    }
    return ok;
}

std::string ProgramDirectory() {
    char module[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, module, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        return std::string();
    }
    std::string path(module, n);
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

} // namespace tunaro
