// Tests of the calendar arithmetic behind the task rules and of a new TaskRecord: defaults,
// start and end, and its bounded text fields.
#include "tests/schedule/schedule_test_util.h"
#include "schedule/task_list.h"
#include "schedule/task_record.h"
#include "framework/file_replace.h"
#include "framework/program_dir.h"
#include "schedule/task_time.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace tunaro;

TEST(TaskTime, SerialSecondsAgreeWithKnownDates) {
    EXPECT_EQ(TaskSerialSeconds(At(1970, 1, 1, 0, 0)), 0);
    EXPECT_EQ(TaskSerialSeconds(At(2000, 3, 1, 0, 0)), 951868800);
    EXPECT_EQ(TaskSerialSeconds(At(2026, 12, 7, 22, 50, 51)), 1796683851);
    EXPECT_EQ(TaskSerialSeconds(At(1969, 12, 31, 23, 59, 59)), -1);
    // Leap days: 2024 has one, 2100 does not.
    EXPECT_EQ(TaskSerialSeconds(At(2024, 3, 1, 0, 0)) - TaskSerialSeconds(At(2024, 2, 28, 0, 0)), 2 * 86400);
    EXPECT_EQ(TaskSerialSeconds(At(2100, 3, 1, 0, 0)) - TaskSerialSeconds(At(2100, 2, 28, 0, 0)), 86400);
}

TEST(TaskTime, OutOfRangeFieldsCarryOver) {
    EXPECT_EQ(TaskSerialSeconds(At(2026, 13, 1, 0, 0)), TaskSerialSeconds(At(2027, 1, 1, 0, 0)));
    EXPECT_EQ(TaskSerialSeconds(At(2026, 0, 1, 0, 0)), TaskSerialSeconds(At(2025, 12, 1, 0, 0)));
    EXPECT_EQ(TaskSerialSeconds(At(2026, 3, 0, 0, 0)), TaskSerialSeconds(At(2026, 2, 28, 0, 0)));
    EXPECT_EQ(TaskSerialSeconds(At(2026, 1, 1, 24, 60)), TaskSerialSeconds(At(2026, 1, 2, 1, 0)));
    // Extremes of the record's fields stay finite and ordered.
    EXPECT_LT(TaskSerialSeconds(At(-32768, 0, 0, 0, 0)),
              TaskSerialSeconds(At(32767, 255, 255, 255, 255, 255)));
}

TEST(TaskTime, SerialRoundTripsThroughDateTime) {
    for (std::int64_t s : {std::int64_t(0), std::int64_t(-1), std::int64_t(951782400),
                           std::int64_t(1796683851), std::int64_t(4102444799), std::int64_t(-2208988800)}) {
        EXPECT_EQ(TaskSerialSeconds(TaskDateTimeFromSerial(s)), s) << s;
    }
    const TaskDateTime t = TaskDateTimeFromSerial(TaskSerialSeconds(At(2024, 2, 29, 23, 59, 58)) + 3);
    EXPECT_EQ(t.year, 2024);
    EXPECT_EQ(t.month, 3);
    EXPECT_EQ(t.day, 1);
    EXPECT_EQ(t.hour, 0);
    EXPECT_EQ(t.minute, 0);
    EXPECT_EQ(t.second, 1);
}

TEST(TaskTime, WeekdaysCountFromSunday) {
    EXPECT_EQ(TaskWeekday(1970, 1, 1), 5);   // Thursday
    EXPECT_EQ(TaskWeekday(2026, 12, 6), 1);  // Sunday
    EXPECT_EQ(TaskWeekday(2026, 12, 7), 2);  // Monday
    EXPECT_EQ(TaskWeekday(2026, 12, 12), 7); // Saturday
    EXPECT_EQ(TaskWeekday(2000, 2, 29), 3);  // Tuesday
    EXPECT_EQ(TaskWeekday(1969, 12, 31), 4); // Wednesday, before the epoch
}

TEST(TaskTime, WholeMinutesTruncateTowardZero) {
    EXPECT_EQ(TaskWholeMinutes(0, 119), 1);
    EXPECT_EQ(TaskWholeMinutes(0, 120), 2);
    EXPECT_EQ(TaskWholeMinutes(0, -119), -1);
    EXPECT_EQ(TaskWholeMinutes(0, -59), 0);
}

TEST(TaskRecord, NewRecordHasTheDefaults) {
    ManualTaskClock clock(At(2026, 12, 7, 23, 0), 1796684400);
    const TaskRecord r = TaskRecord::MakeNew(clock);
    EXPECT_EQ(r.created, 1796684400);
    EXPECT_EQ(r.mode, kTaskModeWatch);
    EXPECT_EQ(r.autoPowerOn, 1);
    EXPECT_EQ(r.autoLogOn, 0);
    EXPECT_EQ(r.afterFinish, kAfterFinishShutdown);
    EXPECT_EQ(r.repeat, 0);
    EXPECT_EQ(r.channel, 0);
    EXPECT_EQ(r.year, 1980);
    EXPECT_EQ(r.month, 1);
    EXPECT_EQ(r.day, 1);
    EXPECT_EQ(r.weekday, 0);
    EXPECT_EQ(r.hour, 0);
    EXPECT_EQ(r.minute, 0);
    EXPECT_EQ(r.second, 0);
    EXPECT_EQ(r.duration, 30);
    EXPECT_EQ(r.status, kTaskReady);
    EXPECT_EQ(r.NameText(), "");
    EXPECT_EQ(r.UserNameText(), "");
    EXPECT_EQ(r.PasswordText(), "");
    // No byte of the text buffers carries anything, so nothing stale can reach the file.
    for (std::size_t i = 0; i < TaskRecord::kTextSize; ++i) {
        ASSERT_EQ(r.password[i], 0) << i;
        ASSERT_EQ(r.recordFileName[i], 0) << i;
    }
}

TEST(TaskRecord, EndIsStartPlusDurationMinutes) {
    TaskRecord r = TaskAt(At(2026, 12, 31, 23, 50), 30);
    EXPECT_EQ(r.StartSerial(), TaskSerialSeconds(At(2026, 12, 31, 23, 50)));
    EXPECT_EQ(r.EndSerial(), TaskSerialSeconds(At(2027, 1, 1, 0, 20)));
    r.second = 30;
    EXPECT_EQ(r.EndSerial() - r.StartSerial(), 30 * 60);
}

TEST(TaskRecord, TextFieldsStayInsideTheirBuffers) {
    TaskRecord r = TaskAt(At(2026, 12, 8, 20, 0), 30);
    r.SetUserName("viewer");
    EXPECT_EQ(r.UserNameText(), "viewer");

    // A long text is cut to 259 characters and terminated.
    r.SetName(std::string(400, 'n'));
    EXPECT_EQ(r.NameText(), std::string(259, 'n'));
    EXPECT_EQ(r.name[259], 0);

    // A shorter text after a longer one leaves none of the old characters behind.
    r.SetPassword("a-rather-long-password-of-forty-chars!!!");
    r.SetPassword("short");
    EXPECT_EQ(r.PasswordText(), "short");
    for (std::size_t i = 5; i < TaskRecord::kTextSize; ++i) {
        ASSERT_EQ(r.password[i], 0) << i;
    }

    // A buffer without any zero (as arbitrary file bytes may give) reads as 260 characters.
    std::memset(r.recordFileName, 'x', sizeof(r.recordFileName));
    EXPECT_EQ(r.RecordFileNameText(), std::string(260, 'x'));
}

TEST(TaskPlatform, SystemClockLocalAndUtcAgree) {
    const TaskClock& clock = SystemTaskClock();
    const std::int64_t utc = clock.UtcSecondsNow();
    const std::int64_t local = TaskSerialSeconds(clock.LocalNow());
    // Local time is UTC moved by a time zone of at most 14 hours.
    EXPECT_LE(local - utc, 14 * 3600 + 5);
    EXPECT_GE(local - utc, -14 * 3600 - 5);
    EXPECT_GT(utc, TaskSerialSeconds(At(2020, 1, 1, 0, 0)));
}

TEST(TaskPlatform, TaskFileLiesBesideTheProgram) {
    const std::string dir = ProgramDirectory();
    ASSERT_FALSE(dir.empty());
    EXPECT_TRUE(FileExists(dir + "\\schedule_model_test.exe"));
    EXPECT_EQ(DefaultTaskFilePath(), dir + "\\SCHTASK.stf");
}

TEST(TaskPlatform, ClockShiftMovesAndSpeedsTheClockAndIgnoresWhatItCannotRead) {
    TaskClockShift shift;
    ASSERT_TRUE(ParseTaskClockShift("offset=-40;rate=6;since=1000000", shift));
    EXPECT_EQ(shift.offsetSeconds, -40);
    EXPECT_EQ(shift.rate, 6);
    // At the moment since: only the offset; ten real seconds later, sixty of the task clock.
    EXPECT_EQ(shift.ShiftMs(5000000, 1000000), 5000000 - 40000);
    EXPECT_EQ(shift.ShiftMs(5010000, 1010000), 5000000 - 40000 + 60000);
    ASSERT_TRUE(ParseTaskClockShift("rate=3", shift));
    EXPECT_EQ(shift.offsetSeconds, 0);
    EXPECT_FALSE(shift.Inert());
    for (const char* bad : {"rate=0", "rate=x", "speed=2", "offset=5 rate=2", "rate=2000"}) {
        EXPECT_FALSE(ParseTaskClockShift(bad, shift)) << bad;
        EXPECT_TRUE(shift.Inert()) << bad;
    }
    EXPECT_FALSE(ParseTaskClockShift(nullptr, shift));
    EXPECT_TRUE(shift.Inert());
}
