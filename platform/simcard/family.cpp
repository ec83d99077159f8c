// Card family table of the simulated card: names, pins and crossbar order of each family.
#include "platform/simcard/family.h"

#include <cctype>

namespace simcard {

const wchar_t kGenericDeviceName[] = L"Generic USB Camera";

namespace {

// Crossbar inputs. Both orders put the tuner at routing-list index 1 (composite 0, tuner 1,
// S-video 2, counting video inputs only). Order A has the tuner's sound at input 3, order B
// at input 4 (its line input comes first).
std::vector<CrossbarPin> OrderA() {
    return {{kConnVideoComposite, 4},
            {kConnVideoTuner, 3},
            {kConnVideoSVideo, 4},
            {kConnAudioTuner, 1},
            {kConnAudioLine, 0}};
}
std::vector<CrossbarPin> OrderB() {
    return {{kConnVideoComposite, 3},
            {kConnVideoTuner, 4},
            {kConnVideoSVideo, 3},
            {kConnAudioLine, 0},
            {kConnAudioTuner, 1}};
}

std::vector<FamilyInfo> MakeTable() {
    return {
        {Family::None, "NONE", nullptr, nullptr, nullptr, nullptr, nullptr, false, false, false, {}},
        // The SAA7134 boards carry their sound twice: on the capture filter's audio output and,
        // like every card with audio DMA, as a wave input of their own in the audio input category.
        {Family::Saa7134, "SAA7134", L"Ph7134 Video Capture", L"Ph7134 TV Tuner", L"Cap7134 Crossbar",
         L"Ph7134 Audio Capture", nullptr, true, true, false, OrderA()},
        {Family::Lumen, "LUMEN", L"Lumen Grabber K3 Video Capture", L"Lumen Grabber K3 TV Tuner",
         L"Lumen Grabber K3 Crossbar", L"Lumen Grabber K3 Audio Capture", nullptr, true, true, false,
         OrderA()},
        {Family::Cx2388x, "CX2388X", L"Conexant 2388x Video Capture", L"Conexant 2388x Tuner",
         L"Conexant 2388x Crossbar", L"2388x AvStream Audio Capture", L"2388x MPEG Encoder", true, false,
         false, OrderA()},
        {Family::Utv, "UTV", L"UTV2820 Video Capture", L"UTV2820 TV Tuner", L"UTV2820 Crossbar",
         L"UTV2820 Audio Device", nullptr, false, false, true, OrderB()},
        {Family::TenBit, "TENBIT", L"TV Card(10BIT) Video Capture", L"TV Card(10BIT) Tuner",
         L"TV Card(10BIT) Crossbar", L"TV Card(10BIT) Audio Capture", nullptr, true, false, false, OrderB()},
        {Family::Philips, "PHILIPS", L"TV Card(Philips) Video Capture", L"PhTVTune",
         L"TV Card(Philips) Crossbar", L"TV Card(Philips) Audio Capture", nullptr, true, false, false,
         OrderA()},
        {Family::Qrt77, "QRT77", L"QRT77 Video Capture", L"QRT77 TV Tuner", L"QRT77 Crossbar",
         L"QRT77 Audio Capture", nullptr, true, false, false, OrderA()},
    };
}

bool SameNoCase(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (toupper(static_cast<unsigned char>(a[i])) != toupper(static_cast<unsigned char>(b[i])))
            return false;
    return i == a.size() && b[i] == '\0';
}

} // namespace

const std::vector<FamilyInfo>& AllFamilies() {
    static const std::vector<FamilyInfo> kTable = MakeTable();
    return kTable;
}

const FamilyInfo* FindFamily(const std::string& key) {
    for (const FamilyInfo& f : AllFamilies())
        if (SameNoCase(key, f.key))
            return &f;
    return nullptr;
}

const FamilyInfo& FamilyOf(Family f) {
    for (const FamilyInfo& i : AllFamilies())
        if (i.family == f)
            return i;
    return AllFamilies().front();
}

} // namespace simcard
