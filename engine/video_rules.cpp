// Preview sizes, country folding, picture scaling and connector names of the capture engine.
// Pure logic: no Windows headers, so it can be tested alone.
#include "engine/video_rules.h"

#include "engine/card_rules.h"

namespace tunaro {

bool IsNtscStandard(long standard) {
    return standard == kStandardNtscM || standard == kStandardNtscMJ || standard == kStandardNtsc433;
}

FrameSize TvPreviewSize(int cardType, long standard, bool smallPreview) {
    if (smallPreview)
        return {320, 240};
    if (cardType == kCardUtv)
        return {640, 576};
    return IsNtscStandard(standard) ? FrameSize{720, 480} : FrameSize{720, 576};
}

FrameSize LibraryPreviewSize(long standard) {
    return IsNtscStandard(standard) ? FrameSize{720, 480} : FrameSize{720, 576};
}

FrameSize DesktopPreviewSize(int cardType) {
    return cardType == kCardUtv ? FrameSize{360, 576} : FrameSize{720, 288};
}

namespace {

struct CodeRange {
    long first, last;
};

// Groups of the UTV tuner's country setting: each group lists single codes and ranges.
constexpr CodeRange kGroup33[] = {
    {1, 2},     {33, 33},   {51, 53},   {56, 58},   {63, 63},   {81, 82},   {84, 84},
    {95, 95},   {238, 238}, {246, 247}, {265, 265}, {269, 269}, {290, 291}, {297, 297},
    {299, 299}, {376, 376}, {501, 509}, {590, 590}, {597, 597}, {670, 671}, {674, 674},
    {676, 678}, {680, 680}, {683, 683}, {688, 688}, {690, 692}, {886, 886}, {975, 975},
};
constexpr CodeRange kGroup852[] = {
    {27, 27}, {44, 44}, {244, 244}, {264, 264}, {266, 266}, {353, 353}, {500, 500}, {852, 853},
};
constexpr CodeRange kGroup49[] = {
    {31, 32},   {34, 34},   {39, 39},   {41, 41},   {43, 43},   {45, 49},   {61, 62},   {64, 65},
    {90, 94},   {213, 213}, {231, 237}, {239, 239}, {248, 252}, {254, 256}, {258, 258}, {260, 260},
    {263, 263}, {268, 268}, {298, 298}, {350, 352}, {354, 358}, {370, 370}, {372, 372}, {378, 378},
    {381, 381}, {385, 387}, {389, 389}, {421, 421}, {672, 673}, {675, 675}, {682, 682}, {685, 686},
    {855, 856}, {880, 880}, {960, 960}, {962, 962}, {965, 965}, {967, 968}, {971, 974}, {977, 977},
};
constexpr CodeRange kGroup86[] = {{40, 40}, {86, 86}, {420, 420}};

template <size_t N> bool InGroup(const CodeRange (&group)[N], long code) {
    for (const CodeRange& r : group) {
        if (code >= r.first && code <= r.last)
            return true;
    }
    return false;
}

} // namespace

long FoldCountryCode(long code) {
    if (InGroup(kGroup33, code))
        return 33;
    if (InGroup(kGroup852, code))
        return 852;
    if (InGroup(kGroup49, code))
        return 49;
    if (InGroup(kGroup86, code))
        return 86;
    return code;
}

long PictureToDevice(long value, long minimum, long maximum) {
    if (maximum <= minimum)
        return minimum;
    // 64-bit intermediate: wide device ranges times 255 must not overflow a 32-bit long.
    const int64_t span = static_cast<int64_t>(maximum) - minimum;
    return static_cast<long>(minimum + static_cast<int64_t>(value) * span / 255);
}

long PictureFromDevice(long deviceValue, long minimum, long maximum) {
    if (maximum <= minimum)
        return 0;
    const int64_t span = static_cast<int64_t>(maximum) - minimum;
    return static_cast<long>((static_cast<int64_t>(deviceValue) - minimum) * 255 / span);
}

const char* ConnectorName(long physicalType) {
    switch (physicalType) {
    case 1:
        return "Video Tuner";
    case 2:
        return "Video Composite";
    case 3:
        return "Video SVideo";
    case 4:
        return "Video RGB";
    case 5:
        return "Video YRYBY";
    case 6:
        return "Video SerialDigital";
    case 7:
        return "Video ParallelDigital";
    case 8:
        return "Video SCSI";
    case 9:
        return "Video AUX";
    case 10:
        return "Video 1394";
    case 11:
        return "Video USB";
    case 12:
        return "Video Decoder";
    case 13:
        return "Video Encoder";
    case 4096:
        return "Audio Tuner";
    case 4097:
        return "Audio Line";
    case 4098:
        return "Audio Mic";
    case 4099:
        return "Audio AESDigital";
    case 4100:
        return "Audio SPDIFDigital";
    case 4101:
        return "Audio SCSI";
    case 4102:
        return "Audio AUX";
    case 4103:
        return "Audio 1394";
    case 4104:
        return "Audio USB";
    case 4105:
        return "Audio Decoder";
    default:
        return "Unknown";
    }
}

} // namespace tunaro
