// A stand-in for everything around the task runner in its tests: a clock the test moves, a TV
// application that is up, down or missing, and a log of every call the runner makes.
#pragma once

#include "schedule/task_runner.h"

#include <functional>
#include <string>
#include <vector>

namespace tunaro {

struct RunnerEvent {
    enum Kind {
        kWatch,
        kRecord,
        kRecordRest,
        kStopAndClose,
        kStopRecording,
        kRelease,
        kPause,
        kPowerOff,
        kStartTv,
        kSave,
        kEnded
    };
    Kind kind;
    std::int64_t at;          // the fake clock's time, serial seconds
    std::string task;         // Record: the task's name
    std::int32_t channel = 0; // Record and Watch: the task's channel
};

class FakeRunnerHost : public RunnerHost {
public:
    explicit FakeRunnerHost(ManualTaskClock& clock) : m_clock(clock) {}

    // The TV program can be started (and shows its window) unless this says it is missing.
    std::function<bool(std::int64_t)> tvMissing = [](std::int64_t) { return false; };
    bool tvUp = false;
    // The TV application's last report: the card taken (a recording runs).
    bool tvBusy = false;
    std::vector<RunnerEvent> events;

    std::int64_t Now() const { return TaskSerialSeconds(m_clock.LocalNow()); }
    void SetNow(std::int64_t serial) { m_clock.Set(TaskDateTimeFromSerial(serial), serial); }
    void Advance(std::int64_t seconds) { SetNow(Now() + seconds); }

    bool TvWindowExists() override { return tvUp && !tvMissing(Now()); }
    bool TvBusy() override { return tvBusy; }
    bool StartTvProgram() override {
        Log(RunnerEvent::kStartTv);
        // Three seconds for the program to come up and two for its window.
        Advance(5);
        if (tvMissing(Now())) {
            return false;
        }
        tvUp = true;
        return true;
    }
    void SendWatch(std::int32_t channel) override {
        events.push_back({RunnerEvent::kWatch, Now(), std::string(), channel});
    }
    void SendRecord(const TaskRecord& task) override {
        events.push_back({RunnerEvent::kRecord, Now(), task.NameText(), task.channel});
    }
    void SendRecordRest(const TaskRecord& task) override {
        events.push_back({RunnerEvent::kRecordRest, Now(), task.NameText(), task.channel});
    }
    void SendStopAndClose() override {
        Log(RunnerEvent::kStopAndClose);
        tvUp = false;
    }
    void SendStopRecording() override { Log(RunnerEvent::kStopRecording); }
    void ReleaseStartedTv() override { Log(RunnerEvent::kRelease); }
    void PauseBeforePowerOff() override {
        Log(RunnerEvent::kPause);
        Advance(3);
    }
    void StartPowerOff() override { Log(RunnerEvent::kPowerOff); }
    void SaveTasks() override { Log(RunnerEvent::kSave); }
    void TasksChanged() override { ++changes; }
    void TaskEnded() override { Log(RunnerEvent::kEnded); }
    int WakeAheadMinutes() override { return aheadMinutes; }
    void TaskRunOver(const TaskRecord& task, const TaskRunSummary& run) override {
        runsOver.push_back({task.NameText(), Now(), run});
    }

    struct RunOver {
        std::string task;
        std::int64_t at;
        TaskRunSummary run;
    };
    std::vector<RunOver> runsOver;
    int changes = 0;
    int aheadMinutes = 10;

    std::vector<RunnerEvent> Of(RunnerEvent::Kind kind) const {
        std::vector<RunnerEvent> out;
        for (const RunnerEvent& e : events) {
            if (e.kind == kind) {
                out.push_back(e);
            }
        }
        return out;
    }

private:
    void Log(RunnerEvent::Kind kind) { events.push_back({kind, Now(), std::string(), 0}); }
    ManualTaskClock& m_clock;
};

} // namespace tunaro
