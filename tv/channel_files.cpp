// File side of the channel list and the country table: text-mode line ends on the disk and
// whole-file replacement when the list is saved.
#include "tv/channel_files.h"

#include "framework/file_replace.h"
#include "tv/program_file.h"
#include "framework/text_pieces.h"

#include "framework/format.h"

#include <vector>

namespace tunaro {

long LoadChannelList(ChannelList& list, const std::string& path) {
    list.Clear();
    std::string bytes;
    std::vector<ChannelRecord> records;
    if (!ReadFileBytes(path, bytes) || !ParseProgramFileBytes(bytes, records)) {
        // Only a file that is not there may be replaced by whatever the list becomes.
        list.SetLoadRefused(FileExists(path));
        return -1;
    }
    for (ChannelRecord& r : records)
        list.Append(std::move(r));
    return 1;
}

long SaveChannelList(const ChannelList& list, const std::string& path, long cardType) {
    if (list.LoadRefused())
        return 0;
    return WriteFileReplacing(path, LfToTextMode(FormatProgramText(list, cardType))) ? 1 : 0;
}

bool LoadCountryTable(CountryTable& table, const std::string& path) {
    table.Clear();
    std::string bytes;
    std::vector<CountryEntry> entries;
    if (!ReadFileBytes(path, bytes) || !ParseCountryTable(TextModeToLf(bytes), entries))
        return false;
    table.Assign(std::move(entries));
    return true;
}

std::string LoadChannelFiles(ChannelList& list, CountryTable& table, const std::string& programTxt,
                             const std::string& channelTxt, bool chineseMode) {
    std::string message;
    if (LoadChannelList(list, programTxt) != 1 && list.LoadRefused()) {
        message +=
            chineseMode
                ? Format("无法读取频道列表“%s”（文件可能正被其他程序使用、已损坏，或超过 %ld 个频道）。"
                         "本次运行不会改写该文件。",
                         programTxt.c_str(), kChannelListMax)
                : Format("The channel list \"%s\" could not be read (another program may be using it, "
                         "it may be damaged, or it holds more than %ld channels). It is left as it is "
                         "and will not be written in this session.",
                         programTxt.c_str(), kChannelListMax);
    }
    if (!LoadCountryTable(table, channelTxt) && FileExists(channelTxt)) {
        if (!message.empty())
            message += "\n\n";
        message +=
            chineseMode
                ? Format("无法读取频率表“%s”（文件可能已损坏，或国家、频道过多）。自动搜台没有可试的频率。",
                         channelTxt.c_str())
                : Format("The frequency table \"%s\" could not be read (it may be damaged, or "
                         "hold too many countries or channels). The automatic scan has no "
                         "frequencies to try.",
                         channelTxt.c_str());
    }
    return message;
}

void SelectStoredCountryAndChannel(ChannelList& list, CountryTable& table, const IniSource& tunaroIni,
                                   const std::function<void(long countryCode)>& setCountry,
                                   const std::function<void(long index)>& tune) {
    if (!table.Empty()) {
        table.SelectFromSetting(ReadCountryIndex(tunaroIni));
        if (setCountry)
            setCountry(table.Current()->m_nCountryCode);
    }
    if (!list.Empty()) {
        // A stored index the list no longer has (or a negative one) starts on the first channel.
        long index = list.CurrentIndex();
        list.SelectChannel(list.IsValidIndex(index) ? index : 0, tune);
    }
}

} // namespace tunaro
