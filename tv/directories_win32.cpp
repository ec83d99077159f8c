// CreateDirectoryA behind the directory creation rule, and the start-up creation of the
// snapshot and recording directories.
#include "tv/directories.h"

#include <windows.h>

namespace tunaro {

static MakeDirResult MakeOneDirectory(const std::string& path) {
    if (CreateDirectoryA(path.c_str(), nullptr))
        return MakeDirResult::kCreated;
    switch (GetLastError()) {
    case ERROR_ALREADY_EXISTS: {
        DWORD a = GetFileAttributesA(path.c_str());
        bool isDir = a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
        return isDir ? MakeDirResult::kExists : MakeDirResult::kFailed;
    }
    case ERROR_PATH_NOT_FOUND:
        return MakeDirResult::kParentMissing;
    case ERROR_ACCESS_DENIED:
        return MakeDirResult::kAccessDenied;
    default:
        return MakeDirResult::kFailed;
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
