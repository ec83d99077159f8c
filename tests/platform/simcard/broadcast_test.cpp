// Tests of the simulated broadcast alone: reception by frequency, the plan's text form, the
// pictures (captions, noise, proc amp, orientation) and the station tones.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "platform/simcard/broadcast.h"
#include "platform/simcard/family.h"

using namespace simcard;

namespace {

std::vector<uint8_t> Render(const FrameSpec& spec, const ProcAmp& amp) {
    std::vector<uint8_t> buf(static_cast<size_t>(spec.width) * spec.height * 2, 0xee);
    RenderFrame(spec, amp, buf.data(), spec.width * 2);
    return buf;
}

double MeanLuma(const std::vector<uint8_t>& f) {
    double sum = 0;
    for (size_t i = 0; i < f.size(); i += 2)
        sum += f[i];
    return sum / (f.size() / 2);
}

double ChromaSpread(const std::vector<uint8_t>& f) {
    double sum = 0;
    for (size_t i = 1; i < f.size(); i += 2)
        sum += std::abs(f[i] - 128);
    return sum / (f.size() / 2);
}

FrameSpec StationSpec(const Plan& plan, int index) {
    FrameSpec s;
    s.width = 352;
    s.height = 288;
    s.station = &plan.tv[index];
    s.frequency = plan.tv[index].frequency;
    s.frameNumber = 10;
    return s;
}

TEST(Reception, TvLocksNearACarrierOnly) {
    Plan plan = DefaultPlan();
    for (size_t i = 0; i < plan.tv.size(); ++i) {
        uint32_t f = plan.tv[i].frequency;
        Reception on = ReceiveTv(plan, f);
        EXPECT_TRUE(on.carrier);
        EXPECT_EQ(on.station, static_cast<int>(i));
        EXPECT_EQ(on.quality, 100);
        EXPECT_EQ(on.pllOffset, 0u);
        // Fine tuning away degrades the picture before the lock goes.
        Reception off = ReceiveTv(plan, f + 500000);
        EXPECT_TRUE(off.carrier);
        EXPECT_GT(off.quality, 0);
        EXPECT_LT(off.quality, 100);
        EXPECT_FALSE(ReceiveTv(plan, f + kTvLockHz + 1).carrier);
        EXPECT_FALSE(ReceiveTv(plan, f - kTvLockHz - 1).carrier);
    }
    // Between channels of the tables there is nothing.
    EXPECT_FALSE(ReceiveTv(plan, 53750000).carrier);
    EXPECT_FALSE(ReceiveTv(plan, 176250000).carrier); // China DS-7 next to Europe E5
    EXPECT_EQ(ReceiveTv(plan, 300000000).station, -1);
}

TEST(Reception, FmPllOffsetFallsAsTheTunerNearsAStation) {
    Plan plan = DefaultPlan();
    uint32_t f = plan.fm[2].frequency;
    EXPECT_EQ(ReceiveFm(plan, f - 300000).pllOffset, 3u);
    EXPECT_EQ(ReceiveFm(plan, f - 150000).pllOffset, 2u);
    EXPECT_EQ(ReceiveFm(plan, f - 100000).pllOffset, 1u);
    EXPECT_EQ(ReceiveFm(plan, f - 50000).pllOffset, 1u);
    EXPECT_EQ(ReceiveFm(plan, f).pllOffset, 0u);
    EXPECT_EQ(ReceiveFm(plan, f + 50000).pllOffset, 1u);

    // A band scan in 50 kHz steps with the "x in {1,2}, y = 1, z = 0" rule finds exactly the
    // plan's stations at their frequencies.
    std::vector<uint32_t> found;
    int x = -1, y = -1, z = -1;
    for (uint32_t scan = 87500000; scan <= 108000000;) {
        int reading = static_cast<int>(ReceiveFm(plan, scan).pllOffset);
        x = y;
        y = z;
        z = reading;
        if ((x == 1 || x == 2) && y == 1 && z == 0) {
            found.push_back(scan);
            scan += 200000;
            x = y = z = -1;
        } else {
            scan += 50000;
        }
    }
    ASSERT_EQ(found.size(), plan.fm.size());
    for (size_t i = 0; i < found.size(); ++i)
        EXPECT_EQ(found[i], plan.fm[i].frequency);
}

TEST(Plan, TextFormRoundTripsAndRejectsBadEntries) {
    Plan plan = DefaultPlan();
    for (const TvStation& s : plan.tv) {
        TvStation back;
        ASSERT_TRUE(ParseTvStation(FormatTvStation(s), &back));
        EXPECT_EQ(back.frequency, s.frequency);
        EXPECT_EQ(back.name, s.name);
        EXPECT_EQ(back.pattern, s.pattern);
        EXPECT_EQ(back.system, s.system);
    }
    TvStation t;
    EXPECT_FALSE(ParseTvStation("", &t));
    EXPECT_FALSE(ParseTvStation("12abc,Name", &t));
    EXPECT_FALSE(ParseTvStation("0,Zero", &t));
    EXPECT_FALSE(ParseTvStation("175250000,Name,spirals", &t));
    EXPECT_FALSE(ParseTvStation("175250000,Name,bars,MAC", &t));
    ASSERT_TRUE(ParseTvStation(" 175250000 , Test One ", &t));
    EXPECT_EQ(t.name, "Test One");
    FmStation f;
    ASSERT_TRUE(ParseFmStation("99800000,River", &f));
    EXPECT_EQ(f.frequency, 99800000u);
    EXPECT_FALSE(ParseFmStation("-5,Neg", &f));
}

TEST(Picture, StationsDifferAndTheFrameCounterMoves) {
    Plan plan = DefaultPlan();
    ProcAmp amp = DefaultProcAmp();
    FrameSpec a = StationSpec(plan, 0), b = StationSpec(plan, 2);
    std::vector<uint8_t> fa = Render(a, amp), fb = Render(b, amp);
    EXPECT_NE(fa, fb);
    a.frameNumber = 11;
    std::vector<uint8_t> fa2 = Render(a, amp);
    EXPECT_NE(fa, fa2) << "consecutive frames must differ (moving box, counter)";
    // The same spec renders the same picture.
    a.frameNumber = 10;
    EXPECT_EQ(Render(a, amp), fa);
}

TEST(Picture, NoiseWithoutAStationAndDegradationOffTune) {
    Plan plan = DefaultPlan();
    ProcAmp amp = DefaultProcAmp();
    FrameSpec none;
    none.width = 320;
    none.height = 240;
    none.frameNumber = 1;
    std::vector<uint8_t> n1 = Render(none, amp);
    none.frameNumber = 2;
    std::vector<uint8_t> n2 = Render(none, amp);
    EXPECT_NE(n1, n2);
    EXPECT_NEAR(ChromaSpread(n1), 0.0, 0.01) << "snow has no colour";
    // Partial quality: between the clean picture and the noise.
    FrameSpec clean = StationSpec(plan, 0);
    FrameSpec poor = clean;
    poor.quality = 40;
    std::vector<uint8_t> c = Render(clean, amp), p = Render(poor, amp);
    EXPECT_NE(c, p);
    EXPECT_LT(ChromaSpread(p), ChromaSpread(c));
    EXPECT_GT(ChromaSpread(p), 0.5);
}

TEST(Picture, ProcAmpChangesThePixels) {
    Plan plan = DefaultPlan();
    FrameSpec s = StationSpec(plan, 0);
    ProcAmp def = DefaultProcAmp();
    ProcAmp bright = def, dark = def, grey = def, off = def, hue = def;
    bright.brightness = 9000;
    dark.brightness = 1000;
    grey.saturation = 0;
    off.colorEnable = 0;
    hue.hue = 90;
    double base = MeanLuma(Render(s, def));
    EXPECT_GT(MeanLuma(Render(s, bright)), base + 40);
    EXPECT_LT(MeanLuma(Render(s, dark)), base - 40);
    EXPECT_GT(ChromaSpread(Render(s, def)), 10);
    EXPECT_NEAR(ChromaSpread(Render(s, grey)), 0.0, 0.01);
    EXPECT_NEAR(ChromaSpread(Render(s, off)), 0.0, 0.01);
    EXPECT_NE(Render(s, hue), Render(s, def));
    ProcAmp flat = def;
    flat.contrast = 0;
    std::vector<uint8_t> f = Render(s, flat);
    for (size_t i = 0; i < f.size(); i += 2)
        ASSERT_EQ(f[i], 128) << "zero contrast leaves mid-grey";
}

TEST(Picture, UpsideDownIsTheMirrorOfRows) {
    Plan plan = DefaultPlan();
    FrameSpec s = StationSpec(plan, 3);
    std::vector<uint8_t> up = Render(s, DefaultProcAmp());
    s.upsideDown = true;
    std::vector<uint8_t> down = Render(s, DefaultProcAmp());
    const size_t row = static_cast<size_t>(s.width) * 2;
    for (int r = 0; r < s.height; ++r)
        ASSERT_EQ(0, memcmp(&up[r * row], &down[(s.height - 1 - r) * row], row)) << "row " << r;
}

int ZeroCrossings(const std::vector<int16_t>& s, int channel) {
    int n = 0;
    for (size_t i = 2 + channel; i < s.size(); i += 2)
        if ((s[i - 2] < 0) != (s[i] < 0))
            ++n;
    return n;
}

TEST(Sound, TonesSilenceAndContinuity) {
    SoundSpec spec;
    spec.rate = 48000;
    spec.leftHz = 440;
    spec.rightHz = 660;
    std::vector<int16_t> s(48000 * 2);
    RenderSound(spec, s.data(), 48000);
    EXPECT_NEAR(ZeroCrossings(s, 0), 880, 4);
    EXPECT_NEAR(ZeroCrossings(s, 1), 1320, 4);
    // Two halves rendered apart equal one whole: buffers join without clicks.
    std::vector<int16_t> a(24000 * 2), b(24000 * 2);
    RenderSound(spec, a.data(), 24000);
    spec.firstSample = 24000;
    RenderSound(spec, b.data(), 24000);
    EXPECT_EQ(0, memcmp(a.data(), s.data(), a.size() * 2));
    EXPECT_EQ(0, memcmp(b.data(), s.data() + a.size(), b.size() * 2));
    spec.silent = true;
    RenderSound(spec, s.data(), 48000);
    for (int16_t v : s)
        ASSERT_EQ(v, 0);
}

// The marks of each second: the first three pictures from the second on (PAL exactly on it,
// NTSC on the first picture after it), and a beep over the same span that a fast sound clock
// delivers later in its own sample count.
TEST(SyncMarks, PictureAndBeepShareTheirSpanWhateverTheSoundClock) {
    const int64_t pal = 400000, ntsc = 333667, second = 10000000;
    EXPECT_TRUE(InSyncMark(0, pal));
    EXPECT_TRUE(InSyncMark(2 * pal, pal));
    EXPECT_FALSE(InSyncMark(3 * pal, pal));
    EXPECT_TRUE(InSyncMark(7 * second + pal, pal));
    EXPECT_FALSE(InSyncMark(7 * second - 1, pal));
    const int64_t firstNtsc = (second + ntsc - 1) / ntsc * ntsc; // picture 30 starts after 1 s
    EXPECT_FALSE(InSyncMark(firstNtsc - ntsc, ntsc));
    EXPECT_TRUE(InSyncMark(firstNtsc, ntsc));
    EXPECT_TRUE(InSyncMark(firstNtsc + 2 * ntsc, ntsc));
    EXPECT_FALSE(InSyncMark(firstNtsc + 3 * ntsc, ntsc));

    FrameSpec f;
    f.width = 352;
    f.height = 288;
    f.source = Source::Composite;
    const std::vector<uint8_t> plain = Render(f, DefaultProcAmp());
    f.syncMark = true;
    const std::vector<uint8_t> marked = Render(f, DefaultProcAmp());
    double bottom = 0;
    for (int row = 288 - 36; row < 288; ++row)
        for (int x = 0; x < 352; ++x)
            bottom += marked[(row * 352 + x) * 2];
    EXPECT_GT(bottom / (36 * 352), 200);
    EXPECT_EQ(0, memcmp(plain.data(), marked.data(), (288 - 36) * 352 * 2)) << "the mark is the bottom only";

    // +1000 ppm: the beep of second 3 starts at sample 3 * 48048 of the card's count.
    SoundSpec spec;
    spec.rate = 48000;
    spec.leftHz = spec.rightHz = 440;
    spec.clockRate = SoundClockRate(48000, 1000);
    spec.syncPeriod = pal;
    std::vector<int16_t> s(4 * 48048 * 2);
    RenderSound(spec, s.data(), 4 * 48048);
    auto loudFrom = [&](int from) {
        for (int i = from; i < 4 * 48048; ++i)
            if (std::abs(s[i * 2]) > 12000)
                return i;
        return -1;
    };
    const int onset = loudFrom(3 * 48048 - 4800);
    EXPECT_NEAR(onset, 3 * 48048, 12); // the first peaks of the 2 kHz beep
    int quietAfter = onset;
    while (quietAfter < 4 * 48048 && loudFrom(quietAfter) >= 0 && loudFrom(quietAfter) - quietAfter < 48)
        quietAfter = loudFrom(quietAfter) + 1;
    EXPECT_NEAR(quietAfter - onset, 3 * 0.04 * 48048, 48) << "the beep lasts three pictures";
    EXPECT_DOUBLE_EQ(SoundClockRate(48000, 50000), 48480) << "held within 1 %";
}

TEST(Families, NamesMatchTheIdentificationRules) {
    // Each family's capture name carries the text its card is identified by, and no family
    // is mistaken for another by an earlier rule.
    struct {
        const char* key;
        const wchar_t* mustContain;
    } cases[] = {
        {"QRT77", L"QRT77"},           {"TENBIT", L"TV Card(10BIT)"},  {"PHILIPS", L"TV Card(Philips)"},
        {"SAA7134", L"Ph7134 Video"},  {"LUMEN", L"Lumen Grabber K3"}, {"UTV", L"UTV"},
        {"CX2388X", L"Conexant 2388x"}};
    for (auto& c : cases) {
        const FamilyInfo* f = FindFamily(c.key);
        ASSERT_NE(f, nullptr) << c.key;
        EXPECT_NE(std::wstring(f->capture).find(c.mustContain), std::wstring::npos) << c.key;
    }
    EXPECT_EQ(std::wstring(FindFamily("philips")->tuner), L"PhTVTune");
    EXPECT_EQ(FindFamily("none")->capture, nullptr);
    EXPECT_EQ(FindFamily("bogus"), nullptr);
    // The tuner is routing-list entry 1 everywhere; its sound is input 3 or 4.
    for (const FamilyInfo& f : AllFamilies()) {
        if (f.inputs.empty())
            continue;
        std::vector<long> video;
        for (const CrossbarPin& p : f.inputs)
            if (p.type < 4096)
                video.push_back(p.type);
        ASSERT_GE(video.size(), 2u);
        EXPECT_EQ(video[1], kConnVideoTuner) << f.key;
        long tunerAudio = f.inputs[f.inputs[1].related].type;
        EXPECT_EQ(tunerAudio, kConnAudioTuner) << f.key;
        bool orderB = f.family == Family::Utv || f.family == Family::TenBit;
        EXPECT_EQ(f.inputs[1].related, orderB ? 4 : 3) << f.key;
    }
}

} // namespace
