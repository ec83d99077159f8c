// The FM station list's file format and operations, and the FM scan's rules.
#include "engine/fm_stations.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>

namespace tunaro {

namespace {

bool StartsWithNoCase(const std::string& line, const char* key) {
    size_t i = 0;
    for (; key[i]; ++i) {
        if (i >= line.size() || std::tolower(static_cast<unsigned char>(line[i])) !=
                                    std::tolower(static_cast<unsigned char>(key[i])))
            return false;
    }
    return true;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

// A decimal number as strtol reads it, clamped to 32 bits; 0 when there is none.
int32_t NumberOf(const std::string& text) {
    const long long v = std::strtoll(text.c_str(), nullptr, 10);
    if (v > INT32_MAX)
        return INT32_MAX;
    if (v < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(v);
}

// Splits text into lines at LF (a CR before it goes with the trimming), each cut at kFmLineMax.
template <typename F> void ForEachLine(const std::string& text, F&& f) {
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(pos, std::min(end - pos, kFmLineMax));
        pos = end + 1;
        if (!f(line))
            return;
    }
}

} // namespace

std::string StoredFmName(const std::string& name) {
    // Read as the writer writes it: a stray CR, LF or comment mark is a space, and a name cut to
    // its length loses the blanks the cut leaves at its end, so it reads back the same.
    std::string kept = name.substr(0, name.find('\0'));
    std::replace_if(
        kept.begin(), kept.end(), [](char c) { return c == '\r' || c == '\n' || c == ';'; }, ' ');
    kept = Trim(kept);
    if (kept.size() > kFmNameMax)
        kept = Trim(kept.substr(0, kFmNameMax));
    return kept.empty() ? std::string("Empty") : kept;
}

std::vector<FmStation> ParseFmProgram(const std::string& text) {
    std::vector<FmStation> out;
    FmStation pending;
    bool named = false, frequencyRead = false;
    int32_t running = 0;
    auto complete = [&] {
        if (named && frequencyRead)
            out.push_back(pending);
        frequencyRead = false;
    };
    ForEachLine(text, [&](std::string line) {
        // A line ends at its first comment mark, and at a zero byte as a C string would.
        const size_t end = line.find_first_of(std::string(";\0", 2));
        if (end != std::string::npos)
            line.resize(end);
        if (StartsWithNoCase(line, "Name:")) {
            complete();
            pending = FmStation();
            pending.name = StoredFmName(line.substr(5));
            pending.channel = ++running;
            named = true;
        } else if (StartsWithNoCase(line, "Freq:")) {
            pending.frequency = NumberOf(line.substr(5));
            frequencyRead = true;
        } else if (StartsWithNoCase(line, "Chan:")) {
            pending.channel = NumberOf(line.substr(5));
        }
        return true;
    });
    complete();
    return out;
}

std::string FormatFmProgram(const std::vector<FmStation>& stations) {
    std::string out;
    char line[64];
    for (const FmStation& s : stations) {
        out += "Name: ";
        // A name never carries a line break or a comment mark into the file.
        for (char c : s.name)
            out += (c == '\r' || c == '\n' || c == ';') ? ' ' : c;
        out += "\r\n";
        std::snprintf(line, sizeof line, "Freq: %ld\r\nChan: %d\r\n", static_cast<long>(s.frequency),
                      static_cast<int>(s.channel));
        out += line;
    }
    return out;
}

bool FmStationList::SetName(int index, const std::string& name) {
    if (!Valid(index))
        return false;
    m_stations[index].name = StoredFmName(name);
    return true;
}

bool FmStationList::SetFrequency(int index, int32_t frequency) {
    if (!Valid(index))
        return false;
    m_stations[index].frequency = frequency;
    return true;
}

bool FmStationList::SetChannel(int index, int32_t channel) {
    if (!Valid(index))
        return false;
    m_stations[index].channel = channel;
    return true;
}

bool FmStationList::Delete(int index) {
    if (!Valid(index))
        return false;
    m_stations.erase(m_stations.begin() + index);
    return true;
}

void FmStationList::Add(const std::string& name, int32_t frequency) {
    Append(name, frequency, Size());
}

void FmStationList::Append(const std::string& name, int32_t frequency, int32_t channel) {
    FmStation s;
    s.name = StoredFmName(name);
    s.frequency = frequency;
    s.channel = channel;
    m_stations.push_back(s);
}

bool FmScanDetects(int mode, int x, int y, int z) {
    switch (mode) {
    case 0:
        return (x == 1 || x == 2) && y == 1 && z == 0;
    case 1:
        if (x == 1)
            return y == 1 && (z == 0 || z == 1);
        if (x == 2)
            return y == 1 && z == 0;
        return false;
    case 2:
        return (x == 1 || x == 2) && y == 1 && (z == 0 || z == 1);
    default:
        return false;
    }
}

int FmScanProgress(int32_t frequency) {
    const long long done = static_cast<long long>(frequency) - kFmBandLow;
    const long long percent = done * 100 / (kFmBandHigh - kFmBandLow);
    return static_cast<int>(percent < 0 ? 0 : (percent > 100 ? 100 : percent));
}

std::string FmScanStationName(long counter) {
    char name[40];
    std::snprintf(name, sizeof name, "New Channel %ld", counter);
    return name;
}

std::vector<int32_t> ParseFrequencyList(const std::string& text) {
    std::vector<int32_t> out;
    int lineNumber = 0;
    ForEachLine(text, [&](const std::string& raw) {
        if (++lineNumber <= 3)
            return true;
        const std::string line = Trim(raw);
        // The next country's table begins: this one is complete.
        if (!line.empty() && line[0] == '[')
            return false;
        if (!line.empty() && std::isdigit(static_cast<unsigned char>(line[0])))
            out.push_back(NumberOf(line));
        return true;
    });
    return out;
}

} // namespace tunaro
