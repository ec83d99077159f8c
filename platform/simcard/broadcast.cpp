// The simulated broadcast: default station plan and its text form, reception by frequency,
// the test pictures (patterns, moving box, captions, noise, proc amp) and the station tones.
#include "platform/simcard/broadcast.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/simcard/font.h"

namespace simcard {

namespace {

const double kPi = 3.14159265358979323846;

struct Yuv {
    uint8_t y, u, v;
};

// 75% colour bars: white, yellow, cyan, green, magenta, red, blue, black.
const Yuv kBars[8] = {{180, 128, 128}, {162, 44, 142}, {131, 156, 44}, {112, 72, 58},
                      {84, 184, 198},  {65, 100, 212}, {35, 212, 114}, {16, 128, 128}};

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos)
        return std::string();
    size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

std::vector<std::string> SplitCommas(const std::string& s) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t comma = s.find(',', start);
        parts.push_back(
            Trim(s.substr(start, comma == std::string::npos ? std::string::npos : comma - start)));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return parts;
}

bool ParseFrequency(const std::string& s, uint32_t* out) {
    if (s.empty())
        return false;
    char* end = nullptr;
    unsigned long long v = strtoull(s.c_str(), &end, 10);
    if (*end != '\0' || v == 0 || v > 0xffffffffull)
        return false;
    *out = static_cast<uint32_t>(v);
    return true;
}

bool EqualsNoCase(const std::string& a, const char* b) {
    size_t n = strlen(b);
    if (a.size() != n)
        return false;
    for (size_t i = 0; i < n; ++i)
        if (toupper(static_cast<unsigned char>(a[i])) != toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

uint32_t Hash(const std::string& s) {
    uint32_t h = 2166136261u;
    for (unsigned char c : s)
        h = (h ^ c) * 16777619u;
    return h;
}

inline uint8_t Clamp8(int v) {
    return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

inline uint32_t XorShift(uint32_t& s) {
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    return s;
}

// Planar working buffers of one frame (luma per pixel, chroma per pixel pair).
struct Planes {
    int w = 0, h = 0;
    std::vector<uint8_t> y, u, v;
    void Resize(int width, int height) {
        w = width;
        h = height;
        y.assign(static_cast<size_t>(w) * h, 16);
        u.assign(static_cast<size_t>(w / 2) * h, 128);
        v.assign(static_cast<size_t>(w / 2) * h, 128);
    }
    void Put(int x, int row, const Yuv& c) {
        if (x < 0 || x >= w || row < 0 || row >= h)
            return;
        y[static_cast<size_t>(row) * w + x] = c.y;
        u[static_cast<size_t>(row) * (w / 2) + x / 2] = c.u;
        v[static_cast<size_t>(row) * (w / 2) + x / 2] = c.v;
    }
    void Fill(int x0, int y0, int x1, int y1, const Yuv& c) {
        x0 = std::max(0, x0);
        y0 = std::max(0, y0);
        x1 = std::min(w, x1);
        y1 = std::min(h, y1);
        for (int r = y0; r < y1; ++r)
            for (int x = x0; x < x1; ++x)
                Put(x, r, c);
    }
};

void DrawText(Planes& p, int x, int y, int scale, const std::string& text, const Yuv& ink) {
    const Yuv paper = {16, 128, 128};
    int width = static_cast<int>(text.size()) * 6 * scale + scale;
    p.Fill(x - scale, y - scale, x - scale + width + scale, y + 8 * scale, paper);
    for (size_t i = 0; i < text.size(); ++i) {
        const uint8_t* g = Glyph(text[i]);
        int cx = x + static_cast<int>(i) * 6 * scale;
        if (cx >= p.w)
            break;
        for (int row = 0; row < 7; ++row)
            for (int col = 0; col < 5; ++col)
                if (g[row] & (0x10 >> col))
                    p.Fill(cx + col * scale, y + row * scale, cx + (col + 1) * scale, y + (row + 1) * scale,
                           ink);
    }
}

Yuv StationColour(uint32_t h, int which) {
    return kBars[1 + (h >> (which * 3)) % 6];
}

void DrawPattern(Planes& p, Pattern pattern, uint32_t frame, uint32_t seed) {
    const int w = p.w, h = p.h;
    Yuv a = StationColour(seed, 0), b = StationColour(seed, 1);
    if (a.u == b.u && a.v == b.v)
        b = kBars[0];
    int cell = std::max(4, h / 8);
    for (int r = 0; r < h; ++r) {
        uint8_t* yr = &p.y[static_cast<size_t>(r) * w];
        uint8_t* ur = &p.u[static_cast<size_t>(r) * (w / 2)];
        uint8_t* vr = &p.v[static_cast<size_t>(r) * (w / 2)];
        for (int x = 0; x < w; x += 2) {
            Yuv c0, c1;
            switch (pattern) {
            case Pattern::Bars:
                c0 = kBars[x * 8 / w];
                c1 = c0;
                break;
            case Pattern::Checker: {
                int shift = static_cast<int>(frame * 4 % static_cast<uint32_t>(2 * cell));
                bool on = (((x + shift) / cell) + (r / cell)) & 1;
                c0 = c1 = on ? a : b;
                break;
            }
            case Pattern::Rings: {
                float dx = static_cast<float>(x - w / 2), dy = static_cast<float>(r - h / 2);
                int ring =
                    static_cast<int>(std::sqrt(dx * dx + dy * dy)) / (cell / 2) + static_cast<int>(frame / 3);
                c0 = c1 = (ring & 1) ? a : b;
                break;
            }
            case Pattern::Ramp:
            default: {
                const Yuv& q = (r < h / 2) ? a : b;
                c0 = {static_cast<uint8_t>(16 + 219 * x / w), q.u, q.v};
                c1 = {static_cast<uint8_t>(16 + 219 * (x + 1) / w), q.u, q.v};
                break;
            }
            }
            yr[x] = c0.y;
            if (x + 1 < w)
                yr[x + 1] = c1.y;
            ur[x / 2] = c0.u;
            vr[x / 2] = c0.v;
        }
    }
    // A box moving across the middle, bouncing at the edges.
    int size = std::max(4, h / 6);
    int span = std::max(1, w - size);
    int pos = static_cast<int>((frame * 6) % static_cast<uint32_t>(2 * span));
    if (pos > span)
        pos = 2 * span - pos;
    p.Fill(pos, h / 2 - size / 2, pos + size, h / 2 + size / 2, {235, 128, 128});
}

std::string FrequencyText(uint32_t hz) {
    char buf[32];
    snprintf(buf, sizeof buf, "%u.%02u MHZ", hz / 1000000u, (hz % 1000000u) / 10000u);
    return buf;
}

} // namespace

// ---- plan -------------------------------------------------------------------------------------

int DefaultToneHz(bool fm, size_t index) {
    static const int kTv[] = {440, 554, 659, 784, 880, 988, 1109, 1319, 1480, 1661, 1760};
    static const int kRadio[] = {523, 587, 698, 831, 932, 1047, 1175, 1397};
    return fm ? kRadio[index % (sizeof kRadio / sizeof kRadio[0])]
              : kTv[index % (sizeof kTv / sizeof kTv[0])];
}

Plan DefaultPlan() {
    Plan p;
    struct {
        uint32_t f;
        const char* name;
        Pattern pattern;
        ColorSystem system;
    } tv[] = {
        {49750000, "Harbour TV", Pattern::Bars, ColorSystem::Pal},       // China DS-1
        {55250000, "Liberty 2", Pattern::Ramp, ColorSystem::Ntsc},       // NTSC-M channel 2
        {77250000, "Lotus Channel", Pattern::Checker, ColorSystem::Pal}, // China DS-4
        {168250000, "Summit News", Pattern::Rings, ColorSystem::Pal},    // China DS-6
        {175250000, "Alpine One", Pattern::Bars, ColorSystem::Pal},      // Europe E5
        {184250000, "River Arts", Pattern::Ramp, ColorSystem::Pal},      // China DS-8
        {210250000, "Canal Nord", Pattern::Checker, ColorSystem::Pal},   // Europe E10
        {471250000, "Metro Sports", Pattern::Rings, ColorSystem::Pal},   // DS-13 / E21
        {543250000, "Star Kids", Pattern::Bars, ColorSystem::Pal},       // DS-22 / E30
        {615250000, "Valley Music", Pattern::Checker, ColorSystem::Pal}, // DS-26 / E39
        {855250000, "Orchid Drama", Pattern::Ramp, ColorSystem::Pal},    // DS-56 / E69
    };
    for (size_t i = 0; i < sizeof tv / sizeof tv[0]; ++i) {
        TvStation s;
        s.frequency = tv[i].f;
        s.name = tv[i].name;
        s.pattern = tv[i].pattern;
        s.system = tv[i].system;
        s.toneHz = DefaultToneHz(false, i);
        p.tv.push_back(s);
    }
    struct {
        uint32_t f;
        const char* name;
    } fm[] = {{88100000, "Harbour FM"}, {91500000, "Lotus Radio"}, {95300000, "Summit FM"},
              {99800000, "River Jazz"}, {103900000, "Metro Talk"}, {107500000, "Star Hits"}};
    for (size_t i = 0; i < sizeof fm / sizeof fm[0]; ++i) {
        FmStation s;
        s.frequency = fm[i].f;
        s.name = fm[i].name;
        s.toneHz = DefaultToneHz(true, i);
        p.fm.push_back(s);
    }
    return p;
}

const char* PatternName(Pattern p) {
    switch (p) {
    case Pattern::Bars:
        return "bars";
    case Pattern::Checker:
        return "checker";
    case Pattern::Rings:
        return "rings";
    case Pattern::Ramp:
        return "ramp";
    }
    return "bars";
}

const char* SystemName(ColorSystem s) {
    switch (s) {
    case ColorSystem::Pal:
        return "PAL";
    case ColorSystem::Ntsc:
        return "NTSC";
    case ColorSystem::Secam:
        return "SECAM";
    }
    return "PAL";
}

bool ParseTvStation(const std::string& text, TvStation* out) {
    std::vector<std::string> f = SplitCommas(text);
    TvStation s;
    if (!ParseFrequency(f[0], &s.frequency))
        return false;
    s.name = f.size() > 1 && !f[1].empty() ? f[1] : FrequencyText(s.frequency);
    if (f.size() > 2) {
        if (EqualsNoCase(f[2], "checker"))
            s.pattern = Pattern::Checker;
        else if (EqualsNoCase(f[2], "rings"))
            s.pattern = Pattern::Rings;
        else if (EqualsNoCase(f[2], "ramp"))
            s.pattern = Pattern::Ramp;
        else if (!f[2].empty() && !EqualsNoCase(f[2], "bars"))
            return false;
    }
    if (f.size() > 3) {
        if (EqualsNoCase(f[3], "NTSC"))
            s.system = ColorSystem::Ntsc;
        else if (EqualsNoCase(f[3], "SECAM"))
            s.system = ColorSystem::Secam;
        else if (!f[3].empty() && !EqualsNoCase(f[3], "PAL"))
            return false;
    }
    *out = s;
    return true;
}

bool ParseFmStation(const std::string& text, FmStation* out) {
    std::vector<std::string> f = SplitCommas(text);
    FmStation s;
    if (!ParseFrequency(f[0], &s.frequency))
        return false;
    s.name = f.size() > 1 && !f[1].empty() ? f[1] : FrequencyText(s.frequency);
    *out = s;
    return true;
}

std::string FormatTvStation(const TvStation& s) {
    return std::to_string(s.frequency) + "," + s.name + "," + PatternName(s.pattern) + "," +
           SystemName(s.system);
}

std::string FormatFmStation(const FmStation& s) {
    return std::to_string(s.frequency) + "," + s.name;
}

// ---- reception --------------------------------------------------------------------------------

namespace {

template <class Station> int Nearest(const std::vector<Station>& list, uint32_t f, int32_t* offset) {
    int best = -1;
    int64_t bestAbs = 0;
    for (size_t i = 0; i < list.size(); ++i) {
        int64_t d = static_cast<int64_t>(f) - list[i].frequency;
        int64_t a = d < 0 ? -d : d;
        if (best < 0 || a < bestAbs) {
            best = static_cast<int>(i);
            bestAbs = a;
            *offset = static_cast<int32_t>(d);
        }
    }
    return best;
}

} // namespace

Reception ReceiveTv(const Plan& plan, uint32_t frequency) {
    Reception r;
    int32_t off = 0;
    int i = Nearest(plan.tv, frequency, &off);
    if (i < 0)
        return r;
    int32_t a = off < 0 ? -off : off;
    if (a > kTvLockHz)
        return r;
    r.station = i;
    r.offset = off;
    r.carrier = true;
    if (a <= kTvClearHz) {
        r.quality = 100;
        r.pllOffset = 0;
    } else {
        r.quality = 85 - 70 * (a - kTvClearHz) / (kTvLockHz - kTvClearHz);
        r.pllOffset = a <= 400000 ? 1 : 2;
    }
    r.strength = static_cast<uint32_t>(r.quality);
    return r;
}

Reception ReceiveFm(const Plan& plan, uint32_t frequency) {
    Reception r;
    int32_t off = 0;
    int i = Nearest(plan.fm, frequency, &off);
    if (i < 0)
        return r;
    int32_t a = off < 0 ? -off : off;
    if (a >= kFmFarHz)
        return r;
    r.station = i;
    r.offset = off;
    r.carrier = a < kFmNearHz;
    r.pllOffset = a < kFmOnHz ? 0 : (a < kFmNearHz ? 1 : 2);
    r.quality = a < kFmOnHz ? 100 : 100 - 100 * (a - kFmOnHz) / (kFmFarHz - kFmOnHz);
    r.strength = static_cast<uint32_t>(r.quality);
    return r;
}

// ---- proc amp -------------------------------------------------------------------------------

bool ProcAmpRangeOf(long property, ProcAmpRange* out) {
    switch (property) {
    case 0: // brightness
    case 1: // contrast
    case 3: // saturation
        *out = {0, 10000, 1, 5000};
        return true;
    case 2: // hue, degrees
        *out = {-180, 180, 1, 0};
        return true;
    case 4: // sharpness
        *out = {0, 15, 1, 8};
        return true;
    case 6: // colour enable
        *out = {0, 1, 1, 1};
        return true;
    default:
        return false;
    }
}

ProcAmp DefaultProcAmp() {
    return {5000, 5000, 0, 5000, 8, 1};
}

int32_t ProcAmpValue(const ProcAmp& p, long property) {
    switch (property) {
    case 0:
        return p.brightness;
    case 1:
        return p.contrast;
    case 2:
        return p.hue;
    case 3:
        return p.saturation;
    case 4:
        return p.sharpness;
    case 6:
        return p.colorEnable;
    default:
        return 0;
    }
}

void SetProcAmpValue(ProcAmp& p, long property, int32_t value) {
    switch (property) {
    case 0:
        p.brightness = value;
        break;
    case 1:
        p.contrast = value;
        break;
    case 2:
        p.hue = value;
        break;
    case 3:
        p.saturation = value;
        break;
    case 4:
        p.sharpness = value;
        break;
    case 6:
        p.colorEnable = value;
        break;
    default:
        break;
    }
}

// ---- picture ----------------------------------------------------------------------------------

void RenderFrame(const FrameSpec& spec, const ProcAmp& amp, uint8_t* out, int stride) {
    const int w = spec.width & ~1, h = spec.height;
    if (w <= 0 || h <= 0)
        return;
    thread_local Planes p;
    p.Resize(w, h);
    const int scale = std::max(1, h / 144);
    const uint32_t f = spec.frameNumber;
    char counter[32];
    snprintf(counter, sizeof counter, "FRAME %06u", f);

    int quality = spec.quality;
    if (spec.source == Source::Tuner) {
        if (spec.station) {
            DrawPattern(p, spec.station->pattern, f, Hash(spec.station->name));
            DrawText(p, 8 * scale, 6 * scale, scale, spec.station->name, {235, 128, 128});
            DrawText(p, 8 * scale, 16 * scale, scale, FrequencyText(spec.frequency), {210, 146, 16});
            DrawText(p, 8 * scale, 26 * scale, scale, counter, {235, 128, 128});
        } else {
            quality = 0;
        }
    } else {
        const bool composite = spec.source == Source::Composite, camera = spec.source == Source::Camera;
        DrawPattern(p, composite ? Pattern::Bars : (camera ? Pattern::Rings : Pattern::Ramp), f,
                    composite ? 7u : (camera ? 3u : 11u));
        DrawText(p, 8 * scale, 6 * scale, scale, composite ? "COMPOSITE" : (camera ? "CAMERA" : "S-VIDEO"),
                 {235, 128, 128});
        DrawText(p, 8 * scale, 16 * scale, scale, counter, {235, 128, 128});
        quality = 100;
    }
    if (spec.syncMark)
        p.Fill(0, h - h / 8, w, h, {235, 128, 128});

    // Proc amp: luma through a table (contrast about mid-grey, then brightness); chroma
    // rotated by the hue and scaled by the saturation; sharpness as a horizontal unsharp mask.
    uint8_t lut[256];
    for (int v = 0; v < 256; ++v)
        lut[v] = Clamp8((v - 128) * amp.contrast / 5000 + 128 + (amp.brightness - 5000) * 128 / 5000);
    const double hue = amp.hue * kPi / 180.0;
    const int cs = static_cast<int>(std::lround(std::cos(hue) * amp.saturation / 5000.0 * 1024));
    const int sn = static_cast<int>(std::lround(std::sin(hue) * amp.saturation / 5000.0 * 1024));
    const bool colour = spec.colour && amp.colorEnable != 0;
    const int sharp = amp.sharpness - 8;

    uint32_t seed = f * 2654435761u + 12345u;
    for (int row = 0; row < h; ++row) {
        int src = spec.rolling
                      ? static_cast<int>((static_cast<uint32_t>(row) + f * 37u) % static_cast<uint32_t>(h))
                      : row;
        int dstRow = spec.upsideDown ? h - 1 - row : row;
        const uint8_t* yr = &p.y[static_cast<size_t>(src) * w];
        const uint8_t* ur = &p.u[static_cast<size_t>(src) * (w / 2)];
        const uint8_t* vr = &p.v[static_cast<size_t>(src) * (w / 2)];
        uint8_t* o = out + static_cast<ptrdiff_t>(dstRow) * stride;
        for (int x = 0; x < w; x += 2) {
            int y0 = yr[x], y1 = yr[x + 1];
            if (sharp != 0) {
                int l = yr[x > 0 ? x - 1 : x], r = yr[x + 2 < w ? x + 2 : x + 1];
                y0 = y0 + sharp * (2 * y0 - l - y1) / 8;
                y1 = y1 + sharp * (2 * y1 - yr[x] - r) / 8;
            }
            int u = ur[x / 2] - 128, v = vr[x / 2] - 128;
            if (quality < 100) {
                int n0 = 16 + static_cast<int>(XorShift(seed) % 220u);
                int n1 = 16 + static_cast<int>(XorShift(seed) % 220u);
                y0 = (y0 * quality + n0 * (100 - quality)) / 100;
                y1 = (y1 * quality + n1 * (100 - quality)) / 100;
                u = u * quality / 100;
                v = v * quality / 100;
            }
            int uo = 128, vo = 128;
            if (colour) {
                uo = 128 + (u * cs - v * sn) / 1024;
                vo = 128 + (u * sn + v * cs) / 1024;
            }
            o[2 * x] = lut[Clamp8(y0)];
            o[2 * x + 1] = Clamp8(uo);
            o[2 * x + 2] = lut[Clamp8(y1)];
            o[2 * x + 3] = Clamp8(vo);
        }
    }
}

// ---- sound ------------------------------------------------------------------------------------

bool InSyncMark(int64_t time, int64_t period) {
    if (period <= 0 || time < 0)
        return false;
    constexpr int64_t kSecond = 10000000;
    // The mark of the second the time falls in, or of the one before when a picture period
    // crosses the second.
    for (int64_t second = time / kSecond; second >= 0 && second >= time / kSecond - 1; --second) {
        const int64_t start = (second * kSecond + period - 1) / period * period;
        if (time >= start && time < start + kSyncMarkPictures * period)
            return true;
    }
    return false;
}

double SoundClockRate(int rate, int ppm) {
    ppm = std::max(-10000, std::min(10000, ppm));
    return rate * (1.0 + ppm / 1e6);
}

void RenderSound(const SoundSpec& spec, int16_t* out, int frames) {
    const int ch = spec.channels > 0 ? spec.channels : 1;
    if (spec.silent) {
        memset(out, 0, sizeof(int16_t) * static_cast<size_t>(frames) * ch);
        return;
    }
    uint32_t seed = static_cast<uint32_t>(spec.firstSample * 2246822519u + 7u);
    // Time runs by the card's sound clock: a sample's place in the broadcast.
    const double rate = spec.clockRate > 0 ? spec.clockRate : (spec.rate > 0 ? spec.rate : 48000);
    for (int i = 0; i < frames; ++i) {
        double t = static_cast<double>(spec.firstSample + static_cast<uint64_t>(i)) / rate;
        const bool beep = spec.syncPeriod > 0 && InSyncMark(std::llround(t * 1e7), spec.syncPeriod);
        for (int c = 0; c < ch; ++c) {
            int hz = (c == 1) ? spec.rightHz : spec.leftHz;
            double s = beep     ? 24000.0 * std::sin(2 * kPi * kSyncBeepHz * t)
                       : hz > 0 ? 8000.0 * std::sin(2 * kPi * hz * t)
                                : 0.0;
            if (spec.noise > 0)
                s +=
                    static_cast<int>(XorShift(seed) % static_cast<uint32_t>(2 * spec.noise + 1)) - spec.noise;
            out[i * ch + c] = static_cast<int16_t>(std::max(-32768.0, std::min(32767.0, s)));
        }
    }
}

} // namespace simcard
