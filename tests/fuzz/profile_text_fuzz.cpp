// Fuzz target of the recording profile's text (.prx): any bytes, read as the UTF-16 the runtime
// loads and as UTF-8 text widened first, parse without a memory or arithmetic fault or a runaway
// nesting; an accepted profile holds only what its users may rely on, a refused one says why;
// the text conversions give back what they were given. A character reference made of the
// input's first bytes is taken exactly when it is a whole number of Unicode.
#include "tests/fuzz/fuzz_check.h"

#include "platform/wmformat/profile_text.h"

#include <cstddef>
#include <cstdint>
#include <string>

using namespace wmformat;

namespace {

bool SameStream(const ProfileStream& a, const ProfileStream& b) {
    return a.majorType == b.majorType && a.subtype == b.subtype && a.number == b.number && a.name == b.name &&
           a.connection == b.connection && a.bitRate == b.bitRate && a.bufferWindow == b.bufferWindow &&
           a.sampleSize == b.sampleSize && a.audio.formatTag == b.audio.formatTag &&
           a.audio.codecData == b.audio.codecData && a.video.width == b.video.width &&
           a.video.height == b.video.height && a.video.compression == b.video.compression &&
           a.video.quality == b.video.quality;
}

void CheckProfile(const std::u16string& text) {
    ProfileText profile;
    std::string why;
    const bool taken = ParseProfile(text, &profile, &why);
    if (!taken) {
        FUZZ_CHECK(!why.empty());
        return;
    }
    FUZZ_CHECK(!profile.streams.empty());
    uint64_t used = 0;
    for (const ProfileStream& s : profile.streams) {
        FUZZ_CHECK(s.number >= 1 && s.number <= 63);
        FUZZ_CHECK((used & (uint64_t{1} << s.number)) == 0);
        used |= uint64_t{1} << s.number;
        FUZZ_CHECK(s.IsAudio() != s.IsVideo());
        FUZZ_CHECK(s.bitRate >= 1 && s.bitRate <= 0x7FFFFFFFu);
        if (s.IsAudio()) {
            FUZZ_CHECK(s.audio.channels >= 1 && s.audio.channels <= 8);
            FUZZ_CHECK(s.audio.samplesPerSec >= 1000 && s.audio.samplesPerSec <= 384000);
            FUZZ_CHECK(s.audio.blockAlign >= 1);
        } else {
            FUZZ_CHECK(s.video.width >= 16 && s.video.width <= 4096 && s.video.width % 2 == 0);
            FUZZ_CHECK(s.video.height >= 16 && s.video.height <= 4096 && s.video.height % 2 == 0);
            FUZZ_CHECK(s.video.quality >= -1 && s.video.quality <= 100);
        }
    }

    // The same text gives the same profile again; text after a null is not part of it.
    ProfileText again;
    std::string whyAgain;
    std::u16string longer = text.substr(0, text.find(u'\0'));
    longer += u'\0';
    longer += u"<garbage";
    FUZZ_CHECK(ParseProfile(longer, &again, &whyAgain));
    FUZZ_CHECK(again.version == profile.version && again.name == profile.name &&
               again.description == profile.description && again.streams.size() == profile.streams.size());
    for (std::size_t i = 0; i < profile.streams.size(); ++i)
        FUZZ_CHECK(SameStream(again.streams[i], profile.streams[i]));
}

// A sound one-stream profile whose stream is named by a character reference.
std::string ProfileNamed(const std::string& reference) {
    return "<profile version=\"589824\"><streamconfig majortype=\"{73647561-0000-0010-8000-00AA00389B71}\" "
           "streamnumber=\"1\" streamname=\"" +
           reference +
           "\" inputname=\"Audio409\" bitrate=\"128000\" bufferwindow=\"-1\">"
           "<wmmediatype subtype=\"{00000161-0000-0010-8000-00AA00389B71}\" bfixedsizesamples=\"1\" "
           "btemporalcompression=\"0\" lsamplesize=\"743\"><waveformatex wFormatTag=\"353\" nChannels=\"2\" "
           "nSamplesPerSec=\"44100\" nAvgBytesPerSec=\"16000\" nBlockAlign=\"743\" wBitsPerSample=\"16\" "
           "codecdata=\"0088AbCd\"/></wmmediatype></streamconfig></profile>";
}

// "&#...;" from up to 14 input bytes, over the characters a number might be spelt with. The
// reference reading: decimal, or hexadecimal after x or X, digits only, 1 to 0x10FFFF.
void CheckCharacterReference(const uint8_t* data, size_t size) {
    static const char kSpelling[] = "0123456789aAfFxX+- \t";
    std::string body;
    for (size_t i = 0; i < size && i < 14; ++i)
        body += kSpelling[data[i] % (sizeof kSpelling - 1)];
    const bool hex = !body.empty() && (body[0] == 'x' || body[0] == 'X');
    const size_t first = hex ? 1 : 0;
    bool number = body.size() > first;
    uint64_t value = 0;
    for (size_t i = first; number && i < body.size(); ++i) {
        const char c = body[i];
        int d = -1;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (hex && (c == 'a' || c == 'A'))
            d = 10;
        else if (hex && (c == 'f' || c == 'F'))
            d = 15;
        number = d >= 0;
        value = value * (hex ? 16 : 10) + uint64_t(d >= 0 ? d : 0);
        number = number && value <= 0x10FFFF;
    }
    const bool valid = number && value >= 1;
    ProfileText profile;
    std::string why;
    const bool taken = ParseProfile(ToUtf16(ProfileNamed("&#" + body + ";")), &profile, &why);
    FUZZ_CHECK(taken == valid);
    if (taken && value < 0x80)
        FUZZ_CHECK(profile.streams[0].name == std::string(1, char(value)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The bytes as the little-endian UTF-16 of a file from the disk.
    std::u16string wide;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        wide += static_cast<char16_t>(data[i] | data[i + 1] << 8);
    CheckProfile(wide);

    // Any UTF-16, paired surrogates or not, comes back from UTF-8 unchanged.
    const std::string utf8 = ToUtf8(wide);
    FUZZ_CHECK(ToUtf16(utf8) == wide);

    // The bytes as UTF-8 text: what the conversion makes of them is stable from then on.
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::u16string widened = ToUtf16(bytes);
    CheckProfile(widened);
    FUZZ_CHECK(ToUtf16(ToUtf8(widened)) == widened);

    CheckCharacterReference(data, size);
    return 0;
}
