// "TimeShift File Source": the card software's reader of the time-shift file, an MPEG program
// stream another filter is still writing. Loaded through IFileSourceFilter; its one output pin
// offers the bytes through IAsyncReader like the stock file source, with one difference: the
// length is read afresh on every call, and while a writer still has the file open the answer is
// VFW_S_ESTIMATED (there is more to come), so a splitter can follow the file as it grows.
#include "platform/filters/filters.h"

#include "platform/dshow/filter.h"
#include "platform/include/outside_filters.h"

#include <uuids.h>

#include <deque>
#include <new>
#include <string>

using dshow::AutoLock;
using dshow::ComPtr;
using dshow::MediaType;

namespace filters {

namespace {

// How long the answer to "is a writer still at it" holds before the file is asked again.
constexpr DWORD kWriterCheckMs = 200;

class FollowSource;

class FollowOutput final : public dshow::BasePin, public IAsyncReader {
public:
    explicit FollowOutput(FollowSource* f);
    DSHOW_FORWARD_IUNKNOWN(BasePin)

    HRESULT GetMediaType(int pos, MediaType* mt) override {
        if (pos != 0)
            return VFW_S_NO_MORE_ITEMS;
        mt->majortype = MEDIATYPE_Stream;
        mt->subtype = MEDIASUBTYPE_MPEG2_PROGRAM;
        mt->bFixedSizeSamples = TRUE;
        mt->lSampleSize = 1;
        return S_OK;
    }
    HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override {
        return mt && mt->majortype == MEDIATYPE_Stream ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }

    // IAsyncReader
    STDMETHODIMP RequestAllocator(IMemAllocator* preferred, ALLOCATOR_PROPERTIES* props,
                                  IMemAllocator** actual) override;
    STDMETHODIMP Request(IMediaSample* sample, DWORD_PTR user) override;
    STDMETHODIMP WaitForNext(DWORD timeout, IMediaSample** sample, DWORD_PTR* user) override;
    STDMETHODIMP SyncReadAligned(IMediaSample* sample) override;
    STDMETHODIMP SyncRead(LONGLONG position, LONG length, BYTE* buffer) override;
    STDMETHODIMP Length(LONGLONG* total, LONGLONG* available) override;
    STDMETHODIMP BeginFlush() override;
    STDMETHODIMP EndFlush() override;

protected:
    HRESULT QueryOtherInterface(REFIID iid, void** out) override {
        if (iid == IID_IAsyncReader) {
            *out = static_cast<IAsyncReader*>(this);
            AddRef();
            return S_OK;
        }
        return BasePin::QueryOtherInterface(iid, out);
    }

private:
    struct Done {
        IMediaSample* sample;
        DWORD_PTR user;
        HRESULT hr;
    };
    FollowSource* m_source;
    dshow::CritSec m_queueLock;
    std::deque<Done> m_done;
    dshow::Handle m_ready{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    bool m_flushing = false;
};

class FollowSource final : public dshow::BaseFilter, public IFileSourceFilter {
public:
    FollowSource() : BaseFilter(tunaro::kClsidFollowSource, tunaro::kNameFollowSource) {
        m_output = new FollowOutput(this);
        AddPin(m_output);
    }
    ~FollowSource() override { Close(); }
    DSHOW_FORWARD_IUNKNOWN(dshow::BaseFilter)

    STDMETHODIMP Load(LPCOLESTR name, const AM_MEDIA_TYPE*) override {
        if (!name)
            return E_POINTER;
        AutoLock lock(m_fileLock);
        if (m_file != INVALID_HANDLE_VALUE)
            return VFW_E_WRONG_STATE;
        // Shared with the writer, and with whoever deletes the file once the shift is over.
        HANDLE h = CreateFileW(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return HRESULT_FROM_WIN32(GetLastError());
        m_file = h;
        m_name = name;
        m_checked = 0;
        return S_OK;
    }
    STDMETHODIMP GetCurFile(LPOLESTR* name, AM_MEDIA_TYPE* mt) override {
        if (!name)
            return E_POINTER;
        AutoLock lock(m_fileLock);
        *name = nullptr;
        if (m_name.empty())
            return S_OK;
        const size_t bytes = (m_name.size() + 1) * sizeof(wchar_t);
        *name = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
        if (!*name)
            return E_OUTOFMEMORY;
        memcpy(*name, m_name.c_str(), bytes);
        if (mt) {
            MediaType type;
            m_output->GetMediaType(0, &type);
            dshow::CopyMediaType(mt, &type);
        }
        return S_OK;
    }

    // The bytes at position; false when fewer than length are there (what is there is read).
    HRESULT Read(LONGLONG position, LONG length, BYTE* buffer, LONG* got) {
        AutoLock lock(m_fileLock);
        *got = 0;
        if (m_file == INVALID_HANDLE_VALUE)
            return E_UNEXPECTED;
        LARGE_INTEGER at;
        at.QuadPart = position;
        if (!SetFilePointerEx(m_file, at, nullptr, FILE_BEGIN))
            return HRESULT_FROM_WIN32(GetLastError());
        DWORD read = 0;
        if (!ReadFile(m_file, buffer, static_cast<DWORD>(length), &read, nullptr))
            return HRESULT_FROM_WIN32(GetLastError());
        *got = static_cast<LONG>(read);
        return read == static_cast<DWORD>(length) ? S_OK : S_FALSE;
    }
    HRESULT Size(LONGLONG* size, bool* growing) {
        AutoLock lock(m_fileLock);
        LARGE_INTEGER s = {};
        if (m_file == INVALID_HANDLE_VALUE || !GetFileSizeEx(m_file, &s))
            return E_UNEXPECTED;
        *size = s.QuadPart;
        const DWORD now = GetTickCount();
        if (m_checked == 0 || now - m_checked >= kWriterCheckMs) {
            m_checked = now ? now : 1;
            // Opening it without letting anyone write fails while a writer has it open.
            HANDLE probe = CreateFileW(m_name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            m_growing = probe == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION;
            if (probe != INVALID_HANDLE_VALUE)
                CloseHandle(probe);
        }
        *growing = m_growing;
        return S_OK;
    }

protected:
    HRESULT QueryOtherInterface(REFIID iid, void** out) override {
        if (iid != IID_IFileSourceFilter)
            return BaseFilter::QueryOtherInterface(iid, out);
        *out = static_cast<IFileSourceFilter*>(this);
        AddRef();
        return S_OK;
    }

private:
    void Close() {
        AutoLock lock(m_fileLock);
        if (m_file != INVALID_HANDLE_VALUE)
            CloseHandle(m_file);
        m_file = INVALID_HANDLE_VALUE;
    }

    FollowOutput* m_output;
    dshow::CritSec m_fileLock;
    HANDLE m_file = INVALID_HANDLE_VALUE;
    std::wstring m_name;
    DWORD m_checked = 0;
    bool m_growing = false;
};

FollowOutput::FollowOutput(FollowSource* f) : BasePin(f, PINDIR_OUTPUT, L"Output"), m_source(f) {}

STDMETHODIMP FollowOutput::RequestAllocator(IMemAllocator* preferred, ALLOCATOR_PROPERTIES* props,
                                            IMemAllocator** actual) {
    if (!props || !actual)
        return E_POINTER;
    ComPtr<IMemAllocator> alloc(preferred);
    if (!alloc && FAILED(CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER,
                                          IID_IMemAllocator, alloc.PutVoid())))
        return E_OUTOFMEMORY;
    ALLOCATOR_PROPERTIES want = *props, got{};
    if (want.cbAlign < 1)
        want.cbAlign = 1;
    HRESULT hr = alloc->SetProperties(&want, &got);
    if (FAILED(hr))
        return hr;
    *actual = alloc.Detach();
    return S_OK;
}

STDMETHODIMP FollowOutput::Request(IMediaSample* sample, DWORD_PTR user) {
    if (!sample)
        return E_POINTER;
    REFERENCE_TIME start = 0, stop = 0;
    if (FAILED(sample->GetTime(&start, &stop)))
        return VFW_E_SAMPLE_TIME_NOT_SET;
    // Sample times are byte positions in units of 10^7 per byte.
    const LONGLONG position = start / 10000000;
    const LONG length = static_cast<LONG>((stop - start) / 10000000);
    BYTE* p = nullptr;
    sample->GetPointer(&p);
    LONG got = 0;
    HRESULT hr;
    {
        AutoLock lock(m_queueLock);
        if (m_flushing)
            return VFW_E_WRONG_STATE;
    }
    hr = m_source->Read(position, length, p, &got);
    sample->SetActualDataLength(got);
    sample->AddRef();
    AutoLock lock(m_queueLock);
    m_done.push_back(Done{sample, user, FAILED(hr) ? hr : S_OK});
    SetEvent(m_ready.Get());
    return S_OK;
}

STDMETHODIMP FollowOutput::WaitForNext(DWORD timeout, IMediaSample** sample, DWORD_PTR* user) {
    if (!sample || !user)
        return E_POINTER;
    *sample = nullptr;
    *user = 0;
    if (WaitForSingleObject(m_ready.Get(), timeout) != WAIT_OBJECT_0)
        return VFW_E_TIMEOUT;
    AutoLock lock(m_queueLock);
    if (m_done.empty()) {
        ResetEvent(m_ready.Get());
        return m_flushing ? VFW_E_WRONG_STATE : VFW_E_TIMEOUT;
    }
    const Done d = m_done.front();
    m_done.pop_front();
    if (m_done.empty() && !m_flushing)
        ResetEvent(m_ready.Get());
    *sample = d.sample; // the reference taken by Request
    *user = d.user;
    return d.hr;
}

STDMETHODIMP FollowOutput::SyncReadAligned(IMediaSample* sample) {
    if (!sample)
        return E_POINTER;
    REFERENCE_TIME start = 0, stop = 0;
    if (FAILED(sample->GetTime(&start, &stop)))
        return VFW_E_SAMPLE_TIME_NOT_SET;
    BYTE* p = nullptr;
    sample->GetPointer(&p);
    LONG got = 0;
    const HRESULT hr =
        m_source->Read(start / 10000000, static_cast<LONG>((stop - start) / 10000000), p, &got);
    sample->SetActualDataLength(got);
    return hr;
}

STDMETHODIMP FollowOutput::SyncRead(LONGLONG position, LONG length, BYTE* buffer) {
    if (!buffer)
        return E_POINTER;
    LONG got = 0;
    return m_source->Read(position, length, buffer, &got);
}

STDMETHODIMP FollowOutput::Length(LONGLONG* total, LONGLONG* available) {
    if (!total || !available)
        return E_POINTER;
    LONGLONG size = 0;
    bool growing = false;
    const HRESULT hr = m_source->Size(&size, &growing);
    if (FAILED(hr))
        return hr;
    *total = size;
    *available = size;
    return growing ? VFW_S_ESTIMATED : S_OK;
}

STDMETHODIMP FollowOutput::BeginFlush() {
    AutoLock lock(m_queueLock);
    m_flushing = true;
    SetEvent(m_ready.Get()); // wakes a waiter, who finds the queue flushing
    return S_OK;
}

STDMETHODIMP FollowOutput::EndFlush() {
    AutoLock lock(m_queueLock);
    m_flushing = false;
    if (m_done.empty())
        ResetEvent(m_ready.Get());
    return S_OK;
}

} // namespace

HRESULT CreateFollowSource(IUnknown** out) {
    auto* f = new (std::nothrow) FollowSource();
    if (!f)
        return E_OUTOFMEMORY;
    *out = static_cast<IBaseFilter*>(f);
    return S_OK;
}

} // namespace filters
