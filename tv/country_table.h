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

struct CountryEntry {
    std::string m_strName;                    // the text between "[" and "]"
    long m_lCountryCode = 0;                  // telephone-style code handed to the tuner
    long m_lChannelLow = 0;                   // channel number of the first frequency line
    long m_lChannelHigh = 0;                  // kept for readers of the file; numbering does not use it
    std::vector<ChannelRecord> m_frequencies; // "Channel %d", Hz, enabled, stereo
};

// Reads the sections of the table's text ("\n" line ends). ";" starts a comment. A line with
// text before the first section ends reading. Inside a section "ChannelLow=", "ChannelHigh="
// and "CountryCode=" set the fields, "Format=" lines are skipped, and every other line with a
// digit is a frequency line: its number (from the first digit) is appended unless it is 0,
// numbered ChannelLow + the count of frequency lines before it, zeros included.
std::vector<CountryEntry> ParseCountryTable(std::string_view text);

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
