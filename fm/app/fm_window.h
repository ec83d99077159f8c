// The FM program's main window (template 102): the skinned radio with its buttons, the
// frequency, mode and clock texts and the volume bar. The class holds the window's life, looks
// and own commands; what the features do lives with them:
//   fm_window.cpp     the message map (every command id and its handler), start-up and the
//                     ending, the looks, the setting sheet, About, the timers
//   fm_stations.*     the device and the stations      fm_scan.*       the band scan
//   fm_recording.*    recording and the timed list     fm_playback.*   playback
//   fm_peers.*        the other programs and the TV button
// All of the window's state is one FmState (fm_state.h), shared with the features.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "fm/app/capture_library.h"
#include "fm/app/fm_peers.h"
#include "fm/app/fm_playback.h"
#include "fm/app/fm_recording.h"
#include "fm/app/fm_scan.h"
#include "fm/app/fm_state.h"
#include "fm/app/fm_stations.h"
#include "framework/dialog.h"
#include "framework/raii.h"
#include "uikit/cyup4_btn.h"
#include "uikit/skin_background.h"
#include "uikit/skin_panel.h"
#include "uikit/status_text.h"

namespace tunaro {

// The colours of the window's texts.
constexpr COLORREF kFmYellow = RGB(255, 255, 0);
constexpr COLORREF kFmRed = RGB(255, 0, 0);
constexpr COLORREF kFmPurple = RGB(204, 0, 254);

// The current local time as strftime formats it.
std::string FmLocalTime(const char* format);

class CFmDlg : public Dialog {
public:
    CFmDlg();
    ~CFmDlg() override;

    // ---- what the features use ----
    fm::CaptureLibrary& Library() { return m_library; }
    OpenDialogs& Dialogs() { return m_dialogs; }
    // The master volume (null before the initialisation opened it and after the ending).
    MasterVolume* Mixer() const { return m_volumeBar.Mixer(); }
    FmStations& Stations() { return m_stations; }
    FmScan& Scan() { return m_scan; }
    // A command to the window itself, carried out before this returns.
    void SendCommand(int id) { SendMessage(WM_COMMAND, MAKEWPARAM(id, 0), 0); }

    void ShowFrequency(long hertz, COLORREF colour);
    void ShowFrequencyText(const std::string& text);
    void SetFrequencyColour(COLORREF colour);
    void ShowMode(const char* english, const char* chinese);
    // The clock text: the current time in yellow, or a recording's elapsed time in purple.
    void ShowClock();
    void ShowElapsed(long seconds);
    void SetRecordLook(bool recording);
    void SetMuteLook(bool muted);
    // The station keys (at rest while recording) and the player's keys.
    void EnableStationButtons(bool enable);
    void EnablePlaybackButtons(bool enable);
    // While a file is open the radio's own buttons rest; the player's stay.
    void ShowPlaybackSet(bool playing);

protected:
    BOOL OnInitDialog() override;
    const MessageMap* GetMessageMap() const override;
    // Enter and Escape never close the radio.
    void OnOK() override {}
    void OnCancel() override {}
    // Keeps commands away while one of the window's dialogs is open (see m_dialogs).
    bool ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    void ApplySkin();
    void LayOutButtons();
    void CreateTexts();
    Cyup4Btn* Button(int id);

    void OnExit();
    void OnMinimize();
    void OnSetting();
    void OnAbout();
    void OnSysCommandAbout(UINT id, LPARAM);
    void OnTimer(UINT_PTR id);
    void OnLButtonDown(UINT keys, POINT pt);
    BOOL OnEraseBackground(HDC dc);
    LRESULT OnDestroy();

    FmState m_state;
    fm::CaptureLibrary m_library;
    // The dialogs open over the window, and a close for the TV program waiting for them.
    OpenDialogs m_dialogs;

    // The looks.
    struct SkinButton {
        int id;
        std::unique_ptr<Cyup4Btn> button;
    };
    std::vector<SkinButton> m_buttons;
    VolumeBar m_volumeBar;
    StatusText m_frequencyText, m_modeText, m_clockText;
    Font m_textFont;
    SkinBackground m_background;

    // The features, each with the handlers of its commands (bound in the message map).
    FmStations m_stations{*this, m_state};
    FmScan m_scan{*this, m_state};
    FmRecording m_recording{*this, m_state};
    FmPlayback m_playback{*this, m_state};
    FmPeers m_peers{*this, m_state};
};

} // namespace tunaro
