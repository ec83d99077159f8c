// The automatic log-on values: the Winlogon key of the running Windows family, opened (never
// created) for writing; values longer than the system takes are left out.
#include "schedule/app/auto_logon.h"

#include <windows.h>

#include "framework/raii.h"
#include "framework/debug_print.h"

namespace tunaro {
namespace {

constexpr const char kNtWinlogonKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
constexpr const char k9xWinlogonKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Winlogon";
// Longest value text written.
constexpr std::size_t kMaxValueChars = 254;

bool IsNtFamily() {
    // The high bit of the version is set on the Windows 9x family.
    return (GetVersion() & 0x80000000u) == 0;
}

// The process asks for the shutdown privilege before it touches the log-on values.
void EnableShutdownPrivilege() {
    Handle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.Receive())) {
        return;
    }
    TOKEN_PRIVILEGES privileges = {};
    if (!LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid)) {
        return;
    }
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr);
}

class WinlogonKey {
public:
    WinlogonKey() {
        const bool nt = IsNtFamily();
        if (nt) {
            EnableShutdownPrivilege();
        }
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, nt ? kNtWinlogonKey : k9xWinlogonKey, 0, KEY_SET_VALUE,
                          m_key.Receive()) != ERROR_SUCCESS) {
            TUNARO_TRACE("Schedule: the Winlogon key cannot be opened");
        }
    }

    void Set(const char* name, const std::string& value) const {
        if (!m_key.valid() || value.size() > kMaxValueChars) {
            return;
        }
        RegSetValueExA(m_key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
    }

private:
    RegKey m_key;
};

} // namespace

void ResetAutoLogon() {
    WinlogonKey key;
    key.Set("DefaultPassword", "");
    key.Set("AutoAdminLogon", "0");
}

void WriteAutoLogon(const std::string& userName, const std::string& password) {
    WinlogonKey key;
    key.Set("DefaultUserName", userName);
    key.Set("DefaultPassword", password);
    key.Set("AutoAdminLogon", "1");
}

} // namespace tunaro
