// The engine's sound-clock filter: 16-bit PCM in, the same type out, every buffer resampled by
// SoundClock (engine/sound_clock.h) so that the sound keeps to the stream time its buffers are
// stamped with. Built by the engine itself, never registered.
#pragma once

#include <windows.h>
#include <dshow.h>

namespace tunaro {

// The name the filter carries in a graph.
inline constexpr wchar_t kNameSoundClock[] = L"Sound Clock";

// A new filter with one reference for the caller.
HRESULT CreateSoundClockFilter(IBaseFilter** out);

} // namespace tunaro
