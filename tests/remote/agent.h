// The installed KeyRelay as the end-to-end tests run it: started, found by its title, ready when
// its receiver is being polled, ended through its tray menu's Exit.
#pragma once

#include <windows.h>

#include <string>

#include "tests/support/e2e.h"
#include "framework/peer_messages.h"
#include "tests/platform/irrecv/irsend_runner.h"

namespace keyrelay_test {

constexpr const char* kAgentTitle = "Remote";
constexpr int kStatusLabel = 1003;
constexpr int kKeyCode = 1001;
constexpr WORD kMenuExit = 32772;
constexpr UINT kTrayMessage = 1574;
constexpr UINT kTrayIconId = 7000;

std::string InstalledAgent();

class Agent {
public:
    Agent() = default;
    ~Agent() { Stop(); }
    Agent(const Agent&) = delete;
    Agent& operator=(const Agent&) = delete;

    // Starts the agent and waits for its window; with waitReady, also until it polls.
    bool Start(const std::string& exe = InstalledAgent(), bool waitReady = true,
               const char* title = kAgentTitle);
    // Ends it through the tray menu's Exit; true when it ended by itself.
    bool Stop();
    HWND Window() const { return m_window; }
    e2e::Program& Process() { return m_program; }
    std::string Label() const { return e2e::ControlText(m_window, kStatusLabel); }
    std::string Code() const { return e2e::ControlText(m_window, kKeyCode); }
    // Waits until the status label shows this text.
    bool WaitForLabel(const std::string& text, DWORD timeoutMs = 5000) const;

private:
    e2e::Program m_program;
    HWND m_window = nullptr;
};

// True once irsend reports a receiver that is being read.
bool ReceiverReady(DWORD timeoutMs = 8000);

// Copies a file, replacing what is there; false when it cannot.
bool CopyOver(const std::string& from, const std::string& to);

// HKLM\Software\Tunaro "Language" set for the life of the object, then put back.
class LanguageValue {
public:
    explicit LanguageValue(const char* value);
    ~LanguageValue();
    LanguageValue(const LanguageValue&) = delete;
    LanguageValue& operator=(const LanguageValue&) = delete;

private:
    bool m_existed = false;
    std::string m_old;
};

} // namespace keyrelay_test
