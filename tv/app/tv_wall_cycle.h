// The TV wall's cycle through the channel list, without Windows: which cell the next tick fills
// with which channel, which cell shows the live picture, and what clicks on the cells do.
#pragma once

#include <array>

namespace tunaro {

class TvWallCycle {
public:
    static constexpr int kCells = 16;
    enum class Mode { Cycling = 0, Chosen = 1, Restarted = 3 };

    // The wall opens on channelCount channels, starting with the current one (an index outside the
    // list starts at the first).
    void Open(int channelCount, int currentChannel);

    // A tick of the cycle timer: the cell to fill becomes the live cell and gets the next channel.
    // Returns the channel to tune, or -1 (nothing changes) when the list is empty.
    int Tick();
    // A left click on a cell: a filled cell becomes the live cell and the next one to fill, and the
    // cycle stops (Mode::Chosen). Returns its channel to tune, or -1 for a cell not yet filled.
    int Click(int cell);
    // The right button: unless the cycle was restarted already, it resumes from currentChannel.
    // True when it restarts (the caller mutes and restarts the cycle timer faster).
    bool Restart(int currentChannel);

    bool Filled(int cell) const { return cell >= 0 && cell < kCells && cell < m_filled; }
    int CellChannel(int cell) const { return cell >= 0 && cell < kCells ? m_cellChannel[cell] : -1; }
    int LiveCell() const { return m_live; }
    int CellToFill() const { return m_toFill; }
    int NextChannel() const { return m_next; }
    int FilledCount() const { return m_filled; }
    int ChannelCount() const { return m_count; }
    Mode CurrentMode() const { return m_mode; }

private:
    int m_count = 0;
    int m_filled = 0;
    int m_live = 0;
    int m_toFill = 0;
    int m_next = 0;
    Mode m_mode = Mode::Cycling;
    std::array<int, kCells> m_cellChannel{};
};

} // namespace tunaro
