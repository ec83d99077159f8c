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
    // The key is set with the system's own INI writer in a complete copy of the file beside it,
    // which then takes the file's place in one step; a copy cut short is never seen.
    const std::string value = std::to_string(minutes);
    return ReplaceFileWith(tunaroIni, [&](const std::string& temp) {
        std::string bytes;
        if (FileExists(tunaroIni) && !ReadFileBytes(tunaroIni, bytes)) {
            return false;
        }
        if (!WriteFileBytes(temp, bytes) ||
            !WritePrivateProfileStringA(kSection, kKey, value.c_str(), temp.c_str())) {
            return false;
        }
        // Flush the profile cache for the copy before it is swapped in.
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, temp.c_str());
        return true;
    });
}

} // namespace tunaro
