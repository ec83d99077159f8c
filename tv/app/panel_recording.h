// The control panel's recording and playback commands: Record, quick record, Open File, the
// player keys and quick play, and the player's status line. The recording graphs are the
// engine's; movies play through FilmDeck.dll.
#pragma once

#include <windows.h>

#include <ctime>
#include <string>

#include "framework/recording_report.h"
#include "tv/app/film_deck.h"

namespace tunaro {

class CControlPanel;
struct PanelState;

class PanelRecording {
public:
    PanelRecording(CControlPanel& panel, PanelState& state) : m_panel(panel), m_state(state) {}
    PanelRecording(const PanelRecording&) = delete;
    PanelRecording& operator=(const PanelRecording&) = delete;

    void OnRecord();          // IDC_RECORD (411): start or stop a recording
    void OnQuickRecord();     // IDC_QUICK_RECORD
    void OnOpenFile();        // IDC_OPEN_FILE: open a recording for playback
    void OnPlayback(UINT id); // IDC_PLAY .. IDC_TV: the player keys
    void OnQuickPlay();       // IDC_QUICK_PLAY

    // How much of the program's first second is left (0 once it has passed): Record does
    // nothing in it, so anything that must record waits for it.
    static DWORD FirstSecondLeftMs();

    // At the program's start: a recording the last run left unfinished (it was killed or
    // crashed while it recorded) is finished (engine/recording_repair.h) and named as a stop
    // would have named it; PanelState::interruptedRecording tells where it is.
    // When the scheduler then orders the rest of its task (PanelState::continuing), it is told
    // what the interrupted recording holds, and the rest is named after it.
    void RecoverInterrupted();

    // The engine's graph events: a recording whose graph stopped with an error (a write that
    // failed, the disk full) or lost its device (the card went away) is ended as a stop would
    // end it, the file finished for what reached the disk, the scheduler told why and the
    // reason left in the status line.
    void OnGraphEvents();
    // The capture card went away (the device notification): a running recording ends so.
    void OnCardRemoved();

    // The status timer while a movie file is open: the player's line ("play m:s/m:s", or
    // "Finish" at the end, where a playing movie is rewound and paused).
    std::string PlaybackStatusTick();
    // The panel goes: an open movie is closed.
    void OnPanelDestroy();
    // The video window's size changed: the movie's picture follows it.
    void OnVideoWindowSized();
    // Full screen or window mode while a movie plays: the video window owns the picture for the
    // new mode and it fills the window.
    void OnFullScreenChanged();

private:
    // Starts a recording into the video directory under the time name; false (told, nothing
    // left behind) when the engine cannot start it.
    bool StartRecording();
    // Stops the running recording; the file is complete and, with nameNow, named by its stop
    // time. Returns where the file is now. The scheduler is told what was recorded, and whether
    // its own task's recording (bySchedule) ended by its order or here.
    // A recording that broke off (brokenEnd set) is reported with that end instead.
    std::string StopRecording(bool nameNow, bool bySchedule = false, const RecordingEnd* brokenEnd = nullptr);
    // Ends the running recording that broke off for the reason given.
    void BreakOff(RecordingEnd why);
    // The engine start of the current record format.
    int StartEngine(const std::string& file);
    // Renames a stopped recording; false (with the system's reason) when it stays where it is.
    bool RenameRecording(const std::string& file, const std::string& target, std::string* whyNot);
    void TellNotNamed(const std::string& file, const std::string& target, const std::string& why);
    // The name dialog for a stopped recording: OK names it, Cancel deletes it.
    void AskNameOrDelete(const std::string& file);
    void TellKept(const std::string& file, const char* englishWhy, const char* chineseWhy);

    std::string ChooseMovieFile(bool quick);
    void SetPlayerButtons(bool playing);
    void BackToTv();

    CControlPanel& m_panel; // its engine, looks and windows
    PanelState& m_state;

    // Where the running recording is noted while it runs, so the next start finds it when the
    // program ends without stopping it.
    static std::string MarkerPath();

    std::string m_strRecordingFile; // the file being written
    bool m_boKeepName = false;      // named after an interrupted recording: kept at the stop
    long m_lInterruptedSeconds = 0; // the length of PanelState::interruptedRecording
    long m_lRecordingFormat = 0;    // its record format code
    FilmDeck m_deck;
    std::string m_strPlaybackFile;
    long m_lDurationSeconds = 0;
};

} // namespace tunaro
