// A Record task of the installed Schedule.exe carried out by the real Tunaro.exe on the simulated
// card: the scheduler's own task file and timer start the TV program at the task's time, and while
// the recording runs the card is tuned to the task's channel, not the one the TV program last
// showed.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tests/support/e2e.h"
#include "tests/schedule/app/schedule_driver.h"

namespace {

using namespace schedule_e2e;
using tunaro::TaskRecord;

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
        ASSERT_TRUE(e2e::WriteFile(InstallFile("Tunaro.ini"),
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
    e2e::ScratchDir m_videoDir{"scheduled-recording"};
};

TEST_F(ScheduledRecordingRoad, ARecordTaskOnTheTunerRecordsTheTasksChannel) {
    TaskRecord task = TaskRecord::MakeNew();
    task.SetName("Coast news");
    task.mode = tunaro::kTaskModeRecord;
    task.SetStart(LocalIn(4));
    task.duration = 2;
    task.afterFinish = tunaro::kAfterFinishCloseTv;
    task.videoInput = tunaro::kInputTuner;
    task.channel = 2;
    task.recordFormat = 0;
    task.SetRecordFileName("Record_0");
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

} // namespace
