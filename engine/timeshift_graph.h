// Pausing live TV: the capture graph writes a DVD program stream into the time-shift folder (the
// MPEG recording graph, its live preview hidden), and a second graph of its own plays that file
// while it grows (the card software's time-shift source, the stream splitter, the decoders) into
// the owner window, behind live. The moment of the pause is held by a still of the live picture
// until the ring is played. TimeShiftRing keeps the positions; this object keeps the graphs.
#pragma once

#include <windows.h>
#include <dshow.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/engine_result.h"
#include "engine/timeshift_ring.h"
#include "engine/video_window.h"
#include "framework/raii.h"

namespace tunaro {

class CaptureGraph;
class RecordingGraph;
class StillGrabber;

class TimeShiftGraph {
public:
    TimeShiftGraph(CaptureGraph& graph, RecordingGraph& recording, const StillGrabber& stills);
    ~TimeShiftGraph();
    TimeShiftGraph(const TimeShiftGraph&) = delete;
    TimeShiftGraph& operator=(const TimeShiftGraph&) = delete;

    // Freezes the live picture and starts writing the ring into folder (made when missing),
    // keeping capacityMs. 0 (reported, live TV as it was) when the picture or the file cannot be
    // had; nothing is done while a recording runs or a shift is on.
    EngineResult Begin(const std::string& folder, int64_t capacityMs, int previewMode);
    // Plays on from the paused picture; pauses the picture played. 0 when it cannot be.
    EngineResult Resume();
    EngineResult Pause();
    // Moves the picture by seconds within the ring; at the live edge the shift ends.
    ShiftStep Step(long seconds);
    // Back to live: both graphs torn down, the preview back (not at the engine's shutdown), the
    // ring's files removed.
    void End(bool forShutdown = false);
    // From a timer of the owner while shifted: readies the player during a pause.
    void Tick();
    // Whether the ring's writer stopped writing (a full disk): the caller ends the shift. Asked
    // from a timer of the owner.
    bool WriterFailed();

    bool Active() const { return m_ring.Shifted(); }
    ShiftState State() const { return m_ring.State(); }
    // How far the picture shown is behind live: until the ring plays, the still is older than the
    // ring's first picture by the time the rebuild took.
    int64_t DelayMs() const {
        return m_ring.Delay(NowMs()) + (m_ring.Shifted() && m_stillWindow ? m_ringStart - m_frozenAt : 0);
    }
    int64_t PositionMs() const { return m_ring.Position(NowMs()); }
    const std::string& Folder() const { return m_folder; }
    // The picture shown, as a bitmap file: 1 when written.
    int SaveBmpFile(const char* path) const;
    // The owner window's size changed: the picture follows.
    void FitOwner();
    // Milliseconds of the clock the ring counts in.
    static int64_t NowMs();
    // When the last shift froze the picture and when its ring began (NowMs; the pictures between
    // the two were live but are not in the ring).
    int64_t FrozenAtMs() const { return m_frozenAt; }
    int64_t RingStartMs() const { return m_ringStart; }

private:
    // The packed bitmap (header and pixels) shown over the owner window.
    bool ShowStill(const std::vector<uint8_t>& packed);
    void HideStill();
    EngineResult BuildPlayer();
    void ReleasePlayer();
    HRESULT SeekPlayer(int64_t positionMs);
    // Deletes the ring's files and its folder (once nothing else is in it).
    void RemoveRing();

    CaptureGraph& m_graph;
    RecordingGraph& m_recording;
    const StillGrabber& m_stills;
    TimeShiftRing m_ring{1, 1};
    std::string m_folder;
    std::string m_stillFile;
    HWND m_stillWindow = nullptr;
    HBITMAP m_stillBitmap = nullptr;
    int64_t m_frozenAt = 0, m_ringStart = 0;
    bool m_writing = false;     // the recording graph writes the ring
    LONGLONG m_writerSize = -1; // the ring file's size when last seen growing, and when
    DWORD m_writerSeen = 0;

    // The player: its own graph, owned here, torn down on every path.
    ComPtr<IGraphBuilder> m_player;
    ComPtr<IMediaControl> m_playerControl;
    ComPtr<IMediaSeeking> m_playerSeeking;
    ComPtr<IBaseFilter> m_playerGrabber;
    VideoWindow m_playerWindow;
};

} // namespace tunaro
