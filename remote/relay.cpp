// The agent's behaviour over its host: when the receiver is opened, read and closed, when the
// poll timer runs, and what each received key does to the TV or FM program.
#include "remote/relay.h"

#include "remote/key_table.h"

namespace tunaro::remote {

void Relay::StartPolling() {
    m_host.StartPollTimer();
    m_boPolling = true;
}

void Relay::StopPolling() {
    m_host.StopPollTimer();
    m_boPolling = false;
}

void Relay::Open() {
    // A receiver that is not ready is left alone until the card arrives again.
    if (m_host.LoadReceiver() && m_host.StartReceiver()) {
        m_host.ReadReceiver(); // a key pressed before we opened is not ours to carry out
        m_boReceiverReady = true;
        StartPolling();
    }
    m_boRunning = true;
}

void Relay::Poll() {
    if (!m_boPolling)
        return;
    const uint32_t code = m_host.ReadReceiver();
    m_host.ShowCode(code);
    if (code == kNoKey) {
        m_host.ShowWaiting();
        return;
    }
    m_host.ShowReceived(ReceivedKeyText(code, m_host.ChineseMode()));
    CarryOut(code);
}

void Relay::ScanStarted() {
    m_host.ReadReceiver();
    StopPolling();
}

void Relay::ScanEnded() {
    // Only a receiver that was polled before the scan is polled again.
    if (!m_boReceiverReady)
        return;
    StartPolling();
    m_host.ReadReceiver(); // whatever was pressed during the scan is dropped
}

void Relay::CardArrived() {
    if (!m_host.LoadReceiver())
        return; // no receiver library: nothing to open or poll
    m_host.Pause(kReceiverSettleMs);
    // The card has just come: its receiver gets its chance whatever it answers.
    m_host.StartReceiver();
    m_host.Pause(kReceiverSettleMs);
    m_boReceiverReady = true;
    StartPolling();
    m_host.ReadReceiver();
    m_boRunning = true;
}

void Relay::CardRemoved() {
    StopPolling();
    m_host.StopReceiver();
    m_host.Pause(kReceiverSettleMs);
    m_host.UnloadReceiver();
    m_host.Pause(kReceiverSettleMs);
    m_boRunning = false;
    m_boReceiverReady = false;
    m_host.ShowWaiting();
    // Without its card the TV program has nothing to show.
    const PeerId tv = m_host.FindTvWindow();
    if (tv != kNoPeer)
        m_host.PostCommand(tv, kExitCommand);
}

void Relay::ExitButton() {
    StopPolling();
    m_host.UnloadReceiver();
    m_boReceiverReady = false;
}

void Relay::MenuExit() {
    if (!m_boRunning)
        return;
    StopPolling();
    m_host.Pause(kReceiverSettleMs);
    m_host.StopReceiver();
    m_host.Pause(kReceiverSettleMs);
    m_host.UnloadReceiver();
    m_boReceiverReady = false;
    m_boRunning = false;
}

void Relay::CarryOut(uint32_t code) {
    const PeerId target = m_host.FindTarget();
    const KeyRow* row = FindKey(code);
    if (row && row->action == KeyAction::CloseComputer) {
        CloseComputer(target);
        return;
    }
    if (row && row->action == KeyAction::StartExit) {
        StartOrExit(target);
        return;
    }
    // A command without a window to take it is lost, as a key pressed at a switched-off set.
    if (target != kNoPeer)
        m_host.SendCommand(target, CommandForKey(code));
}

void Relay::CloseComputer(PeerId target) {
    if (!m_host.TvDirectoryKnown())
        return;
    if (target != kNoPeer)
        m_host.PostCommand(target, kExitCommand);
    m_host.Pause(kPowerOffDelayMs);
    m_host.StartPowerOff();
}

void Relay::StartOrExit(PeerId target) {
    if (!m_host.TvDirectoryKnown())
        return;
    if (target != kNoPeer) {
        m_host.PostCommand(target, kExitCommand);
        m_host.Pause(kExitWaitMs);
        m_host.ReleaseTvProgram();
        return;
    }
    const bool wasPolling = m_boPolling;
    StopPolling();
    if (m_host.StartTvProgram()) {
        m_host.WaitForTvProgram(kStartWaitMs);
        m_host.Pause(kStartSettleMs);
    }
    // Polling goes on even when the program could not be started: the remote keeps working.
    if (wasPolling)
        StartPolling();
}

} // namespace tunaro::remote
