// Writer and reader of the channel list file's text, with the pending-record rules that let
// older hand-made files without Chan or Check lines still load.
#include "tv/program_file.h"

#include "tv/text_pieces.h"

#include "framework/format.h"

namespace tunaro {

std::string FormatProgramText(const ChannelList& list, long cardType) {
    std::string out;
    for (long i = 0; i < list.Count(); ++i) {
        const ChannelRecord& r = *list.At(i);
        std::string name = r.m_strName.substr(0, kProgramNameMax);
        AppendFormat(out, "Name: %s\n", name.c_str());
        AppendFormat(out, "Freq: %ld\n", static_cast<long>(r.m_nFrequency));
        AppendFormat(out, "Chan: %d\n", static_cast<int>(r.m_nChannel));
        AppendFormat(out, "AudioChannels:%d\n", static_cast<int>(EffectiveAudioMode(r, cardType)));
        AppendFormat(out, "Check:%d\n", static_cast<int>(r.m_nEnabled));
    }
    return out;
}

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string TrimmedName(std::string_view value) {
    std::size_t b = 0, e = value.size();
    while (b < e && IsSpace(value[b]))
        ++b;
    while (e > b && IsSpace(value[e - 1]))
        --e;
    if (b == e)
        return kEmptyChannelName;
    return std::string(value.substr(b, e - b));
}

struct Pending {
    std::string name = kEmptyChannelName;
    long frequency = -1;
    long channel = 1;
    long enabled = 1;
    long audio = 0;

    void AppendTo(std::vector<ChannelRecord>& out) const {
        if (frequency == -1)
            return;
        ChannelRecord r;
        r.m_strName = name;
        r.m_nFrequency = static_cast<int32_t>(frequency);
        r.m_nChannel = static_cast<int32_t>(channel);
        r.m_nEnabled = static_cast<int32_t>(enabled);
        r.m_nAudioMode = static_cast<int32_t>(audio);
        out.push_back(std::move(r));
    }
};

} // namespace

std::vector<ChannelRecord> ParseProgramText(std::string_view text) {
    std::vector<ChannelRecord> out;
    Pending pending;
    TextPieces pieces(text, kProgramLineMax);
    std::string line;
    while (pieces.Next(line)) {
        CutAtComment(line);
        std::string_view l(line);
        if (StartsWithNoCase(l, "Name:")) {
            pending.AppendTo(out);
            pending.name = TrimmedName(l.substr(5));
            pending.channel += 1;
            pending.frequency = -1;
        } else if (StartsWithNoCase(l, "Freq:")) {
            pending.frequency = ParseLong(l.substr(5));
        } else if (StartsWithNoCase(l, "Chan:")) {
            pending.channel = ParseLong(l.substr(5));
        } else if (StartsWithNoCase(l, "Check:")) {
            pending.enabled = ParseLong(l.substr(6));
        } else if (StartsWithNoCase(l, "AudioChannels:")) {
            pending.audio = ParseLong(l.substr(14));
        }
    }
    pending.AppendTo(out);
    return out;
}

} // namespace tunaro
