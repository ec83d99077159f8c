// Unit tests of the remote's key table: rows and codes, the commands the keys send (Channel+
// going up), the labels of both languages and the text shown for a code no row has.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "remote/key_table.h"

namespace {

using namespace tunaro::remote;

TEST(KeyTable, RowsAreInOrderWithDistinctCodesAndLabelsThatFit) {
    const KeyRow* rows = KeyRows();
    std::set<int> codes;
    for (int i = 0; i < kKeyRowCount; ++i) {
        EXPECT_EQ(rows[i].row, i);
        EXPECT_TRUE(codes.insert(rows[i].code).second) << "code " << int(rows[i].code) << " twice";
        EXPECT_NE(rows[i].code, kNoKey);
        // The Chinese labels are in the ANSI code page; both must fit the row's label field.
        EXPECT_LT(std::strlen(rows[i].english), static_cast<size_t>(kLabelCapacity)) << rows[i].english;
        EXPECT_LT(std::strlen(rows[i].chinese), static_cast<size_t>(kLabelCapacity)) << rows[i].english;
        EXPECT_GT(std::strlen(rows[i].chinese), 0u);
    }
}

TEST(KeyTable, CommandsOfThePlainKeys) {
    struct Expect {
        uint32_t code;
        const char* label;
        uint32_t command;
    };
    const Expect expected[] = {
        {0x0D, "Mute/Unmute", 406}, {0x11, "Volume-", 501},      {0x10, "Volume+", 502},
        {0x13, "Brightness-", 1084}, {0x12, "Brightness+", 1083}, {0x2C, "Freq-", 1090},
        {0x2B, "Freq+", 1089},      {0x2D, "Display panel", 404}, {0x38, "Video source", 1112},
        {0x1E, "Auto scan", 405},   {0x29, "Last channel", 1106}, {0x0A, "Double channel", 1109},
        {0x0F, "Full screen", 402}, {0x1F, "Record", 1094},      {0x16, "Pause", 506},
        {0x0B, "Stop", 507},        {0x17, "Play", 1119},        {0x0E, "Capture", 1074},
        {0x27, "Foreward", 505},    {0x26, "Back", 504},         {0x14, "FM", 1177},
    };
    for (const Expect& e : expected) {
        const KeyRow* row = FindKey(e.code);
        ASSERT_NE(row, nullptr) << e.label;
        EXPECT_STREQ(row->english, e.label);
        EXPECT_EQ(row->action, KeyAction::Command) << e.label;
        EXPECT_EQ(CommandForKey(e.code), e.command) << e.label;
    }
}

TEST(KeyTable, ChannelPlusGoesUpAndChannelMinusDown) {
    // The control panel's 1108 is channel +, 1107 channel -.
    ASSERT_NE(FindKey(0x21), nullptr);
    EXPECT_STREQ(FindKey(0x21)->english, "Channel+");
    EXPECT_EQ(CommandForKey(0x21), 1108u);
    ASSERT_NE(FindKey(0x20), nullptr);
    EXPECT_STREQ(FindKey(0x20)->english, "Channel-");
    EXPECT_EQ(CommandForKey(0x20), 1107u);
}

TEST(KeyTable, DigitsSendTheirDigitCommand) {
    for (uint32_t code = 0; code <= 9; ++code) {
        const KeyRow* row = FindKey(code);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->action, KeyAction::Digit);
        EXPECT_EQ(row->row, static_cast<int>(15 + code));
        EXPECT_EQ(CommandForKey(code), 1096 + code);
        EXPECT_EQ(ReceivedKeyText(code, false), std::string(1, static_cast<char>('0' + code)));
    }
    EXPECT_EQ(CommandForKey(0x05), 1101u);
}

TEST(KeyTable, SpecialKeysSendNothingThemselves) {
    ASSERT_NE(FindKey(0x25), nullptr);
    EXPECT_EQ(FindKey(0x25)->action, KeyAction::CloseComputer);
    EXPECT_STREQ(FindKey(0x25)->english, "Close computer");
    ASSERT_NE(FindKey(0x0C), nullptr);
    EXPECT_EQ(FindKey(0x0C)->action, KeyAction::StartExit);
    EXPECT_STREQ(FindKey(0x0C)->english, "Start/Exit");
    EXPECT_EQ(CommandForKey(0x25), 0u);
    EXPECT_EQ(CommandForKey(0x0C), 0u);
}

TEST(KeyTable, UnknownCodesShowInHexAndSendAllOnes) {
    EXPECT_EQ(FindKey(0x7F), nullptr);
    EXPECT_EQ(ReceivedKeyText(0x7F, false), "7f");
    EXPECT_EQ(ReceivedKeyText(0x7F, true), "7f");
    EXPECT_EQ(ReceivedKeyText(0xAB, false), "ab");
    EXPECT_EQ(ReceivedKeyText(0x1234, false), "1234");
    EXPECT_EQ(CommandForKey(0x7F), 0xFFFFFFFFu);
    EXPECT_EQ(CommandForKey(0x1234), 0xFFFFFFFFu);
}

TEST(KeyTable, LabelsFollowTheLanguage) {
    const KeyRow* channelUp = FindKey(0x21);
    ASSERT_NE(channelUp, nullptr);
    EXPECT_STREQ(KeyLabel(*channelUp, false), "Channel+");
    EXPECT_STREQ(KeyLabel(*channelUp, true), "频道+");
    EXPECT_EQ(ReceivedKeyText(0x0D, true), "静音/取消静音");
    EXPECT_EQ(ReceivedKeyText(0x0D, false), "Mute/Unmute");
}

} // namespace
