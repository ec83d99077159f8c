// The real Tunaro of an end-to-end test, running on the files the test seeds: program.txt,
// Tunaro.ini and whatever else it names are put back when it stops, and a stand-in scheduler
// window keeps the program from starting the installed one.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/e2e.h"

namespace e2e {

// What Tunaro starts on.
struct TunaroStart {
    // program.txt's and Tunaro.ini's text; an empty one leaves its file as it is (both files are
    // put back at the stop either way).
    std::string programTxt;
    std::string tunaroIni;
    // Further files the test changes, saved now and put back at the stop.
    std::vector<std::string> keep;
    // More seeding, once every file is saved and before the program starts.
    std::function<void()> prepare;
    // Until the simulated card's graph runs, and until the panel's status line names the input.
    bool waitForPreview = true;
    bool waitForStatus = false;
};

class RunningTunaro {
public:
    RunningTunaro() = default;
    ~RunningTunaro();
    RunningTunaro(const RunningTunaro&) = delete;
    RunningTunaro& operator=(const RunningTunaro&) = delete;

    // The files saved and seeded, the scheduler's stand-in made, Tunaro started and its panel
    // up; false (and Failure() why) when the program or its panel did not come.
    bool Start(const TunaroStart& start);
    // Exit, or a kill when the program does not end within the time; then the files put back.
    // True when the program ended by itself.
    bool Stop(DWORD timeoutMs = 20000);
    bool Running() const { return m_program.Running(); }
    const std::string& Failure() const { return m_failure; }

    HWND Panel() const { return m_panel; }
    // The video window, waited for up to timeoutMs.
    HWND Video(DWORD timeoutMs = 10000) const;
    Program& Process() { return m_program; }
    PeerWindow& Schedule() { return *m_schedule; }
    // Returns once the panel has handled everything sent or posted to it before (a sent message
    // returns when the panel's thread is free again).
    void Sync(DWORD timeoutMs = 30000) const;

private:
    std::vector<std::unique_ptr<SavedFile>> m_saved;
    std::unique_ptr<PeerWindow> m_schedule;
    Program m_program;
    HWND m_panel = nullptr;
    std::string m_failure;
};

} // namespace e2e
