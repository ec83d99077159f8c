// Fuzz target of the channel list file "program.txt": any bytes read as the file must load
// without a memory or arithmetic fault, and what was read must survive being written and read
// again unchanged. The scheduler reads the same bytes into the same channels, position for
// position. Every line of the input is also tried as a channel name typed by the user, with a
// frequency taken from the input, and the list must read back exactly as it was held.
#include "tests/fuzz/fuzz_check.h"

#include "schedule/channel_reader.h"
#include "tv/channel_list.h"
#include "tv/program_file.h"
#include "framework/text_pieces.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

using namespace tunaro;

namespace {

// The one card family whose written audio value is the record's own.
constexpr long kOwnAudioFamily = 2;

bool SameRecord(const ChannelRecord& a, const ChannelRecord& b) {
    return a.m_strName == b.m_strName && a.m_nFrequency == b.m_nFrequency && a.m_nChannel == b.m_nChannel &&
           a.m_nEnabled == b.m_nEnabled && a.m_nAudioMode == b.m_nAudioMode;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// A name as the reader hands it out: never empty, never padded, never holding what ends a
// line or starts a comment, never longer than a line can carry after its key.
void CheckReadName(const std::string& name) {
    FUZZ_CHECK(!name.empty());
    FUZZ_CHECK(!IsSpace(name.front()) && !IsSpace(name.back()));
    FUZZ_CHECK(name.find_first_of(std::string(";\n\0", 3)) == std::string::npos);
    FUZZ_CHECK(name.size() <= kChannelNameMax);
}

std::vector<ChannelRecord> ReadFileText(std::string_view bytes) {
    std::vector<ChannelRecord> records;
    ParseProgramText(TextModeToLf(bytes), records);
    return records;
}

std::string WrittenFile(const ChannelList& list) {
    return LfToTextMode(FormatProgramText(list, kOwnAudioFamily));
}

// Four input bytes from at (zero past the end) as a signed 32-bit value.
int32_t Take32(std::string_view bytes, std::size_t at) {
    uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i)
        v = (v << 8) | (at + i < bytes.size() ? static_cast<uint8_t>(bytes[at + i]) : 0u);
    int32_t out;
    std::memcpy(&out, &v, sizeof out);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // The file as the program reads it, then written back and read again.
    std::vector<ChannelRecord> records;
    const bool taken = ParseProgramText(TextModeToLf(bytes), records);
    FUZZ_CHECK(records.size() <= kChannelListMax);
    if (!taken)
        FUZZ_CHECK(records.empty());
    ChannelList list;
    for (const ChannelRecord& r : records) {
        CheckReadName(r.m_strName);
        FUZZ_CHECK(r.m_nFrequency != -1);
        list.Append(r);
    }
    // The scheduler numbers the channels as the TV does: a task for position N is channel N.
    const std::vector<ScheduleChannel> planned = ParseScheduleChannels(bytes);
    FUZZ_CHECK(planned.size() == records.size());
    for (std::size_t i = 0; i < planned.size(); ++i) {
        FUZZ_CHECK(planned[i].name == records[i].m_strName);
        FUZZ_CHECK(planned[i].number == records[i].m_nChannel);
        FUZZ_CHECK(planned[i].active == (records[i].m_nEnabled != 0));
    }

    const std::vector<ChannelRecord> again = ReadFileText(WrittenFile(list));
    FUZZ_CHECK(again.size() == records.size());
    for (std::size_t i = 0; i < records.size(); ++i)
        FUZZ_CHECK(SameRecord(again[i], records[i]));

    // Each input line as a name the user typed: the list keeps it as the file will give it back.
    ChannelList typed;
    std::size_t start = 0;
    while (start < bytes.size() && typed.Count() < 64) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos)
            end = bytes.size();
        // Any frequency the list may be handed (the engine and the scan store theirs too); one
        // the file cannot give back is refused, and the record keeps what it had.
        const int32_t frequency = Take32(bytes, start);
        ChannelRecord r;
        r.m_nFrequency = frequency;
        r.m_nChannel = static_cast<int32_t>(typed.Count());
        r.m_strName = std::string(bytes.substr(start, end - start));
        const bool appended = typed.Append(r);
        FUZZ_CHECK(appended == (frequency != kNoChannelFrequency));
        if (!appended) {
            r.m_nFrequency = static_cast<int32_t>(start);
            FUZZ_CHECK(typed.Append(r));
        }
        const long last = typed.Count() - 1;
        typed.SetName(last, std::string(bytes.substr(start, end - start)));
        const int32_t before = typed.Frequency(last);
        const int32_t next = Take32(bytes, end);
        FUZZ_CHECK(typed.SetFrequency(last, next) == (next != kNoChannelFrequency));
        FUZZ_CHECK(typed.Frequency(last) == (next != kNoChannelFrequency ? next : before));
        start = end + 1;
    }
    const std::vector<ChannelRecord> typedBack = ReadFileText(WrittenFile(typed));
    FUZZ_CHECK(static_cast<long>(typedBack.size()) == typed.Count());
    for (std::size_t i = 0; i < typedBack.size(); ++i) {
        CheckReadName(typed.At(static_cast<long>(i))->m_strName);
        FUZZ_CHECK(SameRecord(typedBack[i], *typed.At(static_cast<long>(i))));
    }
    return 0;
}
