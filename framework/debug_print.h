// Diagnostics of every program: a printf-style line handed to the debug viewer window.
// Sends nothing (one window search) when no viewer runs.
#pragma once

namespace tunaro {

// Window class and title prefix of the debug viewer that receives the texts.
extern const char kDebugViewerClass[]; // "ZOLT DebugOut Window"
extern const char kDebugViewerTitle[]; // "DebugOutput"

// Formats like printf (Windows formatter, at most 1023 characters) and sends the text with its
// terminating zero to the viewer by WM_COPYDATA (dwData 0). Blocks until the viewer handled it.
// Returns the number of bytes sent (length + 1), or 0 when no viewer runs.
int DebugPrint(const char* format, ...)
#ifdef __GNUC__
    __attribute__((format(ms_printf, 1, 2)))
#endif
    ;

} // namespace tunaro
