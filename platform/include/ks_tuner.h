// Kernel-streaming property sets and buffer layouts of analogue tuner cards: the GUIDs and
// structures the engine and the card's driver filters exchange through IKsPropertySet.
#pragma once

#include <windows.h>

#include <cstdint>

namespace tunaro {

// ---- property sets and device categories (values as the platform defines them) ----------

// Tuner properties: mode capabilities, mode, frequency, status.
inline constexpr GUID kPropSetTuner = {
    0x6a2e0605, 0x28e4, 0x11d0, {0xa1, 0x8c, 0x00, 0xa0, 0xc9, 0x11, 0x89, 0x56}};
// Video decoder properties: capabilities, standard, status (signal lock).
inline constexpr GUID kPropSetVideoDecoder = {
    0xc6e13350, 0x30ac, 0x11d0, {0xa1, 0x8c, 0x00, 0xa0, 0xc9, 0x11, 0x89, 0x56}};
// The card driver's own audio-mode property set (mono/stereo decoding of the TV sound).
inline constexpr GUID kPropSetVendorAudio = {
    0xc44a1a10, 0x0a37, 0x11d2, {0x83, 0x28, 0x00, 0x60, 0x97, 0xba, 0x83, 0xab}};
// The 2388x hardware MPEG encoder's configuration property set.
inline constexpr GUID kPropSetHardwareEncoder = {
    0xd2185a40, 0x0398, 0x11d3, {0xa5, 0x3e, 0x00, 0xa0, 0xc9, 0xef, 0x50, 0x6a}};
// Device category of hardware encoders.
inline constexpr GUID kCategoryEncoder = {
    0x19689bf6, 0xc384, 0x48fd, {0xad, 0x51, 0x90, 0xe5, 0x8c, 0x79, 0xf7, 0x0b}};
// Device-interface class of kernel capture devices (device-arrival broadcasts).
inline constexpr GUID kCategoryCapture = {
    0x65e8773d, 0x8f56, 0x11d0, {0xa3, 0xb9, 0x00, 0xa0, 0xc9, 0x22, 0x31, 0x96}};
// Raw VBI samples (media subtype) and the VBI format block type.
inline constexpr GUID kSubtypeRaw8 = {
    0xca20d9a0, 0x3e3e, 0x11d1, {0x9b, 0xf9, 0x00, 0xc0, 0x4f, 0xbb, 0xde, 0xbf}};
inline constexpr GUID kFormatVbi = {
    0xf72a76e0, 0xeb0a, 0x11d0, {0xac, 0xe4, 0x00, 0x00, 0xc0, 0xcc, 0x16, 0xba}};

// ---- property ids ---------------------------------------------------------------------------

enum : ULONG {
    kTunerPropCaps = 0,
    kTunerPropModeCaps = 1,
    kTunerPropMode = 2,
    kTunerPropStandard = 3,
    kTunerPropFrequency = 4,
    kTunerPropInput = 5,
    kTunerPropStatus = 6,
};
enum : ULONG {
    kDecoderPropCaps = 0,
    kDecoderPropStandard = 1,
    kDecoderPropStatus = 2,
};
// Tuner modes in the kernel property layout (not the same numbers as AMTUNER_MODE_*).
enum : ULONG {
    kKsTunerModeTv = 0x1,
    kKsTunerModeFmRadio = 0x2,
};

// ---- buffer layouts --------------------------------------------------------------------------
// Each property buffer starts with the 24-byte property header; what follows it is the
// "instance data" a caller may also pass separately to IKsPropertySet. The fields keep the
// names of the kernel-streaming structures they mirror.
// NOLINTBEGIN(readability-identifier-naming)

struct KsPropertyHeader {
    GUID Set;
    uint32_t Id;
    uint32_t Flags;
};
static_assert(sizeof(KsPropertyHeader) == 24, "property header is 24 bytes");

struct TunerFrequencyProperty { // property 4: 56 bytes, 32 of instance data
    KsPropertyHeader Property;
    uint32_t Frequency; // hertz
    uint32_t LastFrequency;
    uint32_t TuningFlags; // 1 exact, 2 fine, 3 coarse
    uint32_t VideoSubChannel;
    uint32_t AudioSubChannel;
    uint32_t Channel;
    uint32_t Country;
    uint32_t Reserved;
};
static_assert(sizeof(TunerFrequencyProperty) == 56, "frequency property is 56 bytes");

struct TunerModeCapsProperty { // property 1
    KsPropertyHeader Property;
    uint32_t Mode; // in: the mode asked about (kKsTunerMode*)
    uint32_t StandardsSupported;
    uint32_t MinFrequency;
    uint32_t MaxFrequency;
    uint32_t TuningGranularity;
    uint32_t NumberOfInputs;
    uint32_t SettlingTime; // milliseconds
    uint32_t Strategy;     // 1 = PLL
};
static_assert(sizeof(TunerModeCapsProperty) == 56, "mode-caps property is 56 bytes");

struct TunerModeProperty { // property 2
    KsPropertyHeader Property;
    uint32_t Mode;
};

struct TunerStatusProperty { // property 6
    KsPropertyHeader Property;
    uint32_t CurrentFrequency; // hertz
    uint32_t PLLOffset;        // 0 on a carrier, 1 near it, 2 further off, 3 nothing to lock to
    uint32_t SignalStrength;   // 0..100
    uint32_t Busy;
};
static_assert(sizeof(TunerStatusProperty) == 40, "status property is 40 bytes");

struct VideoDecoderCapsProperty { // property 0
    KsPropertyHeader Property;
    uint32_t StandardsSupported;
    uint32_t Capabilities;
    uint32_t SettlingTime;
    uint32_t HSyncPerVSync;
};

struct VideoDecoderStatusProperty { // property 2
    KsPropertyHeader Property;
    uint32_t NumberOfLines;
    uint32_t SignalLocked;
};
static_assert(sizeof(VideoDecoderStatusProperty) == 32, "decoder status property is 32 bytes");

struct VideoDecoderValueProperty { // property 1 (standard)
    KsPropertyHeader Property;
    uint32_t Value;
};
// NOLINTEND(readability-identifier-naming)

// The vendor audio-mode property: a 120-byte buffer whose seventh 32-bit word carries
// kVendorAudioModeMagic + 1 (stereo) or + 0 (mono); instance data start at byte 24.
enum : ULONG { kVendorAudioModeProperty = 4 };
inline constexpr uint32_t kVendorAudioModeMagic = 0x16160000;
inline constexpr size_t kVendorAudioModeBufferSize = 120;
inline constexpr size_t kVendorAudioModeWord = 6;

} // namespace tunaro
