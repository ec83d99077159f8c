// A notification-area icon over Shell_NotifyIconA: added, changed and removed for one owner
// window, removed at the latest when the holder goes away.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

namespace tunaro {

class TrayIcon {
public:
    TrayIcon() = default;
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;
    ~TrayIcon() { Remove(); }

    // Adds the icon; mouse events arrive at owner as callbackMessage with the icon id in
    // wParam and the mouse message (WM_LBUTTONDBLCLK, WM_RIGHTBUTTONUP, ...) in lParam.
    // The tip is cut to what the shell accepts. Adding while shown replaces the icon.
    bool Add(HWND owner, UINT id, UINT callbackMessage, HICON icon, const std::string& tip);
    bool Modify(HICON icon, const std::string& tip);
    bool Remove();
    bool IsShown() const { return m_shown; }

private:
    NOTIFYICONDATAA Data(UINT flags, HICON icon, const std::string& tip) const;

    HWND m_owner = nullptr;
    UINT m_id = 0;
    UINT m_callbackMessage = 0;
    bool m_shown = false;
};

} // namespace tunaro
