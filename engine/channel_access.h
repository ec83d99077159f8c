// What the TV build of the engine needs of the TV application's channel list and of the current
// country's frequency table: the application owns both and lends them through this interface.
#pragma once

namespace tunaro {

class ChannelAccess {
public:
    virtual ~ChannelAccess() = default;

    virtual int ChannelCount() const = 0;
    virtual long ChannelFrequency(int index) const = 0;
    virtual void SetChannelFrequency(int index, long frequency) = 0;
    // The audio mode the card gets when the channel is selected: 0 stereo, 1 mono.
    virtual int ChannelAudioMode(int index) const = 0;
    virtual void ClearChannels() = 0;
    // Appends a record with this name, frequency (Hz) and channel number, enabled.
    virtual void AppendChannel(const char* name, long frequency, int number) = 0;

    // Frequencies (Hz) of the current country's table, walked by the TV scan.
    virtual int CountryFrequencyCount() const = 0;
    virtual long CountryFrequency(int position) const = 0;
};

} // namespace tunaro
