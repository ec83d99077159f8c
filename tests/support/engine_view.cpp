// Live picture through the capture engine alone, for demo.sh while the TV application is not
// built: one window, the engine's preview in it, a channel change every few seconds.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "engine/CaptureEngine.h"
#include "framework/format.h"

namespace {

const char kTitle[] = "Capture engine preview (the TV application is not built yet)";
const UINT_PTR kZapTimer = 1;

struct ViewState {
    tunaro::CaptureEngine* engine = nullptr;
    std::vector<long> stations; // hertz
    size_t next = 0;
    bool running = false;
};
ViewState g_view;

// Stations of the simulated card's broadcast plan ([Config] TV1=hertz,name,...), so the demo
// tunes to something that is on the air; a common PAL-D channel when there is no plan.
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
        if (hz > 0)
            out.push_back(hz);
    }
    if (out.empty())
        out.push_back(77250000);
    return out;
}

void Zap() {
    if (!g_view.running || g_view.stations.empty())
        return;
    long hz = g_view.stations[g_view.next++ % g_view.stations.size()];
    // The card draws the station's name and frequency into the picture; the title stays fixed
    // so scripts find the window by it.
    g_view.engine->SetFrequency(hz, -1);
}

void StartPreview(HWND hwnd) {
    tunaro::CaptureEngine& e = *g_view.engine;
    if (e.EnumVideoDevice() <= 0 || e.Initialize(hwnd, 1) == -8)
        return;
    if (!e.StartVideoPreview(1))
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
    g_view.stations = PlanStations();
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
