// Fuzz target of the FM station list "FmProgram.txt": any bytes read as the file must load
// without a memory or arithmetic fault, give names a caller's 256-byte copy can hold, and survive
// being written and read again unchanged. The list's operations by index and the scan's rules
// are driven with numbers taken from the input.
#include "tests/fuzz/fuzz_check.h"

#include "engine/fm_stations.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

using namespace tunaro;

namespace {

bool SameStations(const std::vector<FmStation>& a, const std::vector<FmStation>& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].name != b[i].name || a[i].frequency != b[i].frequency || a[i].channel != b[i].channel)
            return false;
    return true;
}

void CheckReadName(const std::string& name) {
    FUZZ_CHECK(!name.empty());
    FUZZ_CHECK(name.size() <= kFmNameMax);
    FUZZ_CHECK(name.find_first_of(std::string(";\r\n\0", 4)) == std::string::npos);
}

int32_t Take32(const uint8_t* data, size_t size, size_t at) {
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i)
        v = (v << 8) | (at + i < size ? data[at + i] : 0u);
    int32_t out;
    std::memcpy(&out, &v, sizeof out);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    // The file as the library reads it, written back and read again.
    const std::vector<FmStation> read = ParseFmProgram(text);
    for (const FmStation& s : read)
        CheckReadName(s.name);
    const std::string written = FormatFmProgram(read);
    const std::vector<FmStation> again = ParseFmProgram(written);
    FUZZ_CHECK(SameStations(read, again));
    FUZZ_CHECK(FormatFmProgram(again) == written);

    // The list's operations by index, with indexes and values from the input: a refused index
    // changes nothing, a name set is read back within the bound and survives the file.
    FmStationList list;
    list.Assign(read);
    const int32_t index = Take32(data, size, 0);
    const int32_t value = Take32(data, size, 4);
    const size_t before = list.Stations().size();
    const bool valid = list.Valid(index);
    FUZZ_CHECK(list.SetFrequency(index, value) == valid);
    FUZZ_CHECK(list.SetChannel(index, value) == valid);
    FUZZ_CHECK(list.SetName(index, text) == valid);
    if (valid) {
        FUZZ_CHECK(list.Frequency(index) == value);
        FUZZ_CHECK(list.Name(index).size() <= kFmNameMax);
    } else {
        FUZZ_CHECK(list.Name(index).empty() && list.Frequency(index) == 0 && list.Channel(index) == 0);
    }
    list.Add(text, value);
    FUZZ_CHECK(list.Stations().size() == before + 1);
    FUZZ_CHECK(list.Name(static_cast<int>(before)).size() <= kFmNameMax);
    // Whatever the list was handed, its file gives it back exactly.
    FUZZ_CHECK(SameStations(ParseFmProgram(FormatFmProgram(list.Stations())), list.Stations()));
    const bool deletable = list.Valid(index);
    const size_t count = list.Stations().size();
    FUZZ_CHECK(list.Delete(index) == deletable);
    FUZZ_CHECK(list.Stations().size() == count - (deletable ? 1 : 0));

    // The scan's rules on any readings and frequencies.
    const int progress = FmScanProgress(value);
    FUZZ_CHECK(progress >= 0 && progress <= 100);
    const int mode = static_cast<int>(static_cast<uint32_t>(index) % 5u);
    const bool detects = FmScanDetects(mode, Take32(data, size, 8), Take32(data, size, 12), value);
    FUZZ_CHECK(mode <= 2 || !detects);
    (void)FmScanStationName(value);
    (void)ParseFrequencyList(text);
    return 0;
}
