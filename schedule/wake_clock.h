// The capture card's wake-up clock as the scheduler sees it: sixteen BCD registers (time,
// two alarms, control, status) on the card's I2C bus, set to the PC's time when the scheduler
// opens and given an alarm ahead of the next task so the card can power the computer on.
#pragma once

#include "schedule/task_list.h"
#include "schedule/task_record.h"
#include "schedule/task_time.h"

#include <array>
#include <cstdint>

namespace tunaro {

// The chip's bus addresses: writes go to 0xD0, reads come from 0xD1.
constexpr std::uint8_t kWakeClockWriteAddress = 0xD0;
constexpr std::uint8_t kWakeClockReadAddress = 0xD1;
constexpr std::size_t kWakeClockRegisterCount = 16;

// Register numbers.
enum WakeClockRegister : std::size_t {
    kRegSeconds = 0x00,
    kRegMinutes = 0x01,
    kRegHours = 0x02,
    kRegWeekday = 0x03,
    kRegDate = 0x04,
    kRegMonth = 0x05,
    kRegYear = 0x06,
    kRegAlarm1Seconds = 0x07,
    kRegAlarm1Minutes = 0x08,
    kRegAlarm1Hours = 0x09,
    kRegAlarm1Day = 0x0A,
    kRegAlarm2Minutes = 0x0B,
    kRegAlarm2Hours = 0x0C,
    kRegAlarm2Day = 0x0D,
    kRegControl = 0x0E,
    kRegStatus = 0x0F,
};

// Alarm day/date register: bit 6 set means a weekday in bits 3..0; bit 7 of every alarm
// register masks that field out of the match.
constexpr std::uint8_t kAlarmDayIsWeekday = 0x40;
constexpr std::uint8_t kAlarmFieldMasked = 0x80;
// Control: alarm 1 may raise the wake-up line. Status: the two alarm flags.
constexpr std::uint8_t kControlAlarm1Enable = 0x01;
constexpr std::uint8_t kStatusAlarmFlags = 0x03;

using WakeClockRegisters = std::array<std::uint8_t, kWakeClockRegisterCount>;

std::uint8_t ToBcd(int value);
int FromBcd(std::uint8_t bcd);

// Registers 0x00..0x06 set to a local time (year within the century), the bits each field
// leaves free kept as they were.
void SetWakeClockTime(WakeClockRegisters& registers, const TaskDateTime& now);
// The registers as read from the chip, brought to the PC's time with both alarm flags cleared.
WakeClockRegisters SynchronisedWakeClock(const WakeClockRegisters& read, const TaskDateTime& now);

struct WakeAlarm {
    WakeClockRegisters registers{};
    // The task the alarm is for (its log-on values are written for it when it asks).
    TaskRecord* task = nullptr;
    // When the alarm goes off (the task's start minus the ahead minutes).
    TaskDateTime at;
};

// The alarm for the next task: the first Ready task in list order that starts more than two
// whole minutes from now, woken aheadMinutes before its start. Alarm 1 carries that minute and
// hour (its seconds are the current ones) and the day of the month, or for a weekly task the
// weekday; alarm 2 is masked off. False when no task qualifies: then nothing is to be written.
bool PlanWakeAlarm(const TaskList& tasks, const TaskDateTime& now, int aheadMinutes, WakeAlarm& alarm);

} // namespace tunaro
