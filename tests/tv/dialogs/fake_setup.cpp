// The in-memory card and program of the page tests. The scan walks the current country's table
// the way the engine does: the first step empties the list, a locked frequency appends
// "New Channel" numbered with its table position.
#include "tests/tv/dialogs/fake_setup.h"

#include <algorithm>

#include "framework/format.h"

namespace dlgtest {

using tunaro::Format;

int FakeEngine::SetCurrentChannel(int index) {
    calls.push_back(Format("SetCurrentChannel(%d)", index));
    if (const tunaro::ChannelRecord* record = m_channels.At(index))
        tunedHz = record->m_nFrequency;
    return 1;
}

int FakeEngine::SetFrequency(long frequency, int index) {
    calls.push_back(Format("SetFrequency(%ld,%d)", frequency, index));
    if (!m_channels.IsValidIndex(index))
        return 0;
    tunedHz = frequency;
    m_channels.SetFrequency(index, static_cast<int32_t>(frequency));
    return 1;
}

int FakeEngine::AutoScanTune(int reset) {
    calls.push_back(Format("AutoScanTune(%d)", reset));
    const tunaro::CountryEntry* country = m_countries.Current();
    const int total = country ? static_cast<int>(country->m_frequencies.size()) : 0;
    if (reset || scanPosition >= total) {
        scanPosition = 0;
        return -1;
    }
    if (scanPosition == 0)
        m_channels.Clear();
    const long frequency = country->m_frequencies[static_cast<size_t>(scanPosition)].m_nFrequency;
    tunedHz = frequency;
    const int position = scanPosition++;
    if (std::find(stations.begin(), stations.end(), frequency) == stations.end())
        return 1;
    tunaro::ChannelRecord record;
    record.m_strName = "New Channel";
    record.m_nFrequency = static_cast<int32_t>(frequency);
    record.m_nChannel = position;
    m_channels.Append(record);
    return 3;
}

int FakeEngine::SetCountry(long code) {
    calls.push_back(Format("SetCountry(%ld)", code));
    countryCode = code;
    return 1;
}

int FakeEngine::SetAudioMode(int on) {
    calls.push_back(Format("SetAudioMode(%d)", on));
    stereo = on;
    return 1;
}

int FakeEngine::GetFrequencyRange(long* maximum, long* minimum) {
    *maximum = highHz;
    *minimum = lowHz;
    return 1;
}

namespace {
const char* const kPictureNames[] = {"Brightness", "Contrast", "Hue", "Saturation", "Sharpness"};
}

int FakeEngine::GetPicture(tunaro::PictureProperty control, long* value, long* maximum, long* minimum,
                           long* defaultValue) {
    const size_t i = static_cast<size_t>(control);
    *value = picture[i];
    *maximum = 255;
    *minimum = 0;
    *defaultValue = defaults[i];
    return 1;
}

int FakeEngine::SetPicture(tunaro::PictureProperty control, long value) {
    const size_t i = static_cast<size_t>(control);
    picture[i] = value;
    pictureCalls.push_back(Format("%s=%ld", kPictureNames[i], value));
    return 1;
}

FakeHost::FakeHost(const std::string& dir, tunaro::LanguageMode mode)
    : language(mode), programTxt(dir + "\\program.txt"), tunaroIni(dir + "\\Tunaro.ini") {
    settings.strImagePath = dir + "\\Image";
    settings.strVideoPath = dir + "\\Video";
}

void FakeHost::SendPanelCommand(unsigned id) {
    panelCommands.emplace_back(id, scanning);
}

void FakeHost::AddChannels(int count) {
    for (int i = 0; i < count; ++i) {
        tunaro::ChannelRecord record;
        record.m_strName = Format("Name %d", i);
        record.m_nFrequency = 100000000 + i * 10000000;
        record.m_nChannel = i + 1;
        channels.Append(record);
    }
}

void FakeHost::AddCountry(const std::string& name, long code, const std::vector<long>& frequencies) {
    tunaro::CountryEntry entry;
    entry.m_strName = name;
    entry.m_nCountryCode = code;
    entry.m_nChannelLow = 1;
    for (size_t i = 0; i < frequencies.size(); ++i) {
        tunaro::ChannelRecord record;
        record.m_strName = Format("Channel %d", static_cast<int>(i) + 1);
        record.m_nFrequency = static_cast<int32_t>(frequencies[i]);
        record.m_nChannel = static_cast<int32_t>(i) + 1;
        entry.m_frequencies.push_back(record);
    }
    countries.Append(entry);
}

} // namespace dlgtest
