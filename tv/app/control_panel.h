// The control panel (template 102): the TV program's skinned main window. The class holds the
// panel's life, looks and window behaviour; what the features do lives with them:
//   control_panel.cpp    the message map (every command id and its handler), start-up, Exit
//                        and the ending, preview start and stop
//   panel_window.cpp     looks and window behaviour (skin, volume bar, status, OSD, menu)
//   panel_tv.cpp         what is watched and heard (the live-TV controller's host)
//   panel_recording.*    recording and playback          panel_dialogs.*    the setup dialogs
//   panel_snapshots.*    snapshots and the TV wall        panel_peers.*      the other programs
// All of the panel's state is one PanelState (panel_state.h); the features get it from the
// panel, everyone else reads it through State().
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "engine/CaptureEngine.h"
#include "framework/dialog.h"
#include "tv/app/engine_channels.h"
#include "tv/app/panel_dialogs.h"
#include "tv/app/panel_look.h"
#include "tv/app/panel_peers.h"
#include "tv/app/panel_recording.h"
#include "tv/app/panel_snapshots.h"
#include "tv/app/panel_state.h"
#include "tv/app/panel_timeshift.h"
#include "tv/app/panel_tv.h"
#include "tv/app/panel_video_menu.h"
#include "uikit/master_volume.h"
#include "uikit/osd_window.h"
#include "uikit/skin_background.h"

namespace tunaro {

class CSplashDlg;

class CControlPanel : public Dialog {
public:
    CControlPanel();
    ~CControlPanel() override;

    // What the panel and its features know; changed only by the panel and its features.
    const PanelState& State() const { return m_state; }

    // ---- preview (control_panel.cpp) ----------------------------------------------------------
    // Starts live preview on the current card: 1 when it runs, -8 when there is no capture
    // device or it cannot be opened.
    int StartPreview();
    // Saves the channel list and stops the engine's graphs; preview is off afterwards.
    void StopPreview();
    // The engine of the current card (null before step 10 of the initialisation and at the end).
    CaptureEngine* Engine() const;
    HWND VideoWindow() const;
    // What the video window's menu changes (inputs, standards, optimising, desktop mode).
    PanelVideoMenu& VideoMenu() { return m_videoMenu; }
    // The live-TV controller (inputs by name, channel selection) for the other programs' orders.
    LiveTv& LiveTvController() { return m_liveTv; }
    // The master volume (null before step 12 of the initialisation and after the ending).
    MasterVolume* Volume() const { return m_volumeBar.Mixer(); }
    void ShowAbout();
    // The video window changed size while a movie plays in it.
    void MovieWindowSized() { m_recording.OnVideoWindowSized(); }

    // ---- provided by the panel's looks (panel_window.cpp / panel_look.cpp) -----------------
    // OSD text shown over the picture through timer 116 for 1.5 s.
    void ShowOsd(const std::string& text, UINT delayMs = 40);
    // The busy lock of a recording or a scan.
    void LockPanel(bool scanning);
    void UnlockPanel();
    void SetMuteLook(bool muted);
    // The Record button's look and the status line, for a recording that starts or stops.
    void SetRecordLook(bool recording);
    // Shows a text in the status line at once (the status timer takes over at its next tick).
    void ShowStatusText(const std::string& text);
    // The engine's graph has events for the panel (a recording that broke off).
    void OnGraphEvents();
    // The capture card went away: a running recording ends.
    void OnCardRemoved();
    // Composes the status line now rather than at the status timer's next tick.
    void RefreshStatus() { OnStatusTimer(); }
    // Ends a time shift before something else takes the card (live picture back).
    void EndTimeShift() { m_timeShift.ReturnToLive(); }
    // Opens a modal dialog of the panel: a topmost video window steps back meanwhile, and the
    // accelerators can be suspended while it is open.
    void RunPanelDialog(bool suspendAccelerators, const std::function<void()>& open);

protected:
    BOOL OnInitDialog() override;
    const MessageMap* GetMessageMap() const override;
    bool PreTranslateMessage(MSG* msg) override;
    // Enter and Escape never close the program.
    void OnOK() override {}
    void OnCancel() override {}
    void OnFinalMessage() override;

private:
    // ---- control_panel.cpp ------------------------------------------------------------------
    // startingUp: a missing card is not reported (the program then ends without a word).
    int StartPreview(bool startingUp);
    void ShowSplash();
    void CloseSplash();
    void WaitPaintingSplash(DWORD ms);
    void PlaceWindows();
    void SaveSettings();
    LRESULT OnDestroy();
    void OnExit();
    void OnTimer(UINT_PTR id);
    void OnSysCommandAbout(UINT id, LPARAM);
    void OnNoEffect();
    LRESULT OnBringToFront();
    LRESULT OnChar();

    // ---- panel_look.cpp / panel_window.cpp (the panel's looks and window behaviour) ---------
    // Step 6: window region from bitmap 151 and the background bitmap of setting.ini.
    void ApplySkinRegion();
    // Step 7: skin buttons, volume bar and status line.
    void LayOutSkin();
    // At destruction: what the skin holds (the region among it).
    void ReleaseSkin();
    void OnMinimize();
    void OnFullScreen();
    void OnDisplayPanel();
    void OnHelp();
    void OnMostTop();
    void OnMenuDisplayPanel();
    void OnMenuFullScreen();
    void OnMenuExit();
    void OnMenuCommand(UINT id);
    void OnStatusTimer();
    void OnOsdTimer();
    void OnLButtonDown(UINT keys, POINT pt);
    void OnPaint();
    BOOL OnEraseBackground(HDC dc);
    LRESULT OnIgnoredMessage();
    void ShowOsdNow();

    // ---- panel_tv.cpp (what is watched and heard) ---------------------------------------------
    // The live-TV commands (scan, mute, picture keys, tuning, digits, channels, inputs): the
    // controller dispatches them by id.
    void OnLiveTvCommand(UINT id);
    void OnScanTimer();
    // The player keys: the time shift's while live TV is paused or may be, else playback's.
    void OnPlayerKey(UINT id);

    PanelState m_state;

    // The looks: skin buttons, volume bar, status line, OSD window, background.
    PanelSkin m_skin;
    VolumeBar m_volumeBar;
    PanelStatusLine m_statusLine;
    OsdWindow m_osd;
    SkinBackground m_background;
    bool m_boOsdShown = false;             // the OSD text is up; timer 116 takes it away
    bool m_boInPanelDialog = false;        // one of RunPanelDialog's dialogs is open
    WINDOWPLACEMENT m_videoPlacement = {}; // the video window's place before full screen
    LONG_PTR m_videoStyle = 0;             // and its style

    std::unique_ptr<EngineChannels> m_engineChannels;
    PanelLiveTvHost m_liveHost{*this, m_state};
    LiveTv m_liveTv{m_liveHost};

    // The features, each with the handlers of its commands (bound in the message map).
    PanelRecording m_recording{*this, m_state};
    PanelDialogs m_dialogs{*this, m_state};
    PanelVideoMenu m_videoMenu{*this, m_state};
    PanelSnapshots m_snapshots{*this, m_state};
    PanelPeers m_peers{*this, m_state};
    PanelTimeShift m_timeShift{*this, m_state};

    std::unique_ptr<CSplashDlg> m_splash;
    DWORD m_dwSplashShown = 0;
};

} // namespace tunaro
