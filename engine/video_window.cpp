// The video window of the engine's graphs.
#include "engine/video_window.h"

#include "engine/engine_report.h"

#include <cwchar>

namespace tunaro {

namespace {

void FitClient(IVideoWindow* window, HWND owner) {
    RECT client = {};
    if (owner)
        GetClientRect(owner, &client);
    window->SetWindowPosition(0, 0, client.right, client.bottom);
}

// The renderer makes its window top-level and without an owner, and only later is it put into
// ours. A taskbar may list a window the moment it is made top-level and keep that button while
// the window lives without an owner, child or not; owned by the window it is shown in, it is
// never listed. The window is found by a caption no other window has, while still top-level.
void GiveOwner(IVideoWindow* window, HWND owner) {
    if (!owner)
        return;
    BSTR caption = nullptr;
    if (FAILED(window->get_Caption(&caption)))
        return;
    static LONG madeCount = 0;
    wchar_t unique[64];
    std::swprintf(unique, 64, L"Tunaro video %lu-%ld", static_cast<unsigned long>(GetCurrentProcessId()),
                  static_cast<long>(InterlockedIncrement(&madeCount)));
    BSTR marker = SysAllocString(unique);
    if (marker && SUCCEEDED(window->put_Caption(marker))) {
        HWND hwnd = FindWindowW(nullptr, unique);
        DWORD pid = 0;
        if (hwnd && GetWindowThreadProcessId(hwnd, &pid) && pid == GetCurrentProcessId() &&
            !(GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD))
            SetWindowLongPtrW(hwnd, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
        window->put_Caption(caption);
    }
    SysFreeString(marker);
    SysFreeString(caption);
}

} // namespace

bool VideoWindow::Attach(IGraphBuilder* graph, HWND owner, const char* failureText) {
    m_window = nullptr;
    HRESULT hr = graph ? graph->QueryInterface(IID_IVideoWindow, m_window.ReceiveVoid()) : E_POINTER;
    if (SUCCEEDED(hr)) {
        m_window->put_AutoShow(OAFALSE);
        GiveOwner(m_window.get(), owner);
        hr = m_window->put_Owner(reinterpret_cast<OAHWND>(owner));
    }
    if (FAILED(hr)) {
        m_window = nullptr;
        if (failureText)
            ErrorReport("%s", failureText);
        return false;
    }
    m_window->put_MessageDrain(reinterpret_cast<OAHWND>(owner));
    m_window->put_WindowStyle(WS_CHILD);
    FitClient(m_window.get(), owner);
    m_window->put_Visible(OATRUE);
    return true;
}

void VideoWindow::FitOwner(HWND owner) {
    if (m_window) {
        GiveOwner(m_window.get(), owner);
        m_window->put_Owner(reinterpret_cast<OAHWND>(owner));
        FitClient(m_window.get(), owner);
        m_window->put_MessageDrain(reinterpret_cast<OAHWND>(owner));
    }
    m_drain = owner;
}

void VideoWindow::Disown() {
    if (m_window) {
        // Hidden first: shown without an owner it would be a window of its own on the desktop.
        m_window->put_Visible(OAFALSE);
        m_window->put_Owner(0);
        m_window->put_MessageDrain(0);
    }
}

void VideoWindow::Detach() {
    if (m_window) {
        m_window->put_Visible(OAFALSE);
        m_window->put_Owner(0);
        m_window->put_MessageDrain(0);
    }
    m_window = nullptr;
}

int VideoWindow::SetPosition(long left, long top, long width, long height) {
    m_rect = {left, top, width, height};
    // One call for all four: this platform's put_Left and put_Top each keep the other coordinate
    // from the window's screen rectangle, which moved the picture right by the owner's distance
    // from the screen's edge and left a black band beside it.
    if (m_window)
        m_window->SetWindowPosition(left, top, width, height);
    return 1;
}

void VideoWindow::RestorePosition() {
    if (m_window)
        m_window->SetWindowPosition(m_rect.left, m_rect.top, m_rect.right, m_rect.bottom);
}

void VideoWindow::SetDrain(HWND window) {
    m_drain = window;
    if (m_window)
        m_window->put_MessageDrain(reinterpret_cast<OAHWND>(window));
}

} // namespace tunaro
