// Runs native ffprobe and ffmpeg from a test running under Wine: Wine starts Linux programs
// given by their Linux path; a shell redirects their output into a file the test reads back.
#include "tests/platform/media_check.h"

#include <windows.h>

#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace mediacheck {

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string TempName(const char* tag) {
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    static LONG counter = 0;
    char name[MAX_PATH + 64];
    snprintf(name, sizeof name, "%smediacheck-%lu-%ld-%s", dir, GetCurrentProcessId(),
             InterlockedIncrement(&counter), tag);
    return name;
}

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

} // namespace

std::string UnixPath(const std::string& windowsPath) {
    using Fn = char*(CDECL*)(LPCWSTR);
    static Fn fn = reinterpret_cast<Fn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!fn)
        return "";
    wchar_t wide[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH))
        return "";
    char* unix = fn(wide);
    if (!unix)
        return "";
    std::string r = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return r;
}

int RunShell(const std::string& command, std::string* output) {
    const std::string outFile = TempName("out.txt"), statusFile = TempName("status.txt");
    const std::string unixOut = UnixPath(outFile), unixStatus = UnixPath(statusFile);
    if (unixOut.empty() || unixStatus.empty())
        return -1;
    // Wine hands the command line to the Linux program split by Windows rules: the script is
    // one double-quoted argument, so it must not contain double quotes itself. Wine does not
    // follow a Linux process to its end (the handle reports an early exit), so the script
    // writes its exit status last and the test waits for that file.
    const std::string tmpStatus = unixStatus + ".part";
    std::string script = "(" + command + ") >" + Quote(unixOut) + " 2>&1; echo $? >" + Quote(tmpStatus) +
                         "; mv " + Quote(tmpStatus) + " " + Quote(unixStatus);
    if (script.find('"') != std::string::npos)
        return -1;
    std::string line = "/bin/sh -c \"" + script + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1;
    // For a Linux program Wine returns no process handle and leaves the thread handle as its
    // stack held it, which may be one of this process's own handles (a COM registry key, an
    // event of a filter): close the two only when a Windows process stands behind them.
    if (pi.hProcess) {
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    int code = -1;
    for (int waited = 0; waited < 300000; waited += 20) {
        if (GetFileAttributesA(statusFile.c_str()) != INVALID_FILE_ATTRIBUTES) {
            code = atoi(ReadFile(statusFile).c_str());
            break;
        }
        Sleep(20);
    }
    if (output)
        *output = ReadFile(outFile);
    DeleteFileA(outFile.c_str());
    DeleteFileA(statusFile.c_str());
    return code;
}

bool Available() {
    std::string out;
    return RunShell("ffprobe -version && ffmpeg -version", &out) == 0;
}

std::map<std::string, std::string> Probe(const std::string& windowsPath, const std::string& extra) {
    std::map<std::string, std::string> r;
    const std::string path = UnixPath(windowsPath);
    std::string out;
    if (path.empty() ||
        RunShell("ffprobe -v error -show_format -show_streams " + extra + " -of flat " + Quote(path), &out) !=
            0)
        return r;
    std::istringstream lines(out);
    std::string l;
    while (std::getline(lines, l)) {
        const size_t eq = l.find('=');
        if (eq == std::string::npos)
            continue;
        std::string value = l.substr(eq + 1);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        r[l.substr(0, eq)] = value;
    }
    return r;
}

std::vector<double> SyncOffsets(const std::string& windowsPath, std::string* report) {
    std::vector<double> offsets;
    std::string out;
    const std::string path = UnixPath(windowsPath);
    const int rc = path.empty()
                       ? -1
                       : RunShell("python3 " + Quote(TUNARO_AVSYNC_PY) + " " + Quote(path) + " --json", &out);
    if (report)
        *report = out;
    const size_t at = out.find("\"offsets_ms\": [");
    if (rc != 0 || at == std::string::npos)
        return offsets;
    std::istringstream list(out.substr(at + 15, out.find(']', at) - at - 15));
    std::string item;
    while (std::getline(list, item, ','))
        offsets.push_back(atof(item.c_str()));
    return offsets;
}

double StreamBitRate(const std::string& windowsPath, const char* kind, double seconds) {
    std::string output;
    const std::string cmd = std::string("ffprobe -v error -select_streams ") + kind +
                            " -show_entries packet=size -of csv=p=0 " + Quote(UnixPath(windowsPath)) +
                            " | awk '{s += $1} END {print s + 0}'";
    if (seconds <= 0 || RunShell(cmd, &output) != 0)
        return 0;
    return atof(output.c_str()) * 8 / seconds;
}

bool DecodesCleanly(const std::string& windowsPath, std::string* errors) {
    const std::string path = UnixPath(windowsPath);
    std::string out;
    const int rc =
        path.empty() ? -1 : RunShell("ffmpeg -nostdin -v error -i " + Quote(path) + " -f null -", &out);
    if (errors)
        *errors = out;
    return rc == 0 && out.empty();
}

std::vector<unsigned char> DecodedFrame(const std::string& windowsPath, int n, int width, int height) {
    const std::string path = UnixPath(windowsPath);
    const std::string raw = TempName("frame.yuv");
    const std::string rawUnix = UnixPath(raw);
    std::string out;
    char select[64];
    snprintf(select, sizeof select, "select=eq(n\\,%d)", n);
    if (path.empty() || rawUnix.empty() ||
        RunShell("ffmpeg -nostdin -v error -i " + Quote(path) + " -vf '" + select +
                     "' -frames:v 1 -pix_fmt yuyv422 -f rawvideo -y " + Quote(rawUnix),
                 &out) != 0)
        return {};
    std::string bytes = ReadFile(raw);
    DeleteFileA(raw.c_str());
    if (bytes.size() != static_cast<size_t>(width) * height * 2)
        return {};
    return std::vector<unsigned char>(bytes.begin(), bytes.end());
}

double LumaPsnr(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
    if (a.size() != b.size() || a.empty())
        return 0;
    double sum = 0;
    size_t n = 0;
    for (size_t i = 0; i < a.size(); i += 2, ++n) {
        const double d = static_cast<double>(a[i]) - b[i];
        sum += d * d;
    }
    if (sum == 0)
        return 99;
    return 10 * std::log10(255.0 * 255.0 / (sum / n));
}

double Rate(const std::string& text) {
    double num = 0, den = 1;
    if (sscanf(text.c_str(), "%lf/%lf", &num, &den) < 1 || den == 0)
        return 0;
    return num / den;
}

} // namespace mediacheck
