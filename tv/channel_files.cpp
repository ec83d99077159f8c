// File side of the channel list and the country table: text-mode line ends on the disk and
// whole-file replacement when the list is saved.
#include "tv/channel_files.h"

#include "framework/file_replace.h"
#include "tv/program_file.h"
#include "tv/text_pieces.h"

namespace tunaro {

long LoadChannelList(ChannelList& list, const std::string& path) {
    list.Clear();
    std::string bytes;
    if (!ReadFileBytes(path, bytes))
        return -1;
    for (ChannelRecord& r : ParseProgramText(TextModeToLf(bytes)))
        list.Append(std::move(r));
    return 1;
}

long SaveChannelList(const ChannelList& list, const std::string& path, long cardType) {
    return WriteFileReplacing(path, LfToTextMode(FormatProgramText(list, cardType))) ? 1 : 0;
}

bool LoadCountryTable(CountryTable& table, const std::string& path) {
    table.Clear();
    std::string bytes;
    if (!ReadFileBytes(path, bytes))
        return false;
    table.Assign(ParseCountryTable(TextModeToLf(bytes)));
    return true;
}

void LoadChannelFiles(ChannelList& list, CountryTable& table, const std::string& programTxt,
                      const std::string& channelTxt) {
    LoadChannelList(list, programTxt);
    LoadCountryTable(table, channelTxt);
}

void SelectStoredCountryAndChannel(ChannelList& list, CountryTable& table, const IniSource& tunaroIni,
                                   const std::function<void(long countryCode)>& setCountry,
                                   const std::function<void(long index)>& tune) {
    if (!table.Empty()) {
        table.SelectFromSetting(ReadCountryIndex(tunaroIni));
        if (setCountry)
            setCountry(table.Current()->m_lCountryCode);
    }
    if (!list.Empty()) {
        // A stored index the list no longer has (or a negative one) starts on the first channel.
        long index = list.CurrentIndex();
        list.SelectChannel(list.IsValidIndex(index) ? index : 0, tune);
    }
}

} // namespace tunaro
