// The codecs this platform may lack (stockcodecs.ax): the compressors the engine knows by their friendly
// names in the audio and video compressor categories, and the WM ASF Writer. Classes, names, factories.
#pragma once

#include <windows.h>

#include <unknwn.h>

namespace filters {

// "MPEG Layer-3": PCM in, MPEG-1 Layer III at 128 kbit/s out (LAME).
inline constexpr GUID kClsidMp3Compressor = {
    0xc8a609a7, 0x3c19, 0x4499, {0xb3, 0xa1, 0x79, 0x68, 0xec, 0x19, 0xdb, 0xaa}};
inline constexpr const wchar_t kNameMp3Compressor[] = L"MPEG Layer-3";
HRESULT CreateMp3Compressor(IUnknown** out);

// "Microsoft MPEG-4 Video Codec V3": YUY2 in, MP43 frames out (libavcodec).
inline constexpr GUID kClsidMpeg4Compressor = {
    0xc2e6ad58, 0xbbd9, 0x410c, {0xb8, 0x66, 0xbd, 0x45, 0x1e, 0xe9, 0xde, 0xd7}};
inline constexpr const wchar_t kNameMpeg4Compressor[] = L"Microsoft MPEG-4 Video Codec V3";
HRESULT CreateMpeg4Compressor(IUnknown** out);

// The WM ASF Writer (CLSID_WMAsfWriter): profile-configured inputs, WMA2 and WMV2 into ASF.
HRESULT CreateAsfWriter(IUnknown** out);

} // namespace filters
