// Keeps a card's sound on the picture's clock. A card samples its sound on a crystal of its own,
// a few hundred parts per million off the one its pictures and time stamps run on: a recording
// that takes the samples as they come plays its sound ever later (or earlier) against the
// picture, seconds over an evening. The driver stamps each buffer with the span of stream time
// it covers, so the real rate shows in how many sample frames a span holds. SoundClock resamples
// the sound so that every span holds the frames the nominal rate gives it: a rate estimate over
// the last seconds, plus a slow pull that takes back what is already ahead or behind.
//
// Plain arithmetic, no Windows headers: the engine's sound-clock filter feeds it each buffer.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

namespace tunaro {

class SoundClock {
public:
    // rate: the nominal sample frames per second; channels: 16-bit samples per frame.
    SoundClock(int rate, int channels);

    // Resamples one buffer of `frames` frames covering [start, stop) in 100-ns stream units and
    // appends the result to *out; returns the stream time where what it appended begins. A gap of
    // more than 100 ms and up to kMaxFillSeconds since the last buffer (sound the card lost while
    // the machine was busy) is filled with silence first, so what follows keeps its time; a
    // longer gap or an overlap of more than 100 ms starts afresh. A buffer without a usable span
    // (stop <= start) is passed on as it is.
    int64_t Process(int64_t start, int64_t stop, const int16_t* in, int frames, std::vector<int16_t>* out);
    static constexpr int kMaxFillSeconds = 3;

    // Forgets the stream: the next buffer starts afresh (after a stop, a flush or a new segment).
    void Reset();

    // The input frames consumed per output frame in the last buffer (1 when the clocks agree).
    double Step() const { return m_step; }
    // Frames written ahead (+) or behind (-) of what the stream time so far holds.
    double Lead() const;
    // The largest number of frames one buffer of `frames` frames can come out as, a filled gap
    // before it included.
    static int MaxOutputFrames(int frames, int rate) {
        return frames + frames / 32 + 2 + kMaxFillSeconds * rate;
    }

private:
    struct Span {
        double frames;   // input frames the buffer held
        double expected; // frames the nominal rate gives its span
    };
    double EstimateRatio() const;

    int m_rate, m_channels;
    bool m_started = false;
    int64_t m_origin = 0;   // stream time of the first frame since the last reset
    int64_t m_lastStop = 0; // where the previous buffer ended
    double m_written = 0;   // output frames since the last reset
    double m_phase = 0;     // position of the next output frame, in input frames past the held one
    double m_step = 1;
    std::vector<int16_t> m_held; // the last input frame, for interpolation across buffers
    std::deque<Span> m_window;   // the last seconds of buffers, for the rate estimate
    double m_windowFrames = 0, m_windowExpected = 0;
};

} // namespace tunaro
