// Mapping the shared key queue and locking it; a fresh mapping is filled with zeros by the
// system, and the first program to lock it makes it a queue.
#include "platform/irrecv/shared_ring.h"

namespace tunaro::irrecv {

bool SharedRing::Open() {
    if (m_ring)
        return true;
    m_mutex = CreateMutexA(nullptr, FALSE, kRingMutexName);
    m_mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(KeyRing),
                                   kRingMappingName);
    if (m_mutex && m_mapping)
        m_ring = static_cast<KeyRing*>(MapViewOfFile(m_mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(KeyRing)));
    if (!m_ring) {
        Close();
        return false;
    }
    if (Lock(5000)) {
        InitRing(*m_ring);
        Unlock();
    }
    return true;
}

void SharedRing::Close() {
    if (m_ring)
        UnmapViewOfFile(m_ring);
    m_ring = nullptr;
    if (m_mapping)
        CloseHandle(m_mapping);
    m_mapping = nullptr;
    if (m_mutex)
        CloseHandle(m_mutex);
    m_mutex = nullptr;
}

KeyRing* SharedRing::Lock(DWORD timeoutMs) {
    if (!m_ring)
        return nullptr;
    // A program that ended while holding the lock leaves it abandoned: it is ours then.
    const DWORD wait = WaitForSingleObject(m_mutex, timeoutMs);
    if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED)
        return nullptr;
    InitRing(*m_ring);
    return m_ring;
}

void SharedRing::Unlock() {
    if (m_mutex)
        ReleaseMutex(m_mutex);
}

} // namespace tunaro::irrecv
