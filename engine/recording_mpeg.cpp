// The MPEG recording graphs: DVD, VCD and SVCD program streams through the MPEG encoder filter,
// and DVD through the 2388x card's own hardware encoder into the dump filter.
#include "engine/recording_graph.h"

#include "engine/capture_graph.h"
#include "engine/card_rules.h"
#include "engine/dshow_util.h"
#include "engine/engine_report.h"
#include "engine/engine_settings.h"
#include "engine/preview_graph.h"
#include "engine/video_rules.h"
#include "framework/debug_print.h"
#include "platform/include/ks_tuner.h"
#include "platform/include/mpeg_encoder.h"
#include "platform/include/outside_filters.h"

namespace tunaro {

namespace {

constexpr int kKindDvd = 0;
constexpr int kKindVcd = 1;
constexpr int kKindSvcd = 2;

// Record types of StartCaptureMPEG.
constexpr int kTypeDvd = 0;
constexpr int kTypeVcd = 1;
constexpr int kTypeSvcd = 6;

// The audio preset of every recording on a 576-line standard.
constexpr long kStreamType = 5;

// The encoder's sound settings for an audio preset (stream type 0 to 5). The first failure is
// the result.
HRESULT ConfigureAudio(IMpegEncoderAudio* audio, long streamType) {
    struct Preset {
        long mode;   // channel mode (types 0, 1), -1: not set
        long rate;   // standard Layer II rate on (types 4, 5) or off (2, 3); -1: not set
        long stereo; // kbit/s per channel in stereo
        long mono;   // kbit/s in mono
    };
    static const Preset kPresets[] = {{0, -1, 2, 2},   {1, -1, 8, 4},   {-1, 0, 16, 8},
                                      {-1, 0, 32, 16}, {-1, 1, 32, 16}, {-1, 1, 64, 32}};
    if (streamType < 0 || streamType > 5)
        return E_INVALIDARG;
    const Preset& p = kPresets[streamType];
    HRESULT hr = audio->EnableAudio(1);
    if (SUCCEEDED(hr))
        hr = audio->SetSyncTolerance(10);
    if (SUCCEEDED(hr))
        hr = audio->SetStereo(1);
    if (SUCCEEDED(hr) && p.mode >= 0)
        hr = audio->SetChannelMode(p.mode);
    if (SUCCEEDED(hr) && p.rate >= 0) {
        hr = audio->SetFillGaps(1);
        if (SUCCEEDED(hr))
            hr = audio->SetDropEarlyAudio(1);
        if (SUCCEEDED(hr))
            hr = audio->SetStandardRate(p.rate);
    }
    if (SUCCEEDED(hr))
        hr = audio->SetBitRates(p.stereo, p.mono);
    return hr;
}

// One value of the 2388x encoder's property set, passed as instance and property data alike.
HRESULT SetEncoderProperty(IKsPropertySet* set, DWORD id, DWORD value) {
    return set->Set(kPropSetHardwareEncoder, id, &value, sizeof value, &value, sizeof value);
}

} // namespace

bool RecordingGraph::ConfigureMpegEncoder(int kind, bool ntsc) {
    ComPtr<IMpegEncoderConfig> config;
    ComPtr<IMpegEncoderAudio> audio;
    if (FAILED(m_mpegEncoder->QueryInterface(__uuidof(IMpegEncoderConfig), config.ReceiveVoid())) ||
        FAILED(m_mpegEncoder->QueryInterface(__uuidof(IMpegEncoderAudio), audio.ReceiveVoid()))) {
        ErrorReport("The MPEG encoder cannot be configured");
        return false;
    }
    HRESULT hr = config->BeginConfig(1);
    if (SUCCEEDED(hr) && ntsc) {
        if (kind == kKindDvd) {
            hr = config->SetVideoBitRate(6500000);
            if (SUCCEEDED(hr))
                hr = config->SetFormat(kMpegFormatDvdNtsc);
        } else if (kind == kKindVcd) {
            hr = config->SetFormat(kMpegFormatVcdNtsc);
        } else {
            hr = config->SetVideoBitRate(2000000);
            if (SUCCEEDED(hr))
                hr = config->SetFormat(kMpegFormatSvcdNtsc);
        }
    } else if (SUCCEEDED(hr)) {
        hr = config->SetInterlaced(1);
        if (SUCCEEDED(hr))
            hr = config->SetStreamType(kStreamType);
        if (SUCCEEDED(hr))
            hr = ConfigureAudio(audio.get(), kStreamType);
        if (SUCCEEDED(hr))
            hr = config->SetStrictGop(1);
        static const long kRates[] = {6000000, 1152000, 2000000};
        static const long kCodes[] = {kMpegFormatDvdPal, kMpegFormatVcdPal, kMpegFormatSvcdPal};
        if (SUCCEEDED(hr))
            hr = config->SetVideoBitRate(kRates[kind]);
        if (SUCCEEDED(hr))
            hr = config->SetFormat(kCodes[kind]);
    }
    // The configuration is closed whatever happened, so the encoder is not left half way.
    const HRESULT end = config->EndConfig(0);
    if (SUCCEEDED(hr))
        hr = end;
    if (FAILED(hr)) {
        char why[256] = "";
        config->GetLastErrorText(why, sizeof why);
        TUNARO_TRACE("engine: MPEG encoder configuration refused (%08lx) %s", static_cast<unsigned long>(hr),
                     why);
        ErrorReport("Error %x: Cannot configure the MPEG encoder", static_cast<unsigned>(hr));
        return false;
    }
    return true;
}

EngineResult RecordingGraph::BuildMpegGraph(int kind, bool ntsc) {
    CaptureGraph& g = m_context.graph;
    RenderFilters& r = g.Render();
    IBaseFilter* capture = g.VideoCapture();
    m_mpegEncoder = Create(kClsidMpegEncoder, "Unable to locate or create the MPEG encoder.");
    if (!m_mpegEncoder || !ConfigureMpegEncoder(kind, ntsc))
        return FailStart();
    if (!r.smartTee || FAILED(g.Add(r.smartTee.get(), L"SmartTee")) ||
        FAILED(g.Add(m_mpegEncoder.get(), kNameMpegEncoder))) {
        ErrorReport("Internal error.");
        return FailStart();
    }
    if (!GiveFileName(m_mpegEncoder.get()))
        return FailStart();

    // The encoder takes the picture at the configured size only: a refusal here ends the start.
    HRESULT hr = g.Connect(capture, 0, r.smartTee.get(), 0, true);
    if (SUCCEEDED(hr))
        hr = g.Connect(r.smartTee.get(), 0, m_mpegEncoder.get(), 0, true);
    if (FAILED(hr)) {
        ErrorReport("Error %x: Cannot connect the picture to the file", static_cast<unsigned>(hr));
        return FailStart();
    }
    if (m_captureAudio) {
        if (MonitorsSound(g.CardType())) {
            int output = 0;
            if (IBaseFilter* sound = ConnectSoundMonitor(kind == kKindDvd ? 48000 : 44100, &output))
                hr = g.Connect(sound, output, m_mpegEncoder.get(), 1, true);
        } else {
            int output = 0;
            IBaseFilter* audio = CapturedSound(&output);
            ComPtr<IPin> out = PinAt(audio, PINDIR_OUTPUT, output);
            ComPtr<IPin> in = PinAt(m_mpegEncoder.get(), PINDIR_INPUT, 1);
            hr = out && in ? g.FilterGraph()->ConnectDirect(out.get(), in.get(), nullptr) : E_FAIL;
        }
        if (FAILED(hr))
            TUNARO_TRACE("engine: MPEG recording without sound (%08lx)", static_cast<unsigned long>(hr));
    }
    // The preview branch: the full-size pictures of DVD and SVCD are halved first.
    if (kind == kKindVcd)
        AddPreviewBranch(r.smartTee.get(), r.invert.get(), kNameVideoInvert, L"Video Renderer");
    else
        AddPreviewBranch(r.smartTee.get(), r.downSize.get(), kNameDownSize, L"Video Renderer");
    g.ResetOptimiserMode();
    g.Window().Attach(g.FilterGraph(), g.Owner(),
                      m_context.settings.wantPreview ? "This graph cannot preview" : nullptr);
    g.NotifyOwner();
    g.SetState(GraphState::CaptureBuilt);
    g.SaveDebugGraph("c:\\MPEG.grf");
    return kEngineOk;
}

EngineResult RecordingGraph::StartCaptureMPEG(const char* file, int type) {
    CaptureGraph& g = m_context.graph;
    if (type != kTypeDvd && type != kTypeVcd && type != kTypeSvcd)
        return kEngineFailed; // no such record type: nothing is touched
    if (!BeginBuild(file, true))
        return kEngineFailed;
    const bool ntsc = IsNtscStandard(g.CurrentStandard());
    m_ntsc = ntsc;
    // The picture comes at the standard's own rate: an NTSC disc holds 29.97 pictures a second.
    m_context.settings.frameRate = ntsc ? 30.0 : 25.0;
    FrameSize size;
    int kind = kKindDvd;
    if (type == kTypeDvd) {
        size = {720, ntsc ? 480L : 576L};
    } else if (type == kTypeVcd) {
        size = {352, ntsc ? 240L : 288L};
        kind = kKindVcd;
    } else {
        size = {480, ntsc ? 480L : 576L};
        kind = kKindSvcd;
    }
    m_kind = kind;
    if (FAILED(SetCaptureFormat(size.width, size.height))) {
        ErrorReport("Cannot set frame rate for capture");
        return FailStart();
    }
    g.CreateRenderFilters();
    if (BuildMpegGraph(kind, ntsc) != kEngineOk)
        return kEngineFailed;
    const EngineResult result = Finish();
    if (result != kEngineOk && m_mpegEncoder) {
        ComPtr<IMpegEncoderConfig> config;
        char why[256] = "";
        if (SUCCEEDED(m_mpegEncoder->QueryInterface(__uuidof(IMpegEncoderConfig), config.ReceiveVoid())))
            config->GetLastErrorText(why, sizeof why);
        TUNARO_TRACE("engine: MPEG encoder did not start: %s", why);
    }
    return result;
}

EngineResult RecordingGraph::StartCaptureHardwareMPEG(const char* file) {
    CaptureGraph& g = m_context.graph;
    if (g.Capturing())
        return kEngineFailed; // a recording runs: nothing is built
    if (!g.Encoder()) {
        ErrorReport("This card has no MPEG encoder");
        return kEngineFailed;
    }
    // The preview chain stays in the graph as the recording's preview branch.
    if (!BeginBuild(file, true, true))
        return kEngineFailed;
    ComPtr<IBaseFilter> dump = Create(kClsidDumpFilter, "CoCreateInstance Dump Filter fail!");
    if (!dump)
        return FailStart();
    const bool ntsc = IsNtscStandard(g.CurrentStandard());
    m_ntsc = ntsc;
    m_kind = kKindDvd;
    ComPtr<IKsPropertySet> set;
    HRESULT hr = g.Encoder()->QueryInterface(IID_IKsPropertySet, set.ReceiveVoid());
    if (SUCCEEDED(hr)) {
        struct Value {
            DWORD id, value;
        };
        for (const Value& v : {Value{9, 10}, Value{8, ntsc ? 0u : 3u}, Value{4, 0}, Value{5, 1}}) {
            if (SUCCEEDED(hr))
                hr = SetEncoderProperty(set.get(), v.id, v.value);
        }
        DWORD rate[3] = {1, 6000000, 0};
        if (SUCCEEDED(hr))
            hr = set->Set(kPropSetHardwareEncoder, 0, rate, sizeof rate, rate, sizeof rate);
        if (SUCCEEDED(hr))
            hr = SetEncoderProperty(set.get(), 4, 11);
        if (SUCCEEDED(hr))
            hr = SetEncoderProperty(set.get(), 7, 1);
    }
    if (FAILED(hr)) {
        ErrorReport("Error %x: Cannot configure the MPEG encoder", static_cast<unsigned>(hr));
        return FailStart();
    }
    if (FAILED(g.Add(dump.get(), kNameDumpFilter))) {
        ErrorReport("Internal error.");
        return FailStart();
    }
    hr = g.Connect(g.Encoder(), 0, dump.get(), 0, true);
    if (FAILED(hr)) {
        ErrorReport("Error %x: Cannot connect the picture to the file", static_cast<unsigned>(hr));
        return FailStart();
    }
    if (!GiveFileName(dump.get()))
        return FailStart();
    g.Window().Attach(g.FilterGraph(), g.Owner(),
                      m_context.settings.wantPreview ? "This graph cannot preview" : nullptr);
    g.NotifyOwner();
    g.SetState(GraphState::CaptureBuilt);
    g.SaveDebugGraph("c:\\DB_MPG.GRF");
    return Finish();
}

} // namespace tunaro
