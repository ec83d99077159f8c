// The control panel (template 102): the TV program's skinned main window. One class, built by
// several files: start-up, ending and preview here (control_panel.cpp), looks and window
// behaviour (panel_look.cpp, panel_window.cpp), what is watched and heard (panel_tv.cpp).
#pragma once

#include <windows.h>

#include <ctime>
#include <functional>
#include <memory>
#include <string>

#include "uikit/master_volume.h"
#include "engine/CaptureEngine.h"
#include "engine_channels.h"
#include "framework/dialog.h"
#include "panel_look.h"
#include "panel_tv.h"
#include "tv/channel_list.h"
#include "tv/country_table.h"
#include "tv/settings.h"
#include "uikit/osd_window.h"
#include "uikit/skin_background.h"

class CSplashDlg;
class CSnapshotBrowser;

class CControlPanel : public tunaro::Dialog {
public:
    CControlPanel();
    ~CControlPanel() override;

    // ---- preview (control_panel.cpp) ----------------------------------------------------------
    // Starts live preview on the current card: 1 when it runs, -8 when there is no capture
    // device or it cannot be opened.
    int StartPreview();
    // Saves the channel list and stops the engine's graphs; preview is off afterwards.
    void StopPreview();
    // The engine of the current card (null before step 10 of the initialisation and at the end).
    tunaro::CaptureEngine* Engine() const;
    HWND VideoWindow() const;
    void ShowAbout();

    // ---- provided by the panel's looks (panel_window.cpp / panel_look.cpp) -----------------
    // OSD text shown over the picture through timer 116 for 1.5 s.
    void ShowOsd(const std::string& text, UINT delayMs = 40);
    // The busy lock of a recording or a scan.
    void LockPanel(bool scanning);
    void UnlockPanel();
    void SetMuteLook(bool muted);
    void SetRecordLook(bool recording);
    // Lights the volume bar up to the segment topId (1181..1198).
    void LightVolumeSegments(int topId);
    // Opens a modal dialog of the panel: a topmost video window steps back meanwhile, and the
    // accelerators can be suspended while it is open.
    void RunPanelDialog(bool suspendAccelerators, const std::function<void()>& open);

    // Flags the commands test (all process-wide state of the panel).
    bool m_boPreviewOn = false;
    bool m_boRecording = false;
    bool m_boScanning = false;
    bool m_boDesktopMode = false;
    bool m_boTvWall = false;
    bool m_boSchedulerStarted = false;
    long m_lPlaybackState = -1; // -1: no playback file open
    bool m_boPanelShown = true;
    bool m_boVideoTopmost = false;
    bool m_boFullScreen = false;
    bool m_boAutoName = false;  // a recording asked to be named automatically
    bool m_boQuickPlay = false; // quick play asked for

    // Panel state.
    std::string m_strOsdText;
    long m_lScanCount = 0;
    int m_nVolumeSegment = 1181;
    time_t m_tRecordStart = 0; // when the running recording began (the status line's clock)

    // The user's settings, the channel list and the country table of the whole program.
    tunaro::TvSettings m_settings;
    tunaro::ChannelList m_channels;
    tunaro::CountryTable m_countries;
    std::unique_ptr<EngineChannels> m_engineChannels;
    std::unique_ptr<tunaro::MasterVolume> m_volume;

protected:
    BOOL OnInitDialog() override;
    const tunaro::MessageMap* GetMessageMap() const override;
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
    void OpenMasterVolume();
    void SaveSettings();
    static void OnMasterVolumeChanged(DWORD volume, DWORD_PTR self);
    LRESULT OnDestroy();
    void OnExit();
    void OnTimer(UINT_PTR id);
    void OnSysCommandAbout(UINT id, LPARAM);
    void OnNoEffect();
    LRESULT OnBringToFront();
    LRESULT OnChar();
    // Commands whose features arrive with later work (recording and playback, dialogs, the TV
    // wall, snapshots, the FM and scheduler buttons, the scheduler's messages).
    void OnOpenFile();
    void OnRecordSetting();
    void OnSetting();
    void OnRecordType();
    void OnRecord();
    void OnColor();
    void OnChannelEdit();
    void OnPlayback(UINT id);
    void OnRemoteSnapshot();
    void OnQuickRecord();
    void OnSnapshot();
    void OnTvWall();
    void OnQuickPlay();
    void OnFm();
    void OnAddTask();
    void OnSchedulerCommand(UINT id);
    BOOL OnCopyData(HWND from, const COPYDATASTRUCT* data);

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
    void OnVolumeDown();
    void OnVolumeUp();
    void OnVolumeSegment(UINT id);
    void OnHelp();
    void OnMostTop();
    void OnMenuDisplayPanel();
    void OnMenuFullScreen();
    void OnMenuExit();
    void OnMenuCommand(UINT id);
    void OnEnableButtons();
    void OnDisableButtons();
    void OnStatusTimer();
    void OnOsdTimer();
    void OnLButtonDown(UINT keys, POINT pt);
    void OnPaint();
    BOOL OnEraseBackground(HDC dc);
    LRESULT OnIgnoredMessage();
    void ShowOsdNow();

    // The looks: skin buttons and volume bar, status line, OSD window, background.
    tunaro::PanelSkin m_skin;
    tunaro::PanelStatusLine m_statusLine;
    tunaro::OsdWindow m_osd;
    tunaro::SkinBackground m_background;
    bool m_boOsdShown = false;             // the OSD text is up; timer 116 takes it away
    WINDOWPLACEMENT m_videoPlacement = {}; // the video window's place before full screen
    LONG_PTR m_videoStyle = 0;             // and its style

    // ---- panel_tv.cpp (what is watched and heard) ---------------------------------------------
    // The live-TV commands (scan, mute, picture keys, tuning, digits, channels, inputs): the
    // controller dispatches them by id.
    void OnLiveTvCommand(UINT id);
    void OnScanTimer();
    // The first input whose name holds the pattern ("Tuner", "Composite", "SVideo"); 0 if none.
    int SelectSourceByName(const char* pattern);

    friend class PanelLiveTvHost;
    PanelLiveTvHost m_liveHost{*this};
    tunaro::LiveTv m_liveTv{m_liveHost};

    std::unique_ptr<CSplashDlg> m_splash;
    DWORD m_dwSplashShown = 0;
    std::unique_ptr<CSnapshotBrowser> m_snapshot;
};
