// The FM program's settings file and timed-recording list on the disk.
#include "fm/app/fm_settings.h"

#include <windows.h>

#include "framework/debug_print.h"
#include "framework/file_replace.h"
#include "tv/profile_ini.h"

namespace tunaro::fm {

FmSettings LoadFmSettings(const std::string& iniPath, const std::string& programDir) {
    return ReadFmSettings(ProfileIni(iniPath), programDir);
}

bool WriteProfileReplacing(const std::string& iniPath, const std::vector<ProfileValue>& values) {
    return ReplaceFileWith(iniPath, [&](const std::string& temp) {
        if (FileExists(iniPath) && !CopyFileA(iniPath.c_str(), temp.c_str(), FALSE))
            return false;
        for (const ProfileValue& v : values)
            if (!WritePrivateProfileStringA(v.section.c_str(), v.key.c_str(), v.value.c_str(), temp.c_str()))
                return false;
        // The profile cache puts everything on the disk before the swap.
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, temp.c_str());
        return true;
    });
}

bool SaveFmSettings(const std::string& iniPath, const FmSettings& settings) {
    std::vector<ProfileValue> values;
    for (const IniValue& v : FmSettingsWrites(settings))
        values.push_back(ProfileValue{v.section, v.key, v.value});
    return WriteProfileReplacing(iniPath, values);
}

std::vector<TimedRecording> LoadRecordList(const std::string& path) {
    std::string text;
    if (!ReadFileBytes(path, text))
        return {};
    RecordListFile file = ParseRecordList(text);
    for (const std::string& name : file.refusedNames)
        DebugPrint("Tunaro FM: a timed recording named \"%s\" would leave the recording directory and is "
                   "refused, Line=%ld\n",
                   name.c_str(), static_cast<long>(__LINE__));
    SortByStart(file.entries);
    return file.entries;
}

bool SaveRecordList(const std::string& path, const std::vector<TimedRecording>& entries) {
    return WriteFileReplacing(path, FormatRecordList(entries));
}

} // namespace tunaro::fm
