// Tests of TaskList in memory: ownership and positions, order by start, the current task and
// the collision test for a new task.
#include "schedule_test_util.h"
#include "task_list.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// A list with one Ready task from 20:00 to 20:30 on 2026-12-08.
class ConflictTest : public ::testing::Test {
protected:
    void SetUp() override { list.add(taskAt(at(2026, 12, 8, 20, 0), 30)); }
    bool newTaskConflicts(int hour, int minute, int duration) const {
        return list.conflicts(taskAt(at(2026, 12, 8, hour, minute), duration));
    }
    TaskList list;
};

} // namespace

TEST(TaskList, AddAtAndRemoveAt) {
    TaskList list;
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.at(0), nullptr);
    EXPECT_FALSE(list.add(std::unique_ptr<TaskRecord>()));
    EXPECT_EQ(list.count(), 0);

    for (int i = 0; i < 3; ++i) {
        TaskRecord r = taskAt(at(2026, 12, 8, 10 + i, 0), 30);
        r.channel = i;
        ASSERT_TRUE(list.add(r));
    }
    ASSERT_EQ(list.count(), 3);
    EXPECT_EQ(list.at(2)->channel, 2);
    EXPECT_EQ(list.at(-1), nullptr);
    EXPECT_EQ(list.at(3), nullptr);

    EXPECT_FALSE(list.removeAt(3));
    EXPECT_FALSE(list.removeAt(-1));
    EXPECT_EQ(list.count(), 3);
    TaskRecord* last = list.at(2);
    EXPECT_TRUE(list.removeAt(1));
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list.at(0)->channel, 0);
    EXPECT_EQ(list.at(1), last); // the gap is closed, the record itself untouched
    EXPECT_EQ(list.indexOf(last), 1);

    list.clear();
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.indexOf(last), -1);
}

TEST(TaskList, SortsByStartAcrossEveryDateField) {
    TaskList list;
    const TaskDateTime starts[] = {
        at(2027, 1, 1, 0, 0),    at(2026, 12, 31, 23, 59, 59), at(2026, 12, 8, 20, 0, 1),
        at(2026, 2, 9, 19, 0),   at(2026, 12, 8, 20, 0),       at(2025, 12, 31, 23, 0),
        at(2026, 11, 30, 23, 0),
    };
    for (const auto& s : starts) {
        list.add(taskAt(s, 30));
    }
    list.sortByStart();
    ASSERT_EQ(list.count(), 7);
    for (int i = 1; i < list.count(); ++i) {
        EXPECT_LT(list.at(i - 1)->startSerial(), list.at(i)->startSerial()) << i;
    }
    EXPECT_EQ(list.at(0)->year, 2025);
    EXPECT_EQ(list.at(6)->year, 2027);
}

TEST(TaskList, EqualStartsAreBothKept) {
    TaskList list;
    TaskRecord a = taskAt(at(2026, 12, 8, 20, 0), 30);
    a.channel = 7;
    TaskRecord b = taskAt(at(2026, 12, 8, 20, 0), 60);
    b.channel = 9;
    list.add(taskAt(at(2026, 12, 8, 21, 0), 30));
    list.add(a);
    list.add(b);
    list.sortByStart();
    ASSERT_EQ(list.count(), 3);
    const int first = list.at(0)->channel;
    const int second = list.at(1)->channel;
    EXPECT_TRUE((first == 7 && second == 9) || (first == 9 && second == 7));
    EXPECT_EQ(list.at(2)->hour, 21);
}

TEST(TaskList, SortingKeepsRecordAddresses) {
    TaskList list;
    list.add(taskAt(at(2026, 12, 9, 8, 0), 30));
    list.add(taskAt(at(2026, 12, 8, 8, 0), 30));
    TaskRecord* later = list.at(0);
    list.sortByStart();
    EXPECT_EQ(list.at(1), later);
}

TEST(TaskList, CurrentTaskIsTheFirstReadyOrRunning) {
    TaskList list;
    EXPECT_EQ(list.currentTask(), nullptr);
    list.add(taskAt(at(2026, 12, 8, 8, 0), 30, kTaskFinished));
    list.add(taskAt(at(2026, 12, 8, 9, 0), 30, kTaskExpired));
    EXPECT_EQ(list.currentTask(), nullptr);
    list.add(taskAt(at(2026, 12, 8, 10, 0), 30, kTaskRunning));
    list.add(taskAt(at(2026, 12, 8, 11, 0), 30, kTaskReady));
    EXPECT_EQ(list.currentTask(), list.at(2));
    list.at(2)->status = kTaskFinished;
    EXPECT_EQ(list.currentTask(), list.at(3));
}

TEST_F(ConflictTest, StartInsideOrAtEitherEndConflicts) {
    EXPECT_TRUE(newTaskConflicts(20, 0, 30));   // same time
    EXPECT_TRUE(newTaskConflicts(20, 10, 60));  // start inside
    EXPECT_TRUE(newTaskConflicts(20, 30, 30));  // start exactly at the end
    EXPECT_FALSE(newTaskConflicts(20, 31, 30)); // one minute later
}

TEST_F(ConflictTest, EndInsideOrAtTheStartConflicts) {
    EXPECT_TRUE(newTaskConflicts(19, 50, 15));  // ends 20:05, inside
    EXPECT_TRUE(newTaskConflicts(19, 30, 30));  // ends exactly at 20:00
    EXPECT_FALSE(newTaskConflicts(19, 29, 30)); // ends 19:59
}

TEST_F(ConflictTest, EnclosingOrEnclosedTasksConflict) {
    // A new task around the whole existing one has neither end inside it, yet the two would
    // need the card at the same time.
    EXPECT_TRUE(newTaskConflicts(19, 0, 120));
    EXPECT_TRUE(newTaskConflicts(20, 5, 10));
}

TEST_F(ConflictTest, OnlyReadyAndRunningTasksCount) {
    list.at(0)->status = kTaskFinished;
    EXPECT_FALSE(newTaskConflicts(20, 0, 30));
    list.at(0)->status = kTaskExpired;
    EXPECT_FALSE(newTaskConflicts(20, 0, 30));
    list.at(0)->status = kTaskRunning;
    EXPECT_TRUE(newTaskConflicts(20, 0, 30));
}

TEST_F(ConflictTest, OtherDaysAndEmptyListsDoNotConflict) {
    EXPECT_FALSE(list.conflicts(taskAt(at(2026, 12, 9, 20, 0), 30)));
    EXPECT_FALSE(TaskList().conflicts(taskAt(at(2026, 12, 8, 20, 0), 30)));
    // A task running past midnight reaches into the next day.
    list.add(taskAt(at(2026, 12, 8, 23, 30), 90));
    EXPECT_TRUE(list.conflicts(taskAt(at(2026, 12, 9, 0, 30), 30)));
}
