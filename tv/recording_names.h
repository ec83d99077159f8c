// The names of recording files and the rules around them, without Windows: the record format
// table (extensions, which engine start), the start name, the name the name dialog gives, the
// automatic name of a quick or scheduled recording, and which typed names a file can take.
#pragma once

#include <ctime>
#include <string>

namespace tunaro {

// Record format codes (Tunaro.ini "RecordType"/"Type", the record type page, the scheduler).
enum RecordFormat : long {
    kRecordDvd = 0,
    kRecordVcd = 1,
    kRecordMpeg4Avi = 2,
    kRecordAvi = 3,
    kRecordMp3 = 4,
    kRecordWmv = 5,
    kRecordSvcd = 6,
    kRecordWma = 7,
};
constexpr long kRecordFormatCount = 8;

bool IsRecordFormat(long code);
// The extension of the file while it is written, and after the name dialog (with the dot).
// An unknown code gets the DVD ones.
const char* StartExtension(long code);
const char* NamedExtension(long code);
// The extension of an automatically named file: ".avi", ".mp3", ".wmv", ".wma" or ".mpg".
const char* AutoNameExtension(long code);

// directory + "\" (unless it ends in one) + name.
std::string JoinDirectory(const std::string& directory, const std::string& name);
// Local time as "%Y%m%d-%H%M%S".
std::string TimeName(time_t when);
// The file a recording is written to: directory + time name + start extension.
std::string StartFileName(const std::string& directory, time_t when, long code);
// The name after the dialog: directory + typed name + the dialog extension.
std::string NamedFileName(const std::string& directory, const std::string& name, long code);
// The automatic name: directory + the stop time + "-" + whole minutes recorded + extension.
std::string AutoFileName(const std::string& directory, time_t stopTime, long seconds, long code);

// The rest of a recording that was cut off goes beside it: the first file's path without its
// extension + "-2" + the automatic extension of code.
std::string ContinuedFileName(const std::string& first, long code);

// Characters no file name may hold: \ / : * ? < > | and the double quote.
bool HasReservedCharacter(const std::string& name);
// Why a typed name cannot name a recording: "" when it can. Besides the reserved characters
// and the empty name, control characters, a name of dots only and names that end in a dot or a
// blank are refused (the file system would change or refuse them).
enum class NameProblem { None, Empty, Reserved, Unusable };
NameProblem CheckRecordingName(const std::string& name);

} // namespace tunaro
