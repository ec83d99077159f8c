// The sound clock: a card's sound sampled on a crystal of its own comes out at the nominal rate
// of the stream time it covers, untouched when the clocks agree.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/sound_clock.h"

using tunaro::SoundClock;

namespace {

constexpr int kRate = 48000;
constexpr double kPi = 3.14159265358979323846;
constexpr int64_t kSpan = 1000000; // 100 ms buffers

// A card whose sound clock runs `ppm` off: buffer i covers [i, i+1) spans of stream time and
// holds the frames its own clock gave that time, a tone of `hz` as that clock samples it.
struct Card {
    double clock;
    double hz;
    uint64_t sent = 0;
    std::vector<int16_t> Buffer(int64_t, int64_t stop) {
        const uint64_t last = static_cast<uint64_t>(std::floor(static_cast<double>(stop) * clock / 1e7));
        std::vector<int16_t> b;
        for (; sent < last; ++sent) {
            const auto v = static_cast<int16_t>(std::lrint(20000 * std::sin(2 * kPi * hz * sent / clock)));
            b.push_back(v);
            b.push_back(static_cast<int16_t>(-v));
        }
        return b;
    }
};

std::vector<int16_t> Feed(SoundClock& sc, Card& card, int buffers, int64_t from = 0) {
    std::vector<int16_t> out;
    for (int i = 0; i < buffers; ++i) {
        const int64_t start = from + i * kSpan, stop = start + kSpan;
        std::vector<int16_t> in = card.Buffer(start, stop);
        sc.Process(start, stop, in.data(), static_cast<int>(in.size() / 2), &out);
    }
    return out;
}

// Upward zero crossings of the left channel from frame `from` on.
int Crossings(const std::vector<int16_t>& s, size_t from) {
    int n = 0;
    for (size_t i = from * 2 + 2; i < s.size(); i += 2)
        n += s[i - 2] < 0 && s[i] >= 0;
    return n;
}

} // namespace

TEST(SoundClock, SameClockPassesTheSamplesUnchanged) {
    SoundClock sc(kRate, 2);
    Card card{kRate, 997};
    std::vector<int16_t> in;
    std::vector<int16_t> out;
    for (int i = 0; i < 50; ++i) {
        std::vector<int16_t> b = card.Buffer(i * kSpan, (i + 1) * kSpan);
        in.insert(in.end(), b.begin(), b.end());
        sc.Process(i * kSpan, (i + 1) * kSpan, b.data(), static_cast<int>(b.size() / 2), &out);
        EXPECT_EQ(sc.Step(), 1.0) << "buffer " << i;
    }
    // One frame stays held for the next buffer.
    ASSERT_EQ(out.size(), in.size() - 2);
    EXPECT_TRUE(std::equal(out.begin(), out.end(), in.begin()));
}

TEST(SoundClock, AFastOrSlowCardComesOutAtTheNominalRateAndPitch) {
    for (int ppm : {10000, 200, -200, -10000}) {
        SoundClock sc(kRate, 2);
        Card card{kRate * (1 + ppm * 1e-6), 1000};
        const int seconds = 20;
        std::vector<int16_t> out = Feed(sc, card, seconds * 10);
        const double frames = static_cast<double>(out.size() / 2);
        // Uncorrected, 10000 ppm would be 200 ms off after 20 s; 1 ms is the bound here.
        EXPECT_NEAR(frames, seconds * kRate, kRate / 1000) << ppm << " ppm";
        EXPECT_LT(std::fabs(sc.Lead()), kRate / 1000.0) << ppm << " ppm";
        // The tone keeps its pitch: 1000 Hz over the last 15 s of stream time.
        EXPECT_NEAR(Crossings(out, 5 * kRate), 15 * 1000, 2) << ppm << " ppm";
    }
}

TEST(SoundClock, UnevenBuffersLostSoundAndAJumpInStreamTime) {
    SoundClock sc(kRate, 2);
    Card card{kRate * 1.002, 440};
    std::vector<int16_t> out;
    int64_t t = 0;
    for (int i = 0; i < 300; ++i) { // 10 to 40 ms buffers
        const int64_t span = 100000 + (i * 7919 % 4) * 100000;
        std::vector<int16_t> in = card.Buffer(t, t + span);
        sc.Process(t, t + span, in.data(), static_cast<int>(in.size() / 2), &out);
        t += span;
    }
    EXPECT_NEAR(static_cast<double>(out.size() / 2), static_cast<double>(t) * kRate / 1e7, kRate / 1000);

    // A second of sound lost on the way (the card fell behind): silence takes its place, so the
    // sound after it keeps its time.
    card.sent = static_cast<uint64_t>(std::floor((t + 10000000) * card.clock / 1e7));
    std::vector<int16_t> after = Feed(sc, card, 10, t + 10000000);
    EXPECT_NEAR(static_cast<double>(after.size() / 2), 2 * kRate, kRate / 1000);
    EXPECT_TRUE(
        std::all_of(after.begin(), after.begin() + kRate * 2 * 9 / 10, [](int16_t v) { return v == 0; }));
    EXPECT_NE(after.back(), 0);

    // A gap too long to be a loss starts afresh: nothing is made up for it.
    const int64_t later = t + 20000000 + 60 * 10000000LL;
    card.sent = static_cast<uint64_t>(std::floor(later * card.clock / 1e7));
    after = Feed(sc, card, 10, later);
    EXPECT_NEAR(static_cast<double>(after.size() / 2), kRate, kRate / 1000);
}
