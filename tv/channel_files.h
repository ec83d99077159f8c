// Loading and saving the channel list file "program.txt" and loading the country table
// "CHANNEL.TXT", both in the Windows system directory.
#pragma once

#include "tv/channel_list.h"
#include "tv/country_table.h"
#include "tv/settings.h"

#include <functional>
#include <string>

namespace tunaro {

// Empties the list's records and appends one per block of the file. -1 when the file cannot
// be taken (the list stays empty), else 1. A file that is there but cannot be read or holds
// more than kChannelListMax channels marks the list LoadRefused, so it is not saved over.
// The current and previous index are not touched.
long LoadChannelList(ChannelList& list, const std::string& path);

// Writes every record, replacing the file as a whole; the audio value written is the one the
// card family actually uses. 1 on success; 0 when nothing was written: the file could not be
// written, or the list is LoadRefused (its file was never taken). The previous file is then
// left as it was.
long SaveChannelList(const ChannelList& list, const std::string& path, long cardType);

// Replaces the table by the sections of the file (current country back to 0). False, with an
// empty table, when the file cannot be read or holds more than the table's limits.
bool LoadCountryTable(CountryTable& table, const std::string& path);

// Preview start, first half: the channel list from programTxt and the country table from
// channelTxt. Either may be missing (the list or the table is then empty); a file that is
// there but could not be taken gives a message for the user, in English or in Chinese. The
// result is empty when there is nothing to tell.
std::string LoadChannelFiles(ChannelList& list, CountryTable& table, const std::string& programTxt,
                             const std::string& channelTxt, bool chineseMode = false);

// Preview start, second half: when the table is not empty, the country stored in "Country"/
// "iCode" (read now) becomes current and its code goes to setCountry; when the list is not
// empty, the list's current index is selected (0 when it names no record) by the selection
// rule, which calls tune.
void SelectStoredCountryAndChannel(ChannelList& list, CountryTable& table, const IniSource& tunaroIni,
                                   const std::function<void(long countryCode)>& setCountry,
                                   const std::function<void(long index)>& tune);

} // namespace tunaro
