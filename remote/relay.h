// What the agent does with the receiver and the keys: opening, polling, the pause around a
// channel scan, card arrival and removal, the two ways of exiting, and each key's action.
// Free of Win32: the window around it supplies the receiver, the timer, the display and the peers.
#pragma once

#include <cstdint>
#include <string>

namespace tunaro::remote {

// The poll timer's id and period.
constexpr unsigned kPollTimerId = 115;
constexpr unsigned kPollPeriodMs = 150;
// Pauses around the receiver and the programs the keys close or start.
constexpr unsigned kReceiverSettleMs = 200;
constexpr unsigned kPowerOffDelayMs = 300;
constexpr unsigned kExitWaitMs = 1000;
constexpr unsigned kStartWaitMs = 3000;
constexpr unsigned kStartSettleMs = 2000;

// A peer window as the host identifies it; kNoPeer when there is none.
using PeerId = uintptr_t;
constexpr PeerId kNoPeer = 0;

class RelayHost {
public:
    virtual ~RelayHost() = default;

    // ---- the receiver library ----
    // Loads it if it is not loaded; true when it is loaded.
    virtual bool LoadReceiver() = 0;
    virtual bool ReceiverLoaded() const = 0;
    virtual void UnloadReceiver() = 0;
    virtual bool StartReceiver() = 0;
    virtual uint32_t ReadReceiver() = 0;
    virtual void StopReceiver() = 0;

    // ---- the poll timer and waits on the agent's thread ----
    virtual void StartPollTimer() = 0;
    virtual void StopPollTimer() = 0;
    virtual void Pause(unsigned ms) = 0;

    // ---- the display ----
    // The received code in the key code display.
    virtual void ShowCode(uint32_t code) = 0;
    // Black texts, the resting icon, "wait for receive".
    virtual void ShowWaiting() = 0;
    // Red texts, the receiving icon, the key's label.
    virtual void ShowReceived(const std::string& label) = 0;
    virtual bool ChineseMode() const = 0;

    // ---- the peers ----
    // The TV window, else the FM window, else kNoPeer.
    virtual PeerId FindTarget() = 0;
    // The TV window alone.
    virtual PeerId FindTvWindow() = 0;
    virtual void SendCommand(PeerId peer, uint32_t command) = 0;
    virtual void PostCommand(PeerId peer, uint32_t command) = 0;

    // ---- programs in the TV program's directory ----
    virtual bool TvDirectoryKnown() const = 0;
    // Starts the TV program and keeps its process; false when it could not be started.
    virtual bool StartTvProgram() = 0;
    // Waits at most ms for the kept TV process.
    virtual void WaitForTvProgram(unsigned ms) = 0;
    // Lets go of the kept TV process.
    virtual void ReleaseTvProgram() = 0;
    // Starts the power-off program with a hidden window.
    virtual void StartPowerOff() = 0;
};

class Relay {
public:
    explicit Relay(RelayHost& host) : m_host(host) {}

    // The window has opened: load and open the receiver, poll when it is ready.
    void Open();
    // One tick of the poll timer.
    void Poll();
    // The TV program starts and ends an automatic channel scan.
    void ScanStarted();
    void ScanEnded();
    // The card (and its receiver) arrived or went.
    void CardArrived();
    void CardRemoved();
    // The hidden Exit button: no calls into the receiver, the library is let go.
    void ExitButton();
    // The tray menu's Exit: the receiver is stopped properly first when it runs.
    void MenuExit();
    // Carries out what the key with this code does.
    void CarryOut(uint32_t code);

    bool Running() const { return m_boRunning; }
    bool Polling() const { return m_boPolling; }

private:
    void StartPolling();
    void StopPolling();
    void StartOrExit(PeerId target);
    void CloseComputer(PeerId target);

    RelayHost& m_host;
    bool m_boRunning = false;       // set when the window opened and on arrival, cleared on removal
    bool m_boReceiverReady = false; // the receiver is open and may be polled
    bool m_boPolling = false;       // the poll timer runs
};

} // namespace tunaro::remote
