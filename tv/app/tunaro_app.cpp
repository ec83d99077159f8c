// Start-up of the TV program: language, the FM program closed, the scheduler started, one copy
// only, then the video window and the control panel, whose modal run is the program's life.
#include "tv/app/tunaro_app.h"

#include <shellapi.h>

#include "tv/app/control_panel.h"
#include "framework/debug_print.h"
#include "framework/format.h"
#include "framework/peer_messages.h"
#include "framework/program_dir.h"
#include "res/tunaro/resource.h"
#include "tv/profile_ini.h"
#include "tv/app/video_window.h"

namespace tunaro {

namespace {

constexpr DWORD kFmCloseWaitMs = 500;
// A peer that does not answer within this time is left alone rather than hanging start-up.
constexpr UINT kPeerSendTimeoutMs = 5000;
// How long a new copy waits for a copy that holds the single-instance lock but shows no panel.
constexpr DWORD kPreviousCopyWaitMs = 10000;
constexpr DWORD kPreviousCopyPollMs = 100;

} // namespace

TvGlobals& Globals() {
    static TvGlobals globals;
    return globals;
}

UINT BringToFrontMessage() {
    static const UINT kMessage = RegisterWindowMessageA("Tunaro.BringPanelToFront");
    return kMessage;
}

bool CTunaroApp::InitInstance() {
    TvGlobals& g = Globals();
    // System directory, program directory and the files in them.
    g.paths = CurrentTvPaths();
    // The language decides which company line setting.ini gives, so it is known before the
    // file is read; the registry is read once.
    g.language = ReadLanguageMode();
    g.app = LoadAppSettings(ProfileIni(g.paths.strSettingIni), g.Chinese());

    CloseFmProgram();
    StartScheduler();
    if (!ClaimSingleInstance())
        return false;

    LoadAccelerators(IDR_ACCELERATOR);
    CVideoWnd videoWnd;
    if (!videoWnd.Create()) {
        TUNARO_TRACE("Tunaro: the video window could not be created");
        return false;
    }
    g.videoWnd = &videoWnd;

    {
        CControlPanel panel;
        SetMainWindow(&panel);
        panel.DoModal();
        SetMainWindow(nullptr);
    }
    g.videoWnd = nullptr;
    videoWnd.DestroyWindow();
    // A dialog-based program ends here, without a message loop of its own.
    return false;
}

void CTunaroApp::CloseFmProgram() {
    const std::string& fmTitle = Globals().app.strFmTitle;
    HWND fm = FindWindowA(nullptr, fmTitle.c_str());
    if (!fm)
        return;
    DWORD_PTR result = 0;
    SendMessageTimeoutA(fm, WM_COMMAND, MAKEWPARAM(peer::kFmCloseForTv, 0), 0, SMTO_ABORTIFHUNG,
                        kPeerSendTimeoutMs, &result);
    Sleep(kFmCloseWaitMs);
}

void CTunaroApp::StartScheduler() {
    if (FindWindowA(nullptr, "Schedule"))
        return;
    const std::string path = Format("%s\\Schedule.exe", Globals().paths.strProgramDir.c_str());
    // A missing scheduler only means no scheduled tasks: start-up goes on.
    const HINSTANCE result = ShellExecuteA(nullptr, "open", path.c_str(), "", "", SW_SHOW);
    if (reinterpret_cast<INT_PTR>(result) <= 32)
        TUNARO_TRACE("Tunaro: %s could not be started (%ld)", path.c_str(),
                     static_cast<long>(reinterpret_cast<INT_PTR>(result)));
}

bool CTunaroApp::ClaimSingleInstance() {
    HANDLE mutex = CreateMutexA(nullptr, TRUE, ExecutableBaseName("Tunaro").c_str());
    const DWORD error = GetLastError();
    m_instanceMutex.Reset(mutex);
    if (error != ERROR_ALREADY_EXISTS)
        return true;
    const std::string& title = Globals().app.strTitle;
    HWND first = FindWindowA(nullptr, title.c_str());
    // A copy without a panel is either ending (Exit was just used) or still starting: wait for
    // it to end, which frees the lock, or for its panel to appear, which is brought forward.
    const DWORD waitStart = GetTickCount();
    while (!first && mutex && GetTickCount() - waitStart < kPreviousCopyWaitMs) {
        const DWORD got = WaitForSingleObject(mutex, kPreviousCopyPollMs);
        if (got == WAIT_OBJECT_0 || got == WAIT_ABANDONED)
            return true; // the previous copy has gone; the lock is this copy's now
        first = FindWindowA(nullptr, title.c_str());
    }
    m_instanceMutex.Reset();
    if (first) {
        SetForegroundWindow(first);
        SetWindowPos(first, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        ShowWindow(first, SW_SHOW);
        DWORD_PTR result = 0;
        SendMessageTimeoutA(first, BringToFrontMessage(), 0, 0, SMTO_ABORTIFHUNG, kPeerSendTimeoutMs,
                            &result);
    }
    return false;
}

} // namespace tunaro

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    tunaro::CTunaroApp app;
    return app.Run(instance);
}
