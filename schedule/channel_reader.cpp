// program.txt as the scheduler reads it: line pieces of at most 254 characters, keys without
// regard to case, a channel kept when its block named a frequency.
#include "schedule/channel_reader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tunaro {
namespace {

// Longest piece of a line taken at once; a longer line goes on as the next piece.
constexpr std::size_t kMaxPiece = 254;

bool StartsWithNoCase(const std::string& line, const char* key) {
    const std::size_t n = std::strlen(key);
    if (line.size() < n) {
        return false;
    }
    for (std::size_t i = 0; i < n; ++i) {
        const char a = line[i] >= 'A' && line[i] <= 'Z' ? char(line[i] - 'A' + 'a') : line[i];
        const char b = key[i] >= 'A' && key[i] <= 'Z' ? char(key[i] - 'A' + 'a') : key[i];
        if (a != b) {
            return false;
        }
    }
    return true;
}

std::string Trimmed(const std::string& s) {
    const char* space = " \t\r\n\v\f";
    const std::size_t first = s.find_first_not_of(space);
    if (first == std::string::npos) {
        return std::string();
    }
    const std::size_t last = s.find_last_not_of(space);
    return s.substr(first, last - first + 1);
}

long NumberAfter(const std::string& line, std::size_t keyLength) {
    return std::strtol(line.c_str() + keyLength, nullptr, 10);
}

struct PendingChannel {
    ScheduleChannel channel;
    long long frequency = -1;
};

void Flush(PendingChannel& pending, std::vector<ScheduleChannel>& out) {
    if (pending.frequency != -1) {
        out.push_back(pending.channel);
    }
}

void TakeLine(const std::string& raw, PendingChannel& pending, long& number,
              std::vector<ScheduleChannel>& out) {
    const std::size_t cut = raw.find(';');
    const std::string line = cut == std::string::npos ? raw : raw.substr(0, cut);
    if (StartsWithNoCase(line, "Name:")) {
        Flush(pending, out);
        ++number;
        pending = PendingChannel();
        pending.channel.name = Trimmed(line.substr(5));
        if (pending.channel.name.empty()) {
            pending.channel.name = "Empty";
        }
        pending.channel.number = number;
    } else if (StartsWithNoCase(line, "Freq2:")) {
        pending.frequency = (long long)NumberAfter(line, 6) * 1000000 / 16;
    } else if (StartsWithNoCase(line, "Freq:")) {
        pending.frequency = (long long)NumberAfter(line, 5) * 1000;
    } else if (StartsWithNoCase(line, "Chan:")) {
        pending.channel.number = NumberAfter(line, 5);
    } else if (StartsWithNoCase(line, "Check:")) {
        pending.channel.active = NumberAfter(line, 6) != 0;
    }
    // "Form:" (the channel's format) and the other keys are not used here.
}

} // namespace

std::vector<ScheduleChannel> ParseScheduleChannels(const std::string& text) {
    std::vector<ScheduleChannel> out;
    PendingChannel pending;
    long number = 0; // the first channel is number 1 unless it says otherwise
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        const std::size_t lineEnd = end == std::string::npos ? text.size() : end;
        const std::size_t pieceEnd = lineEnd - at > kMaxPiece ? at + kMaxPiece : lineEnd;
        TakeLine(text.substr(at, pieceEnd - at), pending, number, out);
        at = pieceEnd == lineEnd ? lineEnd + 1 : pieceEnd;
    }
    Flush(pending, out);
    return out;
}

bool ReadScheduleChannels(const std::string& path, std::vector<ScheduleChannel>& channels) {
    channels.clear();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    std::string text;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof(buffer), file)) > 0) {
        text.append(buffer, n);
    }
    const bool ok = std::ferror(file) == 0;
    std::fclose(file);
    if (!ok) {
        return false;
    }
    channels = ParseScheduleChannels(text);
    return true;
}

std::string ChannelComboText(const ScheduleChannel& channel) {
    return "[" + std::to_string(channel.number) + "]" + channel.name;
}

} // namespace tunaro
