// A simulated week: fifty tasks (one-time and weekly, overlapping and back to back, some at
// times when the TV program is missing) run by the real task runner against a fake clock that
// ticks every second, with the scheduler restarted every night as a computer switched off and
// on again would restart it. Every occurrence that could run (its start came while no other
// task ran and the TV program was there) must run at its minute and end on time; none may run
// twice or while another runs; the rest must be given up without holding up the ones after.
#include "schedule/task_file.h"
#include "schedule/task_runner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <random>

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
        if (o.afterFinish == kAfterFinishShutdown) {
            expected = {RunnerEvent::kStopAndClose, RunnerEvent::kRelease, RunnerEvent::kPause,
                        RunnerEvent::kPowerOff};
        } else if (o.afterFinish == kAfterFinishCloseTv) {
            expected = {RunnerEvent::kStopAndClose, RunnerEvent::kRelease};
        } else if (o.afterFinish == kAfterFinishContinue && o.mode == kTaskModeRecord) {
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
