// The key queue shared by the receiver library and irsend: a named mapping of the session with a
// named mutex around every access.
#pragma once

#include <windows.h>

#include "platform/irrecv/key_ring.h"

namespace tunaro::irrecv {

// Both names live in the session's own namespace: each logged-on user has a receiver of their own.
constexpr const char* kRingMappingName = "Local\\TunaroIrRecv.Keys";
constexpr const char* kRingMutexName = "Local\\TunaroIrRecv.Lock";

class SharedRing {
public:
    SharedRing() = default;
    SharedRing(const SharedRing&) = delete;
    SharedRing& operator=(const SharedRing&) = delete;
    ~SharedRing() { Close(); }

    // Maps the queue, making it when it does not exist yet. False when that fails.
    bool Open();
    void Close();
    bool IsOpen() const { return m_ring != nullptr; }

    // The queue while it is locked; null when the lock could not be had within timeoutMs.
    KeyRing* Lock(DWORD timeoutMs);
    void Unlock();

private:
    HANDLE m_mapping = nullptr;
    HANDLE m_mutex = nullptr;
    KeyRing* m_ring = nullptr;
};

// Holds the queue's lock for a scope.
class RingLock {
public:
    RingLock(SharedRing& shared, DWORD timeoutMs) : m_shared(shared), m_ring(shared.Lock(timeoutMs)) {}
    ~RingLock() {
        if (m_ring)
            m_shared.Unlock();
    }
    RingLock(const RingLock&) = delete;
    RingLock& operator=(const RingLock&) = delete;
    KeyRing* operator->() const { return m_ring; }
    KeyRing* Get() const { return m_ring; }
    explicit operator bool() const { return m_ring != nullptr; }

private:
    SharedRing& m_shared;
    KeyRing* m_ring;
};

} // namespace tunaro::irrecv
