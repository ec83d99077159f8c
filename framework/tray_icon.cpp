// The notification-area icon helper: fills NOTIFYICONDATAA in its original layout (known to
// every shell version) and keeps track of whether the icon is shown.
#include "framework/tray_icon.h"

namespace tunaro {

NOTIFYICONDATAA TrayIcon::Data(UINT flags, HICON icon, const std::string& tip) const {
    NOTIFYICONDATAA nid = {};
    nid.cbSize = NOTIFYICONDATAA_V1_SIZE;
    nid.hWnd = m_owner;
    nid.uID = m_id;
    nid.uFlags = flags;
    nid.uCallbackMessage = m_callbackMessage;
    nid.hIcon = icon;
    // The first layout's tip holds 63 characters and a terminating zero.
    lstrcpynA(nid.szTip, tip.c_str(), 64);
    return nid;
}

bool TrayIcon::Add(HWND owner, UINT id, UINT callbackMessage, HICON icon, const std::string& tip) {
    if (m_shown && (owner != m_owner || id != m_id))
        Remove();
    m_owner = owner;
    m_id = id;
    m_callbackMessage = callbackMessage;
    NOTIFYICONDATAA nid = Data(NIF_MESSAGE | NIF_ICON | NIF_TIP, icon, tip);
    if (m_shown)
        return ::Shell_NotifyIconA(NIM_MODIFY, &nid) != FALSE;
    m_shown = ::Shell_NotifyIconA(NIM_ADD, &nid) != FALSE;
    return m_shown;
}

bool TrayIcon::Modify(HICON icon, const std::string& tip) {
    if (!m_shown)
        return false;
    NOTIFYICONDATAA nid = Data(NIF_ICON | NIF_TIP, icon, tip);
    return ::Shell_NotifyIconA(NIM_MODIFY, &nid) != FALSE;
}

bool TrayIcon::Remove() {
    if (!m_shown)
        return false;
    m_shown = false;
    NOTIFYICONDATAA nid = Data(0, nullptr, std::string());
    return ::Shell_NotifyIconA(NIM_DELETE, &nid) != FALSE;
}

} // namespace tunaro
