// The process's one ordered channel list (of the records framework/program_text.h reads), with
// the current and the previous channel index and the rule by which a channel is selected.
#pragma once

#include "framework/program_text.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tunaro {

// The audio mode actually used for a record on a card family: only family 2 can switch, so
// its record's own mode counts; family 4 always plays stereo, every other family mono.
int32_t EffectiveAudioMode(int32_t recordMode, long cardType);
inline int32_t EffectiveAudioMode(const ChannelRecord& record, long cardType) {
    return EffectiveAudioMode(record.m_nAudioMode, cardType);
}

// Ordered list of owned records; a record's position is its channel index everywhere
// (scheduler tasks and remote keys carry it). Records keep their address while they are in
// the list, whatever is appended.
class ChannelList {
public:
    ChannelList() = default;
    ChannelList(const ChannelList&) = delete;
    ChannelList& operator=(const ChannelList&) = delete;

    long Count() const { return static_cast<long>(m_records.size()); }
    bool Empty() const { return m_records.empty(); }
    bool IsValidIndex(long index) const { return index >= 0 && index < Count(); }

    // Null when the index is out of range.
    ChannelRecord* At(long index);
    const ChannelRecord* At(long index) const;

    // Names are stored as StoredChannelName gives them. A full list (kChannelListMax records)
    // takes no more: Append and Insert then return false and change nothing. A record with
    // kNoChannelFrequency is refused the same way by Append, Insert, Replace and SetFrequency:
    // the file could not give it back, so every list held here reads back as it was written.
    bool Append(ChannelRecord record);
    // Puts the record at index (0..Count()); false when out of range or full.
    bool Insert(long index, ChannelRecord record);
    // Replaces the record at index by a new one; false when out of range.
    bool Replace(long index, ChannelRecord record);
    bool DeleteAt(long index);
    bool Swap(long a, long b);
    // Removes every record; the current and previous index are kept as they are. An emptied
    // list is the user's own new list, which may be saved (see LoadRefused).
    void Clear() {
        m_records.clear();
        m_boLoadRefused = false;
    }

    // True after a load found the list's file but could not take it (unreadable, locked, too
    // large, too many channels). The list then does not stand for the file and is never saved
    // over it, so the user's channels survive until the file can be read again.
    bool LoadRefused() const { return m_boLoadRefused; }
    void SetLoadRefused(bool refused) { m_boLoadRefused = refused; }

    // Field accessors by index; out of range reads give "" or 0 and writes give false.
    std::string Name(long index) const;
    int32_t Frequency(long index) const;
    int32_t Number(long index) const;
    int32_t Enabled(long index) const;
    int32_t AudioMode(long index) const;
    bool SetName(long index, const std::string& name);
    bool SetFrequency(long index, int32_t frequency);
    bool SetNumber(long index, int32_t number);
    bool SetEnabled(long index, int32_t enabled);
    bool SetAudioMode(long index, int32_t mode);

    long CurrentIndex() const { return m_lCurrentIndex; }
    long PreviousIndex() const { return m_lPreviousIndex; }
    void SetCurrentIndex(long index) { m_lCurrentIndex = index; }
    void SetPreviousIndex(long index) { m_lPreviousIndex = index; }

    // Selects a channel by index, the way number keys, the previous-channel command, the
    // scheduler and preview start do: an index below 0 or above Count() gives -1 and changes
    // nothing. Otherwise the current index becomes the previous one, the first enabled record
    // from index upwards becomes current (none: the current index stays), and tune is called
    // with the current index when it names a record. Returns 1.
    long SelectChannel(long index, const std::function<void(long)>& tune);

private:
    std::vector<std::unique_ptr<ChannelRecord>> m_records;
    long m_lCurrentIndex = 0;
    long m_lPreviousIndex = 0;
    bool m_boLoadRefused = false;
};

} // namespace tunaro
