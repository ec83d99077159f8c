// Reader of the country frequency table's text and the table with its current country.
#include "tv/country_table.h"

#include "framework/text_pieces.h"

#include "framework/format.h"

#include <utility>

namespace tunaro {

namespace {

bool IsBlankLine(std::string_view l) {
    for (char c : l) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\v' && c != '\f')
            return false;
    }
    return true;
}

// The value after key when the line holds it, else false.
bool KeyValue(std::string_view line, std::string_view key, int32_t& value) {
    std::size_t at = FindNoCase(line, key);
    if (at == std::string_view::npos)
        return false;
    value = ParseInt32(line.substr(at + key.size()));
    return true;
}

// ChannelLow + position, held at the 32-bit limits.
int32_t ChannelNumber(int32_t low, std::size_t position) {
    const int64_t n = int64_t{low} + static_cast<int64_t>(position);
    return n > INT32_MAX ? INT32_MAX : static_cast<int32_t>(n);
}

} // namespace

bool ParseCountryTable(std::string_view text, std::vector<CountryEntry>& entries) {
    entries.clear();
    bool inSection = false;
    bool tooMuch = false;
    CountryEntry entry;
    std::size_t position = 0;
    TextPieces pieces(text, kCountryLineMax);
    std::string line;
    while (!tooMuch && pieces.Next(line)) {
        CutAtComment(line);
        std::string_view l(line);

        std::size_t open = l.find('[');
        std::size_t close = open == std::string_view::npos ? open : l.find(']', open + 1);
        if (close != std::string_view::npos) {
            if (inSection)
                entries.push_back(std::move(entry));
            tooMuch = entries.size() >= kCountryTableMax;
            entry = CountryEntry();
            entry.m_strName = std::string(l.substr(open + 1, close - open - 1));
            inSection = true;
            position = 0;
            continue;
        }
        if (IsBlankLine(l))
            continue;
        if (!inSection)
            break; // text before the first section: not a table this reader knows

        int32_t value = 0;
        if (KeyValue(l, "ChannelLow=", value)) {
            entry.m_nChannelLow = value;
        } else if (KeyValue(l, "ChannelHigh=", value)) {
            entry.m_nChannelHigh = value;
        } else if (FindNoCase(l, "Format=") != std::string_view::npos) {
            // the broadcast standard, for people reading the file
        } else if (KeyValue(l, "CountryCode=", value)) {
            entry.m_nCountryCode = value;
        } else {
            std::size_t digit = l.find_first_of("0123456789");
            if (digit == std::string_view::npos)
                continue;
            tooMuch = position >= kCountryChannelsMax;
            int32_t frequency = ParseInt32(l.substr(digit));
            if (frequency != 0 && !tooMuch) {
                ChannelRecord r;
                r.m_nChannel = ChannelNumber(entry.m_nChannelLow, position);
                r.m_strName = Format("Channel %d", static_cast<int>(r.m_nChannel));
                r.m_nFrequency = frequency;
                r.m_nEnabled = 1;
                r.m_nAudioMode = kAudioStereo;
                entry.m_frequencies.push_back(std::move(r));
            }
            ++position;
        }
    }
    if (tooMuch) {
        entries.clear();
        return false;
    }
    if (inSection)
        entries.push_back(std::move(entry));
    return true;
}

const CountryEntry* CountryTable::At(long index) const {
    if (index < 0 || index >= Count())
        return nullptr;
    return &m_entries[static_cast<std::size_t>(index)];
}

bool CountryTable::SetCurrentIndex(long index) {
    if (index < 0 || index >= Count())
        return false;
    m_lCurrentIndex = index;
    return true;
}

long CountryTable::SelectFromSetting(long storedIndex) {
    if (!SetCurrentIndex(storedIndex))
        m_lCurrentIndex = 0;
    return m_lCurrentIndex;
}

void CountryTable::Clear() {
    m_entries.clear();
    m_lCurrentIndex = 0;
}

void CountryTable::Assign(std::vector<CountryEntry> entries) {
    m_entries = std::move(entries);
    m_lCurrentIndex = 0;
}

} // namespace tunaro
