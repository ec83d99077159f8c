// The scheduler's view of the TV channel list file ("program.txt"): of each channel only the
// name, its number and whether it is active, which is all the task list and wizard show. The
// file is read by the TV application's own reader, so a channel's position (what a task keeps
// and the TV selects by) and its name are the same in both programs.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tunaro {

struct ScheduleChannel {
    std::string name;
    long number = 0;
    bool active = true;
};

// The channels of a program.txt file's bytes, in file order: exactly the records the TV
// application loads from them (none when it would refuse the file).
std::vector<ScheduleChannel> ParseScheduleChannels(std::string_view fileBytes);

// Reads the file; false (and no channels) when it cannot be opened or read.
bool ReadScheduleChannels(const std::string& path, std::vector<ScheduleChannel>& channels);

// The channel combo's entry text: "[%ld]%s" with the number and the name.
std::string ChannelComboText(const ScheduleChannel& channel);

} // namespace tunaro
