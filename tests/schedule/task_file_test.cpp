// Tests of the task file: its byte images with the enciphered log-on fields, save and load
// round trips, the adjustments made on load, safe replacement on save, and loading of
// arbitrary, truncated and oversized files.
#include "tests/schedule/schedule_test_util.h"
#include "schedule/task_file.h"
#include "schedule/task_list.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <map>
#include <random>
#include <vector>

using namespace tunaro;

namespace {

constexpr std::size_t kImage = TaskRecord::kImageSize;
constexpr std::size_t kUserName = 292;
constexpr std::size_t kPassword = 552;

// Wednesday 2026-12-09, 10:00.
const TaskDateTime kNow = At(2026, 12, 9, 10, 0);

std::vector<std::uint8_t> RecordBytes(const TaskRecord& r) {
    std::vector<std::uint8_t> b(kImage);
    std::memcpy(b.data(), &r, kImage);
    return b;
}

std::vector<std::uint8_t> FromHex(const char* hex) {
    std::vector<std::uint8_t> out;
    for (const char* p = hex; p[0] && p[1]; p += 2) {
        const char pair[3] = {p[0], p[1], 0};
        out.push_back(std::uint8_t(std::strtoul(pair, nullptr, 16)));
    }
    return out;
}

TaskRecord SampleTask(const TaskDateTime& start, int channel) {
    TaskRecord r = TaskAt(start, 45);
    r.mode = kTaskModeRecord;
    r.recordFormat = 5;
    r.channel = channel;
    r.videoInput = kInputTuner;
    r.afterFinish = kAfterFinishContinue;
    r.autoLogOn = 1;
    r.SetName("News at eight");
    r.SetUserName("tvuser");
    r.SetPassword("S3cret!");
    r.SetRecordFileName("Record_0");
    return r;
}

} // namespace

TEST(TaskFile, EmptyListIsAZeroLengthFile) {
    TempDir dir;
    const std::string path = dir.Path("SCHTASK.stf");
    TaskList list;
    ASSERT_TRUE(list.Save(path));
    std::vector<std::uint8_t> bytes{1};
    ASSERT_TRUE(ReadFileBytes(path, bytes));
    EXPECT_TRUE(bytes.empty());

    TaskList loaded;
    EXPECT_TRUE(loaded.Load(path, ManualTaskClock(kNow)));
    EXPECT_EQ(loaded.Count(), 0);
}

TEST(TaskFile, LogOnFieldsAreEncipheredInTheFileAndPlainInMemory) {
    TempDir dir;
    const std::string path = dir.Path("SCHTASK.stf");
    TaskList list;
    list.Add(SampleTask(At(2026, 12, 10, 20, 0), 3));
    const std::vector<std::uint8_t> before = RecordBytes(*list.At(0));
    ASSERT_TRUE(list.Save(path));
    EXPECT_EQ(RecordBytes(*list.At(0)), before); // memory keeps the plain text

    std::vector<std::uint8_t> file;
    ASSERT_TRUE(ReadFileBytes(path, file));
    ASSERT_EQ(file.size(), kImage);
    // The first 32 bytes of each field, enciphered with the fixed key, halves little-endian.
    EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + kUserName, file.begin() + kUserName + 32),
              FromHex("24899774FAE8F7491DA1F6FE34B77EEA1DA1F6FE34B77EEA1DA1F6FE34B77EEA"));
    EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + kPassword, file.begin() + kPassword + 32),
              FromHex("F36D214869824DCA1DA1F6FE34B77EEA1DA1F6FE34B77EEA1DA1F6FE34B77EEA"));
    // Every other byte is stored as it is in memory.
    for (std::size_t i = 0; i < kImage; ++i) {
        const bool ciphered =
            (i >= kUserName && i < kUserName + 32) || (i >= kPassword && i < kPassword + 32);
        if (!ciphered) {
            ASSERT_EQ(file[i], before[i]) << "offset " << i;
        }
    }
}

TEST(TaskFile, RoundTripRestoresEveryByteOfFutureTasks) {
    TempDir dir;
    const std::string path = dir.Path("SCHTASK.stf");
    TaskList list;
    list.Add(SampleTask(At(2026, 12, 11, 6, 30), 1));
    list.Add(SampleTask(At(2026, 12, 10, 20, 0), 2));
    TaskRecord watch = TaskAt(At(2027, 3, 1, 0, 5), 600);
    watch.SetName(std::string(300, 'w'));
    watch.SetUserName("a-user-name-longer-than-thirty-two-characters");
    watch.SetPassword(std::string(100, 'p'));
    list.Add(watch);
    list.SortByStart();
    ASSERT_TRUE(list.Save(path));

    std::vector<std::uint8_t> file;
    ASSERT_TRUE(ReadFileBytes(path, file));
    ASSERT_EQ(file.size(), 3 * kImage);

    TaskList loaded;
    ASSERT_TRUE(loaded.Load(path, ManualTaskClock(kNow)));
    ASSERT_EQ(loaded.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(RecordBytes(*loaded.At(i)), RecordBytes(*list.At(i))) << i;
    }
    EXPECT_EQ(loaded.At(0)->UserNameText(), "tvuser");
    EXPECT_EQ(loaded.At(0)->PasswordText(), "S3cret!");
    EXPECT_EQ(loaded.At(2)->UserNameText(), "a-user-name-longer-than-thirty-two-characters");
    EXPECT_EQ(loaded.At(2)->PasswordText(), std::string(100, 'p'));
}

TEST(TaskFile, RoundTripChangesOnlyTheAdjustedDateAndStatus) {
    TempDir dir;
    const std::string path = dir.Path("SCHTASK.stf");
    TaskList list;
    TaskRecord past = SampleTask(At(2026, 12, 1, 20, 0), 1);   // long over: becomes Expired
    TaskRecord weekly = SampleTask(At(2026, 11, 2, 20, 0), 2); // weekly on Friday: dated Friday
    weekly.repeat = kRepeatWeekly | RepeatDayBit(6);
    weekly.weekday = 2;
    list.Add(past);
    list.Add(weekly);
    ASSERT_TRUE(list.Save(path));

    TaskList loaded;
    ASSERT_TRUE(loaded.Load(path, ManualTaskClock(kNow)));
    ASSERT_EQ(loaded.Count(), 2);
    TaskRecord expectPast = past;
    expectPast.status = kTaskExpired;
    TaskRecord expectWeekly = weekly;
    expectWeekly.year = 2026;
    expectWeekly.month = 12;
    expectWeekly.day = 11;
    EXPECT_EQ(RecordBytes(*loaded.At(0)), RecordBytes(expectPast));
    EXPECT_EQ(RecordBytes(*loaded.At(1)), RecordBytes(expectWeekly));
}

TEST(TaskFile, LoadAppendsToTheListAndSorts) {
    TempDir dir;
    const std::string path = dir.Path("SCHTASK.stf");
    TaskList source;
    source.Add(SampleTask(At(2026, 12, 12, 9, 0), 5));
    source.Add(SampleTask(At(2026, 12, 10, 9, 0), 4));
    ASSERT_TRUE(source.Save(path));

    TaskList list;
    TaskRecord mine = TaskAt(At(2026, 12, 11, 9, 0), 30);
    mine.channel = 99;
    list.Add(mine);
    ASSERT_TRUE(list.Load(path, ManualTaskClock(kNow)));
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.At(0)->channel, 4);
    EXPECT_EQ(list.At(1)->channel, 99);
    EXPECT_EQ(list.At(2)->channel, 5);
}

// kNow is Wednesday 9 December 2026, 10:00.
TEST(TaskFile, TheLoadKnowsWhichWaitingRunsPassedWhileNothingRan) {
    TempDir dir;
    const std::string path = dir.Path("SCHTASK.stf");
    TaskList source;
    source.Add(TaskAt(At(2026, 12, 9, 8, 0), 30));                // Ready, over: missed
    source.Add(TaskAt(At(2026, 12, 9, 9, 59), 30));               // Ready, still on: runs late
    source.Add(TaskAt(At(2026, 12, 8, 8, 0), 30, kTaskFinished)); // ran
    source.Add(TaskAt(At(2026, 12, 7, 8, 0), 30, kTaskExpired));  // told before
    source.Add(TaskAt(At(2026, 12, 9, 12, 0), 30));               // to come
    TaskRecord weekly = TaskAt(At(2026, 12, 8, 20, 0), 30);       // Tuesday's run, waiting
    weekly.repeat = std::uint8_t(kRepeatWeekly | RepeatDayBit(3) | RepeatDayBit(6));
    source.Add(weekly);
    TaskRecord weeklyAhead = weekly; // dated to this evening
    weeklyAhead.day = 9;
    weeklyAhead.repeat = std::uint8_t(kRepeatWeekly | RepeatDayBit(4));
    source.Add(weeklyAhead);
    for (int i = 0; i < source.Count(); ++i) {
        source.At(i)->channel = i;
    }
    ASSERT_TRUE(source.Save(path));
    TaskList list;
    ASSERT_TRUE(list.Load(path, ManualTaskClock(kNow)));
    ASSERT_EQ(list.MissedOnLoad().size(), 2u);
    EXPECT_EQ(list.MissedOnLoad()[0].channel, 0);
    EXPECT_EQ(list.MissedOnLoad()[1].channel, 5);
    EXPECT_EQ(list.MissedOnLoad()[1].day, 8); // as it was stored
}

TEST(TaskFile, MissingFileFailsAndLeavesTheList) {
    TempDir dir;
    TaskList list;
    list.Add(TaskAt(At(2026, 12, 11, 9, 0), 30));
    EXPECT_FALSE(list.Load(dir.Path("none.stf"), ManualTaskClock(kNow)));
    EXPECT_EQ(list.Count(), 1);
    // A directory where the file should be cannot be read as one.
    ASSERT_TRUE(MakeDirectory(dir.Path("folder.stf")));
    EXPECT_FALSE(list.Load(dir.Path("folder.stf"), ManualTaskClock(kNow)));
    EXPECT_EQ(list.Count(), 1);
}

TEST(TaskFile, AFileWithMoreTasksThanTheLimitIsNotLoaded) {
    TempDir dir;
    const std::string path = dir.Path("SCHTASK.stf");
    TaskList source;
    source.Add(SampleTask(At(2026, 12, 10, 9, 0), 4));
    ASSERT_TRUE(source.Save(path));
    std::vector<std::uint8_t> one;
    ASSERT_TRUE(ReadFileBytes(path, one));
    std::vector<std::uint8_t> bytes;
    bytes.reserve((kTaskFileMaxTasks + 1) * kImage);
    for (std::size_t i = 0; i < kTaskFileMaxTasks; ++i)
        bytes.insert(bytes.end(), one.begin(), one.end());
    ASSERT_TRUE(WriteFileBytes(path, bytes));

    TaskList list;
    list.Add(TaskAt(At(2026, 12, 11, 9, 0), 30));
    EXPECT_TRUE(list.Load(path, ManualTaskClock(kNow)));
    EXPECT_EQ(std::size_t(list.Count()), kTaskFileMaxTasks + 1);

    // One record more: nothing of the file is taken, what the list held stays.
    bytes.insert(bytes.end(), one.begin(), one.end());
    ASSERT_TRUE(WriteFileBytes(path, bytes));
    TaskList refused;
    refused.Add(TaskAt(At(2026, 12, 11, 9, 0), 30));
    EXPECT_FALSE(refused.Load(path, ManualTaskClock(kNow)));
    ASSERT_EQ(refused.Count(), 1);
    EXPECT_EQ(refused.At(0)->channel, 0);
}

TEST(TaskFile, AFileThatWasNotTakenIsNeverSavedOver) {
    TempDir dir;
    const std::string path = dir.Path("SCHTASK.stf");
    TaskList source;
    source.Add(SampleTask(At(2026, 12, 10, 9, 0), 4));
    ASSERT_TRUE(source.Save(path));
    std::vector<std::uint8_t> one;
    ASSERT_TRUE(ReadFileBytes(path, one));

    // Held open by another program at the start: the list stays empty and the user's file
    // keeps its task through every later save, also once the other program has let it go.
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    TaskList locked;
    EXPECT_FALSE(locked.Load(path, ManualTaskClock(kNow)));
    CloseHandle(held);
    EXPECT_TRUE(locked.LoadRefused());
    EXPECT_EQ(locked.Count(), 0);
    locked.Add(SampleTask(At(2026, 12, 12, 9, 0), 9));
    EXPECT_FALSE(locked.Save(path));
    std::vector<std::uint8_t> after;
    ASSERT_TRUE(ReadFileBytes(path, after));
    EXPECT_EQ(after, one);
    EXPECT_EQ(dir.EntryCount(), 1); // the task file alone, no temporary file

    // Over the limit: refused whole, and the oversized file is left byte for byte.
    std::vector<std::uint8_t> bytes;
    bytes.reserve((kTaskFileMaxTasks + 1) * kImage);
    for (std::size_t i = 0; i <= kTaskFileMaxTasks; ++i)
        bytes.insert(bytes.end(), one.begin(), one.end());
    ASSERT_TRUE(WriteFileBytes(path, bytes));
    TaskList tooMany;
    EXPECT_FALSE(tooMany.Load(path, ManualTaskClock(kNow)));
    EXPECT_TRUE(tooMany.LoadRefused());
    EXPECT_FALSE(tooMany.Save(path));
    ASSERT_TRUE(ReadFileBytes(path, after));
    EXPECT_EQ(after.size(), bytes.size());
    EXPECT_TRUE(after == bytes);

    // A file that is not there, or a folder in its place, is no one's list: the new one is saved.
    TaskList fresh;
    EXPECT_FALSE(fresh.Load(dir.Path("none.stf"), ManualTaskClock(kNow)));
    ASSERT_TRUE(MakeDirectory(dir.Path("folder.stf")));
    EXPECT_FALSE(fresh.Load(dir.Path("folder.stf"), ManualTaskClock(kNow)));
    EXPECT_FALSE(fresh.LoadRefused());
    fresh.Add(SampleTask(At(2026, 12, 13, 9, 0), 3));
    EXPECT_TRUE(fresh.Save(dir.Path("none.stf")));

    // A file taken whole is saved as usual.
    TaskList taken;
    ASSERT_TRUE(taken.Load(dir.Path("none.stf"), ManualTaskClock(kNow)));
    EXPECT_FALSE(taken.LoadRefused());
    taken.Add(SampleTask(At(2026, 12, 14, 9, 0), 2));
    EXPECT_TRUE(taken.Save(dir.Path("none.stf")));
    TaskList back;
    ASSERT_TRUE(back.Load(dir.Path("none.stf"), ManualTaskClock(kNow)));
    EXPECT_EQ(back.Count(), 2);
}

TEST(TaskFile, TrailingPartialRecordIsIgnored) {
    TempDir dir;
    const std::string path = dir.Path("SCHTASK.stf");
    TaskList source;
    source.Add(SampleTask(At(2026, 12, 10, 9, 0), 4));
    source.Add(SampleTask(At(2026, 12, 12, 9, 0), 5));
    ASSERT_TRUE(source.Save(path));
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(ReadFileBytes(path, bytes));
    bytes.insert(bytes.end(), bytes.begin(), bytes.begin() + kImage - 1);
    ASSERT_TRUE(WriteFileBytes(path, bytes));

    TaskList list;
    EXPECT_TRUE(list.Load(path, ManualTaskClock(kNow)));
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.At(1)->channel, 5);
}

TEST(TaskFile, FailedSaveKeepsThePreviousFile) {
    TempDir dir;
    const std::string path = dir.Path("SCHTASK.stf");
    TaskList first;
    first.Add(SampleTask(At(2026, 12, 10, 9, 0), 4));
    ASSERT_TRUE(first.Save(path));
    std::vector<std::uint8_t> saved;
    ASSERT_TRUE(ReadFileBytes(path, saved));

    // The new file cannot take the old one's place: another program holds it open.
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    TaskList second;
    second.Add(SampleTask(At(2026, 12, 11, 9, 0), 7));
    second.Add(SampleTask(At(2026, 12, 12, 9, 0), 8));
    EXPECT_FALSE(second.Save(path));
    CloseHandle(held);
    EXPECT_EQ(dir.EntryCount(), 1); // no temporary file left behind
    std::vector<std::uint8_t> after;
    ASSERT_TRUE(ReadFileBytes(path, after));
    EXPECT_EQ(after, saved);
    EXPECT_EQ(second.Count(), 2);
    EXPECT_EQ(second.At(0)->PasswordText(), "S3cret!");
}

TEST(TaskFile, SaveReportsFailureWhenTheFileCannotBeReplaced) {
    TempDir dir;
    TaskList list;
    list.Add(SampleTask(At(2026, 12, 10, 9, 0), 4));
    EXPECT_FALSE(list.Save(dir.Path("missing\\SCHTASK.stf")));

    // The target is a directory: nothing may be left behind.
    const std::string target = dir.Path("taken");
    ASSERT_TRUE(MakeDirectory(target));
    EXPECT_FALSE(list.Save(target));
    EXPECT_EQ(dir.EntryCount(), 1);

    // A good save replaces an existing file and leaves no temporary file.
    const std::string path = dir.Path("SCHTASK.stf");
    ASSERT_TRUE(WriteFileBytes(path, std::vector<std::uint8_t>(5000, 0xEE)));
    ASSERT_TRUE(list.Save(path));
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(ReadFileBytes(path, bytes));
    EXPECT_EQ(bytes.size(), kImage);
    EXPECT_EQ(dir.EntryCount(), 2); // the directory and the task file
}

TEST(TaskLoadAdjustment, TextsThatFillTheirFieldsEndInsideThem) {
    // A file whose texts run to the end of their fields, with no zero: as loaded, each reads
    // back as at most what a setter stores, and the next field is never read into it.
    TaskRecord r = TaskAt(AddSeconds(kNow, 3600), 30);
    std::memset(r.name, 'n', sizeof r.name);
    std::memset(r.userName, 'u', sizeof r.userName);
    std::memset(r.password, 'p', sizeof r.password);
    std::memset(r.recordFileName, 'f', sizeof r.recordFileName);
    AdjustTaskOnLoad(r, kNow);
    EXPECT_EQ(r.NameText(), std::string(TaskRecord::kTextSize - 1, 'n'));
    EXPECT_EQ(r.UserNameText(), std::string(TaskRecord::kTextSize - 1, 'u'));
    EXPECT_EQ(r.PasswordText(), std::string(TaskRecord::kTextSize - 1, 'p'));
    EXPECT_EQ(r.RecordFileNameText(), std::string(TaskRecord::kTextSize - 1, 'f'));
    // Loading again changes nothing more.
    TaskRecord again = r;
    AdjustTaskOnLoad(again, kNow);
    EXPECT_EQ(0, std::memcmp(&again, &r, sizeof r));
}

TEST(TaskLoadAdjustment, FinishedStaysFinished) {
    TaskRecord r = TaskAt(At(2026, 12, 1, 20, 0), 30, kTaskFinished);
    AdjustTaskOnLoad(r, kNow);
    EXPECT_EQ(r.status, kTaskFinished);
}

TEST(TaskLoadAdjustment, ExpiresOnceDurationLessTwoMinutesHavePassed) {
    // Duration 30: expired from 28 whole minutes after the start on.
    TaskRecord r = TaskAt(AddSeconds(kNow, -28 * 60), 30);
    AdjustTaskOnLoad(r, kNow);
    EXPECT_EQ(r.status, kTaskExpired);

    r = TaskAt(AddSeconds(kNow, -28 * 60 + 1), 30); // 27 minutes 59 seconds ago
    AdjustTaskOnLoad(r, kNow);
    EXPECT_EQ(r.status, kTaskReady);

    r = TaskAt(AddSeconds(kNow, -10 * 60), 30, kTaskRunning);
    AdjustTaskOnLoad(r, kNow);
    EXPECT_EQ(r.status, kTaskRunning);

    r = TaskAt(AddSeconds(kNow, -40 * 60), 30, kTaskRunning);
    AdjustTaskOnLoad(r, kNow);
    EXPECT_EQ(r.status, kTaskExpired);
}

TEST(TaskLoadAdjustment, TasksThatHaveNotStartedKeepTheirStatus) {
    TaskRecord r = TaskAt(AddSeconds(kNow, 24 * 3600), 30);
    AdjustTaskOnLoad(r, kNow);
    EXPECT_EQ(r.status, kTaskReady);
    // Less than a minute ahead counts as zero elapsed minutes; a two-minute task must still
    // not be given up before it began.
    r = TaskAt(AddSeconds(kNow, 30), 2);
    AdjustTaskOnLoad(r, kNow);
    EXPECT_EQ(r.status, kTaskReady);
    // Once begun, a two-minute task has nothing left to run.
    r = TaskAt(kNow, 2);
    AdjustTaskOnLoad(r, kNow);
    EXPECT_EQ(r.status, kTaskExpired);
}

TEST(TaskLoadAdjustment, WeeklyTaskIsDatedToItsNextSelectedDay) {
    TaskRecord r = TaskAt(At(2026, 11, 2, 20, 0), 30);
    r.repeat = kRepeatWeekly | RepeatDayBit(2) | RepeatDayBit(6); // Monday and Friday
    AdjustTaskOnLoad(r, kNow);                                    // on a Wednesday
    EXPECT_EQ(r.year, 2026);
    EXPECT_EQ(r.month, 12);
    EXPECT_EQ(r.day, 11); // Friday
    EXPECT_EQ(r.hour, 20);
    EXPECT_EQ(r.status, kTaskReady);

    // A Monday-only task read on a Sunday runs on Monday, not on Sunday.
    r = TaskAt(At(2026, 11, 2, 20, 0), 30);
    r.repeat = kRepeatWeekly | RepeatDayBit(2);
    AdjustTaskOnLoad(r, At(2026, 12, 13, 9, 0));
    EXPECT_EQ(r.day, 14);
    EXPECT_EQ(TaskWeekday(r.year, r.month, r.day), 2);
}

TEST(TaskLoadAdjustment, WeeklyTaskForTodayIsDatedTodayUntilTodaysRunIsOver) {
    TaskRecord r = TaskAt(At(2026, 10, 28, 21, 15), 30);
    r.repeat = kRepeatWeekly | RepeatDayBit(4); // Wednesday
    AdjustTaskOnLoad(r, kNow);
    EXPECT_EQ(r.month, 12);
    EXPECT_EQ(r.day, 9);
    EXPECT_EQ(r.status, kTaskReady);

    // Begun earlier today with time left: today, and it stays Ready (it joins late).
    r = TaskAt(At(2026, 10, 28, 9, 50), 30);
    r.repeat = kRepeatWeekly | RepeatDayBit(4);
    AdjustTaskOnLoad(r, kNow);
    EXPECT_EQ(r.day, 9);
    EXPECT_EQ(r.status, kTaskReady);

    // Earlier today and over: next Wednesday, still Ready.
    r = TaskAt(At(2026, 10, 28, 8, 0), 30);
    r.repeat = kRepeatWeekly | RepeatDayBit(4);
    AdjustTaskOnLoad(r, kNow);
    EXPECT_EQ(r.day, 16);
    EXPECT_EQ(r.status, kTaskReady);
}

TEST(TaskLoadAdjustment, WeeklyTaskForEarlierDaysOnlyWrapsToNextWeek) {
    TaskRecord r = TaskAt(At(2026, 11, 2, 20, 0), 30);
    r.repeat = kRepeatWeekly | RepeatDayBit(1) | RepeatDayBit(2); // Sunday and Monday
    AdjustTaskOnLoad(r, kNow);                                    // Wednesday 9 December
    EXPECT_EQ(r.year, 2026);
    EXPECT_EQ(r.month, 12);
    EXPECT_EQ(r.day, 13); // Sunday
    EXPECT_EQ(r.status, kTaskReady);

    // Across the end of the year.
    r = TaskAt(At(2026, 11, 2, 7, 0), 60);
    r.repeat = kRepeatWeekly | RepeatDayBit(3); // Tuesday
    AdjustTaskOnLoad(r, At(2026, 12, 30, 12, 0));
    EXPECT_EQ(r.year, 2027);
    EXPECT_EQ(r.month, 1);
    EXPECT_EQ(r.day, 5);

    // Without the weekly bit the day bits change nothing; weekly without a day neither.
    r = TaskAt(At(2026, 12, 20, 20, 0), 30);
    r.repeat = RepeatDayBit(4);
    AdjustTaskOnLoad(r, kNow);
    EXPECT_EQ(r.day, 20);
    r.repeat = kRepeatWeekly;
    EXPECT_FALSE(DateWeeklyTask(r, kNow));
    EXPECT_EQ(r.day, 20);
}

TEST(TaskFile, LoaderSurvivesArbitraryTruncatedAndOversizedFiles) {
    TempDir dir;
    const std::string path = dir.Path("SCHTASK.stf");
    std::mt19937 rng(20261207);
    const TaskFileCipher cipher;
    const std::size_t sizes[] = {
        1, 7, kImage - 1, kImage, kImage + 1, 3 * kImage + 517, 40 * kImage, 2500 * kImage + 9};
    for (std::size_t size : sizes) {
        std::vector<std::uint8_t> bytes(size);
        for (auto& b : bytes) {
            b = std::uint8_t(rng());
        }
        // Make each record's creation stamp unique so that loaded records can be matched.
        std::map<std::int32_t, std::size_t> byCreated;
        for (std::size_t i = 0; i + kImage <= size; i += kImage) {
            const std::int32_t stamp = std::int32_t(i / kImage);
            std::memcpy(&bytes[i], &stamp, sizeof(stamp));
            byCreated[stamp] = i;
        }
        ASSERT_TRUE(WriteFileBytes(path, bytes));

        TaskList list;
        ASSERT_TRUE(list.Load(path, ManualTaskClock(kNow))) << size;
        ASSERT_EQ(std::size_t(list.Count()), size / kImage) << size;
        for (int i = 1; i < list.Count(); ++i) {
            ASSERT_LE(list.At(i - 1)->StartSerial(), list.At(i)->StartSerial());
        }
        // Each record holds its file image but for the date and status the load may adjust.
        for (int i = 0; i < list.Count(); ++i) {
            const TaskRecord& r = *list.At(i);
            const auto found = byCreated.find(r.created);
            ASSERT_NE(found, byCreated.end());
            std::uint8_t image[kImage];
            TaskRecordToImage(r, cipher, image);
            const std::uint8_t* original = &bytes[found->second];
            for (std::size_t k = 0; k < kImage; ++k) {
                const bool adjustable = (k >= 16 && k < 20) || (k >= 28 && k < 32);
                // The last byte of each text ends it, whatever the file held there.
                const std::size_t textEnds[] = {offsetof(TaskRecord, name), offsetof(TaskRecord, userName),
                                                offsetof(TaskRecord, password),
                                                offsetof(TaskRecord, recordFileName)};
                bool textEnd = false;
                for (std::size_t field : textEnds)
                    textEnd = textEnd || k == field + TaskRecord::kTextSize - 1;
                if (textEnd) {
                    ASSERT_EQ(image[k], 0) << "record at " << found->second << " offset " << k;
                } else if (!adjustable) {
                    ASSERT_EQ(image[k], original[k]) << "record at " << found->second << " offset " << k;
                }
            }
            // Adjustment only ever leaves a status as it was or gives Expired.
            std::int32_t storedStatus;
            std::memcpy(&storedStatus, original + 28, sizeof(storedStatus));
            EXPECT_TRUE(r.status == storedStatus || r.status == kTaskExpired);
        }
        // The list it made can be worked with like any other.
        const TaskRecord* current = list.CurrentTask();
        EXPECT_TRUE(current == nullptr || current->IsReadyOrRunning());
        ASSERT_TRUE(list.Save(path));
        std::vector<std::uint8_t> saved;
        ASSERT_TRUE(ReadFileBytes(path, saved));
        EXPECT_EQ(saved.size(), std::size_t(list.Count()) * kImage);
    }
}
