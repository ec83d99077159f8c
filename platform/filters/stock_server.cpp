// COM server of the stand-ins for stock components the system may lack or have incomplete
// (stockfilters.ax): the Infinite Pin Tee, the Overlay Mixer, the AVI Mux and the Capture Graph
// Builder 2. "regsvr32 /i:auto" compares each with the system's own and registers only the
// stand-ins that are needed; "/i:Name,Name" registers the ones named.
#include "platform/filters/filters.h"

#include "platform/dshow/com_ptr.h"
#include "platform/dshow/com_server.h"

#include <uuids.h>

#include <cwchar>

using dshow::ComPtr;

namespace {

bool AviMuxNeeded(std::string* reason) {
    if (dshow::SystemLacksClass(CLSID_AviDest, reason))
        return true;
    ComPtr<IConfigAviMux> config;
    HRESULT hr =
        CoCreateInstance(CLSID_AviDest, nullptr, CLSCTX_INPROC_SERVER, IID_IConfigAviMux, config.PutVoid());
    if (FAILED(hr) || FAILED(hr = config->SetMasterStream(0))) {
        *reason = dshow::SystemMethodFailed("SetMasterStream", hr);
        return true;
    }
    if (FAILED(hr = config->SetOutputCompatibilityIndex(TRUE))) {
        *reason = dshow::SystemMethodFailed("SetOutputCompatibilityIndex", hr);
        return true;
    }
    *reason = "the system's is complete";
    return false;
}

bool CaptureBuilderNeeded(std::string* reason) {
    if (dshow::SystemLacksClass(CLSID_CaptureGraphBuilder2, reason))
        return true;
    ComPtr<ICaptureGraphBuilder2> builder;
    ComPtr<IGraphBuilder> graph;
    HRESULT hr = CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_ICaptureGraphBuilder2, builder.PutVoid());
    if (SUCCEEDED(hr))
        hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                              graph.PutVoid());
    if (SUCCEEDED(hr))
        hr = builder->SetFiltergraph(graph.Get());
    if (FAILED(hr)) {
        *reason = dshow::SystemMethodFailed("builder", hr);
        return true;
    }
    // Nothing is written: the file would be created only when the graph runs.
    wchar_t dir[MAX_PATH], file[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    swprintf(file, MAX_PATH, L"%lsstandin-check-%lu.avi", dir, GetCurrentProcessId());
    ComPtr<IBaseFilter> mux;
    ComPtr<IFileSinkFilter> sink;
    hr = builder->SetOutputFileName(&MEDIASUBTYPE_Avi, file, mux.Put(), sink.Put());
    if (FAILED(hr)) {
        *reason = dshow::SystemMethodFailed("SetOutputFileName", hr);
        return true;
    }
    REFERENCE_TIME never = 0x7FFFFFFFFFFFFFFFLL;
    hr = builder->ControlStream(&PIN_CATEGORY_CAPTURE, nullptr, nullptr, &never, &never, 0, 0);
    if (hr == E_NOTIMPL) {
        *reason = dshow::SystemMethodFailed("ControlStream", hr);
        return true;
    }
    *reason = "the system's is complete";
    return false;
}

const dshow::ServerClass kClasses[] = {
    {{&CLSID_InfTee, L"Infinite Pin Tee Filter", filters::CreateInfTee},
     L"InfTee",
     &CLSID_LegacyAmFilterCategory,
     nullptr,
     [](std::string* why) { return dshow::SystemLacksClass(CLSID_InfTee, why); }},
    {{&CLSID_OverlayMixer, L"Overlay Mixer", filters::CreateOverlayMixer},
     L"OverlayMixer",
     &CLSID_LegacyAmFilterCategory,
     nullptr,
     [](std::string* why) { return dshow::SystemLacksClass(CLSID_OverlayMixer, why); }},
    {{&CLSID_AviDest, L"AVI Mux", filters::CreateAviMux},
     L"AviMux",
     &CLSID_LegacyAmFilterCategory,
     nullptr,
     AviMuxNeeded},
    {{&CLSID_CaptureGraphBuilder2, L"Capture Graph Builder 2", filters::CreateCaptureBuilder},
     L"CaptureBuilder",
     nullptr,
     nullptr,
     CaptureBuilderNeeded},
};

} // namespace

DSHOW_SERVER_ENTRY_POINTS(kClasses)
