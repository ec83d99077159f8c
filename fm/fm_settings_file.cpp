// The keys of "FMSETTING.ini" and their defaults.
#include "fm/fm_settings_file.h"

namespace tunaro::fm {

FmSettings ReadFmSettings(const IniSource& ini, const std::string& programDir) {
    FmSettings s;
    s.lSense = ini.ReadInt("AutoScan", "Sense", 0);
    s.lRecordType = ini.ReadInt("Record", "RecordType", 0);
    s.strRecordPath = ini.ReadString("Record", "RecordPath", "", kFmRecordPathMax);
    if (s.strRecordPath.empty())
        s.strRecordPath = programDir + "\\Record";
    s.lCurrentIndex = ini.ReadInt("Channel", "CurrentIndex", 0);
    s.lPreChannelIndex = ini.ReadInt("Channel", "PreChannelIndex", 0);
    return s;
}

std::vector<IniValue> FmSettingsWrites(const FmSettings& s) {
    return {
        IniValue{"Record", "RecordPath", IniTextValue(s.strRecordPath)},
        IniNumber("Channel", "CurrentIndex", s.lCurrentIndex),
        IniNumber("Channel", "PreChannelIndex", s.lPreChannelIndex),
    };
}

} // namespace tunaro::fm
