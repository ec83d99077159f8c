// Tests of the scheduler's reading of program.txt: the channels, their positions, names,
// numbers and active flags are the ones the TV application loads from the same file.
#include "schedule/channel_reader.h"

#include "framework/program_text.h"

#include <gtest/gtest.h>

#include <string>

using namespace tunaro;

namespace {

TEST(ScheduleChannels, ReadsTheTvApplicationsFile) {
    const std::string text =
        "Name: Harbour TV\r\nFreq: 49750000\r\nChan: 2\r\nAudioChannels:0\r\nCheck:1\r\n"
        "Name: Lotus Channel\r\nFreq: 77250000\r\nChan: 5\r\nAudioChannels:1\r\nCheck:0\r\n"
        "name:   Summit News ; a comment\r\nFREQ: 168250000\r\n";
    const auto channels = ParseScheduleChannels(text);
    ASSERT_EQ(channels.size(), 3u);
    EXPECT_EQ(ChannelComboText(channels[0]), "[2]Harbour TV");
    EXPECT_TRUE(channels[0].active);
    EXPECT_EQ(ChannelComboText(channels[1]), "[5]Lotus Channel");
    EXPECT_FALSE(channels[1].active);
    // Without its own "Chan:" and "Check:" a block counts on from the one before and keeps its
    // flag, as the TV application reads it.
    EXPECT_EQ(ChannelComboText(channels[2]), "[6]Summit News");
    EXPECT_FALSE(channels[2].active);
}

TEST(ScheduleChannels, PositionsAreTheTvsWhereBlocksAreDropped) {
    // A block with "Freq: -1" and one with only "Freq2:" are no channels to the TV: the channel
    // after them is its second one, and a task for position 1 must record that one.
    const std::string text = "Name: one\nFreq: 49750000\nChan: 1\n"
                             "Name: minus\nFreq: -1\nChan: 2\n"
                             "Name: second key only\nFreq2: 800\nChan: 3\n"
                             "Name: four\nFreq: 77250000\nChan: 4\n";
    const auto channels = ParseScheduleChannels(text);
    std::vector<ChannelRecord> tv;
    ASSERT_TRUE(ParseProgramText(text, tv));
    ASSERT_EQ(channels.size(), 2u);
    ASSERT_EQ(tv.size(), 2u);
    EXPECT_EQ(channels[1].name, "four");
    EXPECT_EQ(tv[1].m_strName, "four");
    EXPECT_EQ(channels[1].number, 4);
}

TEST(ScheduleChannels, NamesAreTheTvsNames) {
    const std::string text = "Name: " + std::string(249, 'x') +
                             "\nFreq: 1\n"
                             "Name:    \nFreq: 2\n";
    const auto channels = ParseScheduleChannels(text);
    ASSERT_EQ(channels.size(), 2u);
    EXPECT_EQ(channels[0].name, std::string(248, 'x'));
    EXPECT_EQ(channels[1].name, "Empty");
}

TEST(ScheduleChannels, AFileTheTvRefusesGivesNoChannels) {
    std::string text;
    for (long i = 0; i <= kChannelListMax; ++i)
        text += "Name: c\nFreq: 1000\n";
    EXPECT_TRUE(ParseScheduleChannels(text).empty());
    EXPECT_TRUE(ParseScheduleChannels("").empty());
    std::vector<ScheduleChannel> channels(2);
    EXPECT_FALSE(ReadScheduleChannels("Z:\\no\\such\\program.txt", channels));
    EXPECT_TRUE(channels.empty());
}

} // namespace
