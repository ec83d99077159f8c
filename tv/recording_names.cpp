// Recording file names: the format table's extensions and the three ways a file is named.
#include "tv/recording_names.h"

#include <cctype>
#include <cstdio>

namespace tunaro {

namespace {

struct FormatNames {
    const char* start;
    const char* named;
    const char* automatic;
};

constexpr FormatNames kNames[kRecordFormatCount] = {
    {".mpg", ".MPG", ".mpg"}, // DVD
    {".mpg", ".MPG", ".mpg"}, // VCD
    {".avi", ".avi", ".avi"}, // MPEG-4 in AVI
    {".avi", ".avi", ".avi"}, // uncompressed AVI
    {".MP3", ".MP3", ".mp3"}, // MP3
    {".wmv", ".WMV", ".wmv"}, // Windows Media video
    {".mpg", ".MPG", ".mpg"}, // SVCD
    {".wma", ".wma", ".wma"}, // Windows Media audio
};

const FormatNames& NamesOf(long code) {
    return kNames[IsRecordFormat(code) ? code : kRecordDvd];
}

} // namespace

bool IsRecordFormat(long code) {
    return code >= 0 && code < kRecordFormatCount;
}

const char* StartExtension(long code) {
    return NamesOf(code).start;
}

const char* NamedExtension(long code) {
    return NamesOf(code).named;
}

const char* AutoNameExtension(long code) {
    return NamesOf(code).automatic;
}

std::string JoinDirectory(const std::string& directory, const std::string& name) {
    if (!directory.empty() && directory.back() == '\\')
        return directory + name;
    return directory + "\\" + name;
}

std::string TimeName(time_t when) {
    struct tm local = {};
    const struct tm* parts = localtime(&when);
    if (parts)
        local = *parts;
    char text[32] = "";
    strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

std::string StartFileName(const std::string& directory, time_t when, long code) {
    return JoinDirectory(directory, TimeName(when) + StartExtension(code));
}

std::string NamedFileName(const std::string& directory, const std::string& name, long code) {
    return JoinDirectory(directory, name + NamedExtension(code));
}

std::string AutoFileName(const std::string& directory, time_t stopTime, long seconds, long code) {
    char minutes[24];
    std::snprintf(minutes, sizeof minutes, "-%ld", seconds > 0 ? seconds / 60 : 0L);
    return JoinDirectory(directory, TimeName(stopTime) + minutes + AutoNameExtension(code));
}

std::string ContinuedFileName(const std::string& first, long code) {
    const size_t slash = first.find_last_of('\\');
    const size_t dot = first.find_last_of('.');
    const size_t cut =
        dot != std::string::npos && (slash == std::string::npos || dot > slash) ? dot : first.size();
    return first.substr(0, cut) + "-2" + AutoNameExtension(code);
}

bool HasReservedCharacter(const std::string& name) {
    return name.find_first_of("\\/:*?<>|\"") != std::string::npos;
}

NameProblem CheckRecordingName(const std::string& name) {
    if (name.empty())
        return NameProblem::Empty;
    if (HasReservedCharacter(name))
        return NameProblem::Reserved;
    bool onlyDots = true;
    for (unsigned char c : name) {
        if (c < 32)
            return NameProblem::Unusable;
        if (c != '.')
            onlyDots = false;
    }
    if (onlyDots || name.back() == '.' || name.back() == ' ')
        return NameProblem::Unusable;
    return NameProblem::None;
}

} // namespace tunaro
