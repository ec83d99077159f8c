// The capture library's station list, its files, tuning by station, the FM and TV scan steps and
// the FM listening graph.
#include "engine/fm_radio.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine/capture_graph.h"
#include "engine/card_rules.h"
#include "engine/engine_report.h"
#include "engine/tuner_control.h"
#include "framework/debug_print.h"
#include "framework/file_replace.h"
#include "platform/include/ks_tuner.h"

namespace tunaro {

namespace {

// The tuner settles this long after a station or scan frequency is tuned.
constexpr DWORD kStationSettleMs = 400;

ComPtr<IKsPropertySet> PropertySetOf(IBaseFilter* filter) {
    ComPtr<IKsPropertySet> ks;
    if (filter)
        filter->QueryInterface(IID_IKsPropertySet, ks.ReceiveVoid());
    return ks;
}

bool DecoderLocked(IBaseFilter* capture) {
    ComPtr<IKsPropertySet> ks = PropertySetOf(capture);
    if (!ks)
        return false;
    VideoDecoderStatusProperty p;
    std::memset(&p, 0, sizeof p);
    DWORD returned = 0;
    if (FAILED(ks->Get(kPropSetVideoDecoder, kDecoderPropStatus, &p.Property + 1,
                       sizeof p - sizeof p.Property, &p, sizeof p, &returned)))
        return false;
    return p.SignalLocked != 0;
}

template <typename T> void Put(T* out, T value) {
    if (out)
        *out = value;
}

} // namespace

FmRadio::~FmRadio() = default;

// ---- files ------------------------------------------------------------------------------------------

void FmRadio::SetFileDirectory(const std::string& directory) {
    std::string dir = directory;
    if (dir.empty()) {
        char system[MAX_PATH] = {};
        const UINT n = GetSystemDirectoryA(system, MAX_PATH);
        if (n > 0 && n < MAX_PATH)
            dir = system;
    }
    m_stationFile = dir + "\\FmProgram.txt";
    m_frequencyFile = dir + "\\CHANNEL.TXT";
    m_profileFile = dir + "\\RecordSetting.prx";
}

void FmRadio::LoadLists() {
    std::string text;
    m_stations.Assign(ReadFileBytes(m_stationFile, text) ? ParseFmProgram(text) : std::vector<FmStation>());
    text.clear();
    m_frequencies = ReadFileBytes(m_frequencyFile, text) ? ParseFrequencyList(text) : std::vector<int32_t>();
}

bool FmRadio::SaveStations() const {
    if (m_stationFile.empty())
        return false;
    const bool ok = WriteFileReplacing(m_stationFile, FormatFmProgram(m_stations.Stations()));
    if (!ok)
        TUNARO_TRACE("engine: station list not written to %s", m_stationFile.c_str());
    return ok;
}

// ---- stations -------------------------------------------------------------------------------------

const char* FmRadio::ChannelNameCopy(int index) {
    if (!m_stations.Valid(index))
        return nullptr;
    const std::string name = m_stations.Name(index);
    const size_t n = std::min(name.size(), kFmNameCopySize - 1);
    std::memcpy(m_nameCopy, name.data(), n);
    m_nameCopy[n] = '\0';
    return m_nameCopy;
}

void FmRadio::Tune(long frequency, DWORD settleMs) {
    m_tuner.Tune(frequency);
    if (settleMs)
        Sleep(settleMs);
}

void FmRadio::SetFrequency(int index, long frequency) {
    m_stations.SetFrequency(index, static_cast<int32_t>(frequency));
    Tune(frequency, 0);
}

bool FmRadio::SetCurrentChannel(int index) {
    if (!m_stations.Valid(index))
        return false;
    Tune(m_stations.Frequency(index), kStationSettleMs);
    return true;
}

// ---- crossbar ----------------------------------------------------------------------------------------

bool FmRadio::RouteInput(int index) {
    ComPtr<IAMCrossbar> crossbar;
    if (!m_graph.Crossbar() ||
        FAILED(m_graph.Crossbar()->QueryInterface(IID_IAMCrossbar, crossbar.ReceiveVoid())))
        return false;
    const HRESULT hr = crossbar->Route(0, index);
    // A card without that sound input keeps its current sound route.
    crossbar->Route(1, index != 0 ? 5 : 3);
    if (FAILED(hr))
        return false;
    m_input = index;
    return true;
}

bool FmRadio::AudioMute(int mute) {
    ComPtr<IAMCrossbar> crossbar;
    if (!m_graph.Crossbar() ||
        FAILED(m_graph.Crossbar()->QueryInterface(IID_IAMCrossbar, crossbar.ReceiveVoid())))
        return false;
    const long input = mute ? -1 : (m_graph.CardType() == kLibCardSaa7134 ? 3 : 4);
    return SUCCEEDED(crossbar->Route(1, input));
}

// ---- scans ----------------------------------------------------------------------------------------

bool FmRadio::ReadTunerStatus(long* pllOffset, long* currentFrequency) {
    ComPtr<IKsPropertySet> ks = PropertySetOf(m_graph.Tuner());
    if (!ks)
        return false;
    TunerStatusProperty p;
    std::memset(&p, 0, sizeof p);
    DWORD returned = 0;
    if (FAILED(ks->Get(kPropSetTuner, kTunerPropStatus, &p.Property + 1, sizeof p - sizeof p.Property, &p,
                       sizeof p, &returned)))
        return false;
    *pllOffset = static_cast<long>(p.PLLOffset);
    *currentFrequency = static_cast<long>(p.CurrentFrequency);
    return true;
}

void FmRadio::ScanStep(int mode, int abort, int* done, int* found, long* frequency, int* progress) {
    if (!m_graph.Tuner())
        return;
    if (m_scanFrequency > kFmBandHigh || abort != 0) {
        SaveStations();
        Put(done, 1);
        m_scanRunning = false;
        m_scanFrequency = kFmBandLow;
        return;
    }
    if (!m_scanRunning) {
        m_stations.Clear();
        m_readings[0] = m_readings[1] = m_readings[2] = -1;
        m_scanFrequency = kFmBandLow;
        m_scanCounter = 0;
        m_scanRunning = true;
    }
    Put(frequency, m_scanFrequency);
    Put(progress, FmScanProgress(static_cast<int32_t>(m_scanFrequency)));
    Tune(m_scanFrequency, kStationSettleMs);
    // The first status after a tune may still describe the previous frequency: the second counts.
    long offset = -1, current = m_scanFrequency;
    ReadTunerStatus(&offset, &current);
    if (!ReadTunerStatus(&offset, &current)) {
        offset = -1;
        current = m_scanFrequency;
    }
    m_readings[0] = m_readings[1];
    m_readings[1] = m_readings[2];
    m_readings[2] = static_cast<int>(offset);
    if (!FmScanDetects(mode, m_readings[0], m_readings[1], m_readings[2])) {
        m_scanFrequency += kFmScanStep;
        return;
    }
    m_stations.Append(FmScanStationName(m_scanCounter), static_cast<int32_t>(m_scanFrequency),
                      static_cast<int32_t>(m_scanCounter));
    TUNARO_TRACE("engine: FM station at %ld Hz (tuner at %ld)", m_scanFrequency, current);
    m_scanFrequency = current + kFmScanSkip;
    ++m_scanCounter;
    m_readings[0] = m_readings[1] = m_readings[2] = -1;
    Put(found, 1);
}

EngineResult FmRadio::AutoScanTune(int* done, int* found, int* count) {
    if (!m_graph.Tuner())
        return kEngineFailed;
    Put(done, 0);
    Put(found, 0);
    if (m_tvScanPosition == 0)
        m_stations.Clear();
    if (m_tvScanPosition >= static_cast<int>(m_frequencies.size())) {
        SaveStations();
        m_tvScanPosition = 0;
        Put(done, 1);
        Put(count, m_stations.Size());
        return kEngineOk;
    }
    const long frequency = m_frequencies[m_tvScanPosition];
    Tune(frequency, kStationSettleMs);
    Sleep(kStationSettleMs);
    if (DecoderLocked(m_graph.VideoCapture())) {
        char name[40];
        std::snprintf(name, sizeof name, "Channel %ld", static_cast<long>(m_tvScanPosition));
        m_stations.Add(name, static_cast<int32_t>(frequency));
        Put(found, 1);
    }
    Put(count, m_stations.Size());
    ++m_tvScanPosition;
    return kEngineOk;
}

// ---- listening graph -----------------------------------------------------------------------------

EngineResult FmRadio::BuildListeningGraph() {
    if (!m_graph.FilterGraph() || !m_graph.VideoCapture())
        return kEngineFailed;
    m_listening = false;
    IBaseFilter* renderer = m_graph.AudioRenderer();
    if (m_graph.CardType() == kLibCardSaa7134 && renderer) {
        m_graph.Add(renderer, L"WaveRender");
        const HRESULT hr = m_graph.Connect(m_graph.VideoCapture(), 3, renderer, 0, true);
        m_listening = SUCCEEDED(hr);
        if (FAILED(hr))
            TUNARO_TRACE("engine: card sound not connected to the renderer (%08lx)",
                         static_cast<unsigned long>(hr));
    }
    const HRESULT hr = m_graph.Run();
    m_graph.SaveDebugGraph("c:\\Q50FM.grf");
    if (FAILED(hr)) {
        ErrorReport("Error %x: Cannot run graph", static_cast<unsigned>(hr));
        return kEngineFailed;
    }
    return kEngineOk;
}

void FmRadio::RemoveAudioBranches() {
    IGraphBuilder* g = m_graph.FilterGraph();
    if (g) {
        for (IBaseFilter* f : {m_graph.AudioRenderer(), m_recordRenderer.get(), m_infTee.get(),
                               m_waveDest.get(), m_fileWriter.get(), m_compressor.get(), m_asfWriter.get()}) {
            if (f)
                g->RemoveFilter(f);
        }
    }
    m_recordRenderer = nullptr;
    m_infTee = nullptr;
    m_waveDest = nullptr;
    m_fileWriter = nullptr;
    m_compressor = nullptr;
    m_asfWriter = nullptr;
    m_listening = false;
}

void FmRadio::Shutdown() {
    if (RecordingAudio())
        m_graph.Stop();
    m_recordKind = RecordKind::None;
    m_scanRunning = false;
    m_scanFrequency = kFmBandLow;
    m_tvScanPosition = 0;
    RemoveAudioBranches();
}

} // namespace tunaro
