// Tests of the task wizard's rules: the start proposal and name, what the pages accept, and the
// way the pages' values become a task and come back from one.
#include "schedule/task_wizard_rules.h"

#include <gtest/gtest.h>

#include "schedule/task_record_layout.h"
#include "tests/schedule/schedule_test_util.h"

using namespace tunaro;

namespace {

TEST(TaskWizardRules, StartProposalIsTheNextHalfHour) {
    EXPECT_EQ(StartProposal(At(2026, 5, 4, 10, 29)).hour, 10);
    EXPECT_EQ(StartProposal(At(2026, 5, 4, 10, 29)).minute, 30);
    EXPECT_EQ(StartProposal(At(2026, 5, 4, 10, 30)).hour, 11);
    EXPECT_EQ(StartProposal(At(2026, 5, 4, 10, 30)).minute, 0);
    EXPECT_EQ(StartProposal(At(2026, 5, 4, 10, 0)).minute, 30);
    // 23:45 gives midnight of the same date.
    EXPECT_EQ(StartProposal(At(2026, 5, 4, 23, 45)).hour, 0);
    EXPECT_EQ(ProposedTaskName(At(2026, 5, 4, 23, 45)), "ST_20260504_0000");
    EXPECT_EQ(ProposedTaskName(At(2026, 12, 31, 9, 1)), "ST_20261231_0930");
}

TEST(TaskWizardRules, PageChecks) {
    EXPECT_FALSE(TaskNameAccepted(""));
    EXPECT_TRUE(TaskNameAccepted(" "));
    EXPECT_FALSE(TaskDurationAccepted(1));
    EXPECT_TRUE(TaskDurationAccepted(2));
    EXPECT_TRUE(TaskDurationAccepted(600));
    EXPECT_FALSE(TaskDurationAccepted(601));
    EXPECT_FALSE(TaskDurationAccepted(-30));
    EXPECT_FALSE(HasForbiddenFileNameChar("Record_0"));
    EXPECT_FALSE(HasForbiddenFileNameChar("news at 8.mpg"));
    for (char c : std::string("\\/:*?\"<>|")) {
        EXPECT_TRUE(HasForbiddenFileNameChar(std::string("a") + c + "b")) << c;
    }
}

TEST(TaskWizardRules, NewTaskValues) {
    const TaskWizardValues v = NewTaskWizardValues(At(2026, 5, 4, 10, 29, 41));
    EXPECT_EQ(v.name, "ST_20260504_1030");
    EXPECT_EQ(v.mode, kTaskModeRecord);
    EXPECT_EQ(v.videoInput, kInputTuner);
    EXPECT_EQ(v.duration, 30);
    EXPECT_EQ(v.recordFileName, "Record_0");
    EXPECT_EQ(v.repeatChoice, TaskRepeatChoice::Once);
    EXPECT_EQ(v.afterFinish, kAfterFinishContinue);
    EXPECT_EQ(v.date.day, 4);
    EXPECT_EQ(v.onceTime.hour, 10);
    EXPECT_EQ(v.onceTime.minute, 30);
    EXPECT_EQ(v.onceTime.second, 0);
    EXPECT_EQ(v.repeatTime.minute, 30);
}

TEST(TaskWizardRules, FinishFillsTheTask) {
    TaskWizardValues v = NewTaskWizardValues(At(2026, 5, 4, 10, 29));
    v.name = "Film";
    v.channel = 3;
    v.duration = 95;
    v.recordFormat = 5;
    v.recordFileName = "film";
    v.date = At(2026, 5, 6, 0, 0); // a Wednesday
    v.onceTime = At(2026, 5, 6, 21, 15, 0);
    v.repeatTime = At(2026, 5, 6, 6, 0, 0);
    v.afterFinish = kAfterFinishShutdown;

    TaskRecord task = TaskAt(At(2020, 1, 1, 0, 0), 30, kTaskFinished);
    task.autoLogOn = 1;
    task.autoPowerOn = 1;
    task.SetUserName("someone");
    task.SetPassword("secret");
    ApplyTaskWizardValues(v, task);
    EXPECT_EQ(task.NameText(), "Film");
    EXPECT_EQ(task.mode, kTaskModeRecord);
    EXPECT_EQ(task.channel, 3);
    EXPECT_EQ(task.duration, 95);
    EXPECT_EQ(task.recordFormat, 5);
    EXPECT_EQ(task.RecordFileNameText(), "film");
    EXPECT_EQ(task.year, 2026);
    EXPECT_EQ(task.month, 5);
    EXPECT_EQ(task.day, 6);
    EXPECT_EQ(task.weekday, 4);
    EXPECT_EQ(task.hour, 21);
    EXPECT_EQ(task.minute, 15);
    EXPECT_EQ(task.repeat, 0);
    EXPECT_EQ(task.afterFinish, kAfterFinishShutdown);
    EXPECT_EQ(task.autoPowerOn, 0);
    EXPECT_EQ(task.autoLogOn, 0);
    EXPECT_EQ(task.UserNameText(), "");
    EXPECT_EQ(task.PasswordText(), "");
    EXPECT_EQ(task.status, kTaskReady);

    // Weekly: the repeating time picker and the day boxes.
    v.repeatChoice = TaskRepeatChoice::Weekly;
    v.dayBits = RepeatDayBit(2) | RepeatDayBit(4);
    ApplyTaskWizardValues(v, task);
    EXPECT_EQ(task.hour, 6);
    EXPECT_EQ(task.minute, 0);
    EXPECT_EQ(task.repeat, kRepeatWeekly | RepeatDayBit(2) | RepeatDayBit(4));

    // A Watch task keeps no record format or file name.
    v.mode = kTaskModeWatch;
    ApplyTaskWizardValues(v, task);
    EXPECT_EQ(task.recordFormat, 0);
    EXPECT_EQ(task.RecordFileNameText(), "");
}

TEST(TaskWizardRules, ATaskComesBackAsTheValuesItWasMadeFrom) {
    TaskRecord task = TaskAt(At(2026, 7, 1, 18, 45, 30), 120);
    task.SetName("Match");
    task.mode = kTaskModeRecord;
    task.videoInput = kInputSVideo;
    task.channel = 6;
    task.recordFormat = 7;
    task.SetRecordFileName("match");
    task.repeat = kRepeatWeekly | RepeatDayBit(2) | RepeatDayBit(4);
    task.afterFinish = kAfterFinishCloseTv;
    TaskWizardValues v = TaskWizardValuesOf(task);
    EXPECT_EQ(v.name, "Match");
    EXPECT_EQ(v.videoInput, kInputSVideo);
    EXPECT_EQ(v.channel, 6);
    EXPECT_EQ(v.recordFormat, 7);
    EXPECT_EQ(v.recordFileName, "match");
    EXPECT_EQ(v.repeatChoice, TaskRepeatChoice::Weekly);
    EXPECT_EQ(v.dayBits, RepeatDayBit(2) | RepeatDayBit(4));
    EXPECT_EQ(v.onceTime.hour, 18);
    EXPECT_EQ(v.onceTime.minute, 45);
    EXPECT_EQ(v.onceTime.second, 0);
    EXPECT_EQ(v.afterFinish, kAfterFinishCloseTv);

    // Modified without touching a page: the same task, seconds and log-on aside.
    TaskRecord again = task;
    ApplyTaskWizardValues(v, again);
    EXPECT_EQ(again.repeat, task.repeat);
    EXPECT_EQ(again.channel, task.channel);
    EXPECT_EQ(again.hour, task.hour);
    EXPECT_EQ(again.second, 0);

    // Every day, and the after-finish values that are not choices of the page.
    task.repeat = 0xFF;
    EXPECT_EQ(TaskWizardValuesOf(task).repeatChoice, TaskRepeatChoice::Daily);
    task.repeat = 0xFE; // days without the weekly bit: once
    EXPECT_EQ(TaskWizardValuesOf(task).repeatChoice, TaskRepeatChoice::Once);
    task.afterFinish = kAfterFinishNothing;
    EXPECT_EQ(TaskWizardValuesOf(task).afterFinish, kAfterFinishContinue);
    task.mode = 5;
    EXPECT_EQ(TaskWizardValuesOf(task).mode, kTaskModeRecord);
}

} // namespace
