// CreateDirectoryA behind the directory creation rule, and the start-up creation of the
// snapshot and recording directories.
#include "tv/directories.h"

#include <windows.h>

namespace tunaro {

static MakeDirResult MakeOneDirectory(const std::string& path) {
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

bool CreateDirectoryTree(const std::string& path) {
    return CreateDirectoryTree(path, MakeOneDirectory);
}

void CreateSettingsDirectories(const TvSettings& settings) {
    CreateDirectoryTree(settings.strImagePath);
    CreateDirectoryTree(settings.strVideoPath);
}

} // namespace tunaro
