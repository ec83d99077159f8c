// The channel list file "program.txt": its text written from a list. The reader
// (ParseProgramText) is framework/program_text.h, shared with the scheduler. File access lives
// in channel_files.h; this part is pure text.
#pragma once

#include "framework/program_text.h"
#include "tv/channel_list.h"

#include <string>

namespace tunaro {

// One block per record, in list order, lines ending in "\n":
//   Name: <name>  Freq: <Hz>  Chan: <number>  AudioChannels:<effective mode>  Check:<flag>
// Names are written as StoredChannelName gives them, so no name runs into a line of its own.
std::string FormatProgramText(const ChannelList& list, long cardType);

} // namespace tunaro
