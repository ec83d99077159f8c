// The infrared receiver library (IrRecv.dll), loaded at run time: its entry points resolved by
// name, each call made only when the library and that entry point are there.
#pragma once

#include <windows.h>

#include <cstdint>

#include "framework/raii.h"

namespace tunaro::remote {

constexpr const char* kReceiverLibrary = "IrRecv.dll";

class Receiver {
public:
    Receiver() = default;
    Receiver(const Receiver&) = delete;
    Receiver& operator=(const Receiver&) = delete;
    ~Receiver() { Unload(); }

    // Loads the library from the usual search path and resolves its entry points; true when it
    // is loaded (already or now). Without it nothing is resolved and every call below does nothing.
    bool Load();
    void Unload();
    bool Loaded() const { return m_library.valid(); }

    // Opens the receiver; false when the library is missing or reports it is not ready.
    bool Start();
    // The code of the last key, kNoKey when none is pending or the receiver cannot be read.
    uint32_t Read();
    // Closes the receiver.
    void Stop();

private:
    using StartFn = int(WINAPI*)();
    using ReadRemoteFn = int(WINAPI*)(int32_t* code);
    using FindCardFn = int(WINAPI*)();
    using StopFn = int(WINAPI*)();

    Library m_library;
    StartFn m_start = nullptr;
    ReadRemoteFn m_readRemote = nullptr;
    FindCardFn m_findCard = nullptr; // resolved with the others; the agent has no use for it
    StopFn m_stop = nullptr;
};

} // namespace tunaro::remote
