// Benchmark (not a test): playing a DVD program stream through the playback graph. Prints the
// time from opening to the first picture, the time a seek of 5 s either way takes to show its
// picture, and the processor time while playing, with native ffmpeg reading the same file as
// the peer. Usage: playback_bench [minutes of recording, default 10] [seconds played, default 20]
#include <windows.h>

#include <dshow.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/dshow/com_ptr.h"
#include "tests/platform/graph_support.h"
#include "tests/platform/media_check.h"
#include "platform/encoders/mpeg_program.h"

using dshow::ComPtr;

namespace {

double Now() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

double ProcessCpu() {
    FILETIME created, ended, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
    auto seconds = [](const FILETIME& t) {
        return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

// A moving picture, so the encoder and the decoder have real work.
bool WriteDvd(const std::string& path, int minutes) {
    const encoders::MpegSettings s = encoders::MpegDefaults(encoders::DiscFormat::Dvd, false);
    encoders::MpegProgramWriter w;
    std::string error;
    if (!w.Open(path, s, 48000, 2, &error)) {
        std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), error.c_str());
        return false;
    }
    std::vector<uint8_t> picture(static_cast<size_t>(s.width) * s.height * 2);
    // Diagonal stripes that move: each row is a window into a longer row of them.
    std::vector<uint8_t> stripes(static_cast<size_t>(s.width) * 4 + 1024);
    for (size_t i = 0; i < stripes.size(); i += 2) {
        stripes[i] = static_cast<uint8_t>(16 + (i / 2 * 7) % 200);
        stripes[i + 1] = static_cast<uint8_t>(i % 4 ? 128 + (i / 16) % 64 : 128 - (i / 16) % 64);
    }
    std::vector<int16_t> sound(48000 / 25 * 2);
    const int frames = minutes * 60 * 25;
    for (int n = 0; n < frames; ++n) {
        for (int y = 0; y < s.height; ++y)
            memcpy(&picture[static_cast<size_t>(y) * s.width * 2],
                   &stripes[static_cast<size_t>((y + 3 * n) % 256) * 4], static_cast<size_t>(s.width) * 2);
        for (size_t i = 0; i < sound.size(); ++i)
            sound[i] = static_cast<int16_t>(6000 * std::sin(static_cast<double>(n * sound.size() + i) / 17));
        if (!w.WriteVideo(picture.data(), s.width * 2, n) || !w.WriteAudio(sound.data(), sound.size() / 2))
            return false;
    }
    return w.Close(&error);
}

// Seconds a shell command takes (wall clock), and the processor seconds it used (GNU time).
bool Timed(const std::string& command, double* wall, double* cpu) {
    std::string out;
    if (mediacheck::RunShell("/usr/bin/time -f 'TIMED %e %U %S' " + command + " >/dev/null", &out) != 0)
        return false;
    const size_t at = out.rfind("TIMED ");
    double r = 0, u = 0, s = 0;
    if (at == std::string::npos || std::sscanf(out.c_str() + at, "TIMED %lf %lf %lf", &r, &u, &s) != 3)
        return false;
    *wall = r;
    *cpu = u + s;
    return true;
}

// The graph RenderFile built: each filter, and the picture's type where it enters one.
void PrintGraph(IGraphBuilder* graph) {
    ComPtr<IEnumFilters> all;
    if (FAILED(graph->EnumFilters(all.Put())))
        return;
    IBaseFilter* f = nullptr;
    while (all->Next(1, &f, nullptr) == S_OK) {
        FILTER_INFO info = {};
        f->QueryFilterInfo(&info);
        if (info.pGraph)
            info.pGraph->Release();
        std::printf("  filter: %ls", info.achName);
        ComPtr<IEnumPins> pins;
        IPin* pin = nullptr;
        if (SUCCEEDED(f->EnumPins(pins.Put())))
            while (pins->Next(1, &pin, nullptr) == S_OK) {
                PIN_DIRECTION dir;
                AM_MEDIA_TYPE mt = {};
                if (SUCCEEDED(pin->QueryDirection(&dir)) && dir == PINDIR_INPUT &&
                    SUCCEEDED(pin->ConnectionMediaType(&mt))) {
                    if (mt.majortype == MEDIATYPE_Video && mt.formattype == FORMAT_VideoInfo && mt.pbFormat) {
                        const BITMAPINFOHEADER& b =
                            reinterpret_cast<VIDEOINFOHEADER*>(mt.pbFormat)->bmiHeader;
                        std::printf(" (picture in: %ld x %ld, %u bits, %s)", b.biWidth, b.biHeight,
                                    b.biBitCount, b.biCompression == BI_RGB ? "RGB" : "not RGB");
                    }
                    CoTaskMemFree(mt.pbFormat);
                    if (mt.pUnk)
                        mt.pUnk->Release();
                }
                pin->Release();
            }
        std::printf("\n");
        f->Release();
    }
}

// The video renderer of the graph (a filter with a connected video input and no output pin).
ComPtr<IBaseFilter> VideoRenderer(IGraphBuilder* graph, ComPtr<IPin>* upstream) {
    ComPtr<IEnumFilters> all;
    if (FAILED(graph->EnumFilters(all.Put())))
        return {};
    IBaseFilter* f = nullptr;
    while (all->Next(1, &f, nullptr) == S_OK) {
        ComPtr<IBaseFilter> filter;
        *filter.Put() = f;
        ComPtr<IEnumPins> pins;
        IPin* pin = nullptr;
        bool output = false;
        ComPtr<IPin> from;
        if (SUCCEEDED(filter->EnumPins(pins.Put())))
            while (pins->Next(1, &pin, nullptr) == S_OK) {
                PIN_DIRECTION dir;
                AM_MEDIA_TYPE mt = {};
                pin->QueryDirection(&dir);
                if (dir == PINDIR_OUTPUT)
                    output = true;
                else if (SUCCEEDED(pin->ConnectionMediaType(&mt))) {
                    if (mt.majortype == MEDIATYPE_Video)
                        pin->ConnectedTo(from.Put());
                    CoTaskMemFree(mt.pbFormat);
                    if (mt.pUnk)
                        mt.pUnk->Release();
                }
                pin->Release();
            }
        if (!output && from) {
            *upstream = from;
            return filter;
        }
    }
    return {};
}

// Processor share of one core while the graph runs from the start for some seconds.
double CpuWhilePlaying(IMediaControl* control, IMediaSeeking* seeking, int seconds) {
    LONGLONG start = 0;
    control->Stop();
    seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
    const double c0 = ProcessCpu(), w0 = Now();
    control->Run();
    Sleep(static_cast<DWORD>(seconds) * 1000);
    const double cpu = (ProcessCpu() - c0) / (Now() - w0);
    control->Stop();
    return cpu;
}

// The Null Renderer of the system's editing services (qedit).
const CLSID kNullRenderer = {0xC1F400A4, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};

} // namespace

int main(int argc, char** argv) {
    const int minutes = argc > 1 ? std::atoi(argv[1]) : 10;
    const int played = argc > 2 ? std::atoi(argv[2]) : 20;
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    const std::string path = graphtest::TempFile("playback-bench.mpg");
    std::printf("writing a %d-minute DVD recording...\n", minutes);
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES && !WriteDvd(path, minutes))
        return 1;

    ComPtr<IGraphBuilder> graph;
    ComPtr<IMediaControl> control;
    ComPtr<IMediaSeeking> seeking;
    const double t0 = Now();
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                graph.PutVoid())) ||
        FAILED(graph->RenderFile(graphtest::Wide(path).c_str(), nullptr))) {
        std::fprintf(stderr, "the file does not render\n");
        return 1;
    }
    const double rendered = Now() - t0;
    graph->QueryInterface(IID_IMediaControl, control.PutVoid());
    graph->QueryInterface(IID_IMediaSeeking, seeking.PutVoid());
    control->Pause();
    OAFilterState state = State_Stopped;
    const HRESULT cued = control->GetState(10000, &state);
    const double open = Now() - t0;
    LONGLONG duration = 0;
    seeking->GetDuration(&duration);

    // Seeks of 5 s forwards and back from the middle, each until its picture is shown.
    double seekTotal = 0, seekWorst = 0;
    int seeks = 0;
    LONGLONG at = duration / 2;
    for (int i = 0; i < 10; ++i) {
        at += (i % 2 ? -5 : 5) * 10000000LL * (i % 4 < 2 ? 1 : 2);
        const double s0 = Now();
        control->Stop();
        seeking->SetPositions(&at, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
        control->Pause();
        control->GetState(10000, &state);
        const double took = Now() - s0;
        seekTotal += took;
        seekWorst = took > seekWorst ? took : seekWorst;
        ++seeks;
    }

    // Processor time while playing; then with the picture decoded but not shown (the renderer
    // replaced by a null one), which splits the cost between decoding and showing.
    const double cpu = CpuWhilePlaying(control.Get(), seeking.Get(), played);
    std::printf("graph:\n");
    PrintGraph(graph.Get());
    double undrawn = -1;
    ComPtr<IPin> decoded;
    ComPtr<IBaseFilter> renderer = VideoRenderer(graph.Get(), &decoded);
    ComPtr<IBaseFilter> null;
    if (renderer && SUCCEEDED(graph->RemoveFilter(renderer.Get())) &&
        SUCCEEDED(CoCreateInstance(kNullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                   null.PutVoid())) &&
        SUCCEEDED(graph->AddFilter(null.Get(), L"Null Renderer"))) {
        ComPtr<IPin> in = graphtest::PinOf(null.Get(), PINDIR_INPUT, 0);
        if (in && SUCCEEDED(graph->ConnectDirect(decoded.Get(), in.Get(), nullptr)))
            undrawn = CpuWhilePlaying(control.Get(), seeking.Get(), played);
    }
    renderer.Reset();
    null.Reset();
    decoded.Reset();
    control.Reset();
    seeking.Reset();
    graph.Reset();

    std::printf("file: %s, %.1f s\n", path.c_str(), static_cast<double>(duration) / 1e7);
    std::printf("open to first picture: %.0f ms%s (graph built in %.0f ms)\n", open * 1000,
                cued == S_OK ? "" : " (not cued)", rendered * 1000);
    std::printf("seek of 5 s to its picture: %.0f ms mean, %.0f ms worst (%d seeks)\n",
                seekTotal / seeks * 1000, seekWorst * 1000, seeks);
    std::printf("processor while playing: %.1f %% of one core over %d s\n", cpu * 100, played);
    if (undrawn >= 0)
        std::printf("  of which the picture decoded but not shown (null renderer): %.1f %%\n", undrawn * 100);
    else
        std::printf("  (the renderer could not be replaced by a null one)\n");

    const std::string unix = mediacheck::UnixPath(path);
    double wall = 0, used = 0;
    if (!Timed("ffmpeg -v error -nostdin -version", &wall, &used))
        std::printf("peer ffmpeg: cannot be run from here\n");
    if (Timed("ffmpeg -v error -nostdin -i '" + unix + "' -frames:v 1 -f null -", &wall, &used))
        std::printf("peer ffmpeg, open to first picture decoded: %.0f ms\n", wall * 1000);
    const double middle = static_cast<double>(duration) / 2e7;
    if (Timed("ffmpeg -v error -nostdin -ss " + std::to_string(middle + 5) + " -i '" + unix +
                  "' -frames:v 1 -f null -",
              &wall, &used))
        std::printf("peer ffmpeg, seek of 5 s to its picture decoded: %.0f ms\n", wall * 1000);
    if (Timed("ffmpeg -v error -nostdin -re -t " + std::to_string(played) + " -i '" + unix + "' -f null -",
              &wall, &used))
        std::printf("peer ffmpeg -re, processor while decoding at playing speed: %.1f %% of one core\n",
                    used / wall * 100);
    CoUninitialize();
    return 0;
}
