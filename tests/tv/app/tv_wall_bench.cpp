// Benchmark: what the TV wall costs the running program. Opens the wall over sixteen channels of
// the simulated card and prints the program's processor time per second of cycling (all cores
// together, as a share of one), the time each cycle step takes to reach the card, and the time
// for full cycles of sixteen channels. Prints figures; asserts nothing.
//   scripts/run.sh build/x64/bin/tvapp_wall_bench.exe [cycles]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/e2e.h"

namespace {

constexpr int kCells = 16;

long StationHz(int i) {
    static const long kHz[kCells] = {49750000,  57750000,  65750000,  77250000,  85250000,  168250000,
                                     176250000, 184250000, 192250000, 200250000, 208250000, 216250000,
                                     471250000, 479250000, 487250000, 495250000};
    return kHz[i];
}

double Seconds(const LARGE_INTEGER& a, const LARGE_INTEGER& b, const LARGE_INTEGER& freq) {
    return static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(freq.QuadPart);
}

// The program runs as a Linux process of the Wine prefix: its processor time is read from the
// kernel's own account (/proc through drive Z:), which Wine does not keep for other processes.
std::string ReadAll(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    std::string text;
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(file, buf, sizeof buf, &got, nullptr) && got > 0)
        text.append(buf, got);
    CloseHandle(file);
    return text;
}

// The Linux process of Tunaro.exe in this prefix, 0 when none is found.
long FindUnixPid() {
    char prefix[MAX_PATH] = "";
    GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof prefix);
    WIN32_FIND_DATAA found = {};
    HANDLE find = FindFirstFileA("Z:\\proc\\*", &found);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    long pid = 0;
    do {
        const long candidate = std::atol(found.cFileName);
        if (candidate <= 0)
            continue;
        const std::string dir = std::string("Z:\\proc\\") + found.cFileName;
        if (ReadAll(dir + "\\cmdline").find("Tunaro.exe") == std::string::npos)
            continue;
        const std::string environment = ReadAll(dir + "\\environ");
        if (!*prefix || environment.find(std::string("WINEPREFIX=") + prefix + '\0') != std::string::npos)
            pid = candidate;
    } while (!pid && FindNextFileA(find, &found));
    FindClose(find);
    return pid;
}

// User and system time of a Linux process, in seconds (clock ticks of 1/100 s).
double CpuSeconds(long unixPid) {
    if (unixPid <= 0)
        return 0;
    const std::string stat = ReadAll("Z:\\proc\\" + std::to_string(unixPid) + "\\stat");
    const size_t close = stat.rfind(')');
    if (close == std::string::npos)
        return 0;
    // After the command name: the state (field 3) ... utime and stime are fields 14 and 15.
    unsigned long long utime = 0, stime = 0;
    if (std::sscanf(stat.c_str() + close + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu",
                    &utime, &stime) != 2)
        return 0;
    return static_cast<double>(utime + stime) / 100.0;
}

struct Saved {
    std::string path;
    bool had = false;
    std::string content;
    explicit Saved(std::string p) : path(std::move(p)) {
        had = e2e::FileExists(path);
        if (had)
            content = e2e::ReadFile(path);
    }
    ~Saved() {
        if (had)
            e2e::WriteFile(path, content);
        else
            DeleteFileA(path.c_str());
    }
};

} // namespace

int main(int argc, char** argv) {
    const int cycles = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2;
    Saved simcard(e2e::SimCardPath()), program(e2e::SystemDir() + "\\program.txt"),
        ini(e2e::InstallDir() + "\\Tunaro.ini");
    std::string list;
    for (int i = 0; i < kCells; ++i) {
        char key[16], value[100], block[160];
        std::snprintf(key, sizeof key, "TV%d", i + 1);
        std::snprintf(value, sizeof value, "%ld,Bench %d,%s,PAL", StationHz(i), i + 1,
                      i % 2 ? "checker" : "rings");
        WritePrivateProfileStringA("Config", key, value, simcard.path.c_str());
        std::snprintf(block, sizeof block, "Name: Bench %d\nFreq: %ld\nChan: %d\nAudioChannels:0\nCheck:1\n",
                      i + 1, StationHz(i), i + 1);
        list += block;
    }
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, simcard.path.c_str());
    e2e::WriteFile(program.path, list);
    e2e::WriteFile(ini.path,
                   "[VideoSource]\r\nSource=1\r\n[Channel]\r\nCurrentIndex=0\r\nPreChannelIndex=0\r\n");

    e2e::PeerWindow schedule("Schedule");
    e2e::Program tunaro;
    if (!tunaro.Start(e2e::InstallDir() + "\\Tunaro.exe")) {
        std::printf("could not start Tunaro.exe\n");
        return 1;
    }
    HWND panel = e2e::WaitForWindow("Tunaro", 30000);
    if (!panel || !e2e::WaitUntil([] { return e2e::SimCardStateLong("Running") == 1; }, 30000)) {
        std::printf("the program did not come up\n");
        return 1;
    }
    const long unixPid = FindUnixPid();
    if (!unixPid)
        std::printf("(the program's Linux process was not found: no processor times)\n");
    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);

    // Idle live TV first, for comparison.
    Sleep(2000);
    double cpu0 = CpuSeconds(unixPid);
    QueryPerformanceCounter(&t0);
    Sleep(5000);
    QueryPerformanceCounter(&t1);
    const double liveShare = (CpuSeconds(unixPid) - cpu0) / Seconds(t0, t1, freq);

    e2e::SendCommand(panel, 1113);
    // Each change of the card's frequency is one step of the cycle reaching the card.
    std::vector<double> steps;
    long last = e2e::SimCardStateLong("Frequency");
    LARGE_INTEGER start, prev, now;
    QueryPerformanceCounter(&start);
    prev = start;
    cpu0 = CpuSeconds(unixPid);
    const int wanted = cycles * kCells + 1;
    while (static_cast<int>(steps.size()) < wanted) {
        Sleep(5);
        QueryPerformanceCounter(&now);
        if (Seconds(start, now, freq) > wanted * 5.0)
            break;
        // Only a frequency of the list counts (the state file may be read while it is rewritten).
        const long hz = e2e::SimCardStateLong("Frequency");
        bool listed = false;
        for (int i = 0; i < kCells; ++i)
            listed = listed || hz == StationHz(i);
        if (!listed || hz == last)
            continue;
        last = hz;
        steps.push_back(Seconds(prev, now, freq));
        prev = now;
    }
    QueryPerformanceCounter(&t1);
    const double cycling = Seconds(start, t1, freq);
    const double wallShare = (CpuSeconds(unixPid) - cpu0) / cycling;
    e2e::SendCommand(panel, 1113);
    e2e::PostCommand(panel, 403);
    if (!tunaro.WaitForExit(20000))
        tunaro.Kill();

    std::printf("TV wall over %d channels, %zu cycle steps seen in %.1f s\n", kCells, steps.size(), cycling);
    std::printf("  processor time of Tunaro: %.3f s per second while cycling, %.3f s per second of live TV\n",
                wallShare, liveShare);
    if (steps.size() > 1) {
        std::vector<double> sorted(steps.begin() + 1, steps.end()); // the first includes the opening
        std::sort(sorted.begin(), sorted.end());
        std::printf("  first step after opening: %.0f ms\n", steps[0] * 1000);
        std::printf("  step to step: median %.0f ms, min %.0f ms, max %.0f ms\n",
                    sorted[sorted.size() / 2] * 1000, sorted.front() * 1000, sorted.back() * 1000);
    }
    // A full cycle: sixteen steps, from one tune to the tune of the same channel again.
    for (size_t c = 0; (c + 1) * kCells + 1 <= steps.size(); ++c) {
        double sum = 0;
        for (size_t i = c * kCells + 1; i < (c + 1) * kCells + 1; ++i)
            sum += steps[i];
        std::printf("  full cycle %zu of %d channels: %.2f s\n", c + 1, kCells, sum);
    }
    return steps.size() >= static_cast<size_t>(kCells) ? 0 : 1;
}
