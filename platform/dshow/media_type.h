// AM_MEDIA_TYPE helpers: an owning media-type value, copy/free functions, builders for the
// YUY2 video and PCM audio types our filters offer, and a media-type enumerator.
#pragma once

#include <windows.h>

#include <dshow.h>

#include <vector>

namespace dshow {

void FreeMediaType(AM_MEDIA_TYPE& mt);
HRESULT CopyMediaType(AM_MEDIA_TYPE* dst, const AM_MEDIA_TYPE* src);
// Allocates (CoTaskMemAlloc) a copy, as IEnumMediaTypes and IAMStreamConfig hand out.
AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* src);
void DeleteMediaType(AM_MEDIA_TYPE* mt);

// An AM_MEDIA_TYPE that owns its format block.
class MediaType : public AM_MEDIA_TYPE {
public:
    MediaType();
    MediaType(const AM_MEDIA_TYPE& o);
    MediaType(const MediaType& o);
    MediaType& operator=(const AM_MEDIA_TYPE& o);
    MediaType& operator=(const MediaType& o);
    ~MediaType();
    void Clear();
    // Replaces the format block with a zeroed one of the given size; returns it.
    BYTE* AllocFormat(ULONG size);
    bool IsValid() const { return majortype != GUID_NULL; }
    // True when every field set in the partial type (non-null GUIDs) equals ours.
    bool MatchesPartial(const AM_MEDIA_TYPE* partial) const;
    bool Equals(const AM_MEDIA_TYPE& o) const;
    const VIDEOINFOHEADER* VideoInfo() const;
    const WAVEFORMATEX* WaveFormat() const;
};

// YUY2 video at width x height, avgTimePerFrame in 100 ns units.
MediaType MakeYuy2Type(LONG width, LONG height, REFERENCE_TIME avgTimePerFrame);
// 16-bit PCM.
MediaType MakePcmType(DWORD samplesPerSec, WORD channels);

// IEnumMediaTypes over a fixed list (snapshot taken at creation).
HRESULT CreateMediaTypeEnum(const std::vector<MediaType>& types, IEnumMediaTypes** out);

} // namespace dshow
