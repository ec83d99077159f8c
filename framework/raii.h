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
    explicit ComPtr(T* p) : m_p(p) {
        if (m_p)
            m_p->AddRef();
    }
    ComPtr(const ComPtr& o) : ComPtr(o.m_p) {}
    ComPtr(ComPtr&& o) noexcept : m_p(o.m_p) { o.m_p = nullptr; }
    ~ComPtr() { Release(); }

    ComPtr& operator=(const ComPtr& o) {
        if (this != &o) {
            if (o.m_p)
                o.m_p->AddRef();
            Release();
            m_p = o.m_p;
        }
        return *this;
    }
    ComPtr& operator=(ComPtr&& o) noexcept {
        if (this != &o) {
            Release();
            m_p = o.m_p;
            o.m_p = nullptr;
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
        m_p = p;
    }
    // Gives up ownership without releasing.
    T* Detach() {
        T* p = m_p;
        m_p = nullptr;
        return p;
    }
    void Release() {
        if (m_p) {
            T* p = m_p;
            m_p = nullptr;
            p->Release();
        }
    }
    // For out-parameters: releases the current pointer first.
    T** Receive() {
        Release();
        return &m_p;
    }
    void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }

    T* get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

    // QueryInterface into another holder; returns the COM result.
    template <class U> HRESULT As(ComPtr<U>& out) const {
        if (!m_p) {
            out = nullptr;
            return E_POINTER;
        }
        return m_p->QueryInterface(__uuidof(U), out.ReceiveVoid());
    }
    // CoCreateInstance into this holder.
    HRESULT CreateInstance(REFCLSID clsid, DWORD context = CLSCTX_INPROC_SERVER) {
        return CoCreateInstance(clsid, nullptr, context, __uuidof(T), ReceiveVoid());
    }

private:
    T* m_p = nullptr;
};

// Generic move-only owner of a handle-like value. Traits supply Invalid() and Close(h).
template <class Traits> class UniqueHandle {
public:
    using Type = typename Traits::Type;

    UniqueHandle() = default;
    explicit UniqueHandle(Type h) : m_h(h) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& o) noexcept : m_h(o.Detach()) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o)
            Reset(o.Detach());
        return *this;
    }
    ~UniqueHandle() { Reset(); }

    void Reset(Type h = Traits::Invalid()) {
        if (m_h != Traits::Invalid() && m_h != h)
            Traits::Close(m_h);
        m_h = h;
    }
    Type Detach() {
        Type h = m_h;
        m_h = Traits::Invalid();
        return h;
    }
    // For out-parameters: closes the current handle first.
    Type* Receive() {
        Reset();
        return &m_h;
    }
    Type get() const { return m_h; }
    bool valid() const { return m_h != Traits::Invalid(); }
    explicit operator bool() const { return valid(); }

private:
    Type m_h = Traits::Invalid();
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
    explicit WindowDc(HWND hwnd) : m_hwnd(hwnd), m_dc(GetDC(hwnd)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() {
        if (m_dc)
            ReleaseDC(m_hwnd, m_dc);
    }
    HDC get() const { return m_dc; }
    explicit operator bool() const { return m_dc != nullptr; }

private:
    HWND m_hwnd;
    HDC m_dc;
};

// BeginPaint/EndPaint around a WM_PAINT handler.
class PaintDc {
public:
    explicit PaintDc(HWND hwnd) : m_hwnd(hwnd), m_dc(BeginPaint(hwnd, &m_ps)) {}
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    ~PaintDc() { EndPaint(m_hwnd, &m_ps); }
    HDC get() const { return m_dc; }
    const PAINTSTRUCT& ps() const { return m_ps; }

private:
    HWND m_hwnd;
    PAINTSTRUCT m_ps{};
    HDC m_dc;
};

// Selects a GDI object into a DC and puts the previous one back on scope exit.
class SelectObjectScope {
public:
    SelectObjectScope(HDC dc, HGDIOBJ obj) : m_dc(dc), m_old(SelectObject(dc, obj)) {}
    SelectObjectScope(const SelectObjectScope&) = delete;
    SelectObjectScope& operator=(const SelectObjectScope&) = delete;
    ~SelectObjectScope() {
        if (m_old && m_old != HGDI_ERROR)
            SelectObject(m_dc, m_old);
    }

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

// A critical section and its scoped lock (the TV wall guards its frame buffers with one).
class CriticalSection {
public:
    CriticalSection() { InitializeCriticalSection(&m_cs); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;
    ~CriticalSection() { DeleteCriticalSection(&m_cs); }
    void Enter() { EnterCriticalSection(&m_cs); }
    void Leave() { LeaveCriticalSection(&m_cs); }

private:
    CRITICAL_SECTION m_cs;
};

class CriticalSectionLock {
public:
    explicit CriticalSectionLock(CriticalSection& cs) : m_cs(cs) { m_cs.Enter(); }
    CriticalSectionLock(const CriticalSectionLock&) = delete;
    CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;
    ~CriticalSectionLock() { m_cs.Leave(); }

private:
    CriticalSection& m_cs;
};

// CoInitialize for the lifetime of the holder; CoUninitialize only if it succeeded.
class ComInit {
public:
    explicit ComInit(DWORD model = COINIT_APARTMENTTHREADED) : m_hr(CoInitializeEx(nullptr, model)) {}
    ComInit(const ComInit&) = delete;
    ComInit& operator=(const ComInit&) = delete;
    ~ComInit() {
        if (SUCCEEDED(m_hr))
            CoUninitialize();
    }
    HRESULT result() const { return m_hr; }

private:
    HRESULT m_hr;
};

} // namespace tunaro
