// Benchmark of the engine (not a test): YUY2 to 24-bit conversion of a 720x576 frame against a
// plain copy of the same bytes, and live preview frames per second and dropped frames.
// Usage: engine_bench [seconds of preview, default 30; 0 skips the preview]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include "engine/CaptureEngine.h"
#include "engine/still_image.h"
#include "tests/engine/bench_support.h"

using namespace tunaro;
using enginebench::Now;
using enginebench::PrintingReporter;

namespace {

struct Timing {
    double min, median; // seconds per frame
};

// Runs work() in several repetitions of a few frames each, caches warm, and gives the fastest and
// the median repetition per frame.
template <typename Work> Timing Measure(Work work) {
    const int repetitions = 41, frames = 10;
    for (int i = 0; i < 3; ++i)
        work(i); // warm caches, tables and the processor's clock
    std::vector<double> per;
    for (int r = 0; r < repetitions; ++r) {
        const double t0 = Now();
        for (int i = 0; i < frames; ++i)
            work(r * frames + i);
        per.push_back((Now() - t0) / frames);
    }
    std::sort(per.begin(), per.end());
    return {per.front(), per[per.size() / 2]};
}

#if defined(__x86_64__) || defined(__i386__)
// The memory work of the fastest conversion without its arithmetic: a grey picture (Y in all
// three bytes), the same loads, byte placement and stores. Its time is the floor of that path.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) void GreyFloor(const uint8_t* yuy2, long width,
                                                                      long height, uint8_t* bgr) {
    alignas(64) uint8_t index[3][64];
    for (int k = 0; k < 3; ++k)
        for (int i = 0; i < 64; ++i)
            index[k][i] = static_cast<uint8_t>(2 * ((64 * k + i) / 3));
    const __m512i luma[3] = {_mm512_load_si512(index[0]), _mm512_load_si512(index[1]),
                             _mm512_load_si512(index[2])};
    for (long row = 0; row < height; ++row) {
        const uint8_t* s = yuy2 + static_cast<size_t>(height - 1 - row) * Yuy2Stride(width);
        uint8_t* d = bgr + static_cast<size_t>(row) * Bgr24Stride(width);
        long x = 0;
        for (; x + 64 <= width; x += 64, s += 128, d += 192) {
            const __m512i in0 = _mm512_loadu_si512(s), in1 = _mm512_loadu_si512(s + 64);
            for (int k = 0; k < 3; ++k)
                _mm512_storeu_si512(d + 64 * k, _mm512_permutex2var_epi8(in0, luma[k], in1));
        }
        for (; x < width; ++x, s += 2, d += 3)
            d[0] = d[1] = d[2] = s[0];
    }
}
#endif

void BenchConversion() {
    const long width = 720, height = 576;
    const double pixels = static_cast<double>(width) * height;
    std::vector<uint8_t> yuy2(Yuy2Stride(width) * height), copy(yuy2.size());
    std::vector<uint8_t> bgr(Bgr24Stride(width) * height), reference(bgr.size()), wide(bgr.size());
    unsigned seed = 12345;
    for (auto& b : yuy2) {
        seed = seed * 1103515245u + 12345u;
        b = static_cast<uint8_t>(seed >> 16);
    }
    auto ns = [&](double seconds) { return seconds * 1e9 / pixels; };
    // The source changes a little every frame so no work can be folded away.
    const Timing plain = Measure([&](int i) {
        yuy2[static_cast<size_t>(i) % yuy2.size()] ^= 1;
        std::memcpy(copy.data(), yuy2.data(), yuy2.size());
    });
    const Timing plainOut = Measure([&](int i) {
        bgr[static_cast<size_t>(i) % bgr.size()] ^= 1;
        std::memcpy(wide.data(), bgr.data(), bgr.size());
    });
    std::printf("plain copy of the %u YUY2 bytes: min %.3f ns/pixel, median %.3f ns/pixel (%.3f ms/frame)\n",
                static_cast<unsigned>(yuy2.size()), ns(plain.min), ns(plain.median), plain.min * 1e3);
    std::printf("(plain copy of the %u output bytes: min %.3f ns/pixel, median %.3f ns/pixel)\n",
                static_cast<unsigned>(bgr.size()), ns(plainOut.min), ns(plainOut.median));
    const Timing formula = Measure([&](int i) {
        yuy2[static_cast<size_t>(i) % yuy2.size()] ^= 1;
        Yuy2ToBgr24Reference(yuy2.data(), width, height, reference.data());
    });
    std::printf("YUY2 -> BGR24 720x576, formula (reference): min %.3f, median %.3f ns/pixel; "
                "/ copy: %.2f (min), %.2f (median)\n",
                ns(formula.min), ns(formula.median), formula.min / plain.min, formula.median / plain.median);
#if defined(__x86_64__) || defined(__i386__)
    if (__builtin_cpu_supports("avx512vbmi")) {
        const Timing floor = Measure([&](int i) {
            yuy2[static_cast<size_t>(i) % yuy2.size()] ^= 1;
            GreyFloor(yuy2.data(), width, height, wide.data());
        });
        std::printf("(loads, byte placement and stores of the AVX-512 path alone, no arithmetic: min %.3f, "
                    "median %.3f ns/pixel; / copy: %.2f (min), %.2f (median))\n",
                    ns(floor.min), ns(floor.median), floor.min / plain.min, floor.median / plain.median);
    }
#endif
    for (Yuy2Path path :
         {Yuy2Path::Table, Yuy2Path::Sse2, Yuy2Path::Ssse3, Yuy2Path::Avx2, Yuy2Path::Avx512}) {
        if (!Yuy2PathAvailable(path)) {
            std::printf("YUY2 -> BGR24 720x576, %s: not offered by this processor\n", Yuy2PathName(path));
            continue;
        }
        const Timing t = Measure([&](int i) {
            yuy2[static_cast<size_t>(i) % yuy2.size()] ^= 1;
            Yuy2ToBgr24With(path, yuy2.data(), width, height, bgr.data());
        });
        Yuy2ToBgr24Reference(yuy2.data(), width, height, reference.data());
        Yuy2ToBgr24With(path, yuy2.data(), width, height, bgr.data());
        std::printf(
            "YUY2 -> BGR24 720x576, %s%s: min %.3f, median %.3f ns/pixel (%.3f ms/frame); / copy: %.2f "
            "(min), %.2f (median); bit-identical to the formula: %s\n",
            Yuy2PathName(path), path == BestYuy2Path() ? " (used)" : "", ns(t.min), ns(t.median), t.min * 1e3,
            t.min / plain.min, t.median / plain.median, bgr == reference ? "yes" : "NO");
        std::fflush(stdout);
    }
    std::fflush(stdout);
}

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
    const double ran = Now();
    engine.StartVideoPreview(2);
    // The first frame: the card delivers nothing before the graph's stream time reaches zero.
    long first = 0;
    while (Now() - ran < 2.0 && engine.GetFrameCounts(&first, nullptr) == 1 && first == 0)
        Sleep(1);
    std::printf("preview: %s started, first frame %.0f ms after the start was asked for; measuring %d s from "
                "there\n",
                engine.Devices().DeviceName().c_str(), (Now() - ran) * 1000.0, seconds);
    std::fflush(stdout);
    // The graph's reference clock paces the card: frames are due by its time, not the wall's.
    ComPtr<IReferenceClock> clock;
    ComPtr<IMediaFilter> timing;
    if (engine.Graph().FilterGraph() &&
        SUCCEEDED(engine.Graph().FilterGraph()->QueryInterface(IID_IMediaFilter, timing.ReceiveVoid())))
        timing->GetSyncSource(clock.Receive());
    long delivered0 = 0, dropped0 = 0, delivered1 = 0, dropped1 = 0;
    REFERENCE_TIME clock0 = 0, clock1 = 0;
    const bool counted = engine.GetFrameCounts(&delivered0, &dropped0) == 1;
    if (clock)
        clock->GetTime(&clock0);
    const double start = Now();
    MSG msg;
    std::vector<long> perSecond; // frames delivered in each second of the run
    long lastCount = delivered0;
    double nextSecond = start + 1.0;
    while (Now() - start < seconds) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(10);
        if (counted && Now() >= nextSecond) {
            long now = 0;
            engine.GetFrameCounts(&now, nullptr);
            perSecond.push_back(now - lastCount);
            lastCount = now;
            nextSecond += 1.0;
        }
    }
    const double elapsed = Now() - start;
    engine.GetFrameCounts(&delivered1, &dropped1);
    if (clock)
        clock->GetTime(&clock1);
    if (!counted) {
        std::printf("preview: %s runs, but its driver keeps no frame counts\n",
                    engine.Devices().DeviceName().c_str());
    } else {
        std::printf("preview (%s, grabber chain) over %.1f s: %.2f frames/s, %ld dropped\n",
                    engine.Devices().DeviceName().c_str(), elapsed, (delivered1 - delivered0) / elapsed,
                    dropped1 - dropped0);
        std::printf("preview: frames delivered second by second:");
        for (long n : perSecond)
            std::printf(" %ld", n);
        std::printf("\n");
        if (clock) {
            const double clockSeconds = static_cast<double>(clock1 - clock0) / 1e7;
            std::printf(
                "preview: the graph's reference clock advanced %.3f s in %.3f s of wall time (%.2f %%); "
                "frames due by it: %.1f, delivered + dropped: %ld\n",
                clockSeconds, elapsed, 100.0 * clockSeconds / elapsed, clockSeconds * 25.0,
                (delivered1 - delivered0) + (dropped1 - dropped0));
        } else {
            std::printf("preview: the graph has no reference clock\n");
        }
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
