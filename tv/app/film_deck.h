// The movie player library FilmDeck.dll as the program uses it: loaded once, its numbered entry
// points looked up, each call failing harmlessly when the library or the entry is missing.
#pragma once

#include <windows.h>

#include <cstdint>

namespace tunaro {

class FilmDeck {
public:
    FilmDeck() = default;
    ~FilmDeck();
    FilmDeck(const FilmDeck&) = delete;
    FilmDeck& operator=(const FilmDeck&) = delete;

    // Loads the library (once); false when it is not there.
    bool Load();
    bool Loaded() const { return m_module != nullptr; }

    // 1: opens path for playback in owner; true when it can be played.
    bool Open(HWND owner, const char* path);
    void Play();                         // 2
    void Pause();                        // 3
    void Close();                        // 5
    int64_t Duration();                  // 6, 100-ns units (0 when unknown)
    int64_t Position();                  // 7, 100-ns units
    void Seek(long seconds);             // 8: relative; 0 rewinds
    void SetOwner(HWND video);           // 12
    void Place(const RECT& rc);          // 13
    void SetFullScreenOwner(HWND video); // 19

private:
    void* Entry(int ordinal) const;

    HMODULE m_module = nullptr;
};

} // namespace tunaro
