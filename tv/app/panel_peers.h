// What the other programs of the suite ask of the control panel, and the panel's buttons that
// start them: the scheduler's commands and its scheduled recording (WM_COPYDATA), the
// remote agent's enable and disable, the FM button and Add Task.
#pragma once

#include <windows.h>

namespace tunaro {

class CControlPanel;

// Posted by the panel to itself after it took the scheduler's recording order.
constexpr UINT kStartOrderedRecording = WM_APP + 22;
struct PanelState;

class PanelPeers {
public:
    PanelPeers(CControlPanel& panel, PanelState& state) : m_panel(panel), m_state(state) {}
    PanelPeers(const PanelPeers&) = delete;
    PanelPeers& operator=(const PanelPeers&) = delete;

    void OnEnableButtons();  // peer::kTvEnableButtons
    void OnDisableButtons(); // peer::kTvDisableButtons
    void OnFm();             // IDC_FM
    void OnAddTask();        // IDC_ADD_TASK
    // peer::kTvStopAndClose, kTvScheduleRecord, kTvSchedulerGone, kTvBusyQuery
    void OnSchedulerCommand(UINT id);
    // peer::kTvScheduleTune: the tuner input and the channel index in lParam's low half.
    void OnScheduleTune(UINT id, UINT code, HWND channel);
    BOOL OnCopyData(HWND from, const COPYDATASTRUCT* data); // WM_COPYDATA peer::kTvCopyDataRecord
    // The recording of an accepted order starts here, once the order has been answered.
    void OnStartOrderedRecording();
    // TIMER_ORDER: an order that came in the program's first second is started now.
    void OnOrderTimer();

private:
    // Orders that change what is watched need a running preview and neither recording nor scan.
    bool MayTakeOrders() const;
    void RestartPreview();
    // The input whose name holds name becomes the video source (applied by ApplySource).
    void SelectSource(const char* name);
    // The channel selection of the channel keys: the first enabled channel from index on.
    void SelectChannel(long index);
    void ApplySource();

    CControlPanel& m_panel; // its window, engine and looks
    PanelState& m_state;
    bool m_boOrderPending = false; // an accepted order waits for its recording to start
};

} // namespace tunaro
