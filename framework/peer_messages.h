// The suite's protocol: every message one of our programs sends another, one constant each, with
// who sends it, who handles it and what wParam, lParam or the copy data carry. The programs find
// each other by window title; all of these are WM_COMMAND ids (the id in wParam's low word,
// notification code 0, lParam 0) unless said otherwise. Beside these, the TV control panel and
// the FM window take every command id of their own command tables from the remote agent and the
// scheduler (res/tunaro/resource.h, res/fm/resource.h). No Windows headers: pure constants.
#pragma once

namespace tunaro::peer {

// ---- to the TV control panel (handled in tv/app/panel_peers.cpp) ----------------------------

// Scheduler, FM program -> TV: stop a running recording (saved and named) and exit.
constexpr unsigned kTvStopAndClose = 1032;
// Any -> TV: enable the buttons a peer's own work had disabled.
constexpr unsigned kTvEnableButtons = 1179;
// Any -> TV: disable the buttons that would start something on the card.
constexpr unsigned kTvDisableButtons = 1180;
// Scheduler -> TV: watch a channel on the tuner input; lParam's low word is the channel index.
constexpr unsigned kTvScheduleTune = 2142;
// Scheduler -> TV: start or stop recording, as the Record button.
constexpr unsigned kTvScheduleRecord = 2143;
// Scheduler -> TV, when its window goes: take the preview back (restart it in the display mode).
constexpr unsigned kTvSchedulerGone = 2146;
// Scheduler -> TV, when its window opens: the TV answers kScheduleWallOpened while it is busy
// (recording, scanning, desktop video or the TV wall), nothing otherwise.
constexpr unsigned kTvBusyQuery = 2155;
// Scheduler -> TV: WM_COPYDATA of a scheduled recording. wParam: this id in the low word, the
// task's duration in the high word (not read). dwData: the channel index in bits 0-15, the record
// format code in bits 16-31. lpData/cbData: the recording's name followed by the video input digit
// (0 tuner, 1 composite, 2 S-video), no terminating zero needed.
constexpr unsigned kTvCopyDataRecord = 5022;
// Scheduler -> TV: WM_COPYDATA, the rest of a scheduled recording after the TV program ended
// while it recorded (killed, crashed) and was started again. Carries what kTvCopyDataRecord
// carries. The TV records it as that order does, but into a file named after the recording the
// last run left unfinished (finished at the start), and first reports that recording
// (kScheduleCopyDataRecorded, end "interrupted"). Older TV programs ignore it.
constexpr unsigned kTvCopyDataRecordRest = 5024;

// ---- to the scheduler "Schedule" (handled in schedule/app/schedule_dlg.cpp) -----------------
// Sent by the TV only when the scheduler's window exists; the whole wParam is compared. The odd
// ids of 2147..2153 mean the card is taken, the even ids of 2148..2154 that it is free again.

// TV -> scheduler: the task's recording or watching is over (Exit, or the user stopped a
// scheduled recording).
constexpr unsigned kScheduleTaskOver = 2145;
constexpr unsigned kScheduleRecordingStarted = 2147;
constexpr unsigned kScheduleRecordingStopped = 2148;
constexpr unsigned kScheduleScanStarted = 2149;
constexpr unsigned kScheduleScanEnded = 2150;
constexpr unsigned kScheduleDesktopEntered = 2151;
constexpr unsigned kScheduleDesktopLeft = 2152;
// TV -> scheduler: the TV wall has been opened; also the TV's answer to kTvBusyQuery while busy.
constexpr unsigned kScheduleWallOpened = 2153;
constexpr unsigned kScheduleWallClosed = 2154;
// TV -> scheduler: WM_COPYDATA right after kScheduleRecordingStopped, saying what was recorded.
// wParam: this id (where the sender's window usually goes); dwData: 0. lpData/cbData: the text of
// framework/recording_report.h: the file's full path, its length in seconds, the pictures the
// capture dropped and why the recording ended, tab-separated, no terminating zero needed. A
// scheduler that does not know the id ignores it.
constexpr unsigned kScheduleCopyDataRecorded = 5023;
constexpr unsigned kScheduleCardTakenFirst = kScheduleRecordingStarted;
constexpr unsigned kScheduleCardTakenLast = kScheduleWallClosed;

// ---- to the remote agent "Remote" (handled in remote/key_relay_dlg.cpp) ---------------------

// TV -> remote agent: an automatic scan starts; the agent stops polling the receiver.
constexpr unsigned kRemoteScanStarted = 5557;
// TV -> remote agent: the scan has ended; the agent polls again.
constexpr unsigned kRemoteScanEnded = 5558;

// ---- to the FM window (handled in fm/app/fm_peers.cpp) --------------------------------------

// TV -> FM, at the TV's start-up: stop and save a recording, end a scan, close (the TV needs the
// card).
constexpr unsigned kFmCloseForTv = 1234;

} // namespace tunaro::peer
