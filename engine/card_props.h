// Kernel property sets and buffer layouts the engine exchanges with the card's driver filters
// (tuner frequency, mode capabilities, decoder status, the vendor audio mode).
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace tunaro {

inline constexpr GUID kPropSetTuner = {
    0x6a2e0605, 0x28e4, 0x11d0, {0xa1, 0x8c, 0x00, 0xa0, 0xc9, 0x11, 0x89, 0x56}};
inline constexpr GUID kPropSetVideoDecoder = {
    0xc6e13350, 0x30ac, 0x11d0, {0xa1, 0x8c, 0x00, 0xa0, 0xc9, 0x11, 0x89, 0x56}};
inline constexpr GUID kPropSetVendorAudio = {
    0xc44a1a10, 0x0a37, 0x11d2, {0x83, 0x28, 0x00, 0x60, 0x97, 0xba, 0x83, 0xab}};
inline constexpr GUID kCategoryEncoder = {
    0x19689bf6, 0xc384, 0x48fd, {0xad, 0x51, 0x90, 0xe5, 0x8c, 0x79, 0xf7, 0x0b}};
inline constexpr GUID kCategoryCapture = {
    0x65e8773d, 0x8f56, 0x11d0, {0xa3, 0xb9, 0x00, 0xa0, 0xc9, 0x22, 0x31, 0x96}};

enum : ULONG { kTunerPropModeCaps = 1, kTunerPropFrequency = 4, kTunerPropStatus = 6 };
enum : ULONG { kDecoderPropStatus = 2 };
enum : ULONG { kKsTunerModeTv = 0x1, kKsTunerModeFmRadio = 0x2 };

struct KsPropertyHeader {
    GUID Set;
    uint32_t Id;
    uint32_t Flags;
};
static_assert(sizeof(KsPropertyHeader) == 24, "property header is 24 bytes");

struct TunerFrequencyProperty {
    KsPropertyHeader Property;
    uint32_t Frequency;
    uint32_t LastFrequency;
    uint32_t TuningFlags;
    uint32_t VideoSubChannel;
    uint32_t AudioSubChannel;
    uint32_t Channel;
    uint32_t Country;
    uint32_t Reserved;
};
static_assert(sizeof(TunerFrequencyProperty) == 56, "frequency property is 56 bytes");

struct TunerModeCapsProperty {
    KsPropertyHeader Property;
    uint32_t Mode;
    uint32_t StandardsSupported;
    uint32_t MinFrequency;
    uint32_t MaxFrequency;
    uint32_t TuningGranularity;
    uint32_t NumberOfInputs;
    uint32_t SettlingTime;
    uint32_t Strategy;
};
static_assert(sizeof(TunerModeCapsProperty) == 56, "mode-caps property is 56 bytes");

struct VideoDecoderStatusProperty {
    KsPropertyHeader Property;
    uint32_t NumberOfLines;
    uint32_t SignalLocked;
};
static_assert(sizeof(VideoDecoderStatusProperty) == 32, "decoder status property is 32 bytes");

enum : ULONG { kVendorAudioModeProperty = 4 };
inline constexpr uint32_t kVendorAudioModeMagic = 0x16160000;
inline constexpr size_t kVendorAudioModeBufferSize = 120;
inline constexpr size_t kVendorAudioModeWord = 6;

} // namespace tunaro
