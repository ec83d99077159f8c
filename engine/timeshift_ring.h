// The bookkeeping of pausing live TV, without Windows: the stream written into a ring of
// segment files (the newest growing, the oldest dropped as the ring fills), the place the picture
// is shown from, how far behind live that is, and what Back and Forward do at the ring's ends.
// Times are milliseconds of one monotonic clock the caller passes in; stream times count from
// the moment buffering began.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace tunaro {

// One segment file of the ring: its number names the file, [start, end) is the stream time it
// holds (end grows while it is the newest).
struct TimeShiftSegment {
    int number = 0;
    int64_t start = 0;
    int64_t end = 0;
};

enum class ShiftState {
    Live,    // nothing buffered, the live picture shown
    Paused,  // the picture frozen at the position, the ring filling behind it
    Playing, // the picture running from the ring, behind live
};

// What a Back or Forward step did.
enum class ShiftStep {
    Ignored, // not shifted: the step is not the time shift's
    Moved,   // the position moved (held at the oldest picture going back)
    ToLive,  // forward reached the live edge: back to live
};

// Where a stream time lies in the ring: the segment's number and the milliseconds into it.
struct ShiftLocation {
    int number = 0;
    int64_t offset = 0;
};

class TimeShiftRing {
public:
    // The ring keeps at least capacityMs behind the live edge in segments of segmentMs each.
    TimeShiftRing(int64_t capacityMs, int64_t segmentMs);

    // ---- the writer ---------------------------------------------------------------------------
    // Buffering begins at now with segment 1, the picture frozen at its first moment (Paused).
    void Begin(int64_t now);
    // The newest segment is full at now: the writer closes it and opens the one Roll returns;
    // the oldest ones that the ring no longer needs go to Dropped.
    bool NeedsRoll(int64_t now) const;
    int Roll(int64_t now);
    // The numbers of dropped segments since the last call, whose files may go.
    std::vector<int> TakeDropped();
    // Back to live: the ring is emptied; returns the numbers of every segment it held.
    std::vector<int> End();

    // ---- the reader ---------------------------------------------------------------------------
    // Pause while playing from the ring (live TV pauses with Begin); Resume plays on from the
    // paused picture. Each does nothing in the other states.
    void Pause(int64_t now);
    void Resume(int64_t now);
    // Moves the position by deltaMs: going back it stops at the oldest picture kept, going
    // forward it returns to live once it reaches the live edge.
    ShiftStep Step(int64_t now, int64_t deltaMs);

    ShiftState State() const { return m_state; }
    bool Shifted() const { return m_state != ShiftState::Live; }
    // The stream time shown at now (never before the oldest picture kept).
    int64_t Position(int64_t now) const;
    // The newest stream time written by now.
    int64_t LiveEdge(int64_t now) const;
    // How far the picture is behind live at now.
    int64_t Delay(int64_t now) const;
    // The oldest stream time kept.
    int64_t Oldest() const;
    // The segment and the offset into it of a stream time (clamped to what the ring holds).
    ShiftLocation Locate(int64_t streamTime) const;
    const std::deque<TimeShiftSegment>& Segments() const { return m_segments; }
    int64_t CapacityMs() const { return m_capacity; }

private:
    void Anchor(int64_t now, int64_t position);
    void DropUnneeded(int64_t now);

    int64_t m_capacity;
    int64_t m_segmentLength;
    ShiftState m_state = ShiftState::Live;
    int64_t m_begin = 0;          // the clock at stream time 0
    int64_t m_anchorNow = 0;      // the clock when the position was last set
    int64_t m_anchorPosition = 0; // the stream time shown then
    int m_nextNumber = 1;
    std::deque<TimeShiftSegment> m_segments;
    std::vector<int> m_dropped;
};

// "Shift -mm:ss" (minutes go on past 59), its Chinese twin in Chinese mode; the delay is rounded
// to the nearest second.
std::string FormatShiftDelay(int64_t delayMs, bool chinese);
// The ring's folder on the drive of the recording directory: "D:\Tunaro TimeShift" for
// "D:\TV\Video", "\\server\share\Tunaro TimeShift" for a share; "" without a drive.
std::string TimeShiftFolder(const std::string& videoDirectory);
// The file of segment number in the folder: "shift00001.mpg".
std::string TimeShiftSegmentFile(const std::string& folder, int number);
// Whether a file name is one of the ring's segment files (what a crash may have left).
bool IsTimeShiftSegmentName(const std::string& name);
// Record format 0 (DVD) is the ring's own format: a recording made behind live starts at the
// oldest buffered picture. Every other format records from live.
bool RecordKeepsBuffer(int recordFormat);
// The [TimeShift] Minutes value as a capacity: 0 and negative values turn time shift off, and a
// day is the most a ring holds.
int64_t TimeShiftCapacityMs(long minutes);

} // namespace tunaro
