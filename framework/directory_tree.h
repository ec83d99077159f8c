// Creating a directory together with the parents it lacks, as the programs' snapshot, recording
// and record directories need.
#pragma once

#include <functional>
#include <string>

namespace tunaro {

enum class MakeDirResult { Created, Exists, ParentMissing, AccessDenied, Failed };

// Creates path; when that fails for a missing parent, creates the parent first (cutting at the
// last backslash, recursively) and tries again. Stops quietly at a drive root ("X:") and when
// access is denied. True when the directory exists afterwards. makeDir creates one directory.
bool CreateDirectoryTree(const std::string& path,
                         const std::function<MakeDirResult(const std::string&)>& makeDir);

// The same with the file system's CreateDirectoryA.
bool CreateDirectoryTree(const std::string& path);

} // namespace tunaro
