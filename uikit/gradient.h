// Colour bands of a horizontal gradient: at most 100 vertical bands (one per pixel when the
// area is narrower), colours interpolated in 8.8 fixed point. No window code here.
#pragma once

#include <cstdint>
#include <vector>

namespace tunaro {

struct GradientBand {
    int left, right; // pixel columns [left, right)
    uint32_t colour; // 0x00BBGGRR, as a COLORREF
};

std::vector<GradientBand> GradientBands(int width, uint32_t startColour, uint32_t endColour);

} // namespace tunaro
