// The channel list file "program.txt": its text written from a list and a list read back from
// its text. File access lives in channel_files.h; this part is pure text.
#pragma once

#include "tv/channel_list.h"

#include <string>
#include <string_view>
#include <vector>

namespace tunaro {

// Most characters of a name that are written; longer names are cut.
constexpr std::size_t kProgramNameMax = 255;
// Most characters one read piece holds (a longer line is read as several lines).
constexpr std::size_t kProgramLineMax = 254;
// The name a record read without one gets.
constexpr const char* kEmptyChannelName = "Empty";

// One block per record, in list order, lines ending in "\n":
//   Name: <name>  Freq: <Hz>  Chan: <number>  AudioChannels:<effective mode>  Check:<flag>
std::string FormatProgramText(const ChannelList& list, long cardType);

// Reads the blocks of the file's text ("\n" line ends). Keys are matched at the start of a
// line whatever their case, ";" starts a comment, unknown lines are skipped. A block without
// a Freq line is dropped; Chan, Check and AudioChannels carry over from the block before
// when missing (Chan counts up by one per name).
std::vector<ChannelRecord> ParseProgramText(std::string_view text);

} // namespace tunaro
