// Class identifiers and private interfaces of the card software's MPEG encoder filter
// ("Vazuvoduz MPEG Encoder") and of its "Dump Filter", as their SDK gives them.
//
// The encoder takes YUY2 video on input 0 and 16-bit PCM on input 1 and writes an MPEG program
// stream (DVD, SVCD or VCD) to the file named through IFileSinkFilter. It is configured through
// IMpegEncoderConfig and IMpegEncoderAudio while stopped; the recording graph calls, in order:
//
//   config->BeginConfig(1)                       start collecting settings
//   NTSC sources:
//     config->SetVideoBitRate(6500000 | 2000000) (DVD | SVCD; VCD keeps its 1,152,000)
//     config->SetFormat(7 | 3 | 9)               DVD | VCD | SVCD, 480 lines at 29.97 pictures/s
//   every other standard:
//     config->SetInterlaced(1)                   field-aware DCT and motion search (not on VCD)
//     config->SetStreamType(5)                   audio preset 5 (program stream, Layer II)
//     audio->EnableAudio(1)                      a sound stream is written
//     audio->SetSyncTolerance(10)                sound may drift 10 pictures from the picture
//                                                before it is realigned
//     audio->SetStereo(1)                        2 channels (0: mixed to one)
//     audio->SetFillGaps(1)                      gaps in the sound become silence
//     audio->SetDropEarlyAudio(1)                sound from before the first picture is left out
//     audio->SetStandardRate(1)                  the format's Layer II rate, 224 kbit/s
//     audio->SetBitRates(64, 32)                 rates used with SetStandardRate(0): kbit/s per
//                                                channel in stereo, kbit/s in mono
//     config->SetStrictGop(1)                    every group of pictures has the format's length
//     config->SetVideoBitRate(6000000 | 1152000 | 2000000)
//     config->SetFormat(8 | 4 | 10)              DVD | VCD | SVCD, 576 lines at 25 pictures/s
//   config->EndConfig(0)                         check and apply
//
// Format codes: 3/4 VCD (MPEG-1 352x240/288), 7/8 DVD (MPEG-2 720x480/576, Layer II at 48 kHz),
// 9/10 SVCD (MPEG-2 480x480/576); Layer II at 44.1 kHz for VCD and SVCD. The first of each pair
// is the 480-line (NTSC) variant. The input picture must have the configured size; PCM of any
// rate from 8000 to 96000 Hz is resampled to the format's rate.
//
// The stream has the format's picture rate (25, or 29.97 on the 480-line formats) whatever rate
// the pictures arrive at: each picture takes the place its time stamp gives it; a place the
// source left empty shows the last picture again (a capture set to 25 pictures a second on an
// NTSC source becomes 29.97 this way) and a picture too early for any place is left out, so the
// file plays in real time with its sound.
//
// Encoding runs on a worker thread behind a bounded queue: when the encoder falls behind,
// pictures are dropped and counted (GetDropped), the capture thread never waits.
#pragma once

#include <windows.h>
#include <objbase.h>

namespace tunaro {

// "Vazuvoduz MPEG Encoder".
inline constexpr GUID kClsidMpegEncoder = {
    0x5083b9e8, 0x713f, 0x40aa, {0xb5, 0xf3, 0x2a, 0xd3, 0x5d, 0x3d, 0x74, 0x98}};
// "Dump Filter": writes whatever arrives on its input to the named file.
inline constexpr GUID kClsidDumpFilter = {
    0x36a5f770, 0xfe4c, 0x11ce, {0xa8, 0xed, 0x00, 0xaa, 0x00, 0x2f, 0xea, 0xb5}};

inline constexpr const wchar_t kNameMpegEncoder[] = L"Vazuvoduz MPEG Encoder";
inline constexpr const wchar_t kNameDumpFilter[] = L"Dump Filter";

// Format codes of IMpegEncoderConfig::SetFormat.
enum MpegFormatCode : long {
    kMpegFormatVcdNtsc = 3,
    kMpegFormatVcdPal = 4,
    kMpegFormatDvdNtsc = 7,
    kMpegFormatDvdPal = 8,
    kMpegFormatSvcdNtsc = 9,
    kMpegFormatSvcdPal = 10,
};

} // namespace tunaro

// Configuration {C291943E-8A3F-468E-AADD-66FE34C5EB8A}. Every setter answers S_OK, E_INVALIDARG
// for a value out of range, or VFW_E_WRONG_STATE while the filter is not stopped or outside a
// Begin/End pair. EndConfig answers VFW_E_WRONG_STATE when no format was set.
#undef INTERFACE
#define INTERFACE IMpegEncoderConfig
DECLARE_INTERFACE_(IMpegEncoderConfig, IUnknown) {
    STDMETHOD(QueryInterface)(THIS_ REFIID riid, void** ppv) PURE;
    STDMETHOD_(ULONG, AddRef)(THIS) PURE;
    STDMETHOD_(ULONG, Release)(THIS) PURE;
    STDMETHOD(BeginConfig)(THIS_ long value) PURE;             // 1
    STDMETHOD(SetVideoBitRate)(THIS_ long bitsPerSecond) PURE; // 500,000 .. 15,000,000
    STDMETHOD(SetFormat)(THIS_ long code) PURE;                // tunaro::MpegFormatCode
    STDMETHOD(SetInterlaced)(THIS_ long on) PURE;              // 0 or 1
    STDMETHOD(SetStreamType)(THIS_ long type) PURE;            // audio preset 0..5
    STDMETHOD(SetStrictGop)(THIS_ long on) PURE;               // 0 or 1
    STDMETHOD(EndConfig)(THIS_ long value) PURE;               // 0
    // Pictures encoded, and pictures and sound blocks dropped, since the last start.
    STDMETHOD(GetCounts)(THIS_ long* written, long* droppedPictures, long* droppedSound) PURE;
    // The last error in words ("" when none), at most size bytes with the terminating zero.
    STDMETHOD(GetLastErrorText)(THIS_ char* text, long size) PURE;
};
#undef INTERFACE
__CRT_UUID_DECL(IMpegEncoderConfig, 0xc291943e, 0x8a3f, 0x468e, 0xaa, 0xdd, 0x66, 0xfe, 0x34, 0xc5, 0xeb,
                0x8a)

// Sound settings {EED418E0-FBF0-40E4-9AE4-773388B82A89}; same answers as the configuration.
#define INTERFACE IMpegEncoderAudio
DECLARE_INTERFACE_(IMpegEncoderAudio, IUnknown) {
    STDMETHOD(QueryInterface)(THIS_ REFIID riid, void** ppv) PURE;
    STDMETHOD_(ULONG, AddRef)(THIS) PURE;
    STDMETHOD_(ULONG, Release)(THIS) PURE;
    STDMETHOD(EnableAudio)(THIS_ long on) PURE;
    STDMETHOD(SetSyncTolerance)(THIS_ long pictures) PURE; // 1 .. 250
    STDMETHOD(SetStereo)(THIS_ long on) PURE;
    STDMETHOD(SetChannelMode)(THIS_ long mode) PURE; // 0 stereo, 1 mixed to mono
    STDMETHOD(SetFillGaps)(THIS_ long on) PURE;
    STDMETHOD(SetDropEarlyAudio)(THIS_ long on) PURE;
    STDMETHOD(SetStandardRate)(THIS_ long on) PURE;
    STDMETHOD(SetBitRates)(THIS_ long stereoPerChannelKbps, long monoKbps) PURE; // 1 .. 192 each
};
#undef INTERFACE
__CRT_UUID_DECL(IMpegEncoderAudio, 0xeed418e0, 0xfbf0, 0x40e4, 0x9a, 0xe4, 0x77, 0x33, 0x88, 0xb8, 0x2a, 0x89)
