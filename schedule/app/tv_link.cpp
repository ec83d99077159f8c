// Finding, starting and messaging the TV application; starting the power-off program.
#include "schedule/app/tv_link.h"

#include <vector>

#include "framework/debug_print.h"

namespace tunaro {
namespace {

constexpr const char kTunaroKey[] = "Software\\Tunaro";
constexpr const char kDefaultTvTitle[] = "Tunaro";
// Waits after starting the TV program: for its first message loop, then for its window.
constexpr DWORD kTvStartWaitMs = 3000;
constexpr DWORD kTvWindowWaitMs = 2000;
// A TV application that does not take a message within this time is given up on, so that a hung
// peer cannot stop the scheduler for good.
constexpr UINT kSendTimeoutMs = 30000;

// Starts a program by its full path, its directory as the working directory, the path
// quoted on the command line so that a path with blanks cannot start anything else.
bool StartProgram(const std::string& path, const std::string& directory, WORD show, Handle* process) {
    std::string line = "\"" + path + "\"";
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = show;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(path.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        directory.empty() ? nullptr : directory.c_str(), &si, &pi)) {
        return false;
    }
    CloseHandle(pi.hThread);
    if (process != nullptr) {
        process->Reset(pi.hProcess);
    } else {
        CloseHandle(pi.hProcess);
    }
    return true;
}

} // namespace

std::string RecordMessageText(const TaskRecord& task) {
    return task.RecordFileNameText() + std::to_string(task.videoInput);
}

ULONG_PTR RecordMessageData(const TaskRecord& task) {
    return (ULONG_PTR(std::uint16_t(task.recordFormat)) << 16) |
           ULONG_PTR(std::uint32_t(task.channel) & 0xFFFF);
}

WPARAM RecordMessageWParam(const TaskRecord& task, bool rest) {
    return (WPARAM(std::uint32_t(task.duration)) << 16) +
           (rest ? peer::kTvCopyDataRecordRest : peer::kTvCopyDataRecord);
}

void TvLink::ReadDirectory() {
    m_directory.clear();
    RegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kTunaroKey, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS) {
        return;
    }
    char value[MAX_PATH + 1] = {0};
    DWORD size = MAX_PATH;
    DWORD type = 0;
    if (RegQueryValueExA(key.get(), "Path", nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
        // The installer always writes the value; without it the program is looked for by name.
        m_directory = "Tunaro.EXE";
        return;
    }
    m_directory = value;
    while (!m_directory.empty() && (m_directory.back() == '\\' || m_directory.back() == '/')) {
        m_directory.pop_back();
    }
}

std::string TvLink::TvTitle() const {
    const std::string ini = m_directory + "\\setting.ini";
    char title[256] = {0};
    GetPrivateProfileStringA("Title", "Text", kDefaultTvTitle, title, sizeof(title), ini.c_str());
    return title[0] != '\0' ? std::string(title) : std::string(kDefaultTvTitle);
}

HWND TvLink::FindTv() const {
    return FindWindowA(nullptr, TvTitle().c_str());
}

bool TvLink::StartTv() {
    const std::string program = m_directory + "\\Tunaro.EXE";
    Handle process;
    if (!StartProgram(program, m_directory, SW_SHOW, &process)) {
        TUNARO_TRACE("Schedule: %s could not be started (%lu)", program.c_str(),
                     static_cast<unsigned long>(GetLastError()));
        return false;
    }
    WaitForInputIdle(process.get(), kTvStartWaitMs);
    Sleep(kTvWindowWaitMs);
    m_startedTv = std::move(process);
    return true;
}

void TvLink::SendCommand(WORD id, LPARAM lParam) const {
    HWND tv = FindTv();
    if (tv == nullptr) {
        return;
    }
    DWORD_PTR result = 0;
    SendMessageTimeoutA(tv, WM_COMMAND, MAKEWPARAM(id, 0), lParam, SMTO_NORMAL, kSendTimeoutMs, &result);
}

void TvLink::SendRecord(const TaskRecord& task, bool rest) const {
    HWND tv = FindTv();
    if (tv == nullptr) {
        return;
    }
    // The text without its terminating zero is counted; the buffer still ends in one.
    const std::string text = RecordMessageText(task);
    COPYDATASTRUCT data = {};
    data.dwData = RecordMessageData(task);
    data.cbData = static_cast<DWORD>(text.size());
    data.lpData = const_cast<char*>(text.c_str());
    DWORD_PTR result = 0;
    SendMessageTimeoutA(tv, WM_COPYDATA, RecordMessageWParam(task, rest), reinterpret_cast<LPARAM>(&data),
                        SMTO_NORMAL, kSendTimeoutMs, &result);
}

void TvLink::StartPowerOff() const {
    const std::string program = m_directory + "\\Haltbox.exe";
    if (GetFileAttributesA(program.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return;
    }
    StartProgram(program, m_directory, SW_HIDE, nullptr);
}

} // namespace tunaro
