// The station pictures of the simulated card, converted here without the engine's code.
#include "tests/tv/app/station_picture.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/simcard/broadcast.h"
#include "tests/support/e2e.h"

namespace stationpic {

namespace {

uint32_t Le32(const std::string& s, size_t at) {
    uint32_t v = 0;
    std::memcpy(&v, s.data() + at, 4);
    return v;
}

size_t Stride(long width) {
    return (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
}

uint8_t Clamp(double v) {
    return static_cast<uint8_t>(std::min(255.0, std::max(0.0, v + 0.5)));
}

} // namespace

Picture ReadBmp(const std::string& bytes) {
    Picture p;
    if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M' || Le32(bytes, 14) != 40)
        return p;
    const long width = static_cast<int32_t>(Le32(bytes, 18)), height = static_cast<int32_t>(Le32(bytes, 22));
    const uint32_t offset = Le32(bytes, 10);
    if (width <= 0 || height <= 0 || (Le32(bytes, 26) >> 16) != 24 || Le32(bytes, 30) != 0)
        return p;
    const size_t size = Stride(width) * static_cast<size_t>(height);
    if (offset + size > bytes.size())
        return p;
    p.width = width;
    p.height = height;
    p.bgr.assign(bytes.begin() + offset, bytes.begin() + offset + static_cast<ptrdiff_t>(size));
    return p;
}

std::vector<std::string> StationNames() {
    std::vector<std::string> names;
    for (const simcard::TvStation& s : simcard::DefaultPlan().tv)
        names.push_back(s.name);
    return names;
}

Picture Expected(const std::string& stationName, long width, long height) {
    Picture p;
    const simcard::Plan plan = simcard::DefaultPlan();
    auto it = std::find_if(plan.tv.begin(), plan.tv.end(),
                           [&](const simcard::TvStation& s) { return s.name == stationName; });
    if (it == plan.tv.end())
        return p;
    simcard::ProcAmp amp = simcard::DefaultProcAmp();
    amp.brightness = e2e::SimCardStateLong("Brightness", amp.brightness);
    amp.contrast = e2e::SimCardStateLong("Contrast", amp.contrast);
    amp.hue = e2e::SimCardStateLong("Hue", amp.hue);
    amp.saturation = e2e::SimCardStateLong("Saturation", amp.saturation);
    amp.sharpness = e2e::SimCardStateLong("Sharpness", amp.sharpness);
    amp.colorEnable = e2e::SimCardStateLong("ColorEnable", amp.colorEnable);
    simcard::FrameSpec spec;
    spec.width = static_cast<int>(width);
    spec.height = static_cast<int>(height);
    spec.station = &*it;
    spec.frequency = it->frequency;
    std::vector<uint8_t> yuy2(static_cast<size_t>(width) * 2 * static_cast<size_t>(height));
    simcard::RenderFrame(spec, amp, yuy2.data(), static_cast<int>(width * 2));

    p.width = width;
    p.height = height;
    p.bgr.assign(Stride(width) * static_cast<size_t>(height), 0);
    for (long row = 0; row < height; ++row) {
        const uint8_t* s = &yuy2[static_cast<size_t>(row) * width * 2];
        uint8_t* d = &p.bgr[static_cast<size_t>(height - 1 - row) * Stride(width)];
        for (long x = 0; x < width; ++x) {
            const double y = s[x * 2], u = s[(x & ~1L) * 2 + 1] - 128.0, v = s[(x & ~1L) * 2 + 3] - 128.0;
            d[x * 3] = Clamp(y + 1.772 * u);
            d[x * 3 + 1] = Clamp(y - 0.344 * u - 0.714 * v);
            d[x * 3 + 2] = Clamp(y + 1.402 * v);
        }
    }
    return p;
}

double MismatchShare(const Picture& a, const Picture& b) {
    if (a.width != b.width || a.height != b.height || a.width <= 0 || a.bgr.size() != b.bgr.size())
        return 1.0;
    size_t off = 0;
    for (long row = 0; row < a.height; ++row) {
        const size_t base = static_cast<size_t>(row) * Stride(a.width);
        for (long x = 0; x < a.width; ++x) {
            const size_t i = base + static_cast<size_t>(x) * 3;
            const int d = std::max({std::abs(a.bgr[i] - b.bgr[i]), std::abs(a.bgr[i + 1] - b.bgr[i + 1]),
                                    std::abs(a.bgr[i + 2] - b.bgr[i + 2])});
            if (d > 48)
                ++off;
        }
    }
    return static_cast<double>(off) / (static_cast<double>(a.width) * static_cast<double>(a.height));
}

} // namespace stationpic
