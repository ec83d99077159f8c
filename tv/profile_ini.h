// The TV application's writes of its INI files, over the framework's private-profile reads and
// replacing writes (framework/ini_file.h).
#pragma once

#include "framework/ini_file.h"
#include "tv/settings.h"

#include <string>
#include <vector>

namespace tunaro {

// Writes the user's state at the end of a run ("Tunaro.ini").
bool SaveTvSettings(const std::string& tunaroIniPath, const TvSettings& settings);

// "CloseComputer"/"Flag" = "0" on its own, as the control panel writes it when its window goes.
bool WriteCloseComputerFlag(const std::string& tunaroIniPath);

} // namespace tunaro
