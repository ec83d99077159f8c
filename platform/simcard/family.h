// The simulated card families: the friendly names their driver filters register under, the
// capture filter's output pins, and the crossbar's pin order.
#pragma once

#include <string>
#include <vector>

namespace simcard {

enum class Family { None, Saa7134, Lumen, Cx2388x, Utv, TenBit, Philips, Qrt77 };

// Physical connector types of crossbar pins (as the platform numbers them).
enum : long {
    kConnVideoTuner = 1,
    kConnVideoComposite = 2,
    kConnVideoSVideo = 3,
    kConnVideoDecoder = 12,
    kConnAudioTuner = 4096,
    kConnAudioLine = 4097,
    kConnAudioDecoder = 4105,
};

struct CrossbarPin {
    long type;    // physical connector type
    long related; // index of the related pin on the same side
};

struct FamilyInfo {
    Family family;
    const char* key; // the name make-prefix.sh --card and the setup's /CARD= take
    const wchar_t* capture;
    const wchar_t* tuner;
    const wchar_t* crossbar;
    const wchar_t* audio;   // separate audio capture filter, or null
    const wchar_t* encoder; // hardware MPEG encoder, or null
    bool previewPin;        // capture filter output 1 is a preview pin
    bool audioPin;          // capture filter carries the audio as its last output
    bool upsideDown;        // pictures arrive bottom line first
    // Crossbar inputs in pin order; the outputs are always 0 video decoder, 1 audio decoder.
    std::vector<CrossbarPin> inputs;
};

// The family for a key (case-insensitive); null for an unknown key. "NONE" gives a family
// with no filters.
const FamilyInfo* FindFamily(const std::string& key);
const FamilyInfo& FamilyOf(Family f);
const std::vector<FamilyInfo>& AllFamilies();

// The unrelated generic video device that can be listed before the card.
extern const wchar_t kGenericDeviceName[];

} // namespace simcard
