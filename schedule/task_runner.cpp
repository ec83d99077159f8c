// The runner's due check, start, end check and after-finish actions, one task at a time.
#include "schedule/task_runner.h"

#include "schedule/task_file.h"

namespace tunaro {

TaskRunner::TaskRunner(TaskList& tasks, const TaskClock& clock, RunnerHost& host)
    : m_tasks(tasks), m_clock(clock), m_host(host) {}

std::int64_t TaskRunner::EndSerialOf(const TaskRecord& task) {
    TaskDateTime minuteStart = task.Start();
    minuteStart.second = 0;
    return TaskSerialSeconds(minuteStart) + std::int64_t(task.duration) * 60 + kTaskEndGraceSeconds;
}

bool TaskRunner::InWindow(const TaskRecord& task, std::int64_t nowSerial) {
    const std::int64_t start = task.StartSerial();
    return nowSerial >= start && std::int64_t(task.duration) - 1 >= TaskWholeMinutes(start, nowSerial);
}

bool TaskRunner::MayPowerOff(const TaskList& tasks, std::int64_t nowSerial, int aheadMinutes) {
    for (int i = 0; i < tasks.Count(); ++i) {
        const TaskRecord* task = tasks.At(i);
        if (task->status != kTaskReady || task->StartSerial() <= nowSerial) {
            continue;
        }
        const std::int64_t alarm = task->StartSerial() - std::int64_t(aheadMinutes) * 60;
        return TaskWholeMinutes(nowSerial, alarm) > kPowerOffLeadMinutes;
    }
    return true;
}

void TaskRunner::Settle(TaskRecord& task, std::int32_t status) {
    task.status = status;
    // Dated from the end of this run, so the run that just ended is never the one found.
    if (task.RepeatsWeekly() && DateWeeklyTask(task, TaskDateTimeFromSerial(EndSerialOf(task)))) {
        task.status = kTaskReady;
    }
    m_tasks.SortByStart();
}

bool TaskRunner::NextTaskDue(const TaskList& tasks, std::int64_t nowSerial) {
    for (int i = 0; i < tasks.Count(); ++i) {
        const TaskRecord* task = tasks.At(i);
        if (task->status == kTaskReady &&
            (InWindow(*task, nowSerial) ||
             (task->StartSerial() > nowSerial && task->StartSerial() - nowSerial <= kLateStartSeconds))) {
            return true;
        }
    }
    return false;
}

TaskRunReason TaskRunner::WhyNotAtStart(const TaskRecord& task) const {
    if (m_firstTickAt > task.StartSerial()) {
        return TaskRunReason::ComputerOff;
    }
    if (m_lastEndAt >= task.StartSerial()) {
        return TaskRunReason::AnotherTask;
    }
    return TaskRunReason::TvSlowToStart;
}

void TaskRunner::RunOver(const TaskRecord& task, TaskOutcome outcome, TaskRunReason reason) {
    TaskRunSummary run = m_run;
    run.outcome = outcome;
    run.reason = reason;
    m_run = TaskRunSummary();
    m_lastEndAt = Now();
    m_host.TaskRunOver(task, run);
}

void TaskRunner::Tick() {
    // A message box shown during a tick runs a message loop that would deliver the next tick.
    if (m_inTick) {
        return;
    }
    m_inTick = true;
    if (m_firstTickAt < 0) {
        m_firstTickAt = Now();
    }
    DueCheck();
    if (m_dueTask != nullptr && m_dueTask->status != kTaskRunning && m_dueTask->status != kTaskExpired) {
        StartDueTask();
    } else if (m_dueTask != nullptr && m_dueTask->status == kTaskRunning) {
        RecoverRecording();
    }
    EndCheck();
    m_inTick = false;
}

void TaskRunner::DueCheck() {
    for (;;) {
        TaskRecord* current = m_tasks.CurrentTask();
        // The due task was finished, removed or changed meanwhile: it no longer holds the runner.
        if (m_dueTask != nullptr && current != m_dueTask) {
            m_dueTask = nullptr;
        }
        if (current == nullptr || m_dueTask != nullptr) {
            return;
        }
        const std::int64_t now = Now();
        if (InWindow(*current, now)) {
            m_dueTask = current;
            return;
        }
        // A task whose whole time passed without it being started (another task held the
        // runner, or the program was busy) will never run: it must not hold up the tasks after it.
        if (now >= current->StartSerial()) {
            const TaskRecord missed = *current;
            Settle(*current, kTaskExpired);
            m_host.TasksChanged();
            m_run = TaskRunSummary();
            RunOver(missed, TaskOutcome::Missed, WhyNotAtStart(missed));
            continue;
        }
        return;
    }
}

void TaskRunner::StartDueTask() {
    TaskRecord* task = m_dueTask;
    // The recording of the task before is still being stopped: an order now would find the TV
    // application busy and be refused. The next one waits for the stop's report.
    if (Now() <= m_stopAnswerUntil && m_host.TvBusy() && m_host.TvWindowExists()) {
        return;
    }
    task->status = kTaskRunning;
    m_host.TasksChanged();
    m_run = TaskRunSummary();

    if (!m_host.TvWindowExists()) {
        m_host.StartTvProgram();
        if (!m_host.TvWindowExists()) {
            // Given up: a weekly task waits for its next run, not for the end of this one.
            m_dueTask = nullptr;
            const TaskRecord missed = *task;
            Settle(*task, kTaskExpired);
            m_host.TasksChanged();
            RunOver(missed, TaskOutcome::Missed, TaskRunReason::TvNotStarted);
            return;
        }
    }
    const std::int64_t late = Now() - task->StartSerial();
    m_run.startedAt = Now();
    if (late > kLateStartSeconds) {
        m_run.lateSeconds = int(late);
        m_run.lateReason = WhyNotAtStart(*task);
    }
    if (task->mode == kTaskModeWatch) {
        m_host.SendWatch(task->channel);
    } else {
        m_host.SendRecord(*task);
    }
}

void TaskRunner::RecoverRecording() {
    TaskRecord* task = m_dueTask;
    if (task->mode != kTaskModeRecord || m_run.startedAt <= 0 || m_host.TvWindowExists() ||
        Now() >= EndSerialOf(*task)) {
        return;
    }
    const TaskRecord ran = *task;
    RunOver(ran, TaskOutcome::CutShort, TaskRunReason::TvEnded);
    m_host.StartTvProgram();
    if (!m_host.TvWindowExists()) {
        // Nothing more can be recorded of it: the task is over.
        m_dueTask = nullptr;
        Settle(*task, kTaskFinished);
        m_host.SaveTasks();
        m_host.TasksChanged();
        m_host.TaskEnded();
        return;
    }
    m_run.startedAt = Now();
    m_host.SendRecordRest(*task);
}

void TaskRunner::EndCheck() {
    TaskRecord* task = m_dueTask;
    if (task == nullptr || Now() < EndSerialOf(*task)) {
        return;
    }
    m_dueTask = nullptr;
    if (task->status != kTaskRunning) {
        return;
    }
    // What ran is what the history keeps, whatever the run's end does to the record.
    const TaskRecord ran = *task;
    const TaskOutcome outcome = ran.mode == kTaskModeWatch ? TaskOutcome::Watched : TaskOutcome::Recorded;
    Settle(*task, kTaskFinished);
    m_host.SaveTasks();
    m_host.TasksChanged();
    m_host.TaskEnded();
    // The next task begins as this one ends: the TV application stays for it, only the
    // recording stops; the next task's own end decides what happens afterwards.
    std::uint8_t afterFinish = ran.afterFinish;
    if ((afterFinish == kAfterFinishShutdown || afterFinish == kAfterFinishCloseTv) &&
        NextTaskDue(m_tasks, Now())) {
        afterFinish = kAfterFinishContinue;
    }
    switch (afterFinish) {
    case kAfterFinishShutdown:
        m_host.SendStopAndClose();
        m_host.ReleaseStartedTv();
        RunOver(ran, outcome, TaskRunReason::None);
        // Switched off only when the wake-up alarm can still power it on for the next task;
        // otherwise the computer stays on for it.
        if (MayPowerOff(m_tasks, Now(), m_host.WakeAheadMinutes())) {
            m_host.PauseBeforePowerOff();
            m_host.StartPowerOff();
        }
        return;
    case kAfterFinishCloseTv:
        m_host.SendStopAndClose();
        m_host.ReleaseStartedTv();
        break;
    case kAfterFinishContinue:
        if (ran.mode == kTaskModeRecord) {
            m_stopAnswerUntil = Now() + kStopAnswerSeconds;
            m_host.SendStopRecording();
        }
        break;
    default:
        break;
    }
    RunOver(ran, outcome, TaskRunReason::None);
}

void TaskRunner::TvReportedEnd() {
    // Only a task the TV application was actually given can be over; a report that comes when
    // none runs (the TV program closing after a task already ended) leaves the next task alone.
    TaskRecord* task = m_dueTask != nullptr ? m_dueTask : m_tasks.CurrentTask();
    if (Now() <= m_stopAnswerUntil) {
        // The answer to the stop of the task before: it says nothing of this one.
        m_stopAnswerUntil = -1;
        return;
    }
    if (task == nullptr || task->status != kTaskRunning) {
        return;
    }
    m_dueTask = nullptr;
    const TaskRecord ran = *task;
    Settle(*task, kTaskFinished);
    m_host.SaveTasks();
    m_host.TasksChanged();
    m_host.TaskEnded();
    // Before its end the TV application stopped it (the user, or the recording failed there).
    const bool early = Now() < EndSerialOf(ran) - kTaskEndGraceSeconds;
    RunOver(ran,
            early                        ? TaskOutcome::CutShort
            : ran.mode == kTaskModeWatch ? TaskOutcome::Watched
                                         : TaskOutcome::Recorded,
            early ? TaskRunReason::StoppedInTv : TaskRunReason::None);
}

void TaskRunner::Forget(const TaskRecord* task) {
    if (task != nullptr && task == m_dueTask) {
        m_dueTask = nullptr;
    }
}

} // namespace tunaro
