// The agent's window: kept off screen or in the tray, it polls the receiver on its timer, shows
// the last key and its code, follows the card's arrival and removal, and answers the TV program's
// scan messages. It is the host of the Relay, over Win32.
#pragma once

#include <windows.h>

#include <string>

#include "framework/dialog.h"
#include "framework/language.h"
#include "framework/raii.h"
#include "framework/tray_icon.h"
#include "remote/receiver.h"
#include "remote/relay.h"

namespace tunaro::remote {

// The tray icon's id and the message its mouse events arrive as.
constexpr UINT kTrayIconId = 7000;
constexpr UINT kTrayMessage = 1574;

class CKeyRelayDlg : public Dialog, private RelayHost {
public:
    explicit CKeyRelayDlg(LanguageMode language);
    ~CKeyRelayDlg() override;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override {}   // Enter does nothing
    void OnCancel() override; // Escape goes to the tray
    const MessageMap* GetMessageMap() const override;

private:
    // Message handlers.
    void OnTimer(UINT_PTR id);
    void OnHide();
    void OnExitButton();
    void OnMenuExit();
    void OnDisplay();
    void OnScanStarted();
    void OnScanEnded();
    void OnAbout(UINT id, LPARAM);
    void OnMinimize(UINT id, LPARAM);
    void OnRestore(UINT id, LPARAM);
    LRESULT OnTrayNotify(WPARAM id, LPARAM mouseMessage);
    LRESULT OnClose();
    BOOL OnDeviceChange(UINT event, DWORD_PTR data);
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT message);
    LRESULT OnWindowPosChanging(UINT, WPARAM, LPARAM pos, bool& handled);

    void MinimizeToTray();
    void LayOutControls();
    void Restore(bool centre);
    void Close();
    void SetLanguageTexts();
    void RegisterCardNotification();
    void UnregisterCardNotification();
    void SetIcons(UINT iconId);
    void SetTray(UINT iconId, const char* tip);
    std::string SettingsFile() const;
    HWND FindWindowByTitle(const char* section, const char* key, const char* fallback) const;
    const char* Text(const char* english, const char* chinese) const {
        return PickText(m_language, english, chinese);
    }

    // RelayHost.
    bool LoadReceiver() override { return m_receiver.Load(); }
    bool ReceiverLoaded() const override { return m_receiver.Loaded(); }
    void UnloadReceiver() override { m_receiver.Unload(); }
    bool StartReceiver() override { return m_receiver.Start(); }
    uint32_t ReadReceiver() override { return m_receiver.Read(); }
    void StopReceiver() override { m_receiver.Stop(); }
    void StartPollTimer() override;
    void StopPollTimer() override;
    void Pause(unsigned ms) override { ::Sleep(ms); }
    void ShowCode(uint32_t code) override;
    void ShowWaiting() override;
    void ShowReceived(const std::string& label) override;
    bool ChineseMode() const override { return m_language == kLanguageChinese; }
    PeerId FindTarget() override;
    PeerId FindTvWindow() override;
    void SendCommand(PeerId peer, uint32_t command) override;
    void PostCommand(PeerId peer, uint32_t command) override;
    bool TvDirectoryKnown() const override { return !m_strTvDir.empty(); }
    bool StartTvProgram() override;
    void WaitForTvProgram(unsigned ms) override;
    void ReleaseTvProgram() override { m_tvProcess.Reset(); }
    void StartPowerOff() override;

    LanguageMode m_language;
    Receiver m_receiver;
    Relay m_relay;
    std::string m_strTvDir; // the TV program's directory, from the registry
    Handle m_tvProcess;     // the TV program the Start/Exit key started
    TrayIcon m_tray;
    Menu m_trayMenu;
    UINT m_trayIconId = 0;
    std::string m_strTrayTip;
    UINT m_windowIconId = 0;
    COLORREF m_textColour = RGB(0, 0, 0);
    bool m_boClosing = false;
    bool m_boInTray = false; // hidden in the tray: nothing but Restore shows the window
    HDEVNOTIFY m_deviceNotify = nullptr;
};

} // namespace tunaro::remote
