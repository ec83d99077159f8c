// Owning holders for COM references and Win32 handles: each releases what it holds exactly once.
// Move-only (ComPtr also copies, with AddRef); no exceptions, no hidden allocation.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <utility>

namespace tunaro {

// A COM interface pointer that is released when the holder goes away.
// Attach/Detach move a reference in or out without touching the count; &p (Receive) releases
// the old pointer and hands out the address for an out-parameter.
template <class T> class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes an additional reference to p (the caller keeps its own).
    explicit ComPtr(T* p) : p_(p) {
        if (p_)
            p_->AddRef();
    }
    ComPtr(const ComPtr& o) : ComPtr(o.p_) {}
    ComPtr(ComPtr&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    ~ComPtr() { Release(); }

    ComPtr& operator=(const ComPtr& o) {
        if (this != &o) {
            if (o.p_)
                o.p_->AddRef();
            Release();
            p_ = o.p_;
        }
        return *this;
    }
    ComPtr& operator=(ComPtr&& o) noexcept {
        if (this != &o) {
            Release();
            p_ = o.p_;
            o.p_ = nullptr;
        }
        return *this;
    }
    ComPtr& operator=(std::nullptr_t) {
        Release();
        return *this;
    }

    // Adopts a reference the caller already owns.
    void Attach(T* p) {
        Release();
        p_ = p;
    }
    // Gives up ownership without releasing.
    T* Detach() {
        T* p = p_;
        p_ = nullptr;
        return p;
    }
    void Release() {
        if (p_) {
            T* p = p_;
            p_ = nullptr;
            p->Release();
        }
    }
    // For out-parameters: releases the current pointer first.
    T** Receive() {
        Release();
        return &p_;
    }
    void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

    // QueryInterface into another holder; returns the COM result.
    template <class U> HRESULT As(ComPtr<U>& out) const {
        if (!p_) {
            out = nullptr;
            return E_POINTER;
        }
        return p_->QueryInterface(__uuidof(U), out.ReceiveVoid());
    }
    // CoCreateInstance into this holder.
    HRESULT CreateInstance(REFCLSID clsid, DWORD context = CLSCTX_INPROC_SERVER) {
        return CoCreateInstance(clsid, nullptr, context, __uuidof(T), ReceiveVoid());
    }

private:
    T* p_ = nullptr;
};

// Generic move-only owner of a handle-like value. Traits supply Invalid() and Close(h).
template <class Traits> class UniqueHandle {
public:
    using Type = typename Traits::Type;

    UniqueHandle() = default;
    explicit UniqueHandle(Type h) : h_(h) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& o) noexcept : h_(o.Detach()) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o)
            Reset(o.Detach());
        return *this;
    }
    ~UniqueHandle() { Reset(); }

    void Reset(Type h = Traits::Invalid()) {
        if (h_ != Traits::Invalid() && h_ != h)
            Traits::Close(h_);
        h_ = h;
    }
    Type Detach() {
        Type h = h_;
        h_ = Traits::Invalid();
        return h;
    }
    // For out-parameters: closes the current handle first.
    Type* Receive() {
        Reset();
        return &h_;
    }
    Type get() const { return h_; }
    bool valid() const { return h_ != Traits::Invalid(); }
    explicit operator bool() const { return valid(); }

private:
    Type h_ = Traits::Invalid();
};

namespace detail {
struct KernelHandleTraits { // events, mutexes, threads, processes: null when absent
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { CloseHandle(h); }
};
struct FileHandleTraits { // CreateFile and friends: INVALID_HANDLE_VALUE when absent
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) { CloseHandle(h); }
};
struct FindHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) { FindClose(h); }
};
struct RegKeyTraits {
    using Type = HKEY;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { RegCloseKey(h); }
};
template <class T> struct GdiTraits {
    using Type = T;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { DeleteObject(h); }
};
struct MemoryDcTraits { // CreateCompatibleDC / CreateDC
    using Type = HDC;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { DeleteDC(h); }
};
struct MenuTraits {
    using Type = HMENU;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { DestroyMenu(h); }
};
struct IconTraits { // CreateIcon / CopyIcon / ExtractIcon; not for shared LoadIcon results
    using Type = HICON;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { DestroyIcon(h); }
};
struct LibraryTraits {
    using Type = HMODULE;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { FreeLibrary(h); }
};
struct AccelTraits {
    using Type = HACCEL;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { DestroyAcceleratorTable(h); }
};
} // namespace detail

using Handle = UniqueHandle<detail::KernelHandleTraits>;
using FileHandle = UniqueHandle<detail::FileHandleTraits>;
using FindHandle = UniqueHandle<detail::FindHandleTraits>;
using RegKey = UniqueHandle<detail::RegKeyTraits>;
using Bitmap = UniqueHandle<detail::GdiTraits<HBITMAP>>;
using Font = UniqueHandle<detail::GdiTraits<HFONT>>;
using Brush = UniqueHandle<detail::GdiTraits<HBRUSH>>;
using Pen = UniqueHandle<detail::GdiTraits<HPEN>>;
using Region = UniqueHandle<detail::GdiTraits<HRGN>>;
using Palette = UniqueHandle<detail::GdiTraits<HPALETTE>>;
using MemoryDc = UniqueHandle<detail::MemoryDcTraits>;
using Menu = UniqueHandle<detail::MenuTraits>;
using Icon = UniqueHandle<detail::IconTraits>;
using Library = UniqueHandle<detail::LibraryTraits>;
// Only for tables made with CreateAcceleratorTable; LoadAccelerators tables belong to the module.
using AcceleratorTable = UniqueHandle<detail::AccelTraits>;

// A window's device context from GetDC, given back with ReleaseDC.
class WindowDc {
public:
    explicit WindowDc(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() {
        if (dc_)
            ReleaseDC(hwnd_, dc_);
    }
    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND hwnd_;
    HDC dc_;
};

// BeginPaint/EndPaint around a WM_PAINT handler.
class PaintDc {
public:
    explicit PaintDc(HWND hwnd) : hwnd_(hwnd), dc_(BeginPaint(hwnd, &ps_)) {}
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    ~PaintDc() { EndPaint(hwnd_, &ps_); }
    HDC get() const { return dc_; }
    const PAINTSTRUCT& ps() const { return ps_; }

private:
    HWND hwnd_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

// Selects a GDI object into a DC and puts the previous one back on scope exit.
class SelectObjectScope {
public:
    SelectObjectScope(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
    SelectObjectScope(const SelectObjectScope&) = delete;
    SelectObjectScope& operator=(const SelectObjectScope&) = delete;
    ~SelectObjectScope() {
        if (old_ && old_ != HGDI_ERROR)
            SelectObject(dc_, old_);
    }

private:
    HDC dc_;
    HGDIOBJ old_;
};

// A critical section and its scoped lock (the TV wall guards its frame buffers with one).
class CriticalSection {
public:
    CriticalSection() { InitializeCriticalSection(&cs_); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;
    ~CriticalSection() { DeleteCriticalSection(&cs_); }
    void Enter() { EnterCriticalSection(&cs_); }
    void Leave() { LeaveCriticalSection(&cs_); }

private:
    CRITICAL_SECTION cs_;
};

class CriticalSectionLock {
public:
    explicit CriticalSectionLock(CriticalSection& cs) : cs_(cs) { cs_.Enter(); }
    CriticalSectionLock(const CriticalSectionLock&) = delete;
    CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;
    ~CriticalSectionLock() { cs_.Leave(); }

private:
    CriticalSection& cs_;
};

// CoInitialize for the lifetime of the holder; CoUninitialize only if it succeeded.
class ComInit {
public:
    explicit ComInit(DWORD model = COINIT_APARTMENTTHREADED) : hr_(CoInitializeEx(nullptr, model)) {}
    ComInit(const ComInit&) = delete;
    ComInit& operator=(const ComInit&) = delete;
    ~ComInit() {
        if (SUCCEEDED(hr_))
            CoUninitialize();
    }
    HRESULT result() const { return hr_; }

private:
    HRESULT hr_;
};

} // namespace tunaro
