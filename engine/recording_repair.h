// Finishing a recording its writer never finished: the program was killed or crashed, or the
// computer went off, while the file was written. The stock writers complete their headers and
// indexes only when the graph stops, so such a file claims no length (WAV: no data; AVI: no
// frames and no index; ASF: no size, packet count or duration). The repair keeps every whole
// chunk (ASF: packet) that reached the disk, cuts one cut off at the end, and writes what the
// stop would have written: the sizes, for AVI the length of each stream and an idx1 index of
// the first RIFF segment, for ASF the packet count and the duration its last packet gives. MPEG
// program streams need nothing (they carry no length). Pure logic over the file: no Windows
// headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tunaro {

enum class RecordingRepair {
    Complete, // the file was already finished: nothing changed
    Repaired, // finished now
    Unknown,  // not an AVI, WAV or ASF file: left as it is
    Failed,   // could not be read or written, or too damaged: left as it was as far as possible
};

struct RecordingRepairReport {
    RecordingRepair result = RecordingRepair::Unknown;
    std::uint64_t videoFrames = 0; // AVI: frames of the first video stream kept
    std::uint64_t keptBytes = 0;   // the file's size afterwards (before any index added)
    std::uint64_t cutBytes = 0;    // of a last chunk cut off when the writing stopped
};

// The file as the repair reads and writes it: positional, 64-bit.
class RepairFile {
public:
    virtual ~RepairFile() = default;
    virtual std::uint64_t Size() = 0;
    virtual bool Read(std::uint64_t offset, void* data, std::size_t length) = 0;
    virtual bool Write(std::uint64_t offset, const void* data, std::size_t length) = 0;
    // Cuts the file (or lengthens it with zeros) to size.
    virtual bool Resize(std::uint64_t size) = 0;
};

// Repairs an AVI, WAV or ASF file in place.
RecordingRepairReport RepairRecording(RepairFile& file);
// The same for the file at path (engine/recording_repair_win32.cpp).
RecordingRepairReport RepairRecording(const std::string& path);

} // namespace tunaro
