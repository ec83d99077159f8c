// The TV application's settings: the read-only "setting.ini" (titles, skin and About texts)
// and the user's state in "Tunaro.ini", with their defaults, the order in which the state is
// written and the values read afresh each time they are used.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "framework/ini.h"

namespace tunaro {

// ---- setting.ini -------------------------------------------------------------------------

constexpr std::size_t kSettingTextMax = 260;

constexpr const char* kDefaultTitle = "Tunaro";
constexpr const char* kDefaultFmTitle = "Tunaro FM";
constexpr const char* kDefaultBackground = "BG.BMP";
constexpr const char* kDefaultSplash = "splash.bmp";
constexpr const char* kDefaultAppName = "Tunaro 3.0";
constexpr const char* kDefaultCompany = "Tunaro Team";
constexpr const char* kDefaultCompanyChinese = "Tunaro 开发组";

struct AppSettings {
    std::string strTitle;      // "Title"/"Text": the control panel's title, how peers find it
    std::string strFmTitle;    // "FM"/"Title"
    std::string strBackground; // "MainBK"/"filename", in the program directory
    std::string strSplash;     // "splash"/"filename", in the program directory
    std::string strAppName;    // "apName"/"name", for the About dialog
    std::string strCompany;    // "company"/"name" in English, "CHname" in Chinese mode
};

AppSettings LoadAppSettings(const IniSource& settingIni, bool chineseMode);

// ---- Tunaro.ini --------------------------------------------------------------------------

constexpr std::size_t kSettingPathMax = 258;

constexpr int32_t kDefaultVideoStandard = 32; // PAL-D
constexpr int32_t kDefaultRecordType = 0;     // DVD
constexpr int32_t kDefaultVideoSource = 1;
constexpr int32_t kDefaultDisplayMode = 1; // overlay chain
constexpr int32_t kDefaultFreqSpace = 50000;

// The user's state held in memory between start and end.
struct TvSettings {
    int32_t lVideoStandard = kDefaultVideoStandard;
    int32_t lRecordType = kDefaultRecordType;
    int32_t lVideoSource = kDefaultVideoSource;
    int32_t lCurrentIndex = 0;
    int32_t lPreChannelIndex = 0;
    std::string strImagePath; // snapshot directory
    std::string strVideoPath; // recording directory
    int32_t lDisplayMode = kDefaultDisplayMode;
};

// programDir + "\Image" and programDir + "\Video".
std::string DefaultImagePath(const std::string& programDir);
std::string DefaultVideoPath(const std::string& programDir);

// Reads the state in its fixed order; an empty directory value gives the default directory.
TvSettings LoadTvSettings(const IniSource& tunaroIni, const std::string& programDir);

// The keys the end of a run writes, in the order they are written (the order decides the
// section order of a new file).
std::vector<IniValue> TvSettingsWrites(const TvSettings& settings);

// "CloseComputer"/"Flag" = "0", written once more when the control panel window goes away.
IniValue CloseComputerFlagWrite();
// "Country"/"iCode": the channel edit page stores the chosen country with it.
IniValue CountryIndexWrite(long index);
// "RecordType"/"Type" (record type page), the two directories (directory page) and the
// contrast (colour page) each store their value as soon as the user changes it.
IniValue RecordTypeWrite(long type);
IniValue ImagePathWrite(const std::string& path);
IniValue VideoPathWrite(const std::string& path);
IniValue ContrastWrite(long contrast);

// Values read each time they are used, so edits made to the file while the program runs
// take effect at once.
int32_t ReadImageFormat(const IniSource& tunaroIni); // 0: 352 x 288, other: 320 x 240
int32_t ReadFreqSpace(const IniSource& tunaroIni);   // Hz per Freq+/Freq- step
int32_t ReadCountryIndex(const IniSource& tunaroIni);
// "TimeShift"/"Minutes": how much of live TV a pause keeps (0 turns time shift off).
constexpr int32_t kDefaultTimeShiftMinutes = 30;
int32_t ReadTimeShiftMinutes(const IniSource& tunaroIni);

} // namespace tunaro
