// Starting and stopping the real Tunaro for the setup tests, with its files kept and put back.
#include "tests/tv/dialogs/tunaro_session.h"

#include <commctrl.h>

#include <cstdlib>
#include <cstring>

#include "res/tunaro/resource.h"

namespace dlgtest {

namespace {

constexpr DWORD kWindowTimeoutMs = 15000;

std::optional<std::string> ReadIfThere(const std::string& path) {
    if (!e2e::FileExists(path))
        return std::nullopt;
    return e2e::ReadFile(path);
}

void PutBack(const std::string& path, const std::optional<std::string>& bytes) {
    if (bytes)
        e2e::WriteFile(path, *bytes);
    else
        DeleteFileA(path.c_str());
}

} // namespace

const char* const kSeededProgramTxt =
    "Name: Harbour TV\nFreq: 49750000\nChan: 1\nAudioChannels:0\nCheck:1\n"
    "Name: Lotus Channel\nFreq: 77250000\nChan: 4\nAudioChannels:0\nCheck:0\n"
    "Name: Summit News\nFreq: 168250000\nChan: 6\nAudioChannels:0\nCheck:1\n";

std::string ProgramTxt() {
    return e2e::SystemDir() + "\\program.txt";
}

std::string TunaroIni() {
    return e2e::InstallDir() + "\\Tunaro.ini";
}

LanguageValue::LanguageValue(const char* value) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Tunaro", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    char old[64] = {};
    DWORD size = sizeof old, type = 0;
    if (RegQueryValueExA(key, "Language", nullptr, &type, reinterpret_cast<BYTE*>(old), &size) ==
        ERROR_SUCCESS)
        m_old = old;
    RegSetValueExA(key, "Language", 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                   static_cast<DWORD>(strlen(value) + 1));
    RegCloseKey(key);
}

LanguageValue::~LanguageValue() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Tunaro", 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    if (m_old)
        RegSetValueExA(key, "Language", 0, REG_SZ, reinterpret_cast<const BYTE*>(m_old->c_str()),
                       static_cast<DWORD>(m_old->size() + 1));
    else
        RegDeleteValueA(key, "Language");
    RegCloseKey(key);
}

bool RunningTunaro::Start() {
    m_program = ReadIfThere(ProgramTxt());
    m_ini = ReadIfThere(TunaroIni());
    e2e::WriteFile(ProgramTxt(), kSeededProgramTxt);
    schedule = std::make_unique<e2e::PeerWindow>("Schedule");
    e2e::WriteFile(TunaroIni(), "[VideoSource]\r\nSource=1\r\n[VideoStandard]\r\nvalue=32\r\n"
                                "[Channel]\r\nCurrentIndex=0\r\n[Country]\r\niCode=0\r\n");
    if (!program.Start(e2e::InstallDir() + "\\Tunaro.exe"))
        return false;
    panel = e2e::WaitForWindow("Tunaro", 30000);
    if (!panel)
        return false;
    video = e2e::WaitForWindow(videoTitle.c_str(), 10000);
    // Up once the status line names the input.
    e2e::WaitUntil([this] { return !e2e::ControlText(panel, 1069).empty(); }, 15000);
    return video != nullptr;
}

void RunningTunaro::Stop() {
    if (program.Running()) {
        e2e::PostCommand(panel, IDC_EXIT);
        if (!program.WaitForExit(20000))
            program.Kill();
    }
    PutBack(ProgramTxt(), m_program);
    PutBack(TunaroIni(), m_ini);
    schedule.reset();
}

HWND Open(HWND target, WORD command, const char* title) {
    e2e::PostCommand(target, command);
    return e2e::WaitForWindow(title, kWindowTimeoutMs);
}

bool CloseSheet(HWND sheet, const char* title, int button) {
    PostMessageA(sheet, PSM_PRESSBUTTON, static_cast<WPARAM>(button), 0);
    return e2e::WaitForWindowGone(title, kWindowTimeoutMs);
}

void Click(HWND dlg, int id) {
    PostMessageA(GetDlgItem(dlg, id), BM_CLICK, 0, 0);
}

HWND PopupMenuOf(DWORD pid) {
    struct Search {
        DWORD pid;
        HWND found;
    } s = {pid, nullptr};
    e2e::ForEachWindow(
        [](HWND wnd, LPARAM lp) -> BOOL {
            auto* search = reinterpret_cast<Search*>(lp);
            DWORD owner = 0;
            GetWindowThreadProcessId(wnd, &owner);
            char cls[16] = {};
            GetClassNameA(wnd, cls, sizeof cls);
            if (owner == search->pid && lstrcmpA(cls, "#32768") == 0 && IsWindowVisible(wnd)) {
                search->found = wnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
}

void Shot(HWND window, const char* name) {
    const char* dir = getenv("TUNARO_SHOTS");
    if (!dir)
        return;
    // Painted first.
    if (window)
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(1500);
    e2e::Screenshot(window, std::string(dir) + "\\" + name + ".bmp");
}

} // namespace dlgtest
