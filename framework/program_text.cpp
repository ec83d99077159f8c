// Reader of the channel list file's text, with the pending-record rules that let older
// hand-made files without Chan or Check lines still load.
#include "framework/program_text.h"

#include "framework/text_pieces.h"

namespace tunaro {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view TrimmedBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

struct Pending {
    std::string name = kEmptyChannelName;
    int32_t frequency = kNoChannelFrequency;
    int32_t channel = 1;
    int32_t enabled = 1;
    int32_t audio = 0;

    void NextName(std::string_view value) {
        name = StoredChannelName(value);
        // Counting stops at the top instead of wrapping (a "Chan:" near the limit before it).
        if (channel < INT32_MAX)
            ++channel;
        frequency = kNoChannelFrequency;
    }

    void AppendTo(std::vector<ChannelRecord>& out) const {
        if (frequency == kNoChannelFrequency)
            return;
        ChannelRecord r;
        r.m_strName = name;
        r.m_nFrequency = frequency;
        r.m_nChannel = channel;
        r.m_nEnabled = enabled;
        r.m_nAudioMode = audio;
        out.push_back(std::move(r));
    }
};

} // namespace

std::string StoredChannelName(std::string_view name) {
    name = name.substr(0, name.find_first_of(std::string_view(";\n\0", 3)));
    name = TrimmedBlanks(TrimmedBlanks(name).substr(0, kChannelNameMax));
    return name.empty() ? std::string(kEmptyChannelName) : std::string(name);
}

bool ParseProgramText(std::string_view text, std::vector<ChannelRecord>& records) {
    records.clear();
    Pending pending;
    TextPieces pieces(text, kProgramLineMax);
    std::string line;
    while (pieces.Next(line)) {
        CutAtComment(line);
        std::string_view l(line);
        if (StartsWithNoCase(l, "Name:")) {
            pending.AppendTo(records);
            if (records.size() > static_cast<std::size_t>(kChannelListMax))
                break;
            pending.NextName(l.substr(5));
        } else if (StartsWithNoCase(l, "Freq:")) {
            pending.frequency = ParseInt32(l.substr(5));
        } else if (StartsWithNoCase(l, "Chan:")) {
            pending.channel = ParseInt32(l.substr(5));
        } else if (StartsWithNoCase(l, "Check:")) {
            pending.enabled = ParseInt32(l.substr(6));
        } else if (StartsWithNoCase(l, "AudioChannels:")) {
            pending.audio = ParseInt32(l.substr(14));
        }
    }
    pending.AppendTo(records);
    if (records.size() > static_cast<std::size_t>(kChannelListMax)) {
        records.clear();
        return false;
    }
    return true;
}

bool ParseProgramFileBytes(std::string_view bytes, std::vector<ChannelRecord>& records) {
    return ParseProgramText(TextModeToLf(bytes), records);
}

} // namespace tunaro
