// Where the TV application finds its files: the program directory for the INI files and the
// Windows system directory for the channel files and the recording profiles.
#pragma once

#include <string>

namespace tunaro {

struct TvPaths {
    std::string strSystemDir;     // no trailing backslash
    std::string strProgramDir;    // the executable's directory, no trailing backslash
    std::string strSettingIni;    // program directory\setting.ini
    std::string strTunaroIni;     // program directory\Tunaro.ini
    std::string strProgramTxt;    // system directory\program.txt
    std::string strChannelTxt;    // system directory\CHANNEL.TXT
    std::string strRecordProfile; // system directory\RecordSetting.prx
    std::string strWmvProfile;    // system directory\WMV9.prx
};

TvPaths MakeTvPaths(const std::string& systemDir, const std::string& programDir);

// The paths of the running program (system directory and executable from the system).
TvPaths CurrentTvPaths();

} // namespace tunaro
