// MPEG program stream writer for the disc formats: MPEG-1/2 video and Layer II audio encoded by
// libavcodec, multiplexed by libavformat's DVD, SVCD and VCD muxers.
#include "platform/encoders/mpeg_program.h"

#include "platform/encoders/yuy2_planar.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/intreadwrite.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace encoders {

namespace {

std::string AvText(int err) {
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(err, buf, sizeof buf);
    return buf;
}

} // namespace

MpegSettings MpegDefaults(DiscFormat format, bool ntsc) {
    MpegSettings s;
    s.format = format;
    s.rateNum = ntsc ? 30000 : 25;
    s.rateDen = ntsc ? 1001 : 1;
    s.gop = ntsc ? 18 : 15;
    const int lines = ntsc ? 480 : 576;
    switch (format) {
    case DiscFormat::Dvd:
        s.width = 720;
        s.height = lines;
        s.videoBitRate = ntsc ? 6500000 : 6000000;
        s.sampleRate = 48000;
        break;
    case DiscFormat::Svcd:
        s.width = 480;
        s.height = lines;
        s.videoBitRate = 2000000;
        s.sampleRate = 44100;
        break;
    case DiscFormat::Vcd:
        s.width = 352;
        s.height = lines / 2;
        s.videoBitRate = 1152000;
        s.sampleRate = 44100;
        break;
    }
    return s;
}

const char* DiscFormatName(DiscFormat format) {
    switch (format) {
    case DiscFormat::Dvd:
        return "DVD";
    case DiscFormat::Vcd:
        return "VCD";
    case DiscFormat::Svcd:
        return "SVCD";
    }
    return "?";
}

int NearestLayer2BitRate(int bps) {
    static const int kRates[] = {32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384};
    int best = kRates[0];
    for (int r : kRates)
        if (std::abs(r * 1000 - bps) < std::abs(best * 1000 - bps))
            best = r;
    return best * 1000;
}

void AverageBlocks(uint8_t* plane, int stride, int width, int height, int block) {
    if (block < 2)
        return;
    for (int by = 0; by < height; by += block) {
        const int rows = std::min(block, height - by);
        for (int bx = 0; bx < width; bx += block) {
            const int cols = std::min(block, width - bx);
            int sum = 0;
            for (int y = 0; y < rows; ++y) {
                const uint8_t* p = plane + static_cast<ptrdiff_t>(by + y) * stride + bx;
                for (int x = 0; x < cols; ++x)
                    sum += p[x];
            }
            const int n = rows * cols;
            const uint8_t mean = static_cast<uint8_t>((sum + n / 2) / n);
            for (int y = 0; y < rows; ++y)
                memset(plane + static_cast<ptrdiff_t>(by + y) * stride + bx, mean, static_cast<size_t>(cols));
        }
    }
}

PcmResampler::PcmResampler(int inRate, int outRate, int channels)
    : m_inRate(inRate), m_outRate(outRate), m_channels(channels), m_last(static_cast<size_t>(channels), 0) {}

void PcmResampler::Push(const int16_t* in, size_t frames, std::vector<int16_t>* out) {
    if (m_inRate == m_outRate) {
        out->insert(out->end(), in, in + frames * m_channels);
        return;
    }
    if (frames == 0)
        return;
    // Input frame i sits at position i; position -1 is the last frame of the previous block.
    const double step = static_cast<double>(m_inRate) / m_outRate;
    auto sample = [&](long i, int c) -> double {
        if (i < 0)
            return m_haveLast ? m_last[c] : in[c];
        return in[static_cast<size_t>(i) * m_channels + c];
    };
    while (m_pos < static_cast<double>(frames) - 1) {
        const long i = static_cast<long>(std::floor(m_pos));
        const double f = m_pos - i;
        for (int c = 0; c < m_channels; ++c) {
            const double s = sample(i, c) * (1 - f) + sample(i + 1, c) * f;
            out->push_back(static_cast<int16_t>(std::lround(std::clamp(s, -32768.0, 32767.0))));
        }
        m_pos += step;
    }
    m_pos -= static_cast<double>(frames);
    for (int c = 0; c < m_channels; ++c)
        m_last[c] = in[(frames - 1) * m_channels + c];
    m_haveLast = true;
}

struct MpegProgramWriter::Impl {
    MpegSettings settings;
    AVFormatContext* fmt = nullptr;
    AVCodecContext* venc = nullptr;
    AVCodecContext* aenc = nullptr;
    AVStream* vst = nullptr;
    AVStream* ast = nullptr;
    AVFrame* vframe = nullptr;
    AVFrame* aframe = nullptr;
    // Pictures go to the encoder in buffers of a pool: the encoder keeps each one as long as it
    // needs it (B-pictures wait for the next reference), and a buffer comes back for reuse
    // instead of a fresh allocation, copy and page faults for every picture.
    AVBufferPool* picturePool = nullptr;
    int lumaStride = 0, chromaStride = 0;
    // The bit budget. Where even the coarsest quantiser cannot hold the rate (a picture of pure
    // noise: an untuned channel), the pictures are smoothed before coding, more while the
    // stream stays ahead of its budget and less once it is back within it, so the file keeps
    // its rate and every picture its place; ordinary pictures never come near it.
    int64_t videoBits = 0;    // coded so far
    int64_t videoPackets = 0; // coded pictures so far
    int64_t slackBits = 0;    // how far ahead of its budget the stream may run
    int lastScale = 0;        // quantiser scale code of the last coded picture
    int coarsest = 31;        // the encoder's coarsest scale code
    int smoothing = 0;        // 0 none; n: blocks of 2^n x 2^n pixels averaged
    int64_t smoothed = 0;     // pictures smoothed
    double Due() const {
        return static_cast<double>(settings.videoBitRate) * static_cast<double>(videoPackets) *
               settings.rateDen / settings.rateNum;
    }
    // Ahead of the budget by more than the slack with the quantiser at its coarsest: the rate
    // control has nothing left to give.
    bool OverBudget() const {
        const double due = Due();
        return videoPackets > 0 && lastScale >= coarsest &&
               static_cast<double>(videoBits) > due + static_cast<double>(slackBits);
    }
    AVPacket* pkt = nullptr;
    Sink sink; // stream output instead of a file
    bool headerWritten = false;
    int64_t lastIndex = -1;
    // Audio: input layout, resampler to the stream's rate, samples waiting for a whole frame.
    int inChannels = 2;
    std::unique_ptr<PcmResampler> resampler;
    std::vector<int16_t> pending; // interleaved, input channel count, stream rate
    int64_t audioPts = 0;

    ~Impl() { Release(); }

    void Release() {
        avcodec_free_context(&venc);
        avcodec_free_context(&aenc);
        av_frame_free(&vframe);
        av_frame_free(&aframe);
        av_packet_free(&pkt);
        av_buffer_pool_uninit(&picturePool); // freed once the last picture comes back
        if (fmt) {
            CloseOutput();
            avformat_free_context(fmt);
            fmt = nullptr;
        }
    }

    // Closes the file; negative on a write failure.
    int CloseOutput() {
        if (!fmt || !fmt->pb)
            return 0;
        return avio_closep(&fmt->pb);
    }

    // Stream output: every coded picture and sound frame goes out at once in whole packs of
    // its own (pack header, one PES packet each), so a stream cut between two deliveries
    // never ends in half a picture, as a hardware encoder's would not.
    int64_t lastScr = 0;
    static constexpr int kPack = 2048;
    static constexpr int64_t kDelay = 63000; // 0.7 s at 90 kHz ahead of the first decode
    static void PutTime(uint8_t* p, int prefix, int64_t t) {
        p[0] = static_cast<uint8_t>(prefix << 4 | ((t >> 29) & 0x0E) | 1);
        p[1] = static_cast<uint8_t>(t >> 22);
        p[2] = static_cast<uint8_t>(((t >> 14) & 0xFE) | 1);
        p[3] = static_cast<uint8_t>(t >> 7);
        p[4] = static_cast<uint8_t>(((t << 1) & 0xFE) | 1);
    }
    int WritePes(int streamId, AVRational tb) {
        const int64_t pts =
            pkt->pts == AV_NOPTS_VALUE ? -1 : av_rescale_q(pkt->pts, tb, AVRational{1, 90000}) + kDelay;
        const int64_t dts =
            pkt->dts == AV_NOPTS_VALUE ? pts : av_rescale_q(pkt->dts, tb, AVRational{1, 90000}) + kDelay;
        const int64_t scr = std::max(lastScr, dts - kDelay / 2);
        lastScr = scr;
        const uint8_t* data = pkt->data;
        int left = pkt->size;
        bool first = true;
        uint8_t buf[kPack];
        while (left > 0) {
            uint8_t* p = buf;
            // Pack header: start code, SCR, mux rate (10.08 Mbit/s in 50-byte units), no stuffing.
            p[0] = 0;
            p[1] = 0;
            p[2] = 1;
            p[3] = 0xBA;
            p[4] = static_cast<uint8_t>(0x44 | ((scr >> 27) & 0x38) | ((scr >> 28) & 0x03));
            p[5] = static_cast<uint8_t>(scr >> 20);
            p[6] = static_cast<uint8_t>(((scr >> 12) & 0xF8) | 0x04 | ((scr >> 13) & 0x03));
            p[7] = static_cast<uint8_t>(scr >> 5);
            p[8] = static_cast<uint8_t>(((scr << 3) & 0xF8) | 0x04);
            p[9] = 0x01;
            const uint32_t mux = 10080000 / 8 / 50;
            p[10] = static_cast<uint8_t>(mux >> 14);
            p[11] = static_cast<uint8_t>(mux >> 6);
            p[12] = static_cast<uint8_t>(((mux << 2) & 0xFC) | 0x03);
            p[13] = 0xF8;
            p += 14;
            const bool stamps = first && pts >= 0;
            const bool both = stamps && dts != pts;
            const int headerData = stamps ? (both ? 10 : 5) : 0;
            const int room = kPack - 14 - 9 - headerData;
            const int take = std::min(left, room);
            const int pesLength = 3 + headerData + take;
            p[0] = 0;
            p[1] = 0;
            p[2] = 1;
            p[3] = static_cast<uint8_t>(streamId);
            p[4] = static_cast<uint8_t>(pesLength >> 8);
            p[5] = static_cast<uint8_t>(pesLength);
            p[6] = static_cast<uint8_t>(first ? 0x85 : 0x81); // data alignment on a packet's start
            p[7] = static_cast<uint8_t>(stamps ? (both ? 0xC0 : 0x80) : 0);
            p[8] = static_cast<uint8_t>(headerData);
            p += 9;
            if (stamps) {
                PutTime(p, both ? 3 : 2, pts);
                if (both)
                    PutTime(p + 5, 1, dts);
                p += headerData;
            }
            memcpy(p, data, static_cast<size_t>(take));
            p += take;
            if (!sink(buf, static_cast<size_t>(p - buf)))
                return AVERROR(EIO);
            data += take;
            left -= take;
            first = false;
        }
        return 0;
    }

    // Sends one frame (or null to flush) and writes every packet that comes out.
    int Encode(AVCodecContext* enc, AVStream* st, AVFrame* frame) {
        int ret = avcodec_send_frame(enc, frame);
        if (ret < 0)
            return ret;
        for (;;) {
            ret = avcodec_receive_packet(enc, pkt);
            if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF)
                return 0;
            if (ret < 0)
                return ret;
            if (enc == venc) {
                videoBits += static_cast<int64_t>(pkt->size) * 8;
                ++videoPackets;
                size_t size = 0;
                const uint8_t* stats = av_packet_get_side_data(pkt, AV_PKT_DATA_QUALITY_STATS, &size);
                if (stats && size >= 4)
                    lastScale = static_cast<int>(AV_RL32(stats)) / FF_QP2LAMBDA;
            }
            if (sink) {
                ret = WritePes(enc == venc ? 0xE0 : 0xC0, enc->time_base);
                av_packet_unref(pkt);
            } else {
                av_packet_rescale_ts(pkt, enc->time_base, st->time_base);
                pkt->stream_index = st->index;
                ret = av_interleaved_write_frame(fmt, pkt);
            }
            if (ret < 0)
                return ret;
        }
    }

    // Encodes every whole audio frame waiting in pending.
    int DrainAudio(bool flushPartial) {
        const int frameSize = aenc->frame_size;
        const int outCh = settings.channels;
        size_t have = pending.size() / inChannels;
        while (have >= static_cast<size_t>(frameSize) || (flushPartial && have > 0)) {
            int ret = av_frame_make_writable(aframe);
            if (ret < 0)
                return ret;
            auto* dst = reinterpret_cast<int16_t*>(aframe->data[0]);
            const size_t take = std::min(have, static_cast<size_t>(frameSize));
            for (size_t i = 0; i < static_cast<size_t>(frameSize); ++i) {
                if (i >= take) {
                    for (int c = 0; c < outCh; ++c)
                        dst[i * outCh + c] = 0;
                    continue;
                }
                const int16_t* s = &pending[i * inChannels];
                if (outCh == inChannels) {
                    for (int c = 0; c < outCh; ++c)
                        dst[i * outCh + c] = s[c];
                } else if (outCh == 1) {
                    int sum = 0;
                    for (int c = 0; c < inChannels; ++c)
                        sum += s[c];
                    dst[i] = static_cast<int16_t>(sum / inChannels);
                } else {
                    for (int c = 0; c < outCh; ++c)
                        dst[i * outCh + c] = s[0];
                }
            }
            pending.erase(pending.begin(), pending.begin() + static_cast<ptrdiff_t>(take * inChannels));
            have -= take;
            aframe->pts = audioPts;
            audioPts += frameSize;
            ret = Encode(aenc, ast, aframe);
            if (ret < 0)
                return ret;
        }
        return 0;
    }
};

MpegProgramWriter::MpegProgramWriter() = default;
MpegProgramWriter::~MpegProgramWriter() {
    if (m_impl && m_impl->headerWritten) {
        std::string ignored;
        Close(&ignored);
    }
}

bool MpegProgramWriter::IsOpen() const {
    return m_impl != nullptr;
}

int64_t MpegProgramWriter::PicturesSmoothedForRate() const {
    return m_impl ? m_impl->smoothed : m_smoothed;
}

bool MpegProgramWriter::Open(const std::string& path, const MpegSettings& s, int audioInRate,
                             int audioInChannels, std::string* error) {
    if (path.empty()) {
        m_error = "no file name";
        if (error)
            *error = m_error;
        return false;
    }
    return OpenWith(path, nullptr, s, audioInRate, audioInChannels, error);
}

bool MpegProgramWriter::OpenStream(Sink sink, const MpegSettings& s, int audioInRate, int audioInChannels,
                                   std::string* error) {
    if (!sink) {
        m_error = "no stream output";
        if (error)
            *error = m_error;
        return false;
    }
    return OpenWith("", std::move(sink), s, audioInRate, audioInChannels, error);
}

bool MpegProgramWriter::OpenWith(const std::string& path, Sink sink, const MpegSettings& s, int audioInRate,
                                 int audioInChannels, std::string* error) {
    auto fail = [&](const std::string& text) {
        m_error = text;
        if (error)
            *error = text;
        m_impl.reset();
        return false;
    };
    if (m_impl)
        return fail("the writer is already open");
    // Errors come back through the return values; the library's own chatter stays quiet.
    av_log_set_level(AV_LOG_QUIET);
    if (s.width <= 0 || s.height <= 0 || (s.width & 1) || (s.height & 1))
        return fail("unusable picture size");
    if (s.rateNum <= 0 || s.rateDen <= 0 || s.videoBitRate <= 0)
        return fail("unusable picture rate or bit rate");
    if (s.audio &&
        (audioInRate <= 0 || audioInChannels < 1 || audioInChannels > 2 || s.channels < 1 || s.channels > 2))
        return fail("unusable audio format");

    m_impl = std::make_unique<Impl>();
    Impl& m = *m_impl;
    m.settings = s;
    m_pictures = 0;
    m_audioIn = 0;
    m_smoothed = 0;

    const char* muxer = s.format == DiscFormat::Dvd ? "dvd" : s.format == DiscFormat::Svcd ? "svcd" : "vcd";
    m.sink = std::move(sink);
    int ret = avformat_alloc_output_context2(&m.fmt, nullptr, muxer, m.sink ? nullptr : path.c_str());
    if (ret < 0 || !m.fmt)
        return fail(std::string("no ") + muxer + " multiplexer: " + AvText(ret));
    // Pack sizes and rates of the formats: 2048-byte packs on DVD, 2324-byte sectors on (S)VCD.
    m.fmt->packet_size = s.format == DiscFormat::Dvd ? 2048 : 2324;
    if (s.format == DiscFormat::Vcd) {
        av_opt_set_int(m.fmt->priv_data, "muxrate", 1411200, 0);
        av_opt_set_int(m.fmt->priv_data, "preload", 44100, 0);
    } else if (s.format == DiscFormat::Dvd) {
        av_opt_set_int(m.fmt->priv_data, "muxrate", 10080000, 0);
    }

    // Video.
    const AVCodec* vcodec =
        avcodec_find_encoder(s.format == DiscFormat::Vcd ? AV_CODEC_ID_MPEG1VIDEO : AV_CODEC_ID_MPEG2VIDEO);
    if (!vcodec)
        return fail("no MPEG video encoder");
    m.vst = avformat_new_stream(m.fmt, nullptr);
    m.venc = avcodec_alloc_context3(vcodec);
    if (!m.vst || !m.venc)
        return fail("out of memory");
    AVCodecContext* v = m.venc;
    v->width = s.width;
    v->height = s.height;
    v->time_base = AVRational{s.rateDen, s.rateNum};
    v->framerate = AVRational{s.rateNum, s.rateDen};
    v->pix_fmt = AV_PIX_FMT_YUV420P;
    v->bit_rate = s.videoBitRate;
    v->gop_size = s.gop;
    v->max_b_frames = 2;
    v->thread_count = s.threads;
    // A 4:3 picture: the sample aspect ratio that stretches this size to it.
    av_reduce(&v->sample_aspect_ratio.num, &v->sample_aspect_ratio.den, 4LL * s.height, 3LL * s.width, 255);
    m.vst->sample_aspect_ratio = v->sample_aspect_ratio;
    switch (s.format) {
    case DiscFormat::Vcd: // constant rate, the 40 KiB buffer of the format
        v->rc_max_rate = v->rc_min_rate = s.videoBitRate;
        v->rc_buffer_size = 40 * 1024 * 8;
        break;
    case DiscFormat::Svcd:
        v->rc_max_rate = 2516000;
        v->rc_buffer_size = 224 * 1024 * 8;
        av_opt_set_int(v->priv_data, "scan_offset", 1, 0);
        break;
    case DiscFormat::Dvd:
        v->rc_max_rate = 9000000;
        v->rc_buffer_size = 224 * 1024 * 8;
        break;
    }
    if (v->rc_max_rate < v->bit_rate)
        v->rc_max_rate = v->bit_rate;
    if (s.interlaced && s.format != DiscFormat::Vcd)
        v->flags |= AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME;
    if (s.strictGop) {
        // No extra I-pictures at scene changes: every group keeps its length. (A noisy picture
        // is one scene change after another, which would make every P-picture an I-picture.)
        v->keyint_min = s.gop;
        av_opt_set_int(v->priv_data, "sc_threshold", 1000000000, 0);
    }
    if (s.format != DiscFormat::Vcd) {
        // MPEG-2's non-linear quantiser scale reaches 112 where the linear one stops at 62, so
        // hard pictures still fit the rate; the encoder takes scale codes up to 28 (88) and goes
        // beyond only to keep the buffer from running dry.
        av_opt_set_int(v->priv_data, "non_linear_quant", 1, 0);
        v->qmax = 28;
    }
    if (m.fmt->oformat->flags & AVFMT_GLOBALHEADER)
        v->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    ret = avcodec_open2(v, vcodec, nullptr);
    if (ret < 0)
        return fail("cannot open the video encoder: " + AvText(ret));
    avcodec_parameters_from_context(m.vst->codecpar, v);
    m.vst->time_base = v->time_base;
    // The buffer sizes the encoder keeps to, for the multiplexer's pack scheduling.
    for (int i = 0; i < v->nb_coded_side_data; ++i) {
        const AVPacketSideData& sd = v->coded_side_data[i];
        if (sd.type != AV_PKT_DATA_CPB_PROPERTIES)
            continue;
        uint8_t* copy = av_stream_new_side_data(m.vst, sd.type, sd.size);
        if (copy)
            memcpy(copy, sd.data, sd.size);
    }
    m.vframe = av_frame_alloc();
    m.pkt = av_packet_alloc();
    if (!m.vframe || !m.pkt)
        return fail("out of memory");
    // The stream may run ahead of its average rate by what the decoder's buffer holds.
    m.slackBits = v->rc_buffer_size > 0 ? v->rc_buffer_size : s.videoBitRate / 2;
    m.coarsest = v->qmax;
    // Planes of 64-byte aligned lines, one after the other in one buffer.
    m.lumaStride = (s.width + 63) & ~63;
    m.chromaStride = (s.width / 2 + 63) & ~63;
    const size_t pictureBytes = static_cast<size_t>(m.lumaStride) * s.height +
                                2 * static_cast<size_t>(m.chromaStride) * (s.height / 2) + 64;
    m.picturePool = av_buffer_pool_init(pictureBytes, av_buffer_alloc);
    if (!m.picturePool)
        return fail("out of memory");

    // Audio.
    if (s.audio) {
        const AVCodec* acodec = avcodec_find_encoder(AV_CODEC_ID_MP2);
        if (!acodec)
            return fail("no Layer II encoder");
        m.ast = avformat_new_stream(m.fmt, nullptr);
        m.aenc = avcodec_alloc_context3(acodec);
        if (!m.ast || !m.aenc)
            return fail("out of memory");
        AVCodecContext* a = m.aenc;
        a->sample_fmt = AV_SAMPLE_FMT_S16;
        a->sample_rate = s.sampleRate;
        av_channel_layout_default(&a->ch_layout, s.channels);
        a->bit_rate = NearestLayer2BitRate(s.audioBitRate);
        a->time_base = AVRational{1, s.sampleRate};
        ret = avcodec_open2(a, acodec, nullptr);
        if (ret < 0)
            return fail("cannot open the Layer II encoder: " + AvText(ret));
        avcodec_parameters_from_context(m.ast->codecpar, a);
        m.ast->time_base = a->time_base;
        m.aframe = av_frame_alloc();
        if (!m.aframe)
            return fail("out of memory");
        m.aframe->format = a->sample_fmt;
        m.aframe->nb_samples = a->frame_size;
        m.aframe->sample_rate = a->sample_rate;
        av_channel_layout_copy(&m.aframe->ch_layout, &a->ch_layout);
        if (av_frame_get_buffer(m.aframe, 0) < 0)
            return fail("out of memory");
        m.inChannels = audioInChannels;
        m.resampler = std::make_unique<PcmResampler>(audioInRate, s.sampleRate, audioInChannels);
    }

    if (!m.sink) {
        ret = avio_open(&m.fmt->pb, path.c_str(), AVIO_FLAG_WRITE);
        if (ret < 0)
            return fail("cannot create the file: " + AvText(ret));
        ret = avformat_write_header(m.fmt, nullptr);
        if (ret < 0) {
            m.CloseOutput();
            remove(path.c_str());
            return fail("cannot start the program stream: " + AvText(ret));
        }
    }
    m.headerWritten = true;
    m_error.clear();
    return true;
}

bool MpegProgramWriter::WriteVideo(const uint8_t* yuy2, int stride, int64_t index) {
    if (!m_impl)
        return false;
    Impl& m = *m_impl;
    if (index <= m.lastIndex)
        return false;
    AVFrame* f = m.vframe;
    av_frame_unref(f);
    f->buf[0] = av_buffer_pool_get(m.picturePool);
    if (!f->buf[0]) {
        m_error = "out of memory";
        return false;
    }
    const int w = m.settings.width, h = m.settings.height;
    f->format = AV_PIX_FMT_YUV420P;
    f->width = w;
    f->height = h;
    f->linesize[0] = m.lumaStride;
    f->linesize[1] = f->linesize[2] = m.chromaStride;
    f->data[0] = f->buf[0]->data;
    f->data[1] = f->data[0] + static_cast<ptrdiff_t>(m.lumaStride) * h;
    f->data[2] = f->data[1] + static_cast<ptrdiff_t>(m.chromaStride) * (h / 2);
    Yuy2ToI420(yuy2, stride, w, h, f->data[0], f->linesize[0], f->data[1], f->data[2], f->linesize[1]);
    // See Impl::smoothing.
    if (m.OverBudget())
        m.smoothing = std::min(m.smoothing + 1, 3);
    else if (m.smoothing > 0 && static_cast<double>(m.videoBits) < m.Due())
        --m.smoothing;
    if (m.smoothing > 0) {
        const int block = 1 << m.smoothing;
        AverageBlocks(f->data[0], f->linesize[0], w, h, block);
        AverageBlocks(f->data[1], f->linesize[1], w / 2, h / 2, block);
        AverageBlocks(f->data[2], f->linesize[2], w / 2, h / 2, block);
        ++m.smoothed;
    }
    // A field-aware stream says which field comes first: the top one, as a PAL capture sends it.
    f->interlaced_frame = m.settings.interlaced ? 1 : 0;
    f->top_field_first = m.settings.interlaced ? 1 : 0;
    f->pts = index;
    const int ret = m.Encode(m.venc, m.vst, f);
    if (ret < 0) {
        m_error = "video encoding failed: " + AvText(ret);
        return false;
    }
    m.lastIndex = index;
    ++m_pictures;
    return true;
}

bool MpegProgramWriter::WriteAudio(const int16_t* pcm, size_t frames) {
    if (!m_impl || !m_impl->aenc)
        return false;
    Impl& m = *m_impl;
    m.resampler->Push(pcm, frames, &m.pending);
    m_audioIn += static_cast<int64_t>(frames);
    const int ret = m.DrainAudio(false);
    if (ret < 0) {
        m_error = "audio encoding failed: " + AvText(ret);
        return false;
    }
    return true;
}

bool MpegProgramWriter::WriteSilence(size_t frames) {
    if (!m_impl || !m_impl->aenc)
        return false;
    std::vector<int16_t> zero(std::min<size_t>(frames, 4800) * m_impl->inChannels, 0);
    while (frames > 0) {
        const size_t n = std::min<size_t>(frames, 4800);
        if (!WriteAudio(zero.data(), n))
            return false;
        frames -= n;
    }
    return true;
}

bool MpegProgramWriter::Close(std::string* error) {
    if (!m_impl) {
        if (error)
            *error = "the writer is not open";
        return false;
    }
    Impl& m = *m_impl;
    int ret = 0;
    if (m.aenc) {
        ret = m.DrainAudio(true);
        if (ret >= 0)
            ret = m.Encode(m.aenc, m.ast, nullptr);
    }
    if (ret >= 0)
        ret = m.Encode(m.venc, m.vst, nullptr);
    static const uint8_t kEndCode[4] = {0, 0, 1, 0xB9};
    int trailer = 0;
    if (m.headerWritten)
        trailer = m.sink ? (m.sink(kEndCode, sizeof kEndCode) ? 0 : AVERROR(EIO)) : av_write_trailer(m.fmt);
    m.headerWritten = false;
    int closed = m.CloseOutput();
    std::string text;
    if (ret < 0)
        text = "encoding the last pictures failed: " + AvText(ret);
    else if (trailer < 0)
        text = "finishing the stream failed: " + AvText(trailer);
    else if (closed < 0)
        text = "writing the file failed: " + AvText(closed);
    m_smoothed = m.smoothed;
    m_impl.reset();
    if (!text.empty()) {
        m_error = text;
        if (error)
            *error = text;
        return false;
    }
    return true;
}

} // namespace encoders
