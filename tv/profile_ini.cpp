// The TV application's state and close flag written to "Tunaro.ini".
#include "tv/profile_ini.h"

namespace tunaro {

bool SaveTvSettings(const std::string& tunaroIniPath, const TvSettings& settings) {
    return WriteProfileValues(tunaroIniPath, TvSettingsWrites(settings));
}

bool WriteCloseComputerFlag(const std::string& tunaroIniPath) {
    return WriteProfileValues(tunaroIniPath, {CloseComputerFlagWrite()});
}

} // namespace tunaro
