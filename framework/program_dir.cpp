// The running program's executable and directories from the system: GetModuleFileNameA with a
// buffer that grows to the whole path, and GetSystemDirectoryA.
#include "framework/program_dir.h"

#include "framework/file_replace.h"

#include <windows.h>

#include <vector>

namespace tunaro {

std::string ExecutablePath() {
    std::vector<char> module(MAX_PATH + 1);
    for (;;) {
        DWORD got = GetModuleFileNameA(nullptr, module.data(), static_cast<DWORD>(module.size()));
        if (got == 0)
            return std::string();
        if (got < module.size())
            return std::string(module.data(), got);
        module.resize(module.size() * 2);
    }
}

std::string ProgramDirectory() {
    return ParentOfPath(ExecutablePath());
}

std::string ExecutableBaseName(const std::string& fallback) {
    std::string name = BaseNameOfPath(ExecutablePath());
    return name.empty() ? fallback : name;
}

std::string SystemDirectory() {
    char system[MAX_PATH + 1] = {};
    UINT n = GetSystemDirectoryA(system, sizeof system);
    return (n > 0 && n < sizeof system) ? std::string(system, n) : std::string();
}

std::string BaseNameOfPath(const std::string& path) {
    std::string name = path;
    const std::size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    return name;
}

} // namespace tunaro
