// Haltbox: the power-off program stand-in. Instead of switching the computer off it appends one
// line with the time of the request to Haltbox.log beside itself, then ends.
#include <windows.h>

#include <cstdio>
#include <string>

namespace tunaro {
namespace {

constexpr const char kLogName[] = "Haltbox.log";

std::string OwnDirectory() {
    char module[MAX_PATH] = {0};
    const DWORD n = GetModuleFileNameA(nullptr, module, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        return std::string();
    }
    std::string path(module, n);
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The command line without the program's own name (quoted or not).
std::string Arguments() {
    const char* p = GetCommandLineA();
    if (p == nullptr) {
        return std::string();
    }
    while (*p == ' ' || *p == '\t') {
        ++p;
    }
    if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"') {
            ++p;
        }
        if (*p == '"') {
            ++p;
        }
    } else {
        while (*p != '\0' && *p != ' ' && *p != '\t') {
            ++p;
        }
    }
    while (*p == ' ' || *p == '\t') {
        ++p;
    }
    return p;
}

std::string RequestLine() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char stamp[96];
    std::snprintf(stamp, sizeof(stamp), "%04u-%02u-%02u %02u:%02u:%02u.%03u tick=%lu pid=%lu", now.wYear,
                  now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds,
                  static_cast<unsigned long>(GetTickCount()),
                  static_cast<unsigned long>(GetCurrentProcessId()));
    return std::string(stamp) + " power-off requested args=[" + Arguments() + "]\r\n";
}

// Appends the line in one write. Several requests at once (two programs asking together) each
// get a whole line: appending writes do not interleave within one call.
bool AppendLine(const std::string& path, const std::string& line) {
    HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const bool ok = WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
                    written == line.size();
    return CloseHandle(file) && ok;
}

} // namespace
} // namespace tunaro

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Exit code 0: the request is on record; 1: the log could not be written.
    return tunaro::AppendLine(tunaro::OwnDirectory() + tunaro::kLogName, tunaro::RequestLine()) ? 0 : 1;
}
