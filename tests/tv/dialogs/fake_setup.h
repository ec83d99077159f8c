// A setup host and engine in memory for the page tests: a card with a broadcast on a few
// frequencies, picture controls on the 0..255 scale, and a record of every call the pages make.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "tv/dialogs/setup_host.h"

namespace dlgtest {

class FakeEngine : public tunaro::SetupEngine {
public:
    explicit FakeEngine(tunaro::ChannelList& channels, tunaro::CountryTable& countries)
        : m_channels(channels), m_countries(countries) {}

    int SetCurrentChannel(int index) override;
    int SetFrequency(long frequency, int index) override;
    int AutoScanTune(int reset) override;
    int SetCountry(long code) override;
    int SetAudioMode(int stereo) override;
    bool IsTunerInput() override { return tunerInput; }
    int GetFrequencyRange(long* maximum, long* minimum) override;
    int GetPicture(tunaro::PictureProperty control, long* value, long* maximum, long* minimum,
                   long* defaultValue) override;
    int SetPicture(tunaro::PictureProperty control, long value) override;

    // What the card shows and receives.
    std::vector<long> stations; // carriers that lock
    long tunedHz = 0;
    long countryCode = 0;
    int stereo = -1;
    bool tunerInput = true;
    long lowHz = 44000000, highHz = 958000000;
    long picture[5] = {128, 100, 128, 90, 40};
    long defaults[5] = {120, 110, 127, 130, 60};
    int scanPosition = 0;
    // Every call, as "name(args)".
    std::vector<std::string> calls;
    // The picture calls only, in the order made.
    std::vector<std::string> pictureCalls;

private:
    tunaro::ChannelList& m_channels;
    tunaro::CountryTable& m_countries;
};

class FakeHost : public tunaro::SetupHost {
public:
    FakeHost(const std::string& dir, tunaro::LanguageMode language);

    tunaro::LanguageMode Language() const override { return language; }
    std::string Caption() const override { return "Tunaro"; }
    tunaro::SetupEngine* Engine() override { return hasEngine ? &engine : nullptr; }
    long CardType() const override { return cardType; }
    tunaro::ChannelList& Channels() override { return channels; }
    tunaro::CountryTable& Countries() override { return countries; }
    tunaro::TvSettings& Settings() override { return settings; }
    std::string ProgramTxtPath() const override { return programTxt; }
    std::string TunaroIniPath() const override { return tunaroIni; }
    bool Scanning() const override { return scanning; }
    void SetScanning(bool on) override { scanning = on; }
    void SendPanelCommand(unsigned id) override;
    void ShowOsd(const std::string& text) override { osd.push_back(text); }

    // Channels "Name n" on 100 + 10 n MHz; a country "Testland" with the given frequencies.
    void AddChannels(int count);
    void AddCountry(const std::string& name, long code, const std::vector<long>& frequencies);

    tunaro::LanguageMode language;
    long cardType = 4;
    bool hasEngine = true;
    tunaro::ChannelList channels;
    tunaro::CountryTable countries;
    tunaro::TvSettings settings;
    FakeEngine engine{channels, countries};
    std::string programTxt, tunaroIni;
    bool scanning = false;
    // Panel commands with the scanning flag as it was when each came.
    std::vector<std::pair<unsigned, bool>> panelCommands;
    std::vector<std::string> osd;
};

} // namespace dlgtest
