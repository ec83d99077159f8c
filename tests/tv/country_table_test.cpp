// Tests of the country frequency table: the reader's numbering, keys, comments and stopping
// rule, the current country, and the tables shipped for the installation.
#include "tv/country_table.h"

#include "tv/channel_files.h"
#include "framework/text_pieces.h"

#include "tests/tv/test_support.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

using namespace tunaro;

namespace {

// The countries of a text the reader takes.
std::vector<CountryEntry> Countries(std::string_view text) {
    std::vector<CountryEntry> entries;
    EXPECT_TRUE(ParseCountryTable(text, entries));
    return entries;
}

} // namespace

TEST(CountryReader, AWordDoesNotCountAndAZeroCountsButAddsNothing) {
    std::vector<CountryEntry> t = Countries("[Test]\n"
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
    std::vector<CountryEntry> t = Countries("; frequency tables\n"
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
    EXPECT_EQ(t[0].m_nCountryCode, 86);
    EXPECT_EQ(t[0].m_nChannelLow, 1);
    EXPECT_EQ(t[0].m_nChannelHigh, 57);
    ASSERT_EQ(t[0].m_frequencies.size(), 2u); // the Format line adds nothing
    EXPECT_EQ(t[0].m_frequencies[0].m_nFrequency, 49750000);
    EXPECT_EQ(t[0].m_frequencies[1].m_nFrequency, 57750000);
    EXPECT_EQ(t[0].m_frequencies[1].m_strName, "Channel 2");
    EXPECT_EQ(t[1].m_strName, "Empty one");
    EXPECT_TRUE(t[1].m_frequencies.empty());
    EXPECT_EQ(t[2].m_strName, "Second");
    EXPECT_EQ(t[2].m_nCountryCode, 44);
    ASSERT_EQ(t[2].m_frequencies.size(), 1u);
    EXPECT_EQ(t[2].m_frequencies[0].m_nChannel, 21); // the position restarts in every section
    EXPECT_EQ(t[2].m_frequencies[0].m_nFrequency, 471250000);
}

TEST(CountryReader, TextBeforeTheFirstSectionEndsReading) {
    EXPECT_TRUE(Countries("49750000\n[China]\nCountryCode=86\n57750000\n").empty());
    EXPECT_TRUE(Countries("").empty());
    EXPECT_TRUE(Countries("; only comments\n\n").empty());
    // "[" without a "]" after it is no section header.
    EXPECT_TRUE(Countries("] [China\n").empty());
}

TEST(CountryReader, LongLinesAreReadInPieces) {
    // 127 characters of comment and then a number: the number starts the next piece.
    std::string text = "[X]\n;" + std::string(kCountryLineMax - 1, 'c') + "55250000\n";
    std::vector<CountryEntry> t = Countries(text);
    ASSERT_EQ(t.size(), 1u);
    ASSERT_EQ(t[0].m_frequencies.size(), 1u);
    EXPECT_EQ(t[0].m_frequencies[0].m_nFrequency, 55250000);
}

TEST(CountryReader, ChannelNumbersStopAtTheTopInsteadOfWrapping) {
    std::vector<CountryEntry> t = Countries("[Edge]\nChannelLow=2147483646\n1\n2\n3\n"
                                            "[Low]\nChannelLow=-2147483648\n4\n");
    ASSERT_EQ(t.size(), 2u);
    ASSERT_EQ(t[0].m_frequencies.size(), 3u);
    EXPECT_EQ(t[0].m_frequencies[0].m_nChannel, 2147483646);
    EXPECT_EQ(t[0].m_frequencies[1].m_nChannel, 2147483647);
    EXPECT_EQ(t[0].m_frequencies[2].m_nChannel, 2147483647);
    EXPECT_EQ(t[0].m_frequencies[2].m_strName, "Channel 2147483647");
    EXPECT_EQ(t[1].m_frequencies[0].m_nChannel, -2147483647 - 1);
    // Frequencies, codes and limits beyond 32 bits are held at the limit, the same on every build.
    t = Countries("[Big]\nCountryCode=99999999999\nChannelHigh=-99999999999\n99999999999\n");
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0].m_nCountryCode, 2147483647);
    EXPECT_EQ(t[0].m_nChannelHigh, -2147483647 - 1);
    EXPECT_EQ(t[0].m_frequencies[0].m_nFrequency, 2147483647);
}

TEST(CountryReader, TablesBeyondTheLimitsAreRefusedWhole) {
    std::string countries;
    for (std::size_t i = 0; i < kCountryTableMax; ++i)
        countries += "[C" + std::to_string(i) + "]\n1\n";
    std::vector<CountryEntry> entries;
    EXPECT_TRUE(ParseCountryTable(countries, entries));
    EXPECT_EQ(entries.size(), kCountryTableMax);
    EXPECT_FALSE(ParseCountryTable(countries + "[One more]\n", entries));
    EXPECT_TRUE(entries.empty());

    // Zero lines count towards a country's limit as they count for its numbering.
    std::string lines = "[Long]\n";
    for (std::size_t i = 0; i < kCountryChannelsMax; ++i)
        lines += i % 2 ? "0\n" : "48250000\n";
    EXPECT_TRUE(ParseCountryTable(lines, entries));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].m_frequencies.size(), kCountryChannelsMax / 2);
    EXPECT_FALSE(ParseCountryTable(lines + "0\n", entries));
    EXPECT_TRUE(entries.empty());

    // Megabytes of one-number lines are refused after the limit's worth, not held in memory.
    std::string huge = "[Huge]\n";
    for (int i = 0; i < 1000000; ++i)
        huge += "1\n";
    EXPECT_FALSE(ParseCountryTable(huge, entries));
    EXPECT_TRUE(entries.empty());
}

TEST(CountryTable, CurrentCountryFromTheStoredSetting) {
    CountryTable table;
    EXPECT_EQ(table.Current(), nullptr);
    EXPECT_EQ(table.SelectFromSetting(3), 0);
    table.Assign(Countries("[A]\nCountryCode=1\n[B]\nCountryCode=2\n[C]\nCountryCode=3\n"));
    EXPECT_EQ(table.SelectFromSetting(2), 2);
    EXPECT_EQ(table.Current()->m_nCountryCode, 3);
    EXPECT_FALSE(table.SetCurrentIndex(3));
    EXPECT_EQ(table.CurrentIndex(), 2);
    // A setting beyond the table (sections removed since) falls back to the first country.
    EXPECT_EQ(table.SelectFromSetting(7), 0);
    EXPECT_EQ(table.SelectFromSetting(-1), 0);
    EXPECT_EQ(table.Current()->m_strName, "A");
}

namespace {

struct Expected {
    const char* name;
    long code;
    long low;
    long high;
    std::size_t count;
    int32_t channel;   // a channel to spot-check ...
    int32_t frequency; // ... and its vision carrier in Hz
};

// Vision carriers of well-known channels, checked against the shipped tables.
const Expected kShipped[] = {
    {"China", 86, 1, 57, 57, 13, 471250000},           {"Western Europe", 49, 2, 69, 60, 21, 471250000},
    {"United Kingdom", 44, 21, 68, 48, 68, 847250000}, {"USA", 1, 2, 69, 68, 7, 175250000},
    {"USA Cable", 1, 1, 125, 125, 95, 91250000},       {"Japan", 81, 1, 62, 62, 8, 193250000},
    {"France", 33, 2, 69, 58, 5, 176000000},           {"Russia", 7, 1, 69, 61, 12, 223250000},
    {"Australia", 61, 0, 69, 57, 28, 527250000},
};

void CheckShipped(const std::vector<CountryEntry>& table) {
    ASSERT_EQ(table.size(), sizeof kShipped / sizeof kShipped[0]);
    for (std::size_t i = 0; i < table.size(); ++i) {
        const CountryEntry& c = table[i];
        const Expected& e = kShipped[i];
        SCOPED_TRACE(e.name);
        EXPECT_EQ(c.m_strName, e.name);
        EXPECT_EQ(c.m_nCountryCode, e.code);
        EXPECT_EQ(c.m_nChannelLow, e.low);
        EXPECT_EQ(c.m_nChannelHigh, e.high);
        ASSERT_EQ(c.m_frequencies.size(), e.count);
        EXPECT_EQ(c.m_frequencies.back().m_nChannel, e.high);
        bool found = false;
        int32_t lastNumber = -1;
        for (const ChannelRecord& r : c.m_frequencies) {
            EXPECT_GT(r.m_nChannel, lastNumber);
            lastNumber = r.m_nChannel;
            EXPECT_GE(r.m_nFrequency, 40000000);
            EXPECT_LE(r.m_nFrequency, 1000000000);
            if (r.m_nChannel == e.channel) {
                found = true;
                EXPECT_EQ(r.m_nFrequency, e.frequency);
            }
        }
        EXPECT_TRUE(found) << e.channel;
    }
}

} // namespace

TEST(ShippedTable, HoldsTheCountriesWithRealCarriers) {
    CountryTable table;
    ASSERT_TRUE(LoadCountryTable(table, std::string(TUNARO_TV_DATA_DIR) + "/CHANNEL.TXT"));
    std::vector<CountryEntry> entries;
    for (long i = 0; i < table.Count(); ++i)
        entries.push_back(*table.At(i));
    CheckShipped(entries);
    // The first country is the default one (index 0) and matches the default PAL-D standard.
    EXPECT_EQ(table.At(0)->m_nCountryCode, 86);
}

TEST(ShippedTable, IsInstalledInTheSystemDirectory) {
    char system[MAX_PATH + 1] = {};
    ASSERT_GT(GetSystemDirectoryA(system, sizeof system), 0u);
    std::string installed = tvtest::ReadAll(std::string(system) + "\\CHANNEL.TXT");
    std::string shipped = tvtest::ReadAll(std::string(TUNARO_TV_DATA_DIR) + "/CHANNEL.TXT");
    ASSERT_NE(shipped, "<missing>");
    EXPECT_EQ(installed, shipped);
}
