// Output pin that writes a file by byte offsets through the File Writer: media type, allocator
// and the cutting of a write into samples time-stamped with their offsets.
#include "platform/filters/offset_writer.h"

#include <uuids.h>

#include <cstring>

namespace filters {

OffsetWriterPin::OffsetWriterPin(dshow::BaseFilter* f, const wchar_t* name, REFGUID subtype, long minBuffers,
                                 long bufferSize)
    : OutputPin(f, name), m_subtype(subtype), m_minBuffers(minBuffers), m_bufferSize(bufferSize) {}

HRESULT OffsetWriterPin::GetMediaType(int pos, dshow::MediaType* mt) {
    if (pos != 0)
        return VFW_S_NO_MORE_ITEMS;
    dshow::MediaType t;
    t.majortype = MEDIATYPE_Stream;
    t.subtype = m_subtype;
    t.formattype = FORMAT_None;
    t.bFixedSizeSamples = FALSE;
    t.bTemporalCompression = FALSE;
    t.lSampleSize = 1;
    *mt = t;
    return S_OK;
}

HRESULT OffsetWriterPin::CheckMediaType(const AM_MEDIA_TYPE* mt) {
    return mt->majortype == MEDIATYPE_Stream && (mt->subtype == m_subtype || mt->subtype == GUID_NULL)
               ? S_OK
               : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT OffsetWriterPin::DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* request) {
    ALLOCATOR_PROPERTIES want = *request, got{};
    want.cBuffers = want.cBuffers < m_minBuffers ? m_minBuffers : want.cBuffers;
    want.cbBuffer = want.cbBuffer < m_bufferSize ? m_bufferSize : want.cbBuffer;
    if (want.cbAlign < 1)
        want.cbAlign = 1;
    HRESULT hr = alloc->SetProperties(&want, &got);
    return FAILED(hr) ? hr : (got.cbBuffer > 0 ? S_OK : E_FAIL);
}

bool OffsetWriterPin::Write(uint64_t offset, const uint8_t* data, size_t len) {
    while (len > 0) {
        dshow::ComPtr<IMediaSample> sample;
        if (FAILED(GetDeliveryBuffer(sample.Put(), nullptr, nullptr, 0)) || !sample)
            return false;
        BYTE* p = nullptr;
        if (FAILED(sample->GetPointer(&p)))
            return false;
        const size_t room = static_cast<size_t>(sample->GetSize());
        const size_t n = len < room ? len : room;
        memcpy(p, data, n);
        REFERENCE_TIME start = static_cast<REFERENCE_TIME>(offset),
                       stop = start + static_cast<REFERENCE_TIME>(n);
        sample->SetTime(&start, &stop);
        sample->SetActualDataLength(static_cast<long>(n));
        sample->SetSyncPoint(TRUE);
        if (Deliver(sample.Get()) != S_OK)
            return false;
        offset += n;
        data += n;
        len -= n;
    }
    return true;
}

} // namespace filters
