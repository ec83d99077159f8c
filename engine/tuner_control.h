// Tuning the card: frequencies through the tuner's kernel property, the TV scan step over the
// country's table, country code, TV or FM mode and the mono/stereo audio mode.
#pragma once

#include "engine/channel_access.h"
#include "engine/engine_result.h"

namespace tunaro {

class CaptureGraph;

class TunerControl {
public:
    explicit TunerControl(CaptureGraph& graph) : m_graph(graph) {}

    // The TV application's channel list and country table (null: none).
    void SetChannelAccess(ChannelAccess* channels) { m_channels = channels; }
    EngineResult SetFrequency(long frequency, int channelIndex);
    EngineResult SetCurrentChannel(int index);
    // One scan step: -1 reset or finished, 1 nothing on this frequency, 3 a channel was added.
    int AutoScanTune(int reset);
    EngineResult SetAudioMode(int stereo);
    EngineResult GetFrequencyRange(long* maximum, long* minimum);
    EngineResult SetCountry(long code);
    // TV build: 1 or 0. Library build: 0 when the tuner took the mode, -1 otherwise.
    int SetTVMode(int fm);
    // The remembered country again (the UTV tuner forgets it on input switches and graph runs).
    void ApplyCountry();
    // Before a graph runs: the UTV card of the TV build gets its country again when the
    // application has a country table.
    void ApplyCountryBeforeRun();

    long CurrentFrequency() const { return m_currentFrequency; }
    // The next scan step's index into the country's table; 0 while no scan runs.
    int ScanPosition() const { return m_scanPosition; }
    long CountryCode() const { return m_countryCode; }

    // Sets the tuner's frequency property (the TV build then waits for the tuner to settle).
    void Tune(long frequency);

private:
    bool SignalLocked();

    CaptureGraph& m_graph;
    ChannelAccess* m_channels = nullptr;
    long m_currentFrequency = 0;
    long m_countryCode = 0;
    bool m_countrySet = false;
    int m_scanPosition = 0;
};

} // namespace tunaro
