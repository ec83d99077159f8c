// A thin wrapper over HWND with the control helpers dialogs use (texts, integers, check boxes,
// radio groups, show/enable/move by id), and a few window-level helpers (system menu, popups).
#pragma once

#include <windows.h>

#include <string>

namespace tunaro {

class Window {
public:
    Window() = default;
    explicit Window(HWND hwnd) : m_hWnd(hwnd) {}
    virtual ~Window() = default;

    HWND GetHwnd() const { return m_hWnd; }
    bool IsWindow() const { return m_hWnd && ::IsWindow(m_hWnd); }

    LRESULT SendMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const {
        return ::SendMessageA(m_hWnd, msg, wp, lp);
    }
    bool PostMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const {
        return ::PostMessageA(m_hWnd, msg, wp, lp) != FALSE;
    }

    // The window's own text and state.
    std::string GetWindowText() const;
    bool SetWindowText(const std::string& text) const {
        return ::SetWindowTextA(m_hWnd, text.c_str()) != FALSE;
    }
    bool ShowWindow(int cmd) const { return ::ShowWindow(m_hWnd, cmd) != FALSE; }
    // Centres the window over another window, or over the screen's work area when none.
    void CenterWindow(HWND over = nullptr) const;

    // Controls by id.
    HWND Item(int id) const { return ::GetDlgItem(m_hWnd, id); }
    std::string GetItemText(int id) const;
    bool SetItemText(int id, const std::string& text) const {
        return ::SetDlgItemTextA(m_hWnd, id, text.c_str()) != FALSE;
    }
    // Reads the control's text as a decimal number; ok (if given) tells whether the whole text
    // was one that fits an int (0 is returned otherwise). isSigned false refuses a minus sign.
    int GetItemInt(int id, bool* ok = nullptr, bool isSigned = true) const;
    bool SetItemInt(int id, int value, bool isSigned = true) const {
        return ::SetDlgItemInt(m_hWnd, id, static_cast<UINT>(value), isSigned) != FALSE;
    }
    bool IsChecked(int id) const { return ::IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED; }
    void SetCheck(int id, bool checked) const {
        ::CheckDlgButton(m_hWnd, id, checked ? BST_CHECKED : BST_UNCHECKED);
    }
    // Radio buttons with contiguous ids.
    void CheckRadio(int firstId, int lastId, int checkId) const {
        ::CheckRadioButton(m_hWnd, firstId, lastId, checkId);
    }
    // Radio groups in tab order: the group starts at firstId (the control with WS_GROUP) and runs
    // until the next control with WS_GROUP. The index counts radio buttons only; -1 = none checked.
    int GetRadioIndex(int firstId) const;
    // Checks the index-th radio button of the group and unchecks the others (-1 unchecks all).
    void SetRadioIndex(int firstId, int index) const;
    void ShowItem(int id, bool show) const { ::ShowWindow(Item(id), show ? SW_SHOW : SW_HIDE); }
    void EnableItem(int id, bool enable) const { ::EnableWindow(Item(id), enable ? TRUE : FALSE); }
    bool IsItemEnabled(int id) const { return ::IsWindowEnabled(Item(id)) != FALSE; }
    bool IsItemVisible(int id) const { return ::IsWindowVisible(Item(id)) != FALSE; }
    // Position in this window's client coordinates.
    void MoveItem(int id, int x, int y, int width, int height, bool repaint = true) const {
        ::MoveWindow(Item(id), x, y, width, height, repaint ? TRUE : FALSE);
    }
    RECT GetItemRect(int id) const;
    LRESULT SendItemMessage(int id, UINT msg, WPARAM wp = 0, LPARAM lp = 0) const {
        return ::SendDlgItemMessageA(m_hWnd, id, msg, wp, lp);
    }

    // Appends a separator and a command item to the window's system menu; choosing it sends
    // WM_SYSCOMMAND with the id. An empty text adds nothing. Use ids below 0xF000 (the system's
    // own) and prefer multiples of 16: the system keeps the low four bits for itself.
    bool AppendSystemMenuItem(UINT id, const std::string& text) const;

    // Shows a pop-up menu at the cursor (or at pt in screen coordinates) and returns the chosen
    // command id, 0 when none; with returnCommand false the command is sent as WM_COMMAND.
    UINT TrackPopupMenu(HMENU popup, bool returnCommand = false, const POINT* pt = nullptr) const;

    HWND m_hWnd = nullptr;
};

// A string-table entry of the module (empty when missing).
std::string LoadResourceString(UINT id, HINSTANCE instance = nullptr);

} // namespace tunaro
