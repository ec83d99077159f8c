// Whole-file reads and writes that replace a file in one step: the new contents go to a
// temporary file beside the old one, which is swapped in only when everything was written.
// Every file a program keeps for the user is written this way, never truncated in place.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace tunaro {

// Reads the whole file; false when it cannot be opened or read.
bool ReadFileBytes(const std::string& path, std::string& bytes);

// Makes a temporary file in path's directory, lets fill write it (fill gets the temporary
// file's path and says whether all went well) and then moves it over path. On any failure the
// temporary file is removed and path keeps its previous contents (or stays absent).
bool ReplaceFileWith(const std::string& path, const std::function<bool(const std::string& tempPath)>& fill);

// ReplaceFileWith writing exactly these bytes, flushed to the disk before the swap. An empty
// path fails.
bool WriteFileReplacing(const std::string& path, const std::string& bytes);
bool WriteFileReplacing(const std::string& path, const void* data, std::size_t size);

// Writes bytes to path directly (the file is created or truncated), flushes and closes it;
// false on any failure, a failed close included.
bool WriteFileBytes(const std::string& path, const std::string& bytes);
bool WriteFileBytes(const std::string& path, const void* data, std::size_t size);

bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);

// path up to its last backslash (or slash); "" when it has none.
std::string ParentOfPath(const std::string& path);

} // namespace tunaro
