// COM server of the codecs this platform may lack (stockcodecs.ax): the "MPEG Layer-3" audio
// compressor and the MPEG-4 V3 video compressor, listed in the audio and video compressor
// categories under the names the engine searches for, and the WM ASF Writer. "regsvr32 /i:auto"
// registers each only where the system has no working one of its own.
#include "platform/filters/stock_codecs.h"

#include "platform/dshow/com_ptr.h"
#include "platform/dshow/com_server.h"
#include "platform/dshow/media_type.h"

#include <mmreg.h>
#include <uuids.h>

#include <functional>
#include <vector>

using dshow::ComPtr;

namespace {

// Calls check(filter) for every entry of a category whose friendly name contains name and that
// is not one of ours; true as soon as a check says yes.
bool AnyEntry(REFCLSID category, const wchar_t* name, REFCLSID ours,
              const std::function<bool(IBaseFilter*)>& check) {
    ComPtr<ICreateDevEnum> devices;
    ComPtr<IEnumMoniker> entries;
    if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                devices.PutVoid())) ||
        devices->CreateClassEnumerator(category, entries.Put(), 0) != S_OK)
        return false;
    IMoniker* m = nullptr;
    bool found = false;
    while (!found && entries->Next(1, &m, nullptr) == S_OK) {
        ComPtr<IMoniker> moniker;
        moniker.Attach(m);
        ComPtr<IPropertyBag> bag;
        if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.PutVoid())))
            continue;
        VARIANT v;
        VariantInit(&v);
        const bool named = SUCCEEDED(bag->Read(L"FriendlyName", &v, nullptr)) && v.vt == VT_BSTR &&
                           wcsstr(v.bstrVal, name) != nullptr;
        VariantClear(&v);
        if (!named)
            continue;
        CLSID clsid = CLSID_NULL;
        if (SUCCEEDED(bag->Read(L"CLSID", &v, nullptr)) && v.vt == VT_BSTR)
            CLSIDFromString(v.bstrVal, &clsid);
        VariantClear(&v);
        if (clsid == ours)
            continue;
        ComPtr<IBaseFilter> filter;
        if (SUCCEEDED(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.PutVoid())) && filter)
            found = check(filter.Get());
    }
    return found;
}

// Whether one of the filter's outputs offers MPEG Layer-3 among its formats: a decoder-only
// entry of the same name offers none.
bool OffersMp3(IBaseFilter* filter) {
    ComPtr<IEnumPins> pins;
    if (FAILED(filter->EnumPins(pins.Put())))
        return false;
    IPin* p = nullptr;
    bool offers = false;
    while (!offers && pins->Next(1, &p, nullptr) == S_OK) {
        ComPtr<IPin> pin;
        pin.Attach(p);
        ComPtr<IAMStreamConfig> config;
        int count = 0, size = 0;
        if (FAILED(pin->QueryInterface(IID_IAMStreamConfig, config.PutVoid())) ||
            FAILED(config->GetNumberOfCapabilities(&count, &size)) || size <= 0 || size > 4096)
            continue;
        std::vector<BYTE> caps(static_cast<size_t>(size));
        for (int i = 0; i < count && !offers; ++i) {
            AM_MEDIA_TYPE* mt = nullptr;
            if (FAILED(config->GetStreamCaps(i, &mt, caps.data())) || !mt)
                continue;
            offers =
                mt->formattype == FORMAT_WaveFormatEx && mt->cbFormat >= sizeof(WAVEFORMAT) &&
                reinterpret_cast<const WAVEFORMATEX*>(mt->pbFormat)->wFormatTag == WAVE_FORMAT_MPEGLAYER3;
            dshow::DeleteMediaType(mt);
        }
    }
    return offers;
}

bool Mp3Needed(std::string* reason) {
    if (AnyEntry(CLSID_AudioCompressorCategory, filters::kNameMp3Compressor, filters::kClsidMp3Compressor,
                 OffersMp3)) {
        *reason = "the system has an MPEG Layer-3 encoder";
        return false;
    }
    *reason = "no audio compressor of that name encodes MPEG Layer-3";
    return true;
}

bool Mpeg4Needed(std::string* reason) {
    if (AnyEntry(CLSID_VideoCompressorCategory, filters::kNameMpeg4Compressor, filters::kClsidMpeg4Compressor,
                 [](IBaseFilter*) { return true; })) {
        *reason = "the system has its own";
        return false;
    }
    *reason = "no video compressor of that name in the system";
    return true;
}

const dshow::ServerClass kClasses[] = {
    {{&filters::kClsidMp3Compressor, filters::kNameMp3Compressor, filters::CreateMp3Compressor},
     L"Mp3",
     &CLSID_AudioCompressorCategory,
     nullptr,
     Mp3Needed},
    {{&filters::kClsidMpeg4Compressor, filters::kNameMpeg4Compressor, filters::CreateMpeg4Compressor},
     L"Mpeg4",
     &CLSID_VideoCompressorCategory,
     nullptr,
     Mpeg4Needed},
    {{&CLSID_WMAsfWriter, L"WM ASF Writer", filters::CreateAsfWriter},
     L"AsfWriter",
     &CLSID_LegacyAmFilterCategory,
     nullptr,
     [](std::string* why) { return dshow::SystemLacksClass(CLSID_WMAsfWriter, why); }},
};

} // namespace

DSHOW_SERVER_ENTRY_POINTS(kClasses)
