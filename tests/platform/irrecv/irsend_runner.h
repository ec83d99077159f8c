// Runs the installed irsend.exe from a test, as a person would from a terminal: with its
// arguments, its exit status and what it printed. Runs in the background while a test watches.
#pragma once

#include <windows.h>

#include <string>

namespace irsend_test {

struct IrsendResult {
    DWORD exitCode = 0xFFFFFFFF; // 0xFFFFFFFF: did not end in time (it is killed then)
    std::string output;          // standard output and standard error together
};

// irsend.exe in the prefix's system directory.
std::string IrsendPath();

class IrsendRun {
public:
    // Starts irsend with the arguments (one string, as on a command line).
    explicit IrsendRun(const std::string& args);
    ~IrsendRun();
    IrsendRun(const IrsendRun&) = delete;
    IrsendRun& operator=(const IrsendRun&) = delete;

    bool Started() const { return m_process != nullptr; }
    // Waits for the end (pumping this thread's messages meanwhile) and returns the result.
    IrsendResult Finish(DWORD timeoutMs = 30000);

private:
    HANDLE m_process = nullptr;
    HANDLE m_readPipe = nullptr;
    HANDLE m_reader = nullptr;
    std::string m_output;
    static DWORD WINAPI ReadOutput(void* self);
};

// Runs irsend to its end.
IrsendResult Irsend(const std::string& args, DWORD timeoutMs = 30000);

// Waits until the receiver's queue holds at least one key (pressed and not yet read).
bool WaitForQueuedKey(DWORD timeoutMs);

} // namespace irsend_test
