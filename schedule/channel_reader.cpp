// program.txt as the scheduler reads it: through the reader the TV application loads it with.
#include "schedule/channel_reader.h"

#include "framework/file_replace.h"
#include "framework/program_text.h"

namespace tunaro {

std::vector<ScheduleChannel> ParseScheduleChannels(std::string_view fileBytes) {
    std::vector<ChannelRecord> records;
    std::vector<ScheduleChannel> out;
    if (!ParseProgramFileBytes(fileBytes, records)) {
        return out;
    }
    out.reserve(records.size());
    for (const ChannelRecord& r : records) {
        ScheduleChannel channel;
        channel.name = r.m_strName;
        channel.number = r.m_nChannel;
        channel.active = r.m_nEnabled != 0;
        out.push_back(std::move(channel));
    }
    return out;
}

bool ReadScheduleChannels(const std::string& path, std::vector<ScheduleChannel>& channels) {
    channels.clear();
    std::string bytes;
    if (!ReadFileBytes(path, bytes)) {
        return false;
    }
    channels = ParseScheduleChannels(bytes);
    return true;
}

std::string ChannelComboText(const ScheduleChannel& channel) {
    return "[" + std::to_string(channel.number) + "]" + channel.name;
}

} // namespace tunaro
