// Fuzz target of the country frequency table "CHANNEL.TXT": any bytes read as the file give a
// table within its limits, with frequencies that are never 0 and channels named by their own
// numbers, and a current country that is always one of the table's.
#include "tests/fuzz/fuzz_check.h"

#include "tv/country_table.h"
#include "framework/text_pieces.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using namespace tunaro;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::vector<CountryEntry> entries;
    const bool taken = ParseCountryTable(TextModeToLf(bytes), entries);
    FUZZ_CHECK(taken || entries.empty());
    FUZZ_CHECK(entries.size() <= kCountryTableMax);
    for (const CountryEntry& c : entries) {
        FUZZ_CHECK(c.m_frequencies.size() <= kCountryChannelsMax);
        FUZZ_CHECK(c.m_strName.find_first_of(std::string("\n;\0", 3)) == std::string::npos);
        for (const ChannelRecord& r : c.m_frequencies) {
            FUZZ_CHECK(r.m_nFrequency != 0);
            FUZZ_CHECK(r.m_strName == "Channel " + std::to_string(r.m_nChannel));
            FUZZ_CHECK(r.m_nEnabled == 1 && r.m_nAudioMode == kAudioStereo);
        }
    }

    // The stored country setting may name anything: the current country is always a real one.
    CountryTable table;
    table.Assign(entries);
    const long stored = size >= 4 ? long(int32_t(uint32_t(data[0]) | uint32_t(data[1]) << 8 |
                                                 uint32_t(data[2]) << 16 | uint32_t(data[3]) << 24))
                                  : 0;
    const long index = table.SelectFromSetting(stored);
    if (table.Empty()) {
        FUZZ_CHECK(table.Current() == nullptr);
    } else {
        FUZZ_CHECK(index >= 0 && index < table.Count());
        FUZZ_CHECK(table.Current() == table.At(index));
    }
    return 0;
}
