// The IUnknown half of the small heap COM objects of the base library (enumerators, class
// factories, builders): one interface besides IUnknown, a reference count that starts at the
// creator's one reference, and delete at the last Release.
#pragma once

#include <windows.h>

#include <unknwn.h>

namespace dshow {

template <class Interface> class ComObject : public Interface {
public:
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == m_iid) {
            *out = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG n = InterlockedDecrement(&m_refs);
        if (n == 0)
            delete this;
        return static_cast<ULONG>(n);
    }

protected:
    // iid names the one interface handed out; it must outlive the object (the SDK's IID_
    // constants do).
    explicit ComObject(REFIID iid) : m_iid(iid) {}
    virtual ~ComObject() = default;

private:
    const IID& m_iid;
    volatile LONG m_refs = 1;
};

} // namespace dshow
