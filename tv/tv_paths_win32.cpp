// The running program's directories from the system: GetSystemDirectoryA and the module path.
#include "tv/tv_paths.h"

#include <windows.h>

#include <vector>

namespace tunaro {

TvPaths CurrentTvPaths() {
    char system[MAX_PATH + 1] = {};
    UINT n = GetSystemDirectoryA(system, sizeof system);
    std::string systemDir = (n > 0 && n < sizeof system) ? std::string(system, n) : std::string();

    // Grow the buffer until the whole module path fits (long installation paths).
    std::vector<char> module(MAX_PATH + 1);
    for (;;) {
        DWORD got = GetModuleFileNameA(nullptr, module.data(), static_cast<DWORD>(module.size()));
        if (got == 0) {
            module[0] = '\0';
            break;
        }
        if (got < module.size())
            break;
        module.resize(module.size() * 2);
    }
    return MakeTvPaths(systemDir, ProgramDirectoryOf(module.data()));
}

} // namespace tunaro
