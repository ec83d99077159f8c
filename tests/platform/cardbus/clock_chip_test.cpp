// The clock chip: transfers through the register pointer, time counting on over the calendar's
// edges, alarm 1's flag, and simcard.ini's section replacement that keeps every other line.
#include <gtest/gtest.h>

#include "platform/simcard/clock_chip.h"
#include "platform/simcard/simcard_ini.h"

namespace {

using simcard::ClockChip;
using simcard::ClockRegisters;

// Registers 0..6 set to a time (BCD), the weekday as given.
void SetTime(ClockChip& chip, int year, int month, int day, int hour, int minute, int second, int weekday) {
    auto bcd = [](int v) { return std::uint8_t((v / 10) << 4 | (v % 10)); };
    const std::uint8_t data[] = {0x00,     bcd(second), bcd(minute),    bcd(hour), std::uint8_t(weekday),
                                 bcd(day), bcd(month),  bcd(year % 100)};
    chip.Write(data, sizeof data);
}

std::string TimeHex(const ClockChip& chip) {
    return simcard::ClockRegistersToHex(chip.registers).substr(0, 14);
}

TEST(ClockChip, WritesAndReadsGoThroughTheRegisterPointerAndWrap) {
    ClockChip chip;
    const std::uint8_t write[] = {0x0E, 0x11, 0x22, 0x33};
    chip.Write(write, sizeof write);
    EXPECT_EQ(chip.registers[0x0E], 0x11);
    EXPECT_EQ(chip.registers[0x0F], 0x22);
    EXPECT_EQ(chip.registers[0x00], 0x33);
    EXPECT_EQ(chip.pointer, 1);

    const std::uint8_t point[] = {0x0F};
    chip.Write(point, 1);
    std::uint8_t read[3] = {};
    chip.Read(read, 3);
    EXPECT_EQ(read[0], 0x22);
    EXPECT_EQ(read[1], 0x33);
    EXPECT_EQ(read[2], chip.registers[1]);
    EXPECT_EQ(chip.pointer, 2);
}

TEST(ClockChip, TimeCountsOnOverTheCalendarsEdges) {
    ClockChip chip;
    // 2024-02-28 23:59:58, a Wednesday (4): a leap day follows.
    SetTime(chip, 2024, 2, 28, 23, 59, 58, 4);
    chip.Advance(3);
    EXPECT_EQ(TimeHex(chip), "01000005290224");
    chip.Advance(86400);
    EXPECT_EQ(TimeHex(chip), "01000006010324");

    // New Year's Eve 2026 (a Thursday, 5) into 2027.
    SetTime(chip, 2026, 12, 31, 23, 59, 59, 5);
    chip.Advance(1);
    EXPECT_EQ(TimeHex(chip), "00000006010127");
    // Thirty days and a half on: from Friday 2027-01-01 00:00 to 2027-01-31 12:00, a Sunday.
    chip.Advance(30 * 86400 + 12 * 3600);
    EXPECT_EQ(TimeHex(chip), "00001201310127");

    // The chip holds the year within the century: after 99 comes 00.
    SetTime(chip, 2099, 12, 31, 23, 59, 59, 5);
    chip.Advance(1);
    EXPECT_EQ(TimeHex(chip), "00000006010100");
}

TEST(ClockChip, BitsTheTimeFieldsLeaveFreeAreKept) {
    ClockChip chip;
    SetTime(chip, 2026, 5, 1, 10, 0, 0, 6);
    chip.registers[0] |= 0x80;
    chip.registers[3] |= 0x30;
    chip.Advance(61);
    EXPECT_EQ(chip.registers[0], 0x81);
    EXPECT_EQ(chip.registers[1], 0x01);
    EXPECT_EQ(chip.registers[3], 0x36);
}

TEST(ClockChip, AlarmOneRaisesItsFlagOnlyWhenItsTimeComesInBetween) {
    // Alarm at 06:25:00 on date 2, alarm 2 masked.
    auto armed = [] {
        ClockChip chip;
        SetTime(chip, 2026, 3, 1, 6, 0, 0, 1);
        const std::uint8_t alarm[] = {0x07, 0x00, 0x25, 0x06, 0x02, 0x80, 0x80, 0x80, 0x01, 0x00};
        chip.Write(alarm, sizeof alarm);
        return chip;
    };
    ClockChip chip = armed();
    chip.Advance(86400 + 24 * 60 + 59); // 2026-03-02 06:24:59
    EXPECT_EQ(chip.registers[0x0F] & simcard::kClockAlarm1Flag, 0);
    chip.Advance(1);
    EXPECT_EQ(chip.registers[0x0F] & simcard::kClockAlarm1Flag, 1);
    EXPECT_TRUE(simcard::ClockAlarm1Matches(chip.registers));

    // Passing over it in one long step raises it too; the same time on another date does not.
    chip = armed();
    chip.Advance(3 * 86400);
    EXPECT_EQ(chip.registers[0x0F] & simcard::kClockAlarm1Flag, 1);
    chip = armed();
    chip.Advance(25 * 60);
    EXPECT_EQ(chip.registers[0x0F] & simcard::kClockAlarm1Flag, 0);

    // A weekday alarm: Tuesday (3) 06:25:00 matches 2026-03-03 and not the Monday before.
    chip = armed();
    chip.registers[0x0A] = 0x40 | 3;
    chip.Advance(86400 + 25 * 60);
    EXPECT_EQ(chip.registers[0x0F] & simcard::kClockAlarm1Flag, 0);
    chip.Advance(86400);
    EXPECT_EQ(chip.registers[0x0F] & simcard::kClockAlarm1Flag, 1);
}

TEST(ClockChip, RegistersAsHexRoundTripAndRefuseOtherText) {
    ClockChip chip;
    SetTime(chip, 2031, 11, 30, 21, 45, 7, 1);
    ClockRegisters back{};
    ASSERT_TRUE(simcard::ClockRegistersFromHex(simcard::ClockRegistersToHex(chip.registers), back));
    EXPECT_EQ(back, chip.registers);
    EXPECT_FALSE(simcard::ClockRegistersFromHex("0011", back));
    EXPECT_FALSE(simcard::ClockRegistersFromHex(std::string(31, '0') + "G", back));
    EXPECT_EQ(back, chip.registers);
}

TEST(SimcardIni, ReplacingASectionKeepsEveryOtherLine) {
    const std::string text = "[Config]\r\nFamily=CX2388X\r\nTV1=a,b\r\n\r\n[State]\r\nFrequency=1\r\n"
                             "Running=0\r\n[clock]\r\nRegisters=00\r\n[Other]\nKey=Value\n";
    const std::string out = simcard::ReplaceIniSection(text, "Clock", {{"Registers", "11"}, {"SetAt", "5"}});
    EXPECT_EQ(out, "[Config]\r\nFamily=CX2388X\r\nTV1=a,b\r\n\r\n[State]\r\nFrequency=1\r\nRunning=0\r\n"
                   "[Clock]\r\nRegisters=11\r\nSetAt=5\r\n[Other]\r\nKey=Value\r\n");
    const simcard::IniEntries state = simcard::ReadIniSection(out, "state");
    ASSERT_EQ(state.size(), 2u);
    EXPECT_EQ(state[1], (std::pair<std::string, std::string>("Running", "0")));

    // A file without the section gets it at its end; an empty file is the section alone.
    EXPECT_EQ(simcard::ReplaceIniSection("[Config]\r\nA=1", "State", {{"B", "2"}}),
              "[Config]\r\nA=1\r\n[State]\r\nB=2\r\n");
    EXPECT_EQ(simcard::ReplaceIniSection("", "State", {}), "[State]\r\n");
}

} // namespace
