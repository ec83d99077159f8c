// TrackDeck.dll: the audio player the FM program plays its recordings with. One file at a time,
// played through a DirectShow graph the system builds for it (RenderFile), driven by entries
// the program binds by ordinal:
//   1 open (path, owner window)   2 run (start or resume)   3 pause   4 stop
//   5 close                       6 duration (100 ns units) 7 position (100 ns units)
//   8 seek to a second from the start
// Every entry returns 1 on success and 0 otherwise.
#include <windows.h>
#include <dshow.h>

#include <cstdint>
#include <string>

namespace {

template <class T> void SafeRelease(T*& p) {
    if (p) {
        p->Release();
        p = nullptr;
    }
}

// The open file's graph; the program calls from its one user-interface thread.
struct Player {
    IGraphBuilder* graph = nullptr;
    IMediaControl* control = nullptr;
    IMediaSeeking* seeking = nullptr;
    bool comStarted = false;

    bool Open() const { return graph != nullptr; }
    void Release() {
        if (control)
            control->Stop();
        SafeRelease(seeking);
        SafeRelease(control);
        SafeRelease(graph);
        if (comStarted) {
            CoUninitialize();
            comStarted = false;
        }
    }
};

Player g_player;

std::wstring Widen(const char* text) {
    const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 0)
        return std::wstring();
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], length);
    wide.resize(static_cast<std::size_t>(length - 1));
    return wide;
}

int Result(HRESULT hr) {
    return SUCCEEDED(hr) ? 1 : 0;
}

} // namespace

extern "C" {

int WINAPI TD_OpenFile(const char* path, HWND owner) {
    (void)owner; // the sound needs no window
    g_player.Release();
    if (!path || !*path)
        return 0;
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return 0;
    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    g_player.comStarted = SUCCEEDED(init);
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                  reinterpret_cast<void**>(&g_player.graph));
    if (SUCCEEDED(hr))
        hr = g_player.graph->RenderFile(Widen(path).c_str(), nullptr);
    if (SUCCEEDED(hr))
        hr = g_player.graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&g_player.control));
    if (SUCCEEDED(hr))
        hr = g_player.graph->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&g_player.seeking));
    if (FAILED(hr)) {
        g_player.Release();
        return 0;
    }
    // Opened paused at the start: the first run begins at once.
    g_player.control->Pause();
    return 1;
}

int WINAPI TD_Play() {
    return g_player.Open() ? Result(g_player.control->Run()) : 0;
}

int WINAPI TD_Pause() {
    return g_player.Open() ? Result(g_player.control->Pause()) : 0;
}

int WINAPI TD_Stop() {
    if (!g_player.Open())
        return 0;
    const HRESULT hr = g_player.control->Stop();
    LONGLONG start = 0;
    g_player.seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
    return Result(hr);
}

int WINAPI TD_Close() {
    const bool wasOpen = g_player.Open();
    g_player.Release();
    return wasOpen ? 1 : 0;
}

int WINAPI TD_GetDuration(std::int64_t* units) {
    if (!units)
        return 0;
    *units = 0;
    LONGLONG duration = 0;
    if (!g_player.Open() || FAILED(g_player.seeking->GetDuration(&duration)))
        return 0;
    *units = duration;
    return 1;
}

int WINAPI TD_GetPosition(std::int64_t* units) {
    if (!units)
        return 0;
    *units = 0;
    LONGLONG position = 0;
    if (!g_player.Open() || FAILED(g_player.seeking->GetCurrentPosition(&position)))
        return 0;
    *units = position;
    return 1;
}

int WINAPI TD_SetPosition(int seconds) {
    if (!g_player.Open())
        return 0;
    LONGLONG target = static_cast<LONGLONG>(seconds < 0 ? 0 : seconds) * 10000000;
    LONGLONG duration = 0;
    if (SUCCEEDED(g_player.seeking->GetDuration(&duration)) && duration > 0 && target > duration)
        target = duration;
    // Moved from a stopped graph, so a renderer that has seen the end takes data again; the graph
    // is then put back into the state it was in.
    OAFilterState state = State_Stopped;
    if (g_player.control->GetState(0, &state) == VFW_S_STATE_INTERMEDIATE)
        g_player.control->GetState(2000, &state);
    g_player.control->Stop();
    const HRESULT hr = g_player.seeking->SetPositions(&target, AM_SEEKING_AbsolutePositioning, nullptr,
                                                      AM_SEEKING_NoPositioning);
    if (state == State_Running)
        g_player.control->Run();
    else
        g_player.control->Pause();
    return Result(hr);
}

} // extern "C"

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_DETACH) {
        // Interfaces are not released here: COM may already be gone at process exit.
        g_player = Player();
    }
    return TRUE;
}
