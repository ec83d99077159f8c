// The engine's reporters (message boxes by default, replaceable by tests) and its trace line.
#include "engine/engine_report.h"

#include <windows.h>

#include <cstdarg>

#include "framework/debug_print.h"

namespace tunaro {

namespace {

MessageBoxReporter g_messageBoxes;
EngineReporter* g_reporter = &g_messageBoxes;
std::string g_errorText;

} // namespace

void MessageBoxReporter::Report(ReportKind kind, const std::string& text) {
    switch (kind) {
    case ReportKind::Error:
        MessageBoxA(nullptr, text.c_str(), nullptr, MB_OK | MB_TASKMODAL | MB_ICONWARNING);
        break;
    case ReportKind::Notice:
        MessageBoxA(GetFocus(), text.c_str(), "", MB_OK | MB_ICONERROR);
        break;
    case ReportKind::CardMissing:
        MessageBoxA(nullptr, text.c_str(), "Error", MB_OK | MB_ICONERROR);
        break;
    }
}

EngineReporter* SetEngineReporter(EngineReporter* reporter) {
    EngineReporter* previous = g_reporter;
    g_reporter = reporter ? reporter : &g_messageBoxes;
    return previous;
}

EngineReporter& CurrentEngineReporter() {
    return *g_reporter;
}

void ErrorReport(const char* format, ...) {
    va_list args;
    va_start(args, format);
    g_errorText = FormatV(format, args);
    va_end(args);
    EngineTrace("engine error: %s\n", g_errorText.c_str());
    g_reporter->Report(ReportKind::Error, g_errorText);
}

void NoticeReport(const char* text) {
    g_reporter->Report(ReportKind::Notice, text);
}

const std::string& LastErrorReportText() {
    return g_errorText;
}

void EngineTrace(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string line = FormatV(format, args);
    va_end(args);
    DebugPrint("%s", line.c_str());
}

} // namespace tunaro
