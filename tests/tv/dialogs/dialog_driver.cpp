// Control driving for the setup page tests. Messages that carry pointers (list view items and
// rectangles, tab items) get their buffers in the control's own process, so the same calls work
// on the test's own pages and on the running program's.
#include "tests/tv/dialogs/dialog_driver.h"

#include <commctrl.h>

#include <cstring>

namespace dlgtest {

namespace {

// A buffer inside the process that owns a window.
class RemoteBuffer {
public:
    RemoteBuffer(HWND owner, size_t size) : m_size(size) {
        DWORD pid = 0;
        GetWindowThreadProcessId(owner, &pid);
        m_process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (m_process)
            m_address = VirtualAllocEx(m_process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    ~RemoteBuffer() {
        if (m_address)
            VirtualFreeEx(m_process, m_address, 0, MEM_RELEASE);
        if (m_process)
            CloseHandle(m_process);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    bool Valid() const { return m_address != nullptr; }
    char* At(size_t offset = 0) const { return static_cast<char*>(m_address) + offset; }
    LPARAM Param(size_t offset = 0) const { return reinterpret_cast<LPARAM>(At(offset)); }
    bool Write(const void* data, size_t size, size_t offset = 0) const {
        SIZE_T done = 0;
        return Valid() && offset + size <= m_size &&
               WriteProcessMemory(m_process, At(offset), data, size, &done) && done == size;
    }
    bool Read(void* data, size_t size, size_t offset = 0) const {
        SIZE_T done = 0;
        return Valid() && offset + size <= m_size &&
               ReadProcessMemory(m_process, At(offset), data, size, &done) && done == size;
    }

private:
    HANDLE m_process = nullptr;
    void* m_address = nullptr;
    size_t m_size;
};

constexpr size_t kTextMax = 512;

LRESULT Send(HWND wnd, UINT msg, WPARAM wp = 0, LPARAM lp = 0) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(wnd, msg, wp, lp, SMTO_NORMAL, 10000, &result);
    return static_cast<LRESULT>(result);
}

POINT Centre(const RECT& rc) {
    return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

void PostMouse(HWND list, UINT down, UINT up, POINT pt, WPARAM keys) {
    const LPARAM at = MAKELPARAM(pt.x, pt.y);
    PostMessageA(list, WM_MOUSEMOVE, 0, at);
    PostMessageA(list, down, keys, at);
    PostMessageA(list, up, 0, at);
}

} // namespace

int ListCount(HWND list) {
    return static_cast<int>(Send(list, LVM_GETITEMCOUNT));
}

std::string ListText(HWND list, int row, int column) {
    RemoteBuffer buffer(list, sizeof(LVITEMA) + kTextMax);
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = buffer.At(sizeof(LVITEMA));
    item.cchTextMax = static_cast<int>(kTextMax);
    if (!buffer.Write(&item, sizeof item))
        return std::string();
    Send(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), buffer.Param());
    char text[kTextMax + 1] = {};
    buffer.Read(text, kTextMax, sizeof(LVITEMA));
    return text;
}

std::vector<std::string> ListRow(HWND list, int row, int columns) {
    std::vector<std::string> texts;
    for (int c = 0; c < columns; ++c)
        texts.push_back(ListText(list, row, c));
    return texts;
}

bool ListChecked(HWND list, int row) {
    const UINT state =
        static_cast<UINT>(Send(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK));
    return (state >> 12) == 2;
}

int ListSelected(HWND list) {
    return static_cast<int>(Send(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void ListSelect(HWND list, int row) {
    RemoteBuffer buffer(list, sizeof(LVITEMA));
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    if (buffer.Write(&item, sizeof item))
        Send(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), buffer.Param());
}

RECT ListCell(HWND list, int row, int column) {
    RemoteBuffer buffer(list, sizeof(RECT));
    RECT rc = {};
    rc.top = column;
    rc.left = LVIR_LABEL;
    if (!buffer.Write(&rc, sizeof rc))
        return RECT{};
    if (column == 0)
        Send(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), buffer.Param());
    else
        Send(list, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), buffer.Param());
    buffer.Read(&rc, sizeof rc);
    return rc;
}

std::vector<std::string> ListColumnTitles(HWND list) {
    std::vector<std::string> titles;
    HWND header = reinterpret_cast<HWND>(Send(list, LVM_GETHEADER));
    const int count = header ? static_cast<int>(Send(header, HDM_GETITEMCOUNT)) : 0;
    for (int i = 0; i < count; ++i) {
        RemoteBuffer buffer(list, sizeof(LVCOLUMNA) + kTextMax);
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT;
        column.pszText = buffer.At(sizeof(LVCOLUMNA));
        column.cchTextMax = static_cast<int>(kTextMax);
        buffer.Write(&column, sizeof column);
        Send(list, LVM_GETCOLUMNA, static_cast<WPARAM>(i), buffer.Param());
        char text[kTextMax + 1] = {};
        buffer.Read(text, kTextMax, sizeof(LVCOLUMNA));
        titles.push_back(text);
    }
    return titles;
}

void ClickCell(HWND list, int row, int column) {
    RECT cell = ListCell(list, row, column);
    POINT pt = Centre(cell);
    if (column == 0)
        pt.x = cell.left + 6; // the label, well right of the check box
    PostMouse(list, WM_LBUTTONDOWN, WM_LBUTTONUP, pt, MK_LBUTTON);
}

void RightClickCell(HWND list, int row, int column) {
    PostMouse(list, WM_RBUTTONDOWN, WM_RBUTTONUP, Centre(ListCell(list, row, column)), MK_RBUTTON);
}

void DoubleClickCell(HWND list, int row, int column) {
    const POINT pt = Centre(ListCell(list, row, column));
    PostMouse(list, WM_LBUTTONDOWN, WM_LBUTTONUP, pt, MK_LBUTTON);
    PostMouse(list, WM_LBUTTONDBLCLK, WM_LBUTTONUP, pt, MK_LBUTTON);
}

void ClickCheckBox(HWND list, int row) {
    // The check box is the state image left of the label of column 0.
    const RECT label = ListCell(list, row, 0);
    RemoteBuffer buffer(list, sizeof(RECT));
    RECT bounds = {};
    bounds.left = LVIR_BOUNDS;
    buffer.Write(&bounds, sizeof bounds);
    Send(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), buffer.Param());
    buffer.Read(&bounds, sizeof bounds);
    const POINT pt = {bounds.left + (label.left - bounds.left) / 2, (label.top + label.bottom) / 2};
    PostMouse(list, WM_LBUTTONDOWN, WM_LBUTTONUP, pt, MK_LBUTTON);
}

void MoveSlider(HWND dlg, int sliderId, int position) {
    HWND slider = GetDlgItem(dlg, sliderId);
    Send(slider, TBM_SETPOS, TRUE, position);
    Send(dlg, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position), reinterpret_cast<LPARAM>(slider));
    Send(dlg, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(slider));
}

int SliderPosition(HWND dlg, int sliderId) {
    return static_cast<int>(Send(GetDlgItem(dlg, sliderId), TBM_GETPOS));
}

void SelectCombo(HWND dlg, int comboId, int index) {
    HWND combo = GetDlgItem(dlg, comboId);
    Send(combo, CB_SETCURSEL, static_cast<WPARAM>(index));
    Send(dlg, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

int ComboSelection(HWND dlg, int comboId) {
    return static_cast<int>(Send(GetDlgItem(dlg, comboId), CB_GETCURSEL));
}

std::vector<std::string> ComboItems(HWND dlg, int comboId) {
    HWND combo = GetDlgItem(dlg, comboId);
    std::vector<std::string> items;
    const int count = static_cast<int>(Send(combo, CB_GETCOUNT));
    for (int i = 0; i < count; ++i) {
        // The system carries this one across processes itself, in its wide form.
        wchar_t wide[kTextMax] = {};
        SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(wide));
        char text[kTextMax * 2] = {};
        WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
        items.push_back(text);
    }
    return items;
}

void SetText(HWND dlg, int id, const std::string& text) {
    SendMessageA(GetDlgItem(dlg, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool Enabled(HWND dlg, int id) {
    HWND item = GetDlgItem(dlg, id);
    return item && IsWindowEnabled(item);
}

bool Visible(HWND dlg, int id) {
    HWND item = GetDlgItem(dlg, id);
    return item && IsWindowVisible(item);
}

std::vector<std::string> TabTitles(HWND sheet) {
    std::vector<std::string> titles;
    HWND tab = reinterpret_cast<HWND>(Send(sheet, PSM_GETTABCONTROL));
    const int count = tab ? static_cast<int>(Send(tab, TCM_GETITEMCOUNT)) : 0;
    for (int i = 0; i < count; ++i) {
        RemoteBuffer buffer(tab, sizeof(TCITEMA) + kTextMax);
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = buffer.At(sizeof(TCITEMA));
        item.cchTextMax = static_cast<int>(kTextMax);
        buffer.Write(&item, sizeof item);
        Send(tab, TCM_GETITEMA, static_cast<WPARAM>(i), buffer.Param());
        char text[kTextMax + 1] = {};
        buffer.Read(text, kTextMax, sizeof(TCITEMA));
        titles.push_back(text);
    }
    return titles;
}

HWND CurrentPage(HWND sheet) {
    return reinterpret_cast<HWND>(Send(sheet, PSM_GETCURRENTPAGEHWND));
}

HWND ShowPage(HWND sheet, int index) {
    Send(sheet, PSM_SETCURSEL, static_cast<WPARAM>(index), 0);
    return CurrentPage(sheet);
}

namespace {

struct Search {
    DWORD pid;
    std::string title;
    bool messageBox;
    HWND found;
};

BOOL CALLBACK FindIn(HWND wnd, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    if (pid != s->pid || !IsWindowVisible(wnd))
        return TRUE;
    char cls[32] = {};
    GetClassNameA(wnd, cls, sizeof cls);
    if (lstrcmpA(cls, "#32770") != 0)
        return TRUE;
    const bool isBox = GetDlgItem(wnd, 0xFFFF) != nullptr;
    if (s->messageBox ? isBox : !isBox) {
        char text[256] = {};
        GetWindowTextA(wnd, text, sizeof text);
        if (s->messageBox || s->title == text) {
            s->found = wnd;
            return FALSE;
        }
    }
    return TRUE;
}

} // namespace

HWND FindMessageBox(DWORD pid) {
    Search s{pid, "", true, nullptr};
    EnumWindows(FindIn, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

std::string MessageBoxText(HWND box) {
    char text[1024] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    return text;
}

void Answer(HWND box, int buttonId) {
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, buttonId)));
}

HWND FindDialog(DWORD pid, const std::string& title) {
    Search s{pid, title, false, nullptr};
    EnumWindows(FindIn, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

} // namespace dlgtest
