// Graph plumbing of the platform's recording tests.
#include "tests/platform/graph_support.h"

#include "platform/dshow/media_type.h"

#include <cstdlib>

using dshow::ComPtr;

namespace graphtest {

ComPtr<IBaseFilter> BindCard() {
    ComPtr<IBaseFilter> filter;
    ComPtr<ICreateDevEnum> devs;
    if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                devs.PutVoid())))
        return filter;
    ComPtr<IEnumMoniker> e;
    if (devs->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, e.Put(), 0) != S_OK)
        return filter;
    IMoniker* m = nullptr;
    while (!filter && e->Next(1, &m, nullptr) == S_OK) {
        ComPtr<IMoniker> mon;
        mon.Attach(m);
        mon->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.PutVoid());
    }
    return filter;
}

ComPtr<IPin> PinOf(IBaseFilter* f, PIN_DIRECTION dir, int n) {
    ComPtr<IEnumPins> pins;
    if (!f || FAILED(f->EnumPins(pins.Put())))
        return {};
    IPin* p = nullptr;
    int i = 0;
    while (pins->Next(1, &p, nullptr) == S_OK) {
        ComPtr<IPin> pin;
        pin.Attach(p);
        PIN_DIRECTION d;
        pin->QueryDirection(&d);
        if (d == dir && i++ == n)
            return pin;
    }
    return {};
}

ComPtr<IPin> OutputCarrying(IBaseFilter* f, REFGUID major) {
    for (int i = 0;; ++i) {
        ComPtr<IPin> p = PinOf(f, PINDIR_OUTPUT, i);
        if (!p)
            return {};
        ComPtr<IEnumMediaTypes> types;
        AM_MEDIA_TYPE* first = nullptr;
        if (SUCCEEDED(p->EnumMediaTypes(types.Put())) && types->Next(1, &first, nullptr) == S_OK && first) {
            const bool match = first->majortype == major;
            dshow::DeleteMediaType(first);
            if (match)
                return p;
        }
    }
}

ComPtr<IBaseFilter> FindByName(REFCLSID category, const wchar_t* name) {
    ComPtr<ICreateDevEnum> devs;
    ComPtr<IEnumMoniker> e;
    ComPtr<IMoniker> last;
    if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                devs.PutVoid())) ||
        devs->CreateClassEnumerator(category, e.Put(), 0) != S_OK)
        return {};
    IMoniker* m = nullptr;
    while (e->Next(1, &m, nullptr) == S_OK) {
        ComPtr<IMoniker> mon;
        mon.Attach(m);
        ComPtr<IPropertyBag> bag;
        VARIANT v;
        VariantInit(&v);
        if (SUCCEEDED(mon->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.PutVoid())) &&
            SUCCEEDED(bag->Read(L"FriendlyName", &v, nullptr)) && v.vt == VT_BSTR && wcsstr(v.bstrVal, name))
            last = mon;
        VariantClear(&v);
    }
    ComPtr<IBaseFilter> f;
    if (last)
        last->BindToObject(nullptr, nullptr, IID_IBaseFilter, f.PutVoid());
    return f;
}

void StopEach(IGraphBuilder* graph) {
    ComPtr<IEnumFilters> all;
    if (!graph || FAILED(graph->EnumFilters(all.Put())))
        return;
    IBaseFilter* f = nullptr;
    while (all->Next(1, &f, nullptr) == S_OK) {
        f->Stop();
        f->Release();
    }
}

std::string TempFile(const char* name) {
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + name;
}

std::wstring Wide(const std::string& s) {
    return std::wstring(s.begin(), s.end());
}

double Number(const std::map<std::string, std::string>& m, const std::string& key) {
    auto it = m.find(key);
    return it == m.end() ? -1 : atof(it->second.c_str());
}

std::string Text(const std::map<std::string, std::string>& m, const std::string& key) {
    auto it = m.find(key);
    return it == m.end() ? "<missing>" : it->second;
}

std::string StreamOf(const std::map<std::string, std::string>& m, const char* type) {
    for (int i = 0; i < 8; ++i) {
        const std::string s = "streams.stream." + std::to_string(i) + ".";
        if (Text(m, s + "codec_type") == type)
            return s;
    }
    return "streams.stream.none.";
}

} // namespace graphtest
