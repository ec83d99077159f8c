// End-to-end tests of the task runner in the installed Schedule.exe against a recording stand-in
// for the TV application, found under the title setting.ini gives it: a Record task's message at
// its start and its end with the power-off program, a Watch task ended by the TV side's report,
// and a missing TV program that expires its task without holding up the next.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/e2e.h"
#include "framework/peer_messages.h"
#include "schedule/task_time.h"
#include "tests/schedule/app/schedule_driver.h"

namespace {

using namespace schedule_e2e;
using tunaro::TaskDateTime;
using tunaro::TaskRecord;

constexpr int kColumns = 6;
constexpr int kStatusColumn = 5;
// A title of the TV window that only setting.ini can tell the scheduler.
constexpr char kTvTitle[] = "Tunaro Evening Test";
// How late a tick may come on a busy machine: the one-second timer plus scheduling slack.
constexpr long kTickSlackMs = 1500;

TaskRecord MakeTask(const char* name, std::int16_t mode, const TaskDateTime& start, int duration,
                    std::uint8_t afterFinish) {
    TaskRecord task = TaskRecord::MakeNew();
    task.SetName(name);
    task.mode = mode;
    task.SetStart(start);
    task.duration = duration;
    task.afterFinish = afterFinish;
    task.videoInput = tunaro::kInputTuner;
    return task;
}

// The tick= stamps of Haltbox.log's lines.
std::vector<long long> HaltboxTicks(const std::string& log) {
    std::vector<long long> ticks;
    for (std::size_t at = log.find("tick="); at != std::string::npos; at = log.find("tick=", at + 5)) {
        ticks.push_back(std::atoll(log.c_str() + at + 5));
    }
    return ticks;
}

std::string StatusOf(Scheduler& scheduler, std::size_t row) {
    const auto rows = ListRows(scheduler.List(), kColumns);
    return row < rows.size() ? rows[row][kStatusColumn] : std::string();
}

class TaskRunnerRoad : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(e2e::WaitForWindowGone(kTitle, 5000)) << "a scheduler is still running";
        InstallBuiltPrograms();
        ASSERT_TRUE(e2e::WriteFile(ProgramTxtPath(), ProgramTxt({{"Harbour TV", 49750000, 1, true}})));
        DeleteFileA(InstallFile("Haltbox.log").c_str());
        // The TV window's title comes from the TV application's settings.
        const std::string setting = InstallFile("setting.ini");
        ASSERT_TRUE(WritePrivateProfileStringA("Title", "Text", kTvTitle, setting.c_str()));
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, setting.c_str());
    }

    LanguageValue m_english{std::string("1033")};
    FileKeeper m_taskFile{TaskFilePath()};
    FileKeeper m_programTxt{ProgramTxtPath()};
    FileKeeper m_tunaroIni{InstallFile("Tunaro.ini")};
    FileKeeper m_setting{InstallFile("setting.ini")};
    FileKeeper m_haltboxLog{InstallFile("Haltbox.log")};
    FileKeeper m_simcard{e2e::SimCardPath()};
};

TEST_F(TaskRunnerRoad, ARecordTaskIsSentItsRecordingAtItsStartAndEndsWithTheComputerSwitchedOff) {
    e2e::PeerWindow tv(kTvTitle);
    // The scheduler's clock six times as fast: the minute and ten seconds below pass in twelve.
    const FastTaskClock clock(6);
    // A two-minute task starting at second 55 of a minute a little ahead: it ends five seconds
    // after its last minute, a minute and ten seconds after it began.
    TaskDateTime start = clock.In(15);
    while (start.second != 55) {
        start = tunaro::TaskDateTimeFromSerial(tunaro::TaskSerialSeconds(start) + 1);
    }
    TaskRecord task =
        MakeTask("Evening film", tunaro::kTaskModeRecord, start, 2, tunaro::kAfterFinishShutdown);
    task.channel = 3;
    task.recordFormat = 5;
    task.SetRecordFileName("Evening_film");
    ASSERT_TRUE(e2e::WriteFile(TaskFilePath(), TaskFileBytes({task})));
    const std::int64_t startSerial = tunaro::TaskSerialSeconds(start);
    const std::int64_t endSerial = startSerial - 55 + 2 * 60 + 5;

    Scheduler scheduler;
    ASSERT_TRUE(scheduler.Start());
    // The scheduler asks the TV application at once whether it is busy.
    ASSERT_TRUE(tv.WaitForCommand(tunaro::peer::kTvBusyQuery, 5000));
    EXPECT_EQ(StatusOf(scheduler, 0), "Ready");

    ASSERT_TRUE(tv.WaitForMessage(WM_COPYDATA, 90000)) << "no recording was asked for";
    const std::vector<e2e::ReceivedMessage> copies = [&] {
        std::vector<e2e::ReceivedMessage> out;
        for (const auto& m : tv.Messages()) {
            if (m.msg == WM_COPYDATA) {
                out.push_back(m);
            }
        }
        return out;
    }();
    ASSERT_EQ(copies.size(), 1u);
    const e2e::ReceivedMessage& record = copies[0];
    EXPECT_EQ(record.wParam & 0xFFFFFFFF, WPARAM((2u << 16) + tunaro::peer::kTvCopyDataRecord));
    EXPECT_EQ(record.dwData, ULONG_PTR((5u << 16) | 3u));
    // The file name and the video input's digit, counted without a terminating zero.
    EXPECT_EQ(record.data, "Evening_film0");
    const long long startTick = clock.TickAt(startSerial);
    EXPECT_GE(static_cast<long long>(record.tick), startTick - 200) << "sent before the task's start";
    EXPECT_LE(static_cast<long long>(record.tick), startTick + kTickSlackMs) << "sent late";
    EXPECT_TRUE(e2e::WaitUntil([&] { return StatusOf(scheduler, 0) == "Running"; }, 5000));

    ASSERT_TRUE(tv.WaitForCommand(tunaro::peer::kTvStopAndClose, 100000)) << "the task was not ended";
    const std::vector<e2e::ReceivedMessage> closes = tv.Commands(tunaro::peer::kTvStopAndClose);
    ASSERT_EQ(closes.size(), 1u);
    const long long endTick = clock.TickAt(endSerial);
    EXPECT_GE(static_cast<long long>(closes[0].tick), endTick - 200) << "ended early";
    EXPECT_LE(static_cast<long long>(closes[0].tick), endTick + kTickSlackMs) << "ended late";
    EXPECT_TRUE(tv.Commands(tunaro::peer::kTvScheduleRecord).empty());

    // Three seconds after the TV application was told to close, the power-off program ran.
    ASSERT_TRUE(e2e::WaitUntil(
        [&] { return !HaltboxTicks(e2e::ReadFile(InstallFile("Haltbox.log"))).empty(); }, 15000));
    const std::vector<long long> ticks = HaltboxTicks(e2e::ReadFile(InstallFile("Haltbox.log")));
    ASSERT_EQ(ticks.size(), 1u);
    EXPECT_GE(ticks[0] - static_cast<long long>(closes[0].tick), 3000);
    EXPECT_LE(ticks[0] - static_cast<long long>(closes[0].tick), 3000 + 2000);

    // Finished, in the list and in the file.
    EXPECT_TRUE(e2e::WaitUntil([&] { return StatusOf(scheduler, 0) == "Finished"; }, 5000));
    const std::vector<TaskRecord> file = ReadTaskFile();
    ASSERT_EQ(file.size(), 1u);
    EXPECT_EQ(file[0].status, tunaro::kTaskFinished);

    // Nothing more is sent for the task; leaving tells the TV application the scheduler is gone.
    EXPECT_EQ(tv.Commands(tunaro::peer::kTvStopAndClose).size(), 1u);
    ASSERT_TRUE(scheduler.Exit());
    EXPECT_TRUE(tv.WaitForCommand(tunaro::peer::kTvSchedulerGone, 5000));
}

TEST_F(TaskRunnerRoad, AWatchTaskTunesTheChannelAndTheTvSidesReportFinishesIt) {
    e2e::PeerWindow tv(kTvTitle);
    TaskRecord task = MakeTask("Match", tunaro::kTaskModeWatch, LocalIn(2), 5, tunaro::kAfterFinishCloseTv);
    task.channel = 7;
    ASSERT_TRUE(e2e::WriteFile(TaskFilePath(), TaskFileBytes({task})));

    Scheduler scheduler;
    ASSERT_TRUE(scheduler.Start());
    ASSERT_TRUE(tv.WaitForCommand(tunaro::peer::kTvScheduleTune, 15000));
    const std::vector<e2e::ReceivedMessage> tunes = tv.Commands(tunaro::peer::kTvScheduleTune);
    ASSERT_EQ(tunes.size(), 1u);
    EXPECT_EQ(tunes[0].lParam, 7);
    EXPECT_TRUE(tv.Messages().size() >= 2 && tv.Messages()[0].msg == WM_COMMAND &&
                LOWORD(tv.Messages()[0].wParam) == tunaro::peer::kTvBusyQuery)
        << "the busy question comes first";
    EXPECT_TRUE(e2e::WaitUntil([&] { return StatusOf(scheduler, 0) == "Running"; }, 5000));

    // The TV application reports the end (its user stopped what the scheduler started).
    e2e::SendCommand(scheduler.Window(), tunaro::peer::kScheduleTaskOver);
    EXPECT_TRUE(e2e::WaitUntil([&] { return StatusOf(scheduler, 0) == "Finished"; }, 5000));
    EXPECT_TRUE(e2e::WaitUntil(
        [&] {
            const std::vector<TaskRecord> file = ReadTaskFile();
            return file.size() == 1 && file[0].status == tunaro::kTaskFinished;
        },
        5000));
    // No after-finish action for a task the TV side ended, and the channel is not tuned again.
    Sleep(2500);
    EXPECT_TRUE(tv.Commands(tunaro::peer::kTvStopAndClose).empty());
    EXPECT_EQ(tv.Commands(tunaro::peer::kTvScheduleTune).size(), 1u);
    EXPECT_TRUE(scheduler.Exit());
}

// The TV program moved out of the installation for the test, and put back.
class TvProgramAway {
public:
    TvProgramAway() : m_path(InstallFile("Tunaro.exe")), m_away(m_path + ".away") {
        m_moved = MoveFileExA(m_path.c_str(), m_away.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
    }
    ~TvProgramAway() {
        if (m_moved) {
            MoveFileExA(m_away.c_str(), m_path.c_str(), MOVEFILE_REPLACE_EXISTING);
        }
    }
    TvProgramAway(const TvProgramAway&) = delete;
    TvProgramAway& operator=(const TvProgramAway&) = delete;
    bool Missing() const { return !e2e::FileExists(m_path); }

private:
    std::string m_path;
    std::string m_away;
    bool m_moved = false;
};

TEST_F(TaskRunnerRoad, AMissingTvProgramExpiresTheTaskAndTheNextTaskStillRuns) {
    TvProgramAway away;
    ASSERT_TRUE(away.Missing());
    const FastTaskClock clock(4); // the next task 10 s ahead
    TaskRecord lost = MakeTask("Lost", tunaro::kTaskModeRecord, clock.In(2), 5, tunaro::kAfterFinishContinue);
    lost.SetRecordFileName("Record_0");
    TaskRecord next = MakeTask("Next", tunaro::kTaskModeWatch, clock.In(40), 5, tunaro::kAfterFinishContinue);
    next.channel = 1;
    ASSERT_TRUE(e2e::WriteFile(TaskFilePath(), TaskFileBytes({lost, next})));

    Scheduler scheduler;
    ASSERT_TRUE(scheduler.Start());
    EXPECT_TRUE(e2e::WaitUntil([&] { return StatusOf(scheduler, 0) == "Expired"; }, 20000));
    EXPECT_EQ(StatusOf(scheduler, 1), "Ready");
    // The TV application is running by the time the next task starts.
    e2e::PeerWindow tv(kTvTitle);
    ASSERT_TRUE(tv.WaitForCommand(tunaro::peer::kTvScheduleTune, 45000));
    EXPECT_EQ(tv.Commands(tunaro::peer::kTvScheduleTune)[0].lParam, 1);
    EXPECT_TRUE(e2e::WaitUntil([&] { return StatusOf(scheduler, 1) == "Running"; }, 5000));
    EXPECT_TRUE(tv.Messages().size() == 1u) << "nothing was sent for the expired task";
    EXPECT_TRUE(scheduler.Exit());
}

} // namespace
