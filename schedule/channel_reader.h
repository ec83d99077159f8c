// The scheduler's own reading of the TV channel list file ("program.txt"): of each channel only
// the name, its number and whether it is active, which is all the task list and wizard show.
#pragma once

#include <string>
#include <vector>

namespace tunaro {

struct ScheduleChannel {
    std::string name;
    long number = 0;
    bool active = true;
};

// The channels of a program.txt text, in file order. A channel block begins at "Name:"; it is
// kept only when it names a frequency ("Freq:" or "Freq2:"). Keys are matched at the start of a
// line whatever their case; anything after ";" on a line is a comment.
std::vector<ScheduleChannel> ParseScheduleChannels(const std::string& text);

// Reads the file; false (and no channels) when it cannot be opened or read.
bool ReadScheduleChannels(const std::string& path, std::vector<ScheduleChannel>& channels);

// The channel combo's entry text: "[%ld]%s" with the number and the name.
std::string ChannelComboText(const ScheduleChannel& channel);

} // namespace tunaro
