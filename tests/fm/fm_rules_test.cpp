// The FM window's rules: station stepping, the frequency, clock and playback texts, recording
// names and the volume bar's segments.
#include "fm/fm_rules.h"

#include <gtest/gtest.h>

namespace {

namespace fm = tunaro::fm;

TEST(FmRulesTest, StationsStepAroundTheListAndRefuseWhatIsNotThere) {
    EXPECT_TRUE(fm::ValidStation(0, 1));
    EXPECT_FALSE(fm::ValidStation(1, 1)); // one past the end is no station
    EXPECT_FALSE(fm::ValidStation(-1, 5));
    EXPECT_FALSE(fm::ValidStation(0, 0));
    EXPECT_EQ(fm::NextStation(0, 3), 1);
    EXPECT_EQ(fm::NextStation(2, 3), 0); // after the last comes the first
    EXPECT_EQ(fm::NextStation(7, 3), 0); // a stale index after the list shrank
    EXPECT_EQ(fm::NextStation(-1, 3), 0);
    EXPECT_EQ(fm::PreviousStation(2, 3), 1);
    EXPECT_EQ(fm::PreviousStation(0, 3), 2); // before the first comes the last
    EXPECT_EQ(fm::PreviousStation(9, 3), 2);
    EXPECT_EQ(fm::NextStation(0, 0), -1);
    EXPECT_EQ(fm::PreviousStation(0, 0), -1);
    EXPECT_EQ(fm::NextStation(0, 1), 0);
    EXPECT_EQ(fm::PreviousStation(0, 1), 0);
}

TEST(FmRulesTest, TextsAndNames) {
    EXPECT_EQ(fm::FrequencyText(87900000), "87.90 MHz");
    EXPECT_EQ(fm::FrequencyText(107950000), "107.95 MHz");
    EXPECT_EQ(fm::FrequencyText(100000000 + fm::kFineTuneStep), "100.05 MHz");
    EXPECT_EQ(fm::ClockText(0), "00:00:00");
    EXPECT_EQ(fm::ClockText(3723), "01:02:03");
    EXPECT_EQ(fm::ClockText(100 * 3600 + 59), "100:00:59");
    EXPECT_EQ(fm::ClockText(-5), "00:00:00");
    EXPECT_EQ(fm::PlaybackText(65, 600), "1:5/10:0");
    EXPECT_EQ(fm::SecondsOfUnits(0), 0);
    EXPECT_EQ(fm::SecondsOfUnits(99999999), 9);
    EXPECT_EQ(fm::SecondsOfUnits(100000000), 10);
    EXPECT_EQ(fm::SecondsOfUnits(36000000000LL * 10), 36000);

    EXPECT_EQ(fm::RecordingPath("C:\\Rec", "20261208-200000", fm::kRecordMp3),
              "C:\\Rec\\20261208-200000.MP3");
    EXPECT_EQ(fm::RecordingPath("C:\\", "x", fm::kRecordWma), "C:\\x.WMA");
    EXPECT_EQ(fm::RecordingPath("D:\\a b\\", "n", 7), "D:\\a b\\n.MP3");
    EXPECT_TRUE(fm::IsRecordingFileName("a.MP3"));
    EXPECT_TRUE(fm::IsRecordingFileName("a.wma"));
    EXPECT_TRUE(fm::IsRecordingFileName("x.y.Mp3"));
    EXPECT_FALSE(fm::IsRecordingFileName("a.mp4"));
    EXPECT_FALSE(fm::IsRecordingFileName("mp3"));
    EXPECT_FALSE(fm::IsRecordingFileName("a.MP3.txt"));
}

TEST(FmRulesTest, VolumeSegmentsAndVolumesAgree) {
    // volume x 10 / range + 1063, within 1062..1071.
    EXPECT_EQ(fm::kVolumeScale.SegmentForVolume(0, 0, 65535), 1063);
    EXPECT_EQ(fm::kVolumeScale.SegmentForVolume(65535, 0, 65535), 1071);
    EXPECT_EQ(fm::kVolumeScale.SegmentForVolume(6553, 0, 65535), 1063);
    EXPECT_EQ(fm::kVolumeScale.SegmentForVolume(6554, 0, 65535), 1064);
    EXPECT_EQ(fm::kVolumeScale.SegmentForVolume(50, 0, 0), 1062); // no range
    EXPECT_EQ(fm::kVolumeScale.SegmentForVolume(-10, 0, 100), 1062);
    EXPECT_EQ(fm::kVolumeScale.SegmentForVolume(1000, 0, 100), 1071);
    // Every segment's volume lights that segment again (the lowest two share the minimum).
    for (long maximum : {100L, 255L, 65535L}) {
        for (int id = 1063; id <= 1071; ++id) {
            const long volume = fm::kVolumeScale.VolumeForSegment(id, 0, maximum);
            EXPECT_GE(volume, 0);
            EXPECT_LE(volume, maximum);
            EXPECT_EQ(fm::kVolumeScale.SegmentForVolume(volume, 0, maximum), id) << maximum << " " << id;
        }
        EXPECT_EQ(fm::kVolumeScale.VolumeForSegment(1062, 0, maximum), 0);
        EXPECT_LT(fm::kVolumeScale.VolumeForSegment(1066, 0, maximum),
                  fm::kVolumeScale.VolumeForSegment(1067, 0, maximum));
    }
    EXPECT_EQ(fm::kVolumeScale.VolumeForSegment(1071, 100, 200), 180);
}

} // namespace
