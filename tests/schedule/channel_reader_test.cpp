// Tests of the scheduler's reading of program.txt: which blocks become channels, their names,
// numbers and active flags, comments, case and overlong lines.
#include "schedule/channel_reader.h"

#include <gtest/gtest.h>

#include <string>

using namespace tunaro;

namespace {

TEST(ScheduleChannels, ReadsTheTvApplicationsFile) {
    const std::string text = "Name: Harbour TV\nFreq: 49750000\nChan: 2\nAudioChannels:0\nCheck:1\n"
                             "Name: Lotus Channel\nFreq: 77250000\nChan: 5\nAudioChannels:1\nCheck:0\n"
                             "Name:   Summit News  \r\nFreq: 168250000\r\nCheck:1\r\n";
    const auto channels = ParseScheduleChannels(text);
    ASSERT_EQ(channels.size(), 3u);
    EXPECT_EQ(channels[0].name, "Harbour TV");
    EXPECT_EQ(channels[0].number, 2);
    EXPECT_TRUE(channels[0].active);
    EXPECT_EQ(channels[1].name, "Lotus Channel");
    EXPECT_EQ(channels[1].number, 5);
    EXPECT_FALSE(channels[1].active);
    // Blanks and the carriage return are cut; without "Chan:" the number counts on from the
    // blocks read (this is the third).
    EXPECT_EQ(channels[2].name, "Summit News");
    EXPECT_EQ(channels[2].number, 3);
    EXPECT_TRUE(channels[2].active);
    EXPECT_EQ(ChannelComboText(channels[0]), "[2]Harbour TV");
}

TEST(ScheduleChannels, KeysIgnoreCaseCommentsAreCutAndBlocksNeedAFrequency) {
    const std::string text = "; the list\n"
                             "NAME: first ; a comment\nfreq2: 800\n"
                             "Name: no frequency\nChan: 9\n"
                             "Name:\nFREQ: 10;x\ncheck: 0\n";
    const auto channels = ParseScheduleChannels(text);
    ASSERT_EQ(channels.size(), 2u);
    EXPECT_EQ(channels[0].name, "first");
    EXPECT_EQ(channels[0].number, 1);
    // An empty name reads as "Empty"; the block without a frequency is left out but counted.
    EXPECT_EQ(channels[1].name, "Empty");
    EXPECT_EQ(channels[1].number, 3);
    EXPECT_FALSE(channels[1].active);
}

TEST(ScheduleChannels, AnOverlongLineGoesOnAsTheNextPiece) {
    // 254 characters are one piece; what follows is read as a line of its own.
    std::string text = "Name: " + std::string(248, 'x') + "Freq: 1\n";
    const auto channels = ParseScheduleChannels(text);
    ASSERT_EQ(channels.size(), 1u);
    EXPECT_EQ(channels[0].name, std::string(248, 'x'));
}

TEST(ScheduleChannels, EmptyOrMissingFileGivesNoChannels) {
    EXPECT_TRUE(ParseScheduleChannels("").empty());
    std::vector<ScheduleChannel> channels(2);
    EXPECT_FALSE(ReadScheduleChannels("Z:\\no\\such\\program.txt", channels));
    EXPECT_TRUE(channels.empty());
}

} // namespace
