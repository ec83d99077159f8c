// simcard.dll as a COM server: the class table, registration of the classes and of the
// chosen family's device-category entries, and the module's entry points.
#include <windows.h>

#include <dshow.h>

#include <cstdio>
#include <string>

#include "platform/simcard/broadcast.h"
#include "platform/simcard/card.h"
#include "platform/dshow/com_server.h"
#include "platform/simcard/family.h"
#include "platform/simcard/filters.h"
#include "platform/simcard/guids.h"
#include "platform/include/ks_tuner.h"

namespace {

HMODULE g_module = nullptr;

const dshow::ClassEntry kClasses[] = {
    {&simcard::kClsidCapture, L"Simulated Card Video Capture", simcard::CreateCaptureFilter},
    {&simcard::kClsidTuner, L"Simulated Card Tuner", simcard::CreateTunerFilter},
    {&simcard::kClsidCrossbar, L"Simulated Card Crossbar", simcard::CreateCrossbarFilter},
    {&simcard::kClsidAudio, L"Simulated Card Audio Capture", simcard::CreateAudioFilter},
    {&simcard::kClsidEncoder, L"Simulated Card MPEG Encoder", simcard::CreateEncoderFilter},
    {&simcard::kClsidGeneric, L"Simulated Generic Camera", simcard::CreateGenericFilter},
};
constexpr size_t kClassCount = sizeof kClasses / sizeof kClasses[0];

// The device categories the card's filters are listed in.
const GUID* const kCategories[] = {&CLSID_VideoInputDeviceCategory, &AM_KSCATEGORY_TVTUNER,
                                   &AM_KSCATEGORY_CROSSBAR, &CLSID_AudioInputDeviceCategory,
                                   &tunaro::kCategoryEncoder};

// Writes the default broadcast plan into [Config] when the file names no stations, so that
// the plan in use is visible (and editable) there.
void EnsurePlan(const std::string& path) {
    char buf[16];
    if (GetPrivateProfileStringA("Config", "TV1", "", buf, sizeof buf, path.c_str()) ||
        GetPrivateProfileStringA("Config", "FM1", "", buf, sizeof buf, path.c_str()))
        return;
    simcard::Plan plan = simcard::DefaultPlan();
    for (size_t i = 0; i < plan.tv.size(); ++i) {
        std::string key = "TV" + std::to_string(i + 1);
        WritePrivateProfileStringA("Config", key.c_str(), simcard::FormatTvStation(plan.tv[i]).c_str(),
                                   path.c_str());
    }
    for (size_t i = 0; i < plan.fm.size(); ++i) {
        std::string key = "FM" + std::to_string(i + 1);
        WritePrivateProfileStringA("Config", key.c_str(), simcard::FormatFmStation(plan.fm[i]).c_str(),
                                   path.c_str());
    }
}

HRESULT RegisterAll() {
    for (const dshow::ClassEntry& c : kClasses) {
        HRESULT hr = dshow::RegisterInprocServer(g_module, *c.clsid, c.name);
        if (FAILED(hr))
            return hr;
    }
    const std::string path = simcard::Card::IniPath();
    char family[64];
    GetPrivateProfileStringA("Config", "Family", "SAA7134", family, sizeof family, path.c_str());
    const simcard::FamilyInfo* info = simcard::FindFamily(family);
    if (!info)
        return E_INVALIDARG; // an unknown family: register nothing rather than a wrong card
    const bool generic = GetPrivateProfileIntA("Config", "GenericDevice", 0, path.c_str()) != 0;
    EnsurePlan(path);

    for (const GUID* cat : kCategories)
        for (const dshow::ClassEntry& c : kClasses)
            dshow::RemoveCategoryEntriesFor(*cat, *c.clsid);

    // The enumerator lists a category's entries in the order of their instance names.
    HRESULT hr = S_OK;
    auto reg = [&](REFCLSID cat, REFCLSID clsid, const wchar_t* name, const wchar_t* instance) {
        if (name && SUCCEEDED(hr))
            hr = dshow::RegisterInCategory(cat, clsid, name, instance);
    };
    if (generic)
        reg(CLSID_VideoInputDeviceCategory, simcard::kClsidGeneric, simcard::kGenericDeviceName,
            L"SimCard 1 Generic");
    reg(CLSID_VideoInputDeviceCategory, simcard::kClsidCapture, info->capture, L"SimCard 2 Capture");
    reg(AM_KSCATEGORY_TVTUNER, simcard::kClsidTuner, info->tuner, L"SimCard 2 Tuner");
    reg(AM_KSCATEGORY_CROSSBAR, simcard::kClsidCrossbar, info->crossbar, L"SimCard 2 Crossbar");
    reg(CLSID_AudioInputDeviceCategory, simcard::kClsidAudio, info->audio, L"SimCard 2 Audio");
    reg(tunaro::kCategoryEncoder, simcard::kClsidEncoder, info->encoder, L"SimCard 2 Encoder");
    return hr;
}

HRESULT UnregisterAll() {
    for (const GUID* cat : kCategories)
        for (const dshow::ClassEntry& c : kClasses)
            dshow::RemoveCategoryEntriesFor(*cat, *c.clsid);
    for (const dshow::ClassEntry& c : kClasses)
        dshow::UnregisterInprocServer(*c.clsid);
    return S_OK;
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    return dshow::GetClassObjectFromTable(kClasses, kClassCount, clsid, iid, out);
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllCanUnloadNow() {
    return dshow::ModuleCanUnloadNow();
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllRegisterServer() {
    HRESULT co = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    HRESULT hr = RegisterAll();
    if (SUCCEEDED(co))
        CoUninitialize();
    return hr;
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllUnregisterServer() {
    HRESULT co = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    HRESULT hr = UnregisterAll();
    if (SUCCEEDED(co))
        CoUninitialize();
    return hr;
}

// Test support: forget the card's state and read simcard.ini [Config] again, as a freshly
// loaded driver would. Only while none of the card's filters exists.
extern "C" __declspec(dllexport) HRESULT WINAPI SimCardReset() {
    if (dshow::ModuleCanUnloadNow() != S_OK)
        return VFW_E_WRONG_STATE;
    simcard::Card::Get().Reset();
    return S_OK;
}
