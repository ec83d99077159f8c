// The steps every recording graph shares: taking the preview down, the capture format, the card's
// sound with its monitor branch, the preview branch, compressors, the start of capture with
// stream control and frame counts, and the stop that completes the file.
#include "engine/recording_graph.h"

#include <mmsystem.h>

#include <algorithm>

#include "engine/capture_graph.h"
#include "engine/card_rules.h"
#include "engine/dshow_util.h"
#include "engine/engine_report.h"
#include "engine/engine_settings.h"
#include "engine/preview_graph.h"
#include "engine/sound_clock_filter.h"
#include "engine/tuner_control.h"
#include "framework/debug_print.h"
#include "platform/include/mpeg_encoder.h"
#include "platform/include/outside_filters.h"

namespace tunaro {

namespace {

constexpr REFERENCE_TIME kLargestTime = MAXLONGLONG;

} // namespace

bool RecordingGraph::Capturing() const {
    return m_context.graph.Capturing();
}

bool RecordingGraph::BuiltOnPreviewChain() const {
    return m_onPreviewChain && m_context.graph.CaptureBuilt();
}

namespace {

// Whether the file can be created (or written over) now: a missing folder, a read-only file or
// a read-only medium is told before anything is built. A file that was not there is not left.
bool CanCreateFile(const std::string& file, DWORD* error) {
    const bool existed = GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES;
    HANDLE h =
        CreateFileA(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        *error = GetLastError();
        return false;
    }
    CloseHandle(h);
    if (!existed)
        DeleteFileA(file.c_str());
    return true;
}

} // namespace

bool RecordingGraph::BeginBuild(const char* file, bool captureAudio, bool keepChain) {
    CaptureGraph& g = m_context.graph;
    if (g.Capturing() || !g.FilterGraph() || !g.VideoCapture() || !file || !*file)
        return false; // a recording runs (or cannot be made): nothing is built
    DWORD error = 0;
    if (!CanCreateFile(file, &error)) {
        // Nothing was touched: the preview runs on.
        ErrorReport("Error %x: Cannot set output file", static_cast<unsigned>(HRESULT_FROM_WIN32(error)));
        return false;
    }
    m_file = file;
    m_context.settings.captureFile = file;
    m_context.settings.masterStream = 0;
    m_captureAudio = captureAudio && g.AudioCapture();
    g.SetCaptureAudioWanted(m_captureAudio);
    m_mpegEncoder = nullptr;
    m_onPreviewChain = keepChain;
    if (keepChain) {
        // The preview chain stays as the recording's preview branch; one is built when there is
        // none yet.
        if (!g.PreviewBuilt())
            m_context.preview.Start(m_context.preview.Mode());
        m_context.preview.Stop();
        return true;
    }
    m_context.preview.Stop();
    g.TearDownChain();
    return true;
}

ComPtr<IBaseFilter> RecordingGraph::Create(const GUID& clsid, const char* failure) {
    ComPtr<IBaseFilter> filter;
    const HRESULT hr = filter.CreateInstance(clsid);
    if (FAILED(hr)) {
        TUNARO_TRACE("engine: filter %08lx not created (%08lx)", static_cast<unsigned long>(clsid.Data1),
                     static_cast<unsigned long>(hr));
        NoticeReport(failure);
        return nullptr;
    }
    return filter;
}

bool RecordingGraph::GiveFileName(IBaseFilter* filter) {
    ComPtr<IFileSinkFilter> sink;
    const std::wstring file = Widen(m_file.c_str());
    HRESULT hr = filter ? filter->QueryInterface(IID_IFileSinkFilter, sink.ReceiveVoid()) : E_POINTER;
    if (SUCCEEDED(hr))
        hr = sink->SetFileName(file.c_str(), nullptr);
    if (FAILED(hr)) {
        ErrorReport("Error %x: Cannot set output file", static_cast<unsigned>(hr));
        return false;
    }
    return true;
}

EngineResult RecordingGraph::Finish() {
    if (StartCapture() != kEngineOk)
        return FailStart();
    m_context.graph.Window().FitOwner(m_context.graph.Owner());
    return kEngineOk;
}

bool RecordingGraph::EncoderCounts(long* written, long* droppedPictures, long* droppedSound) const {
    ComPtr<IMpegEncoderConfig> config;
    long w = 0, p = 0, a = 0;
    if (!m_mpegEncoder ||
        FAILED(m_mpegEncoder->QueryInterface(__uuidof(IMpegEncoderConfig), config.ReceiveVoid())) ||
        FAILED(config->GetCounts(&w, &p, &a)))
        return false;
    if (written)
        *written = w;
    if (droppedPictures)
        *droppedPictures = p;
    if (droppedSound)
        *droppedSound = a;
    return true;
}

EngineResult RecordingGraph::FailStart() {
    CaptureGraph& g = m_context.graph;
    g.TearDownChain();
    m_context.preview.Start(m_context.preview.Mode());
    return kEngineFailed;
}

HRESULT RecordingGraph::SetCaptureFormat(long width, long height) {
    const double rate = m_context.settings.useFrameRate ? m_context.settings.frameRate : 0;
    return m_context.graph.SetCaptureFormat(width, height, rate);
}

namespace {

// The first of the ACM wrapper's output types that is stereo at the rate, applied through the
// output pin's stream configuration.
void ChooseAcmOutput(IBaseFilter* acm, DWORD rate) {
    ComPtr<IPin> out = PinAt(acm, PINDIR_OUTPUT, 0);
    ComPtr<IAMStreamConfig> config;
    ComPtr<IEnumMediaTypes> types;
    if (!out || FAILED(out->QueryInterface(IID_IAMStreamConfig, config.ReceiveVoid())) ||
        FAILED(out->EnumMediaTypes(types.Receive())))
        return;
    AM_MEDIA_TYPE* type = nullptr;
    while (types->Next(1, &type, nullptr) == S_OK) {
        const bool match = IsEqualGUID(type->formattype, FORMAT_WaveFormatEx) &&
                           type->cbFormat >= sizeof(WAVEFORMATEX) &&
                           reinterpret_cast<WAVEFORMATEX*>(type->pbFormat)->nChannels == 2 &&
                           reinterpret_cast<WAVEFORMATEX*>(type->pbFormat)->nSamplesPerSec == rate;
        if (match)
            config->SetFormat(type);
        DeleteMediaType(type);
        if (match)
            return;
    }
}

} // namespace

namespace {

// Index of the filter's first output pin that is not connected; -1 when there is none.
int FreeOutputIndex(IBaseFilter* filter) {
    for (int i = 0;; ++i) {
        ComPtr<IPin> pin = PinAt(filter, PINDIR_OUTPUT, i);
        if (!pin)
            return -1;
        ComPtr<IPin> peer;
        if (pin->ConnectedTo(peer.Receive()) != S_OK)
            return i;
    }
}

} // namespace

IBaseFilter* RecordingGraph::MatchSoundClock(IPin* from) {
    CaptureGraph& g = m_context.graph;
    ComPtr<IBaseFilter> filter;
    if (FAILED(CreateSoundClockFilter(filter.Receive())) || FAILED(g.Add(filter.get(), kNameSoundClock)))
        return nullptr;
    ComPtr<IPin> in = PinAt(filter.get(), PINDIR_INPUT, 0);
    const HRESULT hr = in ? g.FilterGraph()->ConnectDirect(from, in.get(), nullptr) : E_FAIL;
    if (FAILED(hr)) {
        TUNARO_TRACE("engine: sound recorded on its own clock (%08lx)", static_cast<unsigned long>(hr));
        g.FilterGraph()->RemoveFilter(filter.get());
        return nullptr;
    }
    return filter.get(); // the graph holds it
}

IBaseFilter* RecordingGraph::CapturedSound(int* output) {
    CaptureGraph& g = m_context.graph;
    *output = 0;
    IBaseFilter* audio = g.AudioCapture();
    if (!audio)
        return nullptr;
    // The device's capture pin; unmatched, the sound goes on from its output of that index.
    const ComPtr<IPin> capture = FindOutputPin(audio, PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio);
    for (int i = 0; capture; ++i) {
        const ComPtr<IPin> pin = PinAt(audio, PINDIR_OUTPUT, i);
        if (!pin)
            break;
        if (pin.get() == capture.get()) {
            *output = i;
            break;
        }
    }
    const ComPtr<IPin> from = PinAt(audio, PINDIR_OUTPUT, *output);
    IBaseFilter* matched = from ? MatchSoundClock(from.get()) : nullptr;
    if (!matched)
        return audio;
    *output = 0;
    return matched;
}

void RecordingGraph::ConnectCapturedSound(IBaseFilter* compressor, IBaseFilter* mux) {
    CaptureGraph& g = m_context.graph;
    int output = 0;
    IBaseFilter* sound = CapturedSound(&output);
    if (!sound)
        return;
    HRESULT hr = S_OK;
    if (compressor) {
        hr = g.Connect(sound, output, compressor, 0, false);
        if (SUCCEEDED(hr))
            hr = ConnectToMux(compressor, 0, mux);
    } else {
        hr = ConnectToMux(sound, output, mux);
    }
    if (FAILED(hr))
        TUNARO_TRACE("engine: recording without sound (%08lx)", static_cast<unsigned long>(hr));
}

IBaseFilter* RecordingGraph::ConnectSoundMonitor(DWORD rate, int* output) {
    CaptureGraph& g = m_context.graph;
    *output = 0;
    RenderFilters& r = g.Render();
    if (!r.infTee)
        return nullptr;
    g.Add(r.infTee.get(), L"INFTEE Filter");
    // The SAA7134 card carries its sound on the capture filter's output 3; the UTV and 2388x cards
    // on their own audio capture filter.
    const bool onCapture = g.CardType() == kCardSaa7134;
    IBaseFilter* source = onCapture ? g.VideoCapture() : g.CardAudio();
    int sourceOutput = onCapture ? 3 : 0;
    ComPtr<IPin> raw = source ? PinAt(source, PINDIR_OUTPUT, sourceOutput) : ComPtr<IPin>();
    if (IBaseFilter* matched = raw ? MatchSoundClock(raw.get()) : nullptr) {
        source = matched;
        sourceOutput = 0;
    }
    HRESULT hr = g.Connect(source, sourceOutput, r.infTee.get(), 0, true);
    if (FAILED(hr)) {
        TUNARO_TRACE("engine: card sound not connected for recording (%08lx)",
                     static_cast<unsigned long>(hr));
        return nullptr;
    }
    // The ACM wrapper converts the card's sound to the recording's rate. Where it cannot take the
    // card's sound, the sound is recorded as the card delivers it rather than not at all.
    IBaseFilter* sound = r.infTee.get();
    if (r.acmWrapper) {
        g.Add(r.acmWrapper.get(), L"ACM Wrapper Filter");
        // Directly: a graph that searches every registered filter for a way in takes minutes to
        // give up on this system.
        if (SUCCEEDED(g.Connect(r.infTee.get(), 0, r.acmWrapper.get(), 0, true))) {
            sound = r.acmWrapper.get();
            if (rate)
                ChooseAcmOutput(r.acmWrapper.get(), rate);
        } else {
            TUNARO_TRACE("engine: ACM wrapper refuses the card's sound; recorded unconverted");
            g.FilterGraph()->RemoveFilter(r.acmWrapper.get());
        }
    }
    if (IBaseFilter* renderer = g.AudioRenderer()) {
        g.Add(renderer, L"Waveout Render Device");
        g.Connect(r.infTee.get(), std::max(FreeOutputIndex(r.infTee.get()), 0), renderer, 0, true);
    }
    if (sound == r.infTee.get())
        *output = std::max(FreeOutputIndex(r.infTee.get()), 0);
    return sound;
}

void RecordingGraph::AddPreviewBranch(IBaseFilter* tee, IBaseFilter* first, const wchar_t* firstName,
                                      const wchar_t* rendererName) {
    CaptureGraph& g = m_context.graph;
    RenderFilters& r = g.Render();
    if (!first || !r.overlayMixer || !r.videoRenderer)
        return;
    g.Add(first, firstName);
    g.Connect(tee, 1, first, 0, false);
    g.Add(r.overlayMixer.get(), L"Overlay Mixer");
    g.Connect(first, 0, r.overlayMixer.get(), 0, true);
    g.Add(r.videoRenderer.get(), rendererName);
    g.Connect(r.overlayMixer.get(), 0, r.videoRenderer.get(), 0, true);
    g.StretchOverlayMixer();
}

ComPtr<IBaseFilter> RecordingGraph::AddCompressor(ComPtr<IBaseFilter> filter, const wchar_t* name) {
    if (!filter) {
        NoticeReport("Unable to locate or create appropriate compressor.");
        return nullptr;
    }
    if (FAILED(m_context.graph.Add(filter.get(), name))) {
        NoticeReport("Internal error.");
        return nullptr;
    }
    return filter;
}

HRESULT RecordingGraph::ConnectToMux(IBaseFilter* from, int output, IBaseFilter* mux) {
    // Directly: the multiplexer takes what the card and the compressors deliver as it is, and a
    // refused input is found at once instead of after a search through every registered filter.
    HRESULT hr = m_context.graph.Connect(from, output, mux, 0, true);
    if (FAILED(hr))
        hr = m_context.graph.Connect(from, output, mux, 1, true);
    return hr;
}

EngineResult RecordingGraph::StartCapture() {
    CaptureGraph& g = m_context.graph;
    m_baseNotDropped = m_baseDropped = 0;
    m_droppedFrames = nullptr;
    if (g.CardType() == kCardUtv)
        m_context.tuner.ApplyCountry();
    ICaptureGraphBuilder2* builder = g.Builder();
    // The capture stream waits while the graph starts, so the file begins with a running graph.
    REFERENCE_TIME hold = kLargestTime;
    m_streamControl = builder && SUCCEEDED(builder->ControlStream(&PIN_CATEGORY_CAPTURE, nullptr, nullptr,
                                                                  &hold, nullptr, 0, 0));
    {
        ComPtr<IMediaControl> control;
        const HRESULT got = g.FilterGraph()
                                ? g.FilterGraph()->QueryInterface(IID_IMediaControl, control.ReceiveVoid())
                                : E_POINTER;
        if (FAILED(got)) {
            ErrorReport("Error %x: Cannot get IMediaControl", static_cast<unsigned>(got));
            return kEngineFailed;
        }
    }
    HRESULT hr = m_streamControl ? g.Run() : g.Pause();
    if (FAILED(hr)) {
        ErrorReport("Error %x: Cannot start graph", static_cast<unsigned>(hr));
        return kEngineFailed;
    }
    for (const GUID* type : {&MEDIATYPE_Interleaved, &MEDIATYPE_Video}) {
        if (builder && SUCCEEDED(builder->FindInterface(&PIN_CATEGORY_CAPTURE, type, g.VideoCapture(),
                                                        IID_IAMDroppedFrames, m_droppedFrames.ReceiveVoid())))
            break;
        m_droppedFrames = nullptr;
    }
    if (m_streamControl) {
        REFERENCE_TIME stop = kLargestTime;
        builder->ControlStream(&PIN_CATEGORY_CAPTURE, nullptr, nullptr, nullptr, &stop, 0, 0);
    } else {
        hr = g.Run();
        if (FAILED(hr)) {
            ErrorReport("Error %x: Cannot run graph", static_cast<unsigned>(hr));
            return kEngineFailed;
        }
    }
    if (m_droppedFrames) {
        m_droppedFrames->GetNumNotDropped(&m_baseNotDropped);
        m_droppedFrames->GetNumDropped(&m_baseDropped);
    }
    m_startTime = timeGetTime();
    g.SetState(GraphState::Capturing);
    return kEngineOk;
}

bool RecordingGraph::CaptureFrameCounts(long* notDropped, long* dropped) const {
    long good = 0, bad = 0;
    if (!m_droppedFrames || FAILED(m_droppedFrames->GetNumNotDropped(&good)) ||
        FAILED(m_droppedFrames->GetNumDropped(&bad)))
        return false;
    if (notDropped)
        *notDropped = good - m_baseNotDropped;
    if (dropped)
        *dropped = bad - m_baseDropped;
    return true;
}

HRESULT RecordingGraph::StopGraph() {
    CaptureGraph& g = m_context.graph;
    const HRESULT hr = g.Stop();
    if (FAILED(hr)) {
        ErrorReport("Error %x: Cannot stop graph", static_cast<unsigned>(hr));
        return hr;
    }
    m_stopTime = timeGetTime();
    g.SetState(GraphState::CaptureBuilt);
    if (g.Owner())
        InvalidateRect(g.Owner(), nullptr, TRUE);
    return hr;
}

EngineResult RecordingGraph::StopCapture() {
    CaptureGraph& g = m_context.graph;
    if (!g.Capturing())
        return kEngineFailed; // nothing records: nothing to do
    const HRESULT hr = StopGraph();
    if (SUCCEEDED(hr)) {
        // The graph stopped first, so every writer completed its file; then the recording
        // chain (and on the 2388x card what hangs behind its hardware encoder) goes.
        g.RemoveDownstreamOf(g.Encoder());
        g.SetState(GraphState::Empty);
        m_droppedFrames = nullptr;
        m_context.preview.Start(m_context.preview.Mode());
    }
    return EngineResultOf(SUCCEEDED(hr));
}

void RecordingGraph::EndForShutdown() {
    CaptureGraph& g = m_context.graph;
    if (g.Capturing())
        StopGraph();
    if (g.Capturing())
        g.SetState(GraphState::CaptureBuilt); // the graph would not stop; it goes with the teardown
    m_droppedFrames = nullptr;
}

} // namespace tunaro
