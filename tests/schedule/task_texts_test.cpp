// Tests of the texts the scheduler's list shows for a task, in both languages.
#include "schedule/task_texts.h"

#include <gtest/gtest.h>

#include "tests/schedule/schedule_test_util.h"

using namespace tunaro;

namespace {

const std::vector<ScheduleChannel> kChannels = {
    {"Harbour TV", 1, true}, {"Lotus", 2, false}, {"Summit", 3, true}};

TEST(TaskTexts, RowOfAOneTimeRecordTask) {
    TaskRecord task = TaskAt(At(2026, 3, 9, 7, 5), 45);
    task.SetName("News");
    task.mode = kTaskModeRecord;
    task.channel = 2;
    const TaskRowTexts row = TaskRow(task, kChannels, false);
    EXPECT_EQ(row.cells[0], "News");
    EXPECT_EQ(row.cells[1], "Record");
    EXPECT_EQ(row.cells[2], "Summit");
    EXPECT_EQ(row.cells[3], "2026/03/09 07:05");
    EXPECT_EQ(row.cells[4], "45 mins");
    EXPECT_EQ(row.cells[5], "Ready");
}

TEST(TaskTexts, WeeklyStartInputsAndStatuses) {
    TaskRecord task = TaskAt(At(2026, 3, 9, 21, 30), 600, kTaskExpired);
    task.repeat = kRepeatWeekly | RepeatDayBit(2);
    task.mode = kTaskModeWatch;
    EXPECT_EQ(TaskStartText(task, false), "(week)21:30");
    EXPECT_EQ(TaskStartText(task, true), "(每周)21:30");
    EXPECT_STREQ(TaskModeText(task.mode, false), "Watch");
    EXPECT_STREQ(TaskModeText(task.mode, true), "观看");

    // Channel positions that do not exist show nothing; the other inputs show their names.
    task.channel = 7;
    EXPECT_EQ(TaskChannelText(task, kChannels, false), "");
    task.channel = -1;
    EXPECT_EQ(TaskChannelText(task, kChannels, false), "");
    task.channel = 0;
    EXPECT_EQ(TaskChannelText(task, {}, false), "");
    task.videoInput = kInputComposite;
    EXPECT_EQ(TaskChannelText(task, kChannels, false), "Composite");
    EXPECT_EQ(TaskChannelText(task, kChannels, true), "复合视频");
    task.videoInput = kInputSVideo;
    EXPECT_EQ(TaskChannelText(task, kChannels, false), "S-VIDEO");

    const char* english[] = {"Ready", "Running", "Finished", "Expired"};
    const char* chinese[] = {"就绪", "运行中", "已完成", "已过期"};
    for (int s = 0; s < 4; ++s) {
        EXPECT_STREQ(TaskStatusText(s, false), english[s]);
        EXPECT_STREQ(TaskStatusText(s, true), chinese[s]);
    }
    EXPECT_STREQ(TaskStatusText(9, false), "");
    EXPECT_EQ(TaskRow(task, kChannels, true).cells[4], "600 分钟");
}

} // namespace
