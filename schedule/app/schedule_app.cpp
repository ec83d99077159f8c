// Start-up of the scheduler: one copy only, the language and the paths, the log-on values
// reset, then the scheduler window, whose modal run is the program's life.
#include "schedule/app/schedule_app.h"

#include "schedule/app/auto_logon.h"
#include "schedule/app/schedule_dlg.h"
#include "schedule/task_file.h"
#include "schedule/task_history.h"
#include "framework/program_dir.h"

#include <commctrl.h>

namespace tunaro {

void AddListColumns(HWND list, const int* widths, int count, const char* (*title)(int column, bool chinese)) {
    const bool chinese = Globals().Chinese();
    for (int c = 0; c < count; ++c) {
        LVCOLUMNA column = {};
        column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = widths[c];
        column.pszText = const_cast<char*>(title(c, chinese));
        column.iSubItem = c;
        ::SendMessageA(list, LVM_INSERTCOLUMNA, WPARAM(c), reinterpret_cast<LPARAM>(&column));
    }
}
namespace {

SchedulePaths CurrentPaths() {
    SchedulePaths p;
    p.programDir = ProgramDirectory() + "\\";
    p.taskFile = p.programDir + kTaskFileName;
    p.historyFile = p.programDir + kTaskHistoryFileName;
    p.tunaroIni = p.programDir + "Tunaro.ini";
    const std::string system = SystemDirectory();
    p.programTxt = system + "\\program.txt";
    p.channelTxt = system + "\\CHANNEL.TXT";
    return p;
}

} // namespace

ScheduleGlobals& Globals() {
    static ScheduleGlobals globals;
    return globals;
}

bool CScheduleApp::InitInstance() {
    // A second copy ends at once, without a window.
    m_instanceMutex.Reset(CreateMutexA(nullptr, TRUE, ExecutableBaseName("Schedule").c_str()));
    if (!m_instanceMutex.valid() || GetLastError() == ERROR_ALREADY_EXISTS) {
        return false;
    }
    ScheduleGlobals& g = Globals();
    g.language = ReadLanguageMode();
    g.paths = CurrentPaths();
    ResetAutoLogon();

    CScheduleDlg window;
    SetMainWindow(&window);
    window.DoModal();
    SetMainWindow(nullptr);
    return false;
}

} // namespace tunaro

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    tunaro::CScheduleApp app;
    return app.Run(instance);
}
