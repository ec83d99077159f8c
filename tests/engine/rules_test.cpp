// Tests of the engine's plain rules: card identification by name, companion names, preview sizes,
// country folding, picture scaling, the YUY2 conversion and the bitmap headers.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <set>
#include <vector>

#include "engine/card_rules.h"
#include "engine/still_image.h"
#include "engine/video_rules.h"

using namespace tunaro;

namespace {

std::vector<EnumeratedDevice> Devices(std::initializer_list<const char*> names) {
    std::vector<EnumeratedDevice> out;
    for (const char* n : names)
        out.push_back(n ? EnumeratedDevice{true, n} : EnumeratedDevice{false, ""});
    return out;
}

} // namespace

// ---- identification ----------------------------------------------------------------------------------

TEST(CardIdentification, GenericDeviceFirstThenPhilipsCard) {
    const CardMatch m =
        IdentifyCard(Devices({"USB Video Device", "TV Card(Philips) Capture"}), EngineBuild::Tv);
    EXPECT_EQ(m.index, 1);
    EXPECT_EQ(m.cardType, kCardPhilips);
    EXPECT_EQ(m.visited, 1);
}

TEST(CardIdentification, TestOrderDecidesBetweenTwoPatterns) {
    EXPECT_EQ(CardTypeOfName("UTV Conexant 2388x combo", EngineBuild::Tv), kCardUtv);
    EXPECT_EQ(CardTypeOfName("QRT77 TV Card(Philips)", EngineBuild::Tv), kCardQrt77);
    EXPECT_EQ(CardTypeOfName("TV Card(10BIT) TV Card(Philips)", EngineBuild::Tv), kCardTenBit);
    EXPECT_EQ(CardTypeOfName("Ph7134 Video UTV", EngineBuild::Tv), kCardSaa7134);
}

TEST(CardIdentification, EveryTvFamily) {
    EXPECT_EQ(CardTypeOfName("QRT77 Capture", EngineBuild::Tv), 1);
    EXPECT_EQ(CardTypeOfName("TV Card(10BIT)", EngineBuild::Tv), 2);
    EXPECT_EQ(CardTypeOfName("TV Card(Philips)", EngineBuild::Tv), 3);
    EXPECT_EQ(CardTypeOfName("Ph7134 Video Capture", EngineBuild::Tv), 4);
    EXPECT_EQ(CardTypeOfName("Lumen Grabber K3 Capture", EngineBuild::Tv), 4);
    EXPECT_EQ(CardTypeOfName("UTV2820 Video", EngineBuild::Tv), 5);
    EXPECT_EQ(CardTypeOfName("Conexant 2388x Video Capture", EngineBuild::Tv), 6);
    // The SAA7134 tuner's name is not a video device of the TV build ("Ph7134 Video" is needed).
    EXPECT_EQ(CardTypeOfName("Ph7134 TV Tuner", EngineBuild::Tv), -1);
    EXPECT_EQ(CardTypeOfName("tv card(philips)", EngineBuild::Tv), -1) << "matching is case-sensitive";
}

TEST(CardIdentification, LibraryBuildCodes) {
    EXPECT_EQ(CardTypeOfName("UTV2820 Video", EngineBuild::Library), kLibCardUtv);
    EXPECT_EQ(CardTypeOfName("Ph7134 TV Tuner", EngineBuild::Library), kLibCardSaa7134);
    EXPECT_EQ(CardTypeOfName("Lumen Grabber K3", EngineBuild::Library), kLibCardSaa7134);
    EXPECT_EQ(CardTypeOfName("TV Card(10BIT)", EngineBuild::Library), kLibCardTenBit);
    EXPECT_EQ(CardTypeOfName("TV Card(Philips)", EngineBuild::Library), -1);
    const CardMatch m = IdentifyCard(Devices({"Webcam", "UTV2820"}), EngineBuild::Library);
    EXPECT_EQ(m.index, 1);
    EXPECT_EQ(m.cardType, kLibCardUtv);
}

TEST(CardIdentification, NoMatchVisitsEveryDeviceAndSelectsNothing) {
    const CardMatch m = IdentifyCard(Devices({"Webcam", nullptr, "Screen grabber"}), EngineBuild::Tv);
    EXPECT_EQ(m.index, -1);
    EXPECT_EQ(m.visited, 3);
    EXPECT_EQ(IdentifyCard({}, EngineBuild::Tv).index, -1);
}

TEST(CardIdentification, NamelessDevicesArePassedOverAndFirstMatchWins) {
    const CardMatch m = IdentifyCard(Devices({nullptr, "Conexant 2388x Video", "QRT77"}), EngineBuild::Tv);
    EXPECT_EQ(m.index, 1);
    EXPECT_EQ(m.cardType, kCardCx2388x);
}

TEST(CardIdentification, OnlyTenSlotsAreWalked) {
    std::vector<EnumeratedDevice> devices(10, EnumeratedDevice{true, "Webcam"});
    devices.push_back({true, "TV Card(Philips)"});
    const CardMatch m = IdentifyCard(devices, EngineBuild::Tv);
    EXPECT_EQ(m.index, -1);
    EXPECT_EQ(m.visited, 10);
    devices[9].name = "QRT77";
    EXPECT_EQ(IdentifyCard(devices, EngineBuild::Tv).index, 9);
}

TEST(CompanionNames, PerCardFamily) {
    CompanionNames n = CompanionNamesFor(kCardPhilips, EngineBuild::Tv);
    EXPECT_EQ(n.tuner, "PhTVTune");
    EXPECT_EQ(n.crossbar, "TV Card(Philips)");
    EXPECT_FALSE(n.audioRenderer);
    n = CompanionNamesFor(kCardSaa7134, EngineBuild::Tv);
    EXPECT_EQ(n.tuner, "Ph7134 TV");
    EXPECT_EQ(n.tunerFallback, "Lumen Grabber K3");
    EXPECT_EQ(n.crossbar, "Cap7134 Crossbar");
    EXPECT_EQ(n.crossbarFallback, "Lumen Grabber K3");
    EXPECT_TRUE(n.audioRenderer);
    EXPECT_TRUE(n.cardAudio.empty());
    n = CompanionNamesFor(kCardUtv, EngineBuild::Tv);
    EXPECT_EQ(n.cardAudio, "UTV");
    EXPECT_EQ(n.cardAudioGraphName, L"UTV2820 Audio Device");
    n = CompanionNamesFor(kCardCx2388x, EngineBuild::Tv);
    EXPECT_EQ(n.cardAudio, "2388x AvStream Audio Capture");
    EXPECT_EQ(n.encoder, "2388x MPEG Encoder");
    EXPECT_EQ(n.encoderGraphName, L"2388x MPEG Encoder Capture");
    n = CompanionNamesFor(kCardNone, EngineBuild::Tv);
    EXPECT_TRUE(n.tuner.empty() && n.crossbar.empty() && !n.audioRenderer);
    n = CompanionNamesFor(kLibCardSaa7134, EngineBuild::Library);
    EXPECT_EQ(n.tuner, "Ph7134");
    EXPECT_EQ(n.crossbar, "Cap7134");
    EXPECT_EQ(CompanionNamesFor(kLibCardUtv, EngineBuild::Library).tuner, "UTV2820");
}

TEST(CaptureAudioChoice, TheCardsOwnDeviceWinsOverTheSystemInputsBeforeIt) {
    const auto audio = Devices({"Monitor of Null Output", "Line In (Sound Card)", "Ph7134 Audio Capture"});
    AudioChoice c = ChooseCaptureAudio(audio, kCardSaa7134, EngineBuild::Tv);
    EXPECT_EQ(c.index, 2);
    EXPECT_TRUE(c.cardOwn);
    c = ChooseCaptureAudio(Devices({nullptr, "Mic", "Lumen Grabber K3 Audio"}), kCardSaa7134,
                           EngineBuild::Tv);
    EXPECT_EQ(c.index, 2);
    EXPECT_TRUE(c.cardOwn);
    // Each family knows its own device by its driver's name.
    EXPECT_EQ(
        ChooseCaptureAudio(Devices({"Mic", "2388x AvStream Audio Capture"}), kCardCx2388x, EngineBuild::Tv)
            .index,
        1);
    EXPECT_EQ(ChooseCaptureAudio(Devices({"Mic", "UTV2820 Audio Device"}), kCardUtv, EngineBuild::Tv).index,
              1);
    EXPECT_EQ(
        ChooseCaptureAudio(Devices({"Mic", "TV Card(Philips) Audio"}), kCardPhilips, EngineBuild::Tv).index,
        1);
    EXPECT_EQ(ChooseCaptureAudio(Devices({"Mic", "QRT77 Audio"}), kCardQrt77, EngineBuild::Tv).index, 1);
    EXPECT_EQ(
        ChooseCaptureAudio(Devices({"Mic", "TV Card(10BIT) Audio"}), kCardTenBit, EngineBuild::Tv).index, 1);
    EXPECT_EQ(
        ChooseCaptureAudio(Devices({"Mic", "Ph7134 Audio"}), kLibCardSaa7134, EngineBuild::Library).index, 1);
}

TEST(CaptureAudioChoice, WithoutACardDeviceTheFirstNamedSystemInputStandsIn) {
    // Another family's sound device is not this card's.
    AudioChoice c = ChooseCaptureAudio(Devices({nullptr, "Line In", "UTV2820 Audio Device"}), kCardSaa7134,
                                       EngineBuild::Tv);
    EXPECT_EQ(c.index, 1);
    EXPECT_FALSE(c.cardOwn);
    c = ChooseCaptureAudio(Devices({nullptr}), kCardSaa7134, EngineBuild::Tv);
    EXPECT_EQ(c.index, -1);
    EXPECT_FALSE(c.cardOwn);
    c = ChooseCaptureAudio({}, kCardNone, EngineBuild::Tv);
    EXPECT_EQ(c.index, -1);
    // Only the ten slots the engine keeps are looked at.
    std::vector<EnumeratedDevice> many(12, EnumeratedDevice{true, "Mic"});
    many[10].name = "Ph7134 Audio Capture";
    c = ChooseCaptureAudio(many, kCardSaa7134, EngineBuild::Tv);
    EXPECT_EQ(c.index, 0);
    EXPECT_FALSE(c.cardOwn);
}

// ---- sizes -------------------------------------------------------------------------------------------

TEST(PreviewSize, SmallPreviewIsQuarterSizeOnEveryCard) {
    for (int card = 0; card <= 6; ++card) {
        for (long standard : {1L, 2L, 4L, 32L, 8192L}) {
            const FrameSize s = TvPreviewSize(card, standard, true);
            EXPECT_EQ(s.width, 320);
            EXPECT_EQ(s.height, 240);
        }
    }
}

TEST(PreviewSize, UtvCardWhateverTheStandard) {
    for (long standard : {1L, 2L, 4L, 32L, 262144L}) {
        const FrameSize s = TvPreviewSize(kCardUtv, standard, false);
        EXPECT_EQ(s.width, 640);
        EXPECT_EQ(s.height, 576);
    }
}

TEST(PreviewSize, NtscStandardsAre480LinesOthers576) {
    for (long standard : {1L, 2L, 4L}) {
        EXPECT_EQ(TvPreviewSize(kCardSaa7134, standard, false).height, 480);
        EXPECT_EQ(TvPreviewSize(kCardSaa7134, standard, false).width, 720);
        EXPECT_EQ(LibraryPreviewSize(standard).height, 480);
    }
    for (long standard : {0L, 16L, 32L, 512L, 1024L, 8192L, 262144L, 3L}) {
        EXPECT_EQ(TvPreviewSize(kCardCx2388x, standard, false).height, 576) << standard;
        EXPECT_EQ(LibraryPreviewSize(standard).height, 576);
    }
    EXPECT_EQ(DesktopPreviewSize(kCardUtv).width, 360);
    EXPECT_EQ(DesktopPreviewSize(kCardSaa7134).height, 288);
}

// ---- country folding -----------------------------------------------------------------------------------

TEST(CountryFolding, EveryCodeOfTheTable) {
    const std::set<long> to33 = {1,   2,   33,  51,  52,  53,  56,  57,  58,  63,  81,  82,  84,
                                 95,  238, 246, 247, 265, 269, 290, 291, 297, 299, 376, 501, 502,
                                 503, 504, 505, 506, 507, 508, 509, 590, 597, 670, 671, 674, 676,
                                 677, 678, 680, 683, 688, 690, 691, 692, 886, 975};
    const std::set<long> to852 = {27, 44, 244, 264, 266, 353, 500, 852, 853};
    const std::set<long> to49 = {
        31,  32,  34,  39,  41,  43,  45,  46,  47,  48,  49,  61,  62,  64,  65,  90,  91,  92,  93,  94,
        213, 231, 232, 233, 234, 235, 236, 237, 239, 248, 249, 250, 251, 252, 254, 255, 256, 258, 260, 263,
        268, 298, 350, 351, 352, 354, 355, 356, 357, 358, 370, 372, 378, 381, 385, 386, 387, 389, 421, 672,
        673, 675, 682, 685, 686, 855, 856, 880, 960, 962, 965, 967, 968, 971, 972, 973, 974, 977};
    const std::set<long> to86 = {40, 86, 420};
    for (long code = -5; code <= 1200; ++code) {
        long expected = code;
        if (to33.count(code))
            expected = 33;
        else if (to852.count(code))
            expected = 852;
        else if (to49.count(code))
            expected = 49;
        else if (to86.count(code))
            expected = 86;
        EXPECT_EQ(FoldCountryCode(code), expected) << "code " << code;
    }
    EXPECT_EQ(FoldCountryCode(44), 852);
    EXPECT_EQ(FoldCountryCode(7), 7);
}

// ---- picture scaling
// ---------------------------------------------------------------------------------------

TEST(PictureScale, EndsOfTheScaleAreTheDeviceLimits) {
    EXPECT_EQ(PictureToDevice(255, -100, 300), 300);
    EXPECT_EQ(PictureToDevice(0, -100, 300), -100);
    EXPECT_EQ(PictureToDevice(128, 0, 10000), 5019); // 1280000 / 255 truncated
    EXPECT_EQ(PictureToDevice(1, -180, 180), -179);  // -180 + 360/255 truncated toward zero
    EXPECT_EQ(PictureFromDevice(300, -100, 300), 255);
    EXPECT_EQ(PictureFromDevice(-100, -100, 300), 0);
    EXPECT_EQ(PictureFromDevice(0, -100, 300), 63); // 100 * 255 / 400 = 63.75
    EXPECT_EQ(PictureFromDevice(5019, 0, 10000), 127);
}

TEST(PictureScale, WideRangesDoNotOverflowAndEmptyRangesAreSafe) {
    EXPECT_EQ(PictureToDevice(255, 0, 20000000), 20000000);
    EXPECT_EQ(PictureFromDevice(20000000, 0, 20000000), 255);
    EXPECT_EQ(PictureToDevice(200, 5, 5), 5);
    EXPECT_EQ(PictureFromDevice(5, 5, 5), 0);
}

TEST(ConnectorNames, VideoAudioAndUnknown) {
    EXPECT_STREQ(ConnectorName(1), "Video Tuner");
    EXPECT_STREQ(ConnectorName(3), "Video SVideo");
    EXPECT_STREQ(ConnectorName(13), "Video Encoder");
    EXPECT_STREQ(ConnectorName(4096), "Audio Tuner");
    EXPECT_STREQ(ConnectorName(4105), "Audio Decoder");
    EXPECT_STREQ(ConnectorName(14), "Unknown");
    EXPECT_STREQ(ConnectorName(0), "Unknown");
}

// ---- YUY2 conversion -----------------------------------------------------------------------------------

namespace {

struct Pixel {
    int b, g, r;
};

Pixel At(const std::vector<uint8_t>& bgr, long width, long row, long x) {
    const uint8_t* p =
        bgr.data() + static_cast<size_t>(row) * Bgr24Stride(width) + static_cast<size_t>(x) * 3;
    return {p[0], p[1], p[2]};
}

} // namespace

TEST(Yuy2Conversion, HandComputedPixelsWithClampingAndFlooringShifts) {
    // One row of four pairs: (Y0, U, Y1, V).
    const uint8_t yuy2[] = {
        100, 128, 200, 128, // no chroma: grey levels pass unchanged
        100, 255, 30,  128, // u = 127: blue +224 (clamped to 255), green -44, red -1 (a floored -0.116)
        50,  0,   250, 255, // u = -128, v = 127: blue -228, green -47, red +178
        0,   128, 255, 0,   // v = -128: green +91, red -180
    };
    for (auto convert : {&Yuy2ToBgr24, &Yuy2ToBgr24Reference}) {
        std::vector<uint8_t> bgr(Bgr24Stride(8), 0xEE);
        convert(yuy2, 8, 1, bgr.data());
        const Pixel expected[8] = {{100, 100, 100}, {200, 200, 200}, {255, 56, 99}, {254, 0, 29},
                                   {0, 3, 228},     {22, 203, 255},  {0, 91, 0},    {255, 255, 75}};
        for (int x = 0; x < 8; ++x) {
            const Pixel p = At(bgr, 8, 0, x);
            EXPECT_EQ(p.b, expected[x].b) << "pixel " << x;
            EXPECT_EQ(p.g, expected[x].g) << "pixel " << x;
            EXPECT_EQ(p.r, expected[x].r) << "pixel " << x;
        }
    }
}

TEST(Yuy2Conversion, RowsComeOutBottomUpWithPaddedRows) {
    // Width 2 gives 6 bytes of pixels per row, padded to 8.
    const uint8_t yuy2[] = {10, 128, 20, 128, 30, 128, 40, 128, 50, 128, 60, 128};
    std::vector<uint8_t> bgr(Bgr24Stride(2) * 3, 0xEE);
    ASSERT_EQ(Bgr24Stride(2), 8u);
    Yuy2ToBgr24(yuy2, 2, 3, bgr.data());
    EXPECT_EQ(At(bgr, 2, 0, 0).g, 50);
    EXPECT_EQ(At(bgr, 2, 0, 1).g, 60);
    EXPECT_EQ(At(bgr, 2, 2, 0).g, 10);
    EXPECT_EQ(At(bgr, 2, 2, 1).r, 20);
    EXPECT_EQ(bgr[6], 0);
    EXPECT_EQ(bgr[7], 0);
}

TEST(Yuy2Conversion, StridesHoldAtTheWidestWidthAndDeviceSizesAreBounded) {
    EXPECT_EQ(Yuy2Stride(1), 4u);
    EXPECT_EQ(Yuy2Stride(720), 1440u);
    EXPECT_EQ(Yuy2Stride(0), 0u);
    EXPECT_EQ(Yuy2Stride(-5), 0u);
    // The last width a long holds has its pair count too, without passing through an overflow.
    EXPECT_EQ(Yuy2Stride(LONG_MAX), static_cast<size_t>(LONG_MAX / 2 + 1) * 4);
    EXPECT_TRUE(StillSizeFits(720, 576));
    EXPECT_TRUE(StillSizeFits(kStillSideMax, kStillSideMax));
    EXPECT_FALSE(StillSizeFits(LONG_MAX, 1));
    EXPECT_FALSE(StillSizeFits(1, kStillSideMax + 1));
    EXPECT_FALSE(StillSizeFits(0, 288));
}

const Yuy2Path kAllPaths[] = {Yuy2Path::Table, Yuy2Path::Sse2, Yuy2Path::Ssse3, Yuy2Path::Avx2,
                              Yuy2Path::Avx512};

TEST(Yuy2Conversion, EveryPathIsBitIdenticalToTheFormulaOnEveryChromaPair) {
    // Every (U, V) pair at several luma values, in a frame of odd width: U runs along the row
    // (0..128 in the first and third block of 256 rows, 128..255 in the second), V down the rows.
    const long width = 257, height = 256 * 3;
    std::vector<uint8_t> yuy2(Yuy2Stride(width) * static_cast<size_t>(height));
    for (long row = 0; row < height; ++row) {
        for (long pair = 0; pair < (width + 1) / 2; ++pair) {
            uint8_t* p =
                yuy2.data() + static_cast<size_t>(row) * Yuy2Stride(width) + static_cast<size_t>(pair) * 4;
            p[0] = static_cast<uint8_t>(row * 7 + pair);
            p[1] = static_cast<uint8_t>(pair + (row / 256) * 128);
            p[2] = static_cast<uint8_t>(255 - row);
            p[3] = static_cast<uint8_t>(row);
        }
    }
    std::vector<uint8_t> reference(Bgr24Stride(width) * static_cast<size_t>(height), 2);
    Yuy2ToBgr24Reference(yuy2.data(), width, height, reference.data());
    for (Yuy2Path path : kAllPaths) {
        SCOPED_TRACE(Yuy2PathName(path));
        std::vector<uint8_t> fast(reference.size(), 1);
        Yuy2ToBgr24With(path, yuy2.data(), width, height, fast.data());
        EXPECT_TRUE(fast == reference);
    }
    std::vector<uint8_t> best(reference.size(), 1);
    Yuy2ToBgr24(yuy2.data(), width, height, best.data());
    EXPECT_TRUE(best == reference);
}

TEST(Yuy2Conversion, EveryPathMatchesOnRandomFramesOfEveryWidthWithoutWritingPastTheRows) {
    // Widths around every step size (8, 16, 32, 64 pixels) and the frame sizes in use; bytes drawn
    // mostly from the extremes, where clamping and the flooring shifts of negative sums bite.
    const long widths[] = {1,  2,  3,  7,  8,   9,   15,  16,  17,  31,  32,  33,  47, 63,
                           64, 65, 95, 97, 127, 128, 129, 191, 193, 320, 352, 359, 720};
    unsigned seed = 0x2468ace1u;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    const uint8_t extremes[] = {0, 1, 2, 127, 128, 129, 254, 255};
    for (const long width : widths) {
        const long height = 5;
        std::vector<uint8_t> yuy2(Yuy2Stride(width) * height);
        for (uint8_t& b : yuy2)
            b = next() % 3 == 0 ? static_cast<uint8_t>(next()) : extremes[next() % 8];
        const size_t size = Bgr24Stride(width) * height;
        std::vector<uint8_t> reference(size);
        Yuy2ToBgr24Reference(yuy2.data(), width, height, reference.data());
        for (Yuy2Path path : kAllPaths) {
            SCOPED_TRACE(std::string(Yuy2PathName(path)) + " width " + std::to_string(width));
            const size_t guard = 64;
            std::vector<uint8_t> out(size + guard, 0xA5);
            Yuy2ToBgr24With(path, yuy2.data(), width, height, out.data());
            EXPECT_TRUE(std::equal(reference.begin(), reference.end(), out.begin()));
            for (size_t i = size; i < out.size(); ++i)
                ASSERT_EQ(out[i], 0xA5) << "byte " << i - size << " past the picture";
        }
    }
}

TEST(Yuy2Conversion, PathsTheProcessorLacksFallBackAndTheBestIsAvailable) {
    EXPECT_TRUE(Yuy2PathAvailable(Yuy2Path::Table));
    EXPECT_TRUE(Yuy2PathAvailable(BestYuy2Path()));
#if defined(__x86_64__)
    EXPECT_TRUE(Yuy2PathAvailable(Yuy2Path::Sse2)) << "every x86-64 processor has SSE2";
#endif
    // Availability is ordered: a wider path implies the narrower ones.
    if (Yuy2PathAvailable(Yuy2Path::Avx512)) {
        EXPECT_TRUE(Yuy2PathAvailable(Yuy2Path::Avx2));
    }
    if (Yuy2PathAvailable(Yuy2Path::Avx2)) {
        EXPECT_TRUE(Yuy2PathAvailable(Yuy2Path::Ssse3));
    }
    if (Yuy2PathAvailable(Yuy2Path::Ssse3)) {
        EXPECT_TRUE(Yuy2PathAvailable(Yuy2Path::Sse2));
    }
}

// ---- bitmap headers -----------------------------------------------------------------------------------

TEST(BitmapHeaders, InfoHeaderByteForByte) {
    const auto h = MakeBgr24InfoHeader(4, 2);
    const uint8_t expected[40] = {40, 0, 0, 0, 4, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0,
                                  24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  0, 0, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(h.data(), expected, 40));
    const auto big = MakeBgr24InfoHeader(720, 576);
    const uint32_t size = big[20] | big[21] << 8 | big[22] << 16 | static_cast<uint32_t>(big[23]) << 24;
    EXPECT_EQ(size, 720u * 576u * 3u);
}

TEST(BitmapHeaders, FileHeaderByteForByte) {
    const auto h = MakeBmpFileHeader(24);
    const uint8_t expected[14] = {'B', 'M', 78, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(h.data(), expected, 14));
    const auto big = MakeBmpFileHeader(1244160);
    const uint32_t size = big[2] | big[3] << 8 | big[4] << 16 | static_cast<uint32_t>(big[5]) << 24;
    EXPECT_EQ(size, 1244160u + 54u);
}

TEST(BitmapHeaders, PackedBitmapBecomesAFile) {
    std::vector<uint8_t> packed(40 + 24, 0);
    const auto info = MakeBgr24InfoHeader(4, 2);
    std::copy(info.begin(), info.end(), packed.begin());
    for (size_t i = 40; i < packed.size(); ++i)
        packed[i] = static_cast<uint8_t>(i);
    const std::vector<uint8_t> file = BmpFileFromPacked(packed.data(), packed.size());
    ASSERT_EQ(file.size(), 14u + 40u + 24u);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[2], 78);
    EXPECT_EQ(file[10], 54);
    EXPECT_EQ(0, std::memcmp(file.data() + 14, packed.data(), packed.size()));

    // A header that leaves the image size 0 gets it from the dimensions.
    packed[20] = 0;
    EXPECT_EQ(PackedImageDataSize(packed.data(), packed.size()), 24u);
    // Announcing more data than there is, or a short header: no file.
    packed[20] = 200;
    EXPECT_TRUE(BmpFileFromPacked(packed.data(), packed.size()).empty());
    EXPECT_TRUE(BmpFileFromPacked(packed.data(), 30).empty());
}

TEST(BitmapHeaders, TheMostNegativeHeightIsCountedWithoutOverflow) {
    std::vector<uint8_t> packed(40 + 8, 0);
    const auto info = MakeBgr24InfoHeader(1, -2); // top-down, two rows of 4 bytes
    std::copy(info.begin(), info.end(), packed.begin());
    EXPECT_EQ(packed[20], 8);
    packed[20] = 0; // image size left to the dimensions
    EXPECT_EQ(PackedImageDataSize(packed.data(), packed.size()), 8u);
    // -2^31 rows: 2^33 bytes, more than any size field holds.
    packed[8] = packed[9] = packed[10] = 0;
    packed[11] = 0x80;
    EXPECT_EQ(PackedImageDataSize(packed.data(), packed.size()), 0u);
    EXPECT_TRUE(BmpFileFromPacked(packed.data(), packed.size()).empty());
    const auto top = MakeBgr24InfoHeader(1, -2147483647L - 1);
    EXPECT_EQ(top[11], 0x80); // the height stays as given
}
