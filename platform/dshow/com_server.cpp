// In-process COM server support of the DirectShow base library: class factory, module
// lifetime and the registry entries that make our filters creatable and enumerable.
#include "com_server.h"

#include "com_ptr.h"

#include <shlwapi.h>

#include <new>
#include <string>
#include <vector>

namespace dshow {

namespace {

volatile LONG g_moduleRefs = 0;

class ClassFactory final : public IClassFactory {
public:
    explicit ClassFactory(const ClassEntry& entry) : entry_(entry) { ModuleAddRef(); }
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG n = InterlockedDecrement(&refs_);
        if (n == 0)
            delete this;
        return n;
    }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        IUnknown* obj = nullptr;
        HRESULT hr = entry_.create(&obj);
        if (FAILED(hr))
            return hr;
        hr = obj->QueryInterface(iid, out);
        obj->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        if (lock)
            ModuleAddRef();
        else
            ModuleRelease();
        return S_OK;
    }

private:
    ~ClassFactory() { ModuleRelease(); }
    LONG refs_ = 1;
    ClassEntry entry_;
};

std::wstring GuidString(REFGUID g) {
    wchar_t buf[64];
    StringFromGUID2(g, buf, 64);
    return buf;
}

} // namespace

void ModuleAddRef() {
    InterlockedIncrement(&g_moduleRefs);
}
void ModuleRelease() {
    InterlockedDecrement(&g_moduleRefs);
}
HRESULT ModuleCanUnloadNow() {
    return g_moduleRefs == 0 ? S_OK : S_FALSE;
}

HRESULT GetClassObjectFromTable(const ClassEntry* table, size_t count, REFCLSID clsid, REFIID iid,
                                void** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    for (size_t i = 0; i < count; ++i) {
        if (*table[i].clsid == clsid) {
            auto* f = new (std::nothrow) ClassFactory(table[i]);
            if (!f)
                return E_OUTOFMEMORY;
            HRESULT hr = f->QueryInterface(iid, out);
            f->Release();
            return hr;
        }
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT RegisterInprocServer(HMODULE module, REFCLSID clsid, const wchar_t* name) {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(module, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return E_FAIL;
    std::wstring key = L"CLSID\\" + GuidString(clsid);
    HKEY hk = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &hk, nullptr))
        return E_ACCESSDENIED;
    RegSetValueExW(hk, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(name),
                   static_cast<DWORD>((wcslen(name) + 1) * sizeof(wchar_t)));
    HKEY inproc = nullptr;
    LONG err = RegCreateKeyExW(hk, L"InprocServer32", 0, nullptr, 0, KEY_WRITE, nullptr, &inproc, nullptr);
    RegCloseKey(hk);
    if (err)
        return E_ACCESSDENIED;
    static const wchar_t both[] = L"Both";
    RegSetValueExW(inproc, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path),
                   static_cast<DWORD>((wcslen(path) + 1) * sizeof(wchar_t)));
    RegSetValueExW(inproc, L"ThreadingModel", 0, REG_SZ, reinterpret_cast<const BYTE*>(both), sizeof both);
    RegCloseKey(inproc);
    return S_OK;
}

HRESULT UnregisterInprocServer(REFCLSID clsid) {
    std::wstring key = L"CLSID\\" + GuidString(clsid);
    LONG err = SHDeleteKeyW(HKEY_CLASSES_ROOT, key.c_str());
    return err == ERROR_SUCCESS || err == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(err);
}

HRESULT RegisterInCategory(REFCLSID category, REFCLSID clsid, const wchar_t* friendlyName,
                           const wchar_t* instance, DWORD merit) {
    ComPtr<IFilterMapper2> mapper;
    HRESULT hr = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                                  mapper.PutVoid());
    if (FAILED(hr))
        return hr;
    REGFILTER2 rf{};
    rf.dwVersion = 1;
    rf.dwMerit = merit;
    rf.cPins = 0;
    rf.rgPins = nullptr;
    return mapper->RegisterFilter(clsid, friendlyName, nullptr, &category, instance, &rf);
}

HRESULT UnregisterFromCategory(REFCLSID category, REFCLSID clsid, const wchar_t* instance) {
    ComPtr<IFilterMapper2> mapper;
    HRESULT hr = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                                  mapper.PutVoid());
    if (FAILED(hr))
        return hr;
    return mapper->UnregisterFilter(&category, instance, clsid);
}

void RemoveCategoryEntriesFor(REFCLSID category, REFCLSID clsid) {
    std::wstring key = L"CLSID\\" + GuidString(category) + L"\\Instance";
    HKEY hk = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ | KEY_WRITE, &hk))
        return;
    std::wstring want = GuidString(clsid);
    std::vector<std::wstring> doomed;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD len = 256;
        if (RegEnumKeyExW(hk, i, name, &len, nullptr, nullptr, nullptr, nullptr))
            break;
        wchar_t value[64] = {};
        DWORD bytes = sizeof value - sizeof(wchar_t);
        DWORD type = 0;
        HKEY entry = nullptr;
        if (RegOpenKeyExW(hk, name, 0, KEY_READ, &entry) != ERROR_SUCCESS)
            continue;
        if (RegQueryValueExW(entry, L"CLSID", nullptr, &type, reinterpret_cast<BYTE*>(value), &bytes) ==
                ERROR_SUCCESS &&
            type == REG_SZ && lstrcmpiW(value, want.c_str()) == 0)
            doomed.push_back(name);
        RegCloseKey(entry);
    }
    for (const std::wstring& d : doomed)
        SHDeleteKeyW(hk, d.c_str());
    RegCloseKey(hk);
}

} // namespace dshow
