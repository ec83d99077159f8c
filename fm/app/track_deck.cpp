// TrackDeck.dll bound by ordinal.
#include "fm/app/track_deck.h"

#include "framework/debug_print.h"

namespace tunaro::fm {

namespace {
template <class F> F Entry(HMODULE module, int ordinal) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(ordinal))));
}
} // namespace

TrackDeck::~TrackDeck() {
    if (m_module)
        FreeLibrary(m_module);
}

bool TrackDeck::Load() {
    if (m_module || m_tried)
        return m_module != nullptr;
    m_tried = true;
    HMODULE module = LoadLibraryA(kTrackDeckName);
    if (!module) {
        TUNARO_TRACE("Tunaro FM: %s cannot be loaded (%lu)", kTrackDeckName, GetLastError());
        return false;
    }
    m_open = Entry<OpenFn>(module, 1);
    m_run = Entry<VoidFn>(module, 2);
    m_pause = Entry<VoidFn>(module, 3);
    m_close = Entry<VoidFn>(module, 5);
    m_duration = Entry<TimeFn>(module, 6);
    m_position = Entry<TimeFn>(module, 7);
    m_seek = Entry<SeekFn>(module, 8);
    if (!m_open || !m_run || !m_pause || !m_close || !m_duration || !m_position || !m_seek) {
        TUNARO_TRACE("Tunaro FM: %s lacks a playback entry", kTrackDeckName);
        FreeLibrary(module);
        return false;
    }
    m_module = module;
    return true;
}

bool TrackDeck::Open(const char* path, HWND owner) {
    return Load() && m_open(path, owner) != 0;
}
bool TrackDeck::Run() {
    return m_module && m_run() != 0;
}
bool TrackDeck::Pause() {
    return m_module && m_pause() != 0;
}
bool TrackDeck::Close() {
    return m_module && m_close() != 0;
}
std::int64_t TrackDeck::Duration() {
    std::int64_t units = 0;
    if (m_module)
        m_duration(&units);
    return units;
}
std::int64_t TrackDeck::Position() {
    std::int64_t units = 0;
    if (m_module)
        m_position(&units);
    return units;
}
bool TrackDeck::Seek(int seconds) {
    return m_module && m_seek(seconds) != 0;
}

} // namespace tunaro::fm
