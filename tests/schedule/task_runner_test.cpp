// Tests of the task runner against a fake clock and a fake TV application: when a task starts
// and ends, what it is sent, what follows its end, a TV application that cannot be started, a
// task whose time passed while another ran, and the TV application's own end report.
#include "schedule/task_runner.h"

#include <gtest/gtest.h>

#include "tests/schedule/runner_host_fake.h"
#include "tests/schedule/schedule_test_util.h"

using namespace tunaro;

namespace {

class TaskRunnerTest : public ::testing::Test {
protected:
    TaskRecord* AddTask(const char* name, std::int16_t mode, const TaskDateTime& start, int duration,
                        std::uint8_t afterFinish, std::int32_t channel) {
        TaskRecord task = TaskAt(start, duration);
        task.SetName(name);
        task.mode = mode;
        task.afterFinish = afterFinish;
        task.channel = channel;
        m_tasks.Add(task);
        m_tasks.SortByStart();
        for (int i = 0; i < m_tasks.Count(); ++i) {
            if (m_tasks.At(i)->NameText() == name) {
                return m_tasks.At(i);
            }
        }
        return nullptr;
    }

    // Ticks once a second from `from` (serial) up to and including `to`; a tick that took time
    // (the host's waits) is followed by the next one at once.
    void RunFromTo(std::int64_t from, std::int64_t to) {
        m_host.SetNow(from);
        while (m_host.Now() <= to) {
            const std::int64_t tick = m_host.Now();
            m_runner.Tick();
            m_host.SetNow(std::max(tick + 1, m_host.Now()));
        }
    }

    static std::int64_t S(const TaskDateTime& t) { return TaskSerialSeconds(t); }

    ManualTaskClock m_clock;
    FakeRunnerHost m_host{m_clock};
    TaskList m_tasks;
    TaskRunner m_runner{m_tasks, m_clock, m_host};
};

TEST_F(TaskRunnerTest, ATaskStartsAtItsSecondAndEndsFiveSecondsAfterItsLastMinute) {
    TaskRecord* task =
        AddTask("news", kTaskModeRecord, At(2026, 3, 2, 20, 0, 0), 30, kAfterFinishContinue, 4);
    RunFromTo(S(At(2026, 3, 2, 19, 59, 55)), S(At(2026, 3, 2, 20, 31, 0)));

    const auto records = m_host.Of(RunnerEvent::kRecord);
    ASSERT_EQ(records.size(), 1u);
    // The TV program was not running: it was started first (five seconds), then told.
    EXPECT_EQ(m_host.Of(RunnerEvent::kStartTv).at(0).at, S(At(2026, 3, 2, 20, 0, 0)));
    EXPECT_EQ(records[0].at, S(At(2026, 3, 2, 20, 0, 5)));
    EXPECT_EQ(records[0].task, "news");
    EXPECT_EQ(records[0].channel, 4);
    const auto stops = m_host.Of(RunnerEvent::kStopRecording);
    ASSERT_EQ(stops.size(), 1u);
    EXPECT_EQ(stops[0].at, S(At(2026, 3, 2, 20, 30, 5)));
    EXPECT_EQ(task->status, kTaskFinished);
    EXPECT_EQ(m_host.Of(RunnerEvent::kSave).size(), 1u);
    EXPECT_EQ(m_host.Of(RunnerEvent::kEnded).size(), 1u);
    EXPECT_FALSE(m_runner.Due());
}

TEST_F(TaskRunnerTest, StartedLateItStillEndsOnTime) {
    m_host.tvUp = true;
    // Seconds of the start count for the start, not for the end.
    TaskRecord* task = AddTask("film", kTaskModeWatch, At(2026, 3, 2, 20, 0, 40), 30, kAfterFinishCloseTv, 7);
    RunFromTo(S(At(2026, 3, 2, 20, 10, 0)), S(At(2026, 3, 2, 20, 40, 0)));
    const auto watches = m_host.Of(RunnerEvent::kWatch);
    ASSERT_EQ(watches.size(), 1u);
    EXPECT_EQ(watches[0].at, S(At(2026, 3, 2, 20, 10, 0)));
    EXPECT_EQ(watches[0].channel, 7);
    const auto closes = m_host.Of(RunnerEvent::kStopAndClose);
    ASSERT_EQ(closes.size(), 1u);
    EXPECT_EQ(closes[0].at, S(At(2026, 3, 2, 20, 30, 5)));
    EXPECT_EQ(task->status, kTaskFinished);
}

TEST_F(TaskRunnerTest, WhatHappensAfterTheEnd) {
    struct Case {
        std::int16_t mode;
        std::uint8_t afterFinish;
        std::vector<RunnerEvent::Kind> expected;
    };
    const std::vector<Case> cases = {
        {kTaskModeRecord,
         kAfterFinishShutdown,
         {RunnerEvent::kStopAndClose, RunnerEvent::kRelease, RunnerEvent::kPause, RunnerEvent::kPowerOff}},
        {kTaskModeWatch,
         kAfterFinishShutdown,
         {RunnerEvent::kStopAndClose, RunnerEvent::kRelease, RunnerEvent::kPause, RunnerEvent::kPowerOff}},
        {kTaskModeRecord, kAfterFinishCloseTv, {RunnerEvent::kStopAndClose, RunnerEvent::kRelease}},
        {kTaskModeRecord, kAfterFinishContinue, {RunnerEvent::kStopRecording}},
        {kTaskModeWatch, kAfterFinishContinue, {}},
        {kTaskModeRecord, kAfterFinishNothing, {}},
    };
    for (const Case& c : cases) {
        TaskList tasks;
        ManualTaskClock clock;
        FakeRunnerHost host(clock);
        host.tvUp = true;
        TaskRunner runner(tasks, clock, host);
        TaskRecord task = TaskAt(At(2026, 3, 2, 8, 0), 2);
        task.mode = c.mode;
        task.afterFinish = c.afterFinish;
        tasks.Add(task);
        for (std::int64_t t = S(At(2026, 3, 2, 8, 0)); t <= S(At(2026, 3, 2, 8, 3)); ++t) {
            host.SetNow(std::max(t, host.Now()));
            runner.Tick();
        }
        std::vector<RunnerEvent::Kind> after;
        bool ended = false;
        for (const RunnerEvent& e : host.events) {
            if (ended) {
                after.push_back(e.kind);
            }
            ended = ended || e.kind == RunnerEvent::kEnded;
        }
        EXPECT_TRUE(ended);
        EXPECT_EQ(after, c.expected) << "mode " << c.mode << " after " << int(c.afterFinish);
        // With a shutdown the power-off comes three seconds after the TV application was told.
        if (c.afterFinish == kAfterFinishShutdown) {
            EXPECT_EQ(host.Of(RunnerEvent::kPowerOff).at(0).at - host.Of(RunnerEvent::kStopAndClose).at(0).at,
                      3);
        }
    }
}

TEST_F(TaskRunnerTest, AMissingTvProgramExpiresTheTaskAndHoldsUpNothing) {
    m_host.tvMissing = [](std::int64_t) { return true; };
    TaskRecord* first = AddTask("first", kTaskModeRecord, At(2026, 3, 2, 9, 0), 30, kAfterFinishCloseTv, 1);
    TaskRecord* second =
        AddTask("second", kTaskModeRecord, At(2026, 3, 2, 9, 10), 30, kAfterFinishCloseTv, 2);
    RunFromTo(S(At(2026, 3, 2, 8, 59, 59)), S(At(2026, 3, 2, 9, 9, 59)));
    EXPECT_EQ(first->status, kTaskExpired);
    EXPECT_TRUE(m_host.Of(RunnerEvent::kRecord).empty());
    // The second task waits for its own time rather than starting at once.
    EXPECT_EQ(second->status, kTaskReady);
    EXPECT_EQ(m_host.Of(RunnerEvent::kStartTv).size(), 1u);

    m_host.tvMissing = [](std::int64_t) { return false; };
    RunFromTo(S(At(2026, 3, 2, 9, 10, 0)), S(At(2026, 3, 2, 9, 10, 10)));
    ASSERT_EQ(m_host.Of(RunnerEvent::kRecord).size(), 1u);
    EXPECT_EQ(m_host.Of(RunnerEvent::kRecord)[0].task, "second");
    EXPECT_EQ(second->status, kTaskRunning);
}

TEST_F(TaskRunnerTest, ATaskWhoseTimePassedWhileAnotherRanIsExpiredAndTheNextOneRuns) {
    m_host.tvUp = true;
    AddTask("long", kTaskModeRecord, At(2026, 3, 2, 18, 0), 120, kAfterFinishContinue, 1);
    TaskRecord* inside =
        AddTask("inside", kTaskModeRecord, At(2026, 3, 2, 18, 30), 20, kAfterFinishContinue, 2);
    TaskRecord* later =
        AddTask("later", kTaskModeRecord, At(2026, 3, 2, 20, 10), 15, kAfterFinishContinue, 3);
    RunFromTo(S(At(2026, 3, 2, 17, 59, 59)), S(At(2026, 3, 2, 20, 30, 0)));
    EXPECT_EQ(inside->status, kTaskExpired);
    EXPECT_EQ(later->status, kTaskFinished);
    const auto records = m_host.Of(RunnerEvent::kRecord);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].task, "later");
    EXPECT_EQ(records[1].at, S(At(2026, 3, 2, 20, 10, 0)));
}

TEST_F(TaskRunnerTest, AnOverlappingTaskStillInItsTimeStartsWhenTheFirstEnds) {
    m_host.tvUp = true;
    AddTask("first", kTaskModeRecord, At(2026, 3, 2, 18, 0), 30, kAfterFinishContinue, 1);
    TaskRecord* second =
        AddTask("second", kTaskModeRecord, At(2026, 3, 2, 18, 20), 30, kAfterFinishContinue, 2);
    RunFromTo(S(At(2026, 3, 2, 17, 59, 59)), S(At(2026, 3, 2, 18, 31, 0)));
    const auto records = m_host.Of(RunnerEvent::kRecord);
    ASSERT_EQ(records.size(), 2u);
    // The first ends at 18:30:05; the second starts at the next tick.
    EXPECT_EQ(records[1].task, "second");
    EXPECT_EQ(records[1].at, S(At(2026, 3, 2, 18, 30, 6)));
    EXPECT_EQ(second->status, kTaskRunning);
}

TEST_F(TaskRunnerTest, TheTvApplicationsEndReportFinishesOnlyARunningTask) {
    m_host.tvUp = true;
    TaskRecord* watch = AddTask("watch", kTaskModeWatch, At(2026, 3, 2, 7, 0), 60, kAfterFinishCloseTv, 1);
    TaskRecord* next = AddTask("next", kTaskModeRecord, At(2026, 3, 2, 9, 0), 60, kAfterFinishCloseTv, 2);
    RunFromTo(S(At(2026, 3, 2, 7, 0, 0)), S(At(2026, 3, 2, 7, 0, 10)));
    ASSERT_EQ(watch->status, kTaskRunning);
    m_runner.TvReportedEnd();
    EXPECT_EQ(watch->status, kTaskFinished);
    EXPECT_FALSE(m_runner.Due());
    EXPECT_EQ(m_host.Of(RunnerEvent::kSave).size(), 1u);
    // Nothing is sent at the end it no longer has.
    RunFromTo(S(At(2026, 3, 2, 7, 0, 11)), S(At(2026, 3, 2, 8, 1, 0)));
    EXPECT_TRUE(m_host.Of(RunnerEvent::kStopAndClose).empty());

    // A report while nothing runs (the TV program closing later) leaves the next task alone.
    m_runner.TvReportedEnd();
    EXPECT_EQ(next->status, kTaskReady);
    EXPECT_EQ(m_host.Of(RunnerEvent::kSave).size(), 1u);
}

TEST_F(TaskRunnerTest, ATaskChangedOrRemovedWhileDueIsLetGo) {
    m_host.tvUp = true;
    TaskRecord* task = AddTask("edited", kTaskModeRecord, At(2026, 3, 2, 7, 0), 60, kAfterFinishCloseTv, 1);
    AddTask("other", kTaskModeRecord, At(2026, 3, 2, 12, 0), 60, kAfterFinishCloseTv, 2);
    RunFromTo(S(At(2026, 3, 2, 7, 0, 0)), S(At(2026, 3, 2, 7, 0, 2)));
    ASSERT_TRUE(m_runner.Due());
    // The user moves the running task to the evening.
    m_runner.Forget(task);
    task->status = kTaskReady;
    task->hour = 22;
    m_tasks.SortByStart();
    EXPECT_FALSE(m_runner.Due());
    RunFromTo(S(At(2026, 3, 2, 7, 0, 3)), S(At(2026, 3, 2, 7, 5, 0)));
    // Neither it nor the next task is started out of its time.
    EXPECT_EQ(m_host.Of(RunnerEvent::kRecord).size(), 1u);
    EXPECT_EQ(task->status, kTaskReady);

    // Removed from the list while due: the runner holds nothing afterwards.
    RunFromTo(S(At(2026, 3, 2, 12, 0, 0)), S(At(2026, 3, 2, 12, 0, 2)));
    ASSERT_TRUE(m_runner.Due());
    const TaskRecord* other = m_runner.DueTask();
    m_runner.Forget(other);
    m_tasks.RemoveAt(m_tasks.IndexOf(other));
    RunFromTo(S(At(2026, 3, 2, 12, 0, 3)), S(At(2026, 3, 2, 13, 1, 0)));
    EXPECT_TRUE(m_host.Of(RunnerEvent::kStopAndClose).empty());
    EXPECT_FALSE(m_runner.Due());
}

// What the history is told of each run: on time, late because Schedule was not running at the
// start, late behind another task, given up for a missing TV program, cut short in the TV.
TEST_F(TaskRunnerTest, EachRunTellsTheHistoryHowItEndedAndWhyItWasLate) {
    // Schedule starts at 20:10 (the computer was off at 20:00): the task starts at once and
    // still ends at its end.
    AddTask("late", kTaskModeRecord, At(2026, 3, 2, 20, 0, 0), 30, kAfterFinishCloseTv, 1);
    AddTask("after", kTaskModeWatch, At(2026, 3, 2, 20, 29, 0), 5, kAfterFinishNothing, 2);
    RunFromTo(S(At(2026, 3, 2, 20, 10, 0)), S(At(2026, 3, 2, 20, 40, 0)));
    ASSERT_EQ(m_host.runsOver.size(), 2u);
    const FakeRunnerHost::RunOver& late = m_host.runsOver[0];
    EXPECT_EQ(late.task, "late");
    EXPECT_EQ(late.at, S(At(2026, 3, 2, 20, 30, 5)));
    EXPECT_EQ(late.run.outcome, TaskOutcome::Recorded);
    EXPECT_EQ(late.run.lateSeconds, 605); // 600 s off, 5 s for the TV program to come up
    EXPECT_EQ(late.run.lateReason, TaskRunReason::ComputerOff);
    // The next one waited for the first one's end; the TV application was kept for it.
    EXPECT_EQ(m_host.runsOver[1].run.outcome, TaskOutcome::Watched);
    EXPECT_EQ(m_host.runsOver[1].run.lateSeconds, 66); // started the tick after that end
    EXPECT_EQ(m_host.runsOver[1].run.lateReason, TaskRunReason::AnotherTask);

    // The TV program cannot be started; then a recording stopped in the TV before its end (long
    // after the stop of the first task, whose answer never came).
    m_host.tvMissing = [&](std::int64_t now) { return now < S(At(2026, 3, 2, 21, 1, 0)); };
    AddTask("no tv", kTaskModeRecord, At(2026, 3, 2, 21, 0, 0), 10, kAfterFinishContinue, 3);
    AddTask("cut", kTaskModeRecord, At(2026, 3, 2, 21, 20, 0), 10, kAfterFinishContinue, 4);
    RunFromTo(S(At(2026, 3, 2, 20, 59, 58)), S(At(2026, 3, 2, 21, 25, 0)));
    m_runner.TvReportedEnd();
    ASSERT_EQ(m_host.runsOver.size(), 4u);
    EXPECT_EQ(m_host.runsOver[2].task, "no tv");
    EXPECT_EQ(m_host.runsOver[2].run.outcome, TaskOutcome::Missed);
    EXPECT_EQ(m_host.runsOver[2].run.reason, TaskRunReason::TvNotStarted);
    EXPECT_EQ(m_host.runsOver[3].task, "cut");
    EXPECT_EQ(m_host.runsOver[3].run.outcome, TaskOutcome::CutShort);
    EXPECT_EQ(m_host.runsOver[3].run.reason, TaskRunReason::StoppedInTv);
    EXPECT_EQ(m_host.runsOver[3].run.lateSeconds, 0);
}

// A Record task starting at the minute another ends: the TV application is kept for it (only
// the recording stops), the second starts within ten seconds, and the TV side's answer to the
// first one's stop does not end the second.
TEST_F(TaskRunnerTest, BackToBackRecordingsKeepTheTvApplicationAndBothRun) {
    AddTask("first", kTaskModeRecord, At(2026, 3, 2, 20, 0, 0), 30, kAfterFinishCloseTv, 1);
    TaskRecord* second =
        AddTask("second", kTaskModeRecord, At(2026, 3, 2, 20, 30, 0), 30, kAfterFinishCloseTv, 2);
    RunFromTo(S(At(2026, 3, 2, 19, 59, 59)), S(At(2026, 3, 2, 20, 30, 20)));
    const auto records = m_host.Of(RunnerEvent::kRecord);
    ASSERT_EQ(records.size(), 2u);
    const auto stops = m_host.Of(RunnerEvent::kStopRecording);
    ASSERT_EQ(stops.size(), 1u);
    EXPECT_EQ(stops[0].at, S(At(2026, 3, 2, 20, 30, 5)));
    EXPECT_TRUE(m_host.Of(RunnerEvent::kStopAndClose).empty());
    EXPECT_EQ(m_host.Of(RunnerEvent::kStartTv).size(), 1u); // only for the first
    EXPECT_LE(records[1].at - stops[0].at, 10);

    m_runner.TvReportedEnd(); // the TV's answer to the first one's stop
    EXPECT_EQ(second->status, kTaskRunning);
    RunFromTo(S(At(2026, 3, 2, 20, 30, 21)), S(At(2026, 3, 2, 21, 1, 0)));
    // The last one closes the TV application as it says.
    ASSERT_EQ(m_host.Of(RunnerEvent::kStopAndClose).size(), 1u);
    EXPECT_EQ(m_host.Of(RunnerEvent::kStopAndClose)[0].at, S(At(2026, 3, 2, 21, 0, 5)));
    EXPECT_EQ(second->status, kTaskFinished);
    ASSERT_EQ(m_host.runsOver.size(), 2u);
    EXPECT_EQ(m_host.runsOver[1].run.outcome, TaskOutcome::Recorded);
    EXPECT_EQ(m_host.runsOver[1].run.lateSeconds, 0);
}

// The TV application still stopping the first recording would refuse the second order: it is
// sent once the stop is reported, or once no report can be expected any more.
TEST_F(TaskRunnerTest, BackToBackTheNextOrderWaitsForTheStopToBeReported) {
    AddTask("first", kTaskModeRecord, At(2026, 3, 2, 20, 0, 0), 30, kAfterFinishCloseTv, 1);
    AddTask("second", kTaskModeRecord, At(2026, 3, 2, 20, 30, 0), 30, kAfterFinishCloseTv, 2);
    RunFromTo(S(At(2026, 3, 2, 19, 59, 59)), S(At(2026, 3, 2, 20, 0, 1)));
    m_host.tvBusy = true; // the first recording runs
    RunFromTo(S(At(2026, 3, 2, 20, 0, 2)), S(At(2026, 3, 2, 20, 30, 8)));
    ASSERT_EQ(m_host.Of(RunnerEvent::kStopRecording).size(), 1u);
    EXPECT_EQ(m_host.Of(RunnerEvent::kRecord).size(), 1u) << "ordered while the TV was still busy";
    m_host.tvBusy = false; // 2148: stopped
    RunFromTo(S(At(2026, 3, 2, 20, 30, 9)), S(At(2026, 3, 2, 20, 30, 9)));
    ASSERT_EQ(m_host.Of(RunnerEvent::kRecord).size(), 2u);
    EXPECT_EQ(m_host.Of(RunnerEvent::kRecord)[1].at, S(At(2026, 3, 2, 20, 30, 9)));

    // A stop never reported holds the next order no longer than its answer is awaited.
    AddTask("third", kTaskModeRecord, At(2026, 3, 2, 21, 0, 0), 30, kAfterFinishCloseTv, 3);
    m_host.tvBusy = true;
    RunFromTo(S(At(2026, 3, 2, 20, 30, 10)), S(At(2026, 3, 2, 21, 1, 0)));
    const auto records = m_host.Of(RunnerEvent::kRecord);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[2].at, S(At(2026, 3, 2, 21, 0, 5)) + kStopAnswerSeconds + 1);
}

// The TV program killed in the middle of a recording: the next tick starts it again and orders
// the rest; the history has the part before (cut short) and the rest (recorded) as two runs.
// Started again once more without a window, the task is over.
TEST_F(TaskRunnerTest, ATvProgramThatDiesWhileRecordingIsStartedAgainForTheRest) {
    TaskRecord* task = AddTask("news", kTaskModeRecord, At(2026, 3, 2, 20, 0, 0), 30, kAfterFinishCloseTv, 4);
    RunFromTo(S(At(2026, 3, 2, 19, 59, 59)), S(At(2026, 3, 2, 20, 10, 0)));
    ASSERT_EQ(m_host.Of(RunnerEvent::kRecord).size(), 1u);
    m_host.tvUp = false; // killed
    RunFromTo(S(At(2026, 3, 2, 20, 10, 1)), S(At(2026, 3, 2, 20, 10, 1)));
    const auto starts = m_host.Of(RunnerEvent::kStartTv);
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(starts[1].at, S(At(2026, 3, 2, 20, 10, 1)));
    const auto rest = m_host.Of(RunnerEvent::kRecordRest);
    ASSERT_EQ(rest.size(), 1u);
    EXPECT_EQ(rest[0].channel, 4);
    EXPECT_LE(rest[0].at - S(At(2026, 3, 2, 20, 10, 1)), 10);
    EXPECT_EQ(task->status, kTaskRunning);
    ASSERT_EQ(m_host.runsOver.size(), 1u);
    EXPECT_EQ(m_host.runsOver[0].run.outcome, TaskOutcome::CutShort);
    EXPECT_EQ(m_host.runsOver[0].run.reason, TaskRunReason::TvEnded);

    RunFromTo(S(At(2026, 3, 2, 20, 10, 2)), S(At(2026, 3, 2, 20, 30, 10)));
    EXPECT_EQ(task->status, kTaskFinished);
    EXPECT_EQ(m_host.Of(RunnerEvent::kStopAndClose).size(), 1u);
    ASSERT_EQ(m_host.runsOver.size(), 2u);
    EXPECT_EQ(m_host.runsOver[1].run.outcome, TaskOutcome::Recorded);
    EXPECT_GT(m_host.runsOver[1].run.startedAt, 0);

    // A TV program that does not come back ends the task there; nothing is ordered.
    TaskRecord* late = AddTask("late", kTaskModeRecord, At(2026, 3, 2, 21, 0, 0), 30, kAfterFinishCloseTv, 1);
    RunFromTo(S(At(2026, 3, 2, 21, 0, 0)), S(At(2026, 3, 2, 21, 5, 0)));
    m_host.tvUp = false;
    m_host.tvMissing = [](std::int64_t) { return true; };
    RunFromTo(S(At(2026, 3, 2, 21, 5, 1)), S(At(2026, 3, 2, 21, 6, 0)));
    EXPECT_EQ(late->status, kTaskFinished);
    EXPECT_EQ(m_host.Of(RunnerEvent::kRecordRest).size(), 1u);
    EXPECT_EQ(m_host.Of(RunnerEvent::kStartTv).size(), 4u) << "started once for the rest, then left";
}

} // namespace
