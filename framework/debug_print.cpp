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

// Sends text (with its terminating zero) to the viewer; the bytes sent, 0 when none runs.
int SendToViewer(char* text) {
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

constexpr size_t kTextSize = 1024; // the Windows formatter writes 1023 characters at most

// Formats into text (kTextSize bytes); false when the formatter fails.
bool FormatText(char* text, const char* format, va_list args) {
    if (wvsprintfA(text, format, args) < 0)
        return false;
    text[kTextSize - 1] = '\0';
    return true;
}

} // namespace

int DebugPrint(const char* format, ...) {
    char text[kTextSize];
    va_list args;
    va_start(args, format);
    const bool formatted = FormatText(text, format, args);
    va_end(args);
    return formatted ? SendToViewer(text) : 0;
}

int DebugTrace(long line, const char* format, ...) {
    char text[kTextSize];
    va_list args;
    va_start(args, format);
    const bool formatted = FormatText(text, format, args);
    va_end(args);
    if (!formatted)
        return 0;
    char suffix[32];
    wsprintfA(suffix, ", Line=%ld\n", line);
    const size_t used = strlen(text);
    strncat(text, suffix, kTextSize - 1 - used);
    return SendToViewer(text);
}

} // namespace tunaro
