// Helpers for IKsPropertySet buffers: a property structure is read from the full buffer when
// the caller passed one, else from the instance data that follows its 24-byte header.
#pragma once

#include <windows.h>

#include <cstring>

#include "platform/include/ks_tuner.h"

namespace simcard {

// Copies the caller's input into s (header included when present). False when neither
// buffer is large enough.
template <class S> bool ReadKsInput(S* s, const void* inst, DWORD instLen, const void* data, DWORD dataLen) {
    memset(s, 0, sizeof *s);
    const size_t body = sizeof(S) - sizeof(tunaro::KsPropertyHeader);
    if (data && dataLen >= sizeof(S)) {
        memcpy(s, data, sizeof(S));
        // Instance data, when given separately, is what the caller meant as input.
        if (inst && inst != static_cast<const BYTE*>(data) + sizeof(tunaro::KsPropertyHeader) &&
            instLen >= body)
            memcpy(reinterpret_cast<BYTE*>(s) + sizeof(tunaro::KsPropertyHeader), inst, body);
        return true;
    }
    if (inst && instLen >= body) {
        memcpy(reinterpret_cast<BYTE*>(s) + sizeof(tunaro::KsPropertyHeader), inst, body);
        return true;
    }
    return false;
}

// Writes s's fields after the header into the caller's buffer (header left as it was).
template <class S> HRESULT WriteKsOutput(const S& s, void* data, DWORD dataLen, DWORD* returned) {
    if (!data)
        return E_POINTER;
    if (dataLen < sizeof(S))
        return E_UNEXPECTED;
    memcpy(static_cast<BYTE*>(data) + sizeof(tunaro::KsPropertyHeader),
           reinterpret_cast<const BYTE*>(&s) + sizeof(tunaro::KsPropertyHeader),
           sizeof(S) - sizeof(tunaro::KsPropertyHeader));
    if (returned)
        *returned = sizeof(S);
    return S_OK;
}

} // namespace simcard
