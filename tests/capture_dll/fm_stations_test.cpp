// The FM station list's file format and operations by index, the FM scan's detection rule and
// progress, and the frequency list of the library's TV scan.
#include <gtest/gtest.h>

#include <string>

#include "engine/fm_stations.h"

using namespace tunaro;

namespace {

TEST(FmProgramFile, NamesReadBackAsTheyWereWritten) {
    // A zero byte ends the line, a stray CR is a space, and a name cut to its length loses the
    // blank the cut leaves at its end: each reads back from the written file unchanged.
    const std::string text = std::string("Name: Zero\0Tail\nFreq: 1\n", 24) + "Name: Car\rriage\nFreq: 2\n" +
                             "Name: " + std::string(254, 'x') + "  tail\nFreq: 3\n";
    const std::vector<FmStation> s = ParseFmProgram(text);
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[0].name, "Zero");
    EXPECT_EQ(s[1].name, "Car riage");
    EXPECT_EQ(s[2].name, std::string(254, 'x'));
    const std::vector<FmStation> again = ParseFmProgram(FormatFmProgram(s));
    ASSERT_EQ(again.size(), s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        EXPECT_EQ(again[i].name, s[i].name) << i;
        EXPECT_EQ(again[i].frequency, s[i].frequency) << i;
        EXPECT_EQ(again[i].channel, s[i].channel) << i;
    }
}

TEST(FmProgramFile, ReadsRecordsCommentsBlankNamesAndChannelNumbers) {
    const std::string text = "; stations of the capture library\r\n"
                             "Name: Harbour FM ; the first\r\n"
                             "Freq: 88100000\r\n"
                             "name:   \t\r\n"
                             "FREQ: 91500000 ; comment\r\n"
                             "Chan: 17\r\n"
                             "Name: Orphan without frequency\r\n"
                             "Name:Last\n"
                             "freq:107500000";
    const std::vector<FmStation> s = ParseFmProgram(text);
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[0].name, "Harbour FM");
    EXPECT_EQ(s[0].frequency, 88100000);
    EXPECT_EQ(s[0].channel, 1);
    EXPECT_EQ(s[1].name, "Empty");
    EXPECT_EQ(s[1].frequency, 91500000);
    EXPECT_EQ(s[1].channel, 17) << "a Chan: line sets the record's number";
    // The name without a frequency is dropped, but it still counted in the running number.
    EXPECT_EQ(s[2].name, "Last");
    EXPECT_EQ(s[2].frequency, 107500000);
    EXPECT_EQ(s[2].channel, 4);

    EXPECT_TRUE(ParseFmProgram("Name: A\r\nName: B\r\nName: C\r\n").empty()) << "names without frequencies";
    EXPECT_TRUE(ParseFmProgram("").empty());
    EXPECT_TRUE(ParseFmProgram("Freq: 88100000\r\n").empty()) << "a frequency without a name";

    const std::vector<FmStation> longName = ParseFmProgram("Name: " + std::string(400, 'x') + "\nFreq: 1\n");
    ASSERT_EQ(longName.size(), 1u);
    EXPECT_EQ(longName[0].name.size(), kFmNameMax);
}

TEST(FmProgramFile, WrittenListReadsBackTheSame) {
    std::vector<FmStation> in = {
        {"Harbour FM", 88100000, 3}, {"Lotus; Radio", 91500000, 0}, {"Two\nLines", 99800000, 9}};
    const std::string text = FormatFmProgram(in);
    EXPECT_EQ(text.substr(0, 43), "Name: Harbour FM\r\nFreq: 88100000\r\nChan: 3\r\n");
    const std::vector<FmStation> out = ParseFmProgram(text);
    ASSERT_EQ(out.size(), 3u);
    for (size_t i = 0; i < out.size(); ++i) {
        EXPECT_EQ(out[i].frequency, in[i].frequency);
        EXPECT_EQ(out[i].channel, in[i].channel);
    }
    EXPECT_EQ(out[0].name, "Harbour FM");
    EXPECT_EQ(out[1].name, "Lotus  Radio") << "a comment mark in a name would cut it when read";
    EXPECT_EQ(out[2].name, "Two Lines") << "a line break in a name would start a new field";
}

TEST(FmStationList, OperationsByIndexRefuseBadIndexes) {
    FmStationList list;
    list.Add("One", 88100000);
    list.Add("Two", 91500000);
    list.Add("Three", 95300000);
    ASSERT_EQ(list.Size(), 3);
    EXPECT_EQ(list.Channel(0), 0) << "channel number = size before appending";
    EXPECT_EQ(list.Channel(2), 2);

    for (int bad : {-1, 3, 1000}) {
        EXPECT_FALSE(list.SetName(bad, "x"));
        EXPECT_FALSE(list.SetFrequency(bad, 1));
        EXPECT_FALSE(list.SetChannel(bad, 1));
        EXPECT_FALSE(list.Delete(bad));
        EXPECT_EQ(list.Name(bad), "");
        EXPECT_EQ(list.Frequency(bad), 0);
        EXPECT_EQ(list.Channel(bad), 0);
    }
    EXPECT_EQ(list.Size(), 3);

    EXPECT_TRUE(list.SetName(1, std::string(300, 'n')));
    EXPECT_EQ(list.Name(1).size(), kFmNameMax);
    EXPECT_TRUE(list.SetFrequency(1, 92000000));
    EXPECT_TRUE(list.SetChannel(1, 42));
    EXPECT_TRUE(list.Delete(0));
    ASSERT_EQ(list.Size(), 2);
    EXPECT_EQ(list.Frequency(0), 92000000) << "later records move up";
    EXPECT_EQ(list.Channel(0), 42);
    EXPECT_EQ(list.Name(1), "Three");
    list.Add("Four", 99800000);
    EXPECT_EQ(list.Channel(2), 2);
}

TEST(FmStationList, NamesAreStoredAsTheFileGivesThemBack) {
    FmStationList list;
    list.Add(" a;b", 88100000);
    list.Add("", 91500000);
    list.Add(std::string("Zero\0Tail", 9), 95300000);
    EXPECT_TRUE(list.SetName(1, "  two\r\nlines  "));
    EXPECT_EQ(list.Name(0), "a b");
    EXPECT_EQ(list.Name(1), "two  lines");
    EXPECT_EQ(list.Name(2), "Zero");
    EXPECT_TRUE(list.SetName(2, " \t "));
    EXPECT_EQ(list.Name(2), "Empty");
    const std::vector<FmStation> back = ParseFmProgram(FormatFmProgram(list.Stations()));
    ASSERT_EQ(back.size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(back[i].name, list.Name(i));
}

TEST(FmScanRules, DetectionByModeAndProgress) {
    // Approaching a carrier in 50 kHz steps the readings go 2, 1, 1, 0.
    EXPECT_TRUE(FmScanDetects(0, 1, 1, 0));
    EXPECT_TRUE(FmScanDetects(0, 2, 1, 0));
    EXPECT_FALSE(FmScanDetects(0, 2, 1, 1));
    EXPECT_FALSE(FmScanDetects(0, -1, 1, 0)) << "no reading two steps back";
    EXPECT_FALSE(FmScanDetects(0, 1, 0, 0));
    EXPECT_TRUE(FmScanDetects(1, 1, 1, 1));
    EXPECT_TRUE(FmScanDetects(1, 1, 1, 0));
    EXPECT_TRUE(FmScanDetects(1, 2, 1, 0));
    EXPECT_FALSE(FmScanDetects(1, 2, 1, 1));
    EXPECT_FALSE(FmScanDetects(1, 3, 1, 0));
    EXPECT_TRUE(FmScanDetects(2, 2, 1, 1));
    EXPECT_TRUE(FmScanDetects(2, 1, 1, 0));
    EXPECT_FALSE(FmScanDetects(2, 1, 2, 0));
    EXPECT_FALSE(FmScanDetects(3, 1, 1, 0)) << "other modes never detect";
    EXPECT_FALSE(FmScanDetects(-1, 1, 1, 0));

    EXPECT_EQ(FmScanProgress(87500000), 0);
    EXPECT_EQ(FmScanProgress(97750000), 50);
    EXPECT_EQ(FmScanProgress(108000000), 100);
    EXPECT_EQ(FmScanProgress(108050000), 100);
    EXPECT_EQ(FmScanProgress(80000000), 0);
    EXPECT_EQ(FmScanStationName(3), "New Channel 3");
}

TEST(FrequencyList, SkipsTheHeaderAndEndsAtTheNextTable) {
    const std::string text = "[China]\r\nCountryCode=86\r\nChannelLow=1\r\n"
                             "49750000  ; DS-1\r\n"
                             "Format=PAL-D\r\n"
                             "  57750000\r\n"
                             "\r\n"
                             "65750000 ; DS-3\r\n"
                             "[Europe]\r\n"
                             "48250000\r\n";
    const std::vector<int32_t> f = ParseFrequencyList(text);
    ASSERT_EQ(f.size(), 3u);
    EXPECT_EQ(f[0], 49750000);
    EXPECT_EQ(f[1], 57750000);
    EXPECT_EQ(f[2], 65750000);
    EXPECT_TRUE(ParseFrequencyList("1\n2\n3\n").empty()) << "three header lines";
}

} // namespace
