// The running Tunaro of the setup tests and the benchmark: started on a seeded channel list,
// the tuner input and China, its files put back afterwards; and the few window steps they share.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "tests/support/e2e.h"

namespace dlgtest {

std::string ProgramTxt();
std::string TunaroIni();

// Three stations of the simulated card's broadcast plan, the second one disabled.
extern const char* const kSeededProgramTxt;

// The installation's "Language" value for as long as the object lives.
class LanguageValue {
public:
    explicit LanguageValue(const char* value);
    ~LanguageValue();
    LanguageValue(const LanguageValue&) = delete;
    LanguageValue& operator=(const LanguageValue&) = delete;

private:
    std::optional<std::string> m_old;
};

class RunningTunaro {
public:
    // Seeds program.txt and Tunaro.ini, stands in for the scheduler (so the program starts none
    // of its own), starts the program and waits until its panel is up.
    bool Start();
    // Exit (or a kill when it does not end), then the files as they were before Start.
    void Stop();

    std::string videoTitle = "TV Win";
    std::unique_ptr<e2e::PeerWindow> schedule;
    e2e::Program program;
    HWND panel = nullptr;
    HWND video = nullptr;

private:
    std::optional<std::string> m_program, m_ini;
};

// Posts a command and waits for the window it opens.
HWND Open(HWND target, WORD command, const char* title);
// Presses a sheet's button and waits until the sheet is gone.
bool CloseSheet(HWND sheet, const char* title, int button);
void Click(HWND dlg, int id);
// A visible pop-up menu of a process, or null.
HWND PopupMenuOf(DWORD pid);
// With TUNARO_SHOTS set (a Windows directory), a picture of the window (null: the screen) as
// NAME.bmp there.
void Shot(HWND window, const char* name);

} // namespace dlgtest
