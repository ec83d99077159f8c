// The capture library's FM station list and the rules of its FM band scan: the "FmProgram.txt"
// text read and written, the list's operations by index, and the scan's detection and progress.
// Plain text and arithmetic, no Windows headers: read, tested and fuzzed on its own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tunaro {

// One FM station of the list.
struct FmStation {
    std::string name;
    int32_t frequency = 0; // hertz
    int32_t channel = 0;
};

// A station name keeps at most this many characters (the name copy handed to callers is one
// byte longer for its terminator).
inline constexpr size_t kFmNameMax = 255;
// Lines longer than this are cut there when the list is read.
inline constexpr size_t kFmLineMax = 1024;

// A station name the way the file gives it back: cut at a NUL, a line break or ';' read as a
// blank (the writer writes them so), blanks trimmed at both ends, at most kFmNameMax characters,
// "Empty" when nothing is left. The list stores every name this way, so a name shows now what
// it shows after the next start.
std::string StoredFmName(const std::string& name);

// Reads the text of "FmProgram.txt": one field per line ("Name: %s", "Freq: %ld", "Chan: %d"),
// each line cut at its first ';', keys matched without regard to case at the start of the line.
// A "Name:" line completes the previous record when a frequency was read since the previous name;
// its text is trimmed ("Empty" when nothing is left, at most kFmNameMax characters) and it takes
// the next running channel number (from 1) until a "Chan:" line says otherwise. A record still
// pending at the end is completed.
std::vector<FmStation> ParseFmProgram(const std::string& text);
// The text of the list in the same form, records in list order, lines ended by CR LF.
std::string FormatFmProgram(const std::vector<FmStation>& stations);

// The station list with the operations the capture library offers by index. An index that is
// negative or not below the size is refused: setters return false, getters 0 or "".
class FmStationList {
public:
    int Size() const { return static_cast<int>(m_stations.size()); }
    bool Valid(int index) const { return index >= 0 && index < Size(); }
    const std::vector<FmStation>& Stations() const { return m_stations; }
    void Assign(std::vector<FmStation> stations) { m_stations = std::move(stations); }
    void Clear() { m_stations.clear(); }

    std::string Name(int index) const { return Valid(index) ? m_stations[index].name : std::string(); }
    int32_t Frequency(int index) const { return Valid(index) ? m_stations[index].frequency : 0; }
    int32_t Channel(int index) const { return Valid(index) ? m_stations[index].channel : 0; }
    // The name is stored as StoredFmName gives it.
    bool SetName(int index, const std::string& name);
    bool SetFrequency(int index, int32_t frequency);
    bool SetChannel(int index, int32_t channel);
    // Later records move up.
    bool Delete(int index);
    // Appends a record whose channel number is the size before appending (names as SetName).
    void Add(const std::string& name, int32_t frequency);
    // Appends a record with its own channel number (the scan's finds).
    void Append(const std::string& name, int32_t frequency, int32_t channel);

private:
    std::vector<FmStation> m_stations;
};

// ---- FM band scan ----------------------------------------------------------------------------

inline constexpr int32_t kFmBandLow = 87500000;
inline constexpr int32_t kFmBandHigh = 108000000;
inline constexpr int32_t kFmScanStep = 50000;
// After a find the scan goes on this far above the tuner's frequency.
inline constexpr int32_t kFmScanSkip = 200000;

// Whether three successive PLL-offset readings (x two steps back, y one step back, z now; -1 for
// none) show a station under the detection mode (0, 1 or 2; any other mode never detects).
bool FmScanDetects(int mode, int x, int y, int z);
// Percentage of the band scanned at this frequency, 0 to 100.
int FmScanProgress(int32_t frequency);
// Name of the n-th station the scan finds.
std::string FmScanStationName(long counter);

// The frequency list the library's TV scan walks: the text of "CHANNEL.TXT", three header lines
// skipped, then one integer (hertz) per line; lines without a number are passed over.
std::vector<int32_t> ParseFrequencyList(const std::string& text);

} // namespace tunaro
