// The volume bar's arithmetic: mixer volume to the highest lit segment.
#include "volume_segment.h"

int VolumeSegmentFor(long volume, long minimum, long maximum) {
    const long long range = static_cast<long long>(maximum) - minimum;
    if (range <= 0 || volume < 0)
        return kFirstVolumeSegment;
    const long long segment = static_cast<long long>(volume) * 18 / range + kFirstVolumeSegment;
    if (segment > kLastVolumeSegment)
        return kLastVolumeSegment;
    return static_cast<int>(segment);
}
