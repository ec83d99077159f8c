// Benchmark of a DVD recording on the simulated card while the picture is previewed: prints the
// frames the capture pin delivered and dropped (the engine's counts), what the MPEG encoder
// encoded and dropped, the process's CPU time per frame, the file's bit rate, and how the
// frames due by the graph's reference clock and by the wall clock compare with those delivered.
// Usage: record_bench [seconds] [folder] [keep] [hertz] [format]  (60 s into the temporary folder
// by default; the file is deleted afterwards unless "keep" is given; the card stays between
// channels unless a station's frequency is given, e.g. 49750000; format is dvd (the default), vcd,
// svcd, mpeg4, avi or wmv). Where the card shows sync marks (simcard.ini [Config] SyncMarks=1),
// the sound's offset from the picture is measured too (tests/support/avsync.py).
#include <windows.h>
#include <tlhelp32.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "engine/CaptureEngine.h"
#include "tests/engine/bench_support.h"
#include "tests/engine/one_channel.h"
#include "tests/platform/graph_support.h"
#include "tests/platform/media_check.h"

using namespace tunaro;
using namespace enginebench;

namespace {

// CPU seconds of each thread of this process, and the module its start routine is in (the
// card's streaming threads start in simcard.dll, the encoder's in encoders.ax, and so on).
struct ThreadCpu {
    std::string module;
    double seconds = 0;
};
std::map<DWORD, ThreadCpu> ThreadTimes() {
    std::map<DWORD, ThreadCpu> threads;
    using QueryThread = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    const auto query = reinterpret_cast<QueryThread>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationThread")));
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snap == INVALID_HANDLE_VALUE)
        return threads;
    THREADENTRY32 te = {};
    te.dwSize = sizeof te;
    for (BOOL more = Thread32First(snap, &te); more; more = Thread32Next(snap, &te)) {
        if (te.th32OwnerProcessID != GetCurrentProcessId())
            continue;
        HANDLE h = OpenThread(THREAD_QUERY_INFORMATION, FALSE, te.th32ThreadID);
        if (!h)
            continue;
        FILETIME created, exited, kernel, user;
        ThreadCpu t;
        if (GetThreadTimes(h, &created, &exited, &kernel, &user))
            t.seconds = Seconds(kernel) + Seconds(user);
        void* start = nullptr;
        HMODULE module = nullptr;
        char path[MAX_PATH] = "?";
        const int kStartAddress = 9; // ThreadQuerySetWin32StartAddress
        if (query && query(h, kStartAddress, &start, sizeof start, nullptr) == 0 && start &&
            GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                   GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                               static_cast<const char*>(start), &module) &&
            GetModuleFileNameA(module, path, MAX_PATH)) {
            const char* slash = std::strrchr(path, '\\');
            t.module = slash ? slash + 1 : path;
        } else {
            t.module = "?";
        }
        CloseHandle(h);
        threads[te.th32ThreadID] = t;
    }
    CloseHandle(snap);
    return threads;
}

// Each module's share of one core over `wall` seconds, from two thread-time snapshots.
void PrintCpuByModule(const std::map<DWORD, ThreadCpu>& before, const std::map<DWORD, ThreadCpu>& after,
                      double wall) {
    std::map<std::string, double> byModule;
    for (const auto& [id, t] : after) {
        const auto was = before.find(id);
        byModule[t.module] += t.seconds - (was != before.end() ? was->second.seconds : 0);
    }
    std::printf("record: CPU by the module its thread started in (%% of one core):");
    for (const auto& [module, seconds] : byModule)
        if (seconds >= 0.005 * wall)
            std::printf(" %s %.1f;", module.c_str(), 100.0 * seconds / wall);
    std::printf("\n");
}

REFERENCE_TIME ClockTime(CaptureEngine& engine) {
    ComPtr<IMediaFilter> timing;
    ComPtr<IReferenceClock> clock;
    REFERENCE_TIME t = 0;
    if (engine.Graph().FilterGraph() &&
        SUCCEEDED(engine.Graph().FilterGraph()->QueryInterface(IID_IMediaFilter, timing.ReceiveVoid())) &&
        SUCCEEDED(timing->GetSyncSource(clock.Receive())) && clock)
        clock->GetTime(&t);
    return t;
}

} // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    std::string folder;
    if (argc > 2) {
        folder = argv[2];
    } else {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        folder = temp;
    }
    if (!folder.empty() && folder.back() != '\\')
        folder += '\\';
    struct Format {
        const char* name;
        const char* extension;
        EngineResult (*start)(CaptureEngine&, const char*);
    };
    static const Format kFormats[] = {
        {"dvd", "mpg", [](CaptureEngine& e, const char* f) { return e.StartCaptureMPEG(f, 0); }},
        {"vcd", "mpg", [](CaptureEngine& e, const char* f) { return e.StartCaptureMPEG(f, 1); }},
        {"svcd", "mpg", [](CaptureEngine& e, const char* f) { return e.StartCaptureMPEG(f, 6); }},
        {"mpeg4", "avi", [](CaptureEngine& e, const char* f) { return e.StartCaptureMPG4(f, 1, 352, 288); }},
        {"avi", "avi", [](CaptureEngine& e, const char* f) { return e.StartCaptureAVI(f, 1, 352, 288); }},
        {"wmv", "wmv", [](CaptureEngine& e, const char* f) { return e.StartCaptureWM(f, 0); }},
    };
    const Format* format = &kFormats[0];
    if (argc > 5) {
        format = nullptr;
        for (const Format& f : kFormats)
            if (std::string(argv[5]) == f.name)
                format = &f;
        if (!format) {
            std::printf("record: no format %s (dvd, vcd, svcd, mpeg4, avi or wmv)\n", argv[5]);
            return 1;
        }
    }
    const std::string file = folder + "record_bench." + format->extension;

    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    PrintingReporter reporter;
    EngineReporter* previous = SetEngineReporter(&reporter);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "RecordBenchOwner";
    RegisterClassA(&wc);
    HWND owner = CreateWindowA(wc.lpszClassName, "record bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 720,
                               576, nullptr, nullptr, wc.hInstance, nullptr);
    int rc = 0;
    {
        enginetest::OneChannel channel; // outlives the engine that borrows it
        CaptureEngine engine;
        if (engine.Initialize(owner, 2) == kEngineNoCard || engine.InitCaptureGraph() != kEngineOk ||
            engine.StartVideoPreview(2) != kEngineOk) {
            std::printf("record: no tuner card, nothing measured\n");
            rc = 1;
        } else {
            engine.SetChannelAccess(&channel);
            if (argc > 4 && engine.SetFrequency(std::atol(argv[4]), 0) != kEngineOk)
                std::printf("record: could not tune to %s Hz\n", argv[4]);
            Pump(1.0);
            const double asked = Now();
            if (format->start(engine, file.c_str()) != kEngineOk) {
                std::printf("record: the %s recording did not start\n", format->name);
                rc = 1;
            } else {
                const double started = Now();
                const double cpu0 = CpuSeconds();
                const std::map<DWORD, ThreadCpu> threads0 = ThreadTimes();
                const REFERENCE_TIME clock0 = ClockTime(engine);
                // The counts from the stream's start to here, so the window measured below is
                // the same for the clocks and the counts.
                long early = 0, earlyDropped = 0;
                engine.GetCaptureFrameCounts(&early, &earlyDropped);
                std::printf("record: %s (%s) into %s for %d s while previewing; the start took %.0f ms\n",
                            format->name, engine.Devices().DeviceName().c_str(), file.c_str(), seconds,
                            (started - asked) * 1000.0);
                std::fflush(stdout);
                Pump(seconds);
                long delivered = 0, dropped = 0, encoded = 0, encoderDropped = 0, soundDropped = 0;
                const bool pinCounts = engine.GetCaptureFrameCounts(&delivered, &dropped) == kEngineOk;
                const double wall = Now() - started;
                const REFERENCE_TIME clock1 = ClockTime(engine);
                const double cpu = CpuSeconds() - cpu0;
                const std::map<DWORD, ThreadCpu> threads1 = ThreadTimes();
                engine.StopCapture();
                const bool encoderCounts =
                    engine.GetEncoderCounts(&encoded, &encoderDropped, &soundDropped) == kEngineOk;
                WIN32_FILE_ATTRIBUTE_DATA data = {};
                GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data);
                const double bytes = static_cast<double>(
                    (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
                const double clockSeconds = static_cast<double>(clock1 - clock0) / 1e7;
                if (pinCounts)
                    std::printf(
                        "record: capture pin: %ld frames delivered, %ld dropped (%.2f frames/s over %.1f s "
                        "of wall time)\n",
                        delivered, dropped, delivered / wall, wall);
                else
                    std::printf("record: the capture pin keeps no counts\n");
                std::printf("record: frames due at 25 frames/s: %.1f by the wall clock, %.1f by the graph's "
                            "reference clock (it advanced %.3f s, %.2f %% of the wall time); delivered + "
                            "dropped in that time: %ld (%ld more came between the stream's start and the "
                            "start's return)\n",
                            wall * 25.0, clockSeconds * 25.0, clockSeconds, 100.0 * clockSeconds / wall,
                            delivered + dropped - early - earlyDropped, early + earlyDropped);
                if (encoderCounts)
                    std::printf("record: MPEG encoder: %ld pictures encoded, %ld pictures dropped, %ld sound "
                                "blocks dropped; encoded + dropped - delivered: %ld\n",
                                encoded, encoderDropped, soundDropped, encoded + encoderDropped - delivered);
                std::printf("record: CPU time %.2f s of %.1f s (%.0f %% of one core); %.2f ms per frame "
                            "delivered\n",
                            cpu, wall, 100.0 * cpu / wall, delivered > 0 ? cpu * 1000.0 / delivered : 0.0);
                PrintCpuByModule(threads0, threads1, wall);
                std::printf("record: file %.0f bytes, %.2f Mbit/s over the recording\n", bytes,
                            bytes * 8 / wall / 1e6);
                if (mediacheck::Available()) {
                    auto p = mediacheck::Probe(file, "-count_frames");
                    const std::string v = graphtest::StreamOf(p, "video");
                    const double duration = graphtest::Number(p, "format.duration");
                    const double pictures = graphtest::Number(p, v + "nb_read_frames");
                    std::printf("record: ffprobe: %.3f s, %.0f pictures (%.0f encoded + %.0f places the card "
                                "dropped, filled with the picture before); video %.3f Mbit/s (DVD: 6.000 "
                                "configured), "
                                "sound %.3f Mbit/s\n",
                                duration, pictures, static_cast<double>(encoded), pictures - encoded,
                                mediacheck::StreamBitRate(file, "v", duration) / 1e6,
                                mediacheck::StreamBitRate(file, "a", duration) / 1e6);
                }
                std::string said;
                const std::vector<double> offsets = mediacheck::SyncOffsets(file, &said);
                if (!offsets.empty()) {
                    double largest = 0;
                    for (double o : offsets)
                        largest = std::fabs(o) > std::fabs(largest) ? o : largest;
                    std::printf("record: sync: %zu marks, sound after picture first %+.1f ms, last %+.1f ms, "
                                "largest %+.1f ms\n",
                                offsets.size(), offsets.front(), offsets.back(), largest);
                }
                if (pinCounts && dropped + encoderDropped > 0)
                    rc = 2;
            }
        }
        std::fflush(stdout);
        engine.Shutdown();
    }
    if (!(argc > 3 && std::string(argv[3]) == "keep"))
        DeleteFileA(file.c_str());
    DestroyWindow(owner);
    SetEngineReporter(previous);
    CoUninitialize();
    return rc;
}
