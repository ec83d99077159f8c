// Names and pictures of the TV program's stills, without Windows: the numbered snapshot files,
// the names Save All gives, and the 320 x 240 pictures of the TV wall's cells.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace tunaro {

// "cap%ld.BMP" of a snapshot number.
std::string SnapshotFileName(long number);
// The number of the next remote snapshot: one more than the entries named cap* already in the
// directory (1 when there are none), moved on past every number whose file exists, so an
// existing snapshot is never replaced. taken(number) tells whether that number's file exists.
long NextSnapshotNumber(long capEntries, const std::function<bool(long)>& taken);

// "cap000%d.bmp" of Save All's number.
std::string SaveAllFileName(long number);
// Save All's first number: the count of .bmp files in the directory, moved on past names that
// exist (taken as above).
long NextSaveAllNumber(long bmpFiles, const std::function<bool(long)>& taken);

// ---- pictures --------------------------------------------------------------------------------

inline constexpr size_t kSnapshotGrabBytes = 1327104; // the browser's grab buffer
inline constexpr size_t kWallGrabBytes = 304128;      // the wall's grab buffer
inline constexpr long kWallTileWidth = 320;
inline constexpr long kWallTileHeight = 240;
inline constexpr size_t kWallTileBytes = 230444; // a cell's picture: header and 320 x 240 x 24 bits

// Width, height (positive: bottom-up) and data size of a packed 24-bit uncompressed picture, when
// its 40-byte header is sound and the pixels it announces lie within length bytes.
struct PackedPicture {
    long width = 0, height = 0;
    bool topDown = false;
    size_t stride = 0;
    size_t dataSize = 0;
};
bool ReadPackedPicture(const uint8_t* packed, size_t length, PackedPicture* out);

// Builds a cell's picture (40-byte header with width 320, height 240 and image size 320 x 3 x 240,
// then the pixels, bottom-up) from a grabbed packed 24-bit picture of any size, scaled to fit.
// False, and tile untouched, when the grabbed picture is not a sound 24-bit packed bitmap within
// length bytes or the tile buffer is smaller than kWallTileBytes - 4.
bool BuildWallTile(const uint8_t* packed, size_t length, uint8_t* tile, size_t tileCapacity);

} // namespace tunaro
