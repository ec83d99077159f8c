// Test harness for simcard.dll: loads the freshly built DLL, points it at a private
// simcard.ini, creates its filters through its class factory, and collects samples.
#pragma once

#include <windows.h>

#include <dshow.h>

#include <string>
#include <vector>

#include "platform/dshow/filter.h"

namespace harness {

const GUID kClsidCapture = {0xcf315ca1, 0xb349, 0x4b6e, {0xae, 0xf6, 0x4f, 0x07, 0xa0, 0xb7, 0x00, 0xce}};
const GUID kClsidTuner = {0x98930832, 0x315a, 0x4e21, {0xab, 0x12, 0x9b, 0x6c, 0x2a, 0x9a, 0xf3, 0x6e}};
const GUID kClsidCrossbar = {0x733d3993, 0x89d6, 0x4d0a, {0xa4, 0x66, 0x82, 0x00, 0x88, 0x39, 0xb0, 0xe7}};
const GUID kClsidAudio = {0x801fb41a, 0xb2d4, 0x4584, {0x9b, 0x6d, 0x79, 0xa3, 0x2f, 0x43, 0x17, 0xc7}};
const GUID kClsidEncoder = {0x4db5286b, 0x88f3, 0x4e63, {0xa4, 0xf3, 0x9f, 0x3d, 0x07, 0x02, 0x52, 0xe6}};
const GUID kClsidGeneric = {0xb5699a2d, 0x29f8, 0x4ae2, {0xbe, 0xd9, 0x77, 0x4f, 0x9d, 0xfe, 0x91, 0x24}};

inline std::string ExeDir() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.find_last_of("\\/"));
}

// simcard.dll from the build, with its configuration in a file of our own.
class Card {
public:
    Card() {
        char tmp[MAX_PATH];
        GetTempPathA(MAX_PATH, tmp);
        m_ini = std::string(tmp) + "simcard-test-" + std::to_string(GetCurrentProcessId()) + ".ini";
        SetEnvironmentVariableA("TUNARO_SIMCARD_INI", m_ini.c_str());
        m_module = LoadLibraryA((ExeDir() + "\\simcard.dll").c_str());
        if (m_module) {
            m_getClass = reinterpret_cast<GetClassFn>(
                reinterpret_cast<void*>(GetProcAddress(m_module, "DllGetClassObject")));
            m_register = reinterpret_cast<VoidFn>(
                reinterpret_cast<void*>(GetProcAddress(m_module, "DllRegisterServer")));
            m_reset =
                reinterpret_cast<VoidFn>(reinterpret_cast<void*>(GetProcAddress(m_module, "SimCardReset")));
        }
    }
    ~Card() { DeleteFileA(m_ini.c_str()); }
    bool Loaded() const { return m_getClass && m_register && m_reset; }
    const std::string& Ini() const { return m_ini; }

    // A fresh card of the family (the driver reloaded with a new [Config]).
    HRESULT Configure(const char* family, bool generic = false, const char* extraKey = nullptr,
                      const char* extraValue = nullptr) {
        DeleteFileA(m_ini.c_str());
        WritePrivateProfileStringA("Config", "Family", family, m_ini.c_str());
        WritePrivateProfileStringA("Config", "GenericDevice", generic ? "1" : "0", m_ini.c_str());
        if (extraKey)
            WritePrivateProfileStringA("Config", extraKey, extraValue, m_ini.c_str());
        return m_reset();
    }
    HRESULT Register() { return m_register(); }

    dshow::ComPtr<IBaseFilter> Create(REFCLSID clsid, HRESULT* result = nullptr) {
        dshow::ComPtr<IClassFactory> factory;
        dshow::ComPtr<IBaseFilter> filter;
        HRESULT hr = m_getClass(clsid, IID_IClassFactory, factory.PutVoid());
        if (SUCCEEDED(hr))
            hr = factory->CreateInstance(nullptr, IID_IBaseFilter, filter.PutVoid());
        if (result)
            *result = hr;
        return filter;
    }

    std::string State(const char* key) {
        char buf[256];
        GetPrivateProfileStringA("State", key, "<missing>", buf, sizeof buf, m_ini.c_str());
        return buf;
    }
    long StateLong(const char* key) { return atol(State(key).c_str()); }

private:
    using GetClassFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    using VoidFn = HRESULT(WINAPI*)();
    std::string m_ini;
    HMODULE m_module = nullptr;
    GetClassFn m_getClass = nullptr;
    VoidFn m_register = nullptr;
    VoidFn m_reset = nullptr;
};

// The n-th pin of a filter in a direction (as engines address "output pin 1").
inline dshow::ComPtr<IPin> PinOf(IBaseFilter* f, PIN_DIRECTION dir, int n) {
    dshow::ComPtr<IEnumPins> pins;
    if (FAILED(f->EnumPins(pins.Put())))
        return {};
    IPin* p = nullptr;
    int i = 0;
    while (pins->Next(1, &p, nullptr) == S_OK) {
        dshow::ComPtr<IPin> pin;
        pin.Attach(p);
        PIN_DIRECTION d;
        pin->QueryDirection(&d);
        if (d == dir && i++ == n)
            return pin;
    }
    return {};
}

inline std::wstring PinName(IPin* p) {
    PIN_INFO info{};
    p->QueryPinInfo(&info);
    if (info.pFilter)
        info.pFilter->Release();
    return info.achName;
}

// A sink that keeps copies of what it receives (the last few samples in full).
struct Got {
    REFERENCE_TIME start = 0, stop = 0;
    std::vector<BYTE> data;
};

class SinkPin : public dshow::InputPin {
public:
    SinkPin(dshow::BaseFilter* f, const GUID& major) : InputPin(f, L"In"), m_major(major) {}
    HRESULT GetMediaType(int, dshow::MediaType*) override { return VFW_S_NO_MORE_ITEMS; }
    HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override {
        return mt->majortype == m_major ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    STDMETHODIMP Receive(IMediaSample* s) override {
        HRESULT hr = CheckStreaming();
        if (hr != S_OK)
            return hr;
        Got g;
        s->GetTime(&g.start, &g.stop);
        BYTE* p = nullptr;
        s->GetPointer(&p);
        g.data.assign(p, p + s->GetActualDataLength());
        dshow::AutoLock lock(m_lock);
        m_got.push_back(std::move(g));
        if (m_got.size() > 40)
            m_got.erase(m_got.begin());
        ++m_count;
        return S_OK;
    }
    std::vector<Got> Take() {
        dshow::AutoLock lock(m_lock);
        std::vector<Got> r;
        r.swap(m_got);
        return r;
    }
    long Count() {
        dshow::AutoLock lock(m_lock);
        return m_count;
    }

private:
    GUID m_major;
    dshow::CritSec m_lock;
    std::vector<Got> m_got;
    long m_count = 0;
};

const CLSID kSinkClsid = {0x2f0c7a55, 0x51e9, 0x4c4e, {0x8a, 0x30, 0x61, 0x0b, 0x6b, 0x3a, 0x7e, 0x02}};

class Sink : public dshow::BaseFilter {
public:
    explicit Sink(const GUID& major) : BaseFilter(kSinkClsid, L"Sink") {
        pin = new SinkPin(this, major);
        AddPin(pin);
    }
    SinkPin* pin;
};

} // namespace harness
