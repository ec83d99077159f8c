// Dialog procedure shared by all framework dialogs: binds the object at WM_INITDIALOG through a
// window property, routes messages to the class's message map, and unbinds at WM_NCDESTROY.
#include "framework/dialog.h"

#include <vector>

namespace tunaro {

namespace {
const char kDialogProp[] = "tunaro.Dialog";
} // namespace

Dialog::Dialog(UINT templateId, HINSTANCE instance)
    : m_templateId(templateId), m_instance(instance ? instance : ::GetModuleHandleA(nullptr)) {}

Dialog::~Dialog() {
    if (m_hWnd && ::IsWindow(m_hWnd) && !m_modal)
        ::DestroyWindow(m_hWnd);
    Detach();
}

INT_PTR Dialog::DoModal(HWND parent) {
    if (m_hWnd)
        return -1;
    m_modal = true;
    m_result = 0;
    INT_PTR r = ::DialogBoxParamA(m_instance, MAKEINTRESOURCEA(m_templateId), parent, &Dialog::DialogProc,
                                  reinterpret_cast<LPARAM>(this));
    m_modal = false;
    return r;
}

bool Dialog::Create(HWND parent) {
    if (m_hWnd)
        return false;
    m_modal = false;
    m_result = 0;
    HWND hwnd = ::CreateDialogParamA(m_instance, MAKEINTRESOURCEA(m_templateId), parent, &Dialog::DialogProc,
                                     reinterpret_cast<LPARAM>(this));
    return hwnd != nullptr;
}

void Dialog::EndDialog(INT_PTR result) {
    m_result = result;
    if (!m_hWnd)
        return;
    if (m_modal)
        ::EndDialog(m_hWnd, result);
    else
        ::ShowWindow(m_hWnd, SW_HIDE);
}

bool Dialog::DestroyWindow() {
    return m_hWnd && ::DestroyWindow(m_hWnd);
}

Dialog* Dialog::FromHandle(HWND hwnd) {
    return hwnd ? static_cast<Dialog*>(::GetPropA(hwnd, kDialogProp)) : nullptr;
}

bool Dialog::PreTranslateMessage(MSG*) {
    return false;
}

void Dialog::Attach(HWND hwnd) {
    m_hWnd = hwnd;
    ::SetPropA(hwnd, kDialogProp, this);
}

void Dialog::Detach() {
    if (m_hWnd)
        ::RemovePropA(m_hWnd, kDialogProp);
    m_hWnd = nullptr;
}

bool Dialog::ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (const MessageMap* map = GetMessageMap())
        if (map->Dispatch(this, MessageArgs{msg, wp, lp}, result))
            return true;
    if (msg == WM_COMMAND && (lp == 0 || HIWORD(wp) == BN_CLICKED)) {
        if (LOWORD(wp) == IDOK) {
            OnOK();
            result = 0;
            return true;
        }
        if (LOWORD(wp) == IDCANCEL) {
            OnCancel();
            result = 0;
            return true;
        }
    }
    return false;
}

INT_PTR Dialog::DialogResult(HWND hwnd, UINT msg, LRESULT result) {
    switch (msg) {
    // These return their value directly instead of through DWLP_MSGRESULT.
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
        return static_cast<INT_PTR>(result);
    default:
        ::SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
}

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Dialog* self = FromHandle(hwnd);
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lp);
        if (!self)
            return FALSE;
        self->Attach(hwnd);
        return self->OnInitDialog();
    }
    if (!self)
        return FALSE;
    if (msg == WM_NCDESTROY) {
        LRESULT ignored = 0;
        self->ProcessMessage(msg, wp, lp, ignored);
        self->Detach();
        self->OnFinalMessage();
        return FALSE;
    }
    LRESULT result = 0;
    if (!self->ProcessMessage(msg, wp, lp, result))
        return FALSE;
    return DialogResult(hwnd, msg, result);
}

namespace {

struct OpenDialogSearch {
    HWND main;
    std::vector<HWND> open;
};

BOOL CALLBACK CollectOpenDialog(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<OpenDialogSearch*>(param);
    char cls[16] = "";
    ::GetClassNameA(hwnd, cls, sizeof cls);
    if (hwnd != search->main && ::lstrcmpA(cls, "#32770") == 0 && ::IsWindowEnabled(hwnd))
        search->open.push_back(hwnd);
    return TRUE;
}

} // namespace

int CancelOpenDialogs(HWND mainWindow) {
    OpenDialogSearch search{mainWindow, {}};
    ::EnumThreadWindows(::GetCurrentThreadId(), CollectOpenDialog, reinterpret_cast<LPARAM>(&search));
    for (HWND dialog : search.open) {
        // Cancel for dialogs, sheets and prompts alike (a box with only OK takes it as OK).
        ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
    return static_cast<int>(search.open.size());
}

void OpenDialogs::CancelAndWait(HWND window) {
    m_commandWaiting = true;
    CancelOpenDialogs(window);
}

OpenDialogs::Scope::Scope(OpenDialogs& dialogs, HWND window, bool restoreMinimised)
    : m_dialogs(dialogs), m_window(window) {
    ++m_dialogs.m_count;
    if (restoreMinimised && m_window != nullptr && ::IsIconic(m_window))
        ::ShowWindow(m_window, SW_RESTORE);
}

OpenDialogs::Scope::~Scope() {
    --m_dialogs.m_count;
    // The held command comes back with each dialog that ends: it cancels the next one, or it is
    // carried out once none is left.
    if (m_dialogs.m_commandWaiting && m_window != nullptr)
        ::PostMessageA(m_window, WM_COMMAND, MAKEWPARAM(m_dialogs.m_waitingCommand, 0), 0);
}

} // namespace tunaro
