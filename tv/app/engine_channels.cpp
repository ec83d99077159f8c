// The engine's view of the channel list and the current country's frequency table, over the
// program's one ChannelList and CountryTable.
#include "tv/app/engine_channels.h"

#include <climits>
#include <utility>

namespace tunaro {

EngineChannels::EngineChannels(ChannelList& channels, CountryTable& countries, std::function<long()> cardType,
                               std::function<LanguageMode()> language)
    : m_channels(channels), m_countries(countries), m_cardType(std::move(cardType)),
      m_language(std::move(language)) {}

int EngineChannels::ChannelCount() const {
    const long count = m_channels.Count();
    return count > INT_MAX ? INT_MAX : static_cast<int>(count);
}

long EngineChannels::ChannelFrequency(int index) const {
    return m_channels.Frequency(index);
}

void EngineChannels::SetChannelFrequency(int index, long frequency) {
    m_channels.SetFrequency(index, static_cast<int32_t>(frequency));
}

int EngineChannels::ChannelAudioMode(int index) const {
    const ChannelRecord* record = m_channels.At(index);
    if (!record)
        return kAudioStereo;
    return EffectiveAudioMode(*record, m_cardType ? m_cardType() : 0);
}

void EngineChannels::ClearChannels() {
    m_channels.Clear();
}

void EngineChannels::AppendChannel(const char* name, long frequency, int number) {
    ChannelRecord record;
    record.m_strName = name ? name : "";
    record.m_nFrequency = static_cast<int32_t>(frequency);
    record.m_nChannel = number;
    record.m_nEnabled = 1;
    // A scan in Chinese mode stores its channels as mono (second language), in English as stereo.
    const bool chinese = m_language && m_language() == kLanguageChinese;
    record.m_nAudioMode = chinese ? kAudioMono : kAudioStereo;
    m_channels.Append(std::move(record));
}

int EngineChannels::CountryFrequencyCount() const {
    const CountryEntry* country = m_countries.Current();
    return country ? static_cast<int>(country->m_frequencies.size()) : 0;
}

long EngineChannels::CountryFrequency(int position) const {
    const CountryEntry* country = m_countries.Current();
    if (!country || position < 0 || position >= static_cast<int>(country->m_frequencies.size()))
        return 0;
    return country->m_frequencies[static_cast<size_t>(position)].m_nFrequency;
}

} // namespace tunaro
