// Reading profile texts: the shipped profiles, the fields a stream carries, XML details (entities,
// comments, declarations, either quote), and every way a profile is refused, with its reason.
#include <gtest/gtest.h>

#include "platform/wmformat/profile_text.h"

using wmformat::ParseProfile;
using wmformat::ProfileText;
using wmformat::ToUtf16;

namespace {

const char kAudio[] =
    R"(<streamconfig majortype="{73647561-0000-0010-8000-00AA00389B71}" streamnumber="1" streamname="Audio Stream" )"
    R"(inputname="Audio409" bitrate="128000" bufferwindow="-1">)"
    R"(<wmmediatype subtype="{00000161-0000-0010-8000-00AA00389B71}" bfixedsizesamples="1" btemporalcompression="0" lsamplesize="743">)"
    R"(<waveformatex wFormatTag="353" nChannels="2" nSamplesPerSec="44100" nAvgBytesPerSec="16000" nBlockAlign="743" wBitsPerSample="16" codecdata="0088AbCd"/>)"
    R"(</wmmediatype></streamconfig>)";

const char kVideo[] =
    R"(<streamconfig majortype="{73646976-0000-0010-8000-00AA00389B71}" streamnumber="2" streamname="Video Stream" )"
    R"(inputname="Video409" bitrate="1000000" bufferwindow="3000">)"
    R"(<videomediaprops maxkeyframespacing="20000000" quality="75"/>)"
    R"(<wmmediatype subtype="{32564D57-0000-0010-8000-00AA00389B71}" bfixedsizesamples="0" btemporalcompression="1" lsamplesize="0">)"
    R"(<videoinfoheader dwbitrate="1000000" dwbiterrorrate="0" avgtimeperframe="400000">)"
    R"(<rcsource left="0" top="0" right="352" bottom="288"/><rctarget left="0" top="0" right="352" bottom="288"/>)"
    R"(<bitmapinfoheader biwidth="352" biheight="288" biplanes="1" bibitcount="24" bicompression="WMV2"/>)"
    R"(</videoinfoheader></wmmediatype></streamconfig>)";

std::string Profile(const std::string& streams) {
    return R"(<profile version="589824" storageformat="1" name="Test &amp; &#x4E2D;" description="d">)" +
           streams + "</profile>";
}

bool Parse(const std::string& utf8, ProfileText* p, std::string* why) {
    return ParseProfile(ToUtf16(utf8), p, why);
}

TEST(ProfileText, AudioAndVideoStreamsWithEveryFieldTheWriterUses) {
    ProfileText p;
    std::string why;
    ASSERT_TRUE(Parse(Profile(std::string(kAudio) + kVideo), &p, &why)) << why;
    EXPECT_EQ(p.version, 589824u);
    EXPECT_EQ(p.name, "Test & \xE4\xB8\xAD") << "entities, a character reference beyond ASCII";
    ASSERT_EQ(p.streams.size(), 2u);
    const auto& a = p.streams[0];
    EXPECT_TRUE(a.IsAudio());
    EXPECT_EQ(a.number, 1);
    EXPECT_EQ(a.name, "Audio Stream");
    EXPECT_EQ(a.connection, "Audio409");
    EXPECT_EQ(a.bitRate, 128000u);
    EXPECT_EQ(a.bufferWindow, 0xFFFFFFFFu) << "-1: the default window";
    EXPECT_EQ(a.subtype.data1, 0x161u);
    EXPECT_TRUE(a.fixedSizeSamples);
    EXPECT_EQ(a.sampleSize, 743u);
    EXPECT_EQ(a.audio.formatTag, 353);
    EXPECT_EQ(a.audio.channels, 2);
    EXPECT_EQ(a.audio.samplesPerSec, 44100u);
    EXPECT_EQ(a.audio.avgBytesPerSec, 16000u);
    EXPECT_EQ(a.audio.blockAlign, 743);
    EXPECT_EQ(a.audio.codecData, (std::vector<uint8_t>{0x00, 0x88, 0xAB, 0xCD}));
    const auto& v = p.streams[1];
    EXPECT_TRUE(v.IsVideo());
    EXPECT_EQ(v.number, 2);
    EXPECT_EQ(v.connection, "Video409");
    EXPECT_TRUE(v.temporalCompression);
    EXPECT_EQ(v.subtype.data1, 0x32564D57u);
    EXPECT_EQ(v.video.width, 352);
    EXPECT_EQ(v.video.height, 288);
    EXPECT_EQ(v.video.avgTimePerFrame, 400000);
    EXPECT_EQ(v.video.bitRate, 1000000u);
    EXPECT_EQ(v.video.compression, 0x32564D57u) << "four-cc text WMV2";
    EXPECT_EQ(v.video.quality, 75);
    EXPECT_EQ(v.video.maxKeyFrameSpacing, 20000000);
}

TEST(ProfileText, DeclarationsCommentsByteOrderMarkAndSingleQuotesAreRead) {
    std::string text = Profile(kAudio);
    text.insert(0, "<?xml version='1.0'?>\r\n<!-- recorded sound -->\r\n");
    text.insert(text.find("<streamconfig"), "<!-- one stream -->");
    text.replace(text.find("version=\"589824\""), 16, "version='589824'");
    std::u16string u = ToUtf16(text);
    u.insert(u.begin(), char16_t(0xFEFF));
    u += u'\0';
    u += u"garbage after the terminator";
    ProfileText p;
    std::string why;
    ASSERT_TRUE(ParseProfile(u, &p, &why)) << why;
    EXPECT_EQ(p.version, 589824u);
    EXPECT_EQ(p.streams.size(), 1u);
}

TEST(ProfileText, BrokenProfilesAreRefusedWithAReason) {
    const std::string audio = kAudio;
    auto without = [&](const std::string& s, const std::string& what) {
        std::string t = s;
        t.erase(t.find(what), what.size());
        return t;
    };
    auto with = [&](const std::string& s, const std::string& from, const std::string& to) {
        std::string t = s;
        t.replace(t.find(from), from.size(), to);
        return t;
    };
    const struct {
        std::string text;
        const char* reason;
    } cases[] = {
        {"", "not XML"},
        {"just text", "not XML"},
        {"<profile version=\"1\">", "not closed"},
        {Profile(audio).substr(0, Profile(audio).size() - 10), "not closed"},
        {"<notaprofile/>", "not a profile"},
        {Profile(""), "no stream"},
        {Profile(audio) + "<profile/>", "text after"},
        {Profile(with(audio, "streamnumber=\"1\"", "streamnumber=\"0\"")), "out of range"},
        {Profile(with(audio, "streamnumber=\"1\"", "streamnumber=\"x1\"")), "not a number"},
        {Profile(audio + audio), "used twice"},
        {Profile(with(audio, "{73647561", "{7364756Z")), "majortype"},
        {Profile(with(audio, "{73647561", "{00000000")), "neither audio nor video"},
        {Profile(without(audio, " nChannels=\"2\"")), "no nChannels"},
        {Profile(with(audio, "codecdata=\"0088AbCd\"", "codecdata=\"008\"")), "hexadecimal"},
        {Profile(with(audio, "<waveformatex", "<wavefmt")), "waveformatex"},
        {Profile(with(std::string(kVideo), "biwidth=\"352\"", "biwidth=\"351\"")), "not even"},
        {Profile(with(std::string(kVideo), "biheight=\"288\"", "biheight=\"99999\"")), "out of range"},
        {Profile(with(audio, "bitrate=\"128000\"", "bitrate=128000")), "without quotes"},
        {Profile(with(audio, "name=\"Audio Stream\"", "name=\"A &bogus; B\"")), "broken attribute value"},
        {Profile(with(audio, "</wmmediatype>", "</wmmediatyp>")), "closed by"},
    };
    for (const auto& c : cases) {
        ProfileText p;
        std::string why;
        EXPECT_FALSE(Parse(c.text, &p, &why)) << c.text;
        EXPECT_NE(why.find(c.reason), std::string::npos) << "reason \"" << why << "\" for: " << c.text;
    }
}

TEST(ProfileText, CharacterReferencesAreWholeNumbersOfUnicode) {
    auto named = [](const std::string& name) {
        return Profile(std::string(kAudio).replace(std::string(kAudio).find("Audio Stream"), 12, name));
    };
    ProfileText p;
    std::string why;
    ASSERT_TRUE(Parse(named("&#65;&#x10FFFF;&#X42;"), &p, &why)) << why;
    EXPECT_EQ(p.streams[0].name, "A\xF4\x8F\xBF\xBF"
                                 "B");
    // A 32-bit strtoul turns the first into "A": negatives, signs, blanks and numbers beyond
    // Unicode are refused whatever the width of long.
    for (const char* bad : {"&#-4294967231;", "&#4294967361;", "&#x100000041;", "&#+65;", "&# 65;", "&#x;",
                            "&#;", "&#x110000;", "&#0;", "&#6a;"}) {
        EXPECT_FALSE(Parse(named(bad), &p, &why)) << bad;
        EXPECT_NE(why.find("broken attribute value"), std::string::npos) << why;
    }
}

TEST(ProfileText, DeepNestingIsRefusedNotFollowed) {
    std::string deep;
    for (int i = 0; i < 5000; ++i)
        deep += "<a>";
    ProfileText p;
    std::string why;
    EXPECT_FALSE(Parse(Profile(deep), &p, &why));
    EXPECT_NE(why.find("deeply"), std::string::npos) << why;
}

} // namespace
