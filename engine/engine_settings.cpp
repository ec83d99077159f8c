// The "vorel" section of the per-user profile: the engine's settings as decimal text.
#include "engine/engine_settings.h"

#include <windows.h>

#include "framework/debug_print.h"
#include "framework/file_replace.h"
#include "framework/format.h"

#include <string_view>
#include <utility>
#include <vector>

namespace tunaro {

namespace {

const char kSection[] = "vorel";

// A text value ends at a line break: the rest would become a line, and perhaps a key, of its own.
std::string OneLine(const std::string& text) {
    return text.substr(0, text.find_first_of(std::string_view("\r\n\0", 3)));
}

} // namespace

EngineSettings ReadEngineSettings() {
    EngineSettings s;
    s.masterStream = static_cast<int>(GetProfileIntA(kSection, "MasterStream", 1));
    s.useFrameRate = static_cast<int>(GetProfileIntA(kSection, "UseFrameRate", 1));
    s.frameRateSetting = static_cast<long>(GetProfileIntA(kSection, "FrameRate", 666667));
    s.useTimeLimit = static_cast<int>(GetProfileIntA(kSection, "UseTimeLimit", 0));
    s.timeLimit = static_cast<long>(GetProfileIntA(kSection, "TimeLimit", 0));
    s.debugGraphFiles = GetProfileIntA(kSection, "DebugGraphFiles", 0) == 1 ? 1 : 0;
    s.frameRate = 25.0;
    return s;
}

std::string EngineProfilePath() {
    char dir[MAX_PATH + 1] = {};
    const UINT n = GetWindowsDirectoryA(dir, MAX_PATH);
    if (n == 0 || n > MAX_PATH)
        return std::string();
    std::string path(dir, n);
    if (path.back() != '\\')
        path += '\\';
    return path + "win.ini";
}

bool WriteEngineSettingsTo(const std::string& profilePath, const EngineSettings& s,
                           const std::string& videoDevice, const std::string& audioDevice) {
    if (profilePath.empty())
        return false;
    const std::vector<std::pair<const char*, std::string>> values = {
        {"CaptureFile", OneLine(s.captureFile)},
        {"VideoDevice2", OneLine(videoDevice)},
        {"AudioDevice2", OneLine(audioDevice)},
        {"FrameRate", Format("%ld", s.frameRate > 0 ? static_cast<long>(10000000.0 / s.frameRate) : 0L)},
        {"UseFrameRate", Format("%d", s.useFrameRate)},
        {"CaptureAudio", Format("%d", s.captureAudio)},
        {"CaptureCC", Format("%d", s.captureCC)},
        {"WantPreview", Format("%d", s.wantPreview)},
        {"MasterStream", Format("%d", s.masterStream)},
        {"UseTimeLimit", Format("%d", s.useTimeLimit)},
        {"TimeLimit", Format("%ld", s.timeLimit)},
    };
    // Written into a copy of the file, which then takes the file's place: the other sections
    // of the profile stay as they were, and a cut-short write never leaves half a file.
    return ReplaceFileWith(profilePath, [&](const std::string& temp) {
        if (FileExists(profilePath) && !CopyFileA(profilePath.c_str(), temp.c_str(), FALSE))
            return false;
        for (const auto& v : values)
            if (!WritePrivateProfileStringA(kSection, v.first, v.second.c_str(), temp.c_str()))
                return false;
        // The profile cache puts everything on the disk before the swap.
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, temp.c_str());
        return true;
    });
}

bool WriteEngineSettings(const EngineSettings& settings, const std::string& videoDevice,
                         const std::string& audioDevice) {
    const std::string path = EngineProfilePath();
    if (WriteEngineSettingsTo(path, settings, videoDevice, audioDevice))
        return true;
    DebugPrint("Cannot save the capture settings in %s\n", path.c_str());
    return false;
}

} // namespace tunaro
