// The scheduler's side of the TV application: finding its window by the title its settings
// give, starting it when it is missing, and the messages that tell it to tune, record, stop and
// close. Also the power-off program that lives beside it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "framework/peer_messages.h"
#include "framework/raii.h"
#include "schedule/task_record.h"

namespace tunaro {

// The messages between the scheduler and the TV application are the suite's protocol
// (framework/peer_messages.h).
// The text of the record message: the task's recording file name and its video input digit.
std::string RecordMessageText(const TaskRecord& task);
// dwData of the record message: the record format in the high half, the channel in the low.
ULONG_PTR RecordMessageData(const TaskRecord& task);
// wParam of the record message: the duration in the high half, peer::kTvCopyDataRecord (or, for
// the rest of a recording the TV program did not finish, peer::kTvCopyDataRecordRest) in the low.
WPARAM RecordMessageWParam(const TaskRecord& task, bool rest = false);

class TvLink {
public:
    // Reads the TV application's directory from the registry (HKLM\Software\Tunaro "Path").
    void ReadDirectory();
    const std::string& Directory() const { return m_directory; }

    // The TV window's title: [Title] Text of setting.ini in the TV application's directory,
    // "Tunaro" when there is none.
    std::string TvTitle() const;
    // The TV application's window now, or null.
    HWND FindTv() const;

    // Starts Tunaro.EXE from the TV directory and gives it time to come up; false when it could
    // not be started.
    bool StartTv();
    // Closes the handle of a TV program started here.
    void ReleaseStartedTv() { m_startedTv.Reset(); }

    // Messages to the TV window, dropped when there is none.
    void SendCommand(WORD id, LPARAM lParam = 0) const;
    void SendRecord(const TaskRecord& task, bool rest = false) const;

    // Starts Haltbox.exe from the TV directory with a hidden window; nothing when it is missing.
    void StartPowerOff() const;

private:
    std::string m_directory;
    Handle m_startedTv;
};

} // namespace tunaro
