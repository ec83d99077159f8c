// The file paths of the TV application formed from its two directories.
#include "tv/tv_paths.h"

#include "framework/program_dir.h"

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

TvPaths CurrentTvPaths() {
    return MakeTvPaths(SystemDirectory(), ProgramDirectory());
}

} // namespace tunaro
