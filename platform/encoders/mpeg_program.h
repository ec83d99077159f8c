// MPEG program streams for DVD, SVCD and VCD from packed YUY2 pictures and 16-bit PCM: the
// encoder settings each disc format needs, and a writer over libavcodec/libavformat.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace encoders {

enum class DiscFormat { Dvd, Vcd, Svcd };

// Everything the writer needs; MpegDefaults gives the values a player of the format accepts.
struct MpegSettings {
    DiscFormat format = DiscFormat::Dvd;
    int width = 720, height = 576;
    int rateNum = 25, rateDen = 1;  // pictures per second
    int64_t videoBitRate = 6000000; // bits per second
    int gop = 15;                   // pictures per group
    bool interlaced = false;        // field-aware DCT and motion search
    bool strictGop = false;         // every group exactly gop pictures long
    bool audio = true;              // an audio stream is written
    int sampleRate = 48000;         // of the audio stream (the input may differ: it is resampled)
    int channels = 2;               // 2 stereo, 1 mono (a stereo input is mixed down)
    int audioBitRate = 224000;
    int threads = 1; // encoder threads (0: as many as the machine has)
};

// The format's standard picture, rates and stream layout, for 480-line (ntsc) or 576-line sources.
MpegSettings MpegDefaults(DiscFormat format, bool ntsc);
// "DVD", "VCD", "SVCD".
const char* DiscFormatName(DiscFormat format);
// The nearest bit rate Layer II allows for this sample rate class (32..384 kbit/s).
int NearestLayer2BitRate(int bitsPerSecond);

// Each block x block square of a plane (the last ones cut at its edges) set to its rounded mean.
void AverageBlocks(uint8_t* plane, int stride, int width, int height, int block);

// Linear resampling of interleaved 16-bit PCM between two rates, with state across blocks.
class PcmResampler {
public:
    PcmResampler(int inRate, int outRate, int channels);
    // Appends the resampled block to out.
    void Push(const int16_t* in, size_t frames, std::vector<int16_t>* out);

private:
    int m_inRate, m_outRate, m_channels;
    double m_pos = 0;            // position of the next output frame, in input frames
    std::vector<int16_t> m_last; // the last input frame of the previous block
    bool m_haveLast = false;
};

// Writes one program stream. Not thread-safe: one thread feeds it (the encoder worker).
class MpegProgramWriter {
public:
    MpegProgramWriter();
    ~MpegProgramWriter();
    MpegProgramWriter(const MpegProgramWriter&) = delete;
    MpegProgramWriter& operator=(const MpegProgramWriter&) = delete;

    // Creates the file (path in UTF-8) and opens the encoders. audioInRate/audioInChannels
    // describe the PCM that WriteAudio will get (ignored without audio). False with *error set.
    bool Open(const std::string& path, const MpegSettings& settings, int audioInRate, int audioInChannels,
              std::string* error);
    // The same, handing the stream's bytes to sink in order instead of writing a file (a sink
    // that returns false ends the stream with an error).
    using Sink = std::function<bool(const uint8_t* data, size_t size)>;
    bool OpenStream(Sink sink, const MpegSettings& settings, int audioInRate, int audioInChannels,
                    std::string* error);
    bool IsOpen() const;
    // One picture (YUY2 at the configured size, stride bytes per line) shown at picture number
    // index (counted from 0 at the start of the file). A picture whose number is not above the
    // last one written is skipped (false returned, nothing written); gaps stay gaps.
    bool WriteVideo(const uint8_t* yuy2, int stride, int64_t index);
    // Interleaved PCM of the input rate and channels, following what came before.
    bool WriteAudio(const int16_t* pcm, size_t frames);
    // Silence of this many input frames (a gap the source left).
    bool WriteSilence(size_t frames);
    // Flushes the encoders, writes the end of the stream and closes the file.
    bool Close(std::string* error);

    int64_t PicturesWritten() const { return m_pictures; }
    // Pictures smoothed before coding because the stream had run ahead of its bit rate by more
    // than the decoder's buffer even at the coarsest quantiser (of the open stream, or of the
    // last one after it closed).
    int64_t PicturesSmoothedForRate() const;
    int64_t AudioFramesWritten() const { return m_audioIn; }
    const std::string& LastError() const { return m_error; }

private:
    bool OpenWith(const std::string& path, Sink sink, const MpegSettings& settings, int audioInRate,
                  int audioInChannels, std::string* error);
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    int64_t m_pictures = 0;
    int64_t m_audioIn = 0;
    int64_t m_smoothed = 0; // of the last stream, after it closed
    std::string m_error;
};

} // namespace encoders
