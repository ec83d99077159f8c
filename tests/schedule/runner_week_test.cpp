// A simulated week: fifty tasks (one-time and weekly, overlapping and back to back, some at
// times when the TV program is missing) run by the real task runner against a fake clock that
// ticks every second, with the scheduler restarted every night as a computer switched off and
// on again would restart it. Every occurrence that could run (its start came while no other
// task ran and the TV program was there) must run at its minute and end on time; none may run
// twice or while another runs; the rest must be given up without holding up the ones after.
#include "schedule/task_file.h"
#include "schedule/task_runner.h"
#include "schedule/wake_clock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>

#include "platform/simcard/clock_chip.h"

#include "tests/schedule/runner_host_fake.h"
#include "tests/schedule/schedule_test_util.h"

using namespace tunaro;

namespace {

// Monday 2 March 2026, 00:00; the week runs to the next Monday 03:00.
const TaskDateTime kWeekStart = At(2026, 3, 2, 0, 0);
constexpr int kDays = 7;
constexpr int kTaskCount = 50;
// The nightly restart, when no task runs.
constexpr int kRestartHour = 3;

struct Occurrence {
    std::int32_t channel; // each task has its own channel, so its messages say whose they are
    std::int64_t start;
    std::int64_t end; // when the runner must end it
    int duration;
    std::int16_t mode;
    std::uint8_t afterFinish;
    bool tvMissing;
};

std::int64_t Serial(const TaskDateTime& t) {
    return TaskSerialSeconds(t);
}

// Fifty tasks over the week: runs of back-to-back tasks, tasks inside or across others, weekly
// tasks on one to three days, and a few at times when the TV program is gone. Each task's
// channel is 100 + its number.
std::vector<TaskRecord> MakeWeek(std::vector<std::pair<std::int64_t, std::int64_t>>& tvGone) {
    std::mt19937 random(20260302);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    std::vector<TaskRecord> tasks;
    const std::int64_t week = Serial(kWeekStart);
    auto add = [&](std::int64_t start, int duration, std::uint8_t repeat) {
        TaskRecord task = TaskAt(TaskDateTimeFromSerial(start), duration);
        const int n = int(tasks.size());
        task.SetName("task " + std::to_string(n));
        task.channel = 100 + n;
        task.mode = pick(0, 2) == 0 ? std::int16_t(kTaskModeWatch) : std::int16_t(kTaskModeRecord);
        task.afterFinish = std::uint8_t(pick(0, 3));
        task.repeat = repeat;
        tasks.push_back(task);
    };
    // 35 one-time tasks, five a day, each day's group built from a random pattern.
    for (int day = 0; day < kDays; ++day) {
        std::int64_t at =
            week + std::int64_t(day) * 86400 + std::int64_t(pick(6, 9)) * 3600 + pick(0, 59) * 60;
        for (int k = 0; k < 5; ++k) {
            const int duration = pick(2, 75);
            // Start on whole minutes mostly, sometimes in the middle of one.
            const std::int64_t start = at + (pick(0, 3) == 0 ? pick(1, 59) : 0);
            add(start, duration, 0);
            switch (pick(0, 3)) {
            case 0: // back to back
                at += std::int64_t(duration) * 60;
                break;
            case 1: // overlapping
                at += std::int64_t(pick(1, duration)) * 60;
                break;
            default: // a gap
                at += std::int64_t(duration + pick(1, 120)) * 60;
                break;
            }
        }
    }
    // 15 weekly tasks in the evening, one to three days each.
    for (int k = 0; k < 15; ++k) {
        std::uint8_t repeat = kRepeatWeekly;
        for (int d = pick(1, 3); d > 0; --d) {
            repeat = std::uint8_t(repeat | RepeatDayBit(pick(1, 7)));
        }
        // Entered on the Monday; dated to its first run like the wizard and the load do.
        const std::int64_t start = week + std::int64_t(pick(18, 23)) * 3600 + pick(0, 11) * 5 * 60;
        add(start, pick(2, 90), repeat);
        DateWeeklyTask(tasks.back(), kWeekStart);
    }
    // The TV program is missing at six moments of the week.
    for (int k = 0; k < 6; ++k) {
        const TaskRecord& victim = tasks[std::size_t(pick(0, kTaskCount - 1))];
        const std::int64_t at = victim.StartSerial();
        tvGone.push_back({at - 30, at + 30});
    }
    return tasks;
}

// Every run the week holds: one per one-time task, one per selected day for weekly ones.
std::vector<Occurrence> Occurrences(const std::vector<TaskRecord>& tasks,
                                    const std::vector<std::pair<std::int64_t, std::int64_t>>& tvGone) {
    std::vector<Occurrence> out;
    const std::int64_t week = Serial(kWeekStart);
    for (const TaskRecord& task : tasks) {
        std::vector<std::int64_t> starts;
        if (task.RepeatsWeekly()) {
            for (int day = 0; day < kDays; ++day) {
                const TaskDateTime date = TaskDateTimeFromSerial(week + std::int64_t(day) * 86400);
                if ((task.repeat & RepeatDayBit(TaskWeekday(date.year, date.month, date.day))) != 0) {
                    starts.push_back(week + std::int64_t(day) * 86400 + task.hour * 3600 + task.minute * 60 +
                                     task.second);
                }
            }
        } else {
            starts.push_back(task.StartSerial());
        }
        for (std::int64_t start : starts) {
            Occurrence o;
            o.channel = task.channel;
            o.start = start;
            o.end = start - start % 60 + std::int64_t(task.duration) * 60 + kTaskEndGraceSeconds;
            o.duration = task.duration;
            o.mode = task.mode;
            o.afterFinish = task.afterFinish;
            o.tvMissing = false;
            for (const auto& gone : tvGone) {
                o.tvMissing = o.tvMissing || (start >= gone.first && start <= gone.second);
            }
            out.push_back(o);
        }
    }
    std::sort(out.begin(), out.end(),
              [](const Occurrence& a, const Occurrence& b) { return a.start < b.start; });
    return out;
}

struct ObservedRun {
    std::int64_t start;
    std::int64_t end = -1;
    std::vector<RunnerEvent::Kind> after;
};

TEST(RunnerWeek, EveryTaskThatCouldRunRanAtItsMinuteAndNoneTwice) {
    std::vector<std::pair<std::int64_t, std::int64_t>> tvGone;
    const std::vector<TaskRecord> week = MakeWeek(tvGone);
    ASSERT_EQ(week.size(), std::size_t(kTaskCount));
    const std::vector<Occurrence> occurrences = Occurrences(week, tvGone);

    TempDir dir;
    const std::string file = dir.Path("SCHTASK.stf");
    {
        TaskList initial;
        for (const TaskRecord& t : week) {
            initial.Add(t);
        }
        initial.SortByStart();
        ASSERT_TRUE(initial.Save(file));
    }

    ManualTaskClock clock;
    FakeRunnerHost host(clock);
    host.tvMissing = [&](std::int64_t now) {
        for (const auto& gone : tvGone) {
            if (now >= gone.first && now <= gone.second) {
                return true;
            }
        }
        return false;
    };

    // The week: the scheduler starts at 03:00 each day (reading the file as it does, weekly
    // tasks Ready again) and ticks once a second until the next restart.
    const std::int64_t begin = Serial(kWeekStart) + kRestartHour * 3600;
    std::size_t ticks = 0;
    for (int day = 0; day < kDays; ++day) {
        const std::int64_t from = begin + std::int64_t(day) * 86400;
        host.SetNow(from);
        TaskList tasks;
        ASSERT_TRUE(tasks.Load(file, clock));
        for (int i = 0; i < tasks.Count(); ++i) {
            if (tasks.At(i)->RepeatsWeekly()) {
                tasks.At(i)->status = kTaskReady;
            }
        }
        TaskRunner runner(tasks, clock, host);
        while (host.Now() < from + 86400) {
            const std::int64_t tick = host.Now();
            runner.Tick();
            ++ticks;
            host.SetNow(std::max(tick + 1, host.Now()));
        }
        ASSERT_FALSE(runner.Due()) << "a task ran over the nightly restart";
        ASSERT_TRUE(tasks.Save(file));
    }

    // What each channel (task) was sent, in order, and what followed each end.
    std::map<std::int32_t, std::vector<ObservedRun>> runs;
    ObservedRun* running = nullptr;
    ObservedRun* ended = nullptr;
    std::vector<std::pair<std::int64_t, std::int64_t>> intervals;
    for (const RunnerEvent& e : host.events) {
        switch (e.kind) {
        case RunnerEvent::kWatch:
        case RunnerEvent::kRecord:
            ASSERT_EQ(running, nullptr) << "a task started while another ran, at " << e.at;
            ended = nullptr;
            runs[e.channel].push_back(ObservedRun{e.at, -1, {}});
            running = &runs[e.channel].back();
            break;
        case RunnerEvent::kEnded:
            ASSERT_NE(running, nullptr) << "an end without a start, at " << e.at;
            running->end = e.at;
            intervals.push_back({running->start, running->end});
            ended = running;
            running = nullptr;
            break;
        case RunnerEvent::kStartTv:
            ended = nullptr;
            break;
        case RunnerEvent::kSave:
            break;
        default:
            ASSERT_NE(ended, nullptr) << "an after-finish action without an end, at " << e.at;
            ended->after.push_back(e.kind);
            break;
        }
    }
    ASSERT_EQ(running, nullptr);

    // Each occurrence: ran at its minute, ran late inside its time, or could not run.
    int ranOnTime = 0, ranLate = 0, tvMissing = 0, crowdedOut = 0;
    std::map<std::int32_t, std::size_t> used;
    for (const Occurrence& o : occurrences) {
        std::vector<ObservedRun>& taskRuns = runs[o.channel];
        std::size_t& next = used[o.channel];
        const ObservedRun* run =
            next < taskRuns.size() && taskRuns[next].start >= o.start &&
                    taskRuns[next].start < o.start - o.start % 60 + std::int64_t(o.duration) * 60
                ? &taskRuns[next]
                : nullptr;
        bool busy = false;
        for (const auto& iv : intervals) {
            busy = busy || (o.start >= iv.first && o.start <= iv.second &&
                            (run == nullptr || iv.first != run->start));
        }
        const std::string what = "channel " + std::to_string(o.channel) + " at " + std::to_string(o.start);
        if (o.tvMissing && !busy) {
            // The TV program could not be started: nothing sent, and it held nothing up.
            EXPECT_EQ(run, nullptr) << what;
            ++tvMissing;
            continue;
        }
        if (!busy) {
            ASSERT_NE(run, nullptr) << what << " could run and did not";
            EXPECT_LT(run->start - (o.start - o.start % 60), 60) << what << " did not run at its minute";
            EXPECT_GE(run->start, o.start) << what;
            EXPECT_EQ(run->end, o.end) << what << " did not end on time";
            ++ranOnTime;
        } else if (run != nullptr) {
            // Started once the task before it ended, with time of its own left.
            std::int64_t lastEnd = 0;
            for (const auto& iv : intervals) {
                if (iv.second < run->start) {
                    lastEnd = std::max(lastEnd, iv.second);
                }
            }
            EXPECT_LE(run->start - lastEnd, 10) << what << " started late at " << run->start
                                                << ", not when the one before it ended at " << lastEnd;
            EXPECT_LE(TaskWholeMinutes(o.start, run->start), o.duration - 1) << what;
            EXPECT_EQ(run->end, o.end) << what;
            ++ranLate;
        } else {
            ++crowdedOut;
        }
        if (run == nullptr) {
            continue;
        }
        ++next;
        // What followed its end.
        std::vector<RunnerEvent::Kind> expected;
        // A task due as this one ends keeps the TV application: the end only stops the recording.
        bool nextDue = false;
        for (const Occurrence& later : occurrences) {
            nextDue =
                nextDue ||
                (later.start > run->start && later.start <= run->end + kLateStartSeconds &&
                 (later.start > run->end || TaskWholeMinutes(later.start, run->end) <= later.duration - 1));
        }
        std::uint8_t afterFinish = o.afterFinish;
        if (nextDue && (afterFinish == kAfterFinishShutdown || afterFinish == kAfterFinishCloseTv)) {
            afterFinish = kAfterFinishContinue;
        }
        if (afterFinish == kAfterFinishShutdown) {
            // Switched off only when the alarm for the next task still lies ahead.
            std::int64_t nextStart = -1;
            for (const Occurrence& later : occurrences) {
                if (later.start > run->end) {
                    nextStart = later.start;
                    break;
                }
            }
            expected = {RunnerEvent::kStopAndClose, RunnerEvent::kRelease};
            if (nextStart < 0 || TaskWholeMinutes(run->end, nextStart - std::int64_t(host.aheadMinutes) *
                                                                            60) > kPowerOffLeadMinutes) {
                expected.push_back(RunnerEvent::kPause);
                expected.push_back(RunnerEvent::kPowerOff);
            }
        } else if (afterFinish == kAfterFinishCloseTv) {
            expected = {RunnerEvent::kStopAndClose, RunnerEvent::kRelease};
        } else if (afterFinish == kAfterFinishContinue && o.mode == kTaskModeRecord) {
            expected = {RunnerEvent::kStopRecording};
        }
        EXPECT_EQ(run->after, expected) << what;
    }
    // Nothing ran that was not an occurrence, and nothing twice.
    for (const auto& r : runs) {
        EXPECT_EQ(used[r.first], r.second.size())
            << "channel " << r.first << " ran more often than it occurs";
    }
    std::printf("simulated week: %zu tasks, %zu runs due, %zu ticks: %d ran at their minute, %d ran late in "
                "their time, %d crowded out by a running task, %d with the TV program missing\n",
                week.size(), occurrences.size(), ticks, ranOnTime, ranLate, crowdedOut, tvMissing);
    EXPECT_EQ(ranOnTime + ranLate + crowdedOut + tvMissing, int(occurrences.size()));
    EXPECT_GT(ranOnTime, kTaskCount / 2);
    EXPECT_GT(ranLate + crowdedOut, 0);
    EXPECT_GT(tvMissing, 0);
}

} // namespace

// ---- A planned week -------------------------------------------------------------------------
// Fifty tasks as a user plans them (none colliding with another), once and weekly, watch and
// record, with every after-finish action and some running over the week's end, on a computer
// that is switched off after the tasks that ask for it and powered on again by the card's wake-up
// clock. Every run must happen: started in its minute, ended at its end; a weekly task is dated
// to its next run as each run ends; and after each end the clock chip holds an alarm for the next
// run minus the ahead minutes.
namespace {

constexpr int kAheadMinutes = 10;
// From the wake-up alarm to the scheduler's first tick.
constexpr std::int64_t kBootSeconds = 120;
// How long the simulation runs on past the week, so the tasks crossing its end can end.
constexpr std::int64_t kOverrunSeconds = 3 * 3600;

struct PlannedRun {
    int task; // index into the planned tasks (its channel is 100 + that)
    std::int64_t start;
};

// Every run of a task from a moment on, up to a limit: a one-time task once, a weekly one on each
// of its days.
std::vector<std::int64_t> RunsOf(const TaskRecord& task, std::int64_t from, std::int64_t until) {
    std::vector<std::int64_t> starts;
    if (!task.RepeatsWeekly()) {
        if (task.StartSerial() >= from && task.StartSerial() < until) {
            starts.push_back(task.StartSerial());
        }
        return starts;
    }
    const std::int64_t timeOfDay = task.hour * 3600 + task.minute * 60 + task.second;
    for (std::int64_t day = from - from % 86400; day < until; day += 86400) {
        const TaskDateTime date = TaskDateTimeFromSerial(day);
        const std::int64_t start = day + timeOfDay;
        if ((task.repeat & RepeatDayBit(TaskWeekday(date.year, date.month, date.day))) != 0 &&
            start >= from && start < until) {
            starts.push_back(start);
        }
    }
    return starts;
}

// The fifty tasks: weekly ones in the evenings, one-time ones anywhere, a third of those soon after
// another task ends (at the minute it ends, back to back, or up to three minutes later: too soon
// to switch the computer off between), two across the week's end. None collides with another on
// any day, by the wizard's rule.
std::vector<TaskRecord> PlanWeek() {
    std::mt19937 random(20260309);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    const std::int64_t week = Serial(kWeekStart);
    const std::int64_t horizon = week + 15 * 86400;
    std::vector<TaskRecord> tasks;
    std::vector<std::pair<std::int64_t, std::int64_t>> taken; // every run's start and end
    auto tryAdd = [&](std::int64_t start, int duration, std::uint8_t repeat) {
        TaskRecord task = TaskAt(TaskDateTimeFromSerial(start), duration);
        task.repeat = repeat;
        if (task.RepeatsWeekly()) {
            DateWeeklyTask(task, kWeekStart);
        }
        std::vector<std::pair<std::int64_t, std::int64_t>> mine;
        for (std::int64_t s : RunsOf(task, week, horizon)) {
            // To the minute it ends: the next task may start at that minute, back to back.
            const std::int64_t e = s - s % 60 + std::int64_t(duration) * 60;
            for (const auto& t : taken) {
                if (s < t.second && t.first < e) {
                    return false;
                }
            }
            mine.push_back({s, e});
        }
        const int n = int(tasks.size());
        task.SetName("planned " + std::to_string(n));
        task.channel = 100 + n;
        task.mode = n % 3 == 0 ? std::int16_t(kTaskModeWatch) : std::int16_t(kTaskModeRecord);
        task.afterFinish = std::uint8_t(n % 4);
        taken.insert(taken.end(), mine.begin(), mine.end());
        tasks.push_back(task);
        return true;
    };
    // Across the week's end: one once, one weekly on Sundays (planned 0 and 1).
    tryAdd(week + 6 * 86400 + 23 * 3600 + 30 * 60, 50, 0);
    tryAdd(week + 6 * 86400 + 22 * 3600 + 40 * 60, 45, std::uint8_t(kRepeatWeekly | RepeatDayBit(1)));
    // Back to back on Wednesday: a recording that closes the TV application, then a watch task.
    tryAdd(week + 2 * 86400 + 14 * 3600, 30, 0);
    tryAdd(week + 2 * 86400 + 14 * 3600 + 30 * 60, 20, 0);
    while (tasks.size() < 16) {
        std::uint8_t repeat = kRepeatWeekly;
        for (int d = pick(1, 3); d > 0; --d) {
            repeat = std::uint8_t(repeat | RepeatDayBit(pick(1, 7)));
        }
        tryAdd(week + std::int64_t(pick(17, 22)) * 3600 + pick(0, 11) * 5 * 60, pick(2, 90), repeat);
    }
    while (tasks.size() < std::size_t(kTaskCount)) {
        std::int64_t start = week + std::int64_t(pick(0, kDays * 24 * 60 - 1)) * 60;
        if (pick(0, 2) == 0) {
            const TaskRecord& before = tasks[std::size_t(pick(0, int(tasks.size()) - 1))];
            if (!before.RepeatsWeekly()) {
                start = before.EndSerial() - before.second + pick(0, 3) * 60;
            }
        } else if (pick(0, 4) == 0) {
            start += pick(1, 59); // in the middle of a minute
        }
        if (start < week + kDays * 86400 - 3 * 3600) {
            tryAdd(start, pick(2, 120), 0);
        }
    }
    return tasks;
}

// The runner's surroundings for the week: the task file, the card's clock chip as the card bus
// hands it to the scheduler, and a computer that goes off when the power-off program runs.
class WeekHost : public FakeRunnerHost {
public:
    WeekHost(ManualTaskClock& clock, std::string file) : FakeRunnerHost(clock), m_file(std::move(file)) {
        aheadMinutes = kAheadMinutes;
    }

    TaskList* tasks = nullptr;
    simcard::ClockChip chip;
    bool poweredOff = false;
    // Called after every end, once the alarm has been programmed.
    std::function<void()> onEnded;

    void SaveTasks() override {
        FakeRunnerHost::SaveTasks();
        ASSERT_TRUE(tasks->Save(m_file));
    }
    void TaskEnded() override {
        FakeRunnerHost::TaskEnded();
        WakeAlarm alarm;
        if (PlanWakeAlarm(*tasks, TaskDateTimeFromSerial(Now()), aheadMinutes, alarm)) {
            BusWrite(alarm.registers);
        }
        if (onEnded) {
            onEnded();
        }
    }
    void StartPowerOff() override {
        FakeRunnerHost::StartPowerOff();
        poweredOff = true;
    }

    // The chip brought to the present, then its registers as a read from register 0 returns them.
    WakeClockRegisters BusRead() {
        KeepTime();
        const std::uint8_t pointer = 0;
        chip.Write(&pointer, 1);
        WakeClockRegisters r{};
        chip.Read(r.data(), r.size());
        return r;
    }
    void BusWrite(const WakeClockRegisters& r) {
        KeepTime();
        std::uint8_t bytes[1 + kWakeClockRegisterCount] = {0};
        std::copy(r.begin(), r.end(), bytes + 1);
        chip.Write(bytes, sizeof(bytes));
    }
    void KeepTime() {
        chip.Advance(Now() - m_chipAt);
        m_chipAt = Now();
    }
    void StartChip() { m_chipAt = Now(); }

private:
    std::string m_file;
    std::int64_t m_chipAt = 0;
};

TEST(RunnerWeek, FiftyPlannedTasksAllFireAcrossPowerOffsAndTheAlarmAlwaysAimsAtTheNextRun) {
    const std::vector<TaskRecord> planned = PlanWeek();
    ASSERT_EQ(planned.size(), std::size_t(kTaskCount));
    const std::int64_t week = Serial(kWeekStart);
    const std::int64_t simEnd = week + kDays * 86400 + kOverrunSeconds;
    std::vector<PlannedRun> due;   // every run the simulation holds, in order
    std::vector<PlannedRun> after; // and every run after it, for the alarm and the weekly dates
    for (int i = 0; i < kTaskCount; ++i) {
        for (std::int64_t s : RunsOf(planned[std::size_t(i)], week, simEnd)) {
            due.push_back({i, s});
        }
        for (std::int64_t s : RunsOf(planned[std::size_t(i)], simEnd, simEnd + 8 * 86400)) {
            after.push_back({i, s});
        }
    }
    std::vector<PlannedRun> all = due;
    all.insert(all.end(), after.begin(), after.end());
    auto byStart = [](const PlannedRun& a, const PlannedRun& b) { return a.start < b.start; };
    std::sort(due.begin(), due.end(), byStart);
    std::sort(all.begin(), all.end(), byStart);
    // The first run of a task after a moment, or -1.
    auto nextRun = [&](int task, std::int64_t from) {
        for (const PlannedRun& r : all) {
            if ((task < 0 || r.task == task) && r.start > from) {
                return r;
            }
        }
        return PlannedRun{-1, -1};
    };

    TempDir dir;
    const std::string file = dir.Path("SCHTASK.stf");
    {
        TaskList initial;
        for (const TaskRecord& t : planned) {
            initial.Add(t);
        }
        initial.SortByStart();
        ASSERT_TRUE(initial.Save(file));
    }

    ManualTaskClock clock;
    WeekHost host(clock, file);
    std::unique_ptr<TaskList> tasks;
    std::unique_ptr<TaskRunner> runner;
    // The computer comes on: the scheduler starts, brings the clock chip to the PC's time and
    // reads its tasks (weekly ones Ready again, as its window makes them).
    int boots = 0;
    auto boot = [&] {
        ++boots;
        host.poweredOff = false;
        host.tvUp = false;
        host.BusWrite(SynchronisedWakeClock(host.BusRead(), TaskDateTimeFromSerial(host.Now())));
        tasks = std::make_unique<TaskList>();
        ASSERT_TRUE(tasks->Load(file, clock));
        EXPECT_TRUE(tasks->MissedOnLoad().empty()) << "a run passed while the computer was off";
        for (int i = 0; i < tasks->Count(); ++i) {
            if (tasks->At(i)->RepeatsWeekly()) {
                tasks->At(i)->status = kTaskReady;
            }
        }
        host.tasks = tasks.get();
        runner = std::make_unique<TaskRunner>(*tasks, clock, host);
    };

    // After each end: the alarm in the chip is for the next run, and a weekly task that just ran
    // is dated to its next run.
    int alarmsChecked = 0, weeklyDatesChecked = 0;
    std::int32_t lastStarted = -1;
    host.onEnded = [&] {
        const std::int64_t now = host.Now();
        const WakeClockRegisters r = host.BusRead();
        PlannedRun next{-1, -1};
        for (const PlannedRun& run : all) {
            if (TaskWholeMinutes(now, run.start) > 2) {
                next = run;
                break;
            }
        }
        ASSERT_GE(next.task, 0);
        const TaskDateTime at = TaskDateTimeFromSerial(next.start - kAheadMinutes * 60);
        const bool weekly = planned[std::size_t(next.task)].RepeatsWeekly();
        const std::string what = "alarm programmed at " + std::to_string(now) + " for planned " +
                                 std::to_string(next.task) + " at " + std::to_string(next.start);
        EXPECT_EQ(FromBcd(r[kRegAlarm1Minutes]), at.minute) << what;
        EXPECT_EQ(FromBcd(r[kRegAlarm1Hours]), at.hour) << what;
        if (weekly) {
            EXPECT_EQ(r[kRegAlarm1Day], kAlarmDayIsWeekday | TaskWeekday(at.year, at.month, at.day)) << what;
        } else {
            EXPECT_EQ(r[kRegAlarm1Day], ToBcd(at.day)) << what;
        }
        EXPECT_EQ(r[kRegControl], kControlAlarm1Enable) << what;
        ++alarmsChecked;

        const int ended = lastStarted - 100;
        if (ended >= 0 && planned[std::size_t(ended)].RepeatsWeekly()) {
            const PlannedRun following = nextRun(ended, now);
            for (int i = 0; i < tasks->Count(); ++i) {
                const TaskRecord* t = tasks->At(i);
                if (t->channel == lastStarted) {
                    EXPECT_EQ(t->StartSerial(), following.start) << "planned " << ended << " after its run";
                    EXPECT_EQ(t->status, kTaskReady) << "planned " << ended << " after its run";
                }
            }
            ++weeklyDatesChecked;
        }
    };

    host.SetNow(week);
    boot();
    std::size_t eventsSeen = 0;
    while (host.Now() < simEnd) {
        const std::int64_t tick = host.Now();
        if (host.poweredOff) {
            // Off: only the clock chip runs; its alarm flag powers the computer on.
            host.SetNow(tick + 1);
            if ((host.BusRead()[kRegStatus] & simcard::kClockAlarm1Flag) != 0) {
                host.SetNow(host.Now() + kBootSeconds);
                boot();
            }
            continue;
        }
        runner->Tick();
        for (; eventsSeen < host.events.size(); ++eventsSeen) {
            const RunnerEvent& e = host.events[eventsSeen];
            if (e.kind == RunnerEvent::kWatch || e.kind == RunnerEvent::kRecord) {
                lastStarted = e.channel;
            }
        }
        if (host.poweredOff) {
            runner.reset();
            tasks.reset();
            host.tasks = nullptr;
        }
        host.SetNow(std::max(tick + 1, host.Now()));
    }

    // What each task was sent, in order.
    std::map<std::int32_t, std::vector<ObservedRun>> runs;
    ObservedRun* running = nullptr;
    int powerOffs = 0, shutdownRuns = 0, backToBack = 0;
    for (const RunnerEvent& e : host.events) {
        if (e.kind == RunnerEvent::kWatch || e.kind == RunnerEvent::kRecord) {
            ASSERT_EQ(running, nullptr) << "a task started while another ran, at " << e.at;
            runs[e.channel].push_back(ObservedRun{e.at, -1, {}});
            running = &runs[e.channel].back();
        } else if (e.kind == RunnerEvent::kEnded) {
            ASSERT_NE(running, nullptr) << "an end without a start, at " << e.at;
            running->end = e.at;
            running = nullptr;
        } else if (e.kind == RunnerEvent::kPowerOff) {
            ++powerOffs;
        }
    }
    ASSERT_EQ(running, nullptr) << "a task still ran when the simulation ended";

    std::map<std::int32_t, std::size_t> used;
    std::vector<bool> missed(kTaskCount, false);
    for (const PlannedRun& p : due) {
        const TaskRecord& task = planned[std::size_t(p.task)];
        const std::int32_t channel = 100 + p.task;
        std::size_t& k = used[channel];
        const std::string what = "planned " + std::to_string(p.task) + " at " + std::to_string(p.start);
        if (k >= runs[channel].size()) {
            ADD_FAILURE() << what << " never started";
            missed[std::size_t(p.task)] = true;
            continue;
        }
        const ObservedRun& run = runs[channel][k++];
        const std::int64_t minute = p.start - p.start % 60;
        EXPECT_GE(run.start, p.start) << what;
        EXPECT_LT(run.start, minute + 60) << what << " did not start in its minute";
        EXPECT_EQ(run.end, minute + std::int64_t(task.duration) * 60 + kTaskEndGraceSeconds)
            << what << " did not end at its end";
        if (run.start < p.start || run.start >= minute + 60) {
            missed[std::size_t(p.task)] = true;
        }
        // Back to back: it began within ten seconds of the end of the one before.
        for (const auto& other : runs) {
            for (const ObservedRun& before : other.second) {
                if (before.end >= minute - 5 && before.end <= minute + kTaskEndGraceSeconds) {
                    EXPECT_LE(run.start - before.end, 10) << what << " started late after the task before it";
                    ++backToBack;
                }
            }
        }
        shutdownRuns += task.afterFinish == kAfterFinishShutdown ? 1 : 0;
    }
    for (const auto& r : runs) {
        EXPECT_EQ(used[r.first], r.second.size()) << "channel " << r.first << " ran more often than planned";
    }
    int fired = 0;
    for (int i = 0; i < kTaskCount; ++i) {
        fired += missed[std::size_t(i)] || used[100 + i] == 0 ? 0 : 1;
    }
    std::printf(
        "planned week: fired %d of %d tasks, %zu runs, %d computer starts, %d power-offs (%d kept on for "
        "a task too close), %d back to back, %d alarms checked, %d weekly dates checked\n",
        fired, kTaskCount, due.size(), boots, powerOffs, shutdownRuns - powerOffs, backToBack, alarmsChecked,
        weeklyDatesChecked);
    EXPECT_EQ(fired, kTaskCount);
    EXPECT_GT(powerOffs, 0);
    EXPECT_GT(shutdownRuns, powerOffs);
    EXPECT_GT(backToBack, 0);
    EXPECT_EQ(boots, powerOffs + 1);
    EXPECT_GE(alarmsChecked, int(due.size()) - 1);
    EXPECT_GT(weeklyDatesChecked, 0);

    // The weekly tasks stay dated to their first run after the simulation.
    TaskList last;
    ASSERT_TRUE(last.Load(file, clock));
    for (int i = 0; i < last.Count(); ++i) {
        const TaskRecord* t = last.At(i);
        if (t->RepeatsWeekly()) {
            EXPECT_EQ(t->StartSerial(), nextRun(t->channel - 100, simEnd - kOverrunSeconds).start)
                << "planned " << t->channel - 100;
        }
    }
}

} // namespace
