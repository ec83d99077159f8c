// DirectShow helpers of the engine: device enumeration, names, pins and graph files.
#include "engine/dshow_util.h"

#include <dvdmedia.h>

namespace tunaro {

std::string Narrow(const std::wstring& text) {
    char buffer[260] = {};
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, buffer, sizeof buffer - 1, nullptr, nullptr);
    return buffer;
}

std::wstring Widen(const char* text) {
    if (!text)
        return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (n <= 0)
        return {};
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, &out[0], n);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

bool ReadFriendlyName(IMoniker* moniker, std::string* name) {
    ComPtr<IPropertyBag> bag;
    if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.ReceiveVoid())))
        return false;
    VARIANT v;
    VariantInit(&v);
    const bool ok = SUCCEEDED(bag->Read(L"FriendlyName", &v, nullptr)) && v.vt == VT_BSTR && v.bstrVal;
    if (ok && name)
        *name = Narrow(v.bstrVal);
    VariantClear(&v);
    return ok;
}

std::wstring DisplayName(IMoniker* moniker) {
    std::wstring out;
    LPOLESTR text = nullptr;
    if (moniker && SUCCEEDED(moniker->GetDisplayName(nullptr, nullptr, &text)) && text) {
        out = text;
        CoTaskMemFree(text);
    }
    return out;
}

HRESULT ForEachDevice(const GUID& category,
                      const std::function<bool(IMoniker*, bool hasName, const std::string& name)>& visit) {
    ComPtr<ICreateDevEnum> devices;
    HRESULT hr = devices.CreateInstance(CLSID_SystemDeviceEnum);
    if (FAILED(hr))
        return hr;
    ComPtr<IEnumMoniker> monikers;
    hr = devices->CreateClassEnumerator(category, monikers.Receive(), 0);
    if (hr != S_OK || !monikers)
        return S_FALSE;
    ComPtr<IMoniker> moniker;
    while (monikers->Next(1, moniker.Receive(), nullptr) == S_OK) {
        std::string name;
        const bool hasName = ReadFriendlyName(moniker.get(), &name);
        if (!visit(moniker.get(), hasName, name))
            break;
    }
    return S_OK;
}

ComPtr<IPin> PinAt(IBaseFilter* filter, PIN_DIRECTION direction, int index) {
    ComPtr<IPin> found;
    ComPtr<IEnumPins> pins;
    if (!filter || index < 0 || FAILED(filter->EnumPins(pins.Receive())))
        return found;
    ComPtr<IPin> pin;
    int seen = 0;
    while (pins->Next(1, pin.Receive(), nullptr) == S_OK) {
        PIN_DIRECTION d;
        if (SUCCEEDED(pin->QueryDirection(&d)) && d == direction && seen++ == index) {
            found = pin;
            break;
        }
    }
    return found;
}

void DeleteMediaType(AM_MEDIA_TYPE* type) {
    if (!type)
        return;
    if (type->cbFormat && type->pbFormat)
        CoTaskMemFree(type->pbFormat);
    if (type->pUnk)
        type->pUnk->Release();
    CoTaskMemFree(type);
}

BITMAPINFOHEADER* BitmapHeaderOf(AM_MEDIA_TYPE& type) {
    if (IsEqualGUID(type.formattype, FORMAT_VideoInfo) && type.cbFormat >= sizeof(VIDEOINFOHEADER))
        return &reinterpret_cast<VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader;
    if (IsEqualGUID(type.formattype, FORMAT_VideoInfo2) && type.cbFormat >= sizeof(VIDEOINFOHEADER2))
        return &reinterpret_cast<VIDEOINFOHEADER2*>(type.pbFormat)->bmiHeader;
    return nullptr;
}

bool FrameSizeOf(const AM_MEDIA_TYPE& type, long* width, long* height) {
    const BITMAPINFOHEADER* bmi = BitmapHeaderOf(const_cast<AM_MEDIA_TYPE&>(type));
    if (!bmi)
        return false;
    *width = bmi->biWidth;
    *height = bmi->biHeight < 0 ? -bmi->biHeight : bmi->biHeight;
    return true;
}

namespace {

bool PinCategoryIs(IPin* pin, const GUID& category) {
    ComPtr<IKsPropertySet> ks;
    if (FAILED(pin->QueryInterface(IID_IKsPropertySet, ks.ReceiveVoid())))
        return false;
    GUID pinCategory = GUID_NULL;
    DWORD returned = 0;
    if (FAILED(ks->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &pinCategory, sizeof pinCategory,
                       &returned)))
        return false;
    return returned == sizeof pinCategory && IsEqualGUID(pinCategory, category);
}

bool PinOffers(IPin* pin, const GUID& majorType) {
    AM_MEDIA_TYPE connected = {};
    if (pin->ConnectionMediaType(&connected) == S_OK) {
        const bool match = IsEqualGUID(connected.majortype, majorType);
        if (connected.pbFormat)
            CoTaskMemFree(connected.pbFormat);
        if (connected.pUnk)
            connected.pUnk->Release();
        return match;
    }
    ComPtr<IEnumMediaTypes> types;
    if (FAILED(pin->EnumMediaTypes(types.Receive())))
        return false;
    AM_MEDIA_TYPE* type = nullptr;
    bool match = false;
    while (!match && types->Next(1, &type, nullptr) == S_OK) {
        match = IsEqualGUID(type->majortype, majorType);
        DeleteMediaType(type);
    }
    return match;
}

} // namespace

ComPtr<IPin> FindOutputPin(IBaseFilter* filter, const GUID& category, const GUID* majorType) {
    ComPtr<IPin> found;
    ComPtr<IEnumPins> pins;
    if (!filter || FAILED(filter->EnumPins(pins.Receive())))
        return found;
    ComPtr<IPin> pin;
    while (pins->Next(1, pin.Receive(), nullptr) == S_OK) {
        PIN_DIRECTION d;
        if (FAILED(pin->QueryDirection(&d)) || d != PINDIR_OUTPUT)
            continue;
        if (!PinCategoryIs(pin.get(), category))
            continue;
        if (majorType && !PinOffers(pin.get(), *majorType))
            continue;
        found = pin;
        break;
    }
    return found;
}

HRESULT ConnectByIndex(IGraphBuilder* graph, IBaseFilter* from, int outputIndex, IBaseFilter* to,
                       int inputIndex, bool direct) {
    if (!graph || !from || !to)
        return E_POINTER;
    ComPtr<IPin> out = PinAt(from, PINDIR_OUTPUT, outputIndex);
    ComPtr<IPin> in = PinAt(to, PINDIR_INPUT, inputIndex);
    if (!out || !in)
        return VFW_E_NOT_FOUND;
    return direct ? graph->ConnectDirect(out.get(), in.get(), nullptr) : graph->Connect(out.get(), in.get());
}

HRESULT SaveGraphToFile(IGraphBuilder* graph, const char* path) {
    if (!graph || !path)
        return E_POINTER;
    const std::wstring widePath = Widen(path);
    ComPtr<IStorage> storage;
    HRESULT hr =
        StgOpenStorage(widePath.c_str(), nullptr, STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_TRANSACTED,
                       nullptr, 0, storage.Receive());
    if (FAILED(hr))
        hr = StgCreateDocfile(widePath.c_str(),
                              STGM_CREATE | STGM_TRANSACTED | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0,
                              storage.Receive());
    if (FAILED(hr))
        return hr;
    ComPtr<IStream> stream;
    hr = storage->CreateStream(L"ActiveMovieGraph", STGM_WRITE | STGM_CREATE | STGM_SHARE_EXCLUSIVE, 0, 0,
                               stream.Receive());
    if (FAILED(hr))
        return hr;
    ComPtr<IPersistStream> persist;
    hr = graph->QueryInterface(IID_IPersistStream, persist.ReceiveVoid());
    if (FAILED(hr))
        return hr;
    hr = persist->Save(stream.get(), TRUE);
    stream = nullptr;
    if (SUCCEEDED(hr))
        hr = storage->Commit(STGC_DEFAULT);
    return hr;
}

} // namespace tunaro
