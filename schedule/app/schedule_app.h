// The scheduler program: its one copy, language and paths fixed at start-up, and the scheduler
// window run as the modal main window.
#pragma once

#include <windows.h>

#include <string>

#include "framework/application.h"
#include "framework/language.h"
#include "framework/raii.h"

namespace tunaro {

// Files the scheduler uses, fixed at start-up.
struct SchedulePaths {
    std::string programDir;  // the scheduler's own directory, with a trailing backslash
    std::string taskFile;    // SCHTASK.stf there
    std::string historyFile; // the tasks' history beside it
    std::string tunaroIni;   // Tunaro.ini there: the wake-up ahead minutes
    std::string programTxt;  // the TV channel list in the system directory
    std::string channelTxt;  // the country tables beside it
};

struct ScheduleGlobals {
    LanguageMode language = kLanguageEnglish;
    SchedulePaths paths;

    bool Chinese() const { return language == kLanguageChinese; }
    const char* Text(const char* english, const char* chinese) const {
        return PickText(language, english, chinese);
    }
};

ScheduleGlobals& Globals();

// The columns of a report list view, left-aligned, titled in the program's language.
void AddListColumns(HWND list, const int* widths, int count, const char* (*title)(int column, bool chinese));

class CScheduleApp : public Application {
protected:
    bool InitInstance() override;

private:
    Handle m_instanceMutex;
};

} // namespace tunaro
