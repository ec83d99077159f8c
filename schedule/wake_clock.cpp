// Register images of the wake-up clock: the time in BCD, the synchronised image and the alarm
// ahead of the next task.
#include "schedule/wake_clock.h"

namespace tunaro {
namespace {

// Each time field's bits (units and tens); the rest of its register is left as found.
constexpr std::uint8_t kTimeFieldBits[7] = {0x7F, 0x7F, 0x3F, 0x07, 0x3F, 0x1F, 0xFF};

void PutField(WakeClockRegisters& r, std::size_t reg, std::uint8_t value) {
    r[reg] = std::uint8_t((r[reg] & ~kTimeFieldBits[reg]) | (value & kTimeFieldBits[reg]));
}

} // namespace

std::uint8_t ToBcd(int value) {
    if (value < 0) {
        value = 0;
    }
    value %= 100;
    return std::uint8_t(((value / 10) << 4) | (value % 10));
}

int FromBcd(std::uint8_t bcd) {
    return (bcd >> 4) * 10 + (bcd & 0x0F);
}

void SetWakeClockTime(WakeClockRegisters& r, const TaskDateTime& now) {
    PutField(r, kRegSeconds, ToBcd(now.second));
    PutField(r, kRegMinutes, ToBcd(now.minute));
    PutField(r, kRegHours, ToBcd(now.hour));
    PutField(r, kRegWeekday, std::uint8_t(TaskWeekday(now.year, now.month, now.day)));
    PutField(r, kRegDate, ToBcd(now.day));
    PutField(r, kRegMonth, ToBcd(now.month));
    PutField(r, kRegYear, ToBcd(now.year % 100));
}

WakeClockRegisters SynchronisedWakeClock(const WakeClockRegisters& read, const TaskDateTime& now) {
    WakeClockRegisters r = read;
    SetWakeClockTime(r, now);
    r[kRegStatus] = std::uint8_t(r[kRegStatus] & ~kStatusAlarmFlags);
    return r;
}

bool PlanWakeAlarm(const TaskList& tasks, const TaskDateTime& now, int aheadMinutes, WakeAlarm& alarm) {
    const std::int64_t nowSerial = TaskSerialSeconds(now);
    TaskRecord* next = nullptr;
    for (int i = 0; i < tasks.Count(); ++i) {
        TaskRecord* task = tasks.At(i);
        if (task->status == kTaskReady && TaskWholeMinutes(nowSerial, task->StartSerial()) > 2) {
            next = task;
            break;
        }
    }
    if (next == nullptr) {
        return false;
    }

    WakeClockRegisters r{};
    SetWakeClockTime(r, now);
    const TaskDateTime at = TaskDateTimeFromSerial(next->StartSerial() - std::int64_t(aheadMinutes) * 60);
    r[kRegAlarm1Seconds] = r[kRegSeconds];
    r[kRegAlarm1Minutes] = ToBcd(at.minute);
    r[kRegAlarm1Hours] = ToBcd(at.hour);
    // A weekly task is dated to its next day when it is loaded or entered, so the day the alarm
    // goes off is a weekday of its own: the task's day, or the day before when the ahead
    // minutes reach back over midnight.
    if (next->RepeatsWeekly()) {
        r[kRegAlarm1Day] = std::uint8_t(kAlarmDayIsWeekday | TaskWeekday(at.year, at.month, at.day));
    } else {
        r[kRegAlarm1Day] = ToBcd(at.day);
    }
    for (std::size_t reg = kRegAlarm1Seconds; reg <= kRegAlarm1Day; ++reg) {
        r[reg] = std::uint8_t(r[reg] & ~kAlarmFieldMasked);
    }
    r[kRegAlarm2Minutes] = kAlarmFieldMasked;
    r[kRegAlarm2Hours] = kAlarmFieldMasked;
    r[kRegAlarm2Day] = kAlarmFieldMasked;
    r[kRegControl] = kControlAlarm1Enable;
    r[kRegStatus] = 0x00;

    alarm.registers = r;
    alarm.task = next;
    alarm.at = at;
    return true;
}

} // namespace tunaro
