// Running the installed agent for the end-to-end tests, and the files and registry value they
// change and put back.
#include "tests/remote/agent.h"

namespace keyrelay_test {

namespace {
constexpr const char* kLanguageKey = "Software\\Tunaro";
} // namespace

std::string InstalledAgent() {
    return e2e::InstallDir() + "\\KeyRelay.exe";
}

bool Agent::Start(const std::string& exe, bool waitReady, const char* title) {
    if (!m_program.Start(exe))
        return false;
    m_window = e2e::WaitForWindow(title, 15000);
    if (!m_window)
        return false;
    return !waitReady || ReceiverReady();
}

bool Agent::Stop() {
    if (!m_program.Running())
        return true;
    if (m_window)
        e2e::PostCommand(m_window, kMenuExit);
    if (m_program.WaitForExit(10000))
        return true;
    m_program.Kill();
    return false;
}

bool Agent::WaitForLabel(const std::string& text, DWORD timeoutMs) const {
    return e2e::WaitUntil([&] { return Label() == text; }, timeoutMs);
}

bool ReceiverReady(DWORD timeoutMs) {
    return irsend_test::Irsend("--wait-ready --timeout " + std::to_string(timeoutMs), timeoutMs + 10000)
               .exitCode == 0;
}

bool CopyOver(const std::string& from, const std::string& to) {
    SetFileAttributesA(to.c_str(), FILE_ATTRIBUTE_NORMAL);
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != FALSE;
}

LanguageValue::LanguageValue(const char* value) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kLanguageKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    char old[256] = {0};
    DWORD size = sizeof old - 1;
    DWORD type = 0;
    m_existed = RegQueryValueExA(key, "Language", nullptr, &type, reinterpret_cast<BYTE*>(old), &size) ==
                ERROR_SUCCESS;
    m_old = old;
    RegSetValueExA(key, "Language", 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                   static_cast<DWORD>(strlen(value) + 1));
    RegCloseKey(key);
}

LanguageValue::~LanguageValue() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kLanguageKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    if (m_existed)
        RegSetValueExA(key, "Language", 0, REG_SZ, reinterpret_cast<const BYTE*>(m_old.c_str()),
                       static_cast<DWORD>(m_old.size() + 1));
    else
        RegDeleteValueA(key, "Language");
    RegCloseKey(key);
}

} // namespace keyrelay_test
