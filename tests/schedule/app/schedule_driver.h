// Driving the installed Schedule.exe from tests: its files in the program directory, the
// channel list, the language, starting and ending it, its list's rows and the wizard's pages,
// read and set across the process boundary.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/e2e.h"
#include "schedule/task_record.h"
#include "schedule/task_time.h"

namespace schedule_e2e {

constexpr const char kTitle[] = "Schedule";
// The wizard's buttons on its sheet.
constexpr int kBackButton = 0x3023;
constexpr int kNextButton = 0x3024;
constexpr int kFinishButton = 0x3025;

std::string InstallFile(const char* name);
std::string TaskFilePath();
std::string ProgramTxtPath();

// Puts the freshly built programs (Schedule.exe, Haltbox.exe) in the installation, so a test
// always runs what was just built, whatever an earlier test left there.
void InstallBuiltPrograms();

// Saves a file's bytes (or its absence) and puts them back when it goes.
class FileKeeper {
public:
    explicit FileKeeper(std::string path);
    ~FileKeeper();
    FileKeeper(const FileKeeper&) = delete;
    FileKeeper& operator=(const FileKeeper&) = delete;

private:
    std::string m_path;
    std::optional<std::string> m_bytes;
};

// HKLM\Software\Tunaro "Language" set for the test and put back afterwards.
class LanguageValue {
public:
    explicit LanguageValue(const std::optional<std::string>& value);
    ~LanguageValue();
    LanguageValue(const LanguageValue&) = delete;
    LanguageValue& operator=(const LanguageValue&) = delete;
    static bool Set(const std::optional<std::string>& value);

private:
    std::optional<std::string> m_saved;
};

// The task file as the scheduler would write these records (log-on fields enciphered).
std::string TaskFileBytes(const std::vector<tunaro::TaskRecord>& tasks);
// The records of the task file, deciphered but not adjusted in any way.
std::vector<tunaro::TaskRecord> ReadTaskFile();
// Every field of each record, one line each, for failure reports.
std::string DescribeTasks(const std::vector<tunaro::TaskRecord>& tasks);
// A program.txt in the TV application's format: name, frequency in Hz, number, active.
struct Channel {
    std::string name;
    long frequency;
    int number;
    bool active;
};
std::string ProgramTxt(const std::vector<Channel>& channels);

// A local time a number of seconds from now.
tunaro::TaskDateTime LocalIn(long seconds);

// The scheduler's task clock run `rate` times as fast from now on (its test hook
// TUNARO_TASK_CLOCK in this process's environment, which the programs the test starts inherit),
// and its times told in this process's terms. The variable goes with it.
class FastTaskClock {
public:
    explicit FastTaskClock(int rate);
    ~FastTaskClock();
    FastTaskClock(const FastTaskClock&) = delete;
    FastTaskClock& operator=(const FastTaskClock&) = delete;

    int Rate() const { return m_rate; }
    // The scheduler's local time now, in whole seconds, and a number of its seconds from now.
    std::int64_t NowSerial() const;
    tunaro::TaskDateTime In(long seconds) const {
        return tunaro::TaskDateTimeFromSerial(NowSerial() + seconds);
    }
    // The GetTickCount value at which the scheduler's clock shows a time.
    long long TickAt(std::int64_t serial) const;
    // Real milliseconds for a number of the scheduler's seconds (at least one).
    DWORD RealMs(std::int64_t taskSeconds) const;

private:
    int m_rate;
    DWORD m_tick;
    std::int64_t m_localMs;
};

// The running scheduler.
class Scheduler {
public:
    Scheduler() = default;
    ~Scheduler();
    Scheduler(const Scheduler&) = delete;
    Scheduler& operator=(const Scheduler&) = delete;

    // Starts the installed Schedule.exe and waits for its window; false when none appeared.
    bool Start();
    HWND Window() const { return m_window; }
    DWORD Pid() const { return m_program.Pid(); }
    e2e::Program& Program() { return m_program; }
    // Exit through the tray menu's command; true when the program ended.
    bool Exit(DWORD timeoutMs = 10000);
    // Brings the window up as a double click on the tray icon does.
    void Restore();
    HWND List() const { return GetDlgItem(m_window, 1000); }

private:
    e2e::Program m_program;
    HWND m_window = nullptr;
};

// The rows of a list view of another process, each row its cells' texts.
std::vector<std::vector<std::string>> ListRows(HWND list, int columns);
std::vector<std::string> ListColumnTitles(HWND list, int columns);
// Selects a row (or none with -1) of another process's list view.
void SelectListRow(HWND list, int row);

// The wizard of a process: its sheet window, the page shown, and moving on.
HWND FindWizard(DWORD pid, DWORD timeoutMs = 10000);
HWND CurrentPage(HWND wizard);
// The template id of the page shown (its dialog resource id is not kept; the page is known by
// one of its control ids).
bool PressWizardButton(HWND wizard, int id);

// Controls of another process.
void SetEditText(HWND dlg, int id, const std::string& text);
// Selects a combo entry and tells the dialog as a user's choice would.
void ChooseComboEntry(HWND dlg, int id, int index);
int ComboSelection(HWND dlg, int id);
std::vector<std::string> ComboEntries(HWND dlg, int id);
// Checks a radio button or check box as a click would.
void ClickButton(HWND dlg, int id);
bool IsButtonChecked(HWND dlg, int id);
// Date-time pickers of another process.
void SetPickerTime(HWND dlg, int id, const SYSTEMTIME& time);
SYSTEMTIME PickerTime(HWND dlg, int id);

} // namespace schedule_e2e
