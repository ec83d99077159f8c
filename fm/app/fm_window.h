// The FM program's main window (template 102): the skinned radio with its buttons, the
// frequency, mode and clock texts, the station commands, the band scan, recording, playback
// and the timed-recording list. Every command id's handler is bound in GetMessageMap.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fm/app/capture_library.h"
#include "fm/app/fm_settings.h"
#include "fm/app/track_deck.h"
#include "fm/record_list.h"
#include "framework/dialog.h"
#include "framework/raii.h"
#include "uikit/cyup4_btn.h"
#include "uikit/master_volume.h"
#include "uikit/skin_background.h"
#include "uikit/status_text.h"

class CFmDlg : public tunaro::Dialog {
public:
    CFmDlg();
    ~CFmDlg() override;

protected:
    BOOL OnInitDialog() override;
    const tunaro::MessageMap* GetMessageMap() const override;
    // Enter and Escape never close the radio.
    void OnOK() override {}
    void OnCancel() override {}
    // Keeps commands away while one of the window's dialogs is open (see m_dialogs).
    bool ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    // ---- looks ----
    void ApplySkin();
    void LayOutButtons();
    void CreateTexts();
    tunaro::Cyup4Btn* Button(int id);
    void SetRecordLook(bool recording);
    void SetMuteLook(bool muted);
    void LightVolumeSegments(int topId);
    void ShowFrequency(long hertz, COLORREF colour);
    void ShowMode(const char* english, const char* chinese);
    void EnableStationButtons(bool enable);
    void EnablePlaybackButtons(bool enable);
    void ShowPlaybackSet(bool playing);

    // ---- the device and the stations ----
    bool StartDevice(bool reportFailure);
    void StopDevice();
    // Selects a station by index: false when there is no such station.
    bool SelectStation(int index);
    bool StationCommandsAllowed() const;
    void OnDigit(UINT id);
    void OnChannelUp();
    void OnChannelDown();
    void OnLastChannel();
    void OnFreqUp();
    void OnFreqDown();
    void FineTune(long step);
    void OnMute();
    void OnScan();
    void OnScanTimer();

    // ---- recording ----
    void OnRecord();
    void StartRecording(const std::string& name);
    void StopRecording();
    void OnStopRecord();
    void OnTimedRecordingTimer();

    // ---- playback ----
    void OnOpenFile();
    void OnPlay();
    void OnPause();
    void OnStopPlay();
    void OnQuickPlay();
    void OnPlaybackTimer();

    // ---- window ----
    void OnExit();
    void OnCloseForTv();
    void OnTv();
    void OnMinimize();
    void OnSetting();
    void OnAbout();
    void OnSysCommandAbout(UINT id, LPARAM);
    void OnVolumeDown();
    void OnVolumeUp();
    void OnVolumeSegment(UINT id);
    void OnTimer(UINT_PTR id);
    void OnLButtonDown(UINT keys, POINT pt);
    BOOL OnEraseBackground(HDC dc);
    LRESULT OnDestroy();
    void OpenMasterVolume();
    static void OnMasterVolumeChanged(DWORD volume, DWORD_PTR self);

    // While one of the window's dialogs is open, only the commands peers may give over it are
    // carried out: those that open nothing and change nothing a dialog works on (mute, the
    // volume, stopping a recording). peer::kFmCloseForTv cancels the dialogs and closes the
    // radio once the last one is gone.
    bool CommandAllowedUnderDialog(WORD id) const;

    // The device, its stations and the user's mute.
    tunaro::fm::CaptureLibrary m_library;
    bool m_boDeviceRunning = false;
    int m_nCurrent = 0;
    int m_nPrevious = 0;
    int m_nStationCount = 0;
    bool m_boUserMute = false;

    // The dialogs open over the window, and a close for the TV program waiting for them.
    tunaro::OpenDialogs m_dialogs;

    // What the window is doing.
    bool m_boRecording = false;
    int m_nRecordingType = 0; // the type the running recording was started with
    DWORD m_dwRecordStart = 0;
    bool m_boScanning = false;
    int m_nPlaybackState = -1; // -1 no file open, 0 playing, 1 paused
    long m_lDurationSeconds = 0;
    std::string m_strQuickPlayPath; // preset by quick play for the open command

    tunaro::fm::FmSettings m_settings;
    std::vector<tunaro::fm::TimedRecording> m_timed;
    tunaro::fm::TrackDeck m_deck;

    // The looks.
    struct SkinButton {
        int id;
        std::unique_ptr<tunaro::Cyup4Btn> button;
    };
    std::vector<SkinButton> m_buttons;
    int m_nVolumeTop = 0;
    tunaro::StatusText m_frequencyText, m_modeText, m_clockText;
    tunaro::Font m_textFont;
    tunaro::SkinBackground m_background;
    std::unique_ptr<tunaro::MasterVolume> m_volume;
};
