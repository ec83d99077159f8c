// Fuzz target of the settings files "setting.ini" and "Tunaro.ini" read through IniSource: any
// text gives settings within their limits, the state the end of a run writes reads back the
// same, and no value written can add or change another key of the file.
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/ini_file.h"

#include "tv/settings.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace tunaro;
using fuzzini::IniFile;

namespace {

const char kProgramDir[] = "C:\\Program Files\\Tunaro";

bool SameState(const TvSettings& a, const TvSettings& b) {
    return a.lVideoStandard == b.lVideoStandard && a.lRecordType == b.lRecordType &&
           a.lVideoSource == b.lVideoSource && a.lCurrentIndex == b.lCurrentIndex &&
           a.lPreChannelIndex == b.lPreChannelIndex && a.strImagePath == b.strImagePath &&
           a.strVideoPath == b.strVideoPath && a.lDisplayMode == b.lDisplayMode;
}

void CheckPath(const std::string& path) {
    FUZZ_CHECK(!path.empty());
    FUZZ_CHECK(path.size() <= kSettingPathMax);
}

// The end of a run writes the state into the file it was read from; the next start reads it.
void CheckStateRoundTrip(const IniFile& file, const TvSettings& state) {
    IniFile written = file;
    for (const IniValue& v : TvSettingsWrites(state))
        written.Write(v);
    FUZZ_CHECK(SameState(LoadTvSettings(written, kProgramDir), state));
    const IniFile reread(written.Text());
    FUZZ_CHECK(SameState(LoadTvSettings(reread, kProgramDir), state));
    FUZZ_CHECK(reread.ReadInt("CloseComputer", "Flag", -1) == 0);
}

// A directory the user chose, stored on its own into an empty file: the file then holds that
// one key, and a path the reader can hold comes back as it was.
void CheckWrittenPath(std::string_view path) {
    IniFile file;
    file.Write(ImagePathWrite(std::string(path)));
    const IniFile reread(file.Text());
    const std::string back = reread.ReadString("SavImagePath", "Path", "<none>", kSettingPathMax);
    FUZZ_CHECK(back.size() <= kSettingPathMax);
    FUZZ_CHECK(reread.ReadString("SavVideoPath", "Path", "<none>", kSettingPathMax) == "<none>");
    FUZZ_CHECK(reread.ReadInt("Channel", "CurrentIndex", -7) == -7);
    FUZZ_CHECK(reread.ReadInt("DisplayMode", "Mode", -7) == -7);
    const bool holdable =
        path.size() <= kSettingPathMax && path.find_first_of(std::string("\r\n\0", 3)) == path.npos;
    if (holdable)
        FUZZ_CHECK(back == path);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const IniFile file(text);

    for (bool chinese : {false, true}) {
        const AppSettings app = LoadAppSettings(file, chinese);
        for (const std::string* s : {&app.strTitle, &app.strFmTitle, &app.strBackground, &app.strSplash,
                                     &app.strAppName, &app.strCompany})
            FUZZ_CHECK(s->size() <= kSettingTextMax);
    }

    const TvSettings state = LoadTvSettings(file, kProgramDir);
    CheckPath(state.strImagePath);
    CheckPath(state.strVideoPath);
    CheckStateRoundTrip(file, state);
    (void)ReadImageFormat(file);
    (void)ReadFreqSpace(file);
    (void)ReadCountryIndex(file);

    // Every line of the input as a directory typed by the user.
    std::size_t start = 0;
    for (int lines = 0; start <= text.size() && lines < 16; ++lines) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        CheckWrittenPath(text.substr(start, end - start));
        start = end + 1;
    }
    return 0;
}
