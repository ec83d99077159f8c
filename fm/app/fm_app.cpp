// Start-up of the FM program: the language, a running TV program closed, one copy only, then
// the main window, whose modal run is the program's life.
#include "fm/app/fm_app.h"

#include "fm/app/fm_window.h"
#include "framework/peer_messages.h"
#include "framework/program_dir.h"
#include "res/fm/resource.h"

namespace tunaro {

namespace {

constexpr DWORD kTvCloseWaitMs = 500;
// A peer that does not answer within this time is left alone rather than hanging start-up.
constexpr UINT kPeerSendTimeoutMs = 20000;

std::string ReadShared(const std::string& ini, const char* section, const char* key, const char* def) {
    char text[MAX_PATH] = {};
    GetPrivateProfileStringA(section, key, def, text, sizeof text, ini.c_str());
    return text;
}

} // namespace

FmGlobals& Globals() {
    static FmGlobals globals;
    return globals;
}

void LoadSharedSettings(FmGlobals& g) {
    g.strProgramDir = ProgramDirectory();
    g.strSettingIni = g.strProgramDir + "\\setting.ini";
    g.strFmSettingIni = g.strProgramDir + "\\FMSETTING.ini";
    g.strRecordList = g.strProgramDir + "\\Recordlst.txt";
    g.strTvTitle = ReadShared(g.strSettingIni, "Title", "Text", "Tunaro");
    g.strFmTitle = ReadShared(g.strSettingIni, "FM", "Title", "Tunaro FM");
    g.strBackground = ReadShared(g.strSettingIni, "MainBK", "filename", "BG.BMP");
    g.strAppName = g.strFmTitle;
    g.strCompany = ReadShared(g.strSettingIni, "company", g.Chinese() ? "CHname" : "name", "");
}

bool CFmApp::InitInstance() {
    FmGlobals& g = Globals();
    g.language = ReadLanguageMode();
    LoadSharedSettings(g);

    CloseTvProgram();
    if (!ClaimSingleInstance())
        return false;

    LoadAccelerators(IDR_ACCELERATOR);
    {
        CFmDlg window;
        SetMainWindow(&window);
        window.DoModal();
        SetMainWindow(nullptr);
    }
    // A dialog-based program ends here, without a message loop of its own.
    return false;
}

void CFmApp::CloseTvProgram() {
    HWND tv = FindWindowA(nullptr, Globals().strTvTitle.c_str());
    if (!tv)
        return;
    DWORD_PTR result = 0;
    SendMessageTimeoutA(tv, WM_COMMAND, MAKEWPARAM(peer::kTvStopAndClose, 0), 0, SMTO_ABORTIFHUNG,
                        kPeerSendTimeoutMs, &result);
    Sleep(kTvCloseWaitMs);
}

bool CFmApp::ClaimSingleInstance() {
    HANDLE mutex = CreateMutexA(nullptr, TRUE, ExecutableBaseName("Tunaro FM").c_str());
    const DWORD error = GetLastError();
    m_instanceMutex.Reset(mutex);
    if (error != ERROR_ALREADY_EXISTS)
        return true;
    m_instanceMutex.Reset();
    if (HWND first = FindWindowA(nullptr, Globals().strFmTitle.c_str())) {
        SetForegroundWindow(first);
        SetWindowPos(first, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        ShowWindow(first, SW_SHOWNORMAL);
    }
    return false;
}

} // namespace tunaro

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    tunaro::CFmApp app;
    return app.Run(instance);
}
