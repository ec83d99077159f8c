// Stand-in for the Capture Graph Builder 2 where the system's lacks file output and stream
// control: the system's builder does the rest (finding interfaces and pins, rendering streams),
// and this one adds SetOutputFileName (AVI multiplexer and File Writer, or a filter that writes
// files itself) and ControlStream (start and stop times on the capture pins of the graph).
#include "platform/filters/filters.h"

#include "platform/dshow/com_object.h"
#include "platform/dshow/com_ptr.h"
#include "platform/dshow/media_type.h"
#include "platform/dshow/com_server.h"

#include <uuids.h>

#include <new>
#include <vector>

using dshow::ComPtr;

namespace filters {

namespace {

using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);

// The system's own builder, from its DLL.
HRESULT CreateSystemBuilder(HMODULE* module, ICaptureGraphBuilder2** out) {
    *out = nullptr;
    *module = LoadLibraryW(L"qcap.dll");
    if (!*module)
        return HRESULT_FROM_WIN32(GetLastError());
    auto get = reinterpret_cast<GetClassObjectFn>(
        reinterpret_cast<void*>(GetProcAddress(*module, "DllGetClassObject")));
    ComPtr<IClassFactory> factory;
    HRESULT hr = get ? get(CLSID_CaptureGraphBuilder2, IID_IClassFactory, factory.PutVoid()) : E_NOINTERFACE;
    if (SUCCEEDED(hr))
        hr = factory->CreateInstance(nullptr, IID_ICaptureGraphBuilder2, reinterpret_cast<void**>(out));
    if (FAILED(hr)) {
        factory.Reset();
        FreeLibrary(*module);
        *module = nullptr;
    }
    return hr;
}

ComPtr<IPin> FirstPin(IBaseFilter* filter, PIN_DIRECTION want) {
    ComPtr<IEnumPins> pins;
    if (FAILED(filter->EnumPins(pins.Put())))
        return {};
    IPin* p = nullptr;
    while (pins->Next(1, &p, nullptr) == S_OK) {
        ComPtr<IPin> pin;
        pin.Attach(p);
        PIN_DIRECTION dir;
        if (SUCCEEDED(pin->QueryDirection(&dir)) && dir == want)
            return pin;
    }
    return {};
}

bool PinCategoryIs(IPin* pin, const GUID* category) {
    if (!category)
        return true;
    ComPtr<IKsPropertySet> ks;
    if (FAILED(pin->QueryInterface(IID_IKsPropertySet, ks.PutVoid())))
        return false;
    GUID got = GUID_NULL;
    DWORD returned = 0;
    return SUCCEEDED(
               ks->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &got, sizeof got, &returned)) &&
           got == *category;
}

// The pin's media type: of its connection, else the first it offers.
bool PinCarries(IPin* pin, const GUID* major) {
    if (!major)
        return true;
    AM_MEDIA_TYPE mt{};
    if (SUCCEEDED(pin->ConnectionMediaType(&mt))) {
        bool match = mt.majortype == *major;
        dshow::FreeMediaType(mt);
        return match;
    }
    ComPtr<IEnumMediaTypes> types;
    AM_MEDIA_TYPE* first = nullptr;
    if (FAILED(pin->EnumMediaTypes(types.Put())) || types->Next(1, &first, nullptr) != S_OK || !first)
        return false;
    bool match = first->majortype == *major;
    dshow::DeleteMediaType(first);
    return match;
}

class CaptureBuilder final : public dshow::ComObject<ICaptureGraphBuilder2> {
public:
    CaptureBuilder(HMODULE system, ICaptureGraphBuilder2* inner)
        : ComObject(IID_ICaptureGraphBuilder2), m_system(system) {
        m_inner.Attach(inner);
        dshow::ModuleAddRef();
    }

    STDMETHODIMP SetFiltergraph(IGraphBuilder* graph) override { return m_inner->SetFiltergraph(graph); }
    STDMETHODIMP GetFiltergraph(IGraphBuilder** graph) override { return m_inner->GetFiltergraph(graph); }
    STDMETHODIMP SetOutputFileName(const GUID* type, LPCOLESTR file, IBaseFilter** mux,
                                   IFileSinkFilter** sink) override;
    STDMETHODIMP FindInterface(const GUID* category, const GUID* type, IBaseFilter* filter, REFIID iid,
                               void** out) override {
        return m_inner->FindInterface(category, type, filter, iid, out);
    }
    STDMETHODIMP RenderStream(const GUID* category, const GUID* type, IUnknown* source,
                              IBaseFilter* compressor, IBaseFilter* renderer) override {
        return m_inner->RenderStream(category, type, source, compressor, renderer);
    }
    STDMETHODIMP ControlStream(const GUID* category, const GUID* type, IBaseFilter* filter,
                               REFERENCE_TIME* start, REFERENCE_TIME* stop, WORD startCookie,
                               WORD stopCookie) override;
    STDMETHODIMP AllocCapFile(LPCOLESTR file, DWORDLONG size) override {
        return m_inner->AllocCapFile(file, size);
    }
    STDMETHODIMP CopyCaptureFile(LPOLESTR oldFile, LPOLESTR newFile, int allowEscAbort,
                                 IAMCopyCaptureFileProgress* callback) override {
        return m_inner->CopyCaptureFile(oldFile, newFile, allowEscAbort, callback);
    }
    STDMETHODIMP FindPin(IUnknown* source, PIN_DIRECTION dir, const GUID* category, const GUID* type,
                         BOOL unconnected, int num, IPin** pin) override {
        return m_inner->FindPin(source, dir, category, type, unconnected, num, pin);
    }

private:
    ~CaptureBuilder() override {
        m_inner.Reset();
        if (m_system)
            FreeLibrary(m_system);
        dshow::ModuleRelease();
    }
    ComPtr<IGraphBuilder> Graph() {
        ComPtr<IGraphBuilder> graph;
        m_inner->GetFiltergraph(graph.Put());
        return graph;
    }

    HMODULE m_system;
    ComPtr<ICaptureGraphBuilder2> m_inner;
};

STDMETHODIMP CaptureBuilder::SetOutputFileName(const GUID* type, LPCOLESTR file, IBaseFilter** muxOut,
                                               IFileSinkFilter** sinkOut) {
    if (!type || !file || !muxOut)
        return E_POINTER;
    *muxOut = nullptr;
    if (sinkOut)
        *sinkOut = nullptr;
    ComPtr<IGraphBuilder> graph = Graph();
    if (!graph)
        return E_UNEXPECTED;
    // A file that cannot be created is refused now, not when the graph first runs: the caller
    // learns of a wrong folder or name before it builds a recording graph around it.
    HANDLE probe = CreateFileW(file, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE)
        return HRESULT_FROM_WIN32(GetLastError());
    const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    CloseHandle(probe);
    if (!existed)
        DeleteFileW(file); // it is made when the recording starts
    ComPtr<IBaseFilter> mux;
    ComPtr<IBaseFilter> writer;
    ComPtr<IFileSinkFilter> sink;
    HRESULT hr;
    if (*type == MEDIASUBTYPE_Avi) {
        // The AVI multiplexer feeds the File Writer, which writes the file.
        hr = CoCreateInstance(CLSID_AviDest, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, mux.PutVoid());
        if (SUCCEEDED(hr))
            hr = CoCreateInstance(CLSID_FileWriter, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                  writer.PutVoid());
        if (SUCCEEDED(hr))
            hr = writer->QueryInterface(IID_IFileSinkFilter, sink.PutVoid());
        if (SUCCEEDED(hr))
            hr = sink->SetFileName(file, nullptr);
        if (FAILED(hr))
            return hr;
        hr = graph->AddFilter(mux.Get(), L"Mux");
        if (FAILED(hr))
            return hr;
        hr = graph->AddFilter(writer.Get(), L"File Writer");
        if (SUCCEEDED(hr)) {
            ComPtr<IPin> out = FirstPin(mux.Get(), PINDIR_OUTPUT);
            ComPtr<IPin> in = FirstPin(writer.Get(), PINDIR_INPUT);
            hr = out && in ? graph->ConnectDirect(out.Get(), in.Get(), nullptr) : E_UNEXPECTED;
            if (FAILED(hr))
                graph->RemoveFilter(writer.Get());
        }
        if (FAILED(hr)) {
            graph->RemoveFilter(mux.Get());
            return hr;
        }
    } else {
        // Any other type names a filter that multiplexes and writes the file itself (the ASF
        // writer for the ASF subtype).
        const CLSID clsid = *type == MEDIASUBTYPE_Asf ? CLSID_WMAsfWriter : *type;
        hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, mux.PutVoid());
        if (FAILED(hr))
            return hr;
        if (FAILED(mux->QueryInterface(IID_IFileSinkFilter, sink.PutVoid())))
            return E_INVALIDARG; // not a filter that writes files
        hr = sink->SetFileName(file, nullptr);
        if (SUCCEEDED(hr))
            hr = graph->AddFilter(mux.Get(), L"Mux");
        if (FAILED(hr))
            return hr;
    }
    *muxOut = mux.Detach();
    if (sinkOut)
        *sinkOut = sink.Detach();
    return S_OK;
}

STDMETHODIMP CaptureBuilder::ControlStream(const GUID* category, const GUID* type, IBaseFilter* filter,
                                           REFERENCE_TIME* start, REFERENCE_TIME* stop, WORD startCookie,
                                           WORD stopCookie) {
    // The filters to look at: the one named, or every filter of the graph.
    std::vector<ComPtr<IBaseFilter>> filters;
    if (filter) {
        filters.emplace_back(filter);
    } else {
        ComPtr<IGraphBuilder> graph = Graph();
        ComPtr<IEnumFilters> all;
        if (!graph || FAILED(graph->EnumFilters(all.Put())))
            return E_UNEXPECTED;
        IBaseFilter* f = nullptr;
        while (all->Next(1, &f, nullptr) == S_OK) {
            ComPtr<IBaseFilter> held;
            held.Attach(f);
            filters.push_back(held);
        }
    }
    int found = 0, controlled = 0;
    HRESULT last = S_OK;
    for (const ComPtr<IBaseFilter>& f : filters) {
        ComPtr<IEnumPins> pins;
        if (FAILED(f->EnumPins(pins.Put())))
            continue;
        IPin* p = nullptr;
        while (pins->Next(1, &p, nullptr) == S_OK) {
            ComPtr<IPin> pin;
            pin.Attach(p);
            PIN_DIRECTION dir;
            if (FAILED(pin->QueryDirection(&dir)) || dir != PINDIR_OUTPUT ||
                !PinCategoryIs(pin.Get(), category) || !PinCarries(pin.Get(), type))
                continue;
            ++found;
            ComPtr<IAMStreamControl> control;
            if (FAILED(pin->QueryInterface(IID_IAMStreamControl, control.PutVoid())))
                continue;
            HRESULT hr = control->StartAt(start, startCookie);
            if (SUCCEEDED(hr))
                hr = control->StopAt(stop, FALSE, stopCookie);
            if (SUCCEEDED(hr))
                ++controlled;
            else
                last = hr;
        }
    }
    if (controlled > 0)
        return S_OK;
    if (FAILED(last))
        return last;
    return found > 0 ? E_NOINTERFACE : E_FAIL;
}

} // namespace

HRESULT CreateCaptureBuilder(IUnknown** out) {
    HMODULE system = nullptr;
    ICaptureGraphBuilder2* inner = nullptr;
    HRESULT hr = CreateSystemBuilder(&system, &inner);
    if (FAILED(hr))
        return hr;
    auto* b = new (std::nothrow) CaptureBuilder(system, inner);
    if (!b) {
        inner->Release();
        FreeLibrary(system);
        return E_OUTOFMEMORY;
    }
    *out = static_cast<ICaptureGraphBuilder2*>(b);
    return S_OK;
}

} // namespace filters
