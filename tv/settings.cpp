// Defaults, read order and write order of the TV application's two INI files.
#include "tv/settings.h"

#include "framework/format.h"

namespace tunaro {

namespace {
constexpr const char* kVideoStandard = "VideoStandard";
constexpr const char* kRecordType = "RecordType";
constexpr const char* kVideoSource = "VideoSource";
constexpr const char* kChannel = "Channel";
constexpr const char* kCloseComputer = "CloseComputer";
constexpr const char* kSavImagePath = "SavImagePath";
constexpr const char* kSavVideoPath = "SavVideoPath";
constexpr const char* kDisplayMode = "DisplayMode";
} // namespace

AppSettings LoadAppSettings(const IniSource& ini, bool chineseMode) {
    AppSettings s;
    s.strTitle = ini.ReadString("Title", "Text", kDefaultTitle, kSettingTextMax);
    s.strFmTitle = ini.ReadString("FM", "Title", kDefaultFmTitle, kSettingTextMax);
    s.strBackground = ini.ReadString("MainBK", "filename", kDefaultBackground, kSettingTextMax);
    s.strSplash = ini.ReadString("splash", "filename", kDefaultSplash, kSettingTextMax);
    s.strAppName = ini.ReadString("apName", "name", kDefaultAppName, kSettingTextMax);
    if (chineseMode)
        s.strCompany = ini.ReadString("company", "CHname", kDefaultCompanyChinese, kSettingTextMax);
    else
        s.strCompany = ini.ReadString("company", "name", kDefaultCompany, kSettingTextMax);
    return s;
}

std::string DefaultImagePath(const std::string& programDir) {
    return programDir + "\\Image";
}
std::string DefaultVideoPath(const std::string& programDir) {
    return programDir + "\\Video";
}

static std::string ReadPath(const IniSource& ini, const char* section, const std::string& def) {
    // A key written empty (the directory page cleared it) means the default as well.
    std::string path = ini.ReadString(section, "Path", def.c_str(), kSettingPathMax);
    return path.empty() ? def : path;
}

TvSettings LoadTvSettings(const IniSource& ini, const std::string& programDir) {
    TvSettings s;
    s.lVideoStandard = ini.ReadInt(kVideoStandard, "value", kDefaultVideoStandard);
    s.lRecordType = ini.ReadInt(kRecordType, "Type", kDefaultRecordType);
    s.lVideoSource = ini.ReadInt(kVideoSource, "Source", kDefaultVideoSource);
    s.lCurrentIndex = ini.ReadInt(kChannel, "CurrentIndex", 0);
    s.lPreChannelIndex = ini.ReadInt(kChannel, "PreChannelIndex", 0);
    s.strImagePath = ReadPath(ini, kSavImagePath, DefaultImagePath(programDir));
    s.strVideoPath = ReadPath(ini, kSavVideoPath, DefaultVideoPath(programDir));
    s.lDisplayMode = ini.ReadInt(kDisplayMode, "Mode", kDefaultDisplayMode);
    return s;
}

std::vector<IniValue> TvSettingsWrites(const TvSettings& s) {
    return {
        IniNumber(kVideoStandard, "value", s.lVideoStandard),
        IniNumber(kRecordType, "Type", s.lRecordType),
        IniNumber(kVideoSource, "Source", s.lVideoSource),
        IniNumber(kChannel, "CurrentIndex", s.lCurrentIndex),
        IniNumber(kChannel, "PreChannelIndex", s.lPreChannelIndex),
        CloseComputerFlagWrite(),
        ImagePathWrite(s.strImagePath),
        VideoPathWrite(s.strVideoPath),
        IniNumber(kDisplayMode, "Mode", s.lDisplayMode),
    };
}

IniValue CloseComputerFlagWrite() {
    return IniNumber(kCloseComputer, "Flag", 0);
}
IniValue CountryIndexWrite(long index) {
    return IniNumber("Country", "iCode", index);
}
IniValue RecordTypeWrite(long type) {
    return IniNumber(kRecordType, "Type", type);
}
IniValue ImagePathWrite(const std::string& path) {
    return IniValue{kSavImagePath, "Path", IniTextValue(path)};
}
IniValue VideoPathWrite(const std::string& path) {
    return IniValue{kSavVideoPath, "Path", IniTextValue(path)};
}
IniValue ContrastWrite(long contrast) {
    return IniNumber("Color", "contrast", contrast);
}

int32_t ReadImageFormat(const IniSource& ini) {
    return ini.ReadInt("RecordFormat", "ImageFormat", 0);
}
int32_t ReadFreqSpace(const IniSource& ini) {
    return ini.ReadInt("FreqSetting", "freqspace", kDefaultFreqSpace);
}
int32_t ReadCountryIndex(const IniSource& ini) {
    return ini.ReadInt("Country", "iCode", 0);
}
int32_t ReadTimeShiftMinutes(const IniSource& ini) {
    return ini.ReadInt("TimeShift", "Minutes", kDefaultTimeShiftMinutes);
}

} // namespace tunaro
