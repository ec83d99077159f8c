// The text of a Windows Media profile (.prx): its streams with their media descriptions, read
// from the profile's XML. Pure logic: the runtime stand-in builds its profile objects from it,
// and everything a profile may get wrong is refused here with a reason.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace wmformat {

struct Guid {
    uint32_t data1 = 0;
    uint16_t data2 = 0, data3 = 0;
    uint8_t data4[8] = {};
    bool operator==(const Guid& o) const;
    bool operator!=(const Guid& o) const { return !(*this == o); }
};

// The major types a profile stream may carry.
extern const Guid kMajorAudio;
extern const Guid kMajorVideo;

struct AudioFormat {
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    std::vector<uint8_t> codecData; // the bytes after WAVEFORMATEX
};

struct VideoFormat {
    uint32_t bitRate = 0;
    int64_t avgTimePerFrame = 0; // 100 ns
    int32_t width = 0, height = 0;
    uint16_t bitCount = 0;
    uint32_t compression = 0; // four-cc
    int32_t quality = -1;     // videomediaprops, -1 when absent
    int64_t maxKeyFrameSpacing = 0;
};

struct ProfileStream {
    Guid majorType;
    Guid subtype;
    uint16_t number = 0;
    std::string name;       // UTF-8
    std::string connection; // UTF-8: the input's name
    uint32_t bitRate = 0;
    uint32_t bufferWindow = 0; // ms; 0xFFFFFFFF for "-1"
    bool fixedSizeSamples = false;
    bool temporalCompression = false;
    uint32_t sampleSize = 0;
    AudioFormat audio; // when majorType is audio
    VideoFormat video; // when majorType is video
    bool IsAudio() const { return majorType == kMajorAudio; }
    bool IsVideo() const { return majorType == kMajorVideo; }
};

struct ProfileText {
    uint32_t version = 0;
    std::string name, description; // UTF-8
    std::vector<ProfileStream> streams;
};

// Parses the UTF-16 text of a profile (up to its first null). False with a reason when it is not
// a profile this writer can use: not XML, no profile element, no stream, a stream without a
// usable media description, a stream number used twice or outside 1..63.
bool ParseProfile(const std::u16string& text, ProfileText* out, std::string* why);

// UTF-16 and UTF-8 conversions of the names.
std::string ToUtf8(const std::u16string& s);
std::u16string ToUtf16(const std::string& s);

} // namespace wmformat
