// COM server of the stand-ins for stock filters the system may lack (stockfilters.ax): the
// Infinite Pin Tee and the Overlay Mixer. DllInstall registers the ones named on its command
// line, so an installation takes only what its system does not have.
#include "filters.h"

#include "dshow/com_server.h"

#include <uuids.h>

#include <cwchar>

namespace {

HMODULE g_module = nullptr;

const dshow::ClassEntry kClasses[] = {
    {&CLSID_InfTee, L"Infinite Pin Tee Filter", filters::CreateInfTee},
    {&CLSID_OverlayMixer, L"Overlay Mixer", filters::CreateOverlayMixer},
};
// Their names on the DllInstall command line.
const wchar_t* const kKeys[] = {L"InfTee", L"OverlayMixer"};
constexpr size_t kClassCount = sizeof kClasses / sizeof kClasses[0];

HRESULT RegisterOne(const dshow::ClassEntry& c) {
    HRESULT hr = dshow::RegisterInprocServer(g_module, *c.clsid, c.name);
    if (FAILED(hr))
        return hr;
    wchar_t instance[64];
    StringFromGUID2(*c.clsid, instance, 64);
    return dshow::RegisterInCategory(CLSID_LegacyAmFilterCategory, *c.clsid, c.name, instance,
                                     MERIT_DO_NOT_USE);
}

void UnregisterOne(const dshow::ClassEntry& c) {
    dshow::RemoveCategoryEntriesFor(CLSID_LegacyAmFilterCategory, *c.clsid);
    dshow::UnregisterInprocServer(*c.clsid);
}

// Runs fn on each class named in the comma- or space-separated list (all for null or empty).
// E_INVALIDARG for a name that is not ours.
template <class F> HRESULT ForNamed(const wchar_t* list, F fn) {
    bool all = !list || !*list;
    bool any = false;
    for (size_t i = 0; i < kClassCount; ++i) {
        bool named = all;
        for (const wchar_t* p = list; !named && p && *p;) {
            while (*p == L',' || *p == L' ')
                ++p;
            const wchar_t* e = p;
            while (*e && *e != L',' && *e != L' ')
                ++e;
            if (e > p && static_cast<size_t>(e - p) == wcslen(kKeys[i]) &&
                _wcsnicmp(p, kKeys[i], static_cast<size_t>(e - p)) == 0)
                named = true;
            p = e;
        }
        if (!named)
            continue;
        any = true;
        HRESULT hr = fn(kClasses[i]);
        if (FAILED(hr))
            return hr;
    }
    return any ? S_OK : E_INVALIDARG;
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE
    DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    return dshow::GetClassObjectFromTable(kClasses, kClassCount, clsid, iid, out);
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return dshow::ModuleCanUnloadNow();
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllRegisterServer() {
    HRESULT init = CoInitialize(nullptr);
    HRESULT hr = ForNamed(nullptr, RegisterOne);
    if (SUCCEEDED(init))
        CoUninitialize();
    return hr;
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllUnregisterServer() {
    HRESULT init = CoInitialize(nullptr);
    ForNamed(nullptr, [](const dshow::ClassEntry& c) {
        UnregisterOne(c);
        return S_OK;
    });
    if (SUCCEEDED(init))
        CoUninitialize();
    return S_OK;
}

// regsvr32 /i:"InfTee,OverlayMixer" /n stockfilters.ax registers just those classes.
extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllInstall(BOOL install, LPCWSTR cmdLine) {
    HRESULT init = CoInitialize(nullptr);
    HRESULT hr = install ? ForNamed(cmdLine, RegisterOne) : ForNamed(cmdLine, [](const dshow::ClassEntry& c) {
        UnregisterOne(c);
        return S_OK;
    });
    if (SUCCEEDED(init))
        CoUninitialize();
    return hr;
}
