// A Record task of the installed Schedule.exe carried out by the real Tunaro.exe on the simulated
// card: the scheduler's own task file and timer start the TV program at the task's time, and while
// the recording runs the card is tuned to the task's channel, not the one the TV program last
// showed.
#include <gtest/gtest.h>

#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/e2e.h"
#include "tests/platform/media_check.h"
#include "schedule/task_history.h"
#include "schedule/task_list.h"
#include "tests/schedule/app/schedule_driver.h"

namespace {

using namespace schedule_e2e;
using tunaro::TaskRecord;

// A Record task on the tuner, in the first record format, the TV program closed at its end.
TaskRecord RecordTask(const char* name, const tunaro::TaskDateTime& start, int minutes, long channel = 2) {
    TaskRecord task = TaskRecord::MakeNew();
    task.SetName(name);
    task.mode = tunaro::kTaskModeRecord;
    task.SetStart(start);
    task.duration = minutes;
    task.afterFinish = tunaro::kAfterFinishCloseTv;
    task.videoInput = tunaro::kInputTuner;
    task.channel = channel;
    task.recordFormat = 0;
    task.SetRecordFileName("Record_0");
    return task;
}

constexpr const char* kPanelTitle = "Tunaro";
constexpr long kLastWatched = 49750000;
constexpr long kTaskChannel = 175250000;

// The size of the largest file in the directory (0 when it is empty).
long long LargestFileSize(const std::string& dir) {
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    long long largest = 0;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            const long long size = (static_cast<long long>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
            largest = size > largest ? size : largest;
        }
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return largest;
}

// A small drive of its own for a test: a tmpfs mounted on the Linux side and given a drive letter
// in the prefix; unmounted and its letter removed again however the test ends.
class SmallDrive {
public:
    SmallDrive(char letter, int megabytes) : m_letter(letter) {
        char prefix[MAX_PATH] = "";
        GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof prefix);
        m_mount = "/tmp/tunaro-small-drive-" + std::to_string(GetCurrentProcessId()) + "-" +
                  std::to_string(GetTickCount());
        m_link = std::string(prefix) + "/dosdevices/" + char(std::tolower(letter)) + ":";
        std::string output;
        m_mounted = prefix[0] != '\0' &&
                    mediacheck::RunShell(
                        "mkdir -p " + m_mount + " && mount -t tmpfs -o size=" + std::to_string(megabytes) +
                            "m tunaro-small " + m_mount + " && ln -sfn " + m_mount + " " + m_link,
                        &output) == 0;
        if (!m_mounted)
            std::printf("no small drive: %s\n", output.c_str());
    }
    ~SmallDrive() {
        std::string output;
        // Lazily: a file the programs still hold there (a test that failed half way) must not keep
        // the drive mounted.
        mediacheck::RunShell("rm -f " + m_link + "; umount -l " + m_mount + "; rmdir " + m_mount, &output);
    }
    SmallDrive(const SmallDrive&) = delete;
    SmallDrive& operator=(const SmallDrive&) = delete;
    bool Ready() const {
        ULARGE_INTEGER free = {};
        return m_mounted && GetDiskFreeSpaceExA(Root().c_str(), &free, nullptr, nullptr) && free.QuadPart > 0;
    }
    std::string Root() const { return std::string(1, m_letter) + ":\\"; }

private:
    char m_letter;
    std::string m_mount;
    std::string m_link;
    bool m_mounted = false;
};

class ScheduledRecordingRoad : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(e2e::WaitForWindowGone(kTitle, 5000)) << "a scheduler is still running";
        e2e::EndStrayPrograms("Tunaro.exe");
        ASSERT_TRUE(e2e::WaitForWindowGone(kPanelTitle, 5000)) << "a TV program is still running";
        InstallBuiltPrograms();
        ASSERT_TRUE(m_videoDir.Made());
        ASSERT_TRUE(e2e::WriteFile(ProgramTxtPath(), ProgramTxt({{"Harbour TV", kLastWatched, 1, true},
                                                                 {"Valley TV", 77250000, 2, true},
                                                                 {"Coast TV", kTaskChannel, 3, true}})));
        // The TV program was last on the first channel, from the tuner.
        ASSERT_TRUE(
            e2e::WriteFile(InstallFile("Tunaro.ini"),
                           "[VideoSource]\r\nSource=0\r\n[Channel]\r\nCurrentIndex=0\r\nPreChannelIndex=0\r\n"
                           "[Country]\r\niCode=0\r\n[RecordType]\r\nType=0\r\n[SavVideoPath]\r\nPath=" +
                               m_videoDir.Path() + "\r\n"));
    }
    void TearDown() override { e2e::EndStrayPrograms("Tunaro.exe"); }

    LanguageValue m_english{std::string("1033")};
    FileKeeper m_taskFile{TaskFilePath()};
    FileKeeper m_programTxt{ProgramTxtPath()};
    FileKeeper m_tunaroIni{InstallFile("Tunaro.ini")};
    FileKeeper m_simcard{e2e::SimCardPath()};
    FileKeeper m_history{InstallFile(tunaro::kTaskHistoryFileName)};
    e2e::ScratchDir m_videoDir{"scheduled-recording"};
};

TEST_F(ScheduledRecordingRoad, ARecordTaskOnTheTunerRecordsTheTasksChannel) {
    TaskRecord task = RecordTask("Coast news", LocalIn(4), 2);
    ASSERT_TRUE(e2e::WriteFile(TaskFilePath(), TaskFileBytes({task})));

    Scheduler scheduler;
    ASSERT_TRUE(scheduler.Start());
    // The scheduler starts the TV program itself when the task comes.
    ASSERT_NE(e2e::WaitForWindow(kPanelTitle, 40000), nullptr) << "the scheduler did not start Tunaro";
    ASSERT_TRUE(e2e::WaitUntil([&] { return LargestFileSize(m_videoDir.Path()) > 0; }, 40000))
        << "no recording was started";
    // While the recording grows, the card stays on the task's channel and the tuner input.
    const long long first = LargestFileSize(m_videoDir.Path());
    EXPECT_TRUE(e2e::WaitUntil([&] { return LargestFileSize(m_videoDir.Path()) > first; }, 15000))
        << "the recording does not grow";
    EXPECT_EQ(e2e::SimCardStateLong("Frequency"), kTaskChannel);
    EXPECT_EQ(e2e::SimCardState("VideoInput"), "Video Tuner");

    // The task still runs: both programs are ended rather than asked.
    e2e::EndStrayPrograms("Tunaro.exe");
    scheduler.Program().Kill();
}

// The computer was off when the task began: Schedule, started 45 s into the task, starts it at
// once, the TV program records the rest, and the history says what was recorded and how late.
// The scheduler's clock runs four times as fast; the TV program's waits and the margins below
// are real seconds, each four of the scheduler's.
TEST_F(ScheduledRecordingRoad, ATaskWhoseStartPassedWhileScheduleWasNotRunningRecordsTheRest) {
    DeleteFileA(InstallFile(tunaro::kTaskHistoryFileName).c_str());
    const FastTaskClock clock(4);
    const int real = clock.Rate();
    const tunaro::TaskDateTime start = clock.In(-45);
    // a two-minute task would already count as run out
    TaskRecord task = RecordTask("Late news", start, 3);
    ASSERT_TRUE(e2e::WriteFile(TaskFilePath(), TaskFileBytes({task})));
    const std::int64_t end = tunaro::TaskSerialSeconds(start) - start.second + 3 * 60 + 5;

    Scheduler scheduler;
    ASSERT_TRUE(scheduler.Start());
    ASSERT_NE(e2e::WaitForWindow(kPanelTitle, 40000), nullptr) << "the scheduler did not start Tunaro";
    ASSERT_TRUE(e2e::WaitUntil([&] { return LargestFileSize(m_videoDir.Path()) > 0; }, 40000))
        << "no recording was started";
    EXPECT_EQ(e2e::SimCardStateLong("Frequency"), kTaskChannel);

    // At the end the TV program stops, names the file, reports it and closes; the run's line is
    // in the history.
    const std::string historyPath = InstallFile(tunaro::kTaskHistoryFileName);
    const DWORD waitMs = clock.RealMs(end - clock.NowSerial()) + 40000;
    ASSERT_TRUE(
        e2e::WaitUntil([&] { return !tunaro::ReadTaskHistory(e2e::ReadFile(historyPath)).empty(); }, waitMs))
        << "no history line";
    ASSERT_TRUE(e2e::WaitForWindowGone(kPanelTitle, 20000)) << "Tunaro did not close after the task";
    const std::vector<tunaro::TaskHistoryEntry> history = tunaro::ReadTaskHistory(e2e::ReadFile(historyPath));
    ASSERT_EQ(history.size(), 1u);
    const tunaro::TaskHistoryEntry& run = history[0];
    EXPECT_EQ(run.name, "Late news");
    EXPECT_EQ(run.outcome, tunaro::TaskOutcome::Recorded);
    EXPECT_EQ(run.lateReason, tunaro::TaskRunReason::ComputerOff);
    // 45 s before Schedule came, and the TV program's start after it.
    EXPECT_GE(run.lateSeconds, 45);
    EXPECT_LE(run.lateSeconds, 45 + 25 * real);
    EXPECT_GE(tunaro::TaskSerialSeconds(run.when), end) << "written before the task's end";
    EXPECT_LE(tunaro::TaskSerialSeconds(run.when), end + 15 * real) << "not written at the task's end";
    // The file the TV program named, there in the video directory, about as long as the run.
    ASSERT_FALSE(run.file.empty()) << "the TV program's report did not reach the history";
    EXPECT_TRUE(e2e::FileExists(m_videoDir.File(run.file))) << run.file;
    const std::int64_t ran = end - tunaro::TaskSerialSeconds(start) - run.lateSeconds;
    EXPECT_GE(run.lengthSeconds, ran - 15 * real);
    EXPECT_LE(run.lengthSeconds, ran + 5 * real);
    EXPECT_NE(tunaro::TaskHistoryOutcomeText(run, false).find("Started late by"), std::string::npos);
    scheduler.Program().Kill();
}

// Two Record tasks back to back, the second starting at the minute the first ends: the wizard's
// rule lets both be planned, the TV program stays up between them, both files are there and the
// second recording began at most ten seconds after the first one stopped. The scheduler's clock
// runs four times as fast; the margins are real seconds, each four of the scheduler's.
TEST_F(ScheduledRecordingRoad, BackToBackTasksRecordBothWithAtMostTenSecondsBetween) {
    DeleteFileA(InstallFile(tunaro::kTaskHistoryFileName).c_str());
    const FastTaskClock clock(4);
    const int real = clock.Rate();
    const tunaro::TaskDateTime firstStart = clock.In(25);
    const TaskRecord first = RecordTask("First half", firstStart, 2, 1);
    const std::int64_t secondStart = tunaro::TaskSerialSeconds(firstStart) - firstStart.second + 2 * 60;
    const TaskRecord second = RecordTask("Second half", tunaro::TaskDateTimeFromSerial(secondStart), 2, 2);
    tunaro::TaskList planned;
    planned.Add(first);
    EXPECT_FALSE(planned.Conflicts(second)) << "the wizard would refuse the second task";
    ASSERT_TRUE(e2e::WriteFile(TaskFilePath(), TaskFileBytes({first, second})));

    Scheduler scheduler;
    ASSERT_TRUE(scheduler.Start());
    ASSERT_NE(e2e::WaitForWindow(kPanelTitle, 60000), nullptr) << "the scheduler did not start Tunaro";
    const std::string historyPath = InstallFile(tunaro::kTaskHistoryFileName);
    const DWORD waitMs = clock.RealMs(secondStart + 2 * 60 + 5 - clock.NowSerial()) + 40000;
    ASSERT_TRUE(e2e::WaitUntil(
        [&] { return tunaro::ReadTaskHistory(e2e::ReadFile(historyPath)).size() >= 2; }, waitMs))
        << "the history holds " << tunaro::ReadTaskHistory(e2e::ReadFile(historyPath)).size()
        << " of two runs";
    ASSERT_TRUE(e2e::WaitForWindowGone(kPanelTitle, 20000)) << "Tunaro did not close after the second task";
    const std::vector<tunaro::TaskHistoryEntry> history = tunaro::ReadTaskHistory(e2e::ReadFile(historyPath));
    ASSERT_EQ(history.size(), 2u);
    const tunaro::TaskHistoryEntry& a = history[1];
    const tunaro::TaskHistoryEntry& b = history[0];
    EXPECT_EQ(a.name, "First half");
    EXPECT_EQ(b.name, "Second half");
    for (const tunaro::TaskHistoryEntry* run : {&a, &b}) {
        EXPECT_EQ(run->outcome, tunaro::TaskOutcome::Recorded) << run->name;
        ASSERT_FALSE(run->file.empty()) << run->name << ": no report of its recording";
        EXPECT_TRUE(e2e::FileExists(m_videoDir.File(run->file))) << run->file;
        EXPECT_GT(run->lengthSeconds, 30) << run->name;
    }
    EXPECT_NE(a.file, b.file);
    EXPECT_LE(b.lateSeconds, 10 * real) << "the second task was late";
    const std::int64_t gap = tunaro::TaskSerialSeconds(b.start) - tunaro::TaskSerialSeconds(a.end);
    EXPECT_GE(gap, -1 * real);
    EXPECT_LE(gap, 10 * real) << "seconds between the two recordings";
    scheduler.Program().Kill();
}

// The TV program is killed in the middle of a recording: the scheduler starts it again within
// ten seconds and it records the rest into a second file named after the first; the first one,
// finished at that start, plays for as long as it was recorded, and the history keeps both parts.
TEST_F(ScheduledRecordingRoad, ATvProgramKilledWhileRecordingIsStartedAgainAndRecordsTheRest) {
    DeleteFileA(InstallFile(tunaro::kTaskHistoryFileName).c_str());
    const FastTaskClock clock(3);
    const int real = clock.Rate();
    TaskRecord task = RecordTask("Night film", clock.In(6), 2);
    ASSERT_TRUE(e2e::WriteFile(TaskFilePath(), TaskFileBytes({task})));
    const std::int64_t end = tunaro::TaskSerialSeconds(task.Start()) - task.second + 2 * 60 + 5;

    Scheduler scheduler;
    ASSERT_TRUE(scheduler.Start());
    ASSERT_NE(e2e::WaitForWindow(kPanelTitle, 40000), nullptr) << "the scheduler did not start Tunaro";
    ASSERT_TRUE(e2e::WaitUntil([&] { return LargestFileSize(m_videoDir.Path()) > 0; }, 40000))
        << "no recording was started";
    const DWORD recordingSince = GetTickCount();
    Sleep(6000);
    ASSERT_EQ(e2e::EndStrayPrograms("Tunaro.exe"), 1);
    const DWORD killedAt = GetTickCount();
    const double recordedBeforeKill = (killedAt - recordingSince) / 1000.0;

    ASSERT_NE(e2e::WaitForWindow(kPanelTitle, 10000), nullptr) << "Tunaro was not started again within 10 s";
    const std::string historyPath = InstallFile(tunaro::kTaskHistoryFileName);
    const DWORD waitMs = clock.RealMs(end - clock.NowSerial()) + 40000;
    ASSERT_TRUE(e2e::WaitUntil(
        [&] { return tunaro::ReadTaskHistory(e2e::ReadFile(historyPath)).size() >= 2; }, waitMs))
        << "the history holds " << tunaro::ReadTaskHistory(e2e::ReadFile(historyPath)).size()
        << " of two parts";
    ASSERT_TRUE(e2e::WaitForWindowGone(kPanelTitle, 20000)) << "Tunaro did not close after the task";
    const std::vector<tunaro::TaskHistoryEntry> history = tunaro::ReadTaskHistory(e2e::ReadFile(historyPath));
    ASSERT_EQ(history.size(), 2u);
    const tunaro::TaskHistoryEntry& before = history[1];
    const tunaro::TaskHistoryEntry& rest = history[0];
    EXPECT_EQ(before.outcome, tunaro::TaskOutcome::CutShort);
    EXPECT_EQ(before.reason, tunaro::TaskRunReason::TvEnded);
    EXPECT_EQ(rest.outcome, tunaro::TaskOutcome::Recorded);
    ASSERT_FALSE(before.file.empty()) << "the restarted TV program did not report the first part";
    ASSERT_FALSE(rest.file.empty());
    EXPECT_EQ(rest.file, before.file.substr(0, before.file.size() - 4) + "-2.mpg");
    EXPECT_TRUE(e2e::FileExists(m_videoDir.File(rest.file))) << rest.file;

    // The first part plays for as long as it was recorded.
    const std::string first = m_videoDir.File(before.file);
    ASSERT_TRUE(e2e::FileExists(first)) << first;
    if (mediacheck::Available()) {
        auto probe = mediacheck::Probe(first);
        ASSERT_FALSE(probe.empty()) << "ffprobe cannot read " << first;
        EXPECT_NEAR(std::atof(probe["format.duration"].c_str()), recordedBeforeKill, 2.0);
    }
    EXPECT_NEAR(before.lengthSeconds, recordedBeforeKill * real, 2.0 * real);
    scheduler.Program().Kill();
}

// The disk fills up while a task records: the recording ends cleanly, Tunaro stays up and shows
// why, reports it, the history says "disk full", the file plays up to what was written, and the
// channel list and the settings beside the program are intact.
TEST_F(ScheduledRecordingRoad, TheDiskFillingUpEndsTheRecordingCleanlyAndTheHistorySaysSo) {
    SmallDrive drive('R', 1);
    ASSERT_TRUE(drive.Ready()) << "no small drive could be made for the test";
    DeleteFileA(InstallFile(tunaro::kTaskHistoryFileName).c_str());
    ASSERT_TRUE(
        e2e::WriteFile(InstallFile("Tunaro.ini"),
                       "[VideoSource]\r\nSource=0\r\n[Channel]\r\nCurrentIndex=0\r\nPreChannelIndex=0\r\n"
                       "[Country]\r\niCode=0\r\n[RecordType]\r\nType=0\r\n[SavVideoPath]\r\nPath=" +
                           drive.Root() + "\r\n"));
    const std::string channels = e2e::ReadFile(ProgramTxtPath());
    const FastTaskClock clock(4);
    TaskRecord task = RecordTask("Long film", clock.In(6), 10);
    ASSERT_TRUE(e2e::WriteFile(TaskFilePath(), TaskFileBytes({task})));

    Scheduler scheduler;
    ASSERT_TRUE(scheduler.Start());
    HWND panel = e2e::WaitForWindow(kPanelTitle, 40000);
    ASSERT_NE(panel, nullptr) << "the scheduler did not start Tunaro";
    const std::string historyPath = InstallFile(tunaro::kTaskHistoryFileName);
    ASSERT_TRUE(
        e2e::WaitUntil([&] { return !tunaro::ReadTaskHistory(e2e::ReadFile(historyPath)).empty(); }, 60000))
        << "the recording did not end when the disk was full (" << LargestFileSize(drive.Root())
        << " bytes written)";
    const std::vector<tunaro::TaskHistoryEntry> history = tunaro::ReadTaskHistory(e2e::ReadFile(historyPath));
    ASSERT_EQ(history.size(), 1u);
    const tunaro::TaskHistoryEntry& run = history[0];
    EXPECT_EQ(run.outcome, tunaro::TaskOutcome::CutShort);
    EXPECT_EQ(run.reason, tunaro::TaskRunReason::DiskFull);
    EXPECT_NE(tunaro::TaskHistoryOutcomeText(run, false).find("the disk is full"), std::string::npos);
    ASSERT_FALSE(run.file.empty()) << "Tunaro did not report the recording";

    // Tunaro is still there, idle, saying why.
    ASSERT_TRUE(IsWindow(panel)) << "Tunaro went away";
    EXPECT_TRUE(e2e::WaitUntil(
        [&] { return e2e::ControlText(panel, 1069) == "Recording stopped: the disk is full"; }, 5000))
        << e2e::ControlText(panel, 1069);
    // The file plays up to what reached the disk.
    const std::string file = drive.Root() + run.file;
    ASSERT_TRUE(e2e::FileExists(file)) << file;
    if (mediacheck::Available()) {
        auto probe = mediacheck::Probe(file);
        ASSERT_FALSE(probe.empty()) << "ffprobe cannot read " << file;
        const double seconds = std::atof(probe["format.duration"].c_str());
        // Seconds of pictures and sound, no more than were recorded.
        EXPECT_GT(seconds, 2.0);
        EXPECT_LE(seconds * clock.Rate(), run.lengthSeconds + clock.Rate());
    }
    EXPECT_EQ(e2e::ReadFile(ProgramTxtPath()), channels) << "the channel list changed";
    EXPECT_NE(e2e::ReadFile(InstallFile("Tunaro.ini")).find("Path=" + drive.Root()), std::string::npos);
    e2e::EndStrayPrograms("Tunaro.exe");
    scheduler.Program().Kill();
}

// The card goes away while a task records (its removal told to every window, as the system does):
// the recording ends playable, Tunaro stays up saying why, and the history says so.
TEST_F(ScheduledRecordingRoad, TheCardGoingAwayEndsTheRecordingPlayableAndTheHistorySaysSo) {
    DeleteFileA(InstallFile(tunaro::kTaskHistoryFileName).c_str());
    const FastTaskClock clock(4);
    TaskRecord task = RecordTask("Card film", clock.In(6), 10);
    ASSERT_TRUE(e2e::WriteFile(TaskFilePath(), TaskFileBytes({task})));

    Scheduler scheduler;
    ASSERT_TRUE(scheduler.Start());
    HWND panel = e2e::WaitForWindow(kPanelTitle, 40000);
    ASSERT_NE(panel, nullptr) << "the scheduler did not start Tunaro";
    ASSERT_TRUE(e2e::WaitUntil([&] { return LargestFileSize(m_videoDir.Path()) > 200000; }, 40000))
        << "no recording was started";
    e2e::Program irsend;
    ASSERT_TRUE(irsend.Start(e2e::SystemDir() + "\\irsend.exe", "--remove"));
    DWORD code = 1;
    ASSERT_TRUE(irsend.WaitForExit(20000, &code));
    EXPECT_EQ(code, 0u);

    const std::string historyPath = InstallFile(tunaro::kTaskHistoryFileName);
    ASSERT_TRUE(
        e2e::WaitUntil([&] { return !tunaro::ReadTaskHistory(e2e::ReadFile(historyPath)).empty(); }, 20000))
        << "the recording did not end when the card went away";
    const std::vector<tunaro::TaskHistoryEntry> history = tunaro::ReadTaskHistory(e2e::ReadFile(historyPath));
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(history[0].outcome, tunaro::TaskOutcome::CutShort);
    EXPECT_EQ(history[0].reason, tunaro::TaskRunReason::CardRemoved);
    ASSERT_FALSE(history[0].file.empty());
    ASSERT_TRUE(IsWindow(panel)) << "Tunaro went away";
    EXPECT_TRUE(e2e::WaitUntil(
        [&] { return e2e::ControlText(panel, 1069) == "Recording stopped: the card was removed"; }, 5000))
        << e2e::ControlText(panel, 1069);
    const std::string file = m_videoDir.File(history[0].file);
    ASSERT_TRUE(e2e::FileExists(file)) << file;
    if (mediacheck::Available()) {
        auto probe = mediacheck::Probe(file);
        ASSERT_FALSE(probe.empty()) << "ffprobe cannot read " << file;
        EXPECT_GT(std::atof(probe["format.duration"].c_str()), 1.0);
    }
    e2e::EndStrayPrograms("Tunaro.exe");
    scheduler.Program().Kill();
}

} // namespace
