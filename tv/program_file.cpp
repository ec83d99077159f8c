// Writer of the channel list file's text; its reader is the one every program shares.
#include "tv/program_file.h"

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

} // namespace tunaro
