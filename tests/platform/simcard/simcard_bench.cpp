// Benchmark of the simulated card: frames per second delivered at 720x576 over 30 s (or the
// seconds given as the first argument) and the CPU time the card spends per frame.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "tests/platform/simcard/harness.h"

using dshow::ComPtr;

namespace {

ULONGLONG ProcessCpu100ns() {
    FILETIME c, e, k, u;
    GetProcessTimes(GetCurrentProcess(), &c, &e, &k, &u);
    return (static_cast<ULONGLONG>(k.dwHighDateTime) << 32 | k.dwLowDateTime) +
           (static_cast<ULONGLONG>(u.dwHighDateTime) << 32 | u.dwLowDateTime);
}

} // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? atoi(argv[1]) : 30;
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    int rc = 1;
    {
        harness::Card card;
        if (!card.Loaded() || FAILED(card.Configure("SAA7134"))) {
            fputs("simcard.dll not found next to the benchmark\n", stderr);
            return 1;
        }
        ComPtr<IGraphBuilder> graph;
        CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                         graph.PutVoid());
        ComPtr<IBaseFilter> cap = card.Create(harness::kClsidCapture),
                            tuner = card.Create(harness::kClsidTuner);
        auto* sink = new harness::Sink(MEDIATYPE_Video);
        ComPtr<IBaseFilter> sinkRef;
        sinkRef.Attach(sink);
        graph->AddFilter(cap.Get(), L"Capture");
        graph->AddFilter(sinkRef.Get(), L"Sink");
        ComPtr<IPin> out = harness::PinOf(cap.Get(), PINDIR_OUTPUT, 0);
        ComPtr<IAMStreamConfig> sc;
        out->QueryInterface(IID_IAMStreamConfig, sc.PutVoid());
        dshow::MediaType mt = dshow::MakeYuy2Type(720, 576, 0);
        sc->SetFormat(&mt);
        if (FAILED(graph->ConnectDirect(out.Get(), sink->pin, nullptr))) {
            fputs("cannot connect the capture pin\n", stderr);
            return 1;
        }
        ComPtr<IAMTVTuner> tv;
        tuner->QueryInterface(IID_IAMTVTuner, tv.PutVoid());
        ComPtr<IMediaControl> control;
        graph->QueryInterface(IID_IMediaControl, control.PutVoid());
        ULONGLONG cpu0 = ProcessCpu100ns();
        DWORD t0 = GetTickCount();
        control->Run();
        Sleep(static_cast<DWORD>(seconds) * 1000);
        control->Stop();
        DWORD ms = GetTickCount() - t0;
        ULONGLONG cpu = ProcessCpu100ns() - cpu0;
        long frames = sink->pin->Count();
        ComPtr<IAMDroppedFrames> dropped;
        out->QueryInterface(IID_IAMDroppedFrames, dropped.PutVoid());
        LONG lost = 0;
        if (dropped)
            dropped->GetNumDropped(&lost);
        printf("simcard 720x576 YUY2: %ld frames in %.1f s = %.2f frames/s (nominal 25), %ld dropped\n",
               frames, ms / 1000.0, frames * 1000.0 / ms, static_cast<long>(lost));
        printf("CPU time per frame: %.2f ms (%.1f%% of one core)\n", frames ? cpu / 10000.0 / frames : 0.0,
               cpu / 100.0 / ms);
        rc = 0;
    }
    CoUninitialize();
    return rc;
}
