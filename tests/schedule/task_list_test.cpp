// Tests of TaskList in memory: ownership and positions, order by start, the current task and
// the collision test for a new task.
#include "tests/schedule/schedule_test_util.h"
#include "schedule/task_list.h"

#include <gtest/gtest.h>

#include <memory>

using namespace tunaro;

namespace {

// A list with one Ready task from 20:00 to 20:30 on 2026-12-08.
class ConflictTest : public ::testing::Test {
protected:
    void SetUp() override { m_list.Add(TaskAt(At(2026, 12, 8, 20, 0), 30)); }
    bool NewTaskConflicts(int hour, int minute, int duration) const {
        return m_list.Conflicts(TaskAt(At(2026, 12, 8, hour, minute), duration));
    }
    TaskList m_list;
};

} // namespace

TEST(TaskList, AddAtAndRemoveAt) {
    TaskList list;
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.At(0), nullptr);
    EXPECT_FALSE(list.Add(std::unique_ptr<TaskRecord>()));
    EXPECT_EQ(list.Count(), 0);

    for (int i = 0; i < 3; ++i) {
        TaskRecord r = TaskAt(At(2026, 12, 8, 10 + i, 0), 30);
        r.channel = i;
        ASSERT_TRUE(list.Add(r));
    }
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.At(2)->channel, 2);
    EXPECT_EQ(list.At(-1), nullptr);
    EXPECT_EQ(list.At(3), nullptr);

    EXPECT_FALSE(list.RemoveAt(3));
    EXPECT_FALSE(list.RemoveAt(-1));
    EXPECT_EQ(list.Count(), 3);
    TaskRecord* last = list.At(2);
    EXPECT_TRUE(list.RemoveAt(1));
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.At(0)->channel, 0);
    EXPECT_EQ(list.At(1), last); // the gap is closed, the record itself untouched
    EXPECT_EQ(list.IndexOf(last), 1);

    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.IndexOf(last), -1);
}

TEST(TaskList, SortsByStartAcrossEveryDateField) {
    TaskList list;
    const TaskDateTime starts[] = {
        At(2027, 1, 1, 0, 0),    At(2026, 12, 31, 23, 59, 59), At(2026, 12, 8, 20, 0, 1),
        At(2026, 2, 9, 19, 0),   At(2026, 12, 8, 20, 0),       At(2025, 12, 31, 23, 0),
        At(2026, 11, 30, 23, 0),
    };
    for (const auto& s : starts) {
        list.Add(TaskAt(s, 30));
    }
    list.SortByStart();
    ASSERT_EQ(list.Count(), 7);
    for (int i = 1; i < list.Count(); ++i) {
        EXPECT_LT(list.At(i - 1)->StartSerial(), list.At(i)->StartSerial()) << i;
    }
    EXPECT_EQ(list.At(0)->year, 2025);
    EXPECT_EQ(list.At(6)->year, 2027);
}

TEST(TaskList, EqualStartsAreBothKept) {
    TaskList list;
    TaskRecord a = TaskAt(At(2026, 12, 8, 20, 0), 30);
    a.channel = 7;
    TaskRecord b = TaskAt(At(2026, 12, 8, 20, 0), 60);
    b.channel = 9;
    list.Add(TaskAt(At(2026, 12, 8, 21, 0), 30));
    list.Add(a);
    list.Add(b);
    list.SortByStart();
    ASSERT_EQ(list.Count(), 3);
    const int first = list.At(0)->channel;
    const int second = list.At(1)->channel;
    EXPECT_TRUE((first == 7 && second == 9) || (first == 9 && second == 7));
    EXPECT_EQ(list.At(2)->hour, 21);
}

TEST(TaskList, SortingKeepsRecordAddresses) {
    TaskList list;
    list.Add(TaskAt(At(2026, 12, 9, 8, 0), 30));
    list.Add(TaskAt(At(2026, 12, 8, 8, 0), 30));
    TaskRecord* later = list.At(0);
    list.SortByStart();
    EXPECT_EQ(list.At(1), later);
}

TEST(TaskList, CurrentTaskIsTheFirstReadyOrRunning) {
    TaskList list;
    EXPECT_EQ(list.CurrentTask(), nullptr);
    list.Add(TaskAt(At(2026, 12, 8, 8, 0), 30, kTaskFinished));
    list.Add(TaskAt(At(2026, 12, 8, 9, 0), 30, kTaskExpired));
    EXPECT_EQ(list.CurrentTask(), nullptr);
    list.Add(TaskAt(At(2026, 12, 8, 10, 0), 30, kTaskRunning));
    list.Add(TaskAt(At(2026, 12, 8, 11, 0), 30, kTaskReady));
    EXPECT_EQ(list.CurrentTask(), list.At(2));
    list.At(2)->status = kTaskFinished;
    EXPECT_EQ(list.CurrentTask(), list.At(3));
}

TEST_F(ConflictTest, StartInsideConflictsStartAtTheEndIsBackToBack) {
    EXPECT_TRUE(NewTaskConflicts(20, 0, 30));   // same time
    EXPECT_TRUE(NewTaskConflicts(20, 10, 60));  // start inside
    EXPECT_TRUE(NewTaskConflicts(20, 29, 30));  // start in the last minute
    EXPECT_FALSE(NewTaskConflicts(20, 30, 30)); // start at the minute it ends
    // The other task's seconds are dropped from its end, as the runner ends it.
    m_list.At(0)->second = 40;
    EXPECT_FALSE(NewTaskConflicts(20, 30, 30));
    EXPECT_TRUE(m_list.Conflicts(TaskAt(At(2026, 12, 8, 20, 29, 59), 30)));
}

TEST_F(ConflictTest, EndInsideConflictsEndAtTheStartIsBackToBack) {
    EXPECT_TRUE(NewTaskConflicts(19, 50, 15));  // ends 20:05, inside
    EXPECT_TRUE(NewTaskConflicts(19, 31, 30));  // ends 20:01
    EXPECT_FALSE(NewTaskConflicts(19, 30, 30)); // ends at 20:00, when the other starts
}

TEST_F(ConflictTest, EnclosingOrEnclosedTasksConflict) {
    // A new task around the whole existing one has neither end inside it, yet the two would
    // need the card at the same time.
    EXPECT_TRUE(NewTaskConflicts(19, 0, 120));
    EXPECT_TRUE(NewTaskConflicts(20, 5, 10));
}

TEST_F(ConflictTest, OnlyReadyAndRunningTasksCount) {
    m_list.At(0)->status = kTaskFinished;
    EXPECT_FALSE(NewTaskConflicts(20, 0, 30));
    m_list.At(0)->status = kTaskExpired;
    EXPECT_FALSE(NewTaskConflicts(20, 0, 30));
    m_list.At(0)->status = kTaskRunning;
    EXPECT_TRUE(NewTaskConflicts(20, 0, 30));
}

TEST_F(ConflictTest, OtherDaysAndEmptyListsDoNotConflict) {
    EXPECT_FALSE(m_list.Conflicts(TaskAt(At(2026, 12, 9, 20, 0), 30)));
    EXPECT_FALSE(TaskList().Conflicts(TaskAt(At(2026, 12, 8, 20, 0), 30)));
    // A task running past midnight reaches into the next day.
    m_list.Add(TaskAt(At(2026, 12, 8, 23, 30), 90));
    EXPECT_TRUE(m_list.Conflicts(TaskAt(At(2026, 12, 9, 0, 30), 30)));
}
