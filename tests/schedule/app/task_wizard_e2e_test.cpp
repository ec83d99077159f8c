// End-to-end tests of the task wizard in the installed Schedule.exe, in English and in Chinese:
// every page driven through its controls (texts, proposals, checks and their messages, the
// pages a Record and a Watch task pass, Back), the task file compared byte by byte with the task
// the pages describe, the list's rows, the conflict test and a modification that keeps a weekly
// task's days.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "tests/support/e2e.h"
#include "schedule/task_time.h"
#include "tests/schedule/app/schedule_driver.h"

namespace {

using namespace schedule_e2e;
using tunaro::TaskDateTime;
using tunaro::TaskRecord;

constexpr int kColumns = 6;
const int kDayBoxes[7] = {1025, 1026, 1012, 1013, 1014, 1015, 1016}; // Sunday .. Saturday

// What a user sees, in one language.
struct Texts {
    const char* language;
    const char* caption;
    std::vector<std::string> taskLabels; // 1040..1045
    std::vector<std::string> modes;
    std::vector<std::string> inputs;
    const char* nameMissing;
    const char* durationWrong;
    const char* formatLabel;
    const char* badFileChars;
    const char* fileMissing;
    std::vector<std::string> repeatChoices; // Only once, Every week, Only day
    std::vector<std::string> days;          // Sunday .. Saturday
    std::vector<std::string> afterChoices;  // 1008..1010
    const char* finishText;
    const char* finishButton;
    const char* conflict;
    const char* prompt;
    const char* record;
    const char* watch;
    const char* minutes;
    const char* ready;
    const char* week;
};

const Texts kEnglish = {
    "1033",
    "Add Task",
    {"Task name:", "Mode", "Video input:", "Channel:", "Dul time:", "Minutes:"},
    {"Record", "Watch TV"},
    {"TV", "Composite", "S-VIDEO"},
    "Task name may not be null",
    "Task Duration cannot more than 10 hours or less than 2 minutes",
    "Record format",
    "A file name cannot contain any of these characters: \\ / : * ? \" < > |",
    "Record file name may not be null",
    {"Only once", "Every week", "Only day"},
    {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"},
    {"Auto Shutdown", "Exit app", "Continue"},
    " This task  has been added, Thanks!",
    "Finish",
    "Time of new task is conflict to others.\nPlease check others and reinput.",
    "Prompt",
    "Record",
    "Watch",
    " mins",
    "Ready",
    "(week)",
};

const Texts kChinese = {
    "2052",
    "添加任务",
    {"任务名称：", "模式", "视频输入：", "频道：", "持续时间：", "分钟"},
    {"录像", "看电视"},
    {"电视", "复合视频", "S-VIDEO"},
    "任务名称不能为空",
    "任务时长不能超过10小时或少于2分钟",
    "录像格式",
    "文件名不能包含下列任何字符：\\ / : * ? \" < > |",
    "录像文件名不能为空",
    {"仅一次", "每周", "每天"},
    {"星期日", "星期一", "星期二", "星期三", "星期四", "星期五", "星期六"},
    {"自动关机", "退出程序", "继续"},
    " 任务已添加，谢谢！",
    "完成",
    "新任务的时间与其他任务冲突。\n请检查其他任务后重新输入。",
    "提示",
    "录像",
    "观看",
    " 分钟",
    "就绪",
    "(每周)",
};

SYSTEMTIME ToSystemTime(const TaskDateTime& t) {
    SYSTEMTIME st = {};
    st.wYear = WORD(t.year);
    st.wMonth = WORD(t.month);
    st.wDay = WORD(t.day);
    st.wDayOfWeek = WORD(tunaro::TaskWeekday(t.year, t.month, t.day) - 1);
    st.wHour = WORD(t.hour);
    st.wMinute = WORD(t.minute);
    st.wSecond = WORD(t.second);
    return st;
}

std::string Proposal(const TaskDateTime& now) {
    const int hour = now.minute < 30 ? now.hour : (now.hour + 1) % 24;
    const int minute = now.minute < 30 ? 30 : 0;
    char text[40];
    std::snprintf(text, sizeof(text), "ST_%04d%02d%02d_%02d%02d", now.year, now.month, now.day, hour, minute);
    return text;
}

std::string TwoDigits(int a, int b) {
    char text[16];
    std::snprintf(text, sizeof(text), "%02d:%02d", a, b);
    return text;
}

class TaskWizardPages : public ::testing::TestWithParam<const Texts*> {
protected:
    void SetUp() override {
        ASSERT_TRUE(e2e::WaitForWindowGone(kTitle, 5000)) << "a scheduler is still running";
        InstallBuiltPrograms();
        ASSERT_TRUE(e2e::WriteFile(ProgramTxtPath(), ProgramTxt({{"Harbour TV", 49750000, 1, true},
                                                                 {"Lotus Channel", 77250000, 2, false},
                                                                 {"Summit News", 168250000, 3, true}})));
        DeleteFileA(TaskFilePath().c_str());
        DeleteFileA(InstallFile("Tunaro.ini").c_str());
        ASSERT_TRUE(LanguageValue::Set(std::string(GetParam()->language)));
    }

    // The page on show once it has a control of this id.
    HWND PageWith(HWND wizard, int id) {
        HWND page = nullptr;
        e2e::WaitUntil(
            [&] {
                page = CurrentPage(wizard);
                return page != nullptr && GetDlgItem(page, id) != nullptr && IsWindowVisible(page);
            },
            5000);
        return page != nullptr && GetDlgItem(page, id) != nullptr ? page : nullptr;
    }

    // Presses Next and expects a message box with this text (caption "Schedule") and the page
    // to stay.
    void ExpectRefused(e2e::MessageBoxWatcher& boxes, HWND wizard, HWND page, const char* text) {
        const std::size_t seen = boxes.Seen().size();
        ASSERT_TRUE(PressWizardButton(wizard, kNextButton));
        ASSERT_TRUE(e2e::WaitUntil([&] { return boxes.Seen().size() > seen; }, 10000)) << text;
        EXPECT_EQ(boxes.Seen().back().text, text);
        EXPECT_EQ(boxes.Seen().back().caption, "Schedule");
        EXPECT_EQ(CurrentPage(wizard), page);
    }

    HWND OpenWizard(Scheduler& scheduler, int button) {
        e2e::PostCommand(scheduler.Window(), WORD(button));
        return FindWizard(scheduler.Pid());
    }

    void Finish(HWND wizard) {
        HWND finish = GetDlgItem(wizard, kFinishButton);
        ASSERT_TRUE(e2e::WaitUntil([&] { return IsWindowVisible(finish) && IsWindowEnabled(finish); }, 5000))
            << "the last page offers no Finish";
        HWND page = CurrentPage(wizard);
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(e2e::ControlText(page, 1040), GetParam()->finishText);
        EXPECT_EQ(e2e::ControlText(wizard, kFinishButton), GetParam()->finishButton);
        ASSERT_TRUE(PressWizardButton(wizard, kFinishButton));
        ASSERT_TRUE(e2e::WaitUntil([&] { return !IsWindow(wizard); }, 10000));
    }

    LanguageValue m_language{std::nullopt};
    FileKeeper m_taskFile{TaskFilePath()};
    FileKeeper m_programTxt{ProgramTxtPath()};
    FileKeeper m_tunaroIni{InstallFile("Tunaro.ini")};
    FileKeeper m_simcard{e2e::SimCardPath()};
};

TEST_P(TaskWizardPages, EveryPageThroughItsControlsAndTheTaskFileByteByByte) {
    const Texts& t = *GetParam();
    Scheduler scheduler;
    ASSERT_TRUE(scheduler.Start());
    e2e::MessageBoxWatcher boxes(scheduler.Pid());
    scheduler.Restore();

    // ---- a Record task, once, through all five pages ----
    const TaskDateTime before = LocalIn(0);
    const std::int64_t createdFrom = std::int64_t(std::time(nullptr));
    HWND wizard = OpenWizard(scheduler, 1001);
    ASSERT_NE(wizard, nullptr);
    const TaskDateTime after = LocalIn(0);
    EXPECT_EQ(e2e::WindowText(wizard), t.caption);

    HWND page = PageWith(wizard, 1029);
    ASSERT_NE(page, nullptr);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(e2e::ControlText(page, 1040 + i), t.taskLabels[std::size_t(i)]);
    }
    const std::string proposed = e2e::ControlText(page, 1029);
    EXPECT_TRUE(proposed == Proposal(before) || proposed == Proposal(after)) << proposed;
    EXPECT_EQ(ComboEntries(page, 1008), t.modes);
    EXPECT_EQ(ComboSelection(page, 1008), 0);
    EXPECT_EQ(ComboEntries(page, 1011), t.inputs);
    EXPECT_EQ(ComboSelection(page, 1011), 0);
    // Only the active channels, by number and name.
    EXPECT_EQ(ComboEntries(page, 1012), (std::vector<std::string>{"[1]Harbour TV", "[3]Summit News"}));
    EXPECT_EQ(ComboSelection(page, 1012), 0);
    EXPECT_EQ(e2e::ControlText(page, 1004), "30");
    // The channel is chosen only for the tuner.
    ChooseComboEntry(page, 1011, 1);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, 1012)));
    ChooseComboEntry(page, 1011, 0);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, 1012)));

    SetEditText(page, 1029, "");
    ExpectRefused(boxes, wizard, page, t.nameMissing);
    SetEditText(page, 1029, "Night news");
    SetEditText(page, 1004, "1");
    ExpectRefused(boxes, wizard, page, t.durationWrong);
    SetEditText(page, 1004, "601");
    ExpectRefused(boxes, wizard, page, t.durationWrong);
    SetEditText(page, 1004, "45");
    ChooseComboEntry(page, 1012, 1);
    ASSERT_TRUE(PressWizardButton(wizard, kNextButton));

    // Page 2: the format, the hidden file name with its proposal and its character check.
    page = PageWith(wizard, 1021);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(e2e::ControlText(page, 1040), t.formatLabel);
    EXPECT_TRUE(IsButtonChecked(page, 1020));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(page, 1003)));
    EXPECT_EQ(e2e::ControlText(page, 1003), "Record_0");
    ClickButton(page, 1014);
    EXPECT_TRUE(IsButtonChecked(page, 1014));
    EXPECT_FALSE(IsButtonChecked(page, 1020));
    const std::size_t seen = boxes.Seen().size();
    SetEditText(page, 1003, "bad:name");
    ASSERT_TRUE(e2e::WaitUntil([&] { return boxes.Seen().size() > seen; }, 10000));
    EXPECT_EQ(boxes.Seen().back().text, t.badFileChars);
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::ControlText(page, 1003) == "Record_0"; }, 5000));
    SetEditText(page, 1003, "");
    ExpectRefused(boxes, wizard, page, t.fileMissing);
    SetEditText(page, 1003, "Night_news");
    ASSERT_TRUE(PressWizardButton(wizard, kNextButton));

    // Page 3: once, on a date ten days ahead at 21:30.
    page = PageWith(wizard, 1023);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(e2e::ControlText(page, 1023), t.repeatChoices[0]);
    EXPECT_EQ(e2e::ControlText(page, 1024), t.repeatChoices[1]);
    EXPECT_EQ(e2e::ControlText(page, 1019), t.repeatChoices[2]);
    for (int d = 0; d < 7; ++d) {
        EXPECT_EQ(e2e::ControlText(page, kDayBoxes[d]), t.days[std::size_t(d)]);
    }
    EXPECT_TRUE(IsButtonChecked(page, 1023));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, 1017)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, 1020)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, kDayBoxes[0])));
    const SYSTEMTIME shownDate = PickerTime(page, 1017);
    EXPECT_EQ(shownDate.wDay, before.day);
    const SYSTEMTIME shownTime = PickerTime(page, 1018);
    // Both time pickers show the proposed start the name was made from.
    EXPECT_EQ(proposed.substr(12), TwoDigits(shownTime.wHour, shownTime.wMinute).erase(2, 1));
    const SYSTEMTIME shownRepeat = PickerTime(page, 1020);
    EXPECT_EQ(TwoDigits(shownRepeat.wHour, shownRepeat.wMinute),
              TwoDigits(shownTime.wHour, shownTime.wMinute));
    ClickButton(page, 1019);
    for (int id : kDayBoxes) {
        EXPECT_TRUE(IsButtonChecked(page, id));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, id)));
    }
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, 1017)));
    ClickButton(page, 1024);
    for (int id : kDayBoxes) {
        EXPECT_FALSE(IsButtonChecked(page, id));
    }
    ClickButton(page, 1023);
    TaskDateTime once = LocalIn(10 * 86400);
    once.hour = 21;
    once.minute = 30;
    once.second = 0;
    SetPickerTime(page, 1017, ToSystemTime(once));
    SetPickerTime(page, 1018, ToSystemTime(once));
    ASSERT_TRUE(PressWizardButton(wizard, kNextButton));

    // Page 4: "Continue" proposed; the computer is to be switched off.
    page = PageWith(wizard, 1009);
    ASSERT_NE(page, nullptr);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(e2e::ControlText(page, 1008 + i), t.afterChoices[std::size_t(i)]);
    }
    EXPECT_TRUE(IsButtonChecked(page, 1010));
    ClickButton(page, 1008);
    ASSERT_TRUE(PressWizardButton(wizard, kNextButton));
    Finish(wizard);
    const std::int64_t createdTo = std::int64_t(std::time(nullptr));

    ASSERT_TRUE(e2e::WaitUntil([&] { return ReadTaskFile().size() == 1; }, 5000));
    std::vector<TaskRecord> file = ReadTaskFile();
    TaskRecord record = TaskRecord::MakeNew();
    record.mode = tunaro::kTaskModeRecord;
    record.recordFormat = 5;
    record.autoPowerOn = 0;
    record.autoLogOn = 0;
    record.afterFinish = tunaro::kAfterFinishShutdown;
    record.repeat = 0;
    record.channel = 2; // Summit News is the third channel of the whole list
    record.SetStart(once);
    record.weekday = std::uint8_t(tunaro::TaskWeekday(once.year, once.month, once.day));
    record.duration = 45;
    record.status = tunaro::kTaskReady;
    record.SetName("Night news");
    record.SetRecordFileName("Night_news");
    record.videoInput = tunaro::kInputTuner;
    EXPECT_GE(file[0].created, createdFrom);
    EXPECT_LE(file[0].created, createdTo);
    record.created = file[0].created;
    EXPECT_EQ(std::memcmp(&file[0], &record, sizeof(TaskRecord)), 0);
    EXPECT_EQ(e2e::IniLong(InstallFile("Tunaro.ini"), "Schedule", "AheadTurnOn", -1), 10);
    char startText[32];
    std::snprintf(startText, sizeof(startText), "%04d/%02d/%02d 21:30", once.year, once.month, once.day);
    auto rows = ListRows(scheduler.List(), kColumns);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"Night news", t.record, "Summit News", startText,
                                                 std::string("45") + t.minutes, t.ready}));
    // The card's alarm is aimed ten minutes ahead of it.
    char expectedAlarm[9];
    std::snprintf(expectedAlarm, sizeof(expectedAlarm), "2021%02X", (once.day / 10) << 4 | once.day % 10);
    EXPECT_TRUE(e2e::WaitUntil(
        [&] {
            const std::string registers = e2e::IniString(e2e::SimCardPath(), "Clock", "Registers");
            return registers.size() == 32u && registers.substr(16, 6) == expectedAlarm;
        },
        5000))
        << e2e::IniString(e2e::SimCardPath(), "Clock", "Registers");

    // ---- a Watch task, weekly: page 2 is passed over both ways ----
    const TaskDateTime today = LocalIn(0);
    const int weekdayToday = tunaro::TaskWeekday(today.year, today.month, today.day);
    const int firstDay = weekdayToday % 7 + 1;        // tomorrow
    const int secondDay = (weekdayToday + 2) % 7 + 1; // three days on
    wizard = OpenWizard(scheduler, 1001);
    ASSERT_NE(wizard, nullptr);
    page = PageWith(wizard, 1029);
    ASSERT_NE(page, nullptr);
    SetEditText(page, 1029, "Morning show");
    ChooseComboEntry(page, 1008, 1);
    ChooseComboEntry(page, 1011, 2);
    SetEditText(page, 1004, "20");
    ASSERT_TRUE(PressWizardButton(wizard, kNextButton));
    ASSERT_NE(PageWith(wizard, 1023), nullptr) << "a Watch task has no record page";
    ASSERT_TRUE(PressWizardButton(wizard, kBackButton));
    ASSERT_NE(PageWith(wizard, 1029), nullptr) << "Back from the time page of a Watch task";
    EXPECT_EQ(e2e::ControlText(CurrentPage(wizard), 1029), "Morning show");
    ASSERT_TRUE(PressWizardButton(wizard, kNextButton));
    page = PageWith(wizard, 1023);
    ASSERT_NE(page, nullptr);
    ClickButton(page, 1024);
    ClickButton(page, kDayBoxes[firstDay - 1]);
    ClickButton(page, kDayBoxes[secondDay - 1]);
    TaskDateTime repeatAt = today;
    repeatAt.hour = 7;
    repeatAt.minute = 15;
    repeatAt.second = 0;
    SetPickerTime(page, 1020, ToSystemTime(repeatAt));
    ASSERT_TRUE(PressWizardButton(wizard, kNextButton));
    page = PageWith(wizard, 1009);
    ASSERT_NE(page, nullptr);
    ClickButton(page, 1009);
    ASSERT_TRUE(PressWizardButton(wizard, kNextButton));
    Finish(wizard);

    ASSERT_TRUE(e2e::WaitUntil([&] { return ReadTaskFile().size() == 2; }, 5000))
        << "the file:" << DescribeTasks(ReadTaskFile()) << "\nmessages:" << [&] {
               std::string all;
               for (const e2e::SeenMessageBox& box : boxes.Seen())
                   all += " [" + box.text + "]";
               return all;
           }();
    file = ReadTaskFile();
    // Its first run, tomorrow at 07:15, comes before the other task.
    const TaskDateTime tomorrow = LocalIn(86400);
    TaskRecord weekly = TaskRecord::MakeNew();
    weekly.mode = tunaro::kTaskModeWatch;
    weekly.recordFormat = 0;
    weekly.autoPowerOn = 0;
    weekly.afterFinish = tunaro::kAfterFinishCloseTv;
    weekly.repeat = std::uint8_t(tunaro::kRepeatWeekly | tunaro::RepeatDayBit(firstDay) |
                                 tunaro::RepeatDayBit(secondDay));
    weekly.channel = 0;
    weekly.year = std::int16_t(tomorrow.year);
    weekly.month = std::uint8_t(tomorrow.month);
    weekly.day = std::uint8_t(tomorrow.day);
    weekly.weekday = std::uint8_t(weekdayToday); // the date the page showed when it was entered
    weekly.hour = 7;
    weekly.minute = 15;
    weekly.second = 0;
    weekly.duration = 20;
    weekly.SetName("Morning show");
    weekly.videoInput = tunaro::kInputSVideo;
    weekly.created = file[0].created;
    EXPECT_EQ(std::memcmp(&file[0], &weekly, sizeof(TaskRecord)), 0);
    EXPECT_EQ(std::memcmp(&file[1], &record, sizeof(TaskRecord)), 0);
    rows = ListRows(scheduler.List(), kColumns);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0],
              (std::vector<std::string>{"Morning show", t.watch, "S-VIDEO", std::string(t.week) + "07:15",
                                        std::string("20") + t.minutes, t.ready}));

    // ---- a new task inside the first one's time is refused and changes nothing ----
    const std::string fileBefore = e2e::ReadFile(TaskFilePath());
    wizard = OpenWizard(scheduler, 1001);
    ASSERT_NE(wizard, nullptr);
    page = PageWith(wizard, 1029);
    SetEditText(page, 1029, "Clash");
    ASSERT_TRUE(PressWizardButton(wizard, kNextButton));
    ASSERT_NE(PageWith(wizard, 1021), nullptr);
    ASSERT_TRUE(PressWizardButton(wizard, kNextButton));
    page = PageWith(wizard, 1023);
    ASSERT_NE(page, nullptr);
    TaskDateTime clash = once;
    clash.minute = 45;
    SetPickerTime(page, 1017, ToSystemTime(clash));
    SetPickerTime(page, 1018, ToSystemTime(clash));
    ASSERT_TRUE(PressWizardButton(wizard, kNextButton));
    ASSERT_NE(PageWith(wizard, 1009), nullptr);
    ASSERT_TRUE(PressWizardButton(wizard, kNextButton));
    const std::size_t beforeClash = boxes.Seen().size();
    Finish(wizard);
    ASSERT_TRUE(e2e::WaitUntil([&] { return boxes.Seen().size() > beforeClash; }, 10000));
    EXPECT_EQ(boxes.Seen().back().text, t.conflict);
    EXPECT_EQ(boxes.Seen().back().caption, t.prompt);
    EXPECT_EQ(e2e::ReadFile(TaskFilePath()), fileBefore);
    EXPECT_EQ(ListRows(scheduler.List(), kColumns).size(), 2u);

    // ---- the weekly task modified without touching its time keeps both days ----
    SelectListRow(scheduler.List(), 0);
    wizard = OpenWizard(scheduler, 1002);
    ASSERT_NE(wizard, nullptr);
    page = PageWith(wizard, 1029);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(e2e::ControlText(page, 1029), "Morning show");
    EXPECT_EQ(ComboSelection(page, 1008), 1);
    EXPECT_EQ(ComboSelection(page, 1011), 2);
    EXPECT_EQ(e2e::ControlText(page, 1004), "20");
    ASSERT_TRUE(PressWizardButton(wizard, kNextButton));
    page = PageWith(wizard, 1023);
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(IsButtonChecked(page, 1024));
    for (int d = 1; d <= 7; ++d) {
        EXPECT_EQ(IsButtonChecked(page, kDayBoxes[d - 1]), d == firstDay || d == secondDay) << d;
    }
    ASSERT_TRUE(PressWizardButton(wizard, kNextButton));
    page = PageWith(wizard, 1009);
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(IsButtonChecked(page, 1009));
    ASSERT_TRUE(PressWizardButton(wizard, kNextButton));
    Finish(wizard);
    // Saved again as it was, but for the weekday of the date it was entered on: the date page
    // showed its next run.
    weekly.weekday = std::uint8_t(firstDay);
    const std::string expectedFile = TaskFileBytes({weekly, record});
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::ReadFile(TaskFilePath()) == expectedFile; }, 5000))
        << "expected:" << DescribeTasks({weekly, record}) << "\nthe file:" << DescribeTasks(ReadTaskFile());
    rows = ListRows(scheduler.List(), kColumns);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][3], std::string(t.week) + "07:15");
    EXPECT_TRUE(scheduler.Exit());
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, TaskWizardPages, ::testing::Values(&kEnglish, &kChinese),
                         [](const ::testing::TestParamInfo<const Texts*>& info) {
                             return std::string(info.param == &kEnglish ? "English" : "Chinese");
                         });

} // namespace
