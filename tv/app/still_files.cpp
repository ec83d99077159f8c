// Snapshot numbering and the TV wall's cell pictures (see still_files.h).
#include "tv/app/still_files.h"

#include <cstdio>
#include <cstring>
#include <limits>

namespace tunaro {

namespace {

uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint16_t Le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
void Put32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

long NextFree(long first, const std::function<bool(long)>& taken) {
    long n = first;
    while (n < std::numeric_limits<long>::max() && taken(n))
        ++n;
    return n;
}

} // namespace

std::string SnapshotFileName(long number) {
    char name[32];
    snprintf(name, sizeof name, "cap%ld.BMP", number);
    return name;
}

long NextSnapshotNumber(long capEntries, const std::function<bool(long)>& taken) {
    return NextFree(capEntries > 0 ? capEntries + 1 : 1, taken);
}

std::string SaveAllFileName(long number) {
    char name[32];
    snprintf(name, sizeof name, "cap000%ld.bmp", number);
    return name;
}

long NextSaveAllNumber(long bmpFiles, const std::function<bool(long)>& taken) {
    return NextFree(bmpFiles > 0 ? bmpFiles : 0, taken);
}

bool ReadPackedPicture(const uint8_t* packed, size_t length, PackedPicture* out) {
    if (!packed || length < 40 || Le32(packed) != 40)
        return false;
    const int32_t width = static_cast<int32_t>(Le32(packed + 4));
    const int32_t height = static_cast<int32_t>(Le32(packed + 8));
    if (Le16(packed + 12) != 1 || Le16(packed + 14) != 24 || Le32(packed + 16) != 0)
        return false;
    if (width <= 0 || width > 16384 || height == 0 || height < -16384 || height > 16384)
        return false;
    PackedPicture p;
    p.width = width;
    p.height = height < 0 ? -height : height;
    p.topDown = height < 0;
    p.stride = (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
    p.dataSize = p.stride * static_cast<size_t>(p.height);
    if (p.dataSize > length - 40)
        return false;
    *out = p;
    return true;
}

bool BuildWallTile(const uint8_t* packed, size_t length, uint8_t* tile, size_t tileCapacity) {
    constexpr size_t kTileStride = kWallTileWidth * 3;
    constexpr size_t kTileData = kTileStride * kWallTileHeight;
    PackedPicture src;
    if (!tile || tileCapacity < 40 + kTileData || !ReadPackedPicture(packed, length, &src))
        return false;
    std::memcpy(tile, packed, 40);
    Put32(tile + 4, static_cast<uint32_t>(kWallTileWidth));
    Put32(tile + 8, static_cast<uint32_t>(kWallTileHeight));
    Put32(tile + 20, static_cast<uint32_t>(kTileData));
    const uint8_t* pixels = packed + 40;
    uint8_t* dst = tile + 40;
    for (long row = 0; row < kWallTileHeight; ++row) {
        // Rows of both pictures counted from the bottom, as bottom-up bitmaps store them.
        long from = row * src.height / kWallTileHeight;
        if (src.topDown)
            from = src.height - 1 - from;
        const uint8_t* s = pixels + static_cast<size_t>(from) * src.stride;
        uint8_t* d = dst + static_cast<size_t>(row) * kTileStride;
        if (src.width == kWallTileWidth) {
            std::memcpy(d, s, kTileStride);
            continue;
        }
        for (long x = 0; x < kWallTileWidth; ++x) {
            const uint8_t* p = s + static_cast<size_t>(x * src.width / kWallTileWidth) * 3;
            d[x * 3] = p[0];
            d[x * 3 + 1] = p[1];
            d[x * 3 + 2] = p[2];
        }
    }
    return true;
}

} // namespace tunaro
