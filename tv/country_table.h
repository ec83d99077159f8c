// The country table read from "CHANNEL.TXT": per country or region its tuner country code,
// its channel numbering and the frequencies an automatic scan tries, plus the current country.
#pragma once

#include "tv/channel_list.h"

#include <string>
#include <string_view>
#include <vector>

namespace tunaro {

// Most characters one read piece of the table holds.
constexpr std::size_t kCountryLineMax = 127;
// Most countries a table holds and most frequency lines (zeros included) one country holds;
// the shipped table has a tenth of either. A table beyond them is refused as a whole.
constexpr std::size_t kCountryTableMax = 256;
constexpr std::size_t kCountryChannelsMax = 1000;

struct CountryEntry {
    std::string m_strName;                    // the text between "[" and "]"
    int32_t m_nCountryCode = 0;               // telephone-style code handed to the tuner
    int32_t m_nChannelLow = 0;                // channel number of the first frequency line
    int32_t m_nChannelHigh = 0;               // kept for readers of the file; numbering does not use it
    std::vector<ChannelRecord> m_frequencies; // "Channel %d", Hz, enabled, stereo
};

// Reads the sections of the table's text ("\n" line ends) into entries, replacing what entries
// held. ";" starts a comment. A line with text before the first section ends reading. Inside a
// section "ChannelLow=", "ChannelHigh=" and "CountryCode=" set the fields, "Format=" lines are
// skipped, and every other line with a digit is a frequency line: its number (from the first
// digit) is appended unless it is 0, numbered ChannelLow + the count of frequency lines before
// it, zeros included (numbers stop at the 32-bit limit rather than wrap). False, with no
// entries, when the text holds more than kCountryTableMax countries or a country more than
// kCountryChannelsMax frequency lines.
bool ParseCountryTable(std::string_view text, std::vector<CountryEntry>& entries);

class CountryTable {
public:
    long Count() const { return static_cast<long>(m_entries.size()); }
    bool Empty() const { return m_entries.empty(); }
    const CountryEntry* At(long index) const;
    // The current country, or null when the table is empty.
    const CountryEntry* Current() const { return At(m_lCurrentIndex); }
    long CurrentIndex() const { return m_lCurrentIndex; }
    // Makes index current; false (and no change) when it names no entry.
    bool SetCurrentIndex(long index);
    // Makes the country of a stored setting current; a value that names no entry (a table
    // that lost sections since) falls back to the first one. Returns the index taken.
    long SelectFromSetting(long storedIndex);

    void Clear();
    void Append(CountryEntry entry) { m_entries.push_back(std::move(entry)); }
    // Replaces the whole table by the entries read from text; the current index goes to 0.
    void Assign(std::vector<CountryEntry> entries);

private:
    std::vector<CountryEntry> m_entries;
    long m_lCurrentIndex = 0;
};

} // namespace tunaro
