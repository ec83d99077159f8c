// The "vorel" section of the per-user profile: the engine's settings as decimal text.
#include "engine/engine_settings.h"

#include <windows.h>

#include "framework/format.h"

namespace tunaro {

namespace {

const char kSection[] = "vorel";

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

void WriteEngineSettings(const EngineSettings& s, const std::string& videoDevice,
                         const std::string& audioDevice) {
    auto put = [](const char* key, long value) {
        WriteProfileStringA(kSection, key, Format("%ld", value).c_str());
    };
    WriteProfileStringA(kSection, "CaptureFile", s.captureFile.c_str());
    WriteProfileStringA(kSection, "VideoDevice2", videoDevice.c_str());
    WriteProfileStringA(kSection, "AudioDevice2", audioDevice.c_str());
    put("FrameRate", s.frameRate > 0 ? static_cast<long>(10000000.0 / s.frameRate) : 0);
    put("UseFrameRate", s.useFrameRate);
    put("CaptureAudio", s.captureAudio);
    put("CaptureCC", s.captureCC);
    put("WantPreview", s.wantPreview);
    put("MasterStream", s.masterStream);
    put("UseTimeLimit", s.useTimeLimit);
    put("TimeLimit", s.timeLimit);
}

} // namespace tunaro
