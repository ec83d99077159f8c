#include "engine/sound_clock.h"

#include <algorithm>
#include <cmath>

namespace tunaro {

namespace {

constexpr double kUnitsPerSecond = 1e7;
// How much stream time the rate estimate looks back over.
constexpr double kWindowSeconds = 4.0;
// How quickly what is ahead or behind is taken back: a lead of this many seconds' worth of the
// pull. Slow enough to be inaudible, quick enough that no offset builds up.
constexpr double kPullSeconds = 2.0;
// The most the sound is stretched or squeezed: real crystals are off by far less.
constexpr double kMaxDeviation = 0.03;
// A difference this small between the clocks leaves the samples untouched.
constexpr double kSameClock = 1e-5;
// A jump in the stream time beyond this starts afresh (a pause, a lost buffer).
constexpr int64_t kJump = 1000000; // 100 ms

} // namespace

SoundClock::SoundClock(int rate, int channels)
    : m_rate(rate > 0 ? rate : 48000), m_channels(channels > 0 ? channels : 2) {}

void SoundClock::Reset() {
    m_started = false;
    m_written = 0;
    m_phase = 0;
    m_step = 1;
    m_held.clear();
    m_window.clear();
    m_windowFrames = m_windowExpected = 0;
}

double SoundClock::Lead() const {
    // The input frames already taken in but not yet given out (the held one, a fraction) count
    // as written.
    return m_started ? m_written - m_phase / m_step -
                           static_cast<double>(m_lastStop - m_origin) * m_rate / kUnitsPerSecond
                     : 0;
}

double SoundClock::EstimateRatio() const {
    return m_windowExpected > 0 ? m_windowFrames / m_windowExpected : 1.0;
}

int64_t SoundClock::Process(int64_t start, int64_t stop, const int16_t* in, int frames,
                            std::vector<int16_t>* out) {
    if (frames <= 0)
        return start;
    const size_t ch = static_cast<size_t>(m_channels);
    if (stop <= start) {
        out->insert(out->end(), in, in + static_cast<size_t>(frames) * ch);
        return start;
    }
    int64_t from = start;
    if (m_started && start - m_lastStop > kJump &&
        start - m_lastStop <= static_cast<int64_t>(kMaxFillSeconds) * 10000000) {
        // Sound lost on the way: silence in its place keeps what follows on time.
        from = m_lastStop;
        const double lead = Lead();
        const double missing = static_cast<double>(start - m_lastStop) * m_rate / kUnitsPerSecond - lead;
        const size_t silent = missing > 0 ? static_cast<size_t>(std::lrint(missing)) : 0;
        out->insert(out->end(), silent * ch, 0);
        m_written += static_cast<double>(silent);
        m_lastStop = start;
    } else if (m_started && (start - m_lastStop > kJump || m_lastStop - start > kJump)) {
        Reset();
    }
    if (!m_started) {
        m_started = true;
        m_origin = start;
        m_lastStop = start;
        m_held.assign(in, in + ch);
        m_phase = 0; // the first output frame is the first input frame
    }

    // The rate over the last seconds, and the pull on what is already ahead or behind (measured
    // where this buffer begins).
    const double expected = static_cast<double>(stop - start) * m_rate / kUnitsPerSecond;
    m_window.push_back({static_cast<double>(frames), expected});
    m_windowFrames += frames;
    m_windowExpected += expected;
    while (m_window.size() > 1 && m_windowExpected - m_window.front().expected > kWindowSeconds * m_rate) {
        m_windowFrames -= m_window.front().frames;
        m_windowExpected -= m_window.front().expected;
        m_window.pop_front();
    }
    const double lead = Lead();
    double step = EstimateRatio() * (1.0 + lead / (kPullSeconds * m_rate));
    step = std::min(1.0 + kMaxDeviation, std::max(1.0 - kMaxDeviation, step));
    if (std::fabs(step - 1.0) < kSameClock)
        step = 1.0;
    m_step = step;

    // Linear interpolation over the held frame (position -1) and this buffer (0 .. frames-1).
    auto at = [&](long i, size_t c) -> double {
        return i < 0 ? m_held[c] : in[static_cast<size_t>(i) * ch + c];
    };
    const double last = frames - 1;
    double p = m_phase;
    size_t made = 0;
    out->reserve(out->size() + static_cast<size_t>(frames + frames / 32 + 2) * ch);
    while (p < last) {
        const double base = std::floor(p);
        const double frac = p - base;
        const long i = static_cast<long>(base);
        for (size_t c = 0; c < ch; ++c) {
            double v = at(i, c);
            if (frac > 0)
                v += (at(i + 1, c) - v) * frac;
            out->push_back(static_cast<int16_t>(std::lrint(std::min(32767.0, std::max(-32768.0, v)))));
        }
        ++made;
        p += step;
    }
    m_phase = p - frames;
    m_held.assign(in + static_cast<size_t>(frames - 1) * ch, in + static_cast<size_t>(frames) * ch);
    m_written += static_cast<double>(made);
    m_lastStop = stop;
    return from;
}

} // namespace tunaro
