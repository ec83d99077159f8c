// File system operations the task list needs from the platform: replacing a file's contents
// safely and finding the directory of the running program.
#pragma once

#include <cstddef>
#include <string>

namespace tunaro {

// Writes the data to a temporary file beside the target, flushes it to disk and then moves it
// over the target in one step. On any failure the temporary file is removed, the target is left
// as it was and false is returned.
bool ReplaceFileContents(const std::string& path, const void* data, std::size_t size);

// Drive and directory of the running program, with a trailing backslash.
std::string ProgramDirectory();

} // namespace tunaro
