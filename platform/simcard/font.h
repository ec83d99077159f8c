// A 5x7 bitmap font for the captions the simulated card draws into its pictures (station
// name, frequency, frame counter): digits, capital letters and a few signs.
#pragma once

#include <cstdint>

namespace simcard {

// Seven rows of five bits (bit 4 = leftmost column) for c; lower-case letters are drawn as
// capitals, unknown characters as blanks.
const uint8_t* Glyph(char c);

} // namespace simcard
