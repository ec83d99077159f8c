// The task runner: once a second it finds the current task, starts it when its time has come
// (the TV application records or tunes), ends it when its time is over and carries out what
// the task says should happen afterwards. The world outside the task list is a RunnerHost.
#pragma once

#include "schedule/task_history.h"
#include "schedule/task_list.h"
#include "schedule/task_record.h"
#include "schedule/task_time.h"

#include <cstdint>

namespace tunaro {

// Seconds a task runs on past its last minute before it is ended.
constexpr int kTaskEndGraceSeconds = 5;
// Whole minutes the wake-up alarm must lie ahead when the computer is switched off after a
// task: the time it takes to go down, so the alarm is not missed while it does.
constexpr int kPowerOffLeadMinutes = 2;

// A start later than this after the task's start is kept in the history as a late start.
constexpr int kLateStartSeconds = 10;
// How long after the runner stopped a recording the TV application's answer may come.
constexpr int kStopAnswerSeconds = 30;

// What became of one run of a task, as the runner saw it: ran to its end, cut short by the TV
// application, or given up; and how late it started.
struct TaskRunSummary {
    TaskOutcome outcome = TaskOutcome::Missed;
    TaskRunReason reason = TaskRunReason::None;
    std::int64_t startedAt = 0; // when the TV application was given the task; 0 when never
    int lateSeconds = 0;        // beyond kLateStartSeconds only
    TaskRunReason lateReason = TaskRunReason::None;
};

// What the runner asks of the rest of the program. Every call happens on the runner's thread.
class RunnerHost {
public:
    virtual ~RunnerHost() = default;
    // Whether the TV application's window exists now.
    virtual bool TvWindowExists() = 0;
    // Whether the TV application last reported the card taken (recording, scanning, ...).
    virtual bool TvBusy() = 0;
    // Starts the TV program and gives it time to show its window; false when it could not be
    // started at all.
    virtual bool StartTvProgram() = 0;
    // A Watch task starts: tune to the channel (peer::kTvScheduleTune).
    virtual void SendWatch(std::int32_t channel) = 0;
    // A Record task starts: record the task's channel in its format (peer::kTvCopyDataRecord).
    virtual void SendRecord(const TaskRecord& task) = 0;
    // The TV program ended while it recorded the task and was started again: record the rest
    // (peer::kTvCopyDataRecordRest).
    virtual void SendRecordRest(const TaskRecord& task) = 0;
    // Stop any recording and close (peer::kTvStopAndClose).
    virtual void SendStopAndClose() = 0;
    // Stop the recording and go on watching (peer::kTvScheduleRecord).
    virtual void SendStopRecording() = 0;
    // Lets go of a TV program the host started itself.
    virtual void ReleaseStartedTv() = 0;
    // The pause between closing the TV application and switching the computer off.
    virtual void PauseBeforePowerOff() = 0;
    // Starts the power-off program.
    virtual void StartPowerOff() = 0;
    // Writes the task file; the host tells the user when it fails.
    virtual void SaveTasks() = 0;
    // A task's status changed: show the list again.
    virtual void TasksChanged() = 0;
    // A task is over: aim the wake-up alarm at the next one before anything is switched off.
    virtual void TaskEnded() = 0;
    // How many minutes before a task the wake-up alarm powers the computer on.
    virtual int WakeAheadMinutes() = 0;
    // A run of a task is over or was given up: the history keeps it. Called before the
    // computer is switched off.
    virtual void TaskRunOver(const TaskRecord& task, const TaskRunSummary& run) = 0;
};

class TaskRunner {
public:
    TaskRunner(TaskList& tasks, const TaskClock& clock, RunnerHost& host);
    TaskRunner(const TaskRunner&) = delete;
    TaskRunner& operator=(const TaskRunner&) = delete;

    // One tick of the task timer: the due check, the start of a due task, the end check.
    void Tick();
    // The TV application reports that the task it was given is over (peer::kScheduleTaskOver).
    void TvReportedEnd();
    // A task is about to be changed or removed by the user: the runner lets go of it.
    void Forget(const TaskRecord* task);

    bool Due() const { return m_dueTask != nullptr; }
    const TaskRecord* DueTask() const { return m_dueTask; }

    // End of a task: its date and hour:minute (seconds dropped) plus its duration plus the grace.
    static std::int64_t EndSerialOf(const TaskRecord& task);
    // Whether a task's start has come and it may still begin: now >= start and at most
    // duration - 1 whole minutes have passed since.
    static bool InWindow(const TaskRecord& task, std::int64_t nowSerial);
    // Whether the computer may be switched off at "now": the wake-up alarm of the next Ready
    // task (its start minus the ahead minutes) still lies far enough ahead to power it on again.
    static bool MayPowerOff(const TaskList& tasks, std::int64_t nowSerial, int aheadMinutes);
    // Whether a Ready task begins now or within kLateStartSeconds: a task back to back with the
    // one ending. The TV application is then kept for it instead of being closed.
    static bool NextTaskDue(const TaskList& tasks, std::int64_t nowSerial);

private:
    void DueCheck();
    void StartDueTask();
    // The TV window went away while it recorded the running task (killed, crashed): started
    // again, it records the rest; the part before is a run of its own for the history.
    void RecoverRecording();
    void EndCheck();
    // A run of a task is over (done, or given up): a weekly task is dated to its next run and
    // is Ready for it, any other keeps the status it ends with; the list is ordered again.
    void Settle(TaskRecord& task, std::int32_t status);
    // Why a task was not started at its start: the program was not running then, or another
    // task held the runner.
    TaskRunReason WhyNotAtStart(const TaskRecord& task) const;
    // Tells the host what became of the run, and notes its end.
    void RunOver(const TaskRecord& task, TaskOutcome outcome, TaskRunReason reason);
    std::int64_t Now() const { return TaskSerialSeconds(m_clock.LocalNow()); }

    TaskList& m_tasks;
    const TaskClock& m_clock;
    RunnerHost& m_host;
    // The task whose start has come (the due flag), until it ends.
    TaskRecord* m_dueTask = nullptr;
    bool m_inTick = false;
    // The first tick (the program was not running before it), when the last run ended, and the
    // late start of the run in progress.
    std::int64_t m_firstTickAt = -1;
    std::int64_t m_lastEndAt = -1;
    TaskRunSummary m_run;
    // A stop the runner ordered (stop recording, go on watching): the TV application answers it
    // within seconds with its own end report, which must not end the task started meanwhile.
    // Until when such an answer is expected.
    std::int64_t m_stopAnswerUntil = -1;
};

} // namespace tunaro
