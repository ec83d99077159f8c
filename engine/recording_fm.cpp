// The capture library's audio-only recordings, made from the FM listening graph: MP3 through the
// audio compressor and the WAV writer, WMA through the ASF writer and the audio profile. While one
// records, the card's sound is still heard through a second renderer.
#include <windows.h>
#include <dshow.h>

#include <cstring>

#include "engine/capture_graph.h"
#include "engine/card_rules.h"
#include "engine/device_discovery.h"
#include "engine/dshow_util.h"
#include "engine/engine_report.h"
#include "engine/fm_radio.h"
#include "engine/preview_graph.h"
#include "engine/wm_profile.h"
#include "framework/debug_print.h"
#include "platform/include/asf_writer.h"
#include "platform/include/outside_filters.h"

namespace tunaro {

namespace {

// Gives a writer its file, through whichever file-sink interface it offers.
HRESULT SetSinkFile(IBaseFilter* writer, const char* file) {
    const std::wstring wide = Widen(file);
    ComPtr<IFileSinkFilter> sink;
    if (!writer || FAILED(writer->QueryInterface(IID_IFileSinkFilter, sink.ReceiveVoid())))
        return E_NOINTERFACE;
    return sink->SetFileName(wide.c_str(), nullptr);
}

bool UsableFile(const char* file) {
    if (!file || !*file)
        return false;
    const size_t n = std::strlen(file);
    return n < MAX_PATH;
}

} // namespace

IBaseFilter* FmRadio::ConnectRecordSource(int* output) {
    *output = 0;
    if (m_graph.CardType() != kLibCardSaa7134)
        return m_graph.AudioCapture();
    // The SAA7134 card carries its sound on the capture filter's output 3: through an infinite
    // tee, so a second branch keeps it audible.
    if (FAILED(m_infTee.CreateInstance(CLSID_InfTee)) ||
        FAILED(m_graph.Add(m_infTee.get(), L"INFTEE Filter")) ||
        FAILED(m_graph.Connect(m_graph.VideoCapture(), 3, m_infTee.get(), 0, true))) {
        TUNARO_TRACE("engine: card sound not connected for recording");
        return nullptr;
    }
    return m_infTee.get();
}

EngineResult FmRadio::FailRecording() {
    m_graph.Stop();
    m_recordKind = RecordKind::None;
    RemoveAudioBranches();
    BuildListeningGraph();
    return kEngineFailed;
}

EngineResult FmRadio::RunRecording(const char* graphFile, RecordKind kind) {
    // The tee's second output keeps the sound audible while it is recorded.
    if (m_infTee) {
        ComPtr<IBaseFilter> renderer;
        if (SUCCEEDED(DeviceDiscovery::FindFilterByName(m_devices.Categories().audioRenderer,
                                                        kDefaultWaveOutName, renderer)) &&
            SUCCEEDED(m_graph.Add(renderer.get(), L"wave audio Render"))) {
            m_recordRenderer = renderer;
            m_graph.Connect(m_infTee.get(), 1, renderer.get(), 0, true);
        }
    }
    m_graph.SaveDebugGraph(graphFile);
    const HRESULT hr = m_graph.Run();
    if (FAILED(hr)) {
        ErrorReport("Error %x: Cannot run graph", static_cast<unsigned>(hr));
        return FailRecording();
    }
    m_recordKind = kind;
    return kEngineOk;
}

EngineResult FmRadio::StartCapureMP3(const char* file) {
    if (RecordingAudio() || m_graph.Capturing() || !m_graph.FilterGraph() || !m_graph.VideoCapture() ||
        !UsableFile(file))
        return kEngineFailed;
    m_preview.Stop();
    m_graph.Stop();
    RemoveAudioBranches();
    m_waveDest.CreateInstance(kClsidWaveDest);
    m_fileWriter.CreateInstance(CLSID_FileWriter);
    m_compressor = m_devices.NewAudioCompressor();
    if (!m_waveDest || !m_fileWriter || !m_compressor) {
        NoticeReport("Unable to locate or create appropriate compressor.");
        return FailRecording();
    }
    m_graph.Add(m_waveDest.get(), L"WaveDest Filter");
    m_graph.Add(m_fileWriter.get(), L"FileWrite Filter");
    m_graph.Add(m_compressor.get(), L"Audio compressor");
    int output = 0;
    IBaseFilter* source = ConnectRecordSource(&output);
    HRESULT hr = source ? m_graph.Connect(source, output, m_compressor.get(), 0, true) : E_FAIL;
    if (SUCCEEDED(hr))
        hr = m_graph.Connect(m_compressor.get(), 0, m_waveDest.get(), 0, true);
    if (SUCCEEDED(hr))
        hr = m_graph.Connect(m_waveDest.get(), 0, m_fileWriter.get(), 0, true);
    if (FAILED(hr)) {
        ErrorReport("Error %x: Cannot connect the sound to the MP3 writer", static_cast<unsigned>(hr));
        return FailRecording();
    }
    hr = SetSinkFile(m_fileWriter.get(), file);
    if (FAILED(hr)) {
        ErrorReport("Error %x: Cannot set the file name", static_cast<unsigned>(hr));
        return FailRecording();
    }
    return RunRecording("c:\\Record.grf", RecordKind::Mp3);
}

EngineResult FmRadio::StartCaptureAudioWMA(const char* file) {
    if (RecordingAudio() || m_graph.Capturing() || !m_graph.FilterGraph() || !m_graph.VideoCapture() ||
        !UsableFile(file))
        return kEngineFailed;
    m_preview.Stop();
    m_graph.Stop();
    RemoveAudioBranches();
    if (FAILED(m_asfWriter.CreateInstance(CLSID_WMAsfWriter))) {
        NoticeReport("Create ASF FileWriter Fail ");
        return FailRecording();
    }
    m_graph.Add(m_asfWriter.get(), L"WM ASF Filter");
    ComPtr<IConfigAsfWriter> config;
    if (FAILED(m_asfWriter->QueryInterface(__uuidof(IConfigAsfWriter), config.ReceiveVoid()))) {
        NoticeReport("Query ASF Config Filter Fail ");
        return FailRecording();
    }
    // A profile that cannot be loaded leaves the writer unconfigured, as in the TV build: no
    // message, and the graph is still built and run.
    ComPtr<IWMProfile> profile;
    HRESULT hr = LoadProfile(m_profileFile.c_str(), profile);
    if (SUCCEEDED(hr) && profile)
        hr = config->ConfigureFilterUsingProfile(profile.get());
    const bool configured = SUCCEEDED(hr) && profile;
    if (!configured)
        TUNARO_TRACE("engine: profile %s not used (%08lx)", m_profileFile.c_str(),
                     static_cast<unsigned long>(hr));
    hr = SetSinkFile(m_asfWriter.get(), file);
    if (FAILED(hr)) {
        ErrorReport("Error %x: Cannot set the file name", static_cast<unsigned>(hr));
        return FailRecording();
    }
    int output = 0;
    IBaseFilter* source = ConnectRecordSource(&output);
    hr = source ? m_graph.Connect(source, output, m_asfWriter.get(), 0, true) : E_FAIL;
    if (FAILED(hr) && configured) {
        ErrorReport("Error %x: Cannot connect the sound to the ASF writer", static_cast<unsigned>(hr));
        return FailRecording();
    }
    if (FAILED(hr))
        TUNARO_TRACE("engine: the unconfigured ASF writer takes no sound (%08lx)",
                     static_cast<unsigned long>(hr));
    return RunRecording("c:\\WMASF.GRF", RecordKind::Wma);
}

EngineResult FmRadio::StopCapureMP3() {
    if (m_recordKind != RecordKind::Mp3)
        return kEngineFailed;
    m_graph.Stop(); // the writers complete their files
    m_recordKind = RecordKind::None;
    RemoveAudioBranches();
    return BuildListeningGraph();
}

EngineResult FmRadio::StopCaptureAudioWMA() {
    if (m_recordKind != RecordKind::Wma)
        return kEngineFailed;
    m_graph.Stop();
    m_recordKind = RecordKind::None;
    RemoveAudioBranches();
    return BuildListeningGraph();
}

} // namespace tunaro
