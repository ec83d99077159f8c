// Still pictures from the control panel: the snapshot browser shown in front with a new still,
// the remote's snapshot key that files a numbered picture in the image directory, and the TV
// wall, opened and closed by the 16-channels command.
#include "tv/app/panel_snapshots.h"

#include "framework/debug_print.h"
#include "framework/format.h"
#include "framework/peer_messages.h"
#include "res/tunaro/resource.h"
#include "tv/app/control_panel.h"
#include "tv/app/snapshot_browser.h"
#include "tv/app/still_files.h"
#include "tv/app/tv_wall.h"
#include "tv/app/tunaro_app.h"

namespace tunaro {

namespace {

constexpr WORD kCurrentTune = 1205; // the panel shows the current channel's name

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Entries of dir matching "cap*.*", the dot entries left out.
long CountCapEntries(const std::string& dir) {
    WIN32_FIND_DATAA found = {};
    FindHandle find(FindFirstFileA((dir + "\\cap*.*").c_str(), &found));
    if (!find)
        return 0;
    long n = 0;
    do {
        if (lstrcmpA(found.cFileName, ".") != 0 && lstrcmpA(found.cFileName, "..") != 0)
            ++n;
    } while (FindNextFileA(find.get(), &found));
    return n;
}

// The temporary still: the program directory's parent + "\Temp.BMP".
std::string TemporaryStill(const std::string& programDir) {
    const size_t cut = programDir.find_last_of('\\');
    return (cut == std::string::npos ? programDir : programDir.substr(0, cut)) + "\\Temp.BMP";
}

std::string WithoutTrailingSlash(std::string dir) {
    while (dir.size() > 3 && (dir.back() == '\\' || dir.back() == '/'))
        dir.pop_back();
    return dir;
}

} // namespace

PanelSnapshots::PanelSnapshots(CControlPanel& panel, PanelState& state) : m_panel(panel), m_state(state) {}

PanelSnapshots::~PanelSnapshots() = default;

void PanelSnapshots::Create(HWND panel) {
    m_browser = std::make_unique<CSnapshotBrowser>();
    if (!m_browser->Create(panel))
        m_browser.reset();
}

void PanelSnapshots::Destroy() {
    if (m_wall)
        CloseWall(false); // the engine is shut down already: no preview to bring back
    m_browser.reset();
}

// ---- the snapshot browser --------------------------------------------------------------------

void PanelSnapshots::OnSnapshot() {
    if (!m_state.previewOn || m_state.Busy() || !m_browser)
        return;
    SetWindowPos(m_browser->GetHwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    m_browser->ShowWindow(SW_SHOW);
    if (CaptureEngine* engine = m_panel.Engine()) {
        if (!m_browser->Grab(*engine))
            TUNARO_TRACE("Snapshot: no still to add");
    }
}

// ---- the remote's snapshot key ---------------------------------------------------------------

void PanelSnapshots::OnRemoteSnapshot() {
    if (!m_state.previewOn || m_state.Busy() || m_state.desktopMode)
        return;
    CaptureEngine* engine = m_panel.Engine();
    if (!engine)
        return;
    const TvGlobals& g = Globals();
    m_panel.ShowOsd(g.Text("capture", "抓图"));

    const std::string temporary = TemporaryStill(g.paths.strProgramDir);
    if (!engine->SaveBmpFile(temporary.c_str())) {
        TUNARO_TRACE("Remote snapshot: no picture");
        return; // no picture: nothing to save
    }
    const std::string dir = WithoutTrailingSlash(m_state.settings.strImagePath);
    long number = NextSnapshotNumber(CountCapEntries(dir),
                                     [&dir](long n) { return Exists(dir + "\\" + SnapshotFileName(n)); });
    // Never over an existing file: a name taken meanwhile moves on to the next number.
    DWORD error = ERROR_SUCCESS;
    for (int attempt = 0; attempt < 100; ++attempt, ++number) {
        const std::string target = Format("%s\\cap%ld.BMP", dir.c_str(), number);
        if (CopyFileA(temporary.c_str(), target.c_str(), TRUE)) {
            error = ERROR_SUCCESS;
            break;
        }
        error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            break;
    }
    DeleteFileA(temporary.c_str());
    if (error != ERROR_SUCCESS)
        TellNotSaved(dir, error);
}

void PanelSnapshots::TellNotSaved(const std::string& dir, DWORD error) const {
    const TvGlobals& g = Globals();
    const std::string text =
        Format(g.Text("The snapshot could not be saved in \"%s\" (error %lu).\nThe image directory is "
                      "missing, full or read-only; please free space or choose another directory.",
                      "无法将单帧图像保存到 \"%s\"（错误 %lu）。\n图像目录不存在、已满或只读，"
                      "请释放空间或选择其他目录。"),
               dir.c_str(), static_cast<unsigned long>(error));
    ::MessageBoxA(m_panel.GetHwnd(), text.c_str(), g.app.strTitle.c_str(), MB_OK | MB_ICONWARNING);
}

// ---- the TV wall -----------------------------------------------------------------------------

void PanelSnapshots::OnTvWall() {
    if (m_wall) {
        CloseWall(true);
        return;
    }
    if (!m_state.previewOn || m_state.Busy() || m_state.desktopMode || m_state.PlaybackOpen())
        return;
    m_panel.EndTimeShift();
    OpenWall();
}

void PanelSnapshots::RestartPreview() {
    CaptureEngine* engine = m_panel.Engine();
    if (!engine)
        return;
    engine->StartVideoPreview(static_cast<int>(m_state.settings.lDisplayMode));
    engine->SetVideoSource(static_cast<int>(m_state.settings.lVideoSource));
    engine->SetMessageDrain(m_panel.VideoWindow());
    if (m_state.channels.IsValidIndex(m_state.channels.CurrentIndex()))
        engine->SetCurrentChannel(static_cast<int>(m_state.channels.CurrentIndex()));
}

void PanelSnapshots::SetSmallPreview(bool on) {
    if (CaptureEngine* engine = m_panel.Engine())
        engine->SetSmallPreview(on);
}

void PanelSnapshots::OpenWall() {
    m_state.tvWall = true;
    // The wall's cells are small: the preview runs at their size while it is shown.
    SetSmallPreview(true);
    RestartPreview();
    m_wall = std::make_unique<CTvWallDlg>(m_panel, m_state);
    if (!m_wall->Open(m_panel.GetHwnd())) {
        m_wall.reset();
        m_state.tvWall = false;
        SetSmallPreview(false);
        RestartPreview();
        return;
    }
    // The wall covers the screen: the panel and the video window step aside while it is shown.
    m_hiddenForWall.clear();
    for (HWND window : {m_panel.VideoWindow(), m_panel.GetHwnd()}) {
        if (window && ::IsWindowVisible(window)) {
            ::ShowWindow(window, SW_HIDE);
            m_hiddenForWall.push_back(window);
        }
    }
    SendToScheduler(peer::kScheduleWallOpened);
}

void PanelSnapshots::CloseWall(bool backToLiveTv) {
    const bool muted = m_wall->MutedAudio();
    m_wall->Close();
    m_wall.reset();
    for (HWND window : m_hiddenForWall)
        ::ShowWindow(window, SW_SHOWNA);
    m_hiddenForWall.clear();
    m_state.tvWall = false;
    SetSmallPreview(false);
    if (backToLiveTv) {
        // Back to live TV on the channel the wall left tuned.
        RestartPreview();
        if (muted) {
            if (CaptureEngine* engine = m_panel.Engine())
                engine->AudioMute(0);
        }
        ::PostMessageA(m_panel.GetHwnd(), WM_COMMAND, MAKEWPARAM(kCurrentTune, 0), 0);
    }
    SendToScheduler(peer::kScheduleWallClosed);
}

} // namespace tunaro
