// Which segment of the panel's 18-segment volume bar a mixer volume lights (pure arithmetic).
#pragma once

constexpr int kFirstVolumeSegment = 1181;
constexpr int kLastVolumeSegment = 1198;

// The highest lit segment for a mixer volume: volume x 18 / (maximum - minimum) + 1181, kept
// within 1181..1198. A mixer without a usable range, or an unreadable volume (< 0), gives 1181.
int VolumeSegmentFor(long volume, long minimum, long maximum);
