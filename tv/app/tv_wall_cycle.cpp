// The TV wall's cycle (see tv_wall_cycle.h).
#include "tv/app/tv_wall_cycle.h"

namespace tunaro {

void TvWallCycle::Open(int channelCount, int currentChannel) {
    m_count = channelCount > 0 ? channelCount : 0;
    m_filled = 0;
    m_live = 0;
    m_toFill = 0;
    m_next = currentChannel >= 0 && currentChannel < m_count ? currentChannel : 0;
    m_mode = Mode::Cycling;
    m_cellChannel.fill(-1);
}

int TvWallCycle::Tick() {
    if (m_count <= 0)
        return -1;
    m_live = m_toFill;
    const int channel = m_next;
    m_cellChannel[m_live] = channel;
    m_toFill = (m_toFill + 1) % kCells;
    if (m_filled < kCells)
        ++m_filled;
    m_next = channel + 1 >= m_count ? 0 : channel + 1;
    return channel;
}

int TvWallCycle::Click(int cell) {
    if (!Filled(cell))
        return -1;
    m_live = cell;
    m_toFill = cell;
    m_mode = Mode::Chosen;
    return m_cellChannel[cell];
}

bool TvWallCycle::Restart(int currentChannel) {
    if (m_mode == Mode::Restarted)
        return false;
    m_next = currentChannel >= 0 && currentChannel < m_count ? currentChannel : 0;
    m_mode = Mode::Restarted;
    return true;
}

} // namespace tunaro
