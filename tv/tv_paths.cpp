// The file paths of the TV application formed from its two directories.
#include "tv/tv_paths.h"

namespace tunaro {

TvPaths MakeTvPaths(const std::string& systemDir, const std::string& programDir) {
    TvPaths p;
    p.strSystemDir = systemDir;
    p.strProgramDir = programDir;
    p.strSettingIni = programDir + "\\setting.ini";
    p.strTunaroIni = programDir + "\\Tunaro.ini";
    p.strProgramTxt = systemDir + "\\program.txt";
    p.strChannelTxt = systemDir + "\\CHANNEL.TXT";
    p.strRecordProfile = systemDir + "\\RecordSetting.prx";
    p.strWmvProfile = systemDir + "\\WMV9.prx";
    return p;
}

std::string ProgramDirectoryOf(const std::string& executablePath) {
    std::size_t cut = executablePath.find_last_of('\\');
    return cut == std::string::npos ? std::string() : executablePath.substr(0, cut);
}

} // namespace tunaro
