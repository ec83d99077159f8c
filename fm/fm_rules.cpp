// The FM window's rules that need no window.
#include "fm/fm_rules.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace tunaro::fm {

bool ValidStation(int index, int count) {
    return index >= 0 && index < count;
}

int NextStation(int current, int count) {
    if (count <= 0)
        return -1;
    const int next = current + 1;
    return next < 0 || next >= count ? 0 : next;
}

int PreviousStation(int current, int count) {
    if (count <= 0)
        return -1;
    const int previous = current - 1;
    return previous < 0 || previous >= count ? count - 1 : previous;
}

std::string FrequencyText(long hertz) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f MHz", static_cast<double>(hertz) * 1e-6);
    return text;
}

std::string ClockText(long seconds) {
    if (seconds < 0)
        seconds = 0;
    char text[32];
    std::snprintf(text, sizeof text, "%02ld:%02ld:%02ld", seconds / 3600, seconds / 60 % 60, seconds % 60);
    return text;
}

std::string PlaybackText(long positionSeconds, long durationSeconds) {
    char text[64];
    std::snprintf(text, sizeof text, "%ld:%ld/%ld:%ld", positionSeconds / 60, positionSeconds % 60,
                  durationSeconds / 60, durationSeconds % 60);
    return text;
}

long SecondsOfUnits(std::int64_t units) {
    return static_cast<long>(units / 10000 / 1000);
}

std::string RecordingPath(const std::string& directory, const std::string& name, int recordType) {
    std::string path = directory;
    if (path.empty() || path.back() != '\\')
        path += '\\';
    return path + name + (recordType == kRecordWma ? ".WMA" : ".MP3");
}

bool IsRecordingFileName(const std::string& name) {
    if (name.size() < 4)
        return false;
    std::string ext = name.substr(name.size() - 4);
    for (char& c : ext)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return ext == ".MP3" || ext == ".WMA";
}

} // namespace tunaro::fm
