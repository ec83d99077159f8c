// The FM program's settings file and timed-recording list on the disk.
#include "fm/app/fm_settings.h"

#include "framework/debug_print.h"
#include "framework/file_replace.h"
#include "framework/ini_file.h"

namespace tunaro::fm {

FmSettings LoadFmSettings(const std::string& iniPath, const std::string& programDir) {
    return ReadFmSettings(ProfileIni(iniPath), programDir);
}

bool SaveFmSettings(const std::string& iniPath, const FmSettings& settings) {
    return WriteProfileValues(iniPath, FmSettingsWrites(settings));
}

std::vector<TimedRecording> LoadRecordList(const std::string& path) {
    std::string text;
    if (!ReadFileBytes(path, text))
        return {};
    RecordListFile file = ParseRecordList(text);
    for (const std::string& name : file.refusedNames)
        TUNARO_TRACE("Tunaro FM: a timed recording named \"%s\" would leave the recording directory and is "
                     "refused",
                     name.c_str());
    SortByStart(file.entries);
    return file.entries;
}

bool SaveRecordList(const std::string& path, const std::vector<TimedRecording>& entries) {
    return WriteFileReplacing(path, FormatRecordList(entries));
}

} // namespace tunaro::fm
