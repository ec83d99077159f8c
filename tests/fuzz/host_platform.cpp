// What the pure logic calls on Windows, done with POSIX calls on this Linux host for the fuzz
// build: the scheduler's clock and program directory, the replace-when-complete write, the
// whole-file read and the existence test.
#include "schedule/task_time.h"

#include "framework/file_replace.h"
#include "framework/program_dir.h"

#include <cstdio>
#include <ctime>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tunaro {

namespace {

class HostTaskClock : public TaskClock {
public:
    TaskDateTime LocalNow() const override {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        TaskDateTime t;
        t.year = local.tm_year + 1900;
        t.month = local.tm_mon + 1;
        t.day = local.tm_mday;
        t.hour = local.tm_hour;
        t.minute = local.tm_min;
        t.second = local.tm_sec;
        return t;
    }
    std::int64_t UtcSecondsNow() const override { return std::int64_t(std::time(nullptr)); }
};

} // namespace

const TaskClock& SystemTaskClock() {
    static const HostTaskClock clock;
    return clock;
}

bool WriteFileReplacing(const std::string& path, const void* data, std::size_t size) {
    if (path.empty())
        return false;
    const std::string temp = path + ".tmp";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    const char* p = static_cast<const char*>(data);
    bool ok = true;
    while (ok && size > 0) {
        const ssize_t n = ::write(fd, p, size);
        ok = n > 0;
        if (ok) {
            p += n;
            size -= std::size_t(n);
        }
    }
    ok = ::close(fd) == 0 && ok;
    ok = ok && std::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok)
        std::remove(temp.c_str());
    return ok;
}

bool ReadFileBytes(const std::string& path, std::string& bytes) {
    bytes.clear();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, n);
    const bool ok = std::ferror(file) == 0;
    std::fclose(file);
    return ok;
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::string ProgramDirectory() {
    char module[4096];
    const ssize_t n = ::readlink("/proc/self/exe", module, sizeof module - 1);
    if (n <= 0)
        return std::string();
    const std::string path(module, std::size_t(n));
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

} // namespace tunaro
