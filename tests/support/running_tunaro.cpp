// Starting and stopping the real Tunaro for an end-to-end test, its files kept and put back.
#include "tests/support/running_tunaro.h"

#include "res/tunaro/resource.h"

namespace e2e {

namespace {
constexpr const char* kPanelTitle = "Tunaro";
constexpr const char* kVideoTitle = "TV Win";
} // namespace

RunningTunaro::~RunningTunaro() {
    Stop();
}

bool RunningTunaro::Start(const TunaroStart& start) {
    m_failure.clear();
    m_saved.clear();
    m_saved.push_back(std::make_unique<SavedFile>(SystemDir() + "\\program.txt"));
    m_saved.push_back(std::make_unique<SavedFile>(InstallDir() + "\\Tunaro.ini"));
    for (const std::string& path : start.keep)
        m_saved.push_back(std::make_unique<SavedFile>(path));
    if (!start.programTxt.empty() && !WriteFile(m_saved[0]->Path(), start.programTxt))
        m_failure = "program.txt could not be written";
    if (!start.tunaroIni.empty() && !WriteFile(m_saved[1]->Path(), start.tunaroIni))
        m_failure = "Tunaro.ini could not be written";
    if (!m_failure.empty())
        return false;
    if (start.prepare)
        start.prepare();
    m_schedule = std::make_unique<PeerWindow>("Schedule");
    if (!m_program.Start(InstallDir() + "\\Tunaro.exe")) {
        m_failure = "Tunaro.exe did not start";
        return false;
    }
    m_panel = WaitForWindow(kPanelTitle, 30000);
    if (!m_panel) {
        m_failure = "the control panel did not appear";
        return false;
    }
    if (start.waitForPreview && !WaitUntil([] { return SimCardStateLong("Running") == 1; }, 30000)) {
        m_failure = "the preview does not run";
        return false;
    }
    if (start.waitForStatus &&
        !WaitUntil([this] { return !ControlText(m_panel, IDC_STATUS).empty(); }, 15000)) {
        m_failure = "the status line names no input";
        return false;
    }
    return true;
}

bool RunningTunaro::Stop(DWORD timeoutMs) {
    bool ended = true;
    if (m_program.Running()) {
        PostCommand(m_panel, IDC_EXIT);
        ended = m_program.WaitForExit(timeoutMs);
        if (!ended)
            m_program.Kill();
    }
    m_panel = nullptr;
    m_schedule.reset();
    // Put back in the reverse order of saving.
    while (!m_saved.empty())
        m_saved.pop_back();
    return ended;
}

HWND RunningTunaro::Video(DWORD timeoutMs) const {
    return WaitForWindow(kVideoTitle, timeoutMs);
}

void RunningTunaro::Sync(DWORD timeoutMs) const {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(m_panel, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &result);
}

} // namespace e2e
