// What the other programs of the suite ask of the FM window, and its TV button: the TV
// program's close order (peer::kFmCloseForTv), the commands carried out while a dialog is open, and starting
// the TV program.
#pragma once

#include <windows.h>

namespace tunaro {

class CFmDlg;
struct FmState;

class FmPeers {
public:
    FmPeers(CFmDlg& window, FmState& state) : m_window(window), m_state(state) {}
    FmPeers(const FmPeers&) = delete;
    FmPeers& operator=(const FmPeers&) = delete;

    // peer::kFmCloseForTv: the TV program starts and needs the card.
    void OnCloseForTv();
    // IDC_TV: closes the radio and starts the TV program from its installation directory.
    void OnTv();
    // While one of the window's dialogs is open, only the commands peers may give over it are
    // carried out: those that open nothing and change nothing a dialog works on (mute, the
    // volume, stopping a recording). The TV program's close order cancels the dialogs and
    // closes the radio once the last one is gone.
    bool CommandAllowedUnderDialog(WORD id) const;

private:
    CFmDlg& m_window;
    FmState& m_state;
};

} // namespace tunaro
