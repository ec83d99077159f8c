// FilmDeck.dll through its numbered entries.
#include "tv/app/film_deck.h"

namespace tunaro {

namespace {

using OpenFn = int(__cdecl*)(HWND, const char*, HWND);
using VoidFn = int(__cdecl*)();
using TimeFn = int(__cdecl*)(int64_t*);
using SeekFn = int(__cdecl*)(long);
using OwnerFn = int(__cdecl*)(HWND, HWND);
using PlaceFn = int(__cdecl*)(long, long, long, long);

} // namespace

FilmDeck::~FilmDeck() {
    if (m_module)
        FreeLibrary(m_module);
}

bool FilmDeck::Load() {
    if (!m_module)
        m_module = LoadLibraryA("FilmDeck.dll");
    return m_module != nullptr;
}

void* FilmDeck::Entry(int ordinal) const {
    return m_module ? reinterpret_cast<void*>(GetProcAddress(m_module, MAKEINTRESOURCEA(ordinal))) : nullptr;
}

bool FilmDeck::Open(HWND owner, const char* path) {
    auto open = reinterpret_cast<OpenFn>(Entry(1));
    return open && open(owner, path, owner) == 0;
}

void FilmDeck::Play() {
    if (auto play = reinterpret_cast<VoidFn>(Entry(2)))
        play();
}

void FilmDeck::Pause() {
    if (auto pause = reinterpret_cast<VoidFn>(Entry(3)))
        pause();
}

void FilmDeck::Close() {
    if (auto close = reinterpret_cast<VoidFn>(Entry(5)))
        close();
}

int64_t FilmDeck::Duration() {
    int64_t value = 0;
    if (auto duration = reinterpret_cast<TimeFn>(Entry(6)))
        duration(&value);
    return value;
}

int64_t FilmDeck::Position() {
    int64_t value = 0;
    if (auto position = reinterpret_cast<TimeFn>(Entry(7)))
        position(&value);
    return value;
}

void FilmDeck::Seek(long seconds) {
    if (auto seek = reinterpret_cast<SeekFn>(Entry(8)))
        seek(seconds);
}

void FilmDeck::SetOwner(HWND video) {
    if (auto owner = reinterpret_cast<OwnerFn>(Entry(12)))
        owner(video, video);
}

void FilmDeck::Place(const RECT& rc) {
    if (auto place = reinterpret_cast<PlaceFn>(Entry(13)))
        place(rc.left, rc.top, rc.right, rc.bottom);
}

void FilmDeck::SetFullScreenOwner(HWND video) {
    if (auto owner = reinterpret_cast<OwnerFn>(Entry(19)))
        owner(video, video);
}

} // namespace tunaro
