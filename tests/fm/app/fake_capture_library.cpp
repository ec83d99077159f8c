// A capture library for the FM window's end-to-end tests: the exports the FM program binds by
// ordinal, over a station list and a band kept in files beside the DLL, with every call the
// program makes written to a log the tests read. Files (all in the DLL's folder):
//   fakecap_stations.txt  the station list, "name|hertz" per line (read at start, written when
//                         a scan ends and at stop)
//   fakecap_band.txt      the frequencies a scan finds, one per line
//   fakecap_nocard        when present, no card is found
//   fakecap_nofm          when present, FM mode is refused
//   fakecap.log           "<local time hh:mm:ss> <call> <arguments>" per call
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Station {
    std::string name;
    long hertz;
};

std::vector<Station> g_stations;
std::vector<long> g_band;
std::size_t g_bandNext = 0;
bool g_scanning = false;
std::string g_nameCopy;
HMODULE g_module = nullptr;

std::string Folder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(g_module, path, MAX_PATH);
    std::string p = path;
    return p.substr(0, p.find_last_of('\\'));
}

std::string File(const char* name) {
    return Folder() + "\\" + name;
}

void Log(const std::string& line) {
    SYSTEMTIME st = {};
    GetLocalTime(&st);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d ", st.wHour, st.wMinute, st.wSecond);
    std::ofstream out(File("fakecap.log"), std::ios::app | std::ios::binary);
    out << stamp << line << "\n";
}

void ReadStations() {
    g_stations.clear();
    std::ifstream in(File("fakecap_stations.txt"));
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t bar = line.find('|');
        if (bar == std::string::npos)
            continue;
        g_stations.push_back(Station{line.substr(0, bar), std::atol(line.c_str() + bar + 1)});
    }
}

void WriteStations() {
    std::ofstream out(File("fakecap_stations.txt"), std::ios::trunc | std::ios::binary);
    for (const Station& s : g_stations)
        out << s.name << "|" << s.hertz << "\n";
}

void Tune(long hertz) {
    Log("tune " + std::to_string(hertz));
}

bool Valid(int index) {
    return index >= 0 && static_cast<std::size_t>(index) < g_stations.size();
}

void FillNames(int* count, char* names, const std::vector<std::string>& list) {
    *count = static_cast<int>(list.size());
    for (std::size_t i = 0; i < list.size(); ++i)
        std::strncpy(names + i * 260, list[i].c_str(), 259);
}

} // namespace

extern "C" {

int WINAPI FakeCoInitialize() {
    Log("coinit");
    return 1;
}
int WINAPI FakeCoUninitialize() {
    Log("couninit");
    return 0;
}
int WINAPI FakeEnumVideoDevice(int* count, char* names) {
    FillNames(count, names, {"Ph7134 Video Capture"});
    Log("enum video");
    return 1;
}
int WINAPI FakeSelectVideoDevice(const char* name) {
    Log(std::string("select video ") + name);
    return 1;
}
int WINAPI FakeSetCurrentChannel(int index) {
    Log("channel " + std::to_string(index));
    if (Valid(index))
        Tune(g_stations[static_cast<std::size_t>(index)].hertz);
    return 0;
}
int WINAPI FakeSetChannelName(int index, const char* name) {
    if (!Valid(index))
        return -1;
    g_stations[static_cast<std::size_t>(index)].name = name;
    return 0;
}
const char* WINAPI FakeGetChannelName(int index) {
    if (!Valid(index))
        return nullptr;
    g_nameCopy = g_stations[static_cast<std::size_t>(index)].name;
    return g_nameCopy.c_str();
}
int WINAPI FakeDeleteChannel(int index) {
    if (Valid(index))
        g_stations.erase(g_stations.begin() + index);
    return 1;
}
int WINAPI FakeGetChannelNumber(int index) {
    return Valid(index) ? index + 1 : 0;
}
long WINAPI FakeGetFrequency(int index) {
    return Valid(index) ? g_stations[static_cast<std::size_t>(index)].hertz : 0;
}
int WINAPI FakeSetFrequency(int index, long hertz) {
    Log("set frequency " + std::to_string(index) + " " + std::to_string(hertz));
    if (Valid(index))
        g_stations[static_cast<std::size_t>(index)].hertz = hertz;
    Tune(hertz);
    return 0;
}
int WINAPI FakeSetChannelNumber(int, int) {
    return 0;
}
int WINAPI FakeGetChannelListSize() {
    return static_cast<int>(g_stations.size());
}
int WINAPI FakeStopDevice() {
    Log("stop device");
    WriteStations();
    return 0;
}
int WINAPI FakeStartCapureMP3(const char* path) {
    Log(std::string("mp3 start ") + path);
    std::ofstream(path, std::ios::binary) << "ID3";
    return 0;
}
int WINAPI FakeStopCapureMP3() {
    Log("mp3 stop");
    return 0;
}
int WINAPI FakeSelectAudioDevice(const char* name) {
    Log(std::string("select audio ") + name);
    return 1;
}
int WINAPI FakeEnumAudioDevice(int* count, char* names) {
    FillNames(count, names, {"Ph7134 Audio Capture", "Another Audio"});
    Log("enum audio");
    return 1;
}
int WINAPI FakeStartDevice() {
    if (GetFileAttributesA(File("fakecap_nocard").c_str()) != INVALID_FILE_ATTRIBUTES) {
        Log("start device -1");
        return -1;
    }
    ReadStations();
    g_band.clear();
    std::ifstream in(File("fakecap_band.txt"));
    long hz = 0;
    while (in >> hz)
        g_band.push_back(hz);
    Log("start device 1");
    return 1;
}
int WINAPI FakeAudioMute(int mute) {
    Log("mute " + std::to_string(mute));
    return 1;
}
int WINAPI FakeSetTVMode(int mode) {
    const bool refused = GetFileAttributesA(File("fakecap_nofm").c_str()) != INVALID_FILE_ATTRIBUTES;
    Log("tvmode " + std::to_string(mode) + (refused ? " refused" : ""));
    return refused ? -1 : 0;
}
// One step per station of the band: each call tunes the next one and reports it found; the
// call after the last reports done and writes the list.
int WINAPI FakeFMScanTuner(int mode, int abort, int* done, int* found, int*, long* frequency, int* progress) {
    if (!abort && !g_scanning) {
        g_stations.clear();
        g_bandNext = 0;
        g_scanning = true;
    }
    if (abort || g_bandNext >= g_band.size()) {
        Log(std::string("scan ") + (abort ? "abort" : "done") + " mode " + std::to_string(mode));
        WriteStations();
        *done = 1;
        g_scanning = false;
        return 0;
    }
    const long hz = g_band[g_bandNext++];
    Tune(hz);
    g_stations.push_back(Station{"New Channel " + std::to_string(g_stations.size()), hz});
    *found = 1;
    *frequency = hz;
    *progress = static_cast<int>((hz - 87500000L) / 205000L);
    return 0;
}
int WINAPI FakeAddChannel(const char* name, long hertz) {
    g_stations.push_back(Station{name, hertz});
    return 1;
}
int WINAPI FakeStopCaptureAudioWMA() {
    Log("wma stop");
    return 1;
}
int WINAPI FakeStartCaptureAudioWMA(const char* path) {
    Log(std::string("wma start ") + path);
    std::ofstream(path, std::ios::binary) << "ASF";
    return 1;
}

} // extern "C"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH)
        g_module = instance;
    return TRUE;
}
