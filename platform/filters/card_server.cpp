// COM server of the card software's outside filters (cardfilters.ax): class objects and their
// registration, also in the DirectShow filter category so the filters can be found by name.
#include "filters.h"

#include "dshow/com_server.h"
#include "outside_filters.h"

#include <uuids.h>

namespace {

HMODULE g_module = nullptr;

const dshow::ClassEntry kClasses[] = {
    {&tunaro::kClsidFrameGrabber, L"Frame Grabber", filters::CreateFrameGrabber},
    {&tunaro::kClsidDispOptimQrt, tunaro::kNameDispOptim, filters::CreateDispOptimQrt},
    {&tunaro::kClsidDispOptim, tunaro::kNameDispOptim, filters::CreateDispOptim},
    {&tunaro::kClsidDeinterlacer, tunaro::kNameDeinterlacer, filters::CreateDeinterlacer},
    {&tunaro::kClsidVideoInvert, tunaro::kNameVideoInvert, filters::CreateVideoInvert},
    {&tunaro::kClsidDownSize, tunaro::kNameDownSize, filters::CreateDownSize},
};
constexpr size_t kClassCount = sizeof kClasses / sizeof kClasses[0];

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
    HRESULT hr = S_OK;
    for (const dshow::ClassEntry& c : kClasses) {
        hr = dshow::RegisterInprocServer(g_module, *c.clsid, c.name);
        if (FAILED(hr))
            break;
        wchar_t instance[64];
        StringFromGUID2(*c.clsid, instance, 64);
        hr = dshow::RegisterInCategory(CLSID_LegacyAmFilterCategory, *c.clsid, c.name, instance,
                                       MERIT_DO_NOT_USE);
        if (FAILED(hr))
            break;
    }
    if (SUCCEEDED(init))
        CoUninitialize();
    return hr;
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllUnregisterServer() {
    HRESULT init = CoInitialize(nullptr);
    for (const dshow::ClassEntry& c : kClasses) {
        dshow::RemoveCategoryEntriesFor(CLSID_LegacyAmFilterCategory, *c.clsid);
        dshow::UnregisterInprocServer(*c.clsid);
    }
    if (SUCCEEDED(init))
        CoUninitialize();
    return S_OK;
}
