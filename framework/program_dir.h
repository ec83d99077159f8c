// Where the running program lives: its executable, its directory and the Windows system
// directory, asked of the system once per call.
#pragma once

#include <string>

namespace tunaro {

// The running program's executable with its full path; "" when the system cannot say. Long
// installation paths are read whole.
std::string ExecutablePath();

// The directory of the running program's executable, without a trailing backslash ("" when
// unknown). The programs' own files (setting.ini, Tunaro.ini, the task file) live here.
std::string ProgramDirectory();

// The executable's file name without folder and extension ("Tunaro" for ...\Tunaro.exe), the
// name of each program's single-copy mutex; `fallback` when there is none.
std::string ExecutableBaseName(const std::string& fallback);

// The Windows system directory without a trailing backslash ("" when unknown).
std::string SystemDirectory();

// A path's last part without its extension: "C:\a\Tunaro.exe" gives "Tunaro", ".ini" stays.
std::string BaseNameOfPath(const std::string& path);

} // namespace tunaro
