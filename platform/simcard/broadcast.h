// The simulated broadcast the card receives: the station plan, what the tuner picks up at a
// frequency (lock, picture quality, PLL offset), and the pictures and sound it produces.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace simcard {

// ---- the plan -----------------------------------------------------------------------------------

enum class Pattern { Bars, Checker, Rings, Ramp };
enum class ColorSystem { Pal, Ntsc, Secam };

struct TvStation {
    uint32_t frequency = 0; // vision carrier, hertz
    std::string name;
    Pattern pattern = Pattern::Bars;
    ColorSystem system = ColorSystem::Pal;
    int toneHz = 440; // the station's sound: a tone of its own
};

struct FmStation {
    uint32_t frequency = 0;
    std::string name;
    int toneHz = 523;
};

struct Plan {
    std::vector<TvStation> tv;
    std::vector<FmStation> fm;
};

// Stations on real channel frequencies of the China PAL-D and Western Europe PAL-B/G tables
// (several UHF channels are shared by both), one NTSC-M station, and six FM stations.
Plan DefaultPlan();

// Plan entries as stored in simcard.ini: "frequency,name,pattern,system" for TV and
// "frequency,name" for FM. Parsing fails (false) on a missing or malformed frequency.
bool ParseTvStation(const std::string& text, TvStation* out);
bool ParseFmStation(const std::string& text, FmStation* out);
std::string FormatTvStation(const TvStation& s);
std::string FormatFmStation(const FmStation& s);
const char* PatternName(Pattern p);
const char* SystemName(ColorSystem s);
// Tone of the n-th station of a band when the plan does not give one.
int DefaultToneHz(bool fm, size_t index);

// ---- reception ---------------------------------------------------------------------------------

// TV: a clean picture within kTvClearHz of a carrier, a noisier one up to kTvLockHz, where
// the decoder still locks; further off there is only noise.
inline constexpr int32_t kTvClearHz = 100000;
inline constexpr int32_t kTvLockHz = 750000;
// FM: the PLL offset reading is 0 within kFmOnHz of a carrier, 1 within kFmNearHz, 2 within
// kFmFarHz and 3 when there is nothing to lock to.
inline constexpr int32_t kFmOnHz = 25000;
inline constexpr int32_t kFmNearHz = 125000;
inline constexpr int32_t kFmFarHz = 200000;

struct Reception {
    int station = -1;     // index in the band's list, -1 when nothing is received
    int32_t offset = 0;   // tuned minus carrier frequency, hertz
    bool carrier = false; // a carrier within lock range
    int quality = 0;      // 0 (noise) .. 100 (clean)
    uint32_t pllOffset = 3;
    uint32_t strength = 0; // 0..100
};

Reception ReceiveTv(const Plan& plan, uint32_t frequency);
Reception ReceiveFm(const Plan& plan, uint32_t frequency);

// ---- picture ----------------------------------------------------------------------------------

// Video-processing values in device units; ranges below.
struct ProcAmp {
    int32_t brightness, contrast, hue, saturation, sharpness, colorEnable;
};
struct ProcAmpRange {
    int32_t min, max, step, def;
};
// Indexed like the platform's VideoProcAmp properties: 0 brightness, 1 contrast, 2 hue,
// 3 saturation, 4 sharpness, 5 gamma (unsupported), 6 colour enable.
bool ProcAmpRangeOf(long property, ProcAmpRange* out);
ProcAmp DefaultProcAmp();
int32_t ProcAmpValue(const ProcAmp& p, long property);
void SetProcAmpValue(ProcAmp& p, long property, int32_t value);

enum class Source { Tuner, Composite, SVideo, Camera };

struct FrameSpec {
    int width = 720, height = 576;
    uint32_t frameNumber = 0;
    Source source = Source::Tuner;
    const TvStation* station = nullptr; // tuner: the station received, null for noise only
    uint32_t frequency = 0;             // shown in the picture
    int quality = 100;                  // 0..100, how much of the picture shows through the noise
    bool colour = true;                 // false when the decoder's colour system does not match
    bool rolling = false;               // the decoder's line count does not match the signal
    bool upsideDown = false;            // the card delivers its picture bottom line first
    bool syncMark = false;              // the picture carries the sync mark (a white bottom bar)
};

// Draws one YUY2 frame (stride bytes per row) for the spec, then applies the proc amp.
void RenderFrame(const FrameSpec& spec, const ProcAmp& amp, uint8_t* yuy2, int stride);

// ---- sound -------------------------------------------------------------------------------------

struct SoundSpec {
    int rate = 48000;
    int channels = 2;
    uint64_t firstSample = 0;    // index of the first sample frame since the stream began
    int leftHz = 0, rightHz = 0; // tones; 0 = none
    int noise = 0;               // hiss amplitude (0..32767)
    bool silent = false;         // nothing routed: digital silence
    // The card's sound clock: sample frames per second of the broadcast (0: exactly rate). A
    // clock running fast by N ppm delivers rate * (1 + N / 1e6) of them.
    double clockRate = 0;
    // Sync marks: the picture period (100 ns) they follow; 0 for none.
    int64_t syncPeriod = 0;
};

// ---- sync marks --------------------------------------------------------------------------------

// At each whole second of the broadcast, the first picture that starts at or after it and the
// next ones, kSyncMarkPictures in all, carry a white bar across the bottom eighth, and the sound
// beeps (kSyncBeepHz, loud) over exactly the same span: a recording in sync shows both at once.
inline constexpr int kSyncMarkPictures = 3;
inline constexpr int kSyncBeepHz = 2000;
// Whether a broadcast time (100 ns) falls within a sync mark, for pictures of the period.
bool InSyncMark(int64_t time, int64_t period);
// The card's sound clock rate for an error in parts per million, held within +/-10000.
double SoundClockRate(int rate, int ppm);

// Writes frames interleaved 16-bit samples.
void RenderSound(const SoundSpec& spec, int16_t* out, int frames);

} // namespace simcard
