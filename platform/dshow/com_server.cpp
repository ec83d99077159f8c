// In-process COM server support of the DirectShow base library: class factory, module
// lifetime and the registry entries that make our filters creatable and enumerable.
#include "platform/dshow/com_server.h"
#include "platform/dshow/com_object.h"

#include "platform/dshow/com_ptr.h"

#include <shlwapi.h>

#include <cstdio>
#include <new>
#include <string>
#include <vector>

namespace dshow {

namespace {

volatile LONG g_moduleRefs = 0;

class ClassFactory final : public ComObject<IClassFactory> {
public:
    explicit ClassFactory(const ClassEntry& entry) : ComObject(IID_IClassFactory), m_entry(entry) {
        ModuleAddRef();
    }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        IUnknown* obj = nullptr;
        HRESULT hr = m_entry.create(&obj);
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
    ~ClassFactory() override { ModuleRelease(); }
    ClassEntry m_entry;
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
    static const wchar_t kBoth[] = L"Both";
    RegSetValueExW(inproc, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path),
                   static_cast<DWORD>((wcslen(path) + 1) * sizeof(wchar_t)));
    RegSetValueExW(inproc, L"ThreadingModel", 0, REG_SZ, reinterpret_cast<const BYTE*>(kBoth), sizeof kBoth);
    RegCloseKey(inproc);
    return S_OK;
}

HRESULT UnregisterInprocServer(REFCLSID clsid) {
    std::wstring key = L"CLSID\\" + GuidString(clsid);
    LONG err = SHDeleteKeyW(HKEY_CLASSES_ROOT, key.c_str());
    return err == ERROR_SUCCESS || err == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(err);
}

HRESULT RegisterInCategory(REFCLSID category, REFCLSID clsid, const wchar_t* friendlyName,
                           const wchar_t* instance, DWORD merit, const REGFILTERPINS* pins, ULONG pinCount) {
    ComPtr<IFilterMapper2> mapper;
    HRESULT hr = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                                  mapper.PutVoid());
    if (FAILED(hr))
        return hr;
    REGFILTER2 rf{};
    rf.dwVersion = 1;
    rf.dwMerit = merit;
    rf.cPins = pins ? pinCount : 0;
    rf.rgPins = pins;
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

// ---- servers of stand-ins ---------------------------------------------------------------------

HRESULT ServerGetClassObject(const ServerClass* table, size_t count, REFCLSID clsid, REFIID iid, void** out) {
    std::vector<ClassEntry> entries;
    for (size_t i = 0; i < count; ++i)
        entries.push_back(table[i].entry);
    return GetClassObjectFromTable(entries.data(), entries.size(), clsid, iid, out);
}

namespace {

// Values under CLSID\{clsid} that keep what a stand-in replaced, so removing it gives the class
// back to the system's server.
constexpr wchar_t kReplacedServer[] = L"TunaroReplacedServer";
constexpr wchar_t kReplacedThreading[] = L"TunaroReplacedThreading";
constexpr wchar_t kReplacedName[] = L"TunaroReplacedName";

std::wstring ReadString(const std::wstring& key, const wchar_t* value) {
    wchar_t buf[MAX_PATH * 2] = {};
    DWORD bytes = sizeof buf - sizeof(wchar_t);
    DWORD type = 0;
    HKEY hk = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &hk) != ERROR_SUCCESS)
        return L"";
    LONG err = RegQueryValueExW(hk, value, nullptr, &type, reinterpret_cast<BYTE*>(buf), &bytes);
    RegCloseKey(hk);
    return err == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ) ? buf : L"";
}

void WriteString(const std::wstring& key, const wchar_t* value, const std::wstring& text) {
    HKEY hk = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &hk, nullptr))
        return;
    RegSetValueExW(hk, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(hk);
}

void DeleteValue(const std::wstring& key, const wchar_t* value) {
    HKEY hk = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_WRITE, &hk) != ERROR_SUCCESS)
        return;
    RegDeleteValueW(hk, value);
    RegCloseKey(hk);
}

std::wstring ModulePath(HMODULE module) {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(module, path, MAX_PATH);
    return n && n < MAX_PATH ? path : L"";
}

HRESULT RegisterClass(HMODULE module, const ServerClass& c) {
    const std::wstring key = L"CLSID\\" + GuidString(*c.entry.clsid), inproc = key + L"\\InprocServer32";
    const std::wstring previous = ReadString(inproc, nullptr);
    if (!previous.empty() && lstrcmpiW(previous.c_str(), ModulePath(module).c_str()) != 0 &&
        ReadString(key, kReplacedServer).empty()) {
        // The system's server stays on record beside ours.
        WriteString(key, kReplacedServer, previous);
        WriteString(key, kReplacedThreading, ReadString(inproc, L"ThreadingModel"));
        WriteString(key, kReplacedName, ReadString(key, nullptr));
    }
    HRESULT hr = RegisterInprocServer(module, *c.entry.clsid, c.entry.name);
    if (FAILED(hr) || !c.category)
        return hr;
    // Our own entry in the category; an entry of the system's for the same class stays.
    wchar_t instance[64];
    StringFromGUID2(*c.entry.clsid, instance, 64);
    UnregisterFromCategory(*c.category, *c.entry.clsid, instance);
    return RegisterInCategory(*c.category, *c.entry.clsid, c.listedName ? c.listedName : c.entry.name,
                              instance, c.merit, c.pins, c.pinCount);
}

// Undoes RegisterClass while the class is still served by this module.
void UnregisterClass(HMODULE module, const ServerClass& c) {
    const std::wstring key = L"CLSID\\" + GuidString(*c.entry.clsid), inproc = key + L"\\InprocServer32";
    const std::wstring server = ReadString(inproc, nullptr);
    if (!server.empty() && lstrcmpiW(server.c_str(), ModulePath(module).c_str()) != 0)
        return; // another server took the class over since
    if (c.category) {
        wchar_t instance[64];
        StringFromGUID2(*c.entry.clsid, instance, 64);
        UnregisterFromCategory(*c.category, *c.entry.clsid, instance);
    }
    const std::wstring replaced = ReadString(key, kReplacedServer);
    if (replaced.empty()) {
        UnregisterInprocServer(*c.entry.clsid);
        return;
    }
    WriteString(inproc, nullptr, replaced);
    const std::wstring threading = ReadString(key, kReplacedThreading);
    if (!threading.empty())
        WriteString(inproc, L"ThreadingModel", threading);
    WriteString(key, nullptr, ReadString(key, kReplacedName));
    for (const wchar_t* v : {kReplacedServer, kReplacedThreading, kReplacedName})
        DeleteValue(key, v);
}

// Appends a line to the file %TUNARO_STANDIN_LOG% names (installation scripts show it).
void Log(const wchar_t* key, const std::string& text) {
    char path[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("TUNARO_STANDIN_LOG", path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return;
    FILE* f = fopen(path, "a");
    if (!f)
        return;
    fprintf(f, "%ls: %s\n", key, text.c_str());
    fclose(f);
}

bool Named(const wchar_t* list, const wchar_t* key) {
    for (const wchar_t* p = list; p && *p;) {
        while (*p == L',' || *p == L' ')
            ++p;
        const wchar_t* e = p;
        while (*e && *e != L',' && *e != L' ')
            ++e;
        if (e > p && static_cast<size_t>(e - p) == wcslen(key) &&
            _wcsnicmp(p, key, static_cast<size_t>(e - p)) == 0)
            return true;
        p = e;
    }
    return false;
}

} // namespace

HRESULT ServerInstall(HMODULE module, const ServerClass* table, size_t count, BOOL install, LPCWSTR cmdLine) {
    HRESULT init = CoInitialize(nullptr);
    const bool automatic = cmdLine && _wcsicmp(cmdLine, L"auto") == 0;
    const bool all = !cmdLine || !*cmdLine;
    bool any = false;
    HRESULT result = S_OK;
    for (size_t i = 0; i < count; ++i) {
        const ServerClass& c = table[i];
        if (!install) {
            if (all || automatic || Named(cmdLine, c.key)) {
                UnregisterClass(module, c);
                any = true;
            }
            continue;
        }
        std::string why = c.needed ? "named for installation" : "an outside component";
        if (automatic && c.needed) {
            if (!c.needed(&why)) {
                Log(c.key, why + "; stand-in not registered");
                any = true;
                continue;
            }
        } else if (!automatic && !all && !Named(cmdLine, c.key)) {
            continue;
        }
        any = true;
        HRESULT hr = RegisterClass(module, c);
        Log(c.key, why + (SUCCEEDED(hr) ? "; registered" : "; registration FAILED"));
        if (FAILED(hr))
            result = hr;
    }
    if (SUCCEEDED(init))
        CoUninitialize();
    return any ? result : E_INVALIDARG;
}

bool SystemLacksClass(REFCLSID clsid, std::string* reason) {
    std::wstring key = L"CLSID\\" + GuidString(clsid) + L"\\InprocServer32";
    HKEY hk = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &hk) != ERROR_SUCCESS) {
        *reason = "none in the system";
        return true;
    }
    RegCloseKey(hk);
    ComPtr<IUnknown> obj;
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, obj.PutVoid());
    if (FAILED(hr)) {
        *reason = SystemMethodFailed("class factory", hr);
        return true;
    }
    *reason = "the system has its own";
    return false;
}

std::string SystemMethodFailed(const char* what, HRESULT hr) {
    char text[128];
    snprintf(text, sizeof text, "the system's %s returns 0x%08lx", what, static_cast<unsigned long>(hr));
    return text;
}

} // namespace dshow
