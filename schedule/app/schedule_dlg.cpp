// The scheduler window: start-up in the tray, the task list, New/Modify/Delete through the
// wizard, the tray menu, the task timer and the TV application's reports.
#include "schedule/app/schedule_dlg.h"

#include <commctrl.h>

#include <cstdio>

#include "framework/format.h"
#include "res/schedule/resource.h"
#include "schedule/app/about_dlg.h"
#include "schedule/app/history_dlg.h"
#include "schedule/app/auto_logon.h"
#include "schedule/app/schedule_app.h"
#include "schedule/app/schedule_settings.h"
#include "schedule/app/task_wizard.h"
#include "schedule/task_file.h"
#include "schedule/task_history.h"
#include "schedule/task_texts.h"
#include "schedule/task_wizard_rules.h"
#include "schedule/wake_clock.h"
#include "framework/debug_print.h"

namespace tunaro {
namespace {

// The TV application's state reports: recording, scanning, desktop video and TV wall begin
// (odd ids) and end (even ids).
constexpr WPARAM kTvStateFirst = peer::kScheduleCardTakenFirst;
constexpr WPARAM kTvStateLast = peer::kScheduleCardTakenLast;
// The hidden button the TV application presses when a task's recording is over.
static_assert(IDC_TASK_OVER == peer::kScheduleTaskOver, "the template's button is the protocol's id");
// Tray callback mouse messages.
constexpr LPARAM kTrayDoubleClick = WM_LBUTTONDBLCLK; // 515
constexpr LPARAM kTrayRightUp = WM_RBUTTONUP;         // 517
// Pause between telling the TV application to close and switching the computer off.
constexpr DWORD kPowerOffPauseMs = 3000;
// How long a finished recording's history line waits for the TV application's report.
constexpr std::int64_t kReportWaitSeconds = 30;
// Cell text margins of the list.
constexpr int kCellMargin = 6;
constexpr int kFirstCellMargin = 2;

} // namespace

CScheduleDlg::CScheduleDlg()
    : Dialog(IDD_SCHEDULE_DIALOG), m_runner(m_tasks, SystemTaskClock(), *this), m_dialogs(ID_TRAY_EXIT) {}

const MessageMap* CScheduleDlg::GetMessageMap() const {
    using C = CScheduleDlg;
    static const MessageMap kMap{
        Message<&C::OnTvStateMessage>(WM_COMMAND),
        CopyData<&C::OnCopyData>(),
        Command<&C::OnNew>(IDC_NEW),
        Command<&C::OnModify>(IDC_MODIFY),
        Command<&C::OnDelete>(IDC_DELETE),
        Command<&C::OnHide>(IDC_HIDE),
        Command<&C::OnTaskOver>(IDC_TASK_OVER),
        Command<&C::OnTrayShow>(ID_TRAY_SCHEDULE),
        Command<&C::OnHistory>(IDC_HISTORY),
        Command<&C::OnHistory>(ID_TRAY_HISTORY),
        Command<&C::OnTrayExit>(ID_TRAY_EXIT),
        SysCommand<&C::OnAbout>(IDM_ABOUTBOX, IDM_ABOUTBOX),
        Message<&C::OnTrayCallback>(kTrayCallbackMessage),
        Message<&C::OnSize>(WM_SIZE),
        Message<&C::OnShowWindow>(WM_SHOWWINDOW),
        Message<&C::OnDrawItem>(WM_DRAWITEM),
        Message<&C::OnMeasureItem>(WM_MEASUREITEM),
        Message<&C::OnDestroy>(WM_DESTROY),
        Message<&C::OnSaveFailed>(kSaveFailedMessage),
        Timer<&C::OnTimer>(),
    };
    return &kMap;
}

BOOL CScheduleDlg::OnInitDialog() {
    const ScheduleGlobals& g = Globals();
    AppendSystemMenuItem(IDM_ABOUTBOX, g.Chinese() ? LoadResourceString(IDS_ABOUTBOX) : "&About Schedule...");
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    SetTexts();

    // Off the screen and straight to the tray: the scheduler is seen only when asked for. The
    // dialog is shown once its queue first runs empty, so it goes to the tray from there.
    SetWindowPos(m_hWnd, nullptr, GetSystemMetrics(SM_CXSCREEN) + 200, GetSystemMetrics(SM_CYSCREEN) + 200, 0,
                 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    m_toTrayWhenShown = true;

    if (m_cardBus.Open()) {
        SynchroniseWakeClock(m_cardBus);
    }
    ReloadChannels();
    m_tasks.Clear();
    LoadTasks();
    InsertColumns();
    FillList();

    m_tv.ReadDirectory();
    m_trayMenu.Reset(LoadMenuA(GetModuleHandleA(nullptr),
                               MAKEINTRESOURCEA(g.Chinese() ? IDR_TRAY_MENU_CN : IDR_TRAY_MENU)));
    // A task clock run faster for a test ticks as often on its own seconds.
    SetTimer(m_hWnd, kTaskTimerId, kTaskTimerMs / UINT(SystemTaskClockShift().rate), nullptr);
    m_tv.SendCommand(peer::kTvBusyQuery);
    return TRUE;
}

void CScheduleDlg::SetTexts() {
    const ScheduleGlobals& g = Globals();
    SetWindowText(kScheduleTitle);
    SetItemText(IDC_NEW, g.Text("&New", "新建(&N)"));
    SetItemText(IDC_MODIFY, g.Text("&Modify", "修改(&M)"));
    SetItemText(IDC_DELETE, g.Text("&Delete", "删除(&D)"));
    SetItemText(IDC_HISTORY, g.Text("&History", "历史记录(&H)"));
    SetItemText(IDCANCEL, g.Text("&Ok", "确定(&O)"));
}

void CScheduleDlg::ReloadChannels() {
    const SchedulePaths& p = Globals().paths;
    // The country tables are not needed here, but a missing file means a broken installation.
    if (std::FILE* file = std::fopen(p.channelTxt.c_str(), "rb")) {
        std::fclose(file);
    } else {
        Ask(Format("Can not open %s", p.channelTxt.c_str()).c_str(),
            Format("无法打开 %s", p.channelTxt.c_str()).c_str(), MB_OK | MB_ICONERROR);
    }
    ReadScheduleChannels(p.programTxt, m_channels);
}

void CScheduleDlg::LoadTasks() {
    // A missing file is an empty list. A file that is there but cannot be taken whole stays as
    // it is on the disk for this run (the list never saves over it), and the user is told why.
    const std::string& path = Globals().paths.taskFile;
    const bool loaded = m_tasks.Load(path);
    for (const TaskRecord& missed : m_tasks.MissedOnLoad()) {
        TaskHistoryEntry entry;
        entry.when = SystemTaskClock().LocalNow();
        entry.name = missed.NameText();
        entry.channel = missed.channel;
        entry.outcome = TaskOutcome::Missed;
        entry.reason = TaskRunReason::ComputerOff;
        AppendTaskHistory(Globals().paths.historyFile, entry);
    }
    if (loaded || !m_tasks.LoadRefused()) {
        return;
    }
    const unsigned limit = static_cast<unsigned>(kTaskFileMaxTasks);
    Ask(Format("The task list %s could not be read (another program may be using it, it may be damaged, "
               "or it holds more than %u tasks).\nIt is left as it is and will not be written while "
               "Schedule runs.",
               path.c_str(), limit)
            .c_str(),
        Format("无法读取任务列表 %s（文件可能正被其他程序使用、已损坏，或超过 %u 个任务）。\n"
               "Schedule 运行期间不会改写该文件。",
               path.c_str(), limit)
            .c_str(),
        MB_OK | MB_ICONERROR);
}

void CScheduleDlg::InsertColumns() {
    HWND list = Item(IDC_TASK_LIST);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    LOGFONTA lf = {};
    HFONT current = reinterpret_cast<HFONT>(::SendMessageA(list, WM_GETFONT, 0, 0));
    if (current == nullptr || GetObjectA(current, sizeof(lf), &lf) == 0) {
        GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
    }
    lstrcpynA(lf.lfFaceName, "SimSun", LF_FACESIZE);
    m_listFont.Reset(CreateFontIndirectA(&lf));
    ::SendMessageA(list, WM_SETFONT, reinterpret_cast<WPARAM>(m_listFont.get()), TRUE);

    // Name and start time a quarter of the width each, the other four an eighth and a little;
    // all scaled down together to the inside of the frame, so no scroll bar is needed.
    RECT outer = {};
    ::GetWindowRect(list, &outer);
    RECT inside = {};
    ::GetClientRect(list, &inside);
    const int w = int(outer.right - outer.left) - 5;
    int widths[kTaskColumnCount];
    int total = 0;
    for (int c = 0; c < kTaskColumnCount; ++c) {
        widths[c] = (c == 0 || c == 3) ? w / 4 - 10 : w / 8 + 10;
        total += widths[c];
    }
    const int room = int(inside.right - inside.left);
    if (total > room && total > 0) {
        for (int& width : widths) {
            width = width * room / total;
        }
    }
    AddListColumns(list, widths, kTaskColumnCount, TaskColumnTitle);
}

void CScheduleDlg::FillList() {
    if (!m_listFilledOnce) {
        // Weekly tasks run again in every run of the scheduler.
        m_listFilledOnce = true;
        for (int i = 0; i < m_tasks.Count(); ++i) {
            TaskRecord* task = m_tasks.At(i);
            if (task->RepeatsWeekly()) {
                task->status = kTaskReady;
            }
        }
    }
    HWND list = Item(IDC_TASK_LIST);
    ::SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(list);
    const bool chinese = Globals().Chinese();
    for (int i = 0; i < m_tasks.Count(); ++i) {
        const TaskRowTexts row = TaskRow(*m_tasks.At(i), m_channels, chinese);
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = const_cast<char*>(row.cells[0].c_str());
        const int at = int(::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        for (int c = 1; c < kTaskColumnCount; ++c) {
            LVITEMA sub = {};
            sub.iSubItem = c;
            sub.pszText = const_cast<char*>(row.cells[c].c_str());
            ::SendMessageA(list, LVM_SETITEMTEXTA, WPARAM(at), reinterpret_cast<LPARAM>(&sub));
        }
    }
    ::SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

int CScheduleDlg::SelectedRow() const {
    return int(::SendMessageA(Item(IDC_TASK_LIST), LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED));
}

void CScheduleDlg::SelectRow(int row) {
    HWND list = Item(IDC_TASK_LIST);
    ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(list, row, FALSE);
}

LRESULT CScheduleDlg::OnMeasureItem(WPARAM, LPARAM lp) {
    MEASUREITEMSTRUCT* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
    if (mis == nullptr || mis->CtlID != IDC_TASK_LIST) {
        return FALSE;
    }
    TEXTMETRICA tm = {};
    WindowDc dc(Item(IDC_TASK_LIST));
    SelectObjectScope font(dc.get(),
                           m_listFont.valid() ? HGDIOBJ(m_listFont.get()) : GetStockObject(DEFAULT_GUI_FONT));
    GetTextMetricsA(dc.get(), &tm);
    mis->itemHeight = UINT(tm.tmHeight + 6);
    return TRUE;
}

// Full-row selection in the system's colours, every cell framed, texts shortened with "...".
LRESULT CScheduleDlg::OnDrawItem(WPARAM, LPARAM lp) {
    const DRAWITEMSTRUCT* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
    if (dis == nullptr || dis->CtlType != ODT_LISTVIEW || dis->CtlID != IDC_TASK_LIST) {
        return FALSE;
    }
    HWND list = dis->hwndItem;
    HDC dc = dis->hDC;
    const int row = int(dis->itemID);
    const bool showSelection =
        GetFocus() == list || (GetWindowLongA(list, GWL_STYLE) & LVS_SHOWSELALWAYS) != 0;
    const bool selected =
        (ListView_GetItemState(list, row, LVIS_SELECTED) & LVIS_SELECTED) != 0 && showSelection;
    const COLORREF back = GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
    const COLORREF fore = GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
    Brush backBrush(CreateSolidBrush(back));
    Brush frameBrush(CreateSolidBrush(GetSysColor(COLOR_WINDOWTEXT)));
    FillRect(dc, &dis->rcItem, backBrush.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, fore);
    SelectObjectScope font(dc,
                           m_listFont.valid() ? HGDIOBJ(m_listFont.get()) : GetStockObject(DEFAULT_GUI_FONT));

    int left = dis->rcItem.left;
    for (int c = 0; c < kTaskColumnCount; ++c) {
        const int width = ListView_GetColumnWidth(list, c);
        RECT cell = {left, dis->rcItem.top, left + width, dis->rcItem.bottom};
        FrameRect(dc, &cell, frameBrush.get());
        char text[300] = {0};
        ListView_GetItemText(list, row, c, text, int(sizeof(text)));
        RECT inner = cell;
        inner.left += c == 0 ? kFirstCellMargin : kCellMargin;
        inner.right -= kCellMargin;
        DrawTextA(dc, text, -1, &inner, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
        left += width;
    }
    return TRUE;
}

void CScheduleDlg::OnCancel() {
    Minimise();
}

void CScheduleDlg::OnHide() {
    Minimise();
}

void CScheduleDlg::Minimise() {
    // A minimised window hides the dialogs it owns with it: one still open would wait unseen
    // behind the tray icon, and the window could not be ended while it does.
    if (m_dialogs.Any()) {
        return;
    }
    PostMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
}

int CScheduleDlg::Ask(const char* english, const char* chinese, UINT flags) {
    const ScheduleGlobals& g = Globals();
    const char* caption = (flags & MB_ICONERROR) != 0 ? g.Text("Error", "错误") : g.Text("Prompt", "提示");
    OpenDialogs::Scope scope(m_dialogs, m_hWnd);
    return MessageBoxA(m_hWnd, g.Text(english, chinese), caption, flags);
}

void CScheduleDlg::OnNew() {
    // One dialog at a time: the command may come from another program while one is open.
    if (m_dialogs.Any()) {
        return;
    }
    TaskWizardValues values = NewTaskWizardValues(SystemTaskClock().LocalNow());
    CTaskWizard wizard(values, true, m_channels);
    INT_PTR answer = IDCANCEL;
    {
        OpenDialogs::Scope scope(m_dialogs, m_hWnd);
        answer = wizard.DoModal(m_hWnd);
    }
    if (answer != IDOK || m_dialogs.CommandWaiting()) {
        return;
    }
    TaskRecord task = TaskRecord::MakeNew();
    ApplyTaskWizardValues(values, task);
    DateWeeklyTask(task, SystemTaskClock().LocalNow());
    WriteAheadMinutes(Globals().paths.tunaroIni, kWizardAheadMinutes);
    if (m_tasks.Conflicts(task)) {
        Ask("Time of new task is conflict to others.\nPlease check others and reinput.",
            "新任务的时间与其他任务冲突。\n请检查其他任务后重新输入。", MB_OK | MB_ICONINFORMATION);
        return;
    }
    m_tasks.Add(task);
    TasksEdited();
}

void CScheduleDlg::OnModify() {
    if (m_dialogs.Any()) {
        return;
    }
    const int row = SelectedRow();
    TaskRecord* task = m_tasks.At(row);
    if (task == nullptr) {
        Ask("No item is selected", "没有选中任何任务", MB_OK | MB_ICONINFORMATION);
        return;
    }
    TaskWizardValues values = TaskWizardValuesOf(*task);
    CTaskWizard wizard(values, false, m_channels);
    INT_PTR answer = IDCANCEL;
    {
        OpenDialogs::Scope scope(m_dialogs, m_hWnd);
        answer = wizard.DoModal(m_hWnd);
    }
    // The task may have gone meanwhile (the runner may have let go of it): look it up again.
    if (answer != IDOK || m_dialogs.CommandWaiting() || m_tasks.IndexOf(task) < 0) {
        return;
    }
    // The task may have been running: the runner lets go of it before it changes.
    m_runner.Forget(task);
    ApplyTaskWizardValues(values, *task);
    DateWeeklyTask(*task, SystemTaskClock().LocalNow());
    WriteAheadMinutes(Globals().paths.tunaroIni, kWizardAheadMinutes);
    TasksEdited();
    SelectRow(m_tasks.IndexOf(task));
}

void CScheduleDlg::OnDelete() {
    if (m_dialogs.Any()) {
        return;
    }
    const int row = SelectedRow();
    TaskRecord* task = m_tasks.At(row);
    if (task == nullptr) {
        Ask("No item is selected", "没有选中任何任务", MB_OK | MB_ICONINFORMATION);
        return;
    }
    if (Ask("Are you sure delete the task?", "确定要删除这个任务吗？", MB_OKCANCEL | MB_ICONQUESTION) !=
            IDOK ||
        m_dialogs.CommandWaiting()) {
        return;
    }
    m_runner.Forget(task);
    ListView_DeleteItem(Item(IDC_TASK_LIST), row);
    m_tasks.RemoveAt(row);
    SaveTaskFile();
    // The alarm may have been aimed at the task just removed.
    ProgramWakeAlarm();
    FillList();
}

void CScheduleDlg::TasksEdited() {
    m_tasks.SortByStart();
    SaveTaskFile();
    ProgramWakeAlarm();
    FillList();
}

bool CScheduleDlg::SaveTaskFile() {
    if (m_tasks.Save(Globals().paths.taskFile)) {
        return true;
    }
    if (m_tasks.LoadRefused()) {
        // The user was told at the start that this file is left alone.
        TUNARO_TRACE("Schedule: %s was not read, so it is not saved", Globals().paths.taskFile.c_str());
        return false;
    }
    TUNARO_TRACE("Schedule: %s could not be saved", Globals().paths.taskFile.c_str());
    if (m_inRunner) {
        // Not in the middle of a tick: the box's message loop would run the timer again.
        PostMessage(kSaveFailedMessage);
    } else {
        ShowSaveFailed();
    }
    return false;
}

void CScheduleDlg::ShowSaveFailed() {
    const std::string& path = Globals().paths.taskFile;
    Ask(Format("The task list could not be saved to %s.\nThe tasks shown are kept while Schedule runs; "
               "please check the disk and change a task again to save them.",
               path.c_str())
            .c_str(),
        Format(
            "任务列表无法保存到 %s。\n显示的任务在 Schedule 运行期间保留；请检查磁盘后再次修改任务以保存。",
            path.c_str())
            .c_str(),
        MB_OK | MB_ICONERROR);
}

LRESULT CScheduleDlg::OnSaveFailed() {
    ShowSaveFailed();
    return 0;
}

void CScheduleDlg::ProgramWakeAlarm() {
    WakeAlarm alarm;
    if (!PlanWakeAlarm(m_tasks, SystemTaskClock().LocalNow(), ReadAheadMinutes(Globals().paths.tunaroIni),
                       alarm)) {
        return;
    }
    if (alarm.task->autoLogOn == 1) {
        WriteAutoLogon(alarm.task->UserNameText(), alarm.task->PasswordText());
    }
    WriteWakeClock(m_cardBus, alarm.registers);
}

void CScheduleDlg::RestoreWindow() {
    // Restored straight to the middle of the work area (placement coordinates are relative to it).
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof(placement);
    GetWindowPlacement(m_hWnd, &placement);
    RECT work = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const LONG width = placement.rcNormalPosition.right - placement.rcNormalPosition.left;
    const LONG height = placement.rcNormalPosition.bottom - placement.rcNormalPosition.top;
    placement.rcNormalPosition.left = (work.right - work.left - width) / 2;
    placement.rcNormalPosition.top = (work.bottom - work.top - height) / 2;
    placement.rcNormalPosition.right = placement.rcNormalPosition.left + width;
    placement.rcNormalPosition.bottom = placement.rcNormalPosition.top + height;
    placement.showCmd = SW_SHOWNORMAL;
    placement.flags = 0;
    SetWindowPlacement(m_hWnd, &placement);
    SetForegroundWindow(m_hWnd);
    BringWindowToTop(m_hWnd);
}

void CScheduleDlg::OnTrayShow() {
    RestoreWindow();
}

void CScheduleDlg::OnHistory() {
    if (m_dialogs.Any()) {
        return;
    }
    // From the tray the window comes up first: the view is owned by it.
    if (!::IsWindowVisible(m_hWnd) || ::IsIconic(m_hWnd)) {
        RestoreWindow();
    }
    CHistoryDlg history(Globals().paths.historyFile, m_channels);
    OpenDialogs::Scope scope(m_dialogs, m_hWnd);
    history.DoModal(m_hWnd);
}

void CScheduleDlg::OnTrayExit() {
    if (m_dialogs.Any()) {
        // The modal run ends only once the dialogs above it are gone: they are cancelled, and
        // each one that closes brings the exit back here.
        if (!m_recording) {
            m_dialogs.CancelAndWait(m_hWnd);
        }
        return;
    }
    m_dialogs.CommandDone();
    if (m_recording) {
        OpenDialogs::Scope scope(m_dialogs, m_hWnd);
        MessageBoxA(m_hWnd, Globals().Text("Recording, Cann't exit.", "正在录像，不能退出。"), kScheduleTitle,
                    MB_OK);
        return;
    }
    m_tray.Remove();
    EndDialog(IDOK);
}

LRESULT CScheduleDlg::OnTrayCallback(WPARAM, LPARAM lp) {
    if (lp == kTrayDoubleClick) {
        RestoreWindow();
    } else if (lp == kTrayRightUp) {
        HMENU popup = GetSubMenu(m_trayMenu.get(), 0);
        if (popup != nullptr) {
            EnableMenuItem(popup, ID_TRAY_EXIT, MF_BYCOMMAND | (m_recording ? MF_GRAYED : MF_ENABLED));
            TrackPopupMenu(popup);
        }
    }
    return 0;
}

LRESULT CScheduleDlg::OnSize(WPARAM wp, LPARAM) {
    if (wp == SIZE_MINIMIZED) {
        HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
        m_tray.Add(m_hWnd, kTrayIconId, kTrayCallbackMessage, icon, kScheduleTitle);
        ShowWindow(SW_HIDE);
    } else if (wp == SIZE_RESTORED && m_tray.IsShown()) {
        ShowWindow(SW_SHOW);
        m_tray.Remove();
        BringWindowToTop(m_hWnd);
    }
    return 0;
}

LRESULT CScheduleDlg::OnShowWindow(UINT, WPARAM wp, LPARAM, bool& handled) {
    handled = false;
    if (wp != FALSE && m_toTrayWhenShown) {
        m_toTrayWhenShown = false;
        Minimise();
    }
    return 0;
}

LRESULT CScheduleDlg::OnTvStateMessage(UINT, WPARAM wp, LPARAM, bool& handled) {
    // The whole wParam counts: these ids mean nothing else here.
    if (wp < kTvStateFirst || wp > kTvStateLast) {
        handled = false;
        return 0;
    }
    m_recording = (wp - kTvStateFirst) % 2 == 0;
    return 0;
}

BOOL CScheduleDlg::OnCopyData(HWND from, const COPYDATASTRUCT* data) {
    // The TV application puts the report's id where the sender's window usually goes.
    if (data == nullptr || LOWORD(reinterpret_cast<UINT_PTR>(from)) != peer::kScheduleCopyDataRecorded) {
        return FALSE;
    }
    RecordingReport report;
    if (!DecodeRecordingReport(data->lpData, data->cbData, report)) {
        DebugPrint("Schedule: a recording report that could not be read was ignored, Line=%ld\n",
                   static_cast<long>(__LINE__));
        return FALSE;
    }
    m_lastRecording = report;
    m_lastRecordingAt = TaskSerialSeconds(SystemTaskClock().LocalNow());
    if (m_pendingHistory && m_lastRecordingAt >= m_pendingRunStart) {
        FlushHistory();
    }
    return TRUE;
}

void CScheduleDlg::OnTaskOver() {
    m_inRunner = true;
    m_runner.TvReportedEnd();
    m_inRunner = false;
}

void CScheduleDlg::OnAbout(UINT, LPARAM) {
    if (m_dialogs.Any()) {
        return;
    }
    OpenDialogs::Scope scope(m_dialogs, m_hWnd);
    CAboutDlg about;
    about.DoModal(m_hWnd);
}

void CScheduleDlg::OnTimer(UINT_PTR id) {
    if (id != kTaskTimerId) {
        return;
    }
    m_inRunner = true;
    m_runner.Tick();
    m_inRunner = false;
    // A report that does not come within half a minute will not come: the line is written without.
    if (m_pendingHistory &&
        TaskSerialSeconds(SystemTaskClock().LocalNow()) - m_pendingSince > kReportWaitSeconds) {
        FlushHistory();
    }
}

LRESULT CScheduleDlg::OnDestroy() {
    FlushHistory();
    m_cardBus.Close();
    m_tv.SendCommand(peer::kTvSchedulerGone);
    KillTimer(m_hWnd, kTaskTimerId);
    m_tray.Remove();
    return 0;
}

// ---- the runner's view of the world ----------------------------------------------------------

bool CScheduleDlg::TvWindowExists() {
    return m_tv.FindTv() != nullptr;
}

bool CScheduleDlg::TvBusy() {
    return m_recording;
}

bool CScheduleDlg::StartTvProgram() {
    return m_tv.StartTv();
}

void CScheduleDlg::SendWatch(std::int32_t channel) {
    m_tv.SendCommand(peer::kTvScheduleTune, LPARAM(channel));
}

void CScheduleDlg::SendRecord(const TaskRecord& task) {
    m_tv.SendRecord(task);
}

void CScheduleDlg::SendRecordRest(const TaskRecord& task) {
    m_tv.SendRecord(task, true);
}

void CScheduleDlg::SendStopAndClose() {
    m_tv.SendCommand(peer::kTvStopAndClose);
}

void CScheduleDlg::SendStopRecording() {
    m_tv.SendCommand(peer::kTvScheduleRecord);
}

void CScheduleDlg::ReleaseStartedTv() {
    m_tv.ReleaseStartedTv();
}

void CScheduleDlg::PauseBeforePowerOff() {
    Sleep(kPowerOffPauseMs);
}

void CScheduleDlg::StartPowerOff() {
    FlushHistory();
    m_tv.StartPowerOff();
}

void CScheduleDlg::SaveTasks() {
    SaveTaskFile();
}

void CScheduleDlg::TasksChanged() {
    FillList();
}

void CScheduleDlg::TaskEnded() {
    ProgramWakeAlarm();
}

void CScheduleDlg::TaskRunOver(const TaskRecord& task, const TaskRunSummary& run) {
    FlushHistory();
    const std::int64_t now = TaskSerialSeconds(SystemTaskClock().LocalNow());
    TaskHistoryEntry entry;
    entry.when = TaskDateTimeFromSerial(now);
    entry.name = task.NameText();
    entry.channel = task.channel;
    entry.outcome = run.outcome;
    entry.reason = run.reason;
    entry.lateSeconds = run.lateSeconds;
    entry.lateReason = run.lateReason;
    m_pendingHistory = entry;
    m_pendingRunStart = run.startedAt;
    m_pendingSince = now;
    // A recording's line waits for the TV application's report of it: it comes during the
    // order that stops it, or soon after a stop it carries out on its own time.
    const bool reportDue = task.mode == kTaskModeRecord && run.startedAt > 0;
    if (!reportDue || m_lastRecordingAt >= run.startedAt) {
        FlushHistory();
    }
}

void CScheduleDlg::FlushHistory() {
    if (!m_pendingHistory) {
        return;
    }
    TaskHistoryEntry entry = *m_pendingHistory;
    m_pendingHistory.reset();
    // The TV application's report of this run's recording, if it came since the run started.
    if (m_pendingRunStart > 0 && m_lastRecordingAt >= m_pendingRunStart) {
        const std::string& path = m_lastRecording.file;
        const std::size_t slash = path.find_last_of("\\/");
        entry.file = slash == std::string::npos ? path : path.substr(slash + 1);
        // The TV application counts real seconds; a task clock run faster for a test counts
        // each of them as several of its own, so start and end stay on the one clock.
        const std::int64_t length = std::int64_t(m_lastRecording.lengthSeconds) * SystemTaskClockShift().rate;
        entry.lengthSeconds = int(length);
        entry.picturesDropped = int(m_lastRecording.picturesDropped);
        entry.end = TaskDateTimeFromSerial(m_lastRecordingAt);
        entry.start = TaskDateTimeFromSerial(m_lastRecordingAt - length);
        switch (m_lastRecording.end) {
        case RecordingEnd::DiskFull:
            entry.outcome = TaskOutcome::CutShort;
            entry.reason = TaskRunReason::DiskFull;
            break;
        case RecordingEnd::CardRemoved:
            entry.outcome = TaskOutcome::CutShort;
            entry.reason = TaskRunReason::CardRemoved;
            break;
        case RecordingEnd::Failed:
        case RecordingEnd::Interrupted:
            entry.outcome = TaskOutcome::CutShort;
            entry.reason = TaskRunReason::TvEnded;
            break;
        case RecordingEnd::Order:
        case RecordingEnd::InTv:
            break;
        }
        m_lastRecordingAt = -1;
    }
    if (!AppendTaskHistory(Globals().paths.historyFile, entry)) {
        DebugPrint("Schedule: the task history %s could not be written, Line=%ld\n",
                   Globals().paths.historyFile.c_str(), static_cast<long>(__LINE__));
    }
}

int CScheduleDlg::WakeAheadMinutes() {
    return ReadAheadMinutes(Globals().paths.tunaroIni);
}

} // namespace tunaro
