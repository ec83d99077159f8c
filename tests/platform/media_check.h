// The independent reader of what the stand-ins write: runs the machine's native ffprobe and
// ffmpeg (Linux programs, started from the Wine test process) on a recorded file.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace mediacheck {

// The Linux path of a Windows path ("" when Wine cannot tell).
std::string UnixPath(const std::string& windowsPath);

// Runs a shell command line on the Linux side; its standard output and error together go to
// *output. Returns the exit code, or -1 when it could not be started.
int RunShell(const std::string& command, std::string* output);

// What ffprobe reports of a file, as flat keys: "format.format_name", "format.duration",
// "streams.stream.0.codec_name", "streams.stream.1.sample_rate", ... (values without quotes).
// Empty when ffprobe cannot read the file at all.
std::map<std::string, std::string> Probe(const std::string& windowsPath, const std::string& extra = "");

// Bits per second of one kind of stream of the file ("v" video, "a" audio): its packets added
// up over seconds. 0 when ffprobe cannot read it.
double StreamBitRate(const std::string& windowsPath, const char* kind, double seconds);

// Decodes every stream of the file; true when ffmpeg finishes without a single error message
// (*errors receives what it said otherwise).
bool DecodesCleanly(const std::string& windowsPath, std::string* errors);

// Frame n of the file's video, decoded to packed YUY2 at its own size; empty on failure.
std::vector<unsigned char> DecodedFrame(const std::string& windowsPath, int n, int width, int height);

// Peak signal-to-noise ratio of two pictures' luma (YUY2 bytes at even offsets), in dB.
double LumaPsnr(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b);

// The offsets of the sound from the picture at each sync mark of the simulated card (SyncMarks=1),
// in ms, positive when the sound comes late, as tests/support/avsync.py measures them; empty when
// the file has no marks it can pair (*report receives what the tool said).
std::vector<double> SyncOffsets(const std::string& windowsPath, std::string* report);

// Seconds of a "num/den" rate text (30000/1001 gives 29.97).
double Rate(const std::string& text);

// Whether native ffprobe and ffmpeg are there to check with.
bool Available();

} // namespace mediacheck
