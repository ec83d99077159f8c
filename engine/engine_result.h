// What the engine's operations return: success, failure, or no card at start. The capture
// library's exports hand these numbers on unchanged, so the type stays a plain int underneath.
#pragma once

namespace tunaro {

enum EngineResult : int {
    kEngineFailed = 0,
    kEngineOk = 1,
    // Initialize (the library's device start): no known card is present.
    kEngineNoCard = -8,
};

inline EngineResult EngineResultOf(bool ok) {
    return ok ? kEngineOk : kEngineFailed;
}

} // namespace tunaro
