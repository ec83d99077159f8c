// How the engine tells the user about problems: error reports, notices and the card-missing
// message go through one small interface, so tests can install a sink that records the texts.
#pragma once

#include <string>

#include "framework/format.h"

namespace tunaro {

enum class ReportKind {
    Error,      // task-modal message box, warning icon, no owner, the system's default caption
    Notice,     // owned by the window that has the focus, empty caption, error icon
    CardMissing // the identification message: caption "Error", error icon
};

class EngineReporter {
public:
    virtual ~EngineReporter() = default;
    virtual void Report(ReportKind kind, const std::string& text) = 0;
};

// Shows the message boxes the programs use.
class MessageBoxReporter : public EngineReporter {
public:
    void Report(ReportKind kind, const std::string& text) override;
};

// The reporter every engine object uses; null puts back the message-box reporter.
// Returns the previous one.
EngineReporter* SetEngineReporter(EngineReporter* reporter);
EngineReporter& CurrentEngineReporter();

// Error report: formats into the engine-wide text buffer and shows it.
void ErrorReport(const char* format, ...) TUNARO_PRINTF_LIKE(1, 2);
// Notice: the text unchanged.
void NoticeReport(const char* text);
// The last text an error report formatted (the engine-wide buffer).
const std::string& LastErrorReportText();

// Diagnostics of the engine: a printf-style line for the debug viewer (the framework's DebugPrint).
void EngineTrace(const char* format, ...) TUNARO_PRINTF_LIKE(1, 2);

} // namespace tunaro
