// Reader of the country frequency table's text and the table with its current country.
#include "tv/country_table.h"

#include "tv/text_pieces.h"

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
bool KeyValue(std::string_view line, std::string_view key, long& value) {
    std::size_t at = FindNoCase(line, key);
    if (at == std::string_view::npos)
        return false;
    value = ParseLong(line.substr(at + key.size()));
    return true;
}

} // namespace

std::vector<CountryEntry> ParseCountryTable(std::string_view text) {
    std::vector<CountryEntry> out;
    bool inSection = false;
    CountryEntry entry;
    long position = 0;
    TextPieces pieces(text, kCountryLineMax);
    std::string line;
    while (pieces.Next(line)) {
        CutAtComment(line);
        std::string_view l(line);

        std::size_t open = l.find('[');
        std::size_t close = open == std::string_view::npos ? open : l.find(']', open + 1);
        if (close != std::string_view::npos) {
            if (inSection)
                out.push_back(std::move(entry));
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

        long value = 0;
        if (KeyValue(l, "ChannelLow=", value)) {
            entry.m_lChannelLow = value;
        } else if (KeyValue(l, "ChannelHigh=", value)) {
            entry.m_lChannelHigh = value;
        } else if (FindNoCase(l, "Format=") != std::string_view::npos) {
            // the broadcast standard, for people reading the file
        } else if (KeyValue(l, "CountryCode=", value)) {
            entry.m_lCountryCode = value;
        } else {
            std::size_t digit = l.find_first_of("0123456789");
            if (digit == std::string_view::npos)
                continue;
            long frequency = ParseLong(l.substr(digit));
            if (frequency != 0) {
                ChannelRecord r;
                r.m_nChannel = static_cast<int32_t>(entry.m_lChannelLow + position);
                r.m_strName = Format("Channel %d", static_cast<int>(r.m_nChannel));
                r.m_nFrequency = static_cast<int32_t>(frequency);
                r.m_nEnabled = 1;
                r.m_nAudioMode = kAudioStereo;
                entry.m_frequencies.push_back(std::move(r));
            }
            ++position;
        }
    }
    if (inSection)
        out.push_back(std::move(entry));
    return out;
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
