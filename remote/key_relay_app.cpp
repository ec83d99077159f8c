// Start-up of the agent: the language, the single copy (a second one says so and ends), then
// the agent's window, whose modal run is the program's life.
#include "remote/key_relay_app.h"

#include "framework/language.h"
#include "remote/key_relay_dlg.h"

namespace tunaro::remote {

namespace {
// The mutex that marks a running agent, named after the program.
constexpr const char* kInstanceMutex = "KeyRelay";
} // namespace

bool CKeyRelayApp::InitInstance() {
    const LanguageMode language = ReadLanguageMode();
    HANDLE mutex = CreateMutexA(nullptr, TRUE, kInstanceMutex);
    const DWORD error = GetLastError();
    m_instanceMutex.Reset(mutex);
    if (error == ERROR_ALREADY_EXISTS) {
        m_instanceMutex.Reset();
        MessageBoxA(nullptr, PickText(language, "Remote control have started", "遥控程序已经启动"),
                    PickText(language, "Remote", "遥控"), MB_OK | MB_ICONINFORMATION);
        return false;
    }
    CKeyRelayDlg dlg(language);
    SetMainWindow(&dlg);
    dlg.DoModal();
    SetMainWindow(nullptr);
    // A dialog-based program ends here, without a message loop of its own.
    return false;
}

} // namespace tunaro::remote

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    tunaro::remote::CKeyRelayApp app;
    return app.Run(instance);
}
