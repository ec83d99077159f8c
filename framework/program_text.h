// The TV channel list file "program.txt" as every program reads it: the channel record, the
// way a name is kept, and the reader of the file's text. The TV application edits and writes
// the list; the scheduler only reads it, by these same rules, so that channel N is the same
// channel in both. Pure text, no Windows headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tunaro {

constexpr int32_t kAudioStereo = 0;
constexpr int32_t kAudioMono = 1; // also: second language

// Most characters of a channel name: what one line of the channel file carries after its
// "Name: " key, so that every name reads back the way it was written.
constexpr std::size_t kChannelNameMax = 248;
// The name of a channel that has none.
constexpr const char* kEmptyChannelName = "Empty";
// Most channels a list holds. Far more than any frequency table offers; a channel file with
// more is refused as a whole rather than loaded in part.
constexpr long kChannelListMax = 1000;
// The frequency that stands for "none" in the file: a block reading it is no channel, so no
// list stores it (it would be written and then lost on the next load).
constexpr int32_t kNoChannelFrequency = -1;

// Most characters one read piece holds (a longer line is read as several lines). A name line,
// "Name: " and the longest name, fits in one piece.
constexpr std::size_t kProgramLineMax = 254;
static_assert(kChannelNameMax + 6 == kProgramLineMax, "a written name line is read back whole");

// A name the way the channel file keeps it: cut at the first ';' (a comment in the file), line
// feed or NUL, blanks trimmed at both ends, at most kChannelNameMax characters, kEmptyChannelName
// when nothing is left. Lists store every name this way, so a name shows now what it will
// show after the next start.
std::string StoredChannelName(std::string_view name);

// One TV channel. The frequency is in hertz; "enabled" is the Check flag of the channel file.
struct ChannelRecord {
    std::string m_strName;
    int32_t m_nFrequency = 0;
    int32_t m_nChannel = 0;
    int32_t m_nEnabled = 1;
    int32_t m_nAudioMode = kAudioStereo;
};

// Reads the blocks of the file's text ("\n" line ends) into records, replacing what records
// held. Keys are matched at the start of a line whatever their case, ";" starts a comment,
// unknown lines are skipped. A block without a Freq line (or with kNoChannelFrequency) is
// dropped; Chan, Check and AudioChannels carry over from the block before when missing (Chan
// counts up by one per name). Names come out as StoredChannelName makes them. False, with no
// records, when the text holds more than kChannelListMax channels.
bool ParseProgramText(std::string_view text, std::vector<ChannelRecord>& records);

// The records of the file's bytes as they lie on the disk (CR LF line ends, as a text-mode
// read sees them); the same result as ParseProgramText.
bool ParseProgramFileBytes(std::string_view bytes, std::vector<ChannelRecord>& records);

} // namespace tunaro
