// What the TV application tells the scheduler about a recording it has just stopped: the file,
// its length, the pictures the capture dropped and why the recording ended. Carried as the text
// of a WM_COPYDATA (peer::kScheduleCopyDataRecorded); written by the TV side, read by the
// scheduler, which checks every field. No Windows headers.
#pragma once

#include <cstddef>
#include <string>

namespace tunaro {

// Why a recording ended.
enum class RecordingEnd {
    Order,       // the scheduler's order (stop, or stop and close)
    InTv,        // stopped in the TV application (its Record button, or it was closed)
    DiskFull,    // the disk filled up
    CardRemoved, // the capture card went away
    Failed,      // the recording graph stopped with an error
    Interrupted, // the TV program ended without stopping it (killed, crashed); finished at its
                 // next start
};

struct RecordingReport {
    std::string file; // the recording's full path, as named when it stopped
    long lengthSeconds = 0;
    long picturesDropped = 0;
    RecordingEnd end = RecordingEnd::Order;
};

// "file<TAB>length<TAB>dropped<TAB>end word"; tabs and line ends in the name become spaces.
std::string EncodeRecordingReport(const RecordingReport& report);
// The text of a report (it ends at byteCount or at a zero byte); false for anything else.
bool DecodeRecordingReport(const void* text, std::size_t byteCount, RecordingReport& report);

} // namespace tunaro
