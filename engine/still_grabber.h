// Stills of the live picture: a bitmap file or a packed bitmap in memory, from the display
// optimiser's picture or from the frame grabber's last frame, depending on the preview mode.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace tunaro {

class CaptureGraph;

class StillGrabber {
public:
    explicit StillGrabber(const CaptureGraph& graph) : m_graph(graph) {}

    // 1 when the file was written; 0 (nothing written) when there is no picture.
    int SaveBmpFile(const char* path, int previewMode) const;
    // Writes the still into buffer; returns the bytes written, 0 when there is no picture.
    long CopyImageMem(BYTE* buffer, int previewMode) const;
    // The same into a buffer of capacity bytes: a still that does not fit is not copied (0), so a
    // frame of an unexpected size never runs past the caller's buffer.
    long CopyImageMem(BYTE* buffer, size_t capacity, int previewMode) const;
    // How large CopyImageMem's buffer must be now.
    long ImageMemSize(int previewMode) const;
    // The size of what the grabber receives (the preview pin may run at another size than the
    // capture pin).
    bool GrabberFrameSize(long* width, long* height) const;
    // The grabber's current YUY2 frame of that size.
    bool GrabYuy2(long* width, long* height, std::vector<uint8_t>* frame) const;

private:
    bool OptimiserImage(std::vector<uint8_t>* packed) const;

    const CaptureGraph& m_graph;
};

} // namespace tunaro
