// Loading and saving the channel list file "program.txt" and loading the country table
// "CHANNEL.TXT", both in the Windows system directory.
#pragma once

#include "tv/channel_list.h"
#include "tv/country_table.h"

#include <string>

namespace tunaro {

// Empties the list's records and appends one per block of the file. -1 when the file cannot
// be opened (the list stays empty), else 1. The current and previous index are not touched.
long LoadChannelList(ChannelList& list, const std::string& path);

// Writes every record, replacing the file as a whole; the audio value written is the one the
// card family actually uses. 1 on success; 0 when the file could not be written, in which case
// the previous file is left as it was.
long SaveChannelList(const ChannelList& list, const std::string& path, long cardType);

// Replaces the table by the sections of the file (current country back to 0). False, with an
// empty table, when the file cannot be read.
bool LoadCountryTable(CountryTable& table, const std::string& path);

} // namespace tunaro
