// FM band scan speed through the capture library: the device started as the FM program starts it
// (every export bound by ordinal), FM mode, then scan steps until the band is done. Prints the
// seconds for the full band, the steps, the stations found and the floor the tuner's settling
// waits put under it (400 ms a tuned step).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

template <typename F> F Ordinal(HMODULE module, int ordinal) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(ordinal))));
}

std::string ExeDir() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir = path;
    return dir.substr(0, dir.find_last_of("\\/"));
}

} // namespace

int main(int argc, char** argv) {
    const int mode = argc > 1 ? std::atoi(argv[1]) : 0;
    HMODULE lib = LoadLibraryA((ExeDir() + "\\zentaviq_Capture.dll").c_str());
    if (!lib) {
        std::printf("zentaviq_Capture.dll not found beside the benchmark\n");
        return 1;
    }
    using Fn0 = int(WINAPI*)();
    using FnEnum = int(WINAPI*)(int*, char*);
    using FnS = int(WINAPI*)(const char*);
    using FnI = int(WINAPI*)(int);
    using FnScan = int(WINAPI*)(int, int, int*, int*, int*, long*, int*);
    auto coInitialize = Ordinal<Fn0>(lib, 1);
    auto coUninitialize = Ordinal<Fn0>(lib, 2);
    auto enumAudio = Ordinal<FnEnum>(lib, 40);
    auto selectVideo = Ordinal<FnS>(lib, 4);
    auto selectAudio = Ordinal<FnS>(lib, 39);
    auto startDevice = Ordinal<Fn0>(lib, 41);
    auto setTvMode = Ordinal<FnI>(lib, 44);
    auto scan = Ordinal<FnScan>(lib, 45);
    auto listSize = Ordinal<Fn0>(lib, 35);
    auto stopDevice = Ordinal<Fn0>(lib, 36);
    if (!coInitialize || !enumAudio || !selectVideo || !selectAudio || !startDevice || !setTvMode || !scan ||
        !listSize || !stopDevice || !coUninitialize) {
        std::printf("an export is missing\n");
        return 1;
    }
    coInitialize();
    char names[10][260] = {};
    int audioCount = 0;
    enumAudio(&audioCount, names[0]);
    selectVideo("Ph7134");
    selectAudio(audioCount > 0 ? names[0] : "");
    if (startDevice() != 1) {
        selectVideo("Lumen Grabber K3");
        if (startDevice() != 1) {
            std::printf("no card: the device does not start\n");
            return 1;
        }
    }
    if (setTvMode(1) != 0)
        std::printf("warning: the tuner did not report FM mode\n");

    LARGE_INTEGER frequency, t0, t1;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&t0);
    int done = 0, found = 0, steps = 0, stations = 0, progress = 0;
    long tuned = 0;
    while (!done && steps < 2000) {
        found = 0;
        scan(mode, 0, &done, &found, nullptr, &tuned, &progress);
        ++steps;
        if (found) {
            ++stations;
            std::printf("  station at %.2f MHz (%d%% of the band)\n", tuned / 1e6, progress);
        }
    }
    QueryPerformanceCounter(&t1);
    const double seconds =
        static_cast<double>(t1.QuadPart - t0.QuadPart) / static_cast<double>(frequency.QuadPart);
    const int tunedSteps = steps - 1; // the last step only reports the end
    std::printf("FM band scan, mode %d: %.1f s for the full band (87.5-108 MHz)\n", mode, seconds);
    std::printf("  %d steps (%d tuned), %d stations found, %d in the list\n", steps, tunedSteps, stations,
                listSize());
    std::printf(
        "  %.0f ms per tuned step; the settling waits alone: %.1f s (400 ms a step), overhead %.1f s\n",
        tunedSteps > 0 ? seconds * 1000.0 / tunedSteps : 0.0, tunedSteps * 0.4, seconds - tunedSteps * 0.4);
    stopDevice();
    coUninitialize();
    FreeLibrary(lib);
    return done ? 0 : 1;
}
