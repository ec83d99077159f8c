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
        AppendFormat(out, "Name: %s\n", StoredChannelName(r.m_strName).c_str());
        AppendFormat(out, "Freq: %ld\n", static_cast<long>(r.m_nFrequency));
        AppendFormat(out, "Chan: %d\n", static_cast<int>(r.m_nChannel));
        AppendFormat(out, "AudioChannels:%d\n", static_cast<int>(EffectiveAudioMode(r, cardType)));
        AppendFormat(out, "Check:%d\n", static_cast<int>(r.m_nEnabled));
    }
    return out;
}

namespace {

struct Pending {
    std::string name = kEmptyChannelName;
    int32_t frequency = -1;
    int32_t channel = 1;
    int32_t enabled = 1;
    int32_t audio = 0;

    void NextName(std::string_view value) {
        name = StoredChannelName(value);
        // Counting stops at the top instead of wrapping (a "Chan:" near the limit before it).
        if (channel < INT32_MAX)
            ++channel;
        frequency = -1;
    }

    void AppendTo(std::vector<ChannelRecord>& out) const {
        if (frequency == -1)
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

} // namespace tunaro
