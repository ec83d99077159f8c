// FilmDeck.dll: plays one movie file at a time in a window of its caller, through a DirectShow
// playback graph the filter graph manager builds from the system's source filters, splitters
// and decoders. Entries by number only (see filmdeck.def); all are plain C calls made on the
// caller's window thread.
//
//   1  int Open(HWND owner, const char* path, HWND owner2)  0 = ready to play, else the failure
//   2  int Play()                 3  int Pause()              5  int Close()
//   6  int Duration(int64_t*)     7  int Position(int64_t*)   (100-ns units)
//   8  int Seek(long seconds)     relative; 0 rewinds to the start
//  12  int SetOwner(HWND, HWND)   13 int Place(left, top, right, bottom)
//  19  int SetFullScreenOwner(HWND, HWND)
#include <windows.h>
#include <dshow.h>

#include <cstdint>
#include <cwchar>
#include <string>

namespace {

constexpr LONGLONG kUnitsPerSecond = 10000000;
constexpr DWORD kCueWaitMs = 5000;

template <class T> void Release(T*& p) {
    if (p) {
        p->Release();
        p = nullptr;
    }
}

struct Player {
    IGraphBuilder* graph = nullptr;
    IMediaControl* control = nullptr;
    IMediaSeeking* seeking = nullptr;
    IMediaEvent* events = nullptr;
    IVideoWindow* window = nullptr; // null when the file has no picture
    HWND owner = nullptr;
    bool complete = false; // the graph reported the end of every stream
    bool comStarted = false;
};

Player g_player;

void DrainEvents() {
    if (!g_player.events)
        return;
    long code = 0;
    LONG_PTR first = 0, second = 0;
    while (g_player.events->GetEvent(&code, &first, &second, 0) == S_OK) {
        if (code == EC_COMPLETE)
            g_player.complete = true;
        g_player.events->FreeEventParams(code, first, second);
    }
}

LONGLONG DurationUnits() {
    LONGLONG duration = 0;
    if (!g_player.seeking || FAILED(g_player.seeking->GetDuration(&duration)) || duration < 0)
        return 0;
    return duration;
}

void FitToOwner() {
    if (!g_player.window || !g_player.owner)
        return;
    RECT rc = {};
    GetClientRect(g_player.owner, &rc);
    g_player.window->SetWindowPosition(0, 0, rc.right - rc.left, rc.bottom - rc.top);
}

// The renderer's window is made top-level without an owner before it is put into the caller's;
// a taskbar that listed it then keeps its button while it lives without an owner. Owned by the
// window it is shown in, it is never listed. Found, while still top-level, by a caption no
// other window has.
void GiveOwner(HWND owner) {
    BSTR caption = nullptr;
    if (!owner || FAILED(g_player.window->get_Caption(&caption)))
        return;
    static LONG madeCount = 0;
    wchar_t unique[64];
    std::swprintf(unique, 64, L"FilmDeck %lu-%ld", static_cast<unsigned long>(GetCurrentProcessId()),
                  static_cast<long>(InterlockedIncrement(&madeCount)));
    BSTR marker = SysAllocString(unique);
    if (marker && SUCCEEDED(g_player.window->put_Caption(marker))) {
        HWND hwnd = FindWindowW(nullptr, unique);
        DWORD pid = 0;
        if (hwnd && GetWindowThreadProcessId(hwnd, &pid) && pid == GetCurrentProcessId() &&
            !(GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD))
            SetWindowLongPtrW(hwnd, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
        g_player.window->put_Caption(caption);
    }
    SysFreeString(marker);
    SysFreeString(caption);
}

int AttachTo(HWND owner) {
    g_player.owner = owner;
    if (!g_player.window)
        return 0; // sound only: nothing to show
    g_player.window->put_AutoShow(OAFALSE);
    if (!owner) {
        // No window to play in: the picture is kept hidden rather than shown on its own.
        g_player.window->put_Visible(OAFALSE);
        g_player.window->put_Owner(0);
        return 0;
    }
    GiveOwner(owner);
    g_player.window->put_Owner(reinterpret_cast<OAHWND>(owner));
    g_player.window->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
    g_player.window->put_MessageDrain(reinterpret_cast<OAHWND>(owner));
    FitToOwner();
    g_player.window->put_Visible(OATRUE);
    return 0;
}

} // namespace

extern "C" {

int __cdecl FilmDeckClose() {
    if (g_player.control)
        g_player.control->Stop();
    if (g_player.window) {
        g_player.window->put_Visible(OAFALSE);
        g_player.window->put_MessageDrain(0);
        g_player.window->put_Owner(0);
    }
    Release(g_player.window);
    Release(g_player.events);
    Release(g_player.seeking);
    Release(g_player.control);
    Release(g_player.graph);
    g_player.owner = nullptr;
    g_player.complete = false;
    if (g_player.comStarted) {
        CoUninitialize();
        g_player.comStarted = false;
    }
    return 0;
}

int __cdecl FilmDeckOpen(HWND owner, const char* path, HWND /*owner2*/) {
    FilmDeckClose();
    if (!path || !*path)
        return static_cast<int>(E_INVALIDARG);
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    g_player.comStarted = SUCCEEDED(com);

    const int length = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
    if (length <= 0) {
        FilmDeckClose();
        return static_cast<int>(E_INVALIDARG);
    }
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, path, -1, &wide[0], length);

    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                  reinterpret_cast<void**>(&g_player.graph));
    if (SUCCEEDED(hr))
        hr = g_player.graph->RenderFile(wide.c_str(), nullptr);
    if (SUCCEEDED(hr))
        hr = g_player.graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&g_player.control));
    if (SUCCEEDED(hr))
        hr = g_player.graph->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&g_player.seeking));
    if (SUCCEEDED(hr))
        hr = g_player.graph->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(&g_player.events));
    if (FAILED(hr)) {
        FilmDeckClose();
        return hr == S_OK ? 1 : static_cast<int>(hr);
    }
    g_player.seeking->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME);
    // A file without a picture has a window interface but no renderer behind it.
    if (SUCCEEDED(
            g_player.graph->QueryInterface(IID_IVideoWindow, reinterpret_cast<void**>(&g_player.window)))) {
        long visible = 0;
        if (FAILED(g_player.window->get_Visible(&visible)))
            Release(g_player.window);
    }
    AttachTo(owner);
    // Cued, so the first picture shows and the duration is known before playing.
    g_player.control->Pause();
    OAFilterState state = State_Stopped;
    g_player.control->GetState(kCueWaitMs, &state);
    return 0;
}

int __cdecl FilmDeckPlay() {
    if (!g_player.control)
        return 1;
    DrainEvents();
    if (g_player.complete) {
        // Played to the end: again from the start, moved while the graph stands still.
        g_player.control->Stop();
        LONGLONG start = 0;
        g_player.seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr,
                                       AM_SEEKING_NoPositioning);
        g_player.complete = false;
    }
    return SUCCEEDED(g_player.control->Run()) ? 0 : 1;
}

int __cdecl FilmDeckPause() {
    if (!g_player.control)
        return 1;
    return SUCCEEDED(g_player.control->Pause()) ? 0 : 1;
}

int __cdecl FilmDeckDuration(int64_t* duration) {
    if (!duration)
        return 1;
    *duration = DurationUnits();
    return g_player.seeking ? 0 : 1;
}

int __cdecl FilmDeckPosition(int64_t* position) {
    if (!position)
        return 1;
    *position = 0;
    if (!g_player.seeking)
        return 1;
    DrainEvents();
    const LONGLONG duration = DurationUnits();
    LONGLONG current = 0;
    if (g_player.complete)
        current = duration;
    else if (FAILED(g_player.seeking->GetCurrentPosition(&current)))
        return 1;
    if (current < 0)
        current = 0;
    if (duration > 0 && current > duration)
        current = duration;
    *position = current;
    return 0;
}

int __cdecl FilmDeckSeek(long seconds) {
    if (!g_player.seeking)
        return 1;
    DrainEvents();
    const LONGLONG duration = DurationUnits();
    LONGLONG target = 0;
    if (seconds != 0) {
        LONGLONG current = 0;
        if (g_player.complete)
            current = duration;
        else
            g_player.seeking->GetCurrentPosition(&current);
        target = current + static_cast<LONGLONG>(seconds) * kUnitsPerSecond;
        if (target < 0)
            target = 0;
        if (target > duration)
            target = duration;
    }
    // Moved while the graph stands still, so renderers that have seen the end take data again;
    // the graph then goes back to running, or stays cued.
    OAFilterState state = State_Stopped;
    if (g_player.control->GetState(0, &state) == VFW_S_STATE_INTERMEDIATE)
        g_player.control->GetState(kCueWaitMs, &state);
    g_player.control->Stop();
    const HRESULT hr = g_player.seeking->SetPositions(&target, AM_SEEKING_AbsolutePositioning, nullptr,
                                                      AM_SEEKING_NoPositioning);
    g_player.complete = duration > 0 && target >= duration;
    if (state == State_Running && !g_player.complete)
        g_player.control->Run();
    else
        g_player.control->Pause();
    return SUCCEEDED(hr) ? 0 : 1;
}

int __cdecl FilmDeckSetOwner(HWND owner, HWND /*again*/) {
    return AttachTo(owner);
}

int __cdecl FilmDeckPlace(long left, long top, long right, long bottom) {
    if (!g_player.window)
        return 1;
    return SUCCEEDED(g_player.window->SetWindowPosition(left, top, right - left, bottom - top)) ? 0 : 1;
}

int __cdecl FilmDeckSetFullScreenOwner(HWND owner, HWND /*again*/) {
    return AttachTo(owner);
}

} // extern "C"

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    // Nothing is released on unloading: COM may be gone by then. Entry 5 releases the playback.
    if (reason == DLL_PROCESS_DETACH)
        g_player = Player();
    return TRUE;
}
