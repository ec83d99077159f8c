// Live picture through the capture engine alone, for demo.sh while the TV application is not
// built: one window, the engine's preview in it, a channel change every few seconds.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/CaptureEngine.h"
#include "framework/format.h"

namespace {

const char kTitle[] = "Capture engine preview (the TV application is not built yet)";
const UINT_PTR kZapTimer = 1;

// The engine's reports go to the debug output here, not into message boxes: nobody sits in front
// of the demo to close them (this platform's own audio capture device, for one, has no stream
// configuration to report).
class DebugOutputReporter : public tunaro::EngineReporter {
public:
    void Report(tunaro::ReportKind, const std::string& text) override {
        OutputDebugStringA(("engine: " + text + "\n").c_str());
    }
};

// The stations to show, lent to the engine as its channel list.
class PlanChannels : public tunaro::ChannelAccess {
public:
    std::vector<long> hz;
    int ChannelCount() const override { return static_cast<int>(hz.size()); }
    long ChannelFrequency(int i) const override { return hz[i]; }
    void SetChannelFrequency(int i, long f) override { hz[i] = f; }
    int ChannelAudioMode(int) const override { return 0; }
    void ClearChannels() override { hz.clear(); }
    void AppendChannel(const char*, long f, int) override { hz.push_back(f); }
    int CountryFrequencyCount() const override { return 0; }
    long CountryFrequency(int) const override { return 0; }
};

struct ViewState {
    tunaro::CaptureEngine* engine = nullptr;
    PlanChannels channels;
    size_t next = 0;
    bool running = false;
};
ViewState g_view;

// PAL stations of the simulated card's broadcast plan ([Config] TV1=hertz,name,pattern,system),
// so the demo tunes to something on the air; a common PAL-D channel when there is no plan.
std::vector<long> PlanStations() {
    char sys[MAX_PATH] = {0};
    GetSystemDirectoryA(sys, MAX_PATH);
    std::string ini = std::string(sys) + "\\simcard.ini";
    std::vector<long> out;
    for (int i = 1; i <= 16; ++i) {
        char value[256] = {0};
        GetPrivateProfileStringA("Config", tunaro::Format("TV%d", i).c_str(), "", value, sizeof value,
                                 ini.c_str());
        long hz = strtol(value, nullptr, 10);
        if (hz > 0 && !strstr(value, "NTSC") && !strstr(value, "SECAM"))
            out.push_back(hz);
    }
    if (out.empty())
        out.push_back(77250000);
    return out;
}

void Zap() {
    if (!g_view.running || g_view.channels.hz.empty())
        return;
    // The card draws the station's name and frequency into the picture; the title stays fixed
    // so scripts find the window by it.
    g_view.engine->SetCurrentChannel(static_cast<int>(g_view.next++ % g_view.channels.hz.size()));
}

void StartPreview(HWND hwnd) {
    tunaro::CaptureEngine& e = *g_view.engine;
    if (e.EnumVideoDevice() <= 0 || e.Initialize(hwnd, 1) == -8)
        return;
    if (e.InitCaptureGraph() != 1 || e.StartVideoPreview(1) != 1)
        return;
    e.SetTVMode(0);
    e.SetVideoSource(1);
    e.SetMessageDrain(hwnd);
    e.SetVideoFormat(32); // PAL-D
    e.SetCountry(86);
    RECT rc;
    GetClientRect(hwnd, &rc);
    e.SetVideoWindowsPos(0, 0, rc.right, rc.bottom);
    g_view.running = true;
    g_view.channels.hz = PlanStations();
    e.SetChannelAccess(&g_view.channels);
    Zap();
    SetTimer(hwnd, kZapTimer, 3000, nullptr);
}

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_SIZE:
        if (g_view.running)
            g_view.engine->SetVideoWindowsPos(0, 0, LOWORD(lp), HIWORD(lp));
        return 0;
    case WM_TIMER:
        if (wp == kZapTimer)
            Zap();
        return 0;
    case WM_COMMAND:
        if (LOWORD(wp) == 403) // Exit, as the TV application's panel takes it
            DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        KillTimer(hwnd, kZapTimer);
        if (g_view.engine) {
            g_view.engine->SetChannelAccess(nullptr);
            g_view.engine->StopPreview();
            g_view.engine->Shutdown();
        }
        g_view.running = false;
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

} // namespace

int WINAPI WinMain(HINSTANCE inst, HINSTANCE, LPSTR, int show) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = inst;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = "EngineView";
    RegisterClassA(&wc);
    RECT r = {0, 0, 720, 576};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    HWND hwnd = CreateWindowExA(0, "EngineView", kTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 40, 40,
                                r.right - r.left, r.bottom - r.top, nullptr, nullptr, inst, nullptr);
    ShowWindow(hwnd, show);
    UpdateWindow(hwnd);
    DebugOutputReporter reporter;
    tunaro::SetEngineReporter(&reporter);
    tunaro::CaptureEngine engine;
    g_view.engine = &engine;
    StartPreview(hwnd);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    g_view.engine = nullptr;
    return 0;
}
