// What the task list needs from the platform besides the shared file helpers: the directory
// of the running program.
#pragma once

#include <string>

namespace tunaro {

// Drive and directory of the running program, with a trailing backslash.
std::string ProgramDirectory();

} // namespace tunaro
