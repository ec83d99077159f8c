// The other programs' requests to the control panel and the panel's buttons that start them: the
// remote agent's enable and disable, the scheduler's commands and its recording order, the FM
// button and Add Task.
#include "tv/app/panel_peers.h"

#include <shellapi.h>

#include <string>

#include "framework/debug_print.h"
#include "framework/peer_messages.h"
#include "framework/raii.h"
#include "res/tunaro/resource.h"
#include "tv/app/tunaro_app.h"
#include "tv/app/control_panel.h"
#include "tv/app/panel_recording.h"
#include "tv/app/scheduled_recording.h"

namespace tunaro {

namespace {

constexpr const char* kSchedulerProgram = "Schedule.exe";

// Where the installer records the suite's directory, and the FM program in it.
constexpr const char* kSuiteKey = "SOFTWARE\\Tunaro";
constexpr const char* kSuitePathValue = "path";
constexpr const char* kFmProgram = "\\Tunaro FM.EXE";
constexpr DWORD kFmHandOverMs = 300;
// An order waiting out the program's first second is started this long after it.
constexpr DWORD kOrderRetryMarginMs = 50;

// A scheduler started by Add Task gets this long to be ready, then this long to show its window.
constexpr DWORD kSchedulerStartWaitMs = 3000;
constexpr DWORD kSchedulerWindowWaitMs = 2000;
constexpr int kSchedulerWidth = 530;
constexpr int kSchedulerHeight = 300;
constexpr int kSchedulerAboveCentre = 100;

std::string ReadSuiteDirectory() {
    RegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSuiteKey, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS)
        return std::string();
    char value[MAX_PATH + 1] = {0};
    DWORD size = MAX_PATH;
    DWORD type = 0;
    if (RegQueryValueExA(key.get(), kSuitePathValue, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::string();
    return value;
}

bool FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Waits up to ms for the scheduler's window, keeping the panel painted meanwhile.
HWND WaitForSchedulerWindow(DWORD ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (HWND schedule = FindWindowA(nullptr, kSchedulerTitle))
            return schedule;
        const DWORD passed = GetTickCount() - start;
        if (passed >= ms)
            return nullptr;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_PAINT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE))
            DispatchMessageA(&msg);
    }
}

} // namespace

void PanelPeers::OnEnableButtons() {
    EnableControls(m_panel.GetHwnd(), RemoteEnableIds(), true);
}

void PanelPeers::OnDisableButtons() {
    EnableControls(m_panel.GetHwnd(), RemoteDisableIds(), false);
}

void PanelPeers::OnFm() {
    if (m_state.recording || m_state.scanning || m_state.tvWall)
        return;
    const std::string directory = ReadSuiteDirectory();
    if (directory.empty())
        return;
    const std::string program = directory + kFmProgram;
    const TvGlobals& g = Globals();
    if (!FileExists(program)) {
        ::MessageBoxA(m_panel.GetHwnd(), g.Text("Tunaro FM is not found!", "找不到 Tunaro FM 程序！"),
                      g.app.strTitle.c_str(), MB_OK);
        return;
    }
    // The two programs share the card: this one goes before the FM program starts.
    PostMessageA(m_panel.GetHwnd(), WM_COMMAND, MAKEWPARAM(IDC_EXIT, 0), 0);
    Sleep(kFmHandOverMs);
    const HINSTANCE result = ShellExecuteA(nullptr, "open", program.c_str(), nullptr, nullptr, SW_SHOW);
    if (reinterpret_cast<INT_PTR>(result) <= 32)
        TUNARO_TRACE("Tunaro: %s could not be started (%ld)", program.c_str(),
                     static_cast<long>(reinterpret_cast<INT_PTR>(result)));
}

void PanelPeers::OnAddTask() {
    HWND schedule = FindWindowA(nullptr, kSchedulerTitle);
    if (!schedule) {
        const std::string& directory = Globals().paths.strProgramDir;
        std::string commandLine = "\"" + directory + "\\" + kSchedulerProgram + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, directory.c_str(),
                            &startup, &process)) {
            // The same words in both language modes.
            ::MessageBoxA(m_panel.GetHwnd(), "找不到预约录像程序 Schedule！", Globals().app.strTitle.c_str(),
                          MB_OK | MB_ICONWARNING);
            return;
        }
        WaitForInputIdle(process.hProcess, kSchedulerStartWaitMs);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        // Rather than a fixed pause, the window is looked for until it shows or the time is up.
        schedule = WaitForSchedulerWindow(kSchedulerWindowWaitMs);
        if (!schedule)
            return;
    }
    RECT panel = {};
    GetWindowRect(m_panel.GetHwnd(), &panel);
    const int centreX = (panel.left + panel.right) / 2;
    const int centreY = (panel.top + panel.bottom) / 2;
    ::ShowWindow(schedule, SW_SHOWNORMAL);
    MoveWindow(schedule, centreX - kSchedulerWidth / 2, centreY - kSchedulerAboveCentre, kSchedulerWidth,
               kSchedulerHeight, TRUE);
}

bool PanelPeers::MayTakeOrders() const {
    return m_state.previewOn && !m_state.recording && !m_state.scanning;
}

void PanelPeers::OnSchedulerCommand(UINT id) {
    // The scheduler's orders act on live TV: a paused picture gives way first.
    if (id == peer::kTvStopAndClose || id == peer::kTvScheduleRecord)
        m_panel.EndTimeShift();
    HWND panel = m_panel.GetHwnd();
    switch (id) {
    case peer::kTvStopAndClose:
        // Sent to itself, the stop has completed (file closed and named) when the call returns;
        // the file is named automatically, nobody is there to answer a name dialog.
        if (m_state.recording) {
            m_state.autoName = true;
            SendMessageA(panel, WM_COMMAND, MAKEWPARAM(IDC_RECORD, 0), 0);
        }
        PostMessageA(panel, WM_COMMAND, MAKEWPARAM(IDC_EXIT, 0), 0);
        break;
    case peer::kTvScheduleRecord:
        PostMessageA(panel, WM_COMMAND, MAKEWPARAM(IDC_RECORD, 0), 0);
        break;
    case peer::kTvBusyQuery:
        if (m_state.recording || m_state.scanning || m_state.desktopMode || m_state.tvWall)
            SendToScheduler(peer::kScheduleWallOpened); // the busy answer
        break;
    case peer::kTvSchedulerGone:
        if (MayTakeOrders())
            RestartPreview();
        break;
    default:
        break;
    }
}

void PanelPeers::OnScheduleTune(UINT, UINT, HWND channel) {
    if (!MayTakeOrders())
        return;
    m_panel.EndTimeShift();
    SelectSource("Tuner");
    m_state.schedulerStarted = true;
    SelectChannel(static_cast<long>(LOWORD(reinterpret_cast<UINT_PTR>(channel))));
    ApplySource();
}

void PanelPeers::RestartPreview() {
    CaptureEngine* engine = m_panel.Engine();
    if (!engine)
        return;
    engine->StartVideoPreview(m_state.settings.lDisplayMode);
    engine->SetVideoSource(m_state.settings.lVideoSource);
    engine->SetMessageDrain(m_panel.VideoWindow());
}

void PanelPeers::SelectSource(const char* name) {
    m_state.settings.lVideoSource = m_panel.LiveTvController().SourceIndexByName(name);
}

void PanelPeers::SelectChannel(long index) {
    CaptureEngine* engine = m_panel.Engine();
    m_state.channels.SelectChannel(index, [engine](long i) {
        if (engine)
            engine->SetCurrentChannel(static_cast<int>(i));
    });
}

void PanelPeers::ApplySource() {
    if (CaptureEngine* engine = m_panel.Engine())
        engine->SetVideoSource(static_cast<int>(m_state.settings.lVideoSource));
}

BOOL PanelPeers::OnCopyData(HWND from, const COPYDATASTRUCT* data) {
    // The scheduler puts its order's id where the sender's window usually goes.
    const unsigned id = LOWORD(reinterpret_cast<UINT_PTR>(from));
    if (!data || (id != peer::kTvCopyDataRecord && id != peer::kTvCopyDataRecordRest))
        return FALSE;
    if (!MayTakeOrders() || m_state.desktopMode || m_state.tvWall)
        return FALSE;
    m_panel.EndTimeShift();
    ScheduledRecording order;
    if (!DecodeScheduledRecording(data->dwData, data->lpData, data->cbData, &order)) {
        TUNARO_TRACE("Tunaro: a recording order with an unknown record format was refused");
        return FALSE;
    }
    m_state.settings.lRecordType = order.recordFormat;
    m_state.schedulerStarted = true;
    m_state.continuing = id == peer::kTvCopyDataRecordRest;
    switch (order.source) {
    case ScheduledSource::CompositeAndChannel:
        SelectSource("Composite");
        SelectChannel(order.channelIndex);
        break;
    case ScheduledSource::SVideo:
        SelectSource("SVideo");
        break;
    case ScheduledSource::TunerAndChannel:
        SelectSource("Tuner");
        SelectChannel(order.channelIndex);
        break;
    }
    ApplySource();
    // The recording starts once the order has been answered: building its graph takes longer
    // than a sender should wait. It is named by its stop time when it ends.
    m_boOrderPending = true;
    PostMessageA(m_panel.GetHwnd(), kStartOrderedRecording, 0, 0);
    return TRUE;
}

void PanelPeers::OnStartOrderedRecording() {
    // Only a start: a recording begun meanwhile by other means is not stopped by the order.
    if (!m_boOrderPending)
        return;
    // An order taken in the program's first second would be lost on Record, which ignores
    // that second: it waits for the second to pass.
    if (const DWORD left = PanelRecording::FirstSecondLeftMs()) {
        SetTimer(m_panel.GetHwnd(), TIMER_ORDER, left + kOrderRetryMarginMs, nullptr);
        return;
    }
    m_boOrderPending = false;
    if (m_state.recording)
        return;
    if (m_state.previewOn)
        SendMessageA(m_panel.GetHwnd(), WM_COMMAND, MAKEWPARAM(IDC_RECORD, 0), 0);
    if (!m_state.recording) {
        // Nothing of the scheduler's runs: the user's next recording is the user's own.
        m_state.schedulerStarted = false;
        TUNARO_TRACE("Tunaro: the scheduler's recording order did not start a recording");
    }
}

void PanelPeers::OnOrderTimer() {
    KillTimer(m_panel.GetHwnd(), TIMER_ORDER);
    OnStartOrderedRecording();
}

} // namespace tunaro
