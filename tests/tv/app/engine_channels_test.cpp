// Unit tests of the engine's view of the channel list and country table.
#include <gtest/gtest.h>

#include "tv/app/engine_channels.h"

namespace {

tunaro::ChannelRecord Record(const char* name, int32_t hz, int32_t number, int32_t enabled, int32_t audio) {
    tunaro::ChannelRecord r;
    r.m_strName = name;
    r.m_nFrequency = hz;
    r.m_nChannel = number;
    r.m_nEnabled = enabled;
    r.m_nAudioMode = audio;
    return r;
}

class EngineChannelsTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_list.Append(Record("One", 49750000, 1, 1, tunaro::kAudioStereo));
        m_list.Append(Record("Two", 57750000, 2, 0, tunaro::kAudioMono));
        m_list.Append(Record("Three", 65750000, 3, 1, tunaro::kAudioMono));
        tunaro::CountryEntry china;
        china.m_strName = "China";
        china.m_nCountryCode = 86;
        china.m_nChannelLow = 1;
        for (int32_t hz : {49750000, 57750000, 65750000})
            china.m_frequencies.push_back(Record("Channel", hz, 0, 1, 0));
        tunaro::CountryEntry uk;
        uk.m_strName = "United Kingdom";
        uk.m_nCountryCode = 44;
        uk.m_frequencies.push_back(Record("Channel 21", 471250000, 21, 1, 0));
        m_countries.Append(china);
        m_countries.Append(uk);
    }

    tunaro::EngineChannels Make() {
        return tunaro::EngineChannels(
            m_list, m_countries, [this] { return m_cardType; }, [this] { return m_language; });
    }

    tunaro::ChannelList m_list;
    tunaro::CountryTable m_countries;
    long m_cardType = 2;
    tunaro::LanguageMode m_language = tunaro::kLanguageEnglish;
};

TEST_F(EngineChannelsTest, ReadsAndWritesTheProgramsOwnList) {
    tunaro::EngineChannels channels = Make();
    EXPECT_EQ(channels.ChannelCount(), 3);
    EXPECT_EQ(channels.ChannelFrequency(2), 65750000);
    // Fine tuning lands in the record the program saves, nowhere else.
    channels.SetChannelFrequency(1, 57800000);
    EXPECT_EQ(m_list.Frequency(1), 57800000);
    EXPECT_EQ(m_list.Frequency(0), 49750000);
    // Out of range: nothing happens and nothing is read.
    channels.SetChannelFrequency(3, 1);
    channels.SetChannelFrequency(-1, 1);
    EXPECT_EQ(m_list.Count(), 3);
    EXPECT_EQ(channels.ChannelFrequency(7), 0);
    EXPECT_EQ(channels.ChannelFrequency(-1), 0);
}

TEST_F(EngineChannelsTest, AudioModeIsTheEffectiveValueOfTheCardFamilyAtTheTime) {
    tunaro::EngineChannels channels = Make();
    // Family 2 keeps the record's own mode.
    EXPECT_EQ(channels.ChannelAudioMode(0), tunaro::kAudioStereo);
    EXPECT_EQ(channels.ChannelAudioMode(2), tunaro::kAudioMono);
    // Family 4 always stereo, any other family mono; asked afresh each time.
    m_cardType = 4;
    EXPECT_EQ(channels.ChannelAudioMode(2), tunaro::kAudioStereo);
    m_cardType = 6;
    EXPECT_EQ(channels.ChannelAudioMode(0), tunaro::kAudioMono);
    EXPECT_EQ(channels.ChannelAudioMode(9), tunaro::kAudioStereo);
}

TEST_F(EngineChannelsTest, ScanClearsAndAppendsWithTheLanguagesAudioMode) {
    m_list.SetCurrentIndex(2);
    m_list.SetPreviousIndex(1);
    tunaro::EngineChannels channels = Make();
    channels.ClearChannels();
    EXPECT_EQ(channels.ChannelCount(), 0);
    // The selection survives a clear (the scan selects channel 0 itself when it ends).
    EXPECT_EQ(m_list.CurrentIndex(), 2);
    channels.AppendChannel("New Channel", 57750000, 2);
    m_language = tunaro::kLanguageChinese;
    channels.AppendChannel("New Channel", 65750000, 3);
    ASSERT_EQ(m_list.Count(), 2);
    const tunaro::ChannelRecord* first = m_list.At(0);
    const tunaro::ChannelRecord* second = m_list.At(1);
    EXPECT_EQ(first->m_strName, "New Channel");
    EXPECT_EQ(first->m_nFrequency, 57750000);
    EXPECT_EQ(first->m_nChannel, 2);
    EXPECT_EQ(first->m_nEnabled, 1);
    EXPECT_EQ(first->m_nAudioMode, tunaro::kAudioStereo);
    EXPECT_EQ(second->m_nChannel, 3);
    EXPECT_EQ(second->m_nAudioMode, tunaro::kAudioMono);
}

TEST_F(EngineChannelsTest, CountryFrequenciesFollowTheCurrentCountry) {
    tunaro::EngineChannels channels = Make();
    EXPECT_EQ(channels.CountryFrequencyCount(), 3);
    EXPECT_EQ(channels.CountryFrequency(0), 49750000);
    EXPECT_EQ(channels.CountryFrequency(2), 65750000);
    EXPECT_EQ(channels.CountryFrequency(3), 0);
    EXPECT_EQ(channels.CountryFrequency(-1), 0);
    ASSERT_TRUE(m_countries.SetCurrentIndex(1));
    EXPECT_EQ(channels.CountryFrequencyCount(), 1);
    EXPECT_EQ(channels.CountryFrequency(0), 471250000);
    m_countries.Clear();
    EXPECT_EQ(channels.CountryFrequencyCount(), 0);
    EXPECT_EQ(channels.CountryFrequency(0), 0);
}

} // namespace
