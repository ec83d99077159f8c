// The five pages of the task wizard: their texts in both languages, their checks and where each
// one leads.
#include "schedule/app/task_wizard.h"

#include <commctrl.h>

#include "res/schedule/resource.h"
#include "schedule/app/schedule_app.h"

namespace tunaro {

const int kDayBoxIds[7] = {IDC_SUNDAY,   IDC_MONDAY, IDC_TUESDAY, IDC_WEDNESDAY,
                           IDC_THURSDAY, IDC_FRIDAY, IDC_SATURDAY};

namespace {

// Longest task name and recording file name the edits take.
constexpr int kMaxNameChars = 256;
constexpr int kRecordFormatCount = 8;

const char* Text(const char* english, const char* chinese) {
    return Globals().Text(english, chinese);
}

void Tell(HWND page, const char* english, const char* chinese) {
    MessageBoxA(page, Text(english, chinese), "Schedule", MB_OK);
}

void AddComboText(HWND combo, const std::string& text, LPARAM data) {
    const LRESULT at = ::SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (at >= 0) {
        ::SendMessageA(combo, CB_SETITEMDATA, WPARAM(at), data);
    }
}

SYSTEMTIME ToSystemTime(const TaskDateTime& t) {
    SYSTEMTIME st = {};
    st.wYear = WORD(t.year);
    st.wMonth = WORD(t.month);
    st.wDay = WORD(t.day);
    st.wDayOfWeek = WORD(TaskWeekday(t.year, t.month, t.day) - 1);
    st.wHour = WORD(t.hour);
    st.wMinute = WORD(t.minute);
    st.wSecond = WORD(t.second);
    return st;
}

TaskDateTime FromSystemTime(const SYSTEMTIME& st) {
    TaskDateTime t;
    t.year = st.wYear;
    t.month = st.wMonth;
    t.day = st.wDay;
    t.hour = st.wHour;
    t.minute = st.wMinute;
    t.second = st.wSecond;
    return t;
}

void SetPicker(HWND picker, const TaskDateTime& t) {
    SYSTEMTIME st = ToSystemTime(t);
    ::SendMessageA(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
}

TaskDateTime GetPicker(HWND picker) {
    SYSTEMTIME st = {};
    ::SendMessageA(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st));
    return FromSystemTime(st);
}

} // namespace

// ---- page 1 ------------------------------------------------------------------------------------

CTaskDlg::CTaskDlg(TaskWizardState& state)
    : PropertyPage(IDD_TASK_PAGE, Text("Add Task", "添加任务")), m_state(state) {}

const MessageMap* CTaskDlg::GetMessageMap() const {
    static const MessageMap kMap{
        CommandCode<&CTaskDlg::OnInputChanged>(IDC_TASK_INPUT, CBN_SELCHANGE),
    };
    return &kMap;
}

BOOL CTaskDlg::OnInitDialog() {
    SetItemText(IDC_LABEL_NAME, Text("Task name:", "任务名称："));
    SetItemText(IDC_LABEL_MODE, Text("Mode", "模式"));
    SetItemText(IDC_LABEL_INPUT, Text("Video input:", "视频输入："));
    SetItemText(IDC_LABEL_CHANNEL, Text("Channel:", "频道："));
    SetItemText(IDC_LABEL_DURATION, Text("Dul time:", "持续时间："));
    SetItemText(IDC_LABEL_MINUTES, Text("Minutes:", "分钟"));
    SendItemMessage(IDC_TASK_NAME, EM_LIMITTEXT, kMaxNameChars);

    const TaskWizardValues& v = m_state.values;
    HWND mode = Item(IDC_TASK_MODE);
    AddComboText(mode, Text("Record", "录像"), kTaskModeRecord);
    AddComboText(mode, Text("Watch TV", "看电视"), kTaskModeWatch);
    HWND input = Item(IDC_TASK_INPUT);
    AddComboText(input, Text("TV", "电视"), kInputTuner);
    AddComboText(input, Text("Composite", "复合视频"), kInputComposite);
    AddComboText(input, "S-VIDEO", kInputSVideo);

    // The channel list may have changed in the TV application since the scheduler read it.
    ReadScheduleChannels(Globals().paths.programTxt, m_state.channels);
    HWND channel = Item(IDC_TASK_CHANNEL);
    int selected = -1;
    for (std::size_t i = 0; i < m_state.channels.size(); ++i) {
        if (!m_state.channels[i].active) {
            continue;
        }
        // Each entry keeps its position in the whole list, which is what the TV application
        // selects by, whether or not channels before it are switched off.
        const int at = int(::SendMessageA(channel, CB_GETCOUNT, 0, 0));
        AddComboText(channel, ChannelComboText(m_state.channels[i]), LPARAM(i));
        if (LPARAM(i) == LPARAM(v.channel) || (m_state.addMode && selected < 0)) {
            selected = at;
        }
    }
    ::SendMessageA(channel, CB_SETCURSEL, WPARAM(selected), 0);

    SetItemText(IDC_TASK_NAME, v.name);
    ::SendMessageA(mode, CB_SETCURSEL, v.mode == kTaskModeWatch ? 1 : 0, 0);
    ::SendMessageA(input, CB_SETCURSEL, v.videoInput >= 0 && v.videoInput <= 2 ? WPARAM(v.videoInput) : 0, 0);
    SetItemInt(IDC_TASK_DURATION, int(v.duration));
    OnInputChanged();
    return TRUE;
}

void CTaskDlg::OnInputChanged() {
    EnableItem(IDC_TASK_CHANNEL, SendItemMessage(IDC_TASK_INPUT, CB_GETCURSEL) == 0);
}

bool CTaskDlg::OnSetActive() {
    SetWizardButtons(PSWIZB_NEXT);
    return true;
}

LRESULT CTaskDlg::OnWizardNext() {
    const std::string name = GetItemText(IDC_TASK_NAME);
    if (!TaskNameAccepted(name)) {
        Tell(m_hWnd, "Task name may not be null", "任务名称不能为空");
        return -1;
    }
    bool number = false;
    const int duration = GetItemInt(IDC_TASK_DURATION, &number);
    if (!number || !TaskDurationAccepted(duration)) {
        Tell(m_hWnd, "Task Duration cannot more than 10 hours or less than 2 minutes",
             "任务时长不能超过10小时或少于2分钟");
        return -1;
    }
    TaskWizardValues& v = m_state.values;
    v.name = name;
    v.duration = duration;
    v.mode = SendItemMessage(IDC_TASK_MODE, CB_GETCURSEL) == 1 ? std::int16_t(kTaskModeWatch)
                                                               : std::int16_t(kTaskModeRecord);
    const LRESULT input = SendItemMessage(IDC_TASK_INPUT, CB_GETCURSEL);
    v.videoInput = input >= 0 ? std::int32_t(input) : kInputTuner;
    const LRESULT channel = SendItemMessage(IDC_TASK_CHANNEL, CB_GETCURSEL);
    if (channel >= 0) {
        v.channel = std::int32_t(SendItemMessage(IDC_TASK_CHANNEL, CB_GETITEMDATA, WPARAM(channel)));
    } else if (m_state.channels.empty()) {
        v.channel = 0;
    }
    return v.mode == kTaskModeRecord ? IDD_RECORD_PAGE : IDD_TIME_PAGE;
}

// ---- page 2 ------------------------------------------------------------------------------------

CRecordSettingDlg::CRecordSettingDlg(TaskWizardState& state)
    : PropertyPage(IDD_RECORD_PAGE, Text("Record format", "录像格式")), m_state(state) {}

const MessageMap* CRecordSettingDlg::GetMessageMap() const {
    static const MessageMap kMap{
        CommandCode<&CRecordSettingDlg::OnFileNameChanged>(IDC_RECORD_FILE, EN_CHANGE),
    };
    return &kMap;
}

BOOL CRecordSettingDlg::OnInitDialog() {
    SetItemText(IDC_LABEL_FORMAT, Text("Record format", "录像格式"));
    SetItemText(IDC_LABEL_RECORD_FILE, Text("Record file name:", "录像文件名："));
    SendItemMessage(IDC_RECORD_FILE, EM_LIMITTEXT, kMaxNameChars);
    const TaskWizardValues& v = m_state.values;
    const int format = v.recordFormat >= 0 && v.recordFormat < kRecordFormatCount ? v.recordFormat : 0;
    SetRadioIndex(IDC_FORMAT_DVD, format);
    m_strLastFileName = v.recordFileName;
    m_boRestoring = true;
    SetItemText(IDC_RECORD_FILE, v.recordFileName);
    m_boRestoring = false;
    return TRUE;
}

void CRecordSettingDlg::OnFileNameChanged() {
    if (m_boRestoring) {
        return;
    }
    const std::string text = GetItemText(IDC_RECORD_FILE);
    if (!HasForbiddenFileNameChar(text)) {
        m_strLastFileName = text;
        return;
    }
    Tell(m_hWnd, "A file name cannot contain any of these characters: \\ / : * ? \" < > |",
         "文件名不能包含下列任何字符：\\ / : * ? \" < > |");
    m_boRestoring = true;
    SetItemText(IDC_RECORD_FILE, m_strLastFileName);
    m_boRestoring = false;
}

bool CRecordSettingDlg::OnSetActive() {
    SetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
    return true;
}

LRESULT CRecordSettingDlg::OnWizardNext() {
    const std::string name = GetItemText(IDC_RECORD_FILE);
    if (name.empty()) {
        Tell(m_hWnd, "Record file name may not be null", "录像文件名不能为空");
        return -1;
    }
    TaskWizardValues& v = m_state.values;
    const int format = GetRadioIndex(IDC_FORMAT_DVD);
    v.recordFormat = std::int16_t(format >= 0 ? format : 0);
    v.recordFileName = name;
    return 0;
}

// ---- page 3 ------------------------------------------------------------------------------------

CTimerSetting::CTimerSetting(TaskWizardState& state)
    : PropertyPage(IDD_TIME_PAGE, Text("Time setting", "时间设置")), m_state(state) {}

const MessageMap* CTimerSetting::GetMessageMap() const {
    static const MessageMap kMap{
        Command<&CTimerSetting::OnOnlyOnce>(IDC_ONLY_ONCE),
        Command<&CTimerSetting::OnEveryWeek>(IDC_EVERY_WEEK),
        Command<&CTimerSetting::OnOnlyDay>(IDC_ONLY_DAY),
    };
    return &kMap;
}

BOOL CTimerSetting::OnInitDialog() {
    SetItemText(IDC_ONLY_ONCE, Text("Only once", "仅一次"));
    SetItemText(IDC_EVERY_WEEK, Text("Every week", "每周"));
    SetItemText(IDC_ONLY_DAY, Text("Only day", "每天"));
    SetItemText(IDC_SUNDAY, Text("Sunday", "星期日"));
    SetItemText(IDC_MONDAY, Text("Monday", "星期一"));
    SetItemText(IDC_TUESDAY, Text("Tuesday", "星期二"));
    SetItemText(IDC_WEDNESDAY, Text("Wednesday", "星期三"));
    SetItemText(IDC_THURSDAY, Text("Thursday", "星期四"));
    SetItemText(IDC_FRIDAY, Text("Friday", "星期五"));
    SetItemText(IDC_SATURDAY, Text("Saturday", "星期六"));
    SetItemText(IDC_LABEL_DATE, Text("Date:", "日期："));
    SetItemText(IDC_LABEL_TIME, Text("Time:", "时间："));
    SetItemText(IDC_LABEL_REPEAT_TIME, Text("Start time:", "每次开始时间："));
    for (int id : {IDC_ONCE_TIME, IDC_REPEAT_TIME}) {
        SendItemMessage(id, DTM_SETFORMATA, 0, reinterpret_cast<LPARAM>("HH':'mm"));
    }

    const TaskWizardValues& v = m_state.values;
    SetPicker(Item(IDC_ONCE_DATE), v.date);
    SetPicker(Item(IDC_ONCE_TIME), v.onceTime);
    SetPicker(Item(IDC_REPEAT_TIME), v.repeatTime);
    SetRadioIndex(IDC_ONLY_ONCE, int(v.repeatChoice));
    for (int weekday = 1; weekday <= 7; ++weekday) {
        SetCheck(kDayBoxIds[weekday - 1], (v.dayBits & RepeatDayBit(weekday)) != 0);
    }
    EnableForChoice(v.repeatChoice);
    return TRUE;
}

void CTimerSetting::SetAllDays(bool checked) {
    for (int id : kDayBoxIds) {
        SetCheck(id, checked);
    }
}

void CTimerSetting::EnableForChoice(TaskRepeatChoice choice) {
    const bool once = choice == TaskRepeatChoice::Once;
    EnableItem(IDC_ONCE_DATE, once);
    EnableItem(IDC_ONCE_TIME, once);
    EnableItem(IDC_REPEAT_TIME, !once);
    for (int id : kDayBoxIds) {
        EnableItem(id, !once);
    }
}

void CTimerSetting::OnOnlyOnce() {
    SetAllDays(false);
    EnableForChoice(TaskRepeatChoice::Once);
}

void CTimerSetting::OnEveryWeek() {
    SetAllDays(false);
    EnableForChoice(TaskRepeatChoice::Weekly);
}

void CTimerSetting::OnOnlyDay() {
    SetAllDays(true);
    EnableForChoice(TaskRepeatChoice::Daily);
}

bool CTimerSetting::OnSetActive() {
    SetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
    return true;
}

LRESULT CTimerSetting::OnWizardBack() {
    return m_state.values.mode == kTaskModeRecord ? IDD_RECORD_PAGE : IDD_TASK_PAGE;
}

LRESULT CTimerSetting::OnWizardNext() {
    TaskWizardValues& v = m_state.values;
    const int choice = GetRadioIndex(IDC_ONLY_ONCE);
    v.repeatChoice = choice == 1   ? TaskRepeatChoice::Weekly
                     : choice == 2 ? TaskRepeatChoice::Daily
                                   : TaskRepeatChoice::Once;
    v.dayBits = 0;
    for (int weekday = 1; weekday <= 7; ++weekday) {
        if (IsChecked(kDayBoxIds[weekday - 1])) {
            v.dayBits = std::uint8_t(v.dayBits | RepeatDayBit(weekday));
        }
    }
    v.date = GetPicker(Item(IDC_ONCE_DATE));
    v.onceTime = GetPicker(Item(IDC_ONCE_TIME));
    v.repeatTime = GetPicker(Item(IDC_REPEAT_TIME));
    // The pickers show hours and minutes only; a task starts on the minute.
    v.onceTime.second = 0;
    v.repeatTime.second = 0;
    return 0;
}

// ---- page 4 ------------------------------------------------------------------------------------

CNextTask::CNextTask(TaskWizardState& state)
    : PropertyPage(IDD_AFTER_PAGE, Text("After Finish task to do", "任务完成后")), m_state(state) {}

BOOL CNextTask::OnInitDialog() {
    SetItemText(IDC_LABEL_AFTER, Text("After Finish task to do", "任务完成后"));
    SetItemText(IDC_AUTO_SHUTDOWN, Text("Auto Shutdown", "自动关机"));
    SetItemText(IDC_EXIT_APP, Text("Exit app", "退出程序"));
    SetItemText(IDC_CONTINUE, Text("Continue", "继续"));
    const std::uint8_t after = m_state.values.afterFinish;
    const int id = after == kAfterFinishShutdown  ? IDC_AUTO_SHUTDOWN
                   : after == kAfterFinishCloseTv ? IDC_EXIT_APP
                                                  : IDC_CONTINUE;
    CheckRadio(IDC_AUTO_SHUTDOWN, IDC_CONTINUE, id);
    return TRUE;
}

bool CNextTask::OnSetActive() {
    SetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
    return true;
}

LRESULT CNextTask::OnWizardNext() {
    m_state.values.afterFinish = IsChecked(IDC_AUTO_SHUTDOWN) ? std::uint8_t(kAfterFinishShutdown)
                                 : IsChecked(IDC_EXIT_APP)    ? std::uint8_t(kAfterFinishCloseTv)
                                                              : std::uint8_t(kAfterFinishContinue);
    return 0;
}

// ---- page 5 ------------------------------------------------------------------------------------

CFinishDlg::CFinishDlg() : PropertyPage(IDD_FINISH_PAGE, Text("Finish", "完成")) {}

BOOL CFinishDlg::OnInitDialog() {
    SetItemText(IDC_FINISH_TEXT, Text(" This task  has been added, Thanks!", " 任务已添加，谢谢！"));
    return TRUE;
}

bool CFinishDlg::OnSetActive() {
    SetWizardButtons(PSWIZB_FINISH);
    SetFinishText(Text("Finish", "完成"));
    return true;
}

// ---- the wizard ----------------------------------------------------------------------------------

CTaskWizard::CTaskWizard(TaskWizardValues& values, bool addMode, std::vector<ScheduleChannel>& channels)
    : PropertySheet(Globals().Text("Add Task", "添加任务"), true), m_state{values, addMode, channels},
      m_taskPage(m_state), m_recordPage(m_state), m_timePage(m_state), m_afterPage(m_state) {
    AddPage(&m_taskPage);
    AddPage(&m_recordPage);
    AddPage(&m_timePage);
    AddPage(&m_afterPage);
    AddPage(&m_finishPage);
}

} // namespace tunaro
