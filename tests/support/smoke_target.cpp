// A small window program that the end-to-end smoke test drives: it proves the test platform
// (Wine, the display, window messages between processes) and the e2e support library work.
#include <windows.h>

#include <cstdio>

namespace {
const int kLabelId = 100;
int g_count = 0;

void ShowCount(HWND hwnd) {
    char text[64];
    snprintf(text, sizeof text, "count=%d", g_count);
    SetDlgItemTextA(hwnd, kLabelId, text);
}

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE:
        CreateWindowExA(0, "STATIC", "count=0", WS_CHILD | WS_VISIBLE, 10, 10, 200, 20, hwnd,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kLabelId)), nullptr, nullptr);
        return 0;
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case 1001: // count up
            ++g_count;
            ShowCount(hwnd);
            return 0;
        case 1002: // ask the user something
            MessageBoxA(hwnd, "Smoke question", "Smoke Target", MB_OKCANCEL);
            return 0;
        case 1003: // tell the peer
            if (HWND peer = FindWindowA(nullptr, "Smoke Peer"))
                PostMessageA(peer, WM_COMMAND, MAKEWPARAM(77, 0), 0);
            return 0;
        }
        break;
    case WM_COPYDATA: {
        auto* cds = reinterpret_cast<COPYDATASTRUCT*>(lp);
        if (cds->dwData == 5 && cds->cbData > 0 &&
            static_cast<const char*>(cds->lpData)[cds->cbData - 1] == 0)
            SetDlgItemTextA(hwnd, kLabelId, static_cast<const char*>(cds->lpData));
        return TRUE;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}
} // namespace

int WINAPI WinMain(HINSTANCE inst, HINSTANCE, LPSTR, int show) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = inst;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = "SmokeTarget";
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowExA(0, "SmokeTarget", "Smoke Target", WS_OVERLAPPEDWINDOW, 100, 100, 320, 160,
                                nullptr, nullptr, inst, nullptr);
    ShowWindow(hwnd, show);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
