// What the simulated card broadcasts, for comparing a still the program saved with the station's
// own test picture: the expected 24-bit pixels of a station at a size, and how far a picture is
// from them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace stationpic {

// A 24-bit picture, rows bottom-up as bitmaps keep them, blue-green-red, rows padded to 4 bytes.
struct Picture {
    long width = 0, height = 0;
    std::vector<uint8_t> bgr;
};

// The picture of a .bmp file (24 bits, uncompressed); empty when it is not one.
Picture ReadBmp(const std::string& bytes);

// The station's picture as the card draws it (frame 0, the card's current picture settings from
// its state file), converted to 24 bits on its own here.
Picture Expected(const std::string& stationName, long width, long height);

// Share of pixels (0..1) whose colour differs from the other picture's by more than a broadcast
// and a conversion can explain; 1 when the sizes differ.
double MismatchShare(const Picture& a, const Picture& b);

// The stations of the card's broadcast plan.
std::vector<std::string> StationNames();

} // namespace stationpic
