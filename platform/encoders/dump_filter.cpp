// "Dump Filter": one input that takes any media type and writes every sample's bytes, in the
// order they arrive, to the file named through IFileSinkFilter (created when the graph starts,
// closed when it stops). A hardware encoder's program stream becomes a file this way.
#include "platform/encoders/encoders.h"

#include "platform/dshow/file_sink.h"
#include "platform/dshow/filter.h"
#include "platform/include/mpeg_encoder.h"

#include <new>

using dshow::AutoLock;
using dshow::MediaType;

namespace encoders {

namespace {

class DumpFilter;

class DumpInput final : public dshow::InputPin {
public:
    DumpInput(DumpFilter* f);
    HRESULT GetMediaType(int, MediaType*) override { return VFW_S_NO_MORE_ITEMS; }
    HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override { return mt ? S_OK : E_POINTER; }
    STDMETHODIMP Receive(IMediaSample* sample) override;
    STDMETHODIMP EndOfStream() override;

private:
    DumpFilter* m_dump;
};

class DumpFilter final : public dshow::BaseFilter, public IFileSinkFilter {
public:
    DumpFilter() : BaseFilter(tunaro::kClsidDumpFilter, tunaro::kNameDumpFilter) {
        AddPin(new DumpInput(this));
    }
    ~DumpFilter() override { CloseFile(); }
    DSHOW_FORWARD_IUNKNOWN(dshow::BaseFilter)

    STDMETHODIMP SetFileName(LPCOLESTR name, const AM_MEDIA_TYPE*) override {
        HRESULT hr = m_file.Check(name, E_INVALIDARG);
        if (hr != S_OK)
            return hr;
        AutoLock lock(FilterLock());
        if (State() != State_Stopped)
            return VFW_E_WRONG_STATE;
        m_file.Keep(name);
        return S_OK;
    }
    STDMETHODIMP GetCurFile(LPOLESTR* name, AM_MEDIA_TYPE* mt) override {
        AutoLock lock(FilterLock());
        return m_file.Give(name, mt);
    }

    HRESULT Write(IMediaSample* sample) {
        BYTE* p = nullptr;
        if (FAILED(sample->GetPointer(&p)))
            return S_OK;
        const long len = sample->GetActualDataLength();
        AutoLock lock(m_writeLock);
        if (m_handle == INVALID_HANDLE_VALUE || len <= 0 || m_failed)
            return S_OK;
        DWORD done = 0;
        if (!WriteFile(m_handle, p, static_cast<DWORD>(len), &done, nullptr) ||
            done != static_cast<DWORD>(len)) {
            // A full disk ends the recording with an error rather than a silently short file.
            m_failed = true;
            NotifyEvent(EC_ERRORABORT, HRESULT_FROM_WIN32(GetLastError()), 0);
            return S_FALSE;
        }
        return S_OK;
    }
    void Ended() { NotifyEvent(EC_COMPLETE, S_OK, 0); }

protected:
    HRESULT QueryOtherInterface(REFIID iid, void** out) override {
        if (iid != IID_IFileSinkFilter)
            return BaseFilter::QueryOtherInterface(iid, out);
        *out = static_cast<IFileSinkFilter*>(this);
        AddRef();
        return S_OK;
    }
    HRESULT OnPause() override {
        if (State() != State_Stopped)
            return S_OK;
        if (m_file.Empty())
            return E_INVALIDARG; // no file name given
        HANDLE h = CreateFileW(m_file.Name().c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return HRESULT_FROM_WIN32(GetLastError());
        AutoLock lock(m_writeLock);
        m_handle = h;
        m_failed = false;
        return S_OK;
    }
    HRESULT OnStop() override {
        CloseFile();
        return S_OK;
    }

private:
    void CloseFile() {
        AutoLock lock(m_writeLock);
        if (m_handle != INVALID_HANDLE_VALUE)
            CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
    }

    dshow::FileSinkName m_file{GUID_NULL, GUID_NULL, E_FAIL};
    dshow::CritSec m_writeLock;
    HANDLE m_handle = INVALID_HANDLE_VALUE;
    bool m_failed = false;
};

DumpInput::DumpInput(DumpFilter* f) : InputPin(f, L"Input"), m_dump(f) {}

STDMETHODIMP DumpInput::Receive(IMediaSample* sample) {
    if (!sample)
        return E_POINTER;
    HRESULT hr = CheckStreaming();
    if (hr != S_OK)
        return hr;
    return m_dump->Write(sample);
}

STDMETHODIMP DumpInput::EndOfStream() {
    m_dump->Ended();
    return S_OK;
}

} // namespace

HRESULT CreateDumpFilter(IUnknown** out) {
    auto* f = new (std::nothrow) DumpFilter();
    if (!f)
        return E_OUTOFMEMORY;
    *out = static_cast<IBaseFilter*>(f);
    return S_OK;
}

} // namespace encoders
