// The FM program's settings file and timed-recording list on the disk.
#include "fm/app/fm_settings.h"

#include <windows.h>

#include "framework/debug_print.h"
#include "framework/file_replace.h"
#include "framework/format.h"

namespace tunaro::fm {

namespace {
std::string ReadText(const std::string& path, const char* section, const char* key) {
    char text[MAX_PATH * 2] = {};
    GetPrivateProfileStringA(section, key, "", text, sizeof text, path.c_str());
    return text;
}
long ReadLong(const std::string& path, const char* section, const char* key, long def) {
    return static_cast<long>(GetPrivateProfileIntA(section, key, static_cast<INT>(def), path.c_str()));
}
} // namespace

FmSettings LoadFmSettings(const std::string& iniPath, const std::string& programDir) {
    FmSettings s;
    s.lSense = ReadLong(iniPath, "AutoScan", "Sense", 0);
    s.lRecordType = ReadLong(iniPath, "Record", "RecordType", 0);
    s.strRecordPath = ReadText(iniPath, "Record", "RecordPath");
    if (s.strRecordPath.empty())
        s.strRecordPath = programDir + "\\Record";
    s.lCurrentIndex = ReadLong(iniPath, "Channel", "CurrentIndex", 0);
    s.lPreChannelIndex = ReadLong(iniPath, "Channel", "PreChannelIndex", 0);
    return s;
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
    return WriteProfileReplacing(iniPath, {
                                              {"Record", "RecordPath", settings.strRecordPath},
                                              {"Channel", "CurrentIndex", Format("%ld", settings.lCurrentIndex)},
                                              {"Channel", "PreChannelIndex", Format("%ld", settings.lPreChannelIndex)},
                                          });
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
