// The wake-up clock's register images: BCD, the synchronised image that keeps what the time
// fields leave free, and the alarm for the next task (which task, the ahead minutes, the date or
// weekday form, and no alarm at all when no task lies ahead).
#include <gtest/gtest.h>

#include "schedule/task_list.h"
#include "schedule/wake_clock.h"
#include "tests/schedule/schedule_test_util.h"

namespace tunaro {
namespace {

TEST(WakeClockTest, BcdBothWays) {
    EXPECT_EQ(ToBcd(0), 0x00);
    EXPECT_EQ(ToBcd(7), 0x07);
    EXPECT_EQ(ToBcd(59), 0x59);
    EXPECT_EQ(ToBcd(2026 % 100), 0x26);
    for (int v = 0; v < 100; ++v) {
        EXPECT_EQ(FromBcd(ToBcd(v)), v);
    }
}

TEST(WakeClockTest, SynchronisingSetsTheTimeKeepsTheRestAndClearsBothAlarmFlags) {
    WakeClockRegisters read;
    for (std::size_t i = 0; i < read.size(); ++i) {
        read[i] = 0xFF;
    }
    // 2026-12-08 is a Tuesday.
    const WakeClockRegisters r = SynchronisedWakeClock(read, At(2026, 12, 8, 19, 4, 37));
    EXPECT_EQ(r[kRegSeconds], 0x80 | 0x37);
    EXPECT_EQ(r[kRegMinutes], 0x80 | 0x04);
    EXPECT_EQ(r[kRegHours], 0xC0 | 0x19);
    EXPECT_EQ(r[kRegWeekday], 0xF8 | 3);
    EXPECT_EQ(r[kRegDate], 0xC0 | 0x08);
    EXPECT_EQ(r[kRegMonth], 0xE0 | 0x12);
    EXPECT_EQ(r[kRegYear], 0x26);
    for (std::size_t i = kRegAlarm1Seconds; i < kRegStatus; ++i) {
        EXPECT_EQ(r[i], 0xFF) << i;
    }
    EXPECT_EQ(r[kRegStatus], 0xFC);
}

class WakeAlarmTest : public ::testing::Test {
protected:
    TaskRecord* Add(const TaskDateTime& start, std::int32_t status = kTaskReady) {
        TaskRecord task = TaskAt(start, 30, status);
        m_tasks.Add(task);
        return m_tasks.At(m_tasks.Count() - 1);
    }
    TaskList m_tasks;
    const TaskDateTime m_now = At(2026, 12, 8, 19, 4, 37);
};

TEST_F(WakeAlarmTest, AimsAtTheFirstReadyTaskMoreThanTwoMinutesAhead) {
    Add(At(2026, 12, 8, 18, 0), kTaskFinished);
    Add(At(2026, 12, 8, 19, 5)); // starts within two minutes: too close
    Add(At(2026, 12, 8, 19, 20), kTaskExpired);
    TaskRecord* next = Add(At(2026, 12, 9, 0, 3)); // the alarm reaches back over midnight
    Add(At(2026, 12, 10, 6, 0));

    WakeAlarm alarm;
    ASSERT_TRUE(PlanWakeAlarm(m_tasks, m_now, 10, alarm));
    EXPECT_EQ(alarm.task, next);
    EXPECT_EQ(TaskSerialSeconds(alarm.at), TaskSerialSeconds(At(2026, 12, 8, 23, 53)));
    const WakeClockRegisters& r = alarm.registers;
    // The present time, the year within the century.
    const std::uint8_t time[7] = {0x37, 0x04, 0x19, 3, 0x08, 0x12, 0x26};
    for (std::size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(r[i], time[i]) << i;
    }
    EXPECT_EQ(r[kRegAlarm1Seconds], 0x37);
    EXPECT_EQ(r[kRegAlarm1Minutes], 0x53);
    EXPECT_EQ(r[kRegAlarm1Hours], 0x23);
    EXPECT_EQ(r[kRegAlarm1Day], 0x08) << "the date the alarm goes off, not the task's";
    EXPECT_EQ(r[kRegAlarm2Minutes], 0x80);
    EXPECT_EQ(r[kRegAlarm2Hours], 0x80);
    EXPECT_EQ(r[kRegAlarm2Day], 0x80);
    EXPECT_EQ(r[kRegControl], 0x01);
    EXPECT_EQ(r[kRegStatus], 0x00);
}

TEST_F(WakeAlarmTest, AWeeklyTaskGetsTheWeekdayFormEvenAcrossTheWeeksEnd) {
    // Saturday 2026-12-12 23:50, a weekly task on Sundays at 00:05 dated to its next run: the
    // alarm goes off on the Saturday evening, the first run after it on the Sunday.
    const TaskDateTime saturday = At(2026, 12, 12, 23, 50);
    TaskRecord* weekly = Add(At(2026, 12, 13, 0, 5));
    weekly->repeat = std::uint8_t(kRepeatWeekly | RepeatDayBit(1));
    WakeAlarm alarm;
    ASSERT_TRUE(PlanWakeAlarm(m_tasks, At(2026, 12, 12, 20, 0), 15, alarm));
    EXPECT_EQ(TaskSerialSeconds(alarm.at), TaskSerialSeconds(saturday));
    EXPECT_EQ(alarm.registers[kRegAlarm1Day], 0x40 | 7);
    // Three minutes before its start the Sunday alarm is the one of the Sunday itself.
    ASSERT_TRUE(PlanWakeAlarm(m_tasks, At(2026, 12, 12, 23, 59), 0, alarm));
    EXPECT_EQ(alarm.registers[kRegAlarm1Day], 0x40 | 1);
    EXPECT_EQ(alarm.registers[kRegAlarm1Minutes], 0x05);
    EXPECT_EQ(alarm.registers[kRegAlarm1Hours], 0x00);
}

TEST_F(WakeAlarmTest, NothingIsPlannedWithoutAReadyTaskAhead) {
    WakeAlarm alarm;
    EXPECT_FALSE(PlanWakeAlarm(m_tasks, m_now, 5, alarm));
    Add(At(2026, 12, 1, 20, 0), kTaskFinished);
    Add(At(2026, 12, 20, 20, 0), kTaskFinished);
    Add(At(2026, 12, 8, 19, 6));
    Add(At(2026, 12, 8, 18, 0));
    EXPECT_FALSE(PlanWakeAlarm(m_tasks, m_now, 5, alarm));
    EXPECT_EQ(alarm.task, nullptr);
}

} // namespace
} // namespace tunaro
