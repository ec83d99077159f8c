// The parent-first directory creation rule, independent of the file system it runs on.
#include "tv/directories.h"

namespace tunaro {

static bool IsDriveRoot(const std::string& path) {
    return path.size() == 2 && path[1] == ':';
}

bool CreateDirectoryTree(const std::string& path,
                         const std::function<MakeDirResult(const std::string&)>& makeDir) {
    if (path.empty())
        return false;
    MakeDirResult r = makeDir(path);
    if (r == MakeDirResult::Created || r == MakeDirResult::Exists)
        return true;
    if (r != MakeDirResult::ParentMissing)
        return false;
    std::size_t cut = path.find_last_of("\\/");
    if (cut == std::string::npos)
        return false;
    std::string parent = path.substr(0, cut);
    if (parent.empty() || IsDriveRoot(parent))
        return false;
    if (!CreateDirectoryTree(parent, makeDir))
        return false;
    r = makeDir(path);
    return r == MakeDirResult::Created || r == MakeDirResult::Exists;
}

} // namespace tunaro
