// Card identification by friendly name and the companion-filter table per card family.
// Pure logic: no Windows headers, so it can be tested alone.
#include "engine/card_rules.h"

#include <algorithm>

namespace tunaro {

namespace {

bool Contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

} // namespace

int CardTypeOfName(const std::string& name, EngineBuild build) {
    if (build == EngineBuild::Tv) {
        if (Contains(name, "QRT77"))
            return kCardQrt77;
        if (Contains(name, "TV Card(10BIT)"))
            return kCardTenBit;
        if (Contains(name, "TV Card(Philips)"))
            return kCardPhilips;
        if (Contains(name, "Ph7134 Video") || Contains(name, "Lumen Grabber K3"))
            return kCardSaa7134;
        if (Contains(name, "UTV"))
            return kCardUtv;
        if (Contains(name, "Conexant 2388x"))
            return kCardCx2388x;
        return -1;
    }
    if (Contains(name, "UTV"))
        return kLibCardUtv;
    if (Contains(name, "Ph7134") || Contains(name, "Lumen Grabber K3"))
        return kLibCardSaa7134;
    if (Contains(name, "TV Card(10BIT)"))
        return kLibCardTenBit;
    return -1;
}

CardMatch IdentifyCard(const std::vector<EnumeratedDevice>& devices, EngineBuild build) {
    CardMatch match;
    const int count =
        static_cast<int>(devices.size()) < kDeviceSlots ? static_cast<int>(devices.size()) : kDeviceSlots;
    for (int i = 0; i < count; ++i) {
        if (!devices[i].hasName)
            continue;
        const int type = CardTypeOfName(devices[i].name, build);
        if (type >= 0) {
            match.index = i;
            match.cardType = type;
            match.visited = i;
            return match;
        }
    }
    match.visited = count;
    return match;
}

CompanionNames CompanionNamesFor(int cardType, EngineBuild build) {
    CompanionNames n;
    if (build == EngineBuild::Library) {
        switch (cardType) {
        case kLibCardUtv:
            n.tuner = n.crossbar = "UTV2820";
            break;
        case kLibCardSaa7134:
            n.tuner = "Ph7134";
            n.tunerFallback = "Lumen Grabber K3";
            n.crossbar = "Cap7134";
            n.audioRenderer = true; // the FM listening graph plays the card's sound
            break;
        case kLibCardTenBit:
            n.tuner = n.crossbar = "TV Card(10BIT)";
            break;
        default:
            break;
        }
        return n;
    }
    switch (cardType) {
    case kCardQrt77:
        n.tuner = n.crossbar = "QRT77";
        break;
    case kCardTenBit:
        n.tuner = n.crossbar = "TV Card(10BIT)";
        break;
    case kCardPhilips:
        n.tuner = "PhTVTune";
        n.crossbar = "TV Card(Philips)";
        break;
    case kCardSaa7134:
        n.tuner = "Ph7134 TV";
        n.tunerFallback = "Lumen Grabber K3";
        n.crossbar = "Cap7134 Crossbar";
        n.crossbarFallback = "Lumen Grabber K3";
        n.audioRenderer = true;
        break;
    case kCardUtv:
        n.tuner = n.crossbar = "UTV";
        n.audioRenderer = true;
        n.cardAudio = "UTV";
        n.cardAudioGraphName = L"UTV2820 Audio Device";
        break;
    case kCardCx2388x:
        n.tuner = n.crossbar = "Conexant 2388x";
        n.audioRenderer = true;
        n.cardAudio = "2388x AvStream Audio Capture";
        n.cardAudioGraphName = L"2388x AvStream Audio Capture";
        n.encoder = "2388x MPEG Encoder";
        n.encoderGraphName = L"2388x MPEG Encoder Capture";
        break;
    default:
        break;
    }
    return n;
}

std::vector<std::string> CardAudioNameParts(int cardType, EngineBuild build) {
    if (build == EngineBuild::Library) {
        switch (cardType) {
        case kLibCardUtv:
            return {"UTV"};
        case kLibCardSaa7134:
            return {"Ph7134", "Lumen Grabber K3"};
        case kLibCardTenBit:
            return {"TV Card(10BIT)"};
        default:
            return {};
        }
    }
    switch (cardType) {
    case kCardQrt77:
        return {"QRT77"};
    case kCardTenBit:
        return {"TV Card(10BIT)"};
    case kCardPhilips:
        return {"TV Card(Philips)"};
    case kCardSaa7134:
        return {"Ph7134", "Lumen Grabber K3"};
    case kCardUtv:
        return {"UTV"};
    case kCardCx2388x:
        return {"2388x"};
    default:
        return {};
    }
}

AudioChoice ChooseCaptureAudio(const std::vector<EnumeratedDevice>& devices, int cardType,
                               EngineBuild build) {
    AudioChoice choice;
    const std::vector<std::string> parts = CardAudioNameParts(cardType, build);
    const int n = std::min(static_cast<int>(devices.size()), kDeviceSlots);
    for (int i = 0; i < n; ++i) {
        if (!devices[i].hasName)
            continue;
        for (const std::string& part : parts) {
            if (devices[i].name.find(part) != std::string::npos)
                return {i, true};
        }
        if (choice.index < 0)
            choice.index = i;
    }
    return choice;
}

bool MonitorsSound(int cardType) {
    return cardType == kCardSaa7134 || cardType == kCardUtv || cardType == kCardCx2388x;
}

int PreviewOutputOf(int cardType, bool grabberChain) {
    if (cardType == kCardUtv)
        return 0;
    if (cardType == kCardCx2388x && !grabberChain)
        return 0;
    return 1;
}

int LibraryCardTypeOfSelection(const std::string& name, int current) {
    int type = current;
    if (Contains(name, "UTV2820"))
        type = kLibCardUtv;
    if (Contains(name, "Ph7134") || Contains(name, "Lumen Grabber K3"))
        type = kLibCardSaa7134;
    return type;
}

} // namespace tunaro
