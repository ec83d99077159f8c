// Tests of the settings store: defaults, empty directory values, the write order, the values
// read at use time, and the same through the real profile functions on real files.
#include "tv/profile_ini.h"
#include "tv/settings.h"

#include "tests/tv/test_support.h"

#include <windows.h>

#include <gtest/gtest.h>

using namespace tunaro;
using tvtest::MapIni;

TEST(TvSettings, NoFileGivesTheDefaults) {
    MapIni none;
    TvSettings s = LoadTvSettings(none, "C:\\Program Files\\Tunaro");
    EXPECT_EQ(s.lVideoSource, 1);
    EXPECT_EQ(s.lDisplayMode, 1);
    EXPECT_EQ(s.lVideoStandard, 32);
    EXPECT_EQ(s.lRecordType, 0);
    EXPECT_EQ(s.lCurrentIndex, 0);
    EXPECT_EQ(s.lPreChannelIndex, 0);
    EXPECT_EQ(s.strImagePath, "C:\\Program Files\\Tunaro\\Image");
    EXPECT_EQ(s.strVideoPath, "C:\\Program Files\\Tunaro\\Video");
    EXPECT_EQ(ReadFreqSpace(none), 50000);
    EXPECT_EQ(ReadImageFormat(none), 0);
    EXPECT_EQ(ReadCountryIndex(none), 0);
    EXPECT_EQ(ReadTimeShiftMinutes(none), 30);
}

TEST(TvSettings, EmptyDirectoryValuesGiveTheDefaultDirectories) {
    MapIni ini;
    ini.Set("SavImagePath", "Path", "");
    ini.Set("SavVideoPath", "Path", "");
    TvSettings s = LoadTvSettings(ini, "D:\\TV");
    EXPECT_EQ(s.strImagePath, "D:\\TV\\Image");
    EXPECT_EQ(s.strVideoPath, "D:\\TV\\Video");
    ini.Set("SavImagePath", "Path", "E:\\Shots");
    s = LoadTvSettings(ini, "D:\\TV");
    EXPECT_EQ(s.strImagePath, "E:\\Shots");
    EXPECT_EQ(s.strVideoPath, "D:\\TV\\Video");
}

TEST(TvSettings, WritesInTheFixedOrderAsDecimalText) {
    TvSettings s;
    s.lVideoStandard = 262144;
    s.lRecordType = 7;
    s.lVideoSource = 2;
    s.lCurrentIndex = 15;
    s.lPreChannelIndex = -1;
    s.strImagePath = "C:\\Shots";
    s.strVideoPath = "";
    s.lDisplayMode = 2;
    std::vector<IniValue> expected = {
        {"VideoStandard", "value", "262144"},  {"RecordType", "Type", "7"},
        {"VideoSource", "Source", "2"},        {"Channel", "CurrentIndex", "15"},
        {"Channel", "PreChannelIndex", "-1"},  {"CloseComputer", "Flag", "0"},
        {"SavImagePath", "Path", "C:\\Shots"}, {"SavVideoPath", "Path", ""},
        {"DisplayMode", "Mode", "2"},
    };
    EXPECT_EQ(TvSettingsWrites(s), expected);
    EXPECT_EQ(CloseComputerFlagWrite(), (IniValue{"CloseComputer", "Flag", "0"}));
    EXPECT_EQ(CountryIndexWrite(3), (IniValue{"Country", "iCode", "3"}));
}

TEST(AppSettings, DefaultsAndLanguageDependentCompanyLine) {
    MapIni none;
    AppSettings a = LoadAppSettings(none, false);
    EXPECT_EQ(a.strTitle, "Tunaro");
    EXPECT_EQ(a.strFmTitle, "Tunaro FM");
    EXPECT_EQ(a.strBackground, "BG.BMP");
    EXPECT_EQ(a.strSplash, "splash.bmp");
    EXPECT_EQ(a.strAppName, "Tunaro 3.0");
    EXPECT_EQ(a.strCompany, kDefaultCompany);
    EXPECT_EQ(LoadAppSettings(none, true).strCompany, kDefaultCompanyChinese);

    MapIni ini;
    ini.Set("Title", "Text", "Tunaro3.0");
    ini.Set("company", "name", "English line");
    ini.Set("company", "CHname", "Chinese line");
    ini.Set("MainBK", "filename", std::string(400, 'b'));
    a = LoadAppSettings(ini, false);
    EXPECT_EQ(a.strTitle, "Tunaro3.0");
    EXPECT_EQ(a.strCompany, "English line");
    EXPECT_EQ(a.strBackground.size(), kSettingTextMax);
    EXPECT_EQ(LoadAppSettings(ini, true).strCompany, "Chinese line");
}

// ---- the same through the system's profile functions ------------------------------------

TEST(ProfileIni, MissingFileGivesDefaultsAndSavedStateReadsBack) {
    tvtest::ScratchDir dir;
    std::string path = dir.File("Tunaro.ini");
    ProfileIni ini(path);
    TvSettings defaults = LoadTvSettings(ini, dir.Path());
    EXPECT_EQ(defaults.lVideoSource, 1);
    EXPECT_EQ(defaults.strImagePath, dir.Path() + "\\Image");

    TvSettings s;
    s.lVideoStandard = 8192;
    s.lRecordType = 6;
    s.lVideoSource = 0;
    s.lCurrentIndex = 9;
    s.lPreChannelIndex = 4;
    s.strImagePath = "C:\\My Shots";
    s.strVideoPath = "C:\\My Videos";
    s.lDisplayMode = 2;
    ASSERT_TRUE(SaveTvSettings(path, s));

    // A new file holds the sections in the order they were written, numbers as decimal text.
    EXPECT_EQ(tvtest::ReadAll(path), "[VideoStandard]\r\nvalue=8192\r\n"
                                     "[RecordType]\r\nType=6\r\n"
                                     "[VideoSource]\r\nSource=0\r\n"
                                     "[Channel]\r\nCurrentIndex=9\r\nPreChannelIndex=4\r\n"
                                     "[CloseComputer]\r\nFlag=0\r\n"
                                     "[SavImagePath]\r\nPath=C:\\My Shots\r\n"
                                     "[SavVideoPath]\r\nPath=C:\\My Videos\r\n"
                                     "[DisplayMode]\r\nMode=2\r\n");
    TvSettings back = LoadTvSettings(ProfileIni(path), "C:\\Elsewhere");
    EXPECT_EQ(back.lVideoStandard, 8192);
    EXPECT_EQ(back.lRecordType, 6);
    EXPECT_EQ(back.lVideoSource, 0);
    EXPECT_EQ(back.lCurrentIndex, 9);
    EXPECT_EQ(back.lPreChannelIndex, 4);
    EXPECT_EQ(back.strImagePath, "C:\\My Shots");
    EXPECT_EQ(back.strVideoPath, "C:\\My Videos");
    EXPECT_EQ(back.lDisplayMode, 2);
}

TEST(ProfileIni, SavingKeepsOtherKeysAndEmptyPathsMeanDefaults) {
    tvtest::ScratchDir dir;
    std::string path = dir.File("Tunaro.ini");
    tvtest::WriteAll(path, "[Country]\r\niCode=3\r\n[SavImagePath]\r\nPath=\r\n[Schedule]\r\nAhead=5\r\n"
                           "[SavVideoPath]\r\nPath=\r\n");
    ProfileIni ini(path);
    TvSettings s = LoadTvSettings(ini, "C:\\Prog");
    EXPECT_EQ(s.strImagePath, "C:\\Prog\\Image");
    EXPECT_EQ(s.strVideoPath, "C:\\Prog\\Video");
    EXPECT_EQ(ReadCountryIndex(ini), 3);

    s.lCurrentIndex = 2;
    ASSERT_TRUE(SaveTvSettings(path, s));
    EXPECT_EQ(ReadCountryIndex(ini), 3);
    EXPECT_EQ(ini.ReadInt("Schedule", "Ahead", -1), 5);
    EXPECT_EQ(ini.ReadInt("Channel", "CurrentIndex", -1), 2);
    EXPECT_EQ(ini.ReadString("SavImagePath", "Path", "?", kSettingPathMax), "C:\\Prog\\Image");
    EXPECT_EQ(dir.EntryCount(), 1); // no temporary file left behind
}

TEST(ProfileIni, UseTimeValuesSeeChangesMadeWhileRunning) {
    tvtest::ScratchDir dir;
    std::string path = dir.File("Tunaro.ini");
    ProfileIni ini(path);
    EXPECT_EQ(ReadFreqSpace(ini), 50000);
    tvtest::WriteAll(path, "[FreqSetting]\r\nfreqspace=62500\r\n[RecordFormat]\r\nImageFormat=1\r\n");
    EXPECT_EQ(ReadFreqSpace(ini), 62500);
    EXPECT_EQ(ReadImageFormat(ini), 1);
    // Another program rewrites the file: the next use sees it.
    Sleep(20);
    tvtest::WriteAll(path, "[FreqSetting]\r\nfreqspace=25000\r\n[Country]\r\niCode=6\r\n");
    EXPECT_EQ(ReadFreqSpace(ini), 25000);
    EXPECT_EQ(ReadImageFormat(ini), 0);
    EXPECT_EQ(ReadCountryIndex(ini), 6);
    ASSERT_TRUE(WriteProfileValues(path, {CountryIndexWrite(2)}));
    EXPECT_EQ(ReadCountryIndex(ini), 2);
    EXPECT_EQ(ReadFreqSpace(ini), 25000);
}

TEST(ProfileIni, NegativeAndLongValues) {
    tvtest::ScratchDir dir;
    std::string path = dir.File("x.ini");
    ASSERT_TRUE(WriteProfileValues(path, {IniNumber("Channel", "PreChannelIndex", -7),
                                          IniValue{"SavVideoPath", "Path", std::string(300, 'p')}}));
    ProfileIni ini(path);
    EXPECT_EQ(ini.ReadInt("Channel", "PreChannelIndex", 0), -7);
    EXPECT_EQ(ini.ReadString("SavVideoPath", "Path", "", kSettingPathMax), std::string(kSettingPathMax, 'p'));
}

TEST(ProfileIni, DirectoriesReadBackAsTheyWereSaved) {
    // Blanks at either end and enclosing quotes are what reading a value strips; a line break
    // would have started keys of its own.
    tvtest::ScratchDir dir;
    std::string path = dir.File("Tunaro.ini");
    TvSettings s = LoadTvSettings(ProfileIni(path), "C:\\Prog");
    for (const std::string& image :
         {std::string("  C:\\Leading blanks"), std::string("\"C:\\Quoted\""), std::string("'C:\\Single'"),
          std::string("C:\\Plain \"inner\" quotes")}) {
        s.strImagePath = image;
        s.strVideoPath = "C:\\Video\r\n[Channel]\r\nCurrentIndex=77";
        s.lCurrentIndex = 4;
        ASSERT_TRUE(SaveTvSettings(path, s));
        TvSettings back = LoadTvSettings(ProfileIni(path), "C:\\Prog");
        EXPECT_EQ(back.strImagePath, image);
        EXPECT_EQ(back.strVideoPath, "C:\\Video");
        EXPECT_EQ(back.lCurrentIndex, 4);
    }
    EXPECT_EQ(IniTextValue("C:\\Plain"), "C:\\Plain");
    EXPECT_EQ(IniTextValue(" x"), "\" x\"");
    EXPECT_EQ(IniTextValue("\""), "\""); // a lone quote is not stripped
    EXPECT_EQ(IniTextValue(std::string("a\0b", 3)), "a");
    EXPECT_EQ(IniTextValue(""), "");
}

TEST(ShippedSettings, SettingIniHoldsTheDefaultsAndIsInstalled) {
    std::string shipped = std::string(TUNARO_TV_DATA_DIR) + "/setting.ini";
    for (bool chinese : {false, true}) {
        AppSettings fromFile = LoadAppSettings(ProfileIni(shipped), chinese);
        AppSettings defaults = LoadAppSettings(MapIni(), chinese);
        EXPECT_EQ(fromFile.strTitle, defaults.strTitle);
        EXPECT_EQ(fromFile.strFmTitle, defaults.strFmTitle);
        EXPECT_EQ(fromFile.strBackground, defaults.strBackground);
        EXPECT_EQ(fromFile.strSplash, defaults.strSplash);
        EXPECT_EQ(fromFile.strAppName, defaults.strAppName);
        EXPECT_EQ(fromFile.strCompany, defaults.strCompany);
    }
    // Installed beside the programs.
    char drive[MAX_PATH + 1] = {};
    ASSERT_GT(GetWindowsDirectoryA(drive, sizeof drive), 0u);
    std::string programDir = std::string(drive, 2) + "\\Program Files\\Tunaro";
    EXPECT_EQ(tvtest::ReadAll(programDir + "\\setting.ini"), tvtest::ReadAll(shipped));
}
