// The HWND wrapper's helpers: texts of any length, radio groups in tab order, system menu
// items, pop-up menus at the cursor.
#include "framework/window.h"

#include <vector>

namespace tunaro {

namespace {

std::string TextOf(HWND hwnd) {
    if (!hwnd)
        return std::string();
    int len = ::GetWindowTextLengthA(hwnd);
    if (len <= 0)
        return std::string();
    std::string text(static_cast<size_t>(len) + 1, '\0');
    int got = ::GetWindowTextA(hwnd, &text[0], len + 1);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

bool IsRadioButton(HWND hwnd) {
    char cls[16] = {};
    if (!::GetClassNameA(hwnd, cls, sizeof cls) || lstrcmpiA(cls, "Button") != 0)
        return false;
    LONG_PTR type = ::GetWindowLongPtrA(hwnd, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

// The radio buttons of the group that starts at first, in tab order.
std::vector<HWND> RadioGroup(HWND first) {
    std::vector<HWND> group;
    for (HWND h = first; h; h = ::GetWindow(h, GW_HWNDNEXT)) {
        if (h != first && (::GetWindowLongPtrA(h, GWL_STYLE) & WS_GROUP))
            break;
        if (IsRadioButton(h))
            group.push_back(h);
    }
    return group;
}

} // namespace

std::string Window::GetWindowText() const {
    return TextOf(m_hWnd);
}

std::string Window::GetItemText(int id) const {
    return TextOf(Item(id));
}

int Window::GetItemInt(int id, bool* ok, bool isSigned) const {
    // Stricter than GetDlgItemInt, which accepts "12abc" on some systems: the whole text, with
    // surrounding blanks, must be one decimal number that fits an int.
    std::string text = GetItemText(id);
    size_t i = 0, n = text.size();
    while (i < n && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    while (n > i && (text[n - 1] == ' ' || text[n - 1] == '\t'))
        --n;
    bool negative = false;
    if (i < n && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    bool valid = i < n && (isSigned || !negative);
    for (; valid && i < n; ++i) {
        if (text[i] < '0' || text[i] > '9' || value > 0x80000000LL)
            valid = false;
        else
            value = value * 10 + (text[i] - '0');
    }
    if (negative)
        value = -value;
    if (valid && (value > 0x7FFFFFFFLL || value < -0x80000000LL))
        valid = false;
    if (ok)
        *ok = valid;
    return valid ? static_cast<int>(value) : 0;
}

int Window::GetRadioIndex(int firstId) const {
    std::vector<HWND> group = RadioGroup(Item(firstId));
    for (size_t i = 0; i < group.size(); ++i)
        if (::SendMessageA(group[i], BM_GETCHECK, 0, 0) == BST_CHECKED)
            return static_cast<int>(i);
    return -1;
}

void Window::SetRadioIndex(int firstId, int index) const {
    std::vector<HWND> group = RadioGroup(Item(firstId));
    for (size_t i = 0; i < group.size(); ++i)
        ::SendMessageA(group[i], BM_SETCHECK, static_cast<int>(i) == index ? BST_CHECKED : BST_UNCHECKED, 0);
}

RECT Window::GetItemRect(int id) const {
    RECT rc = {};
    HWND item = Item(id);
    if (item && ::GetWindowRect(item, &rc))
        ::MapWindowPoints(HWND_DESKTOP, m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

void Window::CenterWindow(HWND over) const {
    RECT area = {};
    if (over && ::IsWindow(over))
        ::GetWindowRect(over, &area);
    else
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    RECT rc = {};
    ::GetWindowRect(m_hWnd, &rc);
    int w = rc.right - rc.left, h = rc.bottom - rc.top;
    int x = area.left + ((area.right - area.left) - w) / 2;
    int y = area.top + ((area.bottom - area.top) - h) / 2;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool Window::AppendSystemMenuItem(UINT id, const std::string& text) const {
    if (text.empty())
        return false;
    HMENU menu = ::GetSystemMenu(m_hWnd, FALSE);
    if (!menu)
        return false;
    ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    return ::AppendMenuA(menu, MF_STRING, id, text.c_str()) != FALSE;
}

UINT Window::TrackPopupMenu(HMENU popup, bool returnCommand, const POINT* pt) const {
    if (!popup)
        return 0;
    POINT at = {};
    if (pt)
        at = *pt;
    else
        ::GetCursorPos(&at);
    // The owner must be in the foreground or the menu does not close when clicked away;
    // the posted null message lets it close properly when it came from a tray icon.
    ::SetForegroundWindow(m_hWnd);
    UINT flags = TPM_LEFTALIGN | TPM_RIGHTBUTTON | (returnCommand ? TPM_RETURNCMD | TPM_NONOTIFY : 0);
    BOOL cmd = ::TrackPopupMenu(popup, flags, at.x, at.y, 0, m_hWnd, nullptr);
    ::PostMessageA(m_hWnd, WM_NULL, 0, 0);
    return returnCommand ? static_cast<UINT>(cmd) : 0;
}

std::string LoadResourceString(UINT id, HINSTANCE instance) {
    if (!instance)
        instance = ::GetModuleHandleA(nullptr);
    // String-table entries are at most 4097 characters long.
    std::vector<char> buf(4100);
    int n = ::LoadStringA(instance, id, buf.data(), static_cast<int>(buf.size()));
    return n > 0 ? std::string(buf.data(), static_cast<size_t>(n)) : std::string();
}

} // namespace tunaro
