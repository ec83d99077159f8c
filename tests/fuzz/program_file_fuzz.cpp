// Fuzz target of the channel list file "program.txt": any bytes read as the file must load
// without a memory or arithmetic fault, and what was read must survive being written and read
// again unchanged. Every line of the input is also tried as a channel name typed by the user.
#include "fuzz_check.h"

#include "tv/channel_list.h"
#include "tv/program_file.h"
#include "tv/text_pieces.h"

#include <cstddef>
#include <cstdint>
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
        ChannelRecord r;
        r.m_nFrequency = static_cast<int32_t>(start);
        r.m_nChannel = static_cast<int32_t>(typed.Count());
        r.m_strName = std::string(bytes.substr(start, end - start));
        typed.Append(r);
        typed.SetName(typed.Count() - 1, std::string(bytes.substr(start, end - start)));
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
