// The rule of a skinned volume bar: which segment a mixer volume lights and which volume a
// segment sets. Plain logic, no Windows headers; the bar itself is uikit/skin_panel.h.
#pragma once

#include <algorithm>

namespace tunaro {

// A bar whose segments have the consecutive ids first..last. A volume lights the segments up to
// (volume - minimum) x count / (maximum - minimum) + origin, kept within the bar; origin is
// first where the lowest segment is the bottom step of the scale, first + 1 where it stands for
// silence alone. A mixer without a usable range lights the first segment.
struct VolumeScale {
    int first;
    int last;
    int origin;

    constexpr int Count() const { return last - first + 1; }
    constexpr bool Contains(int id) const { return id >= first && id <= last; }

    // The highest lit segment for a mixer volume.
    int SegmentForVolume(long volume, long minimum, long maximum) const {
        const long long range = static_cast<long long>(maximum) - minimum;
        if (range <= 0)
            return first;
        const long long id = (static_cast<long long>(volume) - minimum) * Count() / range + origin;
        return static_cast<int>(std::clamp<long long>(id, first, last));
    }

    // The volume a segment sets: the least one that lights it again (rounded up); the segments up
    // to origin set the minimum.
    long VolumeForSegment(int id, long minimum, long maximum) const {
        const long long range = static_cast<long long>(maximum) - minimum;
        const int segment = std::clamp(id, first, last);
        if (range <= 0 || segment <= origin)
            return minimum;
        const long long steps = segment - origin;
        return static_cast<long>(minimum + (steps * range + Count() - 1) / Count());
    }

    // The segment one step below (direction -1) or above (+1); 0 when that would leave the bar or
    // current is not on it.
    int Stepped(int current, int direction) const {
        if (!Contains(current))
            return 0;
        const int next = current + (direction < 0 ? -1 : 1);
        return Contains(next) ? next : 0;
    }
};

} // namespace tunaro
