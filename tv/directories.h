// The snapshot and recording directories made at start (with the framework's
// CreateDirectoryTree).
#pragma once

#include "tv/settings.h"

#include "framework/directory_tree.h"

namespace tunaro {

// Creates the snapshot directory, then the recording directory, where they are missing.
void CreateSettingsDirectories(const TvSettings& settings);

} // namespace tunaro
