// The TV wall (template 327): a full-screen, topmost window of sixteen cells that tunes through
// the channel list and leaves a still of each channel, captioned with its name, in the next cell.
// A click on a filled cell tunes back to its channel and stops the cycle; the right button
// resumes it; a double-click closes the wall through the panel's command 1113.
#pragma once

#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "framework/dialog.h"
#include "framework/raii.h"
#include "tv/app/tv_wall_cycle.h"
#include "uikit/dib.h"

namespace tunaro {

class CControlPanel;
struct PanelState;

class CTvWallDlg : public Dialog {
public:
    static constexpr UINT_PTR kCycleTimer = 115;
    static constexpr UINT kCycleFirstMs = 1500;
    static constexpr UINT kCycleRestartMs = 1000;
    static constexpr UINT_PTR kRefreshTimer = 117;
    static constexpr UINT kRefreshMs = 60;

    CTvWallDlg(CControlPanel& panel, PanelState& state);
    ~CTvWallDlg() override;
    // Creates the wall over the whole screen and starts cycling.
    bool Open(HWND panel);
    // Stops the timers and destroys the window and its pictures.
    void Close();

    // Frames the refresh timer skipped because they were not a picture the wall can show.
    long SkippedFrames() const { return m_lSkippedFrames; }
    // The right button muted the sound for the cycle (a chosen cell gives it back).
    bool MutedAudio() const { return m_boMuted; }

protected:
    BOOL OnInitDialog() override;
    const MessageMap* GetMessageMap() const override;
    void OnOK() override {}
    // Escape closes the wall the way its command does.
    void OnCancel() override;

private:
    struct Cell {
        std::string caption;
        std::vector<uint8_t> picture; // header and pixels of the cell's still
        CDib dib;
    };

    void OnTimer(UINT_PTR id);
    void OnCycleTick();
    void OnRefreshTick();
    void OnLButtonDown(UINT keys, POINT pt);
    void OnRButtonDown(UINT keys, POINT pt);
    void OnLButtonDblClk(UINT keys, POINT pt);
    LRESULT OnDrawItem(WPARAM, LPARAM lp);
    BOOL OnEraseBackground(HDC dc);

    int CellAt(POINT pt) const;
    void Tune(int channel);
    void ShowPlaceholder(Cell& cell);
    void DrawCell(int index, HDC dc);
    void RedrawCell(int index);

    CControlPanel& m_panel;
    PanelState& m_state;
    CriticalSection m_lock; // the cycle state and the cell being drawn
    TvWallCycle m_cycle;
    std::array<Cell, TvWallCycle::kCells> m_cells;
    std::vector<uint8_t> m_placeholder; // bitmap 329 as a packed 24-bit picture
    std::vector<uint8_t> m_grab;        // what the refresh timer grabs into
    long m_lSkippedFrames = 0;
    bool m_boMuted = false;
};

} // namespace tunaro
