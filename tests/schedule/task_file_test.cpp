// Tests of the task file: its byte images with the enciphered log-on fields, save and load
// round trips, the adjustments made on load, safe replacement on save, and loading of
// arbitrary, truncated and oversized files.
#include "schedule_test_util.h"
#include "task_file.h"
#include "task_list.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <map>
#include <random>
#include <vector>

namespace {

constexpr std::size_t kImage = TaskRecord::kImageSize;
constexpr std::size_t kUserName = 292;
constexpr std::size_t kPassword = 552;

// Wednesday 2026-12-09, 10:00.
const TaskDateTime kNow = at(2026, 12, 9, 10, 0);

std::vector<std::uint8_t> recordBytes(const TaskRecord& r) {
    std::vector<std::uint8_t> b(kImage);
    std::memcpy(b.data(), &r, kImage);
    return b;
}

std::vector<std::uint8_t> fromHex(const char* hex) {
    std::vector<std::uint8_t> out;
    for (const char* p = hex; p[0] && p[1]; p += 2) {
        const char pair[3] = {p[0], p[1], 0};
        out.push_back(std::uint8_t(std::strtoul(pair, nullptr, 16)));
    }
    return out;
}

TaskRecord sampleTask(const TaskDateTime& start, int channel) {
    TaskRecord r = taskAt(start, 45);
    r.mode = kTaskModeRecord;
    r.recordFormat = 5;
    r.channel = channel;
    r.videoInput = kInputTuner;
    r.afterFinish = kAfterFinishContinue;
    r.autoLogOn = 1;
    r.setName("News at eight");
    r.setUserName("tvuser");
    r.setPassword("S3cret!");
    r.setRecordFileName("Record_0");
    return r;
}

} // namespace

TEST(TaskFile, EmptyListIsAZeroLengthFile) {
    TempDir dir;
    const std::string path = dir.path("SCHTASK.stf");
    TaskList list;
    ASSERT_TRUE(list.save(path));
    std::vector<std::uint8_t> bytes{1};
    ASSERT_TRUE(readFileBytes(path, bytes));
    EXPECT_TRUE(bytes.empty());

    TaskList loaded;
    EXPECT_TRUE(loaded.load(path, ManualTaskClock(kNow)));
    EXPECT_EQ(loaded.count(), 0);
}

TEST(TaskFile, LogOnFieldsAreEncipheredInTheFileAndPlainInMemory) {
    TempDir dir;
    const std::string path = dir.path("SCHTASK.stf");
    TaskList list;
    list.add(sampleTask(at(2026, 12, 10, 20, 0), 3));
    const std::vector<std::uint8_t> before = recordBytes(*list.at(0));
    ASSERT_TRUE(list.save(path));
    EXPECT_EQ(recordBytes(*list.at(0)), before); // memory keeps the plain text

    std::vector<std::uint8_t> file;
    ASSERT_TRUE(readFileBytes(path, file));
    ASSERT_EQ(file.size(), kImage);
    // The first 32 bytes of each field, enciphered with the fixed key, halves little-endian.
    EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + kUserName, file.begin() + kUserName + 32),
              fromHex("24899774FAE8F7491DA1F6FE34B77EEA1DA1F6FE34B77EEA1DA1F6FE34B77EEA"));
    EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + kPassword, file.begin() + kPassword + 32),
              fromHex("F36D214869824DCA1DA1F6FE34B77EEA1DA1F6FE34B77EEA1DA1F6FE34B77EEA"));
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
    const std::string path = dir.path("SCHTASK.stf");
    TaskList list;
    list.add(sampleTask(at(2026, 12, 11, 6, 30), 1));
    list.add(sampleTask(at(2026, 12, 10, 20, 0), 2));
    TaskRecord watch = taskAt(at(2027, 3, 1, 0, 5), 600);
    watch.setName(std::string(300, 'w'));
    watch.setUserName("a-user-name-longer-than-thirty-two-characters");
    watch.setPassword(std::string(100, 'p'));
    list.add(watch);
    list.sortByStart();
    ASSERT_TRUE(list.save(path));

    std::vector<std::uint8_t> file;
    ASSERT_TRUE(readFileBytes(path, file));
    ASSERT_EQ(file.size(), 3 * kImage);

    TaskList loaded;
    ASSERT_TRUE(loaded.load(path, ManualTaskClock(kNow)));
    ASSERT_EQ(loaded.count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(recordBytes(*loaded.at(i)), recordBytes(*list.at(i))) << i;
    }
    EXPECT_EQ(loaded.at(0)->userNameText(), "tvuser");
    EXPECT_EQ(loaded.at(0)->passwordText(), "S3cret!");
    EXPECT_EQ(loaded.at(2)->userNameText(), "a-user-name-longer-than-thirty-two-characters");
    EXPECT_EQ(loaded.at(2)->passwordText(), std::string(100, 'p'));
}

TEST(TaskFile, RoundTripChangesOnlyTheAdjustedDateAndStatus) {
    TempDir dir;
    const std::string path = dir.path("SCHTASK.stf");
    TaskList list;
    TaskRecord past = sampleTask(at(2026, 12, 1, 20, 0), 1);   // long over: becomes Expired
    TaskRecord weekly = sampleTask(at(2026, 11, 2, 20, 0), 2); // weekly on Friday: dated today
    weekly.repeat = kRepeatWeekly | repeatDayBit(6);
    weekly.weekday = 2;
    list.add(past);
    list.add(weekly);
    ASSERT_TRUE(list.save(path));

    TaskList loaded;
    ASSERT_TRUE(loaded.load(path, ManualTaskClock(kNow)));
    ASSERT_EQ(loaded.count(), 2);
    TaskRecord expectPast = past;
    expectPast.status = kTaskExpired;
    TaskRecord expectWeekly = weekly;
    expectWeekly.year = 2026;
    expectWeekly.month = 12;
    expectWeekly.day = 9;
    EXPECT_EQ(recordBytes(*loaded.at(0)), recordBytes(expectPast));
    EXPECT_EQ(recordBytes(*loaded.at(1)), recordBytes(expectWeekly));
}

TEST(TaskFile, LoadAppendsToTheListAndSorts) {
    TempDir dir;
    const std::string path = dir.path("SCHTASK.stf");
    TaskList source;
    source.add(sampleTask(at(2026, 12, 12, 9, 0), 5));
    source.add(sampleTask(at(2026, 12, 10, 9, 0), 4));
    ASSERT_TRUE(source.save(path));

    TaskList list;
    TaskRecord mine = taskAt(at(2026, 12, 11, 9, 0), 30);
    mine.channel = 99;
    list.add(mine);
    ASSERT_TRUE(list.load(path, ManualTaskClock(kNow)));
    ASSERT_EQ(list.count(), 3);
    EXPECT_EQ(list.at(0)->channel, 4);
    EXPECT_EQ(list.at(1)->channel, 99);
    EXPECT_EQ(list.at(2)->channel, 5);
}

TEST(TaskFile, MissingFileFailsAndLeavesTheList) {
    TempDir dir;
    TaskList list;
    list.add(taskAt(at(2026, 12, 11, 9, 0), 30));
    EXPECT_FALSE(list.load(dir.path("none.stf"), ManualTaskClock(kNow)));
    EXPECT_EQ(list.count(), 1);
    // A directory where the file should be cannot be read as one.
    ASSERT_TRUE(makeDirectory(dir.path("folder.stf")));
    EXPECT_FALSE(list.load(dir.path("folder.stf"), ManualTaskClock(kNow)));
    EXPECT_EQ(list.count(), 1);
}

TEST(TaskFile, TrailingPartialRecordIsIgnored) {
    TempDir dir;
    const std::string path = dir.path("SCHTASK.stf");
    TaskList source;
    source.add(sampleTask(at(2026, 12, 10, 9, 0), 4));
    source.add(sampleTask(at(2026, 12, 12, 9, 0), 5));
    ASSERT_TRUE(source.save(path));
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(readFileBytes(path, bytes));
    bytes.insert(bytes.end(), bytes.begin(), bytes.begin() + kImage - 1);
    ASSERT_TRUE(writeFileBytes(path, bytes));

    TaskList list;
    EXPECT_TRUE(list.load(path, ManualTaskClock(kNow)));
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list.at(1)->channel, 5);
}

TEST(TaskFile, FailedSaveKeepsThePreviousFile) {
    TempDir dir;
    const std::string path = dir.path("SCHTASK.stf");
    TaskList first;
    first.add(sampleTask(at(2026, 12, 10, 9, 0), 4));
    ASSERT_TRUE(first.save(path));
    std::vector<std::uint8_t> saved;
    ASSERT_TRUE(readFileBytes(path, saved));

    // The new file cannot be written: its temporary name is taken by a directory.
    ASSERT_TRUE(makeDirectory(path + ".tmp"));
    TaskList second;
    second.add(sampleTask(at(2026, 12, 11, 9, 0), 7));
    second.add(sampleTask(at(2026, 12, 12, 9, 0), 8));
    EXPECT_FALSE(second.save(path));
    std::vector<std::uint8_t> after;
    ASSERT_TRUE(readFileBytes(path, after));
    EXPECT_EQ(after, saved);
    EXPECT_EQ(second.count(), 2);
    EXPECT_EQ(second.at(0)->passwordText(), "S3cret!");
}

TEST(TaskFile, SaveReportsFailureWhenTheFileCannotBeReplaced) {
    TempDir dir;
    TaskList list;
    list.add(sampleTask(at(2026, 12, 10, 9, 0), 4));
    EXPECT_FALSE(list.save(dir.path("missing\\SCHTASK.stf")));

    // The target is a directory: nothing may be left behind.
    const std::string target = dir.path("taken");
    ASSERT_TRUE(makeDirectory(target));
    EXPECT_FALSE(list.save(target));
    EXPECT_FALSE(fileExists(target + ".tmp"));

    // A good save replaces an existing file and leaves no temporary file.
    const std::string path = dir.path("SCHTASK.stf");
    ASSERT_TRUE(writeFileBytes(path, std::vector<std::uint8_t>(5000, 0xEE)));
    ASSERT_TRUE(list.save(path));
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(readFileBytes(path, bytes));
    EXPECT_EQ(bytes.size(), kImage);
    EXPECT_FALSE(fileExists(path + ".tmp"));
}

TEST(TaskLoadAdjustment, FinishedStaysFinished) {
    TaskRecord r = taskAt(at(2026, 12, 1, 20, 0), 30, kTaskFinished);
    adjustTaskOnLoad(r, kNow);
    EXPECT_EQ(r.status, kTaskFinished);
}

TEST(TaskLoadAdjustment, ExpiresOnceDurationLessTwoMinutesHavePassed) {
    // Duration 30: expired from 28 whole minutes after the start on.
    TaskRecord r = taskAt(addSeconds(kNow, -28 * 60), 30);
    adjustTaskOnLoad(r, kNow);
    EXPECT_EQ(r.status, kTaskExpired);

    r = taskAt(addSeconds(kNow, -28 * 60 + 1), 30); // 27 minutes 59 seconds ago
    adjustTaskOnLoad(r, kNow);
    EXPECT_EQ(r.status, kTaskReady);

    r = taskAt(addSeconds(kNow, -10 * 60), 30, kTaskRunning);
    adjustTaskOnLoad(r, kNow);
    EXPECT_EQ(r.status, kTaskRunning);

    r = taskAt(addSeconds(kNow, -40 * 60), 30, kTaskRunning);
    adjustTaskOnLoad(r, kNow);
    EXPECT_EQ(r.status, kTaskExpired);
}

TEST(TaskLoadAdjustment, TasksThatHaveNotStartedKeepTheirStatus) {
    TaskRecord r = taskAt(addSeconds(kNow, 24 * 3600), 30);
    adjustTaskOnLoad(r, kNow);
    EXPECT_EQ(r.status, kTaskReady);
    // Less than a minute ahead counts as zero elapsed minutes; a two-minute task must still
    // not be given up before it began.
    r = taskAt(addSeconds(kNow, 30), 2);
    adjustTaskOnLoad(r, kNow);
    EXPECT_EQ(r.status, kTaskReady);
    // Once begun, a two-minute task has nothing left to run.
    r = taskAt(kNow, 2);
    adjustTaskOnLoad(r, kNow);
    EXPECT_EQ(r.status, kTaskExpired);
}

TEST(TaskLoadAdjustment, WeeklyTaskForALaterDayThisWeekIsDatedToday) {
    TaskRecord r = taskAt(at(2026, 11, 2, 20, 0), 30);
    r.repeat = kRepeatWeekly | repeatDayBit(2) | repeatDayBit(6); // Monday and Friday
    adjustTaskOnLoad(r, kNow);                                    // on a Wednesday
    EXPECT_EQ(r.year, 2026);
    EXPECT_EQ(r.month, 12);
    EXPECT_EQ(r.day, 9);
    EXPECT_EQ(r.hour, 20);
    EXPECT_EQ(r.status, kTaskReady);
}

TEST(TaskLoadAdjustment, WeeklyTaskForTodayIsDatedToday) {
    TaskRecord r = taskAt(at(2026, 10, 28, 21, 15), 30);
    r.repeat = kRepeatWeekly | repeatDayBit(4); // Wednesday
    adjustTaskOnLoad(r, kNow);
    EXPECT_EQ(r.month, 12);
    EXPECT_EQ(r.day, 9);
    EXPECT_EQ(r.status, kTaskReady);

    // Earlier today and over: dated today, then expired by the status rule.
    r = taskAt(at(2026, 10, 28, 8, 0), 30);
    r.repeat = kRepeatWeekly | repeatDayBit(4);
    adjustTaskOnLoad(r, kNow);
    EXPECT_EQ(r.day, 9);
    EXPECT_EQ(r.status, kTaskExpired);
}

TEST(TaskLoadAdjustment, WeeklyTaskForEarlierDaysOnlyKeepsItsDate) {
    TaskRecord r = taskAt(at(2026, 11, 2, 20, 0), 30);
    r.repeat = kRepeatWeekly | repeatDayBit(1) | repeatDayBit(2); // Sunday and Monday
    adjustTaskOnLoad(r, kNow);
    EXPECT_EQ(r.year, 2026);
    EXPECT_EQ(r.month, 11);
    EXPECT_EQ(r.day, 2);
    EXPECT_EQ(r.status, kTaskExpired);

    // Without the weekly bit the day bits change nothing.
    r = taskAt(at(2026, 12, 20, 20, 0), 30);
    r.repeat = repeatDayBit(4);
    adjustTaskOnLoad(r, kNow);
    EXPECT_EQ(r.day, 20);
}

TEST(TaskLoadAdjustment, FirstSelectedWeekdayFromToday) {
    const std::uint8_t monWedFri = repeatDayBit(2) | repeatDayBit(4) | repeatDayBit(6);
    EXPECT_EQ(firstWeekdayFromToday(monWedFri, 1), 2);
    EXPECT_EQ(firstWeekdayFromToday(monWedFri, 3), 4);
    EXPECT_EQ(firstWeekdayFromToday(monWedFri, 4), 4);
    EXPECT_EQ(firstWeekdayFromToday(monWedFri, 7), 0);
    EXPECT_EQ(firstWeekdayFromToday(kRepeatWeekly, 1), 0);
    EXPECT_EQ(firstWeekdayFromToday(0xFF, 7), 7);
}

TEST(TaskFile, LoaderSurvivesArbitraryTruncatedAndOversizedFiles) {
    TempDir dir;
    const std::string path = dir.path("SCHTASK.stf");
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
        ASSERT_TRUE(writeFileBytes(path, bytes));

        TaskList list;
        ASSERT_TRUE(list.load(path, ManualTaskClock(kNow))) << size;
        ASSERT_EQ(std::size_t(list.count()), size / kImage) << size;
        for (int i = 1; i < list.count(); ++i) {
            ASSERT_LE(list.at(i - 1)->startSerial(), list.at(i)->startSerial());
        }
        // Each record holds its file image but for the date and status the load may adjust.
        for (int i = 0; i < list.count(); ++i) {
            const TaskRecord& r = *list.at(i);
            const auto found = byCreated.find(r.created);
            ASSERT_NE(found, byCreated.end());
            std::uint8_t image[kImage];
            taskRecordToImage(r, cipher, image);
            const std::uint8_t* original = &bytes[found->second];
            for (std::size_t k = 0; k < kImage; ++k) {
                const bool adjustable = (k >= 16 && k < 20) || (k >= 28 && k < 32);
                if (!adjustable) {
                    ASSERT_EQ(image[k], original[k]) << "record at " << found->second << " offset " << k;
                }
            }
            // Adjustment only ever leaves a status as it was or gives Expired.
            std::int32_t storedStatus;
            std::memcpy(&storedStatus, original + 28, sizeof(storedStatus));
            EXPECT_TRUE(r.status == storedStatus || r.status == kTaskExpired);
        }
        // The list it made can be worked with like any other.
        const TaskRecord* current = list.currentTask();
        EXPECT_TRUE(current == nullptr || current->isReadyOrRunning());
        ASSERT_TRUE(list.save(path));
        std::vector<std::uint8_t> saved;
        ASSERT_TRUE(readFileBytes(path, saved));
        EXPECT_EQ(saved.size(), std::size_t(list.count()) * kImage);
    }
}
