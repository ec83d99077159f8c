// Benchmark: time from a channel command sent to the running program until the simulated card
// reports the new frequency (the tuner's settling wait included), over a series of switches.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/e2e.h"

namespace {

constexpr int kChannels = 6;
const long kFrequencies[kChannels] = {49750000, 77250000, 168250000, 175250000, 184250000, 210250000};

double Ms(const LARGE_INTEGER& a, const LARGE_INTEGER& b, const LARGE_INTEGER& freq) {
    return static_cast<double>(b.QuadPart - a.QuadPart) * 1000.0 / static_cast<double>(freq.QuadPart);
}

} // namespace

int main(int argc, char** argv) {
    const int switches = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    const std::string programPath = e2e::SystemDir() + "\\program.txt";
    const std::string iniPath = e2e::InstallDir() + "\\Tunaro.ini";
    const bool hadProgram = e2e::FileExists(programPath), hadIni = e2e::FileExists(iniPath);
    const std::string oldProgram = hadProgram ? e2e::ReadFile(programPath) : "";
    const std::string oldIni = hadIni ? e2e::ReadFile(iniPath) : "";

    std::string list;
    for (int i = 0; i < kChannels; ++i) {
        char block[160];
        std::snprintf(block, sizeof block, "Name: Ch%d\nFreq: %ld\nChan: %d\nAudioChannels:0\nCheck:1\n", i,
                      kFrequencies[i], i + 1);
        list += block;
    }
    e2e::WriteFile(programPath, list);
    e2e::WriteFile(iniPath, "[VideoSource]\r\nSource=1\r\n[Channel]\r\nCurrentIndex=0\r\n");

    int rc = 0;
    {
        e2e::Program program;
        HWND panel = nullptr;
        if (!program.Start(e2e::InstallDir() + "\\Tunaro.exe") ||
            !(panel = e2e::WaitForWindow("Tunaro", 30000)) ||
            !e2e::WaitUntil([] { return e2e::SimCardStateLong("Frequency") == kFrequencies[0]; }, 15000)) {
            std::printf("zap_bench: the program did not start on its first channel\n");
            rc = 1;
        } else {
            LARGE_INTEGER freq;
            QueryPerformanceFrequency(&freq);
            // handled: the command returns (tuned and settled, the tuner's wait included);
            // reported: the card's state shows the new frequency.
            std::vector<double> handled, reported;
            int current = 0;
            for (int n = 0; n < switches; ++n) {
                const int next = (current + 1) % kChannels;
                LARGE_INTEGER t0, t1, t2;
                QueryPerformanceCounter(&t0);
                DWORD_PTR result = 0;
                SendMessageTimeoutA(panel, WM_COMMAND, 1108, 0, SMTO_NORMAL, 15000, &result);
                QueryPerformanceCounter(&t1);
                bool seen = false;
                for (;;) {
                    QueryPerformanceCounter(&t2);
                    if (e2e::SimCardStateLong("Frequency") == kFrequencies[next]) {
                        seen = true;
                        break;
                    }
                    if (Ms(t0, t2, freq) > 10000)
                        break;
                    Sleep(1);
                }
                if (!seen) {
                    std::printf("switch %d: the card never reached %ld Hz\n", n + 1, kFrequencies[next]);
                    rc = 1;
                    break;
                }
                handled.push_back(Ms(t0, t1, freq));
                reported.push_back(Ms(t0, t2, freq));
                current = next;
                // Let the on-screen text run out before the next switch.
                SendMessageTimeoutA(panel, WM_NULL, 0, 0, SMTO_NORMAL, 15000, &result);
                Sleep(1600);
            }
            for (int k = 0; k < 2; ++k) {
                std::vector<double> sorted = k == 0 ? handled : reported;
                if (sorted.empty())
                    break;
                std::sort(sorted.begin(), sorted.end());
                std::printf("channel + %s over %zu switches: median %.1f ms, best %.1f ms, worst %.1f ms\n",
                            k == 0 ? "until tuned and settled" : "until the card reports the frequency",
                            sorted.size(), sorted[sorted.size() / 2], sorted.front(), sorted.back());
            }
            e2e::PostCommand(panel, 403);
            program.WaitForExit(20000);
        }
    }

    if (hadProgram)
        e2e::WriteFile(programPath, oldProgram);
    else
        DeleteFileA(programPath.c_str());
    if (hadIni)
        e2e::WriteFile(iniPath, oldIni);
    else
        DeleteFileA(iniPath.c_str());
    return rc;
}
