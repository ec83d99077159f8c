// encoder_bench: DVD encoding speed, quality and bit rate of our MPEG encoder's writer on one
// core, side by side with native ffmpeg's mpeg2video at the same bit rate and settings, on the
// same 720x576 frames of the simulated broadcast. Prints figures; asserts nothing.
//   encoder_bench [frames]   (default 250, ten seconds of PAL)
// Two pictures (the clean test card, and a station received with noise, which is what makes an
// encoder work), each progressive and with the field-aware settings of a PAL DVD recording.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/simcard/broadcast.h"
#include "tests/platform/graph_support.h"
#include "tests/platform/media_check.h"
#include "platform/encoders/mpeg_program.h"
#include "platform/encoders/yuy2_planar.h"

namespace {

using Frames = std::vector<std::vector<uint8_t>>;

double Seconds() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / f.QuadPart;
}

double ThreadCpuSeconds() {
    FILETIME a, b, kernel, user;
    GetThreadTimes(GetCurrentThread(), &a, &b, &kernel, &user);
    auto v = [](FILETIME t) {
        return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 1e7;
    };
    return v(kernel) + v(user);
}

double ProcessCpuSeconds() {
    FILETIME a, b, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &a, &b, &kernel, &user);
    auto v = [](FILETIME t) {
        return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 1e7;
    };
    return v(kernel) + v(user);
}

double FileBytes(const std::string& file) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return static_cast<double>((static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
}

// Mean luma PSNR of a few decoded frames of file against the frames that went in.
double MeanPsnr(const std::string& file, const Frames& frames) {
    double sum = 0;
    int n = 0;
    for (size_t i = 3; i < frames.size(); i += frames.size() / 6 + 1) {
        auto decoded = mediacheck::DecodedFrame(file, static_cast<int>(i), 720, 576);
        if (decoded.empty())
            return 0;
        sum += mediacheck::LumaPsnr(decoded, frames[i]);
        ++n;
    }
    return n ? sum / n : 0;
}

struct Run {
    double cpu = 0, wall = 0, mbits = 0, psnr = 0;
    long long smoothed = 0; // pictures our writer smoothed to hold the rate
    bool ok = false;
};

// Ours: the writer the encoder filter's worker runs, video only (as the peer).
Run EncodeOurs(const Frames& frames, const encoders::MpegSettings& s, const std::string& file) {
    Run r;
    encoders::MpegProgramWriter writer;
    std::string error;
    if (!writer.Open(file, s, 0, 0, &error)) {
        fprintf(stderr, "cannot open %s: %s\n", file.c_str(), error.c_str());
        return r;
    }
    // With one thread the work is this thread's; with more, the process's (the helpers' too).
    const bool one = s.threads == 1;
    const double t0 = Seconds(), c0 = one ? ThreadCpuSeconds() : ProcessCpuSeconds();
    for (size_t i = 0; i < frames.size(); ++i)
        writer.WriteVideo(frames[i].data(), 720 * 2, static_cast<int64_t>(i));
    if (!writer.Close(&error)) {
        fprintf(stderr, "encoding failed: %s\n", error.c_str());
        return r;
    }
    r.wall = Seconds() - t0;
    r.cpu = (one ? ThreadCpuSeconds() : ProcessCpuSeconds()) - c0;
    r.mbits = FileBytes(file) * 8 / (frames.size() / 25.0) / 1e6;
    r.smoothed = writer.PicturesSmoothedForRate();
    r.ok = true;
    return r;
}

// The peer: native ffmpeg, same frames (raw YUY2), same rate control, group and field settings.
Run EncodeNative(const std::string& raw, const encoders::MpegSettings& s, const std::string& file,
                 size_t count) {
    Run r;
    // The writer's own settings: the non-linear quantiser scale, fields, fixed groups.
    char flags[160] = "-non_linear_quant 1 -qmax 28 ";
    if (s.interlaced)
        snprintf(flags + strlen(flags), sizeof flags - strlen(flags), "-flags +ildct+ilme -top 1 ");
    if (s.strictGop)
        snprintf(flags + strlen(flags), sizeof flags - strlen(flags),
                 "-keyint_min %d -sc_threshold 1000000000 ", s.gop);
    // The shell's own clock for the wall time, and its children's user and system time for the
    // processor time (one core: the machine may be busy with other work).
    char cmd[2048];
    snprintf(
        cmd, sizeof cmd,
        "a=$(date +%%s.%%N); ffmpeg -nostdin -v fatal -y -threads 1 -f rawvideo -pix_fmt yuyv422 -s 720x576 "
        "-r 25 -i '%s' -c:v mpeg2video -threads 1 -b:v %lld -maxrate 9000000 -bufsize 1835008 -g %d -bf 2 "
        "%s-f dvd '%s' && b=$(date +%%s.%%N) && echo $a $b && times",
        mediacheck::UnixPath(raw).c_str(), static_cast<long long>(s.videoBitRate), s.gop, flags,
        mediacheck::UnixPath(file).c_str());
    std::string output;
    double a = 0, b = 0, um = 0, us = 0, sm = 0, ss = 0;
    if (mediacheck::RunShell(cmd, &output) != 0 || sscanf(output.c_str(), "%lf %lf", &a, &b) != 2) {
        fprintf(stderr, "native ffmpeg failed: %s\n", output.c_str());
        return r;
    }
    // "times": the shell's own times, then its children's ("0m1.234s 0m0.056s").
    const size_t children = output.find('\n', output.find('\n', 0) + 1);
    r.cpu = -1;
    if (children != std::string::npos &&
        sscanf(output.c_str() + children + 1, "%lfm%lfs %lfm%lfs", &um, &us, &sm, &ss) == 4)
        r.cpu = um * 60 + us + sm * 60 + ss;
    r.wall = b - a;
    r.mbits = FileBytes(file) * 8 / (count / 25.0) / 1e6;
    r.ok = true;
    return r;
}

void PrintRow(const char* name, const Run& r, size_t count) {
    const double realTime = count / 25.0;
    if (r.cpu > 0)
        printf("  %-30s %7.2f %9.1f %11.2f %9.1f %8.2f %8.2f\n", name, r.cpu, count / r.cpu, realTime / r.cpu,
               count / r.wall, r.mbits, r.psnr);
    else
        printf("  %-30s %7s %9s %11s %9.1f %8.2f %8.2f\n", name, "?", "?", "?", count / r.wall, r.mbits,
               r.psnr);
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? atoi(argv[1]) : 250;
    if (count < 10) {
        fprintf(stderr, "usage: encoder_bench [frames >= 10]\n");
        return 2;
    }
    if (!mediacheck::Available()) {
        fprintf(stderr, "native ffmpeg is needed as the peer\n");
        return 1;
    }
    const int w = 720, h = 576;
    const simcard::Plan plan = simcard::DefaultPlan();
    const simcard::TvStation* station = &plan.tv[0];
    for (const simcard::TvStation& s : plan.tv)
        if (s.pattern == simcard::Pattern::Checker) {
            station = &s;
            break;
        }
    struct Scene {
        const char* name;
        simcard::FrameSpec spec;
    };
    Scene scenes[3];
    scenes[0].name = "composite test card (clean)";
    scenes[0].spec.source = simcard::Source::Composite;
    scenes[1].name = "station with reception noise";
    scenes[1].spec.source = simcard::Source::Tuner;
    scenes[1].spec.station = station;
    scenes[1].spec.frequency = station->frequency;
    scenes[1].spec.quality = 85; // the best picture of a station tuned a little off its carrier
    // Nothing received: snow, which no quantiser gets down to the rate (see the smoothing).
    scenes[2].name = "no station (snow)";
    scenes[2].spec.source = simcard::Source::Tuner;
    scenes[2].spec.station = nullptr;

    // YUY2 to 4:2:0 alone, both paths, on the first picture.
    {
        std::vector<uint8_t> frame(static_cast<size_t>(w) * h * 2);
        simcard::FrameSpec spec = scenes[1].spec;
        spec.width = w;
        spec.height = h;
        simcard::RenderFrame(spec, simcard::DefaultProcAmp(), frame.data(), w * 2);
        std::vector<uint8_t> y(static_cast<size_t>(w) * h), u(y.size() / 4), v(y.size() / 4);
        const int reps = 200;
        double t0 = ThreadCpuSeconds();
        for (int i = 0; i < reps; ++i)
            encoders::Yuy2ToI420Plain(frame.data(), w * 2, w, h, y.data(), w, u.data(), v.data(), w / 2);
        const double plain = (ThreadCpuSeconds() - t0) / reps;
        t0 = ThreadCpuSeconds();
        for (int i = 0; i < reps; ++i)
            encoders::Yuy2ToI420(frame.data(), w * 2, w, h, y.data(), w, u.data(), v.data(), w / 2);
        const double fast = (ThreadCpuSeconds() - t0) / reps;
        printf("encoder_bench: YUY2 to 4:2:0 at 720x576: %.3f ms per picture (plain %.3f ms)\n", fast * 1e3,
               plain * 1e3);
    }

    printf(
        "encoder_bench: %d frames 720x576 YUY2, DVD MPEG-2 at 6000000 bit/s (max 9000000, buffer 1835008), "
        "GOP 15, 2 B-frames\n",
        count);
    const std::string ours = graphtest::TempFile("encoder_bench_ours.mpg");
    const std::string peer = graphtest::TempFile("encoder_bench_peer.mpg");
    const std::string raw = graphtest::TempFile("encoder_bench_frames.yuv");
    Frames frames(count, std::vector<uint8_t>(static_cast<size_t>(w) * h * 2));
    double worstRatio = 0;
    for (Scene& scene : scenes) {
        scene.spec.width = w;
        scene.spec.height = h;
        for (int i = 0; i < count; ++i) {
            scene.spec.frameNumber = static_cast<uint32_t>(i);
            simcard::RenderFrame(scene.spec, simcard::DefaultProcAmp(), frames[i].data(), w * 2);
        }
        {
            std::ofstream out(raw, std::ios::binary);
            for (auto& f : frames)
                out.write(reinterpret_cast<const char*>(f.data()), static_cast<std::streamsize>(f.size()));
        }
        for (int fields = 0; fields < 2; ++fields) {
            encoders::MpegSettings s = encoders::MpegDefaults(encoders::DiscFormat::Dvd, false);
            s.audio = false;
            s.threads = 1;
            s.interlaced = fields == 1;
            s.strictGop = fields == 1;
            printf("\n%s, %s\n", scene.name,
                   fields ? "field-aware DCT and motion search, fixed groups (a PAL DVD recording)"
                          : "progressive");
            printf("  %-30s %7s %9s %11s %9s %8s %8s\n", "", "cpu s", "fps/core", "x real/core", "wall fps",
                   "Mbit/s", "PSNR dB");
            Run mine = EncodeOurs(frames, s, ours);
            Run native = EncodeNative(raw, s, peer, frames.size());
            if (!mine.ok || !native.ok)
                return 1;
            mine.psnr = MeanPsnr(ours, frames);
            native.psnr = MeanPsnr(peer, frames);
            PrintRow("ours, one thread", mine, frames.size());
            PrintRow("native ffmpeg, one thread", native, frames.size());
            s.threads = 0;
            Run all = EncodeOurs(frames, s, ours);
            if (all.ok) {
                all.psnr = MeanPsnr(ours, frames);
                PrintRow("ours, every core (the filter)", all, frames.size());
            }
            if (mine.smoothed > 0)
                printf("  ours smoothed %lld of %d pictures to hold the rate (the peer overshoots instead)\n",
                       mine.smoothed, count);
            if (native.cpu > 0) {
                const double ratio = native.cpu / mine.cpu;
                worstRatio = worstRatio == 0 ? ratio : std::min(worstRatio, ratio);
                printf("  ours / native speed: %.2f by processor time, %.2f by wall clock\n", ratio,
                       native.wall / mine.wall);
            }
        }
    }
    printf("\nencoder_bench: lowest ours / native speed by processor time: %.2f (the peer's time includes "
           "reading "
           "the raw frames and its own YUY2 conversion)\n",
           worstRatio);
    DeleteFileA(ours.c_str());
    DeleteFileA(peer.c_str());
    DeleteFileA(raw.c_str());
    return 0;
}
