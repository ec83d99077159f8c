// The playback library TrackDeck.dll as the FM program uses it: loaded when first needed, its
// entries bound by ordinal.
#pragma once

#include <windows.h>

#include <cstdint>

namespace tunaro::fm {

constexpr const char* kTrackDeckName = "TrackDeck.dll";

class TrackDeck {
public:
    TrackDeck() = default;
    ~TrackDeck();
    TrackDeck(const TrackDeck&) = delete;
    TrackDeck& operator=(const TrackDeck&) = delete;

    // Loads the library on first use; false when it or one of its entries is missing (every
    // call below then does nothing and reports failure).
    bool Load();

    bool Open(const char* path, HWND owner); // entry 1
    bool Run();                              // entry 2: starts or resumes playback
    bool Pause();                            // entry 3
    bool Close();                            // entry 5
    std::int64_t Duration();                 // entry 6, 100-ns units (0 when unknown)
    std::int64_t Position();                 // entry 7, 100-ns units
    bool Seek(int seconds);                  // entry 8: 0 goes to the start

private:
    using OpenFn = int(WINAPI*)(const char*, HWND);
    using VoidFn = int(WINAPI*)();
    using TimeFn = int(WINAPI*)(std::int64_t*);
    using SeekFn = int(WINAPI*)(int);

    HMODULE m_module = nullptr;
    bool m_tried = false;
    OpenFn m_open = nullptr;
    VoidFn m_run = nullptr;
    VoidFn m_pause = nullptr;
    VoidFn m_close = nullptr;
    TimeFn m_duration = nullptr;
    TimeFn m_position = nullptr;
    SeekFn m_seek = nullptr;
};

} // namespace tunaro::fm
