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

// DebugPrint with ", Line=N\n" appended, N the source line of the call (TUNARO_TRACE): the
// line lets a reader of the viewer's log find the code that wrote it. The whole text is cut at
// 1023 characters like DebugPrint's, the line number last to go.
int DebugTrace(long line, const char* format, ...)
#ifdef __GNUC__
    __attribute__((format(ms_printf, 2, 3)))
#endif
    ;

} // namespace tunaro

// A trace with the line it is written on: TUNARO_TRACE("Tunaro: %s could not be started", path)
// sends "Tunaro: ... could not be started, Line=123\n" to the debug viewer.
#define TUNARO_TRACE(...) ::tunaro::DebugTrace(static_cast<long>(__LINE__), __VA_ARGS__)
