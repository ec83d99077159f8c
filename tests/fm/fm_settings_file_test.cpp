// "FMSETTING.ini" through the system's profile functions: what a start reads, and that what the
// end of a run writes reads back the same, whatever the record path holds.
#include "fm/fm_settings_file.h"

#include "tests/support/e2e.h"
#include "tv/profile_ini.h"

#include <gtest/gtest.h>

namespace {

namespace fm = tunaro::fm;

const char kProgramDir[] = "C:\\Program Files\\Tunaro";

TEST(FmSettingsFileTest, ReadsTheKeysWithTheirDefaults) {
    e2e::ScratchDir dir("fmsettings_read");
    ASSERT_TRUE(dir.Made());
    const std::string path = dir.File("FMSETTING.ini");

    // No file at all: every default, the record folder beside the program.
    fm::FmSettings s = fm::ReadFmSettings(tunaro::ProfileIni(path), kProgramDir);
    EXPECT_EQ(s.lSense, 0);
    EXPECT_EQ(s.lRecordType, 0);
    EXPECT_EQ(s.strRecordPath, "C:\\Program Files\\Tunaro\\Record");
    EXPECT_EQ(s.lCurrentIndex, 0);
    EXPECT_EQ(s.lPreChannelIndex, 0);

    ASSERT_TRUE(e2e::WriteFile(path,
                               "[AutoScan]\r\nSense=3\r\n[Record]\r\nRecordType=1\r\nRecordPath=D:\\Radio\r\n"
                               "[Channel]\r\nCurrentIndex=12\r\nPreChannelIndex=-1\r\n"));
    s = fm::ReadFmSettings(tunaro::ProfileIni(path), kProgramDir);
    EXPECT_EQ(s.lSense, 3);
    EXPECT_EQ(s.lRecordType, 1);
    EXPECT_EQ(s.strRecordPath, "D:\\Radio");
    EXPECT_EQ(s.lCurrentIndex, 12);
    EXPECT_EQ(s.lPreChannelIndex, -1);

    // An empty path is no path: the default folder again.
    ASSERT_TRUE(e2e::WriteFile(path, "[Record]\r\nRecordPath=\r\n"));
    EXPECT_EQ(fm::ReadFmSettings(tunaro::ProfileIni(path), kProgramDir).strRecordPath,
              "C:\\Program Files\\Tunaro\\Record");
}

TEST(FmSettingsFileTest, WhatTheEndOfARunWritesReadsBackAndAddsNoKeys) {
    e2e::ScratchDir dir("fmsettings_write");
    ASSERT_TRUE(dir.Made());
    const std::string path = dir.File("FMSETTING.ini");
    const std::string others =
        "[AutoScan]\r\nSense=2\r\n[Record]\r\nRecordType=1\r\n[CloseComputer]\r\nFlag=1\r\n";

    struct Case {
        std::string path;     // the record path kept in memory
        std::string readBack; // what the next start reads
    };
    const Case cases[] = {
        {"D:\\Radio", "D:\\Radio"},
        {"  D:\\Radio  ", "  D:\\Radio  "},            // blanks a read would strip
        {"\"D:\\Radio\"", "\"D:\\Radio\""},            // quotes a read would strip
        {"D:\\Radio\r\nCurrentIndex=77", "D:\\Radio"}, // a line break ends the text
        {"D:\\Radio\n[Channel]\nPreChannelIndex=88", "D:\\Radio"},
        {"E:\\" + std::string(fm::kFmRecordPathMax - 3, 'p'),
         "E:\\" + std::string(fm::kFmRecordPathMax - 3, 'p')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        ASSERT_TRUE(e2e::WriteFile(path, others));
        fm::FmSettings s = fm::ReadFmSettings(tunaro::ProfileIni(path), kProgramDir);
        s.strRecordPath = c.path;
        s.lCurrentIndex = 5;
        s.lPreChannelIndex = 4;
        ASSERT_TRUE(tunaro::WriteProfileValues(path, fm::FmSettingsWrites(s)));

        const tunaro::ProfileIni ini(path);
        const fm::FmSettings back = fm::ReadFmSettings(ini, kProgramDir);
        EXPECT_EQ(back.strRecordPath, c.readBack);
        EXPECT_EQ(back.lCurrentIndex, 5);
        EXPECT_EQ(back.lPreChannelIndex, 4);
        EXPECT_EQ(back.lSense, 2);
        EXPECT_EQ(back.lRecordType, 1);
        EXPECT_EQ(ini.ReadInt("CloseComputer", "Flag", -1), 1);
        const std::string text = e2e::ReadFile(path);
        EXPECT_EQ(text.find("77"), std::string::npos) << text;
        EXPECT_EQ(text.find("88"), std::string::npos) << text;
    }
}

} // namespace
