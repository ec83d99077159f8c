// The start-up creation of the snapshot and recording directories.
#include "tv/directories.h"

namespace tunaro {

void CreateSettingsDirectories(const TvSettings& settings) {
    CreateDirectoryTree(settings.strImagePath);
    CreateDirectoryTree(settings.strVideoPath);
}

} // namespace tunaro
