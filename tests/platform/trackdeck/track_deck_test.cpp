// TrackDeck.dll through its ordinals: a file opens with its duration, runs, pauses, moves to a
// second and back to the start, and closes; a missing file does not open.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>

#include "tests/support/e2e.h"
#include "tests/platform/media_check.h"

namespace {

using OpenFn = int(WINAPI*)(const char*, HWND);
using VoidFn = int(WINAPI*)();
using TimeFn = int(WINAPI*)(std::int64_t*);
using SeekFn = int(WINAPI*)(int);

constexpr std::int64_t kUnitsPerSecond = 10000000;

class TrackDeckTest : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        m_module = LoadLibraryA((e2e::ExeDir() + "\\TrackDeck.dll").c_str());
        ASSERT_NE(m_module, nullptr);
        m_open =
            reinterpret_cast<OpenFn>(reinterpret_cast<void*>(GetProcAddress(m_module, MAKEINTRESOURCEA(1))));
        m_run =
            reinterpret_cast<VoidFn>(reinterpret_cast<void*>(GetProcAddress(m_module, MAKEINTRESOURCEA(2))));
        m_pause =
            reinterpret_cast<VoidFn>(reinterpret_cast<void*>(GetProcAddress(m_module, MAKEINTRESOURCEA(3))));
        m_close =
            reinterpret_cast<VoidFn>(reinterpret_cast<void*>(GetProcAddress(m_module, MAKEINTRESOURCEA(5))));
        m_duration =
            reinterpret_cast<TimeFn>(reinterpret_cast<void*>(GetProcAddress(m_module, MAKEINTRESOURCEA(6))));
        m_position =
            reinterpret_cast<TimeFn>(reinterpret_cast<void*>(GetProcAddress(m_module, MAKEINTRESOURCEA(7))));
        m_seek =
            reinterpret_cast<SeekFn>(reinterpret_cast<void*>(GetProcAddress(m_module, MAKEINTRESOURCEA(8))));
        ASSERT_TRUE(m_open && m_run && m_pause && m_close && m_duration && m_position && m_seek);
    }
    void TearDown() override {
        if (m_close)
            m_close();
        if (m_module)
            FreeLibrary(m_module);
        CoUninitialize();
    }

    std::int64_t Position() const {
        std::int64_t units = -1;
        m_position(&units);
        return units;
    }

    // Plays a file of 6 s through every entry the FM program uses.
    void PlaysThroughEveryEntry(const std::string& path) {
        ASSERT_EQ(m_open(path.c_str(), nullptr), 1) << path;
        std::int64_t duration = 0;
        EXPECT_EQ(m_duration(&duration), 1);
        EXPECT_NEAR(static_cast<double>(duration) / kUnitsPerSecond, 6.0, 0.3) << path;
        EXPECT_LT(Position(), kUnitsPerSecond / 2);

        ASSERT_EQ(m_run(), 1);
        EXPECT_TRUE(e2e::WaitUntil([&] { return Position() >= kUnitsPerSecond; }, 15000)) << Position();
        // Paused, the position stands.
        ASSERT_EQ(m_pause(), 1);
        const std::int64_t paused = Position();
        Sleep(700);
        EXPECT_NEAR(static_cast<double>(Position()), static_cast<double>(paused), kUnitsPerSecond / 10.0);
        // Moved to a second, then to the start.
        EXPECT_EQ(m_seek(4), 1);
        EXPECT_NEAR(static_cast<double>(Position()) / kUnitsPerSecond, 4.0, 0.3);
        EXPECT_EQ(m_seek(0), 1);
        EXPECT_LT(Position(), kUnitsPerSecond / 4);
        // Resumed, it goes on.
        ASSERT_EQ(m_run(), 1);
        EXPECT_TRUE(e2e::WaitUntil([&] { return Position() >= kUnitsPerSecond / 2; }, 15000));
        // Played to its end, paused, moved to the start and run again, it plays again.
        EXPECT_EQ(m_seek(5), 1);
        EXPECT_TRUE(e2e::WaitUntil([&] { return Position() >= duration - kUnitsPerSecond / 10; }, 15000))
            << Position();
        Sleep(1500);
        ASSERT_EQ(m_pause(), 1);
        EXPECT_EQ(m_seek(0), 1);
        ASSERT_EQ(m_run(), 1);
        EXPECT_TRUE(e2e::WaitUntil(
            [&] {
                const std::int64_t p = Position();
                return p >= kUnitsPerSecond / 2 && p < 3 * kUnitsPerSecond;
            },
            10000))
            << Position();
        EXPECT_EQ(m_close(), 1);
        // Closed, nothing is left to drive.
        EXPECT_EQ(m_run(), 0);
        std::int64_t none = 123;
        EXPECT_EQ(m_duration(&none), 0);
        EXPECT_EQ(none, 0);
    }

    HMODULE m_module = nullptr;
    OpenFn m_open = nullptr;
    VoidFn m_run = nullptr;
    VoidFn m_pause = nullptr;
    VoidFn m_close = nullptr;
    TimeFn m_duration = nullptr;
    TimeFn m_position = nullptr;
    SeekFn m_seek = nullptr;
};

TEST_F(TrackDeckTest, PlaysMp3AndWmaFilesAndRefusesWhatIsNotThere) {
    if (!mediacheck::Available())
        GTEST_SKIP() << "native ffmpeg is missing";
    e2e::ScratchDir dir("trackdeck");
    ASSERT_TRUE(dir.Made());
    const std::string mp3 = dir.File("tone.MP3");
    const std::string wma = dir.File("tone.WMA");
    std::string output;
    // 128 kbit/s Layer III and WMA2 in ASF, as the suite records them.
    ASSERT_EQ(
        mediacheck::RunShell("ffmpeg -nostdin -loglevel error -y -f lavfi -i sine=frequency=440:duration=6 "
                             "-ac 2 -ar 44100 -c:a libmp3lame -b:a 128k '" +
                                 mediacheck::UnixPath(mp3) + "'",
                             &output),
        0)
        << output;
    ASSERT_EQ(
        mediacheck::RunShell("ffmpeg -nostdin -loglevel error -y -f lavfi -i sine=frequency=440:duration=6 "
                             "-ac 2 -ar 44100 -c:a wmav2 -b:a 128k -f asf '" +
                                 mediacheck::UnixPath(wma) + "'",
                             &output),
        0)
        << output;

    PlaysThroughEveryEntry(mp3);
    PlaysThroughEveryEntry(wma);

    EXPECT_EQ(m_open(dir.File("missing.MP3").c_str(), nullptr), 0);
    EXPECT_EQ(m_open(dir.Path().c_str(), nullptr), 0);
    EXPECT_EQ(m_run(), 0);
    EXPECT_EQ(m_pause(), 0);
    std::int64_t units = 5;
    EXPECT_EQ(m_position(&units), 0);
    EXPECT_EQ(units, 0);
}

} // namespace
