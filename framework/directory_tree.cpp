// The parent-first directory creation rule, and CreateDirectoryA behind it.
#include "framework/directory_tree.h"

#include <windows.h>

namespace tunaro {

namespace {

bool IsDriveRoot(const std::string& path) {
    return path.size() == 2 && path[1] == ':';
}

MakeDirResult MakeOneDirectory(const std::string& path) {
    if (CreateDirectoryA(path.c_str(), nullptr))
        return MakeDirResult::Created;
    switch (GetLastError()) {
    case ERROR_ALREADY_EXISTS: {
        DWORD a = GetFileAttributesA(path.c_str());
        bool isDir = a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
        return isDir ? MakeDirResult::Exists : MakeDirResult::Failed;
    }
    case ERROR_PATH_NOT_FOUND:
        return MakeDirResult::ParentMissing;
    case ERROR_ACCESS_DENIED:
        return MakeDirResult::AccessDenied;
    default:
        return MakeDirResult::Failed;
    }
}

} // namespace

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

bool CreateDirectoryTree(const std::string& path) {
    return CreateDirectoryTree(path, MakeOneDirectory);
}

} // namespace tunaro
