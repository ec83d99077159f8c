// End-to-end tests of the installed Haltbox.exe: each start appends one whole line to
// Haltbox.log beside it, stamped with the time of the request, and nothing else happens.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/e2e.h"

namespace {

std::string HaltboxPath() {
    return e2e::InstallDir() + "\\Haltbox.exe";
}

std::string LogPath() {
    return e2e::InstallDir() + "\\Haltbox.log";
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find("\r\n", at);
        if (end == std::string::npos) {
            lines.push_back(text.substr(at));
            break;
        }
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

struct LogLine {
    SYSTEMTIME time = {};
    unsigned long tick = 0;
    std::string args;
    bool parsed = false;
};

LogLine Parse(const std::string& line) {
    LogLine out;
    unsigned y, mo, d, h, mi, s, ms;
    unsigned long tick, pid;
    int used = 0;
    if (std::sscanf(line.c_str(), "%4u-%2u-%2u %2u:%2u:%2u.%3u tick=%lu pid=%lu power-off requested args=[%n",
                    &y, &mo, &d, &h, &mi, &s, &ms, &tick, &pid, &used) != 9 ||
        used == 0 || line.back() != ']') {
        return out;
    }
    out.time.wYear = WORD(y);
    out.time.wMonth = WORD(mo);
    out.time.wDay = WORD(d);
    out.time.wHour = WORD(h);
    out.time.wMinute = WORD(mi);
    out.time.wSecond = WORD(s);
    out.time.wMilliseconds = WORD(ms);
    out.tick = tick;
    out.args = line.substr(std::size_t(used), line.size() - std::size_t(used) - 1);
    out.parsed = true;
    return out;
}

ULONGLONG Millis(const SYSTEMTIME& t) {
    FILETIME ft;
    SystemTimeToFileTime(&t, &ft);
    return ((ULONGLONG(ft.dwHighDateTime) << 32) | ft.dwLowDateTime) / 10000;
}

// Starts Haltbox.exe the way the scheduler does: hidden, its folder as working directory.
// (Not through e2e::Program, whose wait for a first message loop would last its whole timeout
// for a program without a window.)
HANDLE StartHaltbox(const std::string& args) {
    std::string line = "\"" + HaltboxPath() + "\"";
    if (!args.empty()) {
        line += " " + args;
    }
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(HaltboxPath().c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        e2e::InstallDir().c_str(), &si, &pi)) {
        return nullptr;
    }
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

// Exit code of a started Haltbox, or -1 when it did not end within ten seconds.
long ExitCodeOf(HANDLE process) {
    long result = -1;
    DWORD code = 0;
    if (WaitForSingleObject(process, 10000) == WAIT_OBJECT_0 && GetExitCodeProcess(process, &code)) {
        result = long(code);
    }
    CloseHandle(process);
    return result;
}

long RunHaltbox(const std::string& args) {
    HANDLE process = StartHaltbox(args);
    return process ? ExitCodeOf(process) : -1;
}

class HaltboxTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(e2e::FileExists(HaltboxPath())) << HaltboxPath();
        DeleteFileA(LogPath().c_str());
    }
    void TearDown() override { DeleteFileA(LogPath().c_str()); }
};

TEST_F(HaltboxTest, EachRequestAppendsOneStampedLine) {
    SYSTEMTIME before;
    GetLocalTime(&before);
    const DWORD tickBefore = GetTickCount();
    ASSERT_EQ(RunHaltbox(""), 0);
    const DWORD tickAfter = GetTickCount();
    SYSTEMTIME after;
    GetLocalTime(&after);

    std::vector<std::string> lines = Lines(e2e::ReadFile(LogPath()));
    ASSERT_EQ(lines.size(), 1u) << e2e::ReadFile(LogPath());
    const LogLine first = Parse(lines[0]);
    ASSERT_TRUE(first.parsed) << lines[0];
    EXPECT_EQ(first.args, "");
    // The stamp is the moment of the request, on both clocks.
    EXPECT_GE(Millis(first.time), Millis(before));
    EXPECT_LE(Millis(first.time), Millis(after));
    EXPECT_GE(first.tick, tickBefore);
    EXPECT_LE(first.tick, tickAfter);

    // A second request adds a line and keeps the first.
    ASSERT_EQ(RunHaltbox("/now reason"), 0);
    lines = Lines(e2e::ReadFile(LogPath()));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(Parse(lines[0]).tick, first.tick);
    const LogLine second = Parse(lines[1]);
    ASSERT_TRUE(second.parsed) << lines[1];
    EXPECT_EQ(second.args, "/now reason");
    EXPECT_GE(second.tick, first.tick);
}

TEST_F(HaltboxTest, RequestsAtOnceEachGetAWholeLine) {
    constexpr int kRequests = 6;
    std::vector<HANDLE> processes;
    for (int i = 0; i < kRequests; ++i) {
        HANDLE process = StartHaltbox("n" + std::to_string(i));
        ASSERT_NE(process, nullptr);
        processes.push_back(process);
    }
    for (HANDLE process : processes) {
        EXPECT_EQ(ExitCodeOf(process), 0);
    }
    const std::vector<std::string> lines = Lines(e2e::ReadFile(LogPath()));
    ASSERT_EQ(lines.size(), std::size_t(kRequests));
    std::vector<bool> seen(kRequests, false);
    for (const auto& line : lines) {
        const LogLine l = Parse(line);
        ASSERT_TRUE(l.parsed) << line;
        ASSERT_EQ(l.args.size(), 2u);
        const int n = l.args[1] - '0';
        ASSERT_TRUE(n >= 0 && n < kRequests) << line;
        EXPECT_FALSE(seen[std::size_t(n)]) << line;
        seen[std::size_t(n)] = true;
    }
}

TEST_F(HaltboxTest, AnUnwritableLogIsReportedByTheExitCode) {
    // A directory in the log's place: nothing can be appended.
    ASSERT_TRUE(CreateDirectoryA(LogPath().c_str(), nullptr));
    const long code = RunHaltbox("");
    RemoveDirectoryA(LogPath().c_str());
    EXPECT_EQ(code, 1);
}

} // namespace
