// The FM window's playback of recordings.
#include "fm/app/fm_playback.h"

#include <commdlg.h>

#include "fm/app/fm_app.h"
#include "fm/app/fm_state.h"
#include "fm/app/fm_window.h"
#include "fm/fm_rules.h"
#include "framework/raii.h"
#include "res/fm/resource.h"

namespace tunaro {

namespace {
constexpr UINT kPositionMs = 1000;
}

void FmPlayback::OnOpenFile() {
    if (m_state.Busy())
        return;
    const FmGlobals& g = Globals();
    std::string path;
    path.swap(m_strQuickPlayPath);
    if (path.empty()) {
        char file[MAX_PATH] = {};
        const char kFilter[] = "*.MP3;*.WMA\0*.MP3;*.WMA\0\0";
        const char kFilterChinese[] = "录音文件 (*.MP3;*.WMA)\0*.MP3;*.WMA\0\0";
        OPENFILENAMEA ofn = {};
        ofn.lStructSize = sizeof ofn;
        ofn.hwndOwner = m_window.GetHwnd();
        ofn.lpstrFilter = g.Chinese() ? kFilterChinese : kFilter;
        ofn.lpstrFile = file;
        ofn.nMaxFile = sizeof file;
        ofn.lpstrInitialDir = m_state.settings.strRecordPath.c_str();
        ofn.lpstrDefExt = "avi";
        ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
        bool chosen = false;
        {
            OpenDialogs::Scope scope(m_window.Dialogs(), m_window.GetHwnd(), true);
            chosen = GetOpenFileNameA(&ofn) != FALSE;
        }
        if (!chosen || m_window.Dialogs().CommandWaiting())
            return;
        path = file;
    }
    if (m_state.deviceRunning)
        m_window.Stations().StopDevice();
    if (m_state.PlaybackOpen()) {
        KillTimer(m_window.GetHwnd(), TIMER_PLAYBACK);
        m_deck.Close();
    }
    m_window.ShowMode("Playing", "正在播放");
    m_deck.Open(path.c_str(), m_window.GetHwnd());
    // Opening only readies the file; playing starts it.
    m_deck.Run();
    m_state.playbackState = 0;
    m_lDurationSeconds = fm::SecondsOfUnits(m_deck.Duration());
    m_window.SetFrequencyColour(kFmYellow);
    m_window.ShowFrequencyText(fm::PlaybackText(0, m_lDurationSeconds));
    SetTimer(m_window.GetHwnd(), TIMER_PLAYBACK, kPositionMs, nullptr);
    m_window.ShowPlaybackSet(true);
}

void FmPlayback::OnPlaybackTimer() {
    if (!m_state.PlaybackOpen())
        return;
    const long position = fm::SecondsOfUnits(m_deck.Position());
    if (position < m_lDurationSeconds) {
        m_window.ShowFrequencyText(fm::PlaybackText(position, m_lDurationSeconds));
        return;
    }
    // The end: back to the start, ready to play again.
    m_deck.Pause();
    m_deck.Seek(0);
    m_window.ShowFrequencyText(Globals().Text("Play Finish", "播放完毕"));
    m_deck.Run();
    m_state.playbackState = 0;
}

void FmPlayback::OnPlay() {
    if (m_state.playbackState == 1) {
        m_deck.Run();
        m_state.playbackState = 0;
    }
}

void FmPlayback::OnPause() {
    if (m_state.playbackState == 0) {
        m_deck.Run();
        m_deck.Pause();
        m_state.playbackState = 1;
    }
}

void FmPlayback::OnStopPlay() {
    if (!m_state.PlaybackOpen())
        return;
    KillTimer(m_window.GetHwnd(), TIMER_PLAYBACK);
    m_deck.Close();
    m_state.playbackState = -1;
    m_window.ShowMode("FM Radio", "调频广播");
    m_window.ShowPlaybackSet(false);
    if (!m_state.deviceRunning)
        m_window.Stations().StartDevice(true);
}

void FmPlayback::OnQuickPlay() {
    if (m_state.Busy())
        return;
    if (m_state.playbackState == 1) {
        m_window.SendCommand(IDC_PLAY);
        return;
    }
    const std::string dir = m_state.settings.strRecordPath;
    WIN32_FIND_DATAA found = {};
    FindHandle find(FindFirstFileA((dir + "\\*.*").c_str(), &found));
    if (!find.valid())
        return;
    std::string latest;
    FILETIME latestTime = {};
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        if (!fm::IsRecordingFileName(found.cFileName))
            continue;
        if (latest.empty() || CompareFileTime(&found.ftCreationTime, &latestTime) > 0) {
            latest = found.cFileName;
            latestTime = found.ftCreationTime;
        }
    } while (FindNextFileA(find.get(), &found));
    if (latest.empty())
        return;
    m_strQuickPlayPath = dir + "\\" + latest;
    OnOpenFile();
}

void FmPlayback::Close() {
    KillTimer(m_window.GetHwnd(), TIMER_PLAYBACK);
    if (m_state.PlaybackOpen()) {
        m_deck.Close();
        m_state.playbackState = -1;
    }
}

} // namespace tunaro
