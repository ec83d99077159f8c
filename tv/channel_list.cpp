// The channel list: ownership of the records, field access by index and channel selection.
#include "tv/channel_list.h"

#include <utility>

namespace tunaro {

int32_t EffectiveAudioMode(int32_t recordMode, long cardType) {
    if (cardType == 2)
        return recordMode;
    return cardType == 4 ? kAudioStereo : kAudioMono;
}

ChannelRecord* ChannelList::At(long index) {
    return IsValidIndex(index) ? m_records[static_cast<std::size_t>(index)].get() : nullptr;
}

const ChannelRecord* ChannelList::At(long index) const {
    return IsValidIndex(index) ? m_records[static_cast<std::size_t>(index)].get() : nullptr;
}

bool ChannelList::Append(ChannelRecord record) {
    return Insert(Count(), std::move(record));
}

bool ChannelList::Insert(long index, ChannelRecord record) {
    if (index < 0 || index > Count() || Count() >= kChannelListMax ||
        record.m_nFrequency == kNoChannelFrequency)
        return false;
    record.m_strName = StoredChannelName(record.m_strName);
    m_records.insert(m_records.begin() + index, std::make_unique<ChannelRecord>(std::move(record)));
    return true;
}

bool ChannelList::Replace(long index, ChannelRecord record) {
    if (!IsValidIndex(index) || record.m_nFrequency == kNoChannelFrequency)
        return false;
    record.m_strName = StoredChannelName(record.m_strName);
    m_records[static_cast<std::size_t>(index)] = std::make_unique<ChannelRecord>(std::move(record));
    return true;
}

bool ChannelList::DeleteAt(long index) {
    if (!IsValidIndex(index))
        return false;
    m_records.erase(m_records.begin() + index);
    return true;
}

bool ChannelList::Swap(long a, long b) {
    if (!IsValidIndex(a) || !IsValidIndex(b))
        return false;
    std::swap(m_records[static_cast<std::size_t>(a)], m_records[static_cast<std::size_t>(b)]);
    return true;
}

std::string ChannelList::Name(long index) const {
    const ChannelRecord* r = At(index);
    return r ? r->m_strName : std::string();
}

int32_t ChannelList::Frequency(long index) const {
    const ChannelRecord* r = At(index);
    return r ? r->m_nFrequency : 0;
}

int32_t ChannelList::Number(long index) const {
    const ChannelRecord* r = At(index);
    return r ? r->m_nChannel : 0;
}

int32_t ChannelList::Enabled(long index) const {
    const ChannelRecord* r = At(index);
    return r ? r->m_nEnabled : 0;
}

int32_t ChannelList::AudioMode(long index) const {
    const ChannelRecord* r = At(index);
    return r ? r->m_nAudioMode : 0;
}

bool ChannelList::SetName(long index, const std::string& name) {
    ChannelRecord* r = At(index);
    if (r)
        r->m_strName = StoredChannelName(name);
    return r != nullptr;
}

bool ChannelList::SetFrequency(long index, int32_t frequency) {
    ChannelRecord* r = At(index);
    if (!r || frequency == kNoChannelFrequency)
        return false;
    r->m_nFrequency = frequency;
    return true;
}

bool ChannelList::SetNumber(long index, int32_t number) {
    ChannelRecord* r = At(index);
    if (r)
        r->m_nChannel = number;
    return r != nullptr;
}

bool ChannelList::SetEnabled(long index, int32_t enabled) {
    ChannelRecord* r = At(index);
    if (r)
        r->m_nEnabled = enabled;
    return r != nullptr;
}

bool ChannelList::SetAudioMode(long index, int32_t mode) {
    ChannelRecord* r = At(index);
    if (r)
        r->m_nAudioMode = mode;
    return r != nullptr;
}

long ChannelList::SelectChannel(long index, const std::function<void(long)>& tune) {
    // An index equal to the count is let through on purpose: it only moves the current index
    // into the previous one.
    if (index < 0 || index > Count())
        return -1;
    m_lPreviousIndex = m_lCurrentIndex;
    for (long i = index; i < Count(); ++i) {
        if (m_records[static_cast<std::size_t>(i)]->m_nEnabled == 1) {
            m_lCurrentIndex = i;
            break;
        }
    }
    // A current index left over from a longer list names no record; tuning it would read
    // past the end.
    if (tune && IsValidIndex(m_lCurrentIndex))
        tune(m_lCurrentIndex);
    return 1;
}

} // namespace tunaro
