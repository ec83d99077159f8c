// Snapshot numbering, Save All names and the TV wall's cell pictures.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <vector>

#include "tv/app/still_files.h"

namespace {

using tunaro::BuildWallTile;
using tunaro::NextSaveAllNumber;
using tunaro::NextSnapshotNumber;

std::vector<uint8_t> Packed(long width, long height, int bits = 24) {
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
    const size_t data = stride * static_cast<size_t>(height < 0 ? -height : height);
    std::vector<uint8_t> p(40 + data, 0);
    auto put32 = [&p](size_t at, uint32_t v) { std::memcpy(&p[at], &v, 4); };
    put32(0, 40);
    put32(4, static_cast<uint32_t>(width));
    put32(8, static_cast<uint32_t>(height));
    p[12] = 1;
    p[14] = static_cast<uint8_t>(bits);
    put32(20, static_cast<uint32_t>(data));
    return p;
}

uint32_t Le32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

} // namespace

TEST(SnapshotNumbers, CountRuleWithoutOverwritingAnyFile) {
    const auto none = [](long) { return false; };
    EXPECT_EQ(NextSnapshotNumber(0, none), 1);
    EXPECT_EQ(NextSnapshotNumber(2, none), 3); // cap1, cap2 -> cap3
    // cap1 deleted, cap2 left: the count names cap2 again, which exists; cap3 is taken instead.
    std::set<long> taken = {2};
    EXPECT_EQ(NextSnapshotNumber(1, [&](long n) { return taken.count(n) > 0; }), 3);
    // A run of taken numbers is skipped as a whole.
    taken = {1, 2, 3, 4, 7};
    EXPECT_EQ(NextSnapshotNumber(0, [&](long n) { return taken.count(n) > 0; }), 5);
    EXPECT_EQ(tunaro::SnapshotFileName(12), "cap12.BMP");
}

TEST(SnapshotNumbers, SaveAllContinuesFromTheBitmapsThereAndSkipsTakenNames) {
    const auto none = [](long) { return false; };
    EXPECT_EQ(NextSaveAllNumber(3, none), 3);
    EXPECT_EQ(tunaro::SaveAllFileName(3), "cap0003.bmp");
    EXPECT_EQ(tunaro::SaveAllFileName(12), "cap00012.bmp"); // the literal prefix, no more padding
    std::set<long> taken = {1, 2};
    EXPECT_EQ(NextSaveAllNumber(1, [&](long n) { return taken.count(n) > 0; }), 3);
}

TEST(WallTile, ExactSizeIsCopiedAndTheHeaderNamesTheCell) {
    std::vector<uint8_t> src = Packed(320, 240);
    for (size_t i = 40; i < src.size(); ++i)
        src[i] = static_cast<uint8_t>(i * 7 + 3);
    std::vector<uint8_t> tile(tunaro::kWallTileBytes, 0xEE);
    ASSERT_TRUE(BuildWallTile(src.data(), src.size(), tile.data(), tile.size()));
    EXPECT_EQ(Le32(&tile[4]), 320u);
    EXPECT_EQ(Le32(&tile[8]), 240u);
    EXPECT_EQ(Le32(&tile[20]), 320u * 3u * 240u);
    EXPECT_EQ(0, std::memcmp(&tile[40], &src[40], 320 * 3 * 240));
    EXPECT_EQ(tile[40 + 320 * 3 * 240], 0xEE) << "nothing is written past the picture";
}

TEST(WallTile, LargerFramesAreScaledDownTopDownOnesTurned) {
    // 640 x 480: every source pixel's colour tells its column and row; the cell takes every second.
    std::vector<uint8_t> src = Packed(640, 480);
    const size_t stride = 640 * 3;
    for (size_t row = 0; row < 480; ++row)
        for (size_t x = 0; x < 640; ++x) {
            uint8_t* p = &src[40 + row * stride + x * 3];
            p[0] = static_cast<uint8_t>(x);
            p[1] = static_cast<uint8_t>(x >> 8);
            p[2] = static_cast<uint8_t>(row);
        }
    std::vector<uint8_t> tile(tunaro::kWallTileBytes, 0);
    ASSERT_TRUE(BuildWallTile(src.data(), src.size(), tile.data(), tile.size()));
    const uint8_t* p = &tile[40 + 100 * 960 + 150 * 3]; // row 100, column 150 of the cell
    EXPECT_EQ(p[0] | p[1] << 8, 300);
    EXPECT_EQ(p[2], 200);

    // The same picture stored top-down: the cell still comes out bottom-up.
    std::vector<uint8_t> down = Packed(640, -480);
    for (size_t row = 0; row < 480; ++row)
        std::memcpy(&down[40 + row * stride], &src[40 + (479 - row) * stride], stride);
    std::vector<uint8_t> tile2(tunaro::kWallTileBytes, 0);
    ASSERT_TRUE(BuildWallTile(down.data(), down.size(), tile2.data(), tile2.size()));
    EXPECT_EQ(Le32(&tile2[8]), 240u);
    EXPECT_EQ(0, std::memcmp(&tile[40], &tile2[40], 320 * 3 * 240));
}

TEST(WallTile, UnexpectedFramesAreSkippedAndTheCellKept) {
    std::vector<uint8_t> tile(tunaro::kWallTileBytes, 0x5A);
    const std::vector<uint8_t> before = tile;
    std::vector<uint8_t> ok = Packed(320, 240);
    // Shorter than the pixels its header announces (a frame cut off, or a lying header).
    EXPECT_FALSE(BuildWallTile(ok.data(), ok.size() - 1, tile.data(), tile.size()));
    // Not 24 bits, a wrong header size, zero or absurd sizes, nothing at all.
    std::vector<uint8_t> bits16 = Packed(320, 240, 16);
    EXPECT_FALSE(BuildWallTile(bits16.data(), bits16.size(), tile.data(), tile.size()));
    std::vector<uint8_t> wrong = ok;
    wrong[0] = 12;
    EXPECT_FALSE(BuildWallTile(wrong.data(), wrong.size(), tile.data(), tile.size()));
    std::vector<uint8_t> empty = Packed(0, 240);
    EXPECT_FALSE(BuildWallTile(empty.data(), empty.size(), tile.data(), tile.size()));
    std::vector<uint8_t> huge = ok;
    const uint32_t big = 0x7FFFFFFF;
    std::memcpy(&huge[4], &big, 4);
    EXPECT_FALSE(BuildWallTile(huge.data(), huge.size(), tile.data(), tile.size()));
    EXPECT_FALSE(BuildWallTile(ok.data(), 39, tile.data(), tile.size()));
    EXPECT_FALSE(BuildWallTile(nullptr, 0, tile.data(), tile.size()));
    EXPECT_EQ(tile, before);
    // A cell buffer too small for the picture is not written either.
    std::vector<uint8_t> small(1000, 0x5A);
    EXPECT_FALSE(BuildWallTile(ok.data(), ok.size(), small.data(), small.size()));
    EXPECT_EQ(small, std::vector<uint8_t>(1000, 0x5A));
}
