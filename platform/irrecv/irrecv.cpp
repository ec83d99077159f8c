// IrRecv.dll: the infrared receiver of the tuner card. It sits on the card, so without a card
// (the simulated card's family NONE) it does not open. Received keys come from the session's
// key queue, which irsend.exe fills.
#include <windows.h>

#include <cstring>

#include "platform/irrecv/shared_ring.h"

using namespace tunaro::irrecv;

namespace {

// How long a call waits for the queue's lock before it answers "no key".
constexpr DWORD kLockTimeoutMs = 1000;
// While the process is ending, the lock is not worth more than this.
constexpr DWORD kExitLockTimeoutMs = 100;

SharedRing g_shared;
bool g_started = false;
CRITICAL_SECTION g_calls; // the entry points may be called from any thread of the process

// The card's configuration, as its driver keeps it in the system directory; without it there is
// no card.
bool CardPresent() {
    char path[MAX_PATH] = {0};
    const UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH - 16)
        return false;
    lstrcatA(path, "\\simcard.ini");
    char family[64] = {0};
    GetPrivateProfileStringA("Config", "Family", "NONE", family, sizeof family, path);
    return lstrcmpiA(family, "NONE") != 0;
}

void StopReceiver(DWORD lockTimeoutMs) {
    if (!g_started)
        return;
    g_started = false;
    {
        RingLock ring(g_shared, lockTimeoutMs);
        if (ring && ring->listeners > 0)
            --ring->listeners;
    }
    g_shared.Close();
}

class CallGuard {
public:
    CallGuard() { EnterCriticalSection(&g_calls); }
    ~CallGuard() { LeaveCriticalSection(&g_calls); }
    CallGuard(const CallGuard&) = delete;
    CallGuard& operator=(const CallGuard&) = delete;
};

} // namespace

// The entry points keep the names the receiver's callers look up.
// NOLINTBEGIN(readability-identifier-naming)

// Nonzero when a card with its receiver is fitted.
extern "C" __declspec(dllexport) int WINAPI Zel3in1_FindCard() {
    return CardPresent() ? 1 : 0;
}

// Opens the receiver; nonzero when it is ready to be read.
extern "C" __declspec(dllexport) int WINAPI Zel3in1_Start() {
    CallGuard guard;
    if (g_started)
        return 1;
    if (!CardPresent() || !g_shared.Open())
        return 0;
    RingLock ring(g_shared, kLockTimeoutMs);
    if (!ring) {
        g_shared.Close();
        return 0;
    }
    ++ring->listeners;
    g_started = true;
    return 1;
}

// The last key's code into *code (255 when none is pending); nonzero when a key was there.
extern "C" __declspec(dllexport) int WINAPI Zel3in1_ReadRemote(int32_t* code) {
    CallGuard guard;
    if (!code)
        return 0;
    *code = static_cast<int32_t>(kNoKey);
    if (!g_started)
        return 0;
    RingLock ring(g_shared, kLockTimeoutMs);
    if (!ring)
        return 0;
    const uint32_t key = ReadKey(*ring.Get(), GetTickCount());
    *code = static_cast<int32_t>(key);
    return key != kNoKey ? 1 : 0;
}

// Closes the receiver.
extern "C" __declspec(dllexport) int WINAPI Zel3in1_Stop() {
    CallGuard guard;
    const bool wasStarted = g_started;
    StopReceiver(kLockTimeoutMs);
    return wasStarted ? 1 : 0;
}

// NOLINTEND(readability-identifier-naming)

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        InitializeCriticalSection(&g_calls);
    } else if (reason == DLL_PROCESS_DETACH) {
        // Unloaded without Stop, or the process is ending: the receiver closes all the same.
        StopReceiver(reserved ? kExitLockTimeoutMs : kLockTimeoutMs);
        DeleteCriticalSection(&g_calls);
    }
    return TRUE;
}
