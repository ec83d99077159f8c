// Rules of the engine that are plain arithmetic: preview sizes by card and standard, the country
// folding of the UTV tuner, the 0..255 picture scale, and the crossbar connector names.
#pragma once

#include <cstdint>

namespace tunaro {

// Analogue video standard bits (the values DirectShow uses).
enum : long {
    kStandardNtscM = 0x1,
    kStandardNtscMJ = 0x2,
    kStandardNtsc433 = 0x4,
    kStandardPalB = 0x10,
    kStandardPalD = 0x20,
    kStandardPalH = 0x80,
    kStandardPalI = 0x100,
    kStandardPalM = 0x200,
    kStandardPalN = 0x400,
    kStandardSecamB = 0x1000,
    kStandardSecamD = 0x2000,
    kStandardSecamL = 0x40000,
};

struct FrameSize {
    long width = 0;
    long height = 0;
};

// NTSC-M, NTSC-M Japan and NTSC-4.43: 480 lines at 30 frames per second.
bool IsNtscStandard(long standard);

// Preview pin format of the TV build: the TV wall's small preview is 320x240 on every card; the
// UTV card previews at 640x576; the others at 720x480 on NTSC and 720x576 otherwise.
FrameSize TvPreviewSize(int cardType, long standard, bool smallPreview);
// The capture library previews at full size by the standard alone.
FrameSize LibraryPreviewSize(long standard);
// Desktop video mode: one field of the picture (360x576 on the UTV card, else 720x288).
FrameSize DesktopPreviewSize(int cardType);

// Folds a telephone-style country code into the group code the UTV tuner understands
// (33, 852, 49 or 86); every code outside the table is passed on unchanged.
long FoldCountryCode(long code);

// Picture controls of the TV build work on 0..255; the device has its own range.
// Both truncate like the integer arithmetic they are; an empty range (max <= min) maps to min / 0.
long PictureToDevice(long value, long minimum, long maximum);
long PictureFromDevice(long deviceValue, long minimum, long maximum);

// Name of a crossbar physical connector type ("Video Tuner", "Audio Line", ... "Unknown").
const char* ConnectorName(long physicalType);
// Connector types from this value on are audio connectors.
inline constexpr long kFirstAudioConnector = 4096;

} // namespace tunaro
