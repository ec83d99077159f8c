// Kills a program in the middle of saving each of the suite's state files, many times and at
// random points, and checks that what it leaves is always the whole old or the whole new file.
// TUNARO_KILL_TRIALS sets the kills per file (a long run by hand: 1000).
#include "tests/framework/state_files.h"

#include "tests/support/e2e.h"
#include "engine/engine_settings.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace {

int TrialsPerFile() {
    char text[32] = {};
    const DWORD n = GetEnvironmentVariableA("TUNARO_KILL_TRIALS", text, sizeof text);
    const int trials = n > 0 && n < sizeof text ? std::atoi(text) : 0;
    return trials > 0 ? trials : 20;
}

std::string WriterPath() {
    char module[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string path = module;
    return path.substr(0, path.find_last_of("\\/") + 1) + "state_file_writer.exe";
}

// A counter the writer bumps after each finished save.
class SaveCounter {
public:
    explicit SaveCounter(const std::string& name)
        : m_mapping(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(LONG),
                                       name.c_str())) {
        if (m_mapping)
            m_view =
                static_cast<volatile LONG*>(MapViewOfFile(m_mapping, FILE_MAP_WRITE, 0, 0, sizeof(LONG)));
    }
    ~SaveCounter() {
        if (m_view)
            UnmapViewOfFile(const_cast<LONG*>(m_view));
        if (m_mapping)
            CloseHandle(m_mapping);
    }
    bool Valid() const { return m_view != nullptr; }
    LONG Value() const { return *m_view; }
    void Reset() { InterlockedExchange(m_view, 0); }

private:
    HANDLE m_mapping;
    volatile LONG* m_view = nullptr;
};

// Deletes what a killed save left beside the state file (its unfinished temporary file);
// returns how many there were.
int RemoveLeftovers(const std::string& dir, const std::string& keep) {
    int n = 0;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    do {
        const std::string name = fd.cFileName;
        if (name != "." && name != ".." && lstrcmpiA(name.c_str(), keep.c_str()) != 0) {
            ++n;
            DeleteFileA((dir + "\\" + name).c_str());
        }
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return n;
}

} // namespace

TEST(StateFiles, AKillWhileSavingLeavesTheWholeOldOrTheWholeNewFile) {
    const int trials = TrialsPerFile();
    const unsigned seed = GetTickCount();
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> pause(0, 30);
    SaveCounter counter("TunaroKillTestSaves" + std::to_string(GetCurrentProcessId()));
    ASSERT_TRUE(counter.Valid());
    std::printf("kill-while-saving: %d kills per file, seed %u\n", trials, seed);

    for (const statefiles::StateFile& file : statefiles::All()) {
        SCOPED_TRACE(file.name);
        e2e::ScratchDir dir("killsave");
        ASSERT_TRUE(dir.Made());
        const std::string path = dir.File(file.file);
        // Both versions as the program leaves them, the later one saved over the earlier, as
        // the writer does.
        ASSERT_TRUE(file.save(path, 0));
        const std::string older = e2e::ReadFile(path);
        ASSERT_TRUE(file.save(path, 1));
        const std::string newer = e2e::ReadFile(path);
        ASSERT_TRUE(file.save(path, 0));
        ASSERT_EQ(e2e::ReadFile(path), older);
        ASSERT_NE(older, newer);

        int failures = 0, leftovers = 0;
        long saves = 0;
        for (int trial = 0; trial < trials; ++trial) {
            counter.Reset();
            e2e::Program writer;
            ASSERT_TRUE(writer.Start(WriterPath(), std::string(file.name) + " \"" + path +
                                                       "\" TunaroKillTestSaves" +
                                                       std::to_string(GetCurrentProcessId())));
            // Once it is saving, let it run a random while, then kill it wherever it is.
            ASSERT_TRUE(e2e::WaitUntil([&] { return counter.Value() > 0 || !writer.Running(); }, 30000));
            ASSERT_TRUE(writer.Running()) << "the writer ended by itself";
            Sleep(static_cast<DWORD>(pause(rng)));
            writer.Kill();
            ASSERT_FALSE(writer.Running());
            saves += counter.Value();
            const std::string left = e2e::ReadFile(path);
            if (left != older && left != newer) {
                ++failures;
                ADD_FAILURE() << "kill " << trial << " left " << left.size() << " bytes, neither version ("
                              << older.size() << " or " << newer.size() << " bytes)";
            }
            leftovers += RemoveLeftovers(dir.Path(), file.file);
        }
        // The writer does nothing but save, so each kill cuts one save short somewhere.
        std::printf("%-20s kills %d, failures %d, saves finished before the kills %ld, unfinished "
                    "temporary files left %d\n",
                    file.name, trials, failures, saves, leftovers);
        std::fflush(stdout);
    }
}

// The engine's save rewrites only its own section of a profile file other programs share, and a
// text with a line break cannot add keys: the file reads back with every other key as it was.
// (The system reads some sections of a file of this name elsewhere; these two are the file's.)
TEST(StateFiles, TheEngineSaveKeepsTheRestOfTheProfileAndItsTextsOnOneLine) {
    e2e::ScratchDir dir("engineprofile");
    ASSERT_TRUE(dir.Made());
    const std::string path = dir.File("win.ini");
    ASSERT_TRUE(e2e::WriteFile(path, "[Sketcher]\r\nrun=notepad.exe\r\n[vorel]\r\nDebugGraphFiles=1\r\n"
                                     "MasterStream=-1\r\n[TunerDemo]\r\nWallpaper=sky.bmp\r\n"));
    tunaro::EngineSettings s;
    s.masterStream = 0;
    s.timeLimit = 3600;
    s.frameRate = 29.97;
    s.captureFile = "C:\\rec.avi\r\nMasterStream=7\nWantPreview=9";
    ASSERT_TRUE(tunaro::WriteEngineSettingsTo(path, s, "@device:pnp:video", ""));
    auto text = [&](const char* section, const char* key) {
        char value[512] = {};
        GetPrivateProfileStringA(section, key, "<none>", value, sizeof value, path.c_str());
        return std::string(value);
    };
    EXPECT_EQ(text("Sketcher", "run"), "notepad.exe");
    EXPECT_EQ(text("TunerDemo", "Wallpaper"), "sky.bmp");
    EXPECT_EQ(text("vorel", "DebugGraphFiles"), "1");
    EXPECT_EQ(text("vorel", "CaptureFile"), "C:\\rec.avi");
    EXPECT_EQ(text("vorel", "MasterStream"), "0");
    EXPECT_EQ(text("vorel", "WantPreview"), "1");
    EXPECT_EQ(text("vorel", "FrameRate"), "333667");
    EXPECT_EQ(text("vorel", "TimeLimit"), "3600");
    EXPECT_EQ(text("vorel", "VideoDevice2"), "@device:pnp:video");
    EXPECT_EQ(text("vorel", "AudioDevice2"), "");
    const std::string written = e2e::ReadFile(path);
    EXPECT_EQ(written.find("=7"), std::string::npos) << written;
    EXPECT_EQ(written.find("=9"), std::string::npos) << written;

    // A directory that is not there: nothing is written, and no temporary file is left.
    EXPECT_FALSE(tunaro::WriteEngineSettingsTo(dir.File("missing\\win.ini"), s, "", ""));
    EXPECT_FALSE(tunaro::WriteEngineSettingsTo("", s, "", ""));
    EXPECT_EQ(RemoveLeftovers(dir.Path(), "win.ini"), 0);
}
