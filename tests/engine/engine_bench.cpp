// Benchmark of the engine (not a test): YUY2 to 24-bit conversion of a 720x576 frame against a
// plain copy of the same bytes, and live preview frames per second and dropped frames.
// Usage: engine_bench [seconds of preview, default 30; 0 skips the preview]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/CaptureEngine.h"
#include "engine/still_image.h"

using namespace tunaro;

namespace {

double Now() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

void BenchConversion() {
    const long width = 720, height = 576;
    const size_t pixels = static_cast<size_t>(width) * height;
    std::vector<uint8_t> yuy2(Yuy2Stride(width) * height), copy(yuy2.size());
    std::vector<uint8_t> bgr(Bgr24Stride(width) * height), reference(bgr.size());
    unsigned seed = 12345;
    for (auto& b : yuy2) {
        seed = seed * 1103515245u + 12345u;
        b = static_cast<uint8_t>(seed >> 16);
    }
    const int rounds = 200;
    Yuy2ToBgr24(yuy2.data(), width, height, bgr.data()); // warm caches and tables
    double t0 = Now();
    for (int i = 0; i < rounds; ++i) {
        yuy2[static_cast<size_t>(i)] ^= 1; // keep the work from being folded away
        Yuy2ToBgr24(yuy2.data(), width, height, bgr.data());
    }
    const double convert = (Now() - t0) / rounds;
    t0 = Now();
    for (int i = 0; i < rounds; ++i) {
        yuy2[static_cast<size_t>(i)] ^= 1;
        std::memcpy(copy.data(), yuy2.data(), yuy2.size());
    }
    const double plain = (Now() - t0) / rounds;
    Yuy2ToBgr24Reference(yuy2.data(), width, height, reference.data());
    Yuy2ToBgr24(yuy2.data(), width, height, bgr.data());
    const bool identical = bgr == reference && copy[100] == yuy2[100];
    std::printf("YUY2 -> BGR24 720x576: %.3f ns/pixel (%.3f ms/frame)\n", convert * 1e9 / pixels,
                convert * 1e3);
    std::printf("plain copy of the %u YUY2 bytes: %.3f ns/pixel (%.3f ms/frame)\n",
                static_cast<unsigned>(yuy2.size()), plain * 1e9 / pixels, plain * 1e3);
    std::printf("conversion / copy: %.2f; bit-identical to the formula: %s\n", convert / plain,
                identical ? "yes" : "NO");
    std::fflush(stdout);
}

// Engine reports are printed instead of shown: nobody is there to close a message box.
class PrintingReporter : public EngineReporter {
public:
    void Report(ReportKind, const std::string& text) override {
        std::printf("engine report: %s\n", text.c_str());
        std::fflush(stdout);
    }
};

void BenchPreview(int seconds) {
    PrintingReporter reporter;
    EngineReporter* previous = SetEngineReporter(&reporter);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "EngineBenchOwner";
    RegisterClassA(&wc);
    HWND owner = CreateWindowA("EngineBenchOwner", "engine bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                               720, 576, nullptr, nullptr, wc.hInstance, nullptr);
    CaptureEngine engine;
    const int found = engine.Initialize(owner, 2);
    if (found == -8 || engine.InitCaptureGraph() != 1) {
        std::printf("preview: no tuner card, nothing measured\n");
        DestroyWindow(owner);
        SetEngineReporter(previous);
        return;
    }
    engine.StartVideoPreview(2);
    std::printf("preview: %s started, measuring %d s\n", engine.DeviceName().c_str(), seconds);
    std::fflush(stdout);
    long delivered0 = 0, dropped0 = 0, delivered1 = 0, dropped1 = 0;
    const bool counted = engine.GetFrameCounts(&delivered0, &dropped0) == 1;
    const double start = Now();
    MSG msg;
    while (Now() - start < seconds) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(10);
    }
    const double elapsed = Now() - start;
    engine.GetFrameCounts(&delivered1, &dropped1);
    if (!counted) {
        std::printf("preview: %s runs, but its driver keeps no frame counts\n", engine.DeviceName().c_str());
    } else {
        std::printf("preview (%s, grabber chain) over %.1f s: %.2f frames/s, %ld dropped\n",
                    engine.DeviceName().c_str(), elapsed, (delivered1 - delivered0) / elapsed,
                    dropped1 - dropped0);
    }
    std::fflush(stdout);
    engine.Shutdown();
    DestroyWindow(owner);
    SetEngineReporter(previous);
}

} // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
    BenchConversion();
    if (seconds > 0)
        BenchPreview(seconds);
    return 0;
}
