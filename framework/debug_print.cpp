// Diagnostics of every program: formats a line and sends it to the debug viewer window.
// The viewer is found by its window class and a title beginning with "DebugOutput".
#include "framework/debug_print.h"

#include <windows.h>

#include <cstdarg>
#include <cstring>

namespace tunaro {

const char kDebugViewerClass[] = "ZOLT DebugOut Window";
const char kDebugViewerTitle[] = "DebugOutput";

namespace {

// The top-level window of the viewer class whose title begins with the viewer's title.
HWND FindViewer() {
    HWND wnd = FindWindowExA(nullptr, nullptr, kDebugViewerClass, nullptr);
    const size_t prefix = sizeof(kDebugViewerTitle) - 1;
    while (wnd) {
        char title[64] = "";
        GetWindowTextA(wnd, title, sizeof(title));
        if (strncmp(title, kDebugViewerTitle, prefix) == 0)
            return wnd;
        wnd = FindWindowExA(nullptr, wnd, kDebugViewerClass, nullptr);
    }
    return nullptr;
}

} // namespace

int DebugPrint(const char* format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    int n = wvsprintfA(text, format, args); // the Windows formatter stops at 1023 characters
    va_end(args);
    if (n < 0)
        return 0;
    text[sizeof(text) - 1] = '\0';

    HWND viewer = FindViewer();
    if (!viewer)
        return 0;
    COPYDATASTRUCT cds;
    cds.dwData = 0;
    cds.cbData = static_cast<DWORD>(strlen(text) + 1);
    cds.lpData = text;
    SendMessageA(viewer, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));
    return static_cast<int>(cds.cbData);
}

} // namespace tunaro
