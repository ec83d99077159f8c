// Unit tests of the remote's key table: rows and codes, the commands the keys send (one per key,
// the directions the TV program's way), the labels of both languages and the text shown for a
// code no row has.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "remote/key_table.h"
#include "res/tunaro/resource.h"

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

// Every key that is neither a digit nor a special key sends a command of its own: a row copied
// with its neighbour's command would leave a feature without its key.
TEST(KeyTable, EveryPlainKeySendsACommandNoOtherKeySends) {
    const KeyRow* rows = KeyRows();
    std::set<uint32_t> commands;
    int plain = 0;
    for (int i = 0; i < kKeyRowCount; ++i) {
        const KeyRow& row = rows[i];
        if (row.action == KeyAction::Digit || row.action == KeyAction::CloseComputer ||
            row.action == KeyAction::StartExit)
            continue;
        ++plain;
        EXPECT_EQ(row.action, KeyAction::Command) << row.english;
        EXPECT_NE(CommandForKey(row.code), 0u) << row.english;
        EXPECT_NE(CommandForKey(row.code), kUnknownKeyCommand) << row.english;
        EXPECT_TRUE(commands.insert(CommandForKey(row.code)).second)
            << row.english << " sends another key's command";
        const uint32_t command = CommandForKey(row.code);
        EXPECT_FALSE(command >= IDC_DIGIT_0 && command <= IDC_DIGIT_9) << row.english << " sends a digit";
    }
    EXPECT_EQ(plain, kKeyRowCount - 10 - 2);
}

// The row with this English label, null when none has it.
const KeyRow* KeyLabelled(const char* english) {
    for (int i = 0; i < kKeyRowCount; ++i)
        if (std::strcmp(KeyRows()[i].english, english) == 0)
            return &KeyRows()[i];
    return nullptr;
}

// The keys labelled with a direction step the TV program's setting that way, in its own ids.
TEST(KeyTable, KeysWithADirectionStepTheTvProgramThatWay) {
    struct Pair {
        const char* up;
        const char* down;
        uint32_t upCommand, downCommand;
    };
    const Pair pairs[] = {
        {"Volume+", "Volume-", IDC_VOLUME_UP, IDC_VOLUME_DOWN},
        {"Brightness+", "Brightness-", IDC_BRIGHTNESS_UP, IDC_BRIGHTNESS_DOWN},
        {"Freq+", "Freq-", IDC_FREQ_UP, IDC_FREQ_DOWN},
        {"Foreward", "Back", IDC_FORWARD, IDC_BACK},
    };
    for (const Pair& pair : pairs) {
        const KeyRow* up = KeyLabelled(pair.up);
        const KeyRow* down = KeyLabelled(pair.down);
        ASSERT_NE(up, nullptr) << pair.up;
        ASSERT_NE(down, nullptr) << pair.down;
        EXPECT_EQ(CommandForKey(up->code), pair.upCommand) << pair.up;
        EXPECT_EQ(CommandForKey(down->code), pair.downCommand) << pair.down;
    }
}

TEST(KeyTable, ChannelPlusGoesUpAndChannelMinusDown) {
    // The receiver's codes of the two keys, and the control panel's commands for them.
    ASSERT_NE(FindKey(0x21), nullptr);
    EXPECT_STREQ(FindKey(0x21)->english, "Channel+");
    EXPECT_EQ(CommandForKey(0x21), static_cast<uint32_t>(IDC_CHANNEL_UP));
    ASSERT_NE(FindKey(0x20), nullptr);
    EXPECT_STREQ(FindKey(0x20)->english, "Channel-");
    EXPECT_EQ(CommandForKey(0x20), static_cast<uint32_t>(IDC_CHANNEL_DOWN));
}

TEST(KeyTable, DigitsSendTheirDigitCommand) {
    for (uint32_t code = 0; code <= 9; ++code) {
        const KeyRow* row = FindKey(code);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->action, KeyAction::Digit);
        EXPECT_EQ(row->row, static_cast<int>(15 + code));
        EXPECT_EQ(CommandForKey(code), IDC_DIGIT_0 + code);
        EXPECT_EQ(ReceivedKeyText(code, false), std::string(1, static_cast<char>('0' + code)));
    }
    EXPECT_EQ(CommandForKey(0x05), static_cast<uint32_t>(IDC_DIGIT_0 + 5));
    EXPECT_EQ(CommandForKey(0x09), static_cast<uint32_t>(IDC_DIGIT_9));
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
