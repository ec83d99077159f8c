// The scheduler's test driver: installation files, start and exit, and the controls of its
// windows read and set through memory placed in the scheduler's own process.
#include "tests/schedule/app/schedule_driver.h"

#include <commctrl.h>

#include <cstring>
#include <cstdio>
#include <ctime>

#include "schedule/task_file.h"

namespace schedule_e2e {

using tunaro::TaskRecord;

std::string InstallFile(const char* name) {
    return e2e::InstallDir() + "\\" + name;
}

std::string TaskFilePath() {
    return InstallFile("SCHTASK.stf");
}

std::string ProgramTxtPath() {
    return e2e::SystemDir() + "\\program.txt";
}

void InstallBuiltPrograms() {
    for (const char* name : {"Schedule.exe", "Haltbox.exe"}) {
        CopyFileA((e2e::ExeDir() + "\\" + name).c_str(), InstallFile(name).c_str(), FALSE);
    }
}

FileKeeper::FileKeeper(std::string path) : m_path(std::move(path)) {
    if (e2e::FileExists(m_path)) {
        m_bytes = e2e::ReadFile(m_path);
    }
}

FileKeeper::~FileKeeper() {
    if (m_bytes) {
        e2e::WriteFile(m_path, *m_bytes);
    } else {
        DeleteFileA(m_path.c_str());
    }
}

namespace {

std::optional<std::string> ReadLanguage() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Tunaro", 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    char value[256] = {0};
    DWORD size = sizeof(value) - 1;
    DWORD type = 0;
    const LONG rc = RegQueryValueExA(key, "Language", nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::string(value);
}

} // namespace

LanguageValue::LanguageValue(const std::optional<std::string>& value) : m_saved(ReadLanguage()) {
    Set(value);
}

LanguageValue::~LanguageValue() {
    Set(m_saved);
}

bool LanguageValue::Set(const std::optional<std::string>& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Tunaro", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return false;
    }
    LONG rc = ERROR_SUCCESS;
    if (value) {
        rc = RegSetValueExA(key, "Language", 0, REG_SZ, reinterpret_cast<const BYTE*>(value->c_str()),
                            static_cast<DWORD>(value->size() + 1));
    } else {
        rc = RegDeleteValueA(key, "Language");
        if (rc == ERROR_FILE_NOT_FOUND) {
            rc = ERROR_SUCCESS;
        }
    }
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

std::string TaskFileBytes(const std::vector<TaskRecord>& tasks) {
    const tunaro::TaskFileCipher cipher;
    std::string bytes;
    for (const TaskRecord& task : tasks) {
        std::uint8_t image[TaskRecord::kImageSize];
        tunaro::TaskRecordToImage(task, cipher, image);
        bytes.append(reinterpret_cast<const char*>(image), sizeof(image));
    }
    return bytes;
}

std::vector<TaskRecord> ReadTaskFile() {
    const std::string bytes = e2e::ReadFile(TaskFilePath());
    const tunaro::TaskFileCipher cipher;
    std::vector<TaskRecord> out;
    for (std::size_t at = 0; at + TaskRecord::kImageSize <= bytes.size(); at += TaskRecord::kImageSize) {
        out.push_back(
            tunaro::TaskRecordFromImage(reinterpret_cast<const std::uint8_t*>(bytes.data() + at), cipher));
    }
    return out;
}

std::string DescribeTasks(const std::vector<TaskRecord>& tasks) {
    std::string out;
    char line[512];
    for (const TaskRecord& r : tasks) {
        std::snprintf(
            line, sizeof line,
            "\n  [%s] created %ld mode %d format %d power %d logon %d after %d repeat 0x%02x channel %ld "
            "%04d-%02d-%02d (weekday %d) %02d:%02d:%02d for %ld min, status %ld, file [%s], input %ld",
            r.NameText().c_str(), static_cast<long>(r.created), r.mode, r.recordFormat, r.autoPowerOn,
            r.autoLogOn, r.afterFinish, r.repeat, static_cast<long>(r.channel), r.year, r.month, r.day,
            r.weekday, r.hour, r.minute, r.second, static_cast<long>(r.duration), static_cast<long>(r.status),
            r.RecordFileNameText().c_str(), static_cast<long>(r.videoInput));
        out += line;
    }
    return out;
}

std::string ProgramTxt(const std::vector<Channel>& channels) {
    std::string text;
    for (const Channel& c : channels) {
        text += "Name: " + c.name + "\nFreq: " + std::to_string(c.frequency) +
                "\nChan: " + std::to_string(c.number) + "\nAudioChannels:0\nCheck:" + (c.active ? "1" : "0") +
                "\n";
    }
    return text;
}

tunaro::TaskDateTime LocalIn(long seconds) {
    SYSTEMTIME st;
    GetLocalTime(&st);
    tunaro::TaskDateTime now;
    now.year = st.wYear;
    now.month = st.wMonth;
    now.day = st.wDay;
    now.hour = st.wHour;
    now.minute = st.wMinute;
    now.second = st.wSecond;
    return tunaro::TaskDateTimeFromSerial(tunaro::TaskSerialSeconds(now) + seconds);
}

FastTaskClock::FastTaskClock(int rate) : m_rate(rate) {
    SYSTEMTIME st;
    FILETIME ft;
    GetLocalTime(&st);
    GetSystemTimeAsFileTime(&ft);
    m_tick = GetTickCount();
    const std::uint64_t ticks = (std::uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    const std::int64_t utcMs = std::int64_t(ticks / 10000ull) - 11644473600000ll;
    tunaro::TaskDateTime now;
    now.year = st.wYear;
    now.month = st.wMonth;
    now.day = st.wDay;
    now.hour = st.wHour;
    now.minute = st.wMinute;
    now.second = st.wSecond;
    m_localMs = tunaro::TaskSerialSeconds(now) * 1000 + st.wMilliseconds;
    const std::string value = "rate=" + std::to_string(rate) + ";since=" + std::to_string(utcMs);
    SetEnvironmentVariableA(tunaro::kTaskClockVariable, value.c_str());
}

FastTaskClock::~FastTaskClock() {
    SetEnvironmentVariableA(tunaro::kTaskClockVariable, nullptr);
}

std::int64_t FastTaskClock::NowSerial() const {
    return (m_localMs + std::int64_t(GetTickCount() - m_tick) * m_rate) / 1000;
}

long long FastTaskClock::TickAt(std::int64_t serial) const {
    return static_cast<long long>(m_tick) + (serial * 1000 - m_localMs) / m_rate;
}

DWORD FastTaskClock::RealMs(std::int64_t taskSeconds) const {
    const std::int64_t ms = taskSeconds * 1000 / m_rate;
    return ms > 0 ? DWORD(ms) : 1;
}

// ---- the program -------------------------------------------------------------------------------

namespace {

struct TitleSearch {
    DWORD pid;
    const char* title;
    HWND found;
};

BOOL CALLBACK FindTitledWindowOf(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<TitleSearch*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char text[256] = {0};
    GetWindowTextA(hwnd, text, sizeof(text));
    if (pid == s->pid && std::strcmp(text, s->title) == 0) {
        s->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND TitledWindowOf(DWORD pid, const char* title) {
    TitleSearch s{pid, title, nullptr};
    EnumWindows(FindTitledWindowOf, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

} // namespace

Scheduler::~Scheduler() {
    if (m_program.Running()) {
        Exit(5000);
    }
    if (m_program.Running()) {
        m_program.Kill();
    }
}

bool Scheduler::Start() {
    if (!m_program.Start(InstallFile("Schedule.exe"), "", e2e::InstallDir())) {
        return false;
    }
    const DWORD pid = m_program.Pid();
    e2e::WaitUntil([&] { return (m_window = TitledWindowOf(pid, kTitle)) != nullptr; }, 20000);
    // The window is ready once it has gone to the tray (hidden) and filled its list.
    const bool ready =
        m_window != nullptr &&
        e2e::WaitUntil([&] { return IsWindowVisible(m_window) == FALSE && IsIconic(m_window); }, 10000);
    if (!ready) {
        std::printf("the scheduler did not go to the tray: window %p, visible %d, minimised %d\n",
                    static_cast<void*>(m_window), m_window ? int(IsWindowVisible(m_window)) : -1,
                    m_window ? int(IsIconic(m_window)) : -1);
    }
    return ready;
}

bool Scheduler::Exit(DWORD timeoutMs) {
    if (!m_window || !m_program.Running()) {
        return !m_program.Running();
    }
    e2e::PostCommand(m_window, 32772);
    return m_program.WaitForExit(timeoutMs);
}

void Scheduler::Restore() {
    PostMessageA(m_window, 1574, 7001, WM_LBUTTONDBLCLK);
    e2e::WaitUntil([&] { return IsWindowVisible(m_window) != FALSE && !IsIconic(m_window); }, 5000);
}

// ---- memory in the other process ------------------------------------------------------------------

namespace {

class RemoteMemory {
public:
    RemoteMemory(HWND owner, std::size_t size) : m_size(size) {
        DWORD pid = 0;
        GetWindowThreadProcessId(owner, &pid);
        m_process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (m_process) {
            m_address = VirtualAllocEx(m_process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        }
    }
    ~RemoteMemory() {
        if (m_address) {
            VirtualFreeEx(m_process, m_address, 0, MEM_RELEASE);
        }
        if (m_process) {
            CloseHandle(m_process);
        }
    }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    bool Valid() const { return m_address != nullptr; }
    char* At(std::size_t offset) const { return static_cast<char*>(m_address) + offset; }
    bool Write(std::size_t offset, const void* data, std::size_t size) const {
        SIZE_T done = 0;
        return m_address && WriteProcessMemory(m_process, At(offset), data, size, &done) && done == size;
    }
    bool Read(std::size_t offset, void* data, std::size_t size) const {
        SIZE_T done = 0;
        return m_address && ReadProcessMemory(m_process, At(offset), data, size, &done) && done == size;
    }

private:
    HANDLE m_process = nullptr;
    void* m_address = nullptr;
    std::size_t m_size;
};

LRESULT Send(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(hwnd, msg, wp, lp, SMTO_NORMAL, 10000, &result);
    return LRESULT(result);
}

constexpr std::size_t kTextOffset = 512;
constexpr std::size_t kTextSize = 1024;

} // namespace

std::vector<std::vector<std::string>> ListRows(HWND list, int columns) {
    std::vector<std::vector<std::string>> rows;
    RemoteMemory memory(list, kTextOffset + kTextSize);
    if (!memory.Valid()) {
        return rows;
    }
    const int count = int(Send(list, LVM_GETITEMCOUNT, 0, 0));
    for (int r = 0; r < count; ++r) {
        std::vector<std::string> row;
        for (int c = 0; c < columns; ++c) {
            LVITEMA item = {};
            item.iSubItem = c;
            item.pszText = memory.At(kTextOffset);
            item.cchTextMax = int(kTextSize);
            memory.Write(0, &item, sizeof(item));
            const int n =
                int(Send(list, LVM_GETITEMTEXTA, WPARAM(r), reinterpret_cast<LPARAM>(memory.At(0))));
            std::string text(std::size_t(n > 0 ? n : 0), '\0');
            if (n > 0) {
                memory.Read(kTextOffset, &text[0], std::size_t(n));
            }
            row.push_back(text);
        }
        rows.push_back(row);
    }
    return rows;
}

std::vector<std::string> ListColumnTitles(HWND list, int columns) {
    std::vector<std::string> titles;
    RemoteMemory memory(list, kTextOffset + kTextSize);
    for (int c = 0; c < columns && memory.Valid(); ++c) {
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT;
        column.pszText = memory.At(kTextOffset);
        column.cchTextMax = int(kTextSize);
        memory.Write(0, &column, sizeof(column));
        char zero = 0;
        memory.Write(kTextOffset, &zero, 1);
        Send(list, LVM_GETCOLUMNA, WPARAM(c), reinterpret_cast<LPARAM>(memory.At(0)));
        char text[kTextSize] = {0};
        memory.Read(kTextOffset, text, sizeof(text) - 1);
        titles.push_back(text);
    }
    return titles;
}

void SelectListRow(HWND list, int row) {
    RemoteMemory memory(list, sizeof(LVITEMA));
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = row >= 0 ? item.stateMask : 0;
    memory.Write(0, &item, sizeof(item));
    Send(list, LVM_SETITEMSTATE, row >= 0 ? WPARAM(row) : WPARAM(-1), reinterpret_cast<LPARAM>(memory.At(0)));
}

// ---- the wizard ---------------------------------------------------------------------------------

namespace {

struct SheetSearch {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindSheetOf(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<SheetSearch*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == s->pid && IsWindowVisible(hwnd) && Send(hwnd, PSM_GETCURRENTPAGEHWND, 0, 0) != 0) {
        s->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

} // namespace

HWND FindWizard(DWORD pid, DWORD timeoutMs) {
    SheetSearch s{pid, nullptr};
    e2e::WaitUntil(
        [&] {
            EnumWindows(FindSheetOf, reinterpret_cast<LPARAM>(&s));
            return s.found != nullptr;
        },
        timeoutMs);
    return s.found;
}

HWND CurrentPage(HWND wizard) {
    return reinterpret_cast<HWND>(Send(wizard, PSM_GETCURRENTPAGEHWND, 0, 0));
}

bool PressWizardButton(HWND wizard, int id) {
    HWND button = GetDlgItem(wizard, id);
    if (!button || !IsWindowEnabled(button)) {
        return false;
    }
    Send(button, BM_CLICK, 0, 0);
    return true;
}

// ---- controls -------------------------------------------------------------------------------------

void SetEditText(HWND dlg, int id, const std::string& text) {
    Send(GetDlgItem(dlg, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void ChooseComboEntry(HWND dlg, int id, int index) {
    HWND combo = GetDlgItem(dlg, id);
    Send(combo, CB_SETCURSEL, WPARAM(index), 0);
    Send(dlg, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

int ComboSelection(HWND dlg, int id) {
    return int(Send(GetDlgItem(dlg, id), CB_GETCURSEL, 0, 0));
}

std::vector<std::string> ComboEntries(HWND dlg, int id) {
    HWND combo = GetDlgItem(dlg, id);
    std::vector<std::string> out;
    // The system carries a combo box's texts across processes itself, so the buffer is ours.
    // Asked in UTF-16 (this Wine hands the ANSI form across in UTF-16 as well) and turned into
    // the ANSI code page the program's texts are in.
    const int count = int(Send(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        DWORD_PTR length = 0;
        SendMessageTimeoutW(combo, CB_GETLBTEXTLEN, WPARAM(i), 0, SMTO_NORMAL, 10000, &length);
        std::vector<wchar_t> wide(std::size_t(length) + 1, L'\0');
        DWORD_PTR got = 0;
        SendMessageTimeoutW(combo, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(wide.data()),
                            SMTO_NORMAL, 10000, &got);
        const int chars = int(got <= length ? got : 0);
        const int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), chars, nullptr, 0, nullptr, nullptr);
        std::string text(std::size_t(bytes > 0 ? bytes : 0), '\0');
        if (bytes > 0) {
            WideCharToMultiByte(CP_ACP, 0, wide.data(), chars, &text[0], bytes, nullptr, nullptr);
        }
        out.push_back(text);
    }
    return out;
}

void ClickButton(HWND dlg, int id) {
    Send(GetDlgItem(dlg, id), BM_CLICK, 0, 0);
}

bool IsButtonChecked(HWND dlg, int id) {
    return Send(GetDlgItem(dlg, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SetPickerTime(HWND dlg, int id, const SYSTEMTIME& time) {
    HWND picker = GetDlgItem(dlg, id);
    RemoteMemory memory(picker, sizeof(SYSTEMTIME));
    memory.Write(0, &time, sizeof(time));
    Send(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(memory.At(0)));
}

SYSTEMTIME PickerTime(HWND dlg, int id) {
    HWND picker = GetDlgItem(dlg, id);
    SYSTEMTIME time = {};
    RemoteMemory memory(picker, sizeof(SYSTEMTIME));
    Send(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(memory.At(0)));
    memory.Read(0, &time, sizeof(time));
    return time;
}

} // namespace schedule_e2e
