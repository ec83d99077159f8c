// A channel list of one channel, lent to the engine by tests and benchmarks that tune it.
#pragma once

#include "engine/channel_access.h"

namespace enginetest {

class OneChannel : public tunaro::ChannelAccess {
public:
    long frequency = 0;
    int ChannelCount() const override { return 1; }
    long ChannelFrequency(int) const override { return frequency; }
    void SetChannelFrequency(int, long f) override { frequency = f; }
    int ChannelAudioMode(int) const override { return 0; }
    void ClearChannels() override {}
    void AppendChannel(const char*, long, int) override {}
    int CountryFrequencyCount() const override { return 0; }
    long CountryFrequency(int) const override { return 0; }
};

} // namespace enginetest
