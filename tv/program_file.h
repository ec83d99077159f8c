// The channel list file "program.txt": its text written from a list and a list read back from
// its text. File access lives in channel_files.h; this part is pure text.
#pragma once

#include "tv/channel_list.h"

#include <string>
#include <string_view>
#include <vector>

namespace tunaro {

// Most characters one read piece holds (a longer line is read as several lines). A name line,
// "Name: " and the longest name, fits in one piece.
constexpr std::size_t kProgramLineMax = 254;
static_assert(kChannelNameMax + 6 == kProgramLineMax, "a written name line is read back whole");

// One block per record, in list order, lines ending in "\n":
//   Name: <name>  Freq: <Hz>  Chan: <number>  AudioChannels:<effective mode>  Check:<flag>
// Names are written as StoredChannelName gives them, so no name runs into a line of its own.
std::string FormatProgramText(const ChannelList& list, long cardType);

// Reads the blocks of the file's text ("\n" line ends) into records, replacing what records
// held. Keys are matched at the start of a line whatever their case, ";" starts a comment,
// unknown lines are skipped. A block without a Freq line is dropped; Chan, Check and
// AudioChannels carry over from the block before when missing (Chan counts up by one per name).
// Names come out as StoredChannelName makes them. False, with no records, when the text holds
// more than kChannelListMax channels.
bool ParseProgramText(std::string_view text, std::vector<ChannelRecord>& records);

} // namespace tunaro
