// End-to-end tests of the card's wake-up clock and the automatic log-on values with the installed
// Schedule.exe and the simulated card's clock chip (simcard.ini [Clock]): the clock set to the
// PC's time when the scheduler opens, the alarm aimed at the next task after every change of
// the list (the weekday form for weekly tasks), nothing written when no task lies ahead, and the
// Winlogon values reset at start and written for a task that logs on by itself.
#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <cstdlib>
#include <optional>
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
constexpr char kWinlogon[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";

using Registers = std::array<int, 16>;

std::string ClockValue(const char* key) {
    return e2e::IniString(e2e::SimCardPath(), "Clock", key);
}

std::optional<Registers> ClockRegisters() {
    const std::string hex = ClockValue("Registers");
    if (hex.size() != 32) {
        return std::nullopt;
    }
    Registers r{};
    for (int i = 0; i < 16; ++i) {
        r[i] = int(std::strtoul(hex.substr(2 * i, 2).c_str(), nullptr, 16));
    }
    return r;
}

int Bcd(int v) {
    return (v / 10) << 4 | (v % 10);
}

int FromBcd(int v) {
    return (v >> 4) * 10 + (v & 0x0F);
}

// The local time registers 0x00..0x06 hold (the year within the century).
std::int64_t ClockTimeSerial(const Registers& r) {
    TaskDateTime t;
    t.second = FromBcd(r[0] & 0x7F);
    t.minute = FromBcd(r[1] & 0x7F);
    t.hour = FromBcd(r[2] & 0x3F);
    t.day = FromBcd(r[4] & 0x3F);
    t.month = FromBcd(r[5] & 0x1F);
    t.year = 2000 + FromBcd(r[6]);
    return tunaro::TaskSerialSeconds(t);
}

std::int64_t NowSerial() {
    return tunaro::TaskSerialSeconds(LocalIn(0));
}

// A REG_SZ value of the Winlogon key ("<none>" when it is missing).
std::string Winlogon(const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kWinlogon, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return "<no key>";
    }
    char value[512] = {0};
    DWORD size = sizeof(value) - 1;
    DWORD type = 0;
    const LONG rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? std::string(value) : std::string("<none>");
}

void SetWinlogon(const char* name, const std::string& value) {
    HKEY key = nullptr;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, kWinlogon, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   DWORD(value.size() + 1));
    RegCloseKey(key);
}

// The log-on values as they were before the test, put back afterwards.
class WinlogonKeeper {
public:
    WinlogonKeeper() {
        for (const char* name : kNames) {
            m_saved.push_back(Winlogon(name));
        }
    }
    ~WinlogonKeeper() {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kWinlogon, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
            return;
        }
        for (std::size_t i = 0; i < m_saved.size(); ++i) {
            if (m_saved[i] == "<none>") {
                RegDeleteValueA(key, kNames[i]);
            } else {
                RegSetValueExA(key, kNames[i], 0, REG_SZ, reinterpret_cast<const BYTE*>(m_saved[i].c_str()),
                               DWORD(m_saved[i].size() + 1));
            }
        }
        RegCloseKey(key);
    }
    WinlogonKeeper(const WinlogonKeeper&) = delete;
    WinlogonKeeper& operator=(const WinlogonKeeper&) = delete;

private:
    static constexpr const char* kNames[3] = {"DefaultUserName", "DefaultPassword", "AutoAdminLogon"};
    std::vector<std::string> m_saved;
};

TaskRecord MakeTask(const char* name, const TaskDateTime& start, std::int32_t status) {
    TaskRecord task = TaskRecord::MakeNew();
    task.SetName(name);
    task.mode = tunaro::kTaskModeWatch;
    task.SetStart(start);
    task.duration = 30;
    task.status = status;
    task.afterFinish = tunaro::kAfterFinishContinue;
    return task;
}

TaskDateTime DayIn(int days, int hour, int minute) {
    TaskDateTime t = LocalIn(long(days) * 86400);
    t.hour = hour;
    t.minute = minute;
    t.second = 0;
    return t;
}

class WakeClock : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(e2e::WaitForWindowGone(kTitle, 5000)) << "a scheduler is still running";
        InstallBuiltPrograms();
        ASSERT_TRUE(e2e::WriteFile(ProgramTxtPath(), ProgramTxt({{"Harbour TV", 49750000, 1, true}})));
        // The card's clock as a previous run left it: 2001-01-01, an old alarm, the control
        // register's other bits set, both alarm flags up.
        const std::string ini = e2e::SimCardPath();
        ASSERT_TRUE(WritePrivateProfileStringA("Clock", "Registers", "00000001010101112233448080801C83",
                                               ini.c_str()));
        ASSERT_TRUE(WritePrivateProfileStringA("Clock", "Pointer", "0", ini.c_str()));
        ASSERT_TRUE(WritePrivateProfileStringA("Clock", "SetAt", "", ini.c_str()));
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());
        // The ahead minutes the alarm is to use.
        const std::string tunaroIni = InstallFile("Tunaro.ini");
        ASSERT_TRUE(WritePrivateProfileStringA("Schedule", "AheadTurnOn", "15", tunaroIni.c_str()));
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, tunaroIni.c_str());
        // Log-on values left over from an earlier task.
        SetWinlogon("DefaultUserName", "someone");
        SetWinlogon("DefaultPassword", "left over");
        SetWinlogon("AutoAdminLogon", "1");
    }

    // Deletes a row of the list through the Delete button, the question answered with OK.
    void DeleteRow(Scheduler& scheduler, e2e::MessageBoxWatcher& boxes, int row) {
        const std::size_t seen = boxes.Seen().size();
        const std::size_t rows = ListRows(scheduler.List(), kColumns).size();
        SelectListRow(scheduler.List(), row);
        e2e::ClickControl(scheduler.Window(), 1003);
        ASSERT_TRUE(e2e::WaitUntil([&] { return boxes.Seen().size() > seen; }, 10000));
        ASSERT_TRUE(
            e2e::WaitUntil([&] { return ListRows(scheduler.List(), kColumns).size() + 1 == rows; }, 10000));
    }

    LanguageValue m_english{std::string("1033")};
    FileKeeper m_taskFile{TaskFilePath()};
    FileKeeper m_programTxt{ProgramTxtPath()};
    FileKeeper m_tunaroIni{InstallFile("Tunaro.ini")};
    FileKeeper m_simcard{e2e::SimCardPath()};
    WinlogonKeeper m_winlogon;
};

TEST_F(WakeClock, SetToThePcsTimeOnOpenAndAimedAtTheNextTaskAfterEveryChange) {
    // Weekly on the weekdays two and four days from now at 00:05: the alarm, fifteen minutes
    // ahead, goes off at 23:50 the evening before, a weekday of its own.
    const TaskDateTime today = LocalIn(0);
    const int weekdayToday = tunaro::TaskWeekday(today.year, today.month, today.day);
    const int runDay = (weekdayToday - 1 + 2) % 7 + 1;
    const int otherDay = (weekdayToday - 1 + 4) % 7 + 1;
    const int alarmWeekday = (weekdayToday - 1 + 1) % 7 + 1;
    TaskRecord weekly = MakeTask("Weekly", DayIn(-14, 0, 5), tunaro::kTaskReady);
    weekly.repeat =
        std::uint8_t(tunaro::kRepeatWeekly | tunaro::RepeatDayBit(runDay) | tunaro::RepeatDayBit(otherDay));
    // Once, tomorrow at 21:40, logging on by itself.
    TaskRecord once = MakeTask("Once", DayIn(1, 21, 40), tunaro::kTaskReady);
    once.autoLogOn = 1;
    once.SetUserName("viewer");
    once.SetPassword("s3cret");
    TaskRecord done = MakeTask("Done", DayIn(-3, 20, 0), tunaro::kTaskFinished);
    TaskRecord spare = MakeTask("Spare", DayIn(-2, 20, 0), tunaro::kTaskFinished);
    ASSERT_TRUE(e2e::WriteFile(TaskFilePath(), TaskFileBytes({once, weekly, done, spare})));

    Scheduler scheduler;
    ASSERT_TRUE(scheduler.Start());
    e2e::MessageBoxWatcher boxes(scheduler.Pid());

    // Start-up cleared the log-on values.
    EXPECT_EQ(Winlogon("DefaultPassword"), "");
    EXPECT_EQ(Winlogon("AutoAdminLogon"), "0");
    EXPECT_EQ(Winlogon("DefaultUserName"), "someone");

    // Opening set the clock to the PC's time and cleared both alarm flags, the rest as it was.
    ASSERT_TRUE(e2e::WaitUntil(
        [&] {
            const std::optional<Registers> now = ClockRegisters();
            return now && std::llabs(ClockTimeSerial(*now) - NowSerial()) <= 5;
        },
        10000))
        << "the clock was not set: " << ClockValue("Registers");
    std::optional<Registers> r = ClockRegisters();
    ASSERT_TRUE(r);
    EXPECT_EQ((*r)[3], tunaro::TaskWeekday(LocalIn(0).year, LocalIn(0).month, LocalIn(0).day));
    EXPECT_EQ((*r)[7], 0x11);
    EXPECT_EQ((*r)[10], 0x44);
    EXPECT_EQ((*r)[14], 0x1C);
    EXPECT_EQ((*r)[15], 0x80);

    // The rows in order: Done, Spare, Once, Weekly (dated to its next run).
    ASSERT_EQ(ListRows(scheduler.List(), kColumns).size(), 4u);

    // A change of the list aims the alarm at the first task ahead: Once, at 21:25 on its date.
    DeleteRow(scheduler, boxes, 0);
    ASSERT_TRUE(e2e::WaitUntil([&] { return ClockRegisters() && (*ClockRegisters())[8] == 0x25; }, 10000));
    r = ClockRegisters();
    EXPECT_NEAR(double(ClockTimeSerial(*r)), double(NowSerial()), 5.0);
    EXPECT_EQ((*r)[7], (*r)[0]) << "the alarm's seconds are the current ones";
    EXPECT_EQ((*r)[9], 0x21);
    EXPECT_EQ((*r)[10], Bcd(once.day)) << "a one-time task's alarm is on its date";
    EXPECT_EQ((*r)[11], 0x80);
    EXPECT_EQ((*r)[12], 0x80);
    EXPECT_EQ((*r)[13], 0x80);
    EXPECT_EQ((*r)[14], 0x01);
    EXPECT_EQ((*r)[15], 0x00);
    // and writes its log-on values.
    EXPECT_EQ(Winlogon("DefaultUserName"), "viewer");
    EXPECT_EQ(Winlogon("DefaultPassword"), "s3cret");
    EXPECT_EQ(Winlogon("AutoAdminLogon"), "1");

    // Without it, the weekly task's alarm carries the weekday of the evening before its run.
    DeleteRow(scheduler, boxes, 1);
    ASSERT_TRUE(e2e::WaitUntil([&] { return ClockRegisters() && (*ClockRegisters())[8] == 0x50; }, 10000));
    r = ClockRegisters();
    EXPECT_EQ((*r)[9], 0x23);
    EXPECT_EQ((*r)[10], 0x40 | alarmWeekday);
    EXPECT_EQ((*r)[14], 0x01);
    // A task that does not log on leaves the values alone.
    EXPECT_EQ(Winlogon("DefaultUserName"), "viewer");
    EXPECT_EQ(Winlogon("AutoAdminLogon"), "1");

    // With only a finished task left, nothing at all is written to the clock.
    const std::string registersBefore = ClockValue("Registers");
    const std::string setAtBefore = ClockValue("SetAt");
    DeleteRow(scheduler, boxes, 1);
    ASSERT_EQ(ListRows(scheduler.List(), kColumns).size(), 1u);
    Sleep(1000);
    EXPECT_EQ(ClockValue("Registers"), registersBefore);
    EXPECT_EQ(ClockValue("SetAt"), setAtBefore);
    EXPECT_TRUE(scheduler.Exit());
}

} // namespace
