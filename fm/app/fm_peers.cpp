// What the other programs ask of the FM window, and its TV button.
#include "fm/app/fm_peers.h"

#include <string>

#include "fm/app/fm_state.h"
#include "fm/app/fm_window.h"
#include "framework/file_replace.h"
#include "res/fm/resource.h"

namespace tunaro {

void FmPeers::OnCloseForTv() {
    m_window.Dialogs().CommandDone();
    // The TV program is starting and needs the card: a recording is stopped and saved, a scan
    // ends where it is, and the radio closes.
    if (m_state.recording)
        m_window.SendCommand(IDC_RECORD);
    if (m_state.scanning)
        m_window.Scan().OnScan();
    m_window.SendCommand(IDC_EXIT);
}

void FmPeers::OnTv() {
    if (m_state.Busy())
        return;
    char path[MAX_PATH] = {};
    DWORD size = sizeof path - 1;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Tunaro", 0, KEY_READ, &key) == ERROR_SUCCESS) {
        DWORD type = 0;
        if (RegQueryValueExA(key, "path", nullptr, &type, reinterpret_cast<BYTE*>(path), &size) !=
                ERROR_SUCCESS ||
            type != REG_SZ)
            path[0] = '\0';
        RegCloseKey(key);
    }
    if (path[0] == '\0')
        return;
    const std::string program = std::string(path) + "\\Tunaro.EXE";
    if (!FileExists(program)) {
        OpenDialogs::Scope scope(m_window.Dialogs(), m_window.GetHwnd(), true);
        MessageBoxA(m_window.GetHwnd(), "Tunaro TV application is not found!", "Tunaro",
                    MB_OK | MB_ICONWARNING);
        return;
    }
    m_window.SendCommand(IDC_EXIT);
    // Shown normally: the TV program is what the user asked to see.
    WinExec(program.c_str(), SW_SHOWNORMAL);
}

bool FmPeers::CommandAllowedUnderDialog(WORD id) const {
    switch (id) {
    case IDC_MUTE:
    case IDC_VOLUME_DOWN:
    case IDC_VOLUME_UP:
        return true;
    case IDC_STOP_RECORD:
        return m_state.recording;
    default:
        return id >= IDC_VOLUME_FIRST && id <= IDC_VOLUME_LAST;
    }
}

} // namespace tunaro
