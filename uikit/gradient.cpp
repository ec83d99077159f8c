// Colour bands of a horizontal gradient, interpolating red, green and blue in 8.8 fixed point.
// Used by TextLabel's gradient background.
#include "uikit/gradient.h"

#include <initializer_list>

namespace tunaro {

std::vector<GradientBand> GradientBands(int width, uint32_t startColour, uint32_t endColour) {
    std::vector<GradientBand> bands;
    if (width <= 0)
        return bands;
    const int count = width < 100 ? width : 100;
    auto channel = [](uint32_t c, int shift) { return static_cast<int>((c >> shift) & 0xFF); };
    bands.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        uint32_t colour = 0;
        for (int shift : {0, 8, 16}) {
            int from = channel(startColour, shift) << 8, to = channel(endColour, shift) << 8;
            int value = (from + (to - from) * i / count) >> 8; // 8.8 fixed point
            colour |= static_cast<uint32_t>(value & 0xFF) << shift;
        }
        bands.push_back({width * i / count, width * (i + 1) / count, colour});
    }
    return bands;
}

} // namespace tunaro
