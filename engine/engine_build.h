// Which build of the engine this is: the TV application's, or the capture library's (compiled
// with TUNARO_ENGINE_LIBRARY). The two differ only where the code asks this constant.
#pragma once

#include "engine/card_rules.h"

namespace tunaro {

#if defined(TUNARO_ENGINE_LIBRARY)
inline constexpr EngineBuild kEngineBuild = EngineBuild::Library;
#else
inline constexpr EngineBuild kEngineBuild = EngineBuild::Tv;
#endif

} // namespace tunaro
