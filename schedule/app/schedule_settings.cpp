// AheadTurnOn in Tunaro.ini, read with the private-profile functions and written through a
// complete copy of the file.
#include "schedule/app/schedule_settings.h"

#include <windows.h>

#include <string>

#include "framework/file_replace.h"

namespace tunaro {
namespace {

constexpr const char kSection[] = "Schedule";
constexpr const char kKey[] = "AheadTurnOn";

} // namespace

int ReadAheadMinutes(const std::string& tunaroIni) {
    return int(GetPrivateProfileIntA(kSection, kKey, kDefaultAheadMinutes, tunaroIni.c_str()));
}

bool WriteAheadMinutes(const std::string& tunaroIni, int minutes) {
    // The key is set in a scratch copy with the system's own INI writer, whose result then
    // replaces the file in one step.
    std::string bytes;
    if (FileExists(tunaroIni) && !ReadFileBytes(tunaroIni, bytes)) {
        return false;
    }
    const std::string scratch = tunaroIni + ".new";
    if (!WriteFileBytes(scratch, bytes)) {
        DeleteFileA(scratch.c_str());
        return false;
    }
    const std::string value = std::to_string(minutes);
    bool ok = WritePrivateProfileStringA(kSection, kKey, value.c_str(), scratch.c_str()) != FALSE;
    // Flush the profile cache for the scratch file before it is read back.
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, scratch.c_str());
    ok = ok && ReadFileBytes(scratch, bytes);
    DeleteFileA(scratch.c_str());
    return ok && WriteFileReplacing(tunaroIni, bytes);
}

} // namespace tunaro
