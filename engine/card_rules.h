// Card identification by the friendly names of the enumerated capture devices, and the names of
// the companion filters (tuner, crossbar, audio) that belong to each card family.
#pragma once

#include <string>
#include <vector>

namespace tunaro {

// The engine is compiled twice: into the TV application and into the capture library.
enum class EngineBuild { Tv, Library };

// Card-family codes of the TV build.
enum TvCardType {
    kCardNone = 0,
    kCardQrt77 = 1,
    kCardTenBit = 2,
    kCardPhilips = 3,
    kCardSaa7134 = 4,
    kCardUtv = 5,
    kCardCx2388x = 6,
};
// Card-family codes of the library build (0 is a real card there; "none" is index -1).
enum LibraryCardType {
    kLibCardUtv = 0,
    kLibCardSaa7134 = 1,
    kLibCardTenBit = 2,
};

// The engine keeps at most this many devices of each kind (video inputs, audio inputs).
inline constexpr int kDeviceSlots = 10;

// One enumerated device as identification sees it: its friendly name, if it has one.
struct EnumeratedDevice {
    bool hasName = false;
    std::string name;
};

struct CardMatch {
    int index = -1;   // enumeration index of the card's video capture device; -1 when none
    int cardType = 0; // family code of the build (meaningless while index is -1)
    int visited = 0;  // devices visited before the match (all of them when nothing matched)
};

// Card family of one friendly name, or -1 when the name belongs to no known card. The tests run
// in a fixed order, so a name holding two patterns gets the family tested first.
int CardTypeOfName(const std::string& name, EngineBuild build);

// Walks the devices in enumeration order (at most kDeviceSlots) and stops at the first one whose
// name identifies a card. Devices without a name are passed over.
CardMatch IdentifyCard(const std::vector<EnumeratedDevice>& devices, EngineBuild build);

// Friendly-name parts of a family's companion filters; empty text: no such filter.
struct CompanionNames {
    std::string tuner, tunerFallback;       // TV-tuner category
    std::string crossbar, crossbarFallback; // crossbar category
    bool audioRenderer = false;             // "Default WaveOut Device" from the audio renderers
    std::string cardAudio;                  // audio input category
    std::wstring cardAudioGraphName;        // name the card audio filter gets in the graph
    std::string encoder;                    // encoder category
    std::wstring encoderGraphName;
};
CompanionNames CompanionNamesFor(int cardType, EngineBuild build);

// Friendly-name parts by which a family's own audio capture device is known in the audio input
// category (its driver lists the card's sound there, beside the sound card's inputs).
std::vector<std::string> CardAudioNameParts(int cardType, EngineBuild build);

// The audio device capture takes its sound from: the first listed device that belongs to the
// card (cardOwn true). When the card lists none, the first named device of the system (the sound
// card the card's audio cable goes into; cardOwn false), or -1 when there is no named device.
struct AudioChoice {
    int index = -1;
    bool cardOwn = false;
};
AudioChoice ChooseCaptureAudio(const std::vector<EnumeratedDevice>& devices, int cardType, EngineBuild build);

// TV build: the families whose sound the engine plays through the audio renderer while the
// picture shows and while recording (the others' sound reaches the speakers by cable).
bool MonitorsSound(int cardType);

// TV build: the capture filter's output the preview chains take. The UTV card delivers its
// picture on output 0 alone; the 2388x card previews the overlay from output 0 and the grabber
// chains from its preview output 1, like every other family.
int PreviewOutputOf(int cardType, bool grabberChain);

// Library build: the card family a selected video device's name tells, or current when the name
// tells none (the selection keeps what was identified before).
int LibraryCardTypeOfSelection(const std::string& name, int current);

// Text of the friendly name of the audio renderer every card with sound monitoring uses.
inline constexpr const char kDefaultWaveOutName[] = "Default WaveOut Device";

} // namespace tunaro
