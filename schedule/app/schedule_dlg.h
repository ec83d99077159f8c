// The scheduler window (template 102, title "Schedule"): the owner-drawn task list with New,
// Modify and Delete, the tray icon it lives behind, the task timer that runs the tasks, and the
// messages from the TV application.
#pragma once

#include <windows.h>

#include <optional>
#include <vector>

#include "framework/dialog.h"
#include "framework/raii.h"
#include "framework/recording_report.h"
#include "framework/tray_icon.h"
#include "schedule/app/card_bus_client.h"
#include "schedule/app/tv_link.h"
#include "schedule/channel_reader.h"
#include "schedule/task_history.h"
#include "schedule/task_list.h"
#include "schedule/task_runner.h"

namespace tunaro {

// Title of the window, by which the TV application finds it, in both languages.
constexpr const char kScheduleTitle[] = "Schedule";
// The task timer: id and period.
constexpr UINT_PTR kTaskTimerId = 4037;
constexpr UINT kTaskTimerMs = 1000;
// Tray icon id and its callback message.
constexpr UINT kTrayIconId = 7001;
constexpr UINT kTrayCallbackMessage = 1574;
// Posted to itself when a save failed during a tick, so the message box waits for the tick's end.
constexpr UINT kSaveFailedMessage = WM_APP + 1;

class CScheduleDlg : public Dialog, private RunnerHost {
public:
    CScheduleDlg();

protected:
    const MessageMap* GetMessageMap() const override;
    BOOL OnInitDialog() override;
    // Enter does nothing; Escape and the Ok button send the window to the tray.
    void OnOK() override {}
    void OnCancel() override;

private:
    // Start-up steps.
    void SetTexts();
    void ReloadChannels();
    void LoadTasks();
    void InsertColumns();

    // The list.
    void FillList();
    int SelectedRow() const;
    void SelectRow(int row);
    LRESULT OnDrawItem(WPARAM wp, LPARAM lp);
    LRESULT OnMeasureItem(WPARAM wp, LPARAM lp);

    // Commands.
    void OnNew();
    void OnModify();
    void OnDelete();
    void OnHide();
    void OnTrayShow();
    void OnHistory();
    void OnTrayExit();
    void OnTaskOver();
    LRESULT OnTvStateMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled);
    BOOL OnCopyData(HWND from, const COPYDATASTRUCT* data);
    void OnAbout(UINT id, LPARAM);
    LRESULT OnTrayCallback(WPARAM wp, LPARAM lp);
    LRESULT OnSize(WPARAM wp, LPARAM lp);
    LRESULT OnShowWindow(UINT msg, WPARAM wp, LPARAM lp, bool& handled);
    LRESULT OnDestroy();
    LRESULT OnSaveFailed();
    void OnTimer(UINT_PTR id);

    // After the wizard or a delete changed the list: order, file, wake-up alarm, rows.
    void TasksEdited();
    bool SaveTaskFile();
    void ShowSaveFailed();
    void ProgramWakeAlarm();
    void RestoreWindow();
    void Minimise();
    int Ask(const char* english, const char* chinese, UINT flags);

    // RunnerHost.
    bool TvWindowExists() override;
    bool TvBusy() override;
    bool StartTvProgram() override;
    void SendWatch(std::int32_t channel) override;
    void SendRecord(const TaskRecord& task) override;
    void SendRecordRest(const TaskRecord& task) override;
    void SendStopAndClose() override;
    void SendStopRecording() override;
    void ReleaseStartedTv() override;
    void PauseBeforePowerOff() override;
    void StartPowerOff() override;
    void SaveTasks() override;
    void TasksChanged() override;
    void TaskEnded() override;
    int WakeAheadMinutes() override;
    void TaskRunOver(const TaskRecord& task, const TaskRunSummary& run) override;
    // Writes the waiting history line, with the TV application's report if it has come.
    void FlushHistory();

    TaskList m_tasks;
    std::vector<ScheduleChannel> m_channels;
    TaskRunner m_runner;
    TvLink m_tv;
    CardBusClient m_cardBus;
    TrayIcon m_tray;
    Menu m_trayMenu;
    Font m_listFont;
    bool m_recording = false;
    // The TV application's last report of a recording it stopped, and when it came.
    RecordingReport m_lastRecording;
    std::int64_t m_lastRecordingAt = -1;
    // The history line of the run just over, while it waits for that report.
    std::optional<TaskHistoryEntry> m_pendingHistory;
    std::int64_t m_pendingRunStart = 0;
    std::int64_t m_pendingSince = 0;
    bool m_listFilledOnce = false;
    bool m_inRunner = false;
    bool m_toTrayWhenShown = false;
    // The modal dialogs and message boxes open over the window. While one is, the window's own
    // commands (which a user cannot give, its buttons being disabled) are ignored, and Exit first
    // closes the dialogs, then ends the program once the last one is gone.
    OpenDialogs m_dialogs;
};

} // namespace tunaro
