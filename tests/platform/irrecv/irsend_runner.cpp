// Starting irsend.exe with a pipe for its output, and collecting its result.
#include "tests/platform/irrecv/irsend_runner.h"

#include <vector>

#include "tests/support/e2e.h"
#include "platform/irrecv/shared_ring.h"

namespace irsend_test {

std::string IrsendPath() {
    return e2e::SystemDir() + "\\irsend.exe";
}

IrsendRun::IrsendRun(const std::string& args) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE writePipe = nullptr;
    if (!CreatePipe(&m_readPipe, &writePipe, &inherit, 0))
        return;
    SetHandleInformation(m_readPipe, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writePipe;
    startup.hStdError = writePipe;
    const std::string path = IrsendPath();
    std::string line = "\"" + path + "\" " + args;
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back(0);
    PROCESS_INFORMATION info = {};
    if (CreateProcessA(path.c_str(), buffer.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                       nullptr, &startup, &info)) {
        CloseHandle(info.hThread);
        m_process = info.hProcess;
        m_reader = CreateThread(nullptr, 0, &IrsendRun::ReadOutput, this, 0, nullptr);
    }
    CloseHandle(writePipe);
}

IrsendRun::~IrsendRun() {
    if (m_process) {
        if (WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT)
            TerminateProcess(m_process, 1);
        CloseHandle(m_process);
    }
    if (m_reader) {
        WaitForSingleObject(m_reader, 5000);
        CloseHandle(m_reader);
    }
    if (m_readPipe)
        CloseHandle(m_readPipe);
}

DWORD WINAPI IrsendRun::ReadOutput(void* self) {
    auto* run = static_cast<IrsendRun*>(self);
    char chunk[512];
    DWORD got = 0;
    while (ReadFile(run->m_readPipe, chunk, sizeof chunk, &got, nullptr) && got > 0)
        run->m_output.append(chunk, got);
    return 0;
}

IrsendResult IrsendRun::Finish(DWORD timeoutMs) {
    IrsendResult result;
    if (!m_process) {
        result.output = "irsend.exe could not be started from " + IrsendPath();
        return result;
    }
    if (!e2e::WaitUntil([&] { return WaitForSingleObject(m_process, 0) == WAIT_OBJECT_0; }, timeoutMs)) {
        TerminateProcess(m_process, 1);
        WaitForSingleObject(m_process, 5000);
        result.exitCode = 0xFFFFFFFF;
    } else {
        GetExitCodeProcess(m_process, &result.exitCode);
    }
    if (m_reader) {
        WaitForSingleObject(m_reader, 5000);
        CloseHandle(m_reader);
        m_reader = nullptr;
    }
    result.output = m_output;
    return result;
}

IrsendResult Irsend(const std::string& args, DWORD timeoutMs) {
    IrsendRun run(args);
    return run.Finish(timeoutMs);
}

bool WaitForQueuedKey(DWORD timeoutMs) {
    tunaro::irrecv::SharedRing shared;
    if (!shared.Open())
        return false;
    return e2e::WaitUntil(
        [&] {
            tunaro::irrecv::RingLock ring(shared, 1000);
            return ring && ring->count > 0;
        },
        timeoutMs);
}

} // namespace irsend_test
