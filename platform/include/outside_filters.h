// Class identifiers and private interfaces of the outside video filters that ship with the card
// software (frame grabber, display optimisers, deinterlacer, invert, down-size), as their SDK gives them.
// Also the Overlay Mixer's pin configuration interface, which the platform headers lack.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <strmif.h>

namespace tunaro {

// ---- class identifiers ------------------------------------------------------------------------

// Frame grabber: passes video through unchanged and keeps a copy of the last frame.
inline constexpr GUID kClsidFrameGrabber = {
    0x8af1826f, 0x4859, 0x4930, {0xbd, 0x19, 0x6d, 0xfe, 0x03, 0xa3, 0xd4, 0xe9}};
// Display optimiser of the QRT77 card (private interface IDispOptimQrt).
inline constexpr GUID kClsidDispOptimQrt = {
    0xe6b05952, 0x03f4, 0x47cb, {0xa1, 0xd9, 0xf6, 0xb7, 0xf5, 0x64, 0x99, 0x02}};
// Display optimiser of every other card (private interface IDispOptim).
inline constexpr GUID kClsidDispOptim = {
    0xa5b3c491, 0x9b93, 0x4b46, {0x8c, 0xb9, 0x28, 0xd0, 0x61, 0xf7, 0xa0, 0x51}};
// "HT Deinterlacer Filter" (YUY2 in, YUY2 out).
inline constexpr GUID kClsidDeinterlacer = {
    0x335d166f, 0xbdcf, 0x4b7e, {0xb3, 0x60, 0x6a, 0x59, 0x61, 0x7c, 0x80, 0x36}};
// "Vazuvoduz Video Invert Filter": flips the picture vertically.
inline constexpr GUID kClsidVideoInvert = {
    0xdc3b1c46, 0x3437, 0x4848, {0x94, 0x80, 0xa4, 0xdf, 0xa2, 0x8f, 0xa7, 0xa4}};
// "DownSize Filter": halves the picture for a preview branch.
inline constexpr GUID kClsidDownSize = {
    0x71a6e9a9, 0xbbd4, 0x433e, {0xa3, 0x43, 0x1a, 0x37, 0x87, 0xa4, 0xe9, 0x80}};
// The WAV writer ("WaveDest"): sound in, a RIFF/WAVE stream out to the File Writer.
inline constexpr GUID kClsidWaveDest = {
    0x3c78b8e2, 0x6c4d, 0x11d1, {0xad, 0xe2, 0x00, 0x00, 0xf8, 0x75, 0x4b, 0x99}};
// "TimeShift File Source": reads the time-shift file while it is still being written; its
// IAsyncReader answers VFW_S_ESTIMATED from Length while a writer has the file open.
inline constexpr GUID kClsidFollowSource = {
    0x4b225800, 0xefda, 0x48b6, {0x86, 0x08, 0xba, 0x22, 0x2c, 0xd7, 0x51, 0xe5}};

// Friendly names the filters register under and the engine gives them in its graphs.
inline constexpr const wchar_t kNameDeinterlacer[] = L"HT Deinterlacer Filter";
inline constexpr const wchar_t kNameVideoInvert[] = L"Vazuvoduz Video Invert Filter";
inline constexpr const wchar_t kNameDispOptim[] = L"DispOptim Filter";
inline constexpr const wchar_t kNameDownSize[] = L"DownSize Filter";
inline constexpr const wchar_t kNameFollowSource[] = L"TimeShift File Source";

} // namespace tunaro

// ---- private interfaces -----------------------------------------------------------------------

// Frame grabber {DBF3612D-1C81-4513-AAC6-97CB856BC959}.
#undef INTERFACE
#define INTERFACE IFrameGrabber
DECLARE_INTERFACE_(IFrameGrabber, IUnknown) {
    STDMETHOD(QueryInterface)(THIS_ REFIID riid, void** ppv) PURE;
    STDMETHOD_(ULONG, AddRef)(THIS) PURE;
    STDMETHOD_(ULONG, Release)(THIS) PURE;
    // Copies the last frame that passed through into buffer: the first length bytes, or the whole
    // frame (as the connected media type describes it) when length is 0. S_OK; E_POINTER for a null
    // buffer; VFW_E_NOT_CONNECTED when unconnected; E_FAIL when no frame has arrived yet.
    STDMETHOD(GetCurrentFrame)(THIS_ BYTE * buffer, LONG length) PURE;
};
#undef INTERFACE
__CRT_UUID_DECL(IFrameGrabber, 0xdbf3612d, 0x1c81, 0x4513, 0xaa, 0xc6, 0x97, 0xcb, 0x85, 0x6b, 0xc9, 0x59)

// Display optimiser, every card but the QRT77 {7416DF65-FBC3-4313-9D3C-8AD219B95EEF}.
#define INTERFACE IDispOptim
DECLARE_INTERFACE_(IDispOptim, IUnknown) {
    STDMETHOD(QueryInterface)(THIS_ REFIID riid, void** ppv) PURE;
    STDMETHOD_(ULONG, AddRef)(THIS) PURE;
    STDMETHOD_(ULONG, Release)(THIS) PURE;
    // Display mode value; the engine sets 0 after every graph build.
    STDMETHOD(SetMode)(THIS_ LONG mode) PURE;
    // Size in bytes of the current still image as a packed DIB (40-byte BITMAPINFOHEADER followed
    // by the pixels); 0 while no picture has been displayed.
    STDMETHOD(GetImageSize)(THIS_ LONG * size) PURE;
    // Copies the packed DIB into buffer, at most length bytes. S_OK; E_POINTER for a null buffer;
    // E_OUTOFMEMORY (nothing copied) when length is smaller than the image; E_FAIL with no picture.
    STDMETHOD(GetImage)(THIS_ BYTE * buffer, LONG length) PURE;
};
#undef INTERFACE
__CRT_UUID_DECL(IDispOptim, 0x7416df65, 0xfbc3, 0x4313, 0x9d, 0x3c, 0x8a, 0xd2, 0x19, 0xb9, 0x5e, 0xef)

// Display optimiser of the QRT77 card {93C3C866-00B6-48BD-8461-11ED24D05495}: the same operations.
#define INTERFACE IDispOptimQrt
DECLARE_INTERFACE_(IDispOptimQrt, IUnknown) {
    STDMETHOD(QueryInterface)(THIS_ REFIID riid, void** ppv) PURE;
    STDMETHOD_(ULONG, AddRef)(THIS) PURE;
    STDMETHOD_(ULONG, Release)(THIS) PURE;
    STDMETHOD(SetMode)(THIS_ LONG mode) PURE;
    STDMETHOD(GetImageSize)(THIS_ LONG * size) PURE;
    STDMETHOD(GetImage)(THIS_ BYTE * buffer, LONG length) PURE;
};
#undef INTERFACE
__CRT_UUID_DECL(IDispOptimQrt, 0x93c3c866, 0x00b6, 0x48bd, 0x84, 0x61, 0x11, 0xed, 0x24, 0xd0, 0x54, 0x95)

// ---- stock interface the platform headers lack ------------------------------------------------

// The Overlay Mixer's input pin configuration (IID_IMixerPinConfig, from the uuid library). Only
// the aspect-ratio mode matters to the suite: the engine sets AM_ARMODE_STRETCHED on input 0.
// Its names are the platform's own.
// NOLINTBEGIN(readability-identifier-naming)
#if !defined(__IMixerPinConfig_INTERFACE_DEFINED__) && !defined(__MPCONFIG__)
#define __IMixerPinConfig_INTERFACE_DEFINED__
typedef enum _AM_ASPECT_RATIO_MODE {
    AM_ARMODE_STRETCHED,
    AM_ARMODE_LETTER_BOX,
    AM_ARMODE_CROP,
    AM_ARMODE_STRETCHED_AS_PRIMARY
} AM_ASPECT_RATIO_MODE;

#define INTERFACE IMixerPinConfig
DECLARE_INTERFACE_(IMixerPinConfig, IUnknown) {
    STDMETHOD(QueryInterface)(THIS_ REFIID riid, void** ppv) PURE;
    STDMETHOD_(ULONG, AddRef)(THIS) PURE;
    STDMETHOD_(ULONG, Release)(THIS) PURE;
    STDMETHOD(SetRelativePosition)(THIS_ DWORD left, DWORD top, DWORD right, DWORD bottom) PURE;
    STDMETHOD(GetRelativePosition)(THIS_ DWORD * left, DWORD * top, DWORD * right, DWORD * bottom) PURE;
    STDMETHOD(SetZOrder)(THIS_ DWORD zOrder) PURE;
    STDMETHOD(GetZOrder)(THIS_ DWORD * zOrder) PURE;
    STDMETHOD(SetColorKey)(THIS_ COLORKEY * colorKey) PURE;
    STDMETHOD(GetColorKey)(THIS_ COLORKEY * colorKey, DWORD * color) PURE;
    STDMETHOD(SetBlendingParameter)(THIS_ DWORD blending) PURE;
    STDMETHOD(GetBlendingParameter)(THIS_ DWORD * blending) PURE;
    STDMETHOD(SetAspectRatioMode)(THIS_ AM_ASPECT_RATIO_MODE mode) PURE;
    STDMETHOD(GetAspectRatioMode)(THIS_ AM_ASPECT_RATIO_MODE * mode) PURE;
    STDMETHOD(SetStreamTransparent)(THIS_ BOOL transparent) PURE;
    STDMETHOD(GetStreamTransparent)(THIS_ BOOL * transparent) PURE;
};
#undef INTERFACE
__CRT_UUID_DECL(IMixerPinConfig, 0x593cdde1, 0x0759, 0x11d1, 0x9e, 0x69, 0x00, 0xc0, 0x4f, 0xd7, 0xc1, 0x5b)
#endif
// NOLINTEND(readability-identifier-naming)
