// Owning COM interface pointer and a critical-section lock: the two RAII holders every
// filter of the DirectShow base library uses.
#pragma once

#include <windows.h>

#include <unknwn.h>

namespace dshow {

// Holds one reference to a COM interface; releases it on destruction or reset.
template <class T> class ComPtr {
public:
    ComPtr() = default;
    ComPtr(T* p) : m_p(p) { // takes an extra reference
        if (m_p)
            m_p->AddRef();
    }
    ComPtr(const ComPtr& o) : ComPtr(o.m_p) {}
    ComPtr(ComPtr&& o) noexcept : m_p(o.m_p) { o.m_p = nullptr; }
    ~ComPtr() { Reset(); }
    ComPtr& operator=(const ComPtr& o) {
        if (this != &o) {
            ComPtr tmp(o);
            Swap(tmp);
        }
        return *this;
    }
    ComPtr& operator=(ComPtr&& o) noexcept {
        if (this != &o) {
            Reset();
            m_p = o.m_p;
            o.m_p = nullptr;
        }
        return *this;
    }
    void Reset() {
        if (m_p) {
            T* p = m_p;
            m_p = nullptr;
            p->Release();
        }
    }
    // Adopts a reference the caller already owns (no AddRef).
    void Attach(T* p) {
        Reset();
        m_p = p;
    }
    T* Detach() {
        T* p = m_p;
        m_p = nullptr;
        return p;
    }
    // For out-parameters: releases what is held and returns the slot.
    T** Put() {
        Reset();
        return &m_p;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }
    void Swap(ComPtr& o) {
        T* t = m_p;
        m_p = o.m_p;
        o.m_p = t;
    }
    // Copies out a new reference (for interface out-parameters).
    HRESULT CopyTo(T** out) const {
        if (!out)
            return E_POINTER;
        *out = m_p;
        if (m_p)
            m_p->AddRef();
        return S_OK;
    }
    template <class U> HRESULT As(ComPtr<U>& out, REFIID iid) const {
        if (!m_p)
            return E_POINTER;
        return m_p->QueryInterface(iid, out.PutVoid());
    }
    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

private:
    T* m_p = nullptr;
};

// A critical section and its scoped lock.
class CritSec {
public:
    CritSec() { InitializeCriticalSection(&m_cs); }
    ~CritSec() { DeleteCriticalSection(&m_cs); }
    CritSec(const CritSec&) = delete;
    CritSec& operator=(const CritSec&) = delete;
    void Lock() { EnterCriticalSection(&m_cs); }
    void Unlock() { LeaveCriticalSection(&m_cs); }

private:
    CRITICAL_SECTION m_cs;
};

class AutoLock {
public:
    explicit AutoLock(CritSec& cs) : m_cs(cs) { m_cs.Lock(); }
    ~AutoLock() { m_cs.Unlock(); }
    AutoLock(const AutoLock&) = delete;
    AutoLock& operator=(const AutoLock&) = delete;

private:
    CritSec& m_cs;
};

// An owned kernel handle (events, threads).
class Handle {
public:
    Handle() = default;
    explicit Handle(HANDLE h) : m_h(h) {}
    ~Handle() { Reset(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    void Reset(HANDLE h = nullptr) {
        if (m_h)
            CloseHandle(m_h);
        m_h = h;
    }
    HANDLE Get() const { return m_h; }
    explicit operator bool() const { return m_h != nullptr; }

private:
    HANDLE m_h = nullptr;
};

} // namespace dshow
