// The capture engine's facade: start and shutdown in their order, and the operations that take
// more than one of the engine's parts.
#include "engine/CaptureEngine.h"

#include "engine/dshow_util.h"
#include "framework/language.h"

namespace tunaro {

CaptureEngine::CaptureEngine(EngineEnvironment environment)
    : m_env(std::move(environment)), m_discovery(m_env.categories), m_graph(m_discovery, m_settings),
      m_tuner(m_graph), m_preview(m_graph, m_tuner), m_stills(m_graph), m_inputs(m_graph, m_tuner),
      m_picture(m_graph, m_preview), m_desktop(m_graph, m_preview, m_stills),
      m_recording(RecordingContext{m_graph, m_preview, m_tuner, m_discovery, m_settings}),
      m_fm(m_graph, m_preview, m_tuner, m_discovery) {}

CaptureEngine::~CaptureEngine() {
    Shutdown();
}

bool CaptureEngine::EnsureCom() {
    if (!m_comInitialized) {
        const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        // RPC_E_CHANGED_MODE: COM runs on this thread already, in another model; nothing to undo.
        m_comInitialized = SUCCEEDED(hr);
        if (FAILED(hr) && hr != RPC_E_CHANGED_MODE)
            return false;
    }
    return true;
}

int CaptureEngine::EnumVideoDevice(int* count) {
    EnsureCom();
    return m_discovery.EnumVideoDevice(count);
}

int CaptureEngine::EnumVideoDevice(int* count, char** names) {
    EnsureCom();
    return m_discovery.EnumVideoDevice(count, names);
}

int CaptureEngine::EnumAudioDevice(int* count, char** names) {
    EnsureCom();
    return m_discovery.EnumAudioDevice(count, names);
}

int CaptureEngine::Initialize(HWND owner, int previewMode) {
    m_graph.SetOwner(owner);
    m_preview.SetMode(previewMode);
    m_shutDown = false;
    m_settings = ReadEngineSettings();
    EnsureCom();
    if (!m_discovery.IdentifyCard()) {
        if (kEngineBuild == EngineBuild::Tv) {
            const LanguageMode language = ReadLanguageMode();
            CurrentEngineReporter().Report(ReportKind::CardMissing,
                                           PickText(language, "Can not Find  tuner card!", "找不到电视卡！"));
        }
        return kEngineNoCard;
    }
    // A new capture filter joins a new graph.
    m_preview.Stop();
    m_graph.TearDown();
    ComPtr<IBaseFilter> capture;
    m_discovery.BindCaptureFilter(capture);
    m_graph.SetVideoCapture(capture);
    m_notification.Register(owner, m_env.notificationModule);
    return m_discovery.DeviceCount();
}

EngineResult CaptureEngine::InitCaptureGraph() {
    EnsureCom();
    if (!m_graph.Init())
        return kEngineFailed;
    m_discovery.FindCompressors();
    return kEngineOk;
}

void CaptureEngine::Shutdown() {
    if (m_shutDown)
        return;
    m_shutDown = true;
    m_desktop.Stop();
    m_notification.Unregister();
    m_preview.Stop();
    m_fm.Shutdown();
    m_shift.End(true);
    m_recording.EndForShutdown();
    const bool captureAudio = m_graph.CaptureAudioWanted();
    const bool captureCC = m_graph.CaptureClosedCaptions();
    m_graph.TearDown();
    if (m_graph.Owner() || m_discovery.HasCurrentVideo()) {
        m_settings.captureAudio = captureAudio ? 1 : 0;
        m_settings.captureCC = captureCC ? 1 : 0;
        WriteEngineSettings(m_settings, m_discovery.CurrentVideoDisplayName(),
                            m_discovery.CurrentAudioDisplayName());
    }
    m_discovery.Release();
    m_graph.SetVideoCapture(nullptr);
    if (m_comInitialized) {
        m_comInitialized = false;
        CoUninitialize();
    }
}

HRESULT CaptureEngine::SaveGraphFile(const char* path) {
    return SaveGraphToFile(m_graph.FilterGraph(), path);
}

} // namespace tunaro
