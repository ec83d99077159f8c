// Fuzz target of the FM program's settings file "FMSETTING.ini" read through IniSource: any text
// gives a record path within its limit, what the end of a run writes reads back the same, and no
// value written adds or changes another key of the file.
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/ini_file.h"

#include "fm/fm_settings_file.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace tunaro;
using fuzzini::IniFile;

namespace {

const char kProgramDir[] = "C:\\Program Files\\Tunaro";

bool SameState(const fm::FmSettings& a, const fm::FmSettings& b) {
    return a.lSense == b.lSense && a.lRecordType == b.lRecordType && a.strRecordPath == b.strRecordPath &&
           a.lCurrentIndex == b.lCurrentIndex && a.lPreChannelIndex == b.lPreChannelIndex;
}

// The keys the program reads elsewhere (the setting pages), which the end of a run leaves alone.
struct OtherKeys {
    int32_t flag, freqSpace, sense, recordType;
    explicit OtherKeys(const IniFile& f)
        : flag(f.ReadInt("CloseComputer", "Flag", -7)), freqSpace(f.ReadInt("FreqSetting", "freqspace", -7)),
          sense(f.ReadInt("AutoScan", "Sense", -7)), recordType(f.ReadInt("Record", "RecordType", -7)) {}
    bool operator==(const OtherKeys& o) const {
        return flag == o.flag && freqSpace == o.freqSpace && sense == o.sense && recordType == o.recordType;
    }
};

// The end of a run writes the state into the file it was read from; the next start reads it.
void CheckStateRoundTrip(const IniFile& file, const fm::FmSettings& state) {
    IniFile written = file;
    for (const IniValue& v : fm::FmSettingsWrites(state))
        written.Write(v);
    FUZZ_CHECK(SameState(fm::ReadFmSettings(written, kProgramDir), state));
    const IniFile reread(written.Text());
    FUZZ_CHECK(SameState(fm::ReadFmSettings(reread, kProgramDir), state));
    FUZZ_CHECK(OtherKeys(reread) == OtherKeys(file));
}

// A record directory the user chose, with the stations, written into an empty file: the file
// then holds those three keys, and a path the reader can hold comes back as it was.
void CheckWrittenPath(std::string_view path, int32_t current, int32_t previous) {
    fm::FmSettings s;
    s.strRecordPath = std::string(path);
    s.lCurrentIndex = current;
    s.lPreChannelIndex = previous;
    IniFile file;
    for (const IniValue& v : fm::FmSettingsWrites(s))
        file.Write(v);
    const IniFile reread(file.Text());
    const fm::FmSettings back = fm::ReadFmSettings(reread, kProgramDir);
    FUZZ_CHECK(back.strRecordPath.size() <= fm::kFmRecordPathMax);
    FUZZ_CHECK(back.lCurrentIndex == current);
    FUZZ_CHECK(back.lPreChannelIndex == previous);
    FUZZ_CHECK(back.lSense == 0 && back.lRecordType == 0);
    FUZZ_CHECK(reread.ReadInt("CloseComputer", "Flag", -7) == -7);
    const std::size_t line = path.find_first_of(std::string_view("\r\n\0", 3));
    const std::string_view firstLine = path.substr(0, line);
    if (firstLine.size() <= fm::kFmRecordPathMax && !firstLine.empty())
        FUZZ_CHECK(back.strRecordPath == firstLine);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const IniFile file(text);

    const fm::FmSettings state = fm::ReadFmSettings(file, kProgramDir);
    FUZZ_CHECK(!state.strRecordPath.empty());
    FUZZ_CHECK(state.strRecordPath.size() <= fm::kFmRecordPathMax);
    CheckStateRoundTrip(file, state);

    // Every line of the input as a directory chosen by the user, with station numbers from it.
    std::size_t start = 0;
    for (int lines = 0; start <= text.size() && lines < 16; ++lines) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(start, end - start);
        int32_t current = 0;
        for (char c : line)
            current =
                static_cast<int32_t>(static_cast<uint32_t>(current) * 31u + static_cast<unsigned char>(c));
        CheckWrittenPath(line, current, lines % 2 ? -current : lines);
        start = end + 1;
    }
    return 0;
}
