// The test host window: a visible top-level window whose procedure records the notifications
// its child controls send.
#include "tests/uikit/test_host.h"

#include <commctrl.h>

namespace uitest {

namespace {
const char kHostClass[] = "UikitTestHost";
// One host window for the whole program: making a top-level window visible costs this platform
// about two seconds, so tests share it and only their controls come and go.
HWND g_host = nullptr;
TestHost* g_current = nullptr;

BOOL CALLBACK DestroyChild(HWND child, LPARAM) {
    DestroyWindow(child);
    return TRUE;
}
} // namespace

TestHost::TestHost(int width, int height) {
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    WNDCLASSA wc = {};
    if (!GetClassInfoA(GetModuleHandleA(nullptr), kHostClass, &wc)) {
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        wc.lpszClassName = kHostClass;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        RegisterClassA(&wc);
    }
    if (!g_host)
        g_host = CreateWindowExA(WS_EX_TOPMOST, kHostClass, "uikit test host", WS_POPUP | WS_VISIBLE, 20, 20,
                                 width, height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    else
        SetWindowPos(g_host, HWND_TOPMOST, 20, 20, width, height, SWP_NOACTIVATE);
    m_wnd = g_host;
    g_current = this;
    InvalidateRect(m_wnd, nullptr, TRUE);
    UpdateWindow(m_wnd);
    Pump();
}

TestHost::~TestHost() {
    EnumChildWindows(m_wnd, DestroyChild, 0);
    g_current = nullptr;
    Pump();
}

HWND TestHost::AddChild(const char* cls, const char* text, DWORD style, int id, int x, int y, int w, int h) {
    HWND child = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, m_wnd,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr),
                                 nullptr);
    Pump();
    return child;
}

std::vector<Reported> TestHost::Reports(UINT msg) const {
    std::vector<Reported> out;
    for (const auto& r : reports)
        if (r.msg == msg)
            out.push_back(r);
    return out;
}

void TestHost::Pump() {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
}

LRESULT CALLBACK TestHost::Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    TestHost* self = g_current;
    if (self && (msg == WM_COMMAND || msg == WM_HSCROLL || msg == WM_VSCROLL)) {
        self->reports.push_back({msg, wp, lp});
        return 0;
    }
    if (self && msg == WM_NOTIFY) {
        const NMHDR* nm = reinterpret_cast<const NMHDR*>(lp);
        self->reports.push_back({msg, wp, static_cast<LPARAM>(nm->code)});
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

} // namespace uitest
