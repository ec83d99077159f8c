// Benchmark of the card's video filters: frames per second at 720 x 576 YUY2 through the grabber
// chain and the other preview chains, with an unpaced source and a counting sink (no clock).
#include <windows.h>

#include <iomanip>
#include <iostream>
#include <string>

#include "tests/platform/filters/test_graph.h"

using filtertest::ComPtr;
using filtertest::FirstPin;
using filtertest::Graph;

namespace {

constexpr LONG kW = 720, kH = 576;
constexpr DWORD kRunMs = 2000;

void Fill(BYTE* frame, LONG w, LONG h, LONG n) {
    // Cheap to make, so the source costs little next to the filters: one row moves per frame.
    if (n < 2)
        filtertest::MovingPattern(frame, w, h, n);
    else
        memset(frame + static_cast<size_t>(n % h) * w * 2, n & 0xff, static_cast<size_t>(w) * 2);
}

struct Step {
    const CLSID* clsid; // null: the Smart Tee's capture pin is used as is
    const wchar_t* name;
};

// source -> steps... -> counting sink; prints frames per second.
void Bench(const std::string& label, std::initializer_list<Step> steps) {
    Graph g;
    if (!g.Ok()) {
        std::cout << label << ": no filter graph\n";
        return;
    }
    // An unpaced live source: a period of 100 ns keeps it delivering back to back.
    auto* src = new filtertest::Source(dshow::MakeYuy2Type(kW, kH, 400000), 1, Fill);
    auto* sink = new filtertest::Sink();
    sink->pin->keep = false;
    ComPtr<IBaseFilter> s = g.Add(src, L"Capture"), k = g.Add(sink, L"Sink");
    ComPtr<IPin> out(src->pin);
    std::vector<ComPtr<IBaseFilter>> held;
    for (const Step& st : steps) {
        ComPtr<IBaseFilter> f = g.Create(*st.clsid, st.name);
        if (!f) {
            std::cout << label << ": cannot create " << std::string(st.name, st.name + wcslen(st.name))
                      << "\n";
            return;
        }
        HRESULT hr = g.builder->Connect(out.Get(), FirstPin(f.Get(), PINDIR_INPUT).Get());
        if (FAILED(hr)) {
            std::cout << label << ": cannot connect " << std::string(st.name, st.name + wcslen(st.name))
                      << " (0x" << std::hex << hr << std::dec << ")\n";
            return;
        }
        out = FirstPin(f.Get(), PINDIR_OUTPUT);
        held.push_back(f);
    }
    if (FAILED(g.builder->Connect(out.Get(), sink->pin))) {
        std::cout << label << ": cannot connect the sink\n";
        return;
    }
    ComPtr<IMediaFilter> mf;
    if (SUCCEEDED(g.builder->QueryInterface(IID_IMediaFilter, mf.PutVoid())))
        mf->SetSyncSource(nullptr);
    if (FAILED(g.Run())) {
        std::cout << label << ": cannot run\n";
        return;
    }
    Sleep(200); // warm-up
    LONG n0 = sink->pin->received;
    LARGE_INTEGER f, t0, t1;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t0);
    Sleep(kRunMs);
    LONG n1 = sink->pin->received;
    QueryPerformanceCounter(&t1);
    g.Stop();
    double secs = static_cast<double>(t1.QuadPart - t0.QuadPart) / f.QuadPart;
    double fps = (n1 - n0) / secs;
    std::cout << std::left << std::setw(58) << label << std::right << std::fixed << std::setprecision(1)
              << std::setw(9) << fps << " frames/s  (" << std::setprecision(2) << 1000.0 / (fps > 0 ? fps : 1)
              << " ms a frame)\n";
}

} // namespace

int main() {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    std::cout << "720 x 576 YUY2, unpaced source, no reference clock\n";
    Bench("source -> sink (baseline)", {});
    Bench("source -> frame grabber -> sink", {{&tunaro::kClsidFrameGrabber, L"Trans Form Filter"}});
    Bench("Smart Tee -> grabber -> sink",
          {{&CLSID_SmartTee, L"SmartTee Filter"}, {&tunaro::kClsidFrameGrabber, L"Trans Form Filter"}});
    Bench("grabber chain: Smart Tee -> grabber -> AVI Decompressor",
          {{&CLSID_SmartTee, L"SmartTee Filter"},
           {&tunaro::kClsidFrameGrabber, L"Trans Form Filter"},
           {&CLSID_AVIDec, L"VideoRender"}});
    Bench("source -> AVI Decompressor -> sink", {{&CLSID_AVIDec, L"VideoRender"}});
    Bench("source -> display optimiser -> sink", {{&tunaro::kClsidDispOptim, L"DispOptim Filter"}});
    Bench("source -> infinite tee -> sink", {{&CLSID_InfTee, L"INFTEE Filter"}});
    Bench("source -> deinterlacer -> sink", {{&tunaro::kClsidDeinterlacer, L"HT Deinterlacer Filter"}});
    Bench("source -> invert -> sink", {{&tunaro::kClsidVideoInvert, L"Vazuvoduz Video Invert Filter"}});
    Bench("source -> down-size -> sink", {{&tunaro::kClsidDownSize, L"DownSize Filter"}});
    Bench("source -> overlay mixer (YUY2 to RGB32) -> sink", {{&CLSID_OverlayMixer, L"Overlay Mixer"}});
    Bench("overlay chain: deinterlacer -> optimiser -> mixer",
          {{&tunaro::kClsidDeinterlacer, L"HT Deinterlacer Filter"},
           {&tunaro::kClsidDispOptim, L"DispOptim Filter"},
           {&CLSID_OverlayMixer, L"Overlay Mixer"}});
    CoUninitialize();
    return 0;
}
