// The channel list and country table of the TV program as the capture engine sees them: the
// engine tunes, fine-tunes and scans through this adapter, never through a list of its own.
#pragma once

#include <functional>

#include "engine/channel_access.h"
#include "framework/language.h"
#include "tv/channel_list.h"
#include "tv/country_table.h"

namespace tunaro {

class EngineChannels : public ChannelAccess {
public:
    // cardType tells the card family at the moment it is asked (the engine learns it when it
    // identifies the card); language decides the audio mode of channels a scan finds.
    EngineChannels(ChannelList& channels, CountryTable& countries, std::function<long()> cardType,
                   std::function<LanguageMode()> language);

    int ChannelCount() const override;
    long ChannelFrequency(int index) const override;
    void SetChannelFrequency(int index, long frequency) override;
    int ChannelAudioMode(int index) const override;
    void ClearChannels() override;
    void AppendChannel(const char* name, long frequency, int number) override;
    int CountryFrequencyCount() const override;
    long CountryFrequency(int position) const override;

private:
    ChannelList& m_channels;
    CountryTable& m_countries;
    std::function<long()> m_cardType;
    std::function<LanguageMode()> m_language;
};

} // namespace tunaro
