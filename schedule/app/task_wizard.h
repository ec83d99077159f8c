// The task wizard CTaskWizard: five pages that create a task or change one. The pages hold the
// values while the wizard is open and leave them in TaskWizardValues as they are passed; the
// caller turns them into a task after Finish.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "framework/property_sheet.h"
#include "schedule/channel_reader.h"
#include "schedule/task_wizard_rules.h"

namespace tunaro {

// What the pages share: the values, whether a task is being added, and the channel list (read
// again whenever the first page opens).
struct TaskWizardState {
    TaskWizardValues& values;
    bool addMode;
    std::vector<ScheduleChannel>& channels;
};

// Page 1 (template 129): name, mode, video input, channel, duration.
class CTaskDlg : public PropertyPage {
public:
    explicit CTaskDlg(TaskWizardState& state);

protected:
    const MessageMap* GetMessageMap() const override;
    BOOL OnInitDialog() override;
    bool OnSetActive() override;
    LRESULT OnWizardNext() override;

private:
    void OnInputChanged();
    TaskWizardState& m_state;
};

// Page 2 (template 130): the record format and the (hidden) recording file name.
class CRecordSettingDlg : public PropertyPage {
public:
    explicit CRecordSettingDlg(TaskWizardState& state);

protected:
    const MessageMap* GetMessageMap() const override;
    BOOL OnInitDialog() override;
    bool OnSetActive() override;
    LRESULT OnWizardNext() override;

private:
    void OnFileNameChanged();
    TaskWizardState& m_state;
    std::string m_strLastFileName;
    bool m_boRestoring = false;
};

// Page 3 (template 131): once, every week or every day; the days; date and times.
class CTimerSetting : public PropertyPage {
public:
    explicit CTimerSetting(TaskWizardState& state);

protected:
    const MessageMap* GetMessageMap() const override;
    BOOL OnInitDialog() override;
    bool OnSetActive() override;
    LRESULT OnWizardBack() override;
    LRESULT OnWizardNext() override;

private:
    void OnOnlyOnce();
    void OnEveryWeek();
    void OnOnlyDay();
    void SetAllDays(bool checked);
    void EnableForChoice(TaskRepeatChoice choice);
    TaskWizardState& m_state;
};

// Page 4 (template 132): what happens when the task is over.
class CNextTask : public PropertyPage {
public:
    explicit CNextTask(TaskWizardState& state);

protected:
    BOOL OnInitDialog() override;
    bool OnSetActive() override;
    LRESULT OnWizardNext() override;

private:
    TaskWizardState& m_state;
};

// Page 5 (template 133): the closing words and the Finish button.
class CFinishDlg : public PropertyPage {
public:
    CFinishDlg();

protected:
    BOOL OnInitDialog() override;
    bool OnSetActive() override;
};

class CTaskWizard : public PropertySheet {
public:
    // Caption "Add Task" in both modes.
    CTaskWizard(TaskWizardValues& values, bool addMode, std::vector<ScheduleChannel>& channels);

private:
    TaskWizardState m_state;
    CTaskDlg m_taskPage;
    CRecordSettingDlg m_recordPage;
    CTimerSetting m_timePage;
    CNextTask m_afterPage;
    CFinishDlg m_finishPage;
};

// The weekday boxes of the time page in weekday order, Sunday (1) first.
extern const int kDayBoxIds[7];

} // namespace tunaro
