// The application object: start-up of the window library, the thread's message filter that
// lets modal loops pre-translate messages, and the fallback message loop.
#include "framework/application.h"
#include "framework/dialog.h"
#include "framework/raii.h"

#include <commctrl.h>

namespace tunaro {

Application* Application::g_current = nullptr;

Application::Application() {
    g_current = this;
}

Application::~Application() {
    if (m_filterHook)
        ::UnhookWindowsHookEx(m_filterHook);
    if (g_current == this)
        g_current = nullptr;
}

bool Application::LoadAccelerators(UINT resourceId) {
    HINSTANCE inst = m_instance ? m_instance : ::GetModuleHandleA(nullptr);
    m_accelerators = ::LoadAcceleratorsA(inst, MAKEINTRESOURCEA(resourceId));
    return m_accelerators != nullptr;
}

LRESULT CALLBACK Application::MessageFilterProc(int code, WPARAM wp, LPARAM lp) {
    Application* app = g_current;
    // Dialog boxes, property sheets and message boxes call the filter with MSGF_DIALOGBOX from
    // their loops; menus and scroll bars track the mouse and are left alone.
    if (app && code == MSGF_DIALOGBOX && lp && app->PreTranslateMessage(reinterpret_cast<MSG*>(lp)))
        return 1;
    return ::CallNextHookEx(app ? app->m_filterHook : nullptr, code, wp, lp);
}

bool Application::PreTranslateMessage(MSG* msg) {
    // The framework dialogs on the way from the target up to its top-level window.
    for (HWND h = msg->hwnd; h; h = ::GetAncestor(h, GA_PARENT)) {
        if (Dialog* dlg = Dialog::FromHandle(h))
            if (dlg->PreTranslateMessage(msg))
                return true;
        if (!(::GetWindowLongPtrA(h, GWL_STYLE) & WS_CHILD))
            break;
    }
    if (m_accelerators && !AcceleratorsSuspended() && m_mainWindow && m_mainWindow->m_hWnd &&
        msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST)
        return ::TranslateAcceleratorA(m_mainWindow->m_hWnd, m_accelerators, msg) != 0;
    return false;
}

int Application::Run(HINSTANCE instance) {
    m_instance = instance ? instance : ::GetModuleHandleA(nullptr);
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_DATE_CLASSES};
    ::InitCommonControlsEx(&icc);
    ComInit com;
    m_filterHook =
        ::SetWindowsHookExA(WH_MSGFILTER, &Application::MessageFilterProc, nullptr, ::GetCurrentThreadId());
    int exitCode = 0;
    if (InitInstance()) {
        MSG msg = {};
        BOOL got;
        while ((got = ::GetMessageA(&msg, nullptr, 0, 0)) != 0) {
            if (got == -1)
                break;
            if (!PreTranslateMessage(&msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageA(&msg);
            }
        }
        exitCode = static_cast<int>(msg.wParam);
        int rc = ExitInstance();
        if (exitCode == 0)
            exitCode = rc;
    } else {
        exitCode = ExitInstance();
    }
    if (m_filterHook) {
        ::UnhookWindowsHookEx(m_filterHook);
        m_filterHook = nullptr;
    }
    return exitCode;
}

} // namespace tunaro
