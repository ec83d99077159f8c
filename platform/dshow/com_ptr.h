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
    ComPtr(T* p) : p_(p) { // takes an extra reference
        if (p_)
            p_->AddRef();
    }
    ComPtr(const ComPtr& o) : ComPtr(o.p_) {}
    ComPtr(ComPtr&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
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
            p_ = o.p_;
            o.p_ = nullptr;
        }
        return *this;
    }
    void Reset() {
        if (p_) {
            T* p = p_;
            p_ = nullptr;
            p->Release();
        }
    }
    // Adopts a reference the caller already owns (no AddRef).
    void Attach(T* p) {
        Reset();
        p_ = p;
    }
    T* Detach() {
        T* p = p_;
        p_ = nullptr;
        return p;
    }
    // For out-parameters: releases what is held and returns the slot.
    T** Put() {
        Reset();
        return &p_;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }
    void Swap(ComPtr& o) {
        T* t = p_;
        p_ = o.p_;
        o.p_ = t;
    }
    // Copies out a new reference (for interface out-parameters).
    HRESULT CopyTo(T** out) const {
        if (!out)
            return E_POINTER;
        *out = p_;
        if (p_)
            p_->AddRef();
        return S_OK;
    }
    template <class U> HRESULT As(ComPtr<U>& out, REFIID iid) const {
        if (!p_)
            return E_POINTER;
        return p_->QueryInterface(iid, out.PutVoid());
    }
    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

// A critical section and its scoped lock.
class CritSec {
public:
    CritSec() { InitializeCriticalSection(&cs_); }
    ~CritSec() { DeleteCriticalSection(&cs_); }
    CritSec(const CritSec&) = delete;
    CritSec& operator=(const CritSec&) = delete;
    void Lock() { EnterCriticalSection(&cs_); }
    void Unlock() { LeaveCriticalSection(&cs_); }

private:
    CRITICAL_SECTION cs_;
};

class AutoLock {
public:
    explicit AutoLock(CritSec& cs) : cs_(cs) { cs_.Lock(); }
    ~AutoLock() { cs_.Unlock(); }
    AutoLock(const AutoLock&) = delete;
    AutoLock& operator=(const AutoLock&) = delete;

private:
    CritSec& cs_;
};

// An owned kernel handle (events, threads).
class Handle {
public:
    Handle() = default;
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() { Reset(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    void Reset(HANDLE h = nullptr) {
        if (h_)
            CloseHandle(h_);
        h_ = h;
    }
    HANDLE Get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }

private:
    HANDLE h_ = nullptr;
};

} // namespace dshow
