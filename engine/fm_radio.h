// The capture library's own part of the engine: the FM station list and its file, the frequency
// list of the library's TV scan, the FM listening graph that plays the card's sound, the FM band
// scan, tuning by station, and the audio-only recordings (MP3, WMA) made from the listening graph.
#pragma once

#include <windows.h>
#include <dshow.h>

#include <string>
#include <vector>

#include "engine/engine_result.h"
#include "engine/fm_stations.h"
#include "framework/raii.h"

namespace tunaro {

class CaptureGraph;
class DeviceDiscovery;
class PreviewGraph;
class TunerControl;

// Size of the name copy GetChannelName hands out (name and terminator).
inline constexpr size_t kFmNameCopySize = 256;

class FmRadio {
public:
    FmRadio(CaptureGraph& graph, PreviewGraph& preview, TunerControl& tuner, const DeviceDiscovery& devices)
        : m_graph(graph), m_preview(preview), m_tuner(tuner), m_devices(devices) {}
    ~FmRadio();
    FmRadio(const FmRadio&) = delete;
    FmRadio& operator=(const FmRadio&) = delete;

    // ---- files -------------------------------------------------------------------------------
    // The station file, the frequency list and the audio profile in this directory (the system
    // directory when empty).
    void SetFileDirectory(const std::string& directory);
    const std::string& StationFile() const { return m_stationFile; }
    const std::string& FrequencyFile() const { return m_frequencyFile; }
    const std::string& AudioProfileFile() const { return m_profileFile; }
    // Reads the station list (a missing file leaves it empty) and the frequency list.
    void LoadLists();
    // Writes the station list through a temporary file that replaces the old one when complete.
    bool SaveStations() const;

    // ---- the station list by index -------------------------------------------------------------
    FmStationList& Stations() { return m_stations; }
    const FmStationList& Stations() const { return m_stations; }
    // A copy of the name in the radio's own buffer (valid until the next call); null for a bad index.
    const char* ChannelNameCopy(int index);
    // Stores the frequency in a valid station, then tunes in any case (no wait).
    void SetFrequency(int index, long frequency);
    // Tunes to the station's frequency and lets the tuner settle; false for a bad index.
    bool SetCurrentChannel(int index);

    // ---- crossbar -----------------------------------------------------------------------------------
    // The library's routing by crossbar pin: video output 0 from input index, the sound (output 1)
    // from input 3 for index 0 and input 5 otherwise; the index is remembered. True when the
    // video was routed.
    bool RouteInput(int index);
    int RoutedInput() const { return m_input; }
    // Sound off (output 1 from nothing) or on again from the card's tuner sound (input 3 on the
    // SAA7134 family, input 4 on the others). False without a crossbar.
    bool AudioMute(int mute);

    // ---- scans ---------------------------------------------------------------------------------
    // One FM scan step (see fm_stations.h for the rules). done, found, frequency and progress may
    // each be null. Nothing happens without a tuner.
    void ScanStep(int mode, int abort, int* done, int* found, long* frequency, int* progress);
    bool Scanning() const { return m_scanRunning; }
    // One TV scan step over the frequency list: found 1 when the decoder locks (a station "Channel
    // n" is added), done 1 when the list is walked (the list is then written). 0 without a tuner.
    EngineResult AutoScanTune(int* done, int* found, int* count);

    // ---- listening graph ----------------------------------------------------------------------------
    // SAA7134 family: the card's sound (capture output 3) into the audio renderer; the graph runs.
    EngineResult BuildListeningGraph();
    bool Listening() const { return m_listening; }

    // ---- audio recordings from the listening graph ----------------------------------------------
    // Each start returns 1 once the file is being written; 0 (listening graph back) when the
    // recording cannot be made or one runs already.
    EngineResult StartCapureMP3(const char* file);
    EngineResult StopCapureMP3();
    EngineResult StartCaptureAudioWMA(const char* file);
    EngineResult StopCaptureAudioWMA();
    bool RecordingAudio() const { return m_recordKind != RecordKind::None; }

    // The list is written, the recording stopped and the graph's part released (device stop).
    void Shutdown();

private:
    enum class RecordKind { None, Mp3, Wma };

    // Tunes (the tuner's frequency property) and waits settleMs.
    void Tune(long frequency, DWORD settleMs);
    // The tuner status's PLL offset and current frequency; false without a status.
    bool ReadTunerStatus(long* pllOffset, long* currentFrequency);
    // Takes the listening renderer and any recording branch out of the graph.
    void RemoveAudioBranches();
    // The card's sound into a new infinite tee, its output 1 to a second renderer ("wave audio
    // Render") so it is still heard; returns the filter and output that carry the sound on.
    IBaseFilter* ConnectRecordSource(int* output);
    EngineResult FailRecording();
    EngineResult RunRecording(const char* graphFile, RecordKind kind);

    CaptureGraph& m_graph;
    PreviewGraph& m_preview;
    TunerControl& m_tuner;
    const DeviceDiscovery& m_devices;

    std::string m_stationFile, m_frequencyFile, m_profileFile;
    FmStationList m_stations;
    std::vector<int32_t> m_frequencies;
    char m_nameCopy[kFmNameCopySize] = {};

    // FM scan state.
    bool m_scanRunning = false;
    long m_scanFrequency = kFmBandLow;
    long m_scanCounter = 0;
    int m_readings[3] = {-1, -1, -1}; // x, y, z
    // TV scan position in the frequency list.
    int m_tvScanPosition = 0;
    int m_input = 0;

    bool m_listening = false;
    RecordKind m_recordKind = RecordKind::None;
    ComPtr<IBaseFilter> m_infTee, m_waveDest, m_fileWriter, m_compressor, m_asfWriter, m_recordRenderer;
};

} // namespace tunaro
