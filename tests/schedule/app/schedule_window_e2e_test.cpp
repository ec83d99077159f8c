// End-to-end tests of the scheduler window with the installed Schedule.exe: it starts in the
// tray as the only copy, lists the task file's tasks in either language, comes up from the tray,
// deletes tasks and leaves by its tray menu.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/e2e.h"
#include "schedule/task_history.h"
#include "schedule/task_time.h"
#include "tests/schedule/app/schedule_driver.h"

namespace {

using namespace schedule_e2e;
using tunaro::TaskDateTime;
using tunaro::TaskRecord;

constexpr int kColumns = 6;

TaskRecord MakeTask(const char* name, std::int16_t mode, const TaskDateTime& start, int duration,
                    std::int32_t status) {
    TaskRecord task = TaskRecord::MakeNew();
    task.SetName(name);
    task.mode = mode;
    task.SetStart(start);
    task.duration = duration;
    task.status = status;
    task.afterFinish = tunaro::kAfterFinishContinue;
    task.SetRecordFileName(mode == tunaro::kTaskModeRecord ? "Record_0" : "");
    return task;
}

TaskDateTime Date(int year, int month, int day, int hour, int minute) {
    TaskDateTime t;
    t.year = year;
    t.month = month;
    t.day = day;
    t.hour = hour;
    t.minute = minute;
    return t;
}

std::string StartText(const TaskDateTime& t) {
    char text[32];
    std::snprintf(text, sizeof(text), "%04d/%02d/%02d %02d:%02d", t.year, t.month, t.day, t.hour, t.minute);
    return text;
}

class ScheduleWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(e2e::WaitForWindowGone(kTitle, 5000)) << "a scheduler is still running";
        InstallBuiltPrograms();
        ASSERT_TRUE(e2e::WriteFile(ProgramTxtPath(), ProgramTxt({{"Harbour TV", 49750000, 1, true},
                                                                 {"Lotus Channel", 77250000, 2, false},
                                                                 {"Summit News", 168250000, 3, true},
                                                                 {"Alpine One", 175250000, 4, true}})));
    }

    // Five tasks of every kind; returned in the order the list shows them.
    std::vector<TaskRecord> WriteMixedTasks() {
        const TaskDateTime inEightDays = LocalIn(8 * 86400);
        TaskRecord news = MakeTask("Evening news", tunaro::kTaskModeRecord,
                                   Date(inEightDays.year, inEightDays.month, inEightDays.day, 20, 0), 45,
                                   tunaro::kTaskReady);
        news.channel = 2;
        TaskRecord morning =
            MakeTask("Morning show", tunaro::kTaskModeWatch, LocalIn(-30 * 86400), 30, tunaro::kTaskFinished);
        morning.hour = 7;
        morning.minute = 30;
        morning.repeat = tunaro::kRepeatWeekly | tunaro::RepeatDayBit(2) | tunaro::RepeatDayBit(4);
        TaskRecord oldOne = MakeTask("Old composite", tunaro::kTaskModeRecord, Date(2020, 1, 1, 10, 0), 60,
                                     tunaro::kTaskFinished);
        oldOne.videoInput = tunaro::kInputComposite;
        TaskRecord missed =
            MakeTask("Missed film", tunaro::kTaskModeRecord, LocalIn(-2 * 86400), 90, tunaro::kTaskReady);
        TaskRecord camera =
            MakeTask("A very long task name that does not fit its column at all", tunaro::kTaskModeRecord,
                     Date(2030, 6, 15, 23, 5), 600, tunaro::kTaskReady);
        camera.videoInput = tunaro::kInputSVideo;
        // Stored out of order: the scheduler sorts by start.
        EXPECT_TRUE(e2e::WriteFile(TaskFilePath(), TaskFileBytes({camera, news, morning, oldOne, missed})));
        return {oldOne, missed, morning, news, camera};
    }

    FileKeeper m_taskFile{TaskFilePath()};
    FileKeeper m_programTxt{ProgramTxtPath()};
    FileKeeper m_tunaroIni{InstallFile("Tunaro.ini")};
    FileKeeper m_history{InstallFile(tunaro::kTaskHistoryFileName)};
};

TEST_F(ScheduleWindow, StartsInTheTrayAsTheOnlyCopyAndListsTheTasks) {
    LanguageValue english(std::string("1033"));
    const std::vector<TaskRecord> tasks = WriteMixedTasks();
    const std::string fileBefore = e2e::ReadFile(TaskFilePath());

    Scheduler scheduler;
    ASSERT_TRUE(scheduler.Start());
    HWND window = scheduler.Window();
    EXPECT_EQ(e2e::WindowText(window), "Schedule");
    // In the tray: minimised and hidden.
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_TRUE(IsIconic(window));

    EXPECT_EQ(ListColumnTitles(scheduler.List(), kColumns),
              (std::vector<std::string>{"Name", "Mode", "Channel", "Start Time", "Duration", "Status"}));
    const auto rows = ListRows(scheduler.List(), kColumns);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"Old composite", "Record", "Composite", "2020/01/01 10:00",
                                                 "60 mins", "Finished"}));
    // Read as Ready, its time long gone: Expired when loaded.
    EXPECT_EQ(rows[1], (std::vector<std::string>{"Missed film", "Record", "Harbour TV",
                                                 StartText(tasks[1].Start()), "90 mins", "Expired"}));
    // Weekly: shown by its time of day, and Ready again in every run.
    EXPECT_EQ(rows[2], (std::vector<std::string>{"Morning show", "Watch", "Harbour TV", "(week)07:30",
                                                 "30 mins", "Ready"}));
    // Channel 2 of the whole list, whether or not the channel before it is active.
    EXPECT_EQ(rows[3], (std::vector<std::string>{"Evening news", "Record", "Summit News",
                                                 StartText(tasks[3].Start()), "45 mins", "Ready"}));
    EXPECT_EQ(rows[4],
              (std::vector<std::string>{"A very long task name that does not fit its column at all", "Record",
                                        "S-VIDEO", "2030/06/15 23:05", "600 mins", "Ready"}));

    // A second copy ends at once and shows nothing.
    e2e::Program second;
    ASSERT_TRUE(second.Start(InstallFile("Schedule.exe"), "", e2e::InstallDir()));
    EXPECT_TRUE(second.WaitForExit(10000));
    EXPECT_TRUE(e2e::ProcessWindows(second.Pid()).empty());

    // Up from the tray: shown, centred on the screen, with its buttons.
    scheduler.Restore();
    EXPECT_TRUE(IsWindowVisible(window));
    RECT rc = {};
    GetWindowRect(window, &rc);
    RECT work = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR((rc.left + rc.right) / 2, (work.left + work.right) / 2, 2);
    EXPECT_NEAR((rc.top + rc.bottom) / 2, (work.top + work.bottom) / 2, 2);
    EXPECT_EQ(e2e::ControlText(window, 1001), "&New");
    EXPECT_EQ(e2e::ControlText(window, 1002), "&Modify");
    EXPECT_EQ(e2e::ControlText(window, 1003), "&Delete");
    EXPECT_EQ(e2e::ControlText(window, IDCANCEL), "&Ok");

    // Ok sends it back to the tray; the program stays.
    e2e::ClickControl(window, IDCANCEL);
    EXPECT_TRUE(e2e::WaitUntil([&] { return !IsWindowVisible(window) && IsIconic(window); }, 5000));
    EXPECT_TRUE(scheduler.Program().Running());

    // Showing the list wrote nothing: the weekly task's Ready lives in memory only.
    EXPECT_TRUE(scheduler.Exit());
    EXPECT_EQ(e2e::ReadFile(TaskFilePath()), fileBefore);
}

TEST_F(ScheduleWindow, ChineseModeShowsTheChineseTexts) {
    LanguageValue chinese(std::string("2052"));
    WriteMixedTasks();
    Scheduler scheduler;
    ASSERT_TRUE(scheduler.Start());
    EXPECT_EQ(e2e::WindowText(scheduler.Window()), "Schedule");
    EXPECT_EQ(ListColumnTitles(scheduler.List(), kColumns),
              (std::vector<std::string>{"任务名称", "模式", "频道", "开始时间", "时长", "状态"}));
    const auto rows = ListRows(scheduler.List(), kColumns);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0][1], "录像");
    EXPECT_EQ(rows[0][2], "复合视频");
    EXPECT_EQ(rows[0][4], "60 分钟");
    EXPECT_EQ(rows[0][5], "已完成");
    EXPECT_EQ(rows[1][5], "已过期");
    EXPECT_EQ(rows[2][1], "观看");
    EXPECT_EQ(rows[2][3], "(每周)07:30");
    EXPECT_EQ(rows[2][5], "就绪");
    EXPECT_EQ(e2e::ControlText(scheduler.Window(), 1001), "新建(&N)");
    EXPECT_EQ(e2e::ControlText(scheduler.Window(), IDCANCEL), "确定(&O)");
    EXPECT_EQ(e2e::ControlText(scheduler.Window(), 1005), "历史记录(&H)");
    EXPECT_TRUE(scheduler.Exit());
}

TEST_F(ScheduleWindow, ModifyAndDeleteAskForASelectionAndDeleteRemovesTheTaskFromTheFile) {
    LanguageValue english(std::string("1033"));
    const std::vector<TaskRecord> tasks = WriteMixedTasks();
    Scheduler scheduler;
    ASSERT_TRUE(scheduler.Start());
    e2e::MessageBoxWatcher boxes(scheduler.Pid());
    scheduler.Restore();

    SelectListRow(scheduler.List(), -1);
    e2e::ClickControl(scheduler.Window(), 1002);
    e2e::ClickControl(scheduler.Window(), 1003);
    ASSERT_TRUE(e2e::WaitUntil([&] { return boxes.Seen().size() >= 2; }, 10000));
    for (const auto& box : boxes.Seen()) {
        EXPECT_EQ(box.caption, "Prompt");
        EXPECT_EQ(box.text, "No item is selected");
    }
    EXPECT_EQ(ListRows(scheduler.List(), kColumns).size(), 5u);

    // Delete the weekly task (row 2); the watcher answers the question with OK.
    SelectListRow(scheduler.List(), 2);
    e2e::ClickControl(scheduler.Window(), 1003);
    ASSERT_TRUE(e2e::WaitUntil([&] { return boxes.Seen().size() >= 3; }, 10000));
    EXPECT_EQ(boxes.Seen()[2].text, "Are you sure delete the task?");
    EXPECT_EQ(boxes.Seen()[2].caption, "Prompt");
    const auto rows = ListRows(scheduler.List(), kColumns);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[2][0], "Evening news");

    // The file holds the four others in list order, as they were loaded (the missed film is
    // Expired now; the weekly task's date moved to its next run only in memory and is gone).
    const std::vector<TaskRecord> file = ReadTaskFile();
    ASSERT_EQ(file.size(), 4u);
    TaskRecord missed = tasks[1];
    missed.status = tunaro::kTaskExpired;
    const std::vector<TaskRecord> expected = {tasks[0], missed, tasks[3], tasks[4]};
    for (std::size_t i = 0; i < file.size(); ++i) {
        EXPECT_EQ(std::memcmp(&file[i], &expected[i], sizeof(TaskRecord)), 0) << i;
    }
    EXPECT_TRUE(scheduler.Exit());
}

// Commands from another program while the task wizard is open: Hide and Cancel must not take
// the window, and the wizard it owns, out of sight, a second New or Delete must not stack a
// dialog on it, and Exit closes the wizard and still ends the program.
TEST_F(ScheduleWindow, CommandsWhileTheWizardIsOpenLeaveItShownAndExitStillEndsTheProgram) {
    LanguageValue english(std::string("1033"));
    WriteMixedTasks();
    Scheduler scheduler;
    ASSERT_TRUE(scheduler.Start());
    scheduler.Restore();
    const DWORD pid = scheduler.Pid();
    const auto openDialogs = [pid, &scheduler] {
        int count = 0;
        for (HWND hwnd = GetTopWindow(nullptr); hwnd; hwnd = GetWindow(hwnd, GW_HWNDNEXT)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            char cls[16] = "";
            GetClassNameA(hwnd, cls, sizeof cls);
            if (owner == pid && hwnd != scheduler.Window() && std::strcmp(cls, "#32770") == 0 &&
                IsWindowVisible(hwnd))
                ++count;
        }
        return count;
    };

    e2e::PostCommand(scheduler.Window(), 1001);
    ASSERT_TRUE(e2e::WaitUntil([&] { return openDialogs() == 1; }, 10000)) << "the wizard did not open";
    for (WORD id : {1004, IDCANCEL, 1001, 1002, 1003})
        e2e::PostCommand(scheduler.Window(), id);
    Sleep(1500);
    EXPECT_EQ(openDialogs(), 1) << "the wizard was hidden or another dialog opened on it";
    EXPECT_TRUE(IsWindowVisible(scheduler.Window()));
    EXPECT_FALSE(IsIconic(scheduler.Window()));
    EXPECT_TRUE(scheduler.Exit(15000)) << "Exit did not end the scheduler while its wizard was open";
    // Nothing was added by the cancelled wizard.
    EXPECT_EQ(ReadTaskFile().size(), 5u);
}

// The history view, from the window's button and from the tray menu: every run the history file
// holds, newest first, in the view's four columns.
TEST_F(ScheduleWindow, TheHistoryViewShowsEveryRunNewestFirstFromTheWindowAndTheTray) {
    LanguageValue english(std::string("1033"));
    const std::string historyPath = InstallFile(tunaro::kTaskHistoryFileName);
    DeleteFileA(historyPath.c_str());
    tunaro::TaskHistoryEntry recorded;
    recorded.when = LocalIn(-3600);
    recorded.name = "Evening news";
    recorded.channel = 2; // a position in the whole list: "Summit News"
    recorded.outcome = tunaro::TaskOutcome::Recorded;
    recorded.file = "news.mpg";
    recorded.start = LocalIn(-5400);
    recorded.end = recorded.when;
    recorded.lengthSeconds = 1800;
    tunaro::TaskHistoryEntry missed;
    missed.when = LocalIn(-60);
    missed.name = "Late film";
    missed.channel = 9; // no such channel any more: its number is shown
    missed.outcome = tunaro::TaskOutcome::Missed;
    missed.reason = tunaro::TaskRunReason::DiskFull;
    ASSERT_TRUE(tunaro::AppendTaskHistory(historyPath, recorded));
    ASSERT_TRUE(tunaro::AppendTaskHistory(historyPath, missed));

    Scheduler scheduler;
    ASSERT_TRUE(scheduler.Start());
    scheduler.Restore();
    EXPECT_EQ(e2e::ControlText(scheduler.Window(), 1005), "&History");
    e2e::ClickControl(scheduler.Window(), 1005);
    HWND view = e2e::WaitForWindow("History");
    ASSERT_NE(view, nullptr) << "the History button opened no view";
    EXPECT_EQ(ListColumnTitles(GetDlgItem(view, 1000), 4),
              (std::vector<std::string>{"Time", "Task", "Channel", "Outcome"}));
    const auto rows = ListRows(GetDlgItem(view, 1000), 4);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{tunaro::TaskHistoryWhenText(missed), "Late film", "9",
                                                 "Missed: the disk is full"}));
    EXPECT_EQ(rows[1][1], "Evening news");
    EXPECT_EQ(rows[1][2], "Summit News");
    EXPECT_EQ(rows[1][3], tunaro::TaskHistoryOutcomeText(recorded, false));
    e2e::ClickControl(view, IDOK);
    ASSERT_TRUE(e2e::WaitForWindowGone("History", 5000));

    // From the tray menu, with the window in the tray.
    PostMessageA(scheduler.Window(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(e2e::WaitUntil([&] { return !IsWindowVisible(scheduler.Window()); }, 5000));
    e2e::PostCommand(scheduler.Window(), 32773);
    view = e2e::WaitForWindow("History");
    ASSERT_NE(view, nullptr) << "the tray menu's History opened no view";
    EXPECT_EQ(ListRows(GetDlgItem(view, 1000), 4).size(), 2u);
    e2e::ClickControl(view, IDOK);
    ASSERT_TRUE(e2e::WaitForWindowGone("History", 5000));
    EXPECT_TRUE(scheduler.Exit());
}

} // namespace
