// The audio-only MP3 recording graph: the card's sound through the Layer-3 compressor and the
// WAV writer into the file writer. Cards that play their sound while recording take it through
// the infinite tee and show the overlay preview beside it; the others keep their preview chain.
#include "engine/recording_graph.h"

#include "engine/capture_graph.h"
#include "engine/card_rules.h"
#include "engine/device_discovery.h"
#include "engine/dshow_util.h"
#include "engine/engine_report.h"
#include "engine/engine_settings.h"
#include "engine/preview_graph.h"
#include "platform/include/outside_filters.h"

namespace tunaro {

EngineResult RecordingGraph::StartCapureMP3(const char* file) {
    CaptureGraph& g = m_context.graph;
    const int card = g.CardType();
    const bool monitor = MonitorsSound(card);
    if (g.Capturing())
        return kEngineFailed; // a recording runs: nothing is built
    // Where the sound comes from: the monitor cards' own audio output (the SAA7134 card's capture
    // filter, the others' audio companion), else the audio capture device.
    IBaseFilter* soundSource = !monitor               ? g.AudioCapture()
                               : card == kCardSaa7134 ? g.VideoCapture()
                                                      : g.CardAudio();
    if (g.FilterGraph() && !soundSource) {
        ErrorReport("There is no sound to record on this card");
        return kEngineFailed;
    }
    if (!BeginBuild(file, true, !monitor))
        return kEngineFailed;
    if (monitor)
        g.CreateRenderFilters();
    ComPtr<IBaseFilter> waveDest = Create(kClsidWaveDest, "Unable to locate or create the WAV writer.");
    if (!waveDest)
        return FailStart(); // nothing is built without the WAV writer
    ComPtr<IBaseFilter> fileWriter = Create(CLSID_FileWriter, "Unable to locate or create the file writer.");
    if (!fileWriter)
        return FailStart();
    g.Add(waveDest.get(), L"WaveDest Filter");
    g.Add(fileWriter.get(), L"FileWrite Filter");
    ComPtr<IBaseFilter> compressor =
        AddCompressor(m_context.devices.NewAudioCompressor(), L"Audio compressor");
    if (!compressor)
        return FailStart();
    if (!GiveFileName(fileWriter.get()))
        return FailStart();

    HRESULT hr = E_FAIL;
    if (monitor) {
        int output = 0;
        if (IBaseFilter* sound = ConnectSoundMonitor(0, &output))
            hr = g.Connect(sound, output, compressor.get(), 0, true);
    } else {
        hr = g.Connect(g.AudioCapture(), 0, compressor.get(), 0, true);
    }
    if (SUCCEEDED(hr))
        hr = g.Connect(compressor.get(), 0, waveDest.get(), 0, true);
    if (SUCCEEDED(hr))
        hr = g.Connect(waveDest.get(), 0, fileWriter.get(), 0, true);
    if (FAILED(hr)) {
        ErrorReport("Error %x: Cannot connect the sound to the file", static_cast<unsigned>(hr));
        return FailStart();
    }

    if (monitor) {
        // The overlay preview beside the recording.
        m_context.preview.AddOverlayChain();
        g.Window().Attach(g.FilterGraph(), g.Owner(),
                          m_context.settings.wantPreview ? "This graph cannot preview" : nullptr);
        g.NotifyOwner();
    }
    g.SetState(GraphState::CaptureBuilt);
    g.SaveDebugGraph("c:\\Record.grf");
    return Finish();
}

} // namespace tunaro
