// The output pin of a filter that lays out a file by byte offsets (the AVI multiplexer, the WAV
// writer): each sample carries its bytes with the file offset as its time, as the File Writer
// downstream expects, so headers can be written again in place when the recording ends.
#pragma once

#include "platform/dshow/filter.h"

#include <cstddef>
#include <cstdint>

namespace filters {

class OffsetWriterPin final : public dshow::OutputPin {
public:
    // subtype: the stream's media subtype (MEDIASUBTYPE_Avi, MEDIASUBTYPE_WAVE); the allocator
    // gets at least minBuffers buffers of bufferSize bytes, the largest piece one sample takes.
    OffsetWriterPin(dshow::BaseFilter* f, const wchar_t* name, REFGUID subtype, long minBuffers,
                    long bufferSize);

    HRESULT GetMediaType(int pos, dshow::MediaType* mt) override;
    HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override;
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* request) override;

    // Writes len bytes at offset through the downstream writer, in as many samples as they
    // need; false when a buffer cannot be had or the writer refuses one.
    bool Write(uint64_t offset, const uint8_t* data, size_t len);

private:
    GUID m_subtype;
    long m_minBuffers;
    long m_bufferSize;
};

} // namespace filters
