// encoder_bench: DVD encoding speed and quality of our MPEG encoder's writer on one core,
// side by side with native ffmpeg's mpeg2video at the same bit rate and settings, on the same
// 720x576 frames of the simulated broadcast. Prints figures; asserts nothing.
//   encoder_bench [frames]   (default 250, ten seconds of PAL)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "broadcast.h"
#include "graph_support.h"
#include "media_check.h"
#include "mpeg_program.h"

namespace {

double Seconds() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / f.QuadPart;
}

double ThreadCpuSeconds() {
    FILETIME a, b, kernel, user;
    GetThreadTimes(GetCurrentThread(), &a, &b, &kernel, &user);
    auto v = [](FILETIME t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 1e7; };
    return v(kernel) + v(user);
}

// Mean luma PSNR of a few decoded frames of file against the frames that went in.
double MeanPsnr(const std::string& file, const std::vector<std::vector<uint8_t>>& frames) {
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
    // The broadcast's test card with its moving clock and a tone: what a recording sees.
    const int w = 720, h = 576;
    std::vector<std::vector<uint8_t>> frames(count, std::vector<uint8_t>(static_cast<size_t>(w) * h * 2));
    simcard::FrameSpec spec;
    spec.width = w;
    spec.height = h;
    spec.source = simcard::Source::Composite;
    for (int i = 0; i < count; ++i) {
        spec.frameNumber = static_cast<uint32_t>(i);
        simcard::RenderFrame(spec, simcard::DefaultProcAmp(), frames[i].data(), w * 2);
    }

    // Ours: the writer the encoder filter's worker runs, one thread, PCM off (video only, as
    // the peer).
    encoders::MpegSettings s = encoders::MpegDefaults(encoders::DiscFormat::Dvd, false);
    s.audio = false;
    s.threads = 1;
    const std::string ours = graphtest::TempFile("encoder_bench_ours.mpg");
    encoders::MpegProgramWriter writer;
    std::string error;
    if (!writer.Open(ours, s, 0, 0, &error)) {
        fprintf(stderr, "cannot open %s: %s\n", ours.c_str(), error.c_str());
        return 1;
    }
    const double t0 = Seconds(), c0 = ThreadCpuSeconds();
    for (int i = 0; i < count; ++i)
        writer.WriteVideo(frames[i].data(), w * 2, i);
    if (!writer.Close(&error)) {
        fprintf(stderr, "encoding failed: %s\n", error.c_str());
        return 1;
    }
    const double oursWall = Seconds() - t0, oursCpu = ThreadCpuSeconds() - c0;

    // The peer: native ffmpeg, same frames (raw YUY2), same rate control and group settings.
    const std::string raw = graphtest::TempFile("encoder_bench_frames.yuv");
    {
        std::ofstream out(raw, std::ios::binary);
        for (auto& f : frames)
            out.write(reinterpret_cast<const char*>(f.data()), static_cast<std::streamsize>(f.size()));
    }
    const std::string peer = graphtest::TempFile("encoder_bench_peer.mpg");
    // The shell's own clock for the wall time, and its children's user and system time for the
    // processor time (one core: the machine may be busy with other work).
    char cmd[2048];
    snprintf(cmd, sizeof cmd,
             "a=$(date +%%s.%%N); ffmpeg -nostdin -v error -y -threads 1 -f rawvideo -pix_fmt yuyv422 -s 720x576 "
             "-r 25 -i '%s' -c:v mpeg2video -threads 1 -b:v %lld -maxrate 9000000 -bufsize 1835008 -g 15 -bf 2 "
             "-f dvd '%s' && b=$(date +%%s.%%N) && echo $a $b && times",
             mediacheck::UnixPath(raw).c_str(), static_cast<long long>(s.videoBitRate),
             mediacheck::UnixPath(peer).c_str());
    std::string output;
    double a = 0, b = 0, um = 0, us = 0, sm = 0, ss = 0;
    if (mediacheck::RunShell(cmd, &output) != 0 || sscanf(output.c_str(), "%lf %lf", &a, &b) != 2) {
        fprintf(stderr, "native ffmpeg failed: %s\n", output.c_str());
        return 1;
    }
    // "times": the shell's own times, then its children's ("0m1.234s 0m0.056s").
    const size_t children = output.find('\n', output.find('\n', 0) + 1);
    double peerCpu = -1;
    if (children != std::string::npos &&
        sscanf(output.c_str() + children + 1, "%lfm%lfs %lfm%lfs", &um, &us, &sm, &ss) == 4)
        peerCpu = um * 60 + us + sm * 60 + ss;
    const double peerWall = b - a;
    const double realTime = count / 25.0;
    const double oursPsnr = MeanPsnr(ours, frames), peerPsnr = MeanPsnr(peer, frames);

    printf("encoder_bench: %d frames 720x576 YUY2, DVD MPEG-2 at %lld bit/s, GOP 15, 2 B-frames, one thread\n",
           count, static_cast<long long>(s.videoBitRate));
    printf("%-28s %9s %9s %11s %11s %9s\n", "", "cpu s", "fps/core", "x real/core", "wall fps", "PSNR dB");
    printf("%-28s %9.2f %9.1f %11.2f %11.1f %9.2f\n", "ours (MPEG encoder writer)", oursCpu, count / oursCpu,
           realTime / oursCpu, count / oursWall, oursPsnr);
    if (peerCpu > 0)
        printf("%-28s %9.2f %9.1f %11.2f %11.1f %9.2f\n", "native ffmpeg mpeg2video", peerCpu, count / peerCpu,
               realTime / peerCpu, count / peerWall, peerPsnr);
    else
        printf("%-28s %9s %9s %11s %11.1f %9.2f\n", "native ffmpeg mpeg2video", "?", "?", "?", count / peerWall,
               peerPsnr);
    printf("ours / native speed: %.2f by processor time, %.2f by wall clock (the peer's figures include reading "
           "the raw frames and its own YUY2 conversion)\n",
           peerCpu > 0 ? peerCpu / oursCpu : 0.0, peerWall / oursWall);
    DeleteFileA(ours.c_str());
    DeleteFileA(peer.c_str());
    DeleteFileA(raw.c_str());
    return 0;
}
