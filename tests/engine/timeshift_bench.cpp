// Benchmark of pausing live TV on the simulated card: prints how long the pause takes to freeze
// the picture, how long a resume and a five-second move take, the live pictures that fall between
// the paused picture and the ring's first one, the delay the engine shows against the real one,
// and the process's CPU time per second while shifted, beside live preview alone and a DVD
// recording while previewing. Usage: timeshift_bench [seconds per CPU window] (10 by default).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/CaptureEngine.h"
#include "tests/engine/bench_support.h"
#include "tests/engine/one_channel.h"

using namespace tunaro;
using enginebench::CpuSeconds;
using enginebench::PrintingReporter;
using enginebench::Pump;

namespace {

// CPU seconds per wall second over a window of the given length.
double CpuShare(double seconds) {
    const double cpu0 = CpuSeconds();
    const int64_t t0 = TimeShiftGraph::NowMs();
    Pump(seconds);
    return (CpuSeconds() - cpu0) / (static_cast<double>(TimeShiftGraph::NowMs() - t0) / 1000.0);
}

} // namespace

int main(int argc, char** argv) {
    const double window = argc > 1 ? std::atof(argv[1]) : 10.0;
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "timeshift_bench";

    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    PrintingReporter reporter;
    EngineReporter* previous = SetEngineReporter(&reporter);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "TimeShiftBenchOwner";
    RegisterClassA(&wc);
    HWND owner = CreateWindowA(wc.lpszClassName, "time shift bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                               640, 480, nullptr, nullptr, wc.hInstance, nullptr);
    int rc = 0;
    {
        enginetest::OneChannel channel;
        CaptureEngine engine;
        if (engine.Initialize(owner, 1) == kEngineNoCard || engine.InitCaptureGraph() != kEngineOk ||
            engine.StartVideoPreview(1) != kEngineOk) {
            std::printf("timeshift: no tuner card, nothing measured\n");
            rc = 1;
        } else {
            engine.SetChannelAccess(&channel);
            Pump(1.5);
            const double live = CpuShare(window);
            std::printf("timeshift: live preview alone: %.3f s of CPU per second\n", live);

            const int64_t asked = TimeShiftGraph::NowMs();
            if (engine.StartTimeShift(folder.c_str(), 30) != kEngineOk) {
                std::printf("timeshift: the pause did not start\n");
                rc = 1;
            } else {
                TimeShiftGraph& shift = engine.TimeShift();
                const int64_t returned = TimeShiftGraph::NowMs();
                std::printf(
                    "timeshift: pause: picture frozen %lld ms after the command (the call returned after "
                    "%lld ms, the ring writing)\n",
                    static_cast<long long>(shift.FrozenAtMs() - asked),
                    static_cast<long long>(returned - asked));
                const double gap = static_cast<double>(shift.RingStartMs() - shift.FrozenAtMs());
                std::printf(
                    "timeshift: pictures between the paused one and the ring's first: about %.0f (%.0f ms "
                    "at 25 pictures/s)\n",
                    gap * 25.0 / 1000.0, gap);
                // The panel's status timer, every 500 ms while paused.
                for (int i = 0; i < 10; ++i) {
                    Pump(0.5);
                    shift.Tick();
                }
                const int64_t now = TimeShiftGraph::NowMs();
                std::printf("timeshift: after 5 s paused: delay shown %.2f s, real %.2f s (since the paused "
                            "picture was live)\n",
                            static_cast<double>(shift.DelayMs()) / 1000.0,
                            static_cast<double>(now - shift.FrozenAtMs()) / 1000.0);
                const int64_t r0 = TimeShiftGraph::NowMs();
                const bool resumed = engine.ResumeTimeShift() == kEngineOk;
                std::printf("timeshift: resume: %s in %lld ms\n", resumed ? "playing" : "FAILED",
                            static_cast<long long>(TimeShiftGraph::NowMs() - r0));
                if (resumed) {
                    const double shifted = CpuShare(window);
                    std::printf("timeshift: shifted (ring written and played): %.3f s of CPU per second\n",
                                shifted);
                    const int64_t s0 = TimeShiftGraph::NowMs();
                    engine.StepTimeShift(-5);
                    const int64_t back = TimeShiftGraph::NowMs() - s0;
                    Pump(1.0);
                    const int64_t s1 = TimeShiftGraph::NowMs();
                    engine.StepTimeShift(5);
                    const int64_t forward = TimeShiftGraph::NowMs() - s1;
                    std::printf("timeshift: -5 s move %lld ms, +5 s move %lld ms; delay shown %.2f s\n",
                                static_cast<long long>(back), static_cast<long long>(forward),
                                static_cast<double>(shift.DelayMs()) / 1000.0);
                }
                engine.StopTimeShift();
                std::printf("timeshift: back to live, ring folder %s\n",
                            GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES ? "removed"
                                                                                          : "LEFT");
            }
            const std::string file = std::string(temp) + "timeshift_bench.mpg";
            Pump(1.0);
            if (engine.StartCaptureMPEG(file.c_str(), 0) == kEngineOk) {
                const double recording = CpuShare(window);
                std::printf("timeshift: recording DVD while previewing: %.3f s of CPU per second\n",
                            recording);
                engine.StopCapture();
            }
            DeleteFileA(file.c_str());
        }
        engine.Shutdown();
    }
    SetEngineReporter(previous);
    DestroyWindow(owner);
    CoUninitialize();
    return rc;
}
