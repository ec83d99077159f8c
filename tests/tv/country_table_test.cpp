// Tests of the country frequency table: the reader's numbering, keys, comments and stopping
// rule, the current country, and the tables shipped for the installation.
#include "tv/country_table.h"

#include "tv/channel_files.h"
#include "tv/text_pieces.h"

#include "test_support.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

using namespace tunaro;

TEST(CountryReader, AWordDoesNotCountAndAZeroCountsButAddsNothing) {
    std::vector<CountryEntry> t = ParseCountryTable("[Test]\n"
                                                    "ChannelLow=2\n"
                                                    "48250000\n"
                                                    "nothing here\n"
                                                    "0\n"
                                                    "62250000\n");
    ASSERT_EQ(t.size(), 1u);
    ASSERT_EQ(t[0].m_frequencies.size(), 2u);
    const ChannelRecord& a = t[0].m_frequencies[0];
    const ChannelRecord& b = t[0].m_frequencies[1];
    EXPECT_EQ(a.m_strName, "Channel 2");
    EXPECT_EQ(a.m_nChannel, 2);
    EXPECT_EQ(a.m_nFrequency, 48250000);
    EXPECT_EQ(a.m_nEnabled, 1);
    EXPECT_EQ(a.m_nAudioMode, 0);
    EXPECT_EQ(b.m_strName, "Channel 4");
    EXPECT_EQ(b.m_nChannel, 4);
    EXPECT_EQ(b.m_nFrequency, 62250000);
}

TEST(CountryReader, SectionsKeysCommentsAndFormatLines) {
    std::vector<CountryEntry> t = ParseCountryTable("; frequency tables\n"
                                                    "\n"
                                                    "[First]   ; trailing comment\n"
                                                    "CountryCode=86\n"
                                                    "ChannelLow=1\n"
                                                    "ChannelHigh=57\n"
                                                    "Format=625 lines\n"
                                                    "  49750000   ; DS-1\n"
                                                    "Hz: 57750000\n"
                                                    "[Empty one]\n"
                                                    "[Second]\n"
                                                    "countrycode=44\n"
                                                    "ChannelLow=21\n"
                                                    "471250000\r\n");
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t[0].m_strName, "First");
    EXPECT_EQ(t[0].m_lCountryCode, 86);
    EXPECT_EQ(t[0].m_lChannelLow, 1);
    EXPECT_EQ(t[0].m_lChannelHigh, 57);
    ASSERT_EQ(t[0].m_frequencies.size(), 2u); // the Format line adds nothing
    EXPECT_EQ(t[0].m_frequencies[0].m_nFrequency, 49750000);
    EXPECT_EQ(t[0].m_frequencies[1].m_nFrequency, 57750000);
    EXPECT_EQ(t[0].m_frequencies[1].m_strName, "Channel 2");
    EXPECT_EQ(t[1].m_strName, "Empty one");
    EXPECT_TRUE(t[1].m_frequencies.empty());
    EXPECT_EQ(t[2].m_strName, "Second");
    EXPECT_EQ(t[2].m_lCountryCode, 44);
    ASSERT_EQ(t[2].m_frequencies.size(), 1u);
    EXPECT_EQ(t[2].m_frequencies[0].m_nChannel, 21); // the position restarts in every section
    EXPECT_EQ(t[2].m_frequencies[0].m_nFrequency, 471250000);
}

TEST(CountryReader, TextBeforeTheFirstSectionEndsReading) {
    EXPECT_TRUE(ParseCountryTable("49750000\n[China]\nCountryCode=86\n57750000\n").empty());
    EXPECT_TRUE(ParseCountryTable("").empty());
    EXPECT_TRUE(ParseCountryTable("; only comments\n\n").empty());
    // "[" without a "]" after it is no section header.
    EXPECT_TRUE(ParseCountryTable("] [China\n").empty());
}

TEST(CountryReader, LongLinesAreReadInPieces) {
    // 127 characters of comment and then a number: the number starts the next piece.
    std::string text = "[X]\n;" + std::string(kCountryLineMax - 1, 'c') + "55250000\n";
    std::vector<CountryEntry> t = ParseCountryTable(text);
    ASSERT_EQ(t.size(), 1u);
    ASSERT_EQ(t[0].m_frequencies.size(), 1u);
    EXPECT_EQ(t[0].m_frequencies[0].m_nFrequency, 55250000);
}

TEST(CountryTable, CurrentCountryFromTheStoredSetting) {
    CountryTable table;
    EXPECT_EQ(table.Current(), nullptr);
    EXPECT_EQ(table.SelectFromSetting(3), 0);
    table.Assign(ParseCountryTable("[A]\nCountryCode=1\n[B]\nCountryCode=2\n[C]\nCountryCode=3\n"));
    EXPECT_EQ(table.SelectFromSetting(2), 2);
    EXPECT_EQ(table.Current()->m_lCountryCode, 3);
    EXPECT_FALSE(table.SetCurrentIndex(3));
    EXPECT_EQ(table.CurrentIndex(), 2);
    // A setting beyond the table (sections removed since) falls back to the first country.
    EXPECT_EQ(table.SelectFromSetting(7), 0);
    EXPECT_EQ(table.SelectFromSetting(-1), 0);
    EXPECT_EQ(table.Current()->m_strName, "A");
}
