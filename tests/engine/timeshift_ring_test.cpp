// Tests of the time-shift ring: the position and delay while paused and playing, Back and
// Forward at the ring's ends, segments rolling and dropping, and the names and texts around it.
#include <gtest/gtest.h>

#include <vector>

#include "engine/timeshift_ring.h"

using namespace tunaro;

namespace {
constexpr int64_t kSecond = 1000;
constexpr int64_t kT0 = 5000000; // any clock value: stream times count from Begin
} // namespace

TEST(TimeShiftRing, PauseHoldsThePictureWhileTheDelayGrowsAndResumeKeepsIt) {
    TimeShiftRing ring(30 * 60 * kSecond, 10 * kSecond);
    EXPECT_FALSE(ring.Shifted());
    EXPECT_EQ(ring.Delay(kT0), 0);
    ring.Begin(kT0);
    EXPECT_EQ(ring.State(), ShiftState::Paused);
    EXPECT_EQ(ring.Position(kT0 + 5 * kSecond), 0);
    EXPECT_EQ(ring.Delay(kT0 + 5 * kSecond), 5 * kSecond);

    ring.Resume(kT0 + 5 * kSecond);
    EXPECT_EQ(ring.State(), ShiftState::Playing);
    // Playing on from the paused picture: the position runs, the delay stays.
    EXPECT_EQ(ring.Position(kT0 + 8 * kSecond), 3 * kSecond);
    EXPECT_EQ(ring.Delay(kT0 + 8 * kSecond), 5 * kSecond);

    ring.Pause(kT0 + 9 * kSecond);
    EXPECT_EQ(ring.Position(kT0 + 20 * kSecond), 4 * kSecond);
    EXPECT_EQ(ring.Delay(kT0 + 20 * kSecond), 16 * kSecond);
    ring.Resume(kT0 + 20 * kSecond);
    EXPECT_EQ(ring.Position(kT0 + 21 * kSecond), 5 * kSecond);
}

TEST(TimeShiftRing, BackStopsAtTheOldestPictureAndForwardAtTheLiveEdgeReturnsToLive) {
    TimeShiftRing ring(30 * 60 * kSecond, 10 * kSecond);
    EXPECT_EQ(ring.Step(kT0, -5 * kSecond), ShiftStep::Ignored) << "live TV has no buffer to move in";
    ring.Begin(kT0);
    const int64_t now = kT0 + 12 * kSecond;
    EXPECT_EQ(ring.Step(now, -5 * kSecond), ShiftStep::Moved);
    EXPECT_EQ(ring.Position(now), 0) << "held at the oldest picture";
    EXPECT_EQ(ring.Step(now, 5 * kSecond), ShiftStep::Moved);
    EXPECT_EQ(ring.Step(now, 5 * kSecond), ShiftStep::Moved);
    EXPECT_EQ(ring.Position(now), 10 * kSecond);
    EXPECT_EQ(ring.State(), ShiftState::Paused) << "a step keeps the picture paused";
    EXPECT_EQ(ring.Step(now, -5 * kSecond), ShiftStep::Moved);
    EXPECT_EQ(ring.Delay(now), 7 * kSecond);
    ring.Resume(now);
    EXPECT_EQ(ring.Step(now + kSecond, 5 * kSecond), ShiftStep::Moved);
    EXPECT_EQ(ring.Delay(now + kSecond), 2 * kSecond);
    // Less than five seconds behind: forward reaches the live edge.
    EXPECT_EQ(ring.Step(now + kSecond, 5 * kSecond), ShiftStep::ToLive);
    EXPECT_FALSE(ring.Shifted());
    EXPECT_TRUE(ring.Segments().empty());
    EXPECT_EQ(ring.Delay(now + 2 * kSecond), 0);
}

TEST(TimeShiftRing, SegmentsRollAndTheOldestGoOnceTheRestCoverTheCapacity) {
    TimeShiftRing ring(30 * kSecond, 10 * kSecond);
    ring.Begin(kT0);
    EXPECT_FALSE(ring.NeedsRoll(kT0 + 9 * kSecond));
    std::vector<int> numbers{1};
    for (int i = 1; i <= 5; ++i) {
        const int64_t now = kT0 + i * 10 * kSecond;
        ASSERT_TRUE(ring.NeedsRoll(now));
        numbers.push_back(ring.Roll(now));
        EXPECT_FALSE(ring.NeedsRoll(now));
    }
    EXPECT_EQ(numbers, (std::vector<int>{1, 2, 3, 4, 5, 6}));
    // At 50 s: segments 3 to 6 hold [20 s, 50 s]; 1 and 2 went.
    EXPECT_EQ(ring.TakeDropped(), (std::vector<int>{1, 2}));
    EXPECT_TRUE(ring.TakeDropped().empty());
    ASSERT_EQ(ring.Segments().size(), 4u);
    EXPECT_EQ(ring.Oldest(), 20 * kSecond);
    EXPECT_GE(ring.LiveEdge(kT0 + 50 * kSecond) - ring.Oldest(), ring.CapacityMs());
    // The paused picture fell out of the ring: it is shown from the oldest picture kept.
    EXPECT_EQ(ring.Position(kT0 + 50 * kSecond), 20 * kSecond);
    EXPECT_EQ(ring.Delay(kT0 + 50 * kSecond), 30 * kSecond);

    const ShiftLocation at = ring.Locate(35 * kSecond);
    EXPECT_EQ(at.number, 4);
    EXPECT_EQ(at.offset, 5 * kSecond);
    EXPECT_EQ(ring.Locate(50 * kSecond).number, 6);
    EXPECT_EQ(ring.Locate(0).number, 3) << "before the ring: its oldest segment";

    EXPECT_EQ(ring.End(), (std::vector<int>{3, 4, 5, 6}));
    EXPECT_FALSE(ring.Shifted());
    // A new shift numbers on: no file of the old ring is written again.
    ring.Begin(kT0 + 60 * kSecond);
    EXPECT_EQ(ring.Segments().front().number, 7);
}

TEST(TimeShiftRing, PlayingBehindAFullRingRunsOnFromTheOldestPicture) {
    TimeShiftRing ring(20 * kSecond, 10 * kSecond);
    ring.Begin(kT0);
    ring.Roll(kT0 + 10 * kSecond);
    ring.Roll(kT0 + 20 * kSecond);
    ring.Resume(kT0 + 25 * kSecond); // 25 s behind a ring that keeps 20 to 30 s
    ring.Roll(kT0 + 30 * kSecond);
    EXPECT_EQ(ring.TakeDropped(), (std::vector<int>{1}));
    const int64_t oldest = ring.Oldest();
    EXPECT_EQ(oldest, 10 * kSecond);
    EXPECT_EQ(ring.Position(kT0 + 30 * kSecond), oldest);
    EXPECT_EQ(ring.Position(kT0 + 31 * kSecond), oldest + kSecond);
}

TEST(TimeShiftText, DelayNamesFolderAndFormats) {
    EXPECT_EQ(FormatShiftDelay(0, false), "Shift -00:00");
    EXPECT_EQ(FormatShiftDelay(4600, false), "Shift -00:05");
    EXPECT_EQ(FormatShiftDelay(4400, false), "Shift -00:04");
    EXPECT_EQ(FormatShiftDelay(75 * 60 * kSecond + 3 * kSecond, false), "Shift -75:03");
    EXPECT_NE(FormatShiftDelay(5000, true), FormatShiftDelay(5000, false));
    EXPECT_NE(FormatShiftDelay(5000, true).find("-00:05"), std::string::npos);

    EXPECT_EQ(TimeShiftFolder("D:\\TV\\Video"), "D:\\Tunaro TimeShift");
    EXPECT_EQ(TimeShiftFolder("c:"), "c:\\Tunaro TimeShift");
    EXPECT_EQ(TimeShiftFolder("\\\\nas\\tv\\Video"), "\\\\nas\\tv\\Tunaro TimeShift");
    EXPECT_EQ(TimeShiftFolder("\\\\nas"), "");
    EXPECT_EQ(TimeShiftFolder("Video"), "");
    EXPECT_EQ(TimeShiftSegmentFile("D:\\Tunaro TimeShift", 12), "D:\\Tunaro TimeShift\\shift00012.mpg");
    EXPECT_TRUE(IsTimeShiftSegmentName("shift00012.mpg"));
    EXPECT_FALSE(IsTimeShiftSegmentName("shift00012.mpg.txt"));
    EXPECT_FALSE(IsTimeShiftSegmentName("shift0001.mpg"));
    EXPECT_FALSE(IsTimeShiftSegmentName("record.mpg"));

    EXPECT_TRUE(RecordKeepsBuffer(0));
    for (int format : {1, 2, 3, 4, 5, 6, 7})
        EXPECT_FALSE(RecordKeepsBuffer(format)) << format;
    EXPECT_EQ(TimeShiftCapacityMs(30), 30 * 60 * kSecond);
    EXPECT_EQ(TimeShiftCapacityMs(0), 0);
    EXPECT_EQ(TimeShiftCapacityMs(-4), 0);
    EXPECT_EQ(TimeShiftCapacityMs(100000), 24 * 60 * 60 * kSecond);
}
