// Still images of the preview: YUY2 frames converted to bottom-up 24-bit pixels, and the headers
// of the bitmap files and packed bitmaps the engine writes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tunaro {

inline constexpr size_t kBmpFileHeaderSize = 14;
inline constexpr size_t kBmpInfoHeaderSize = 40;
inline constexpr size_t kBmpDataOffset = kBmpFileHeaderSize + kBmpInfoHeaderSize; // 54

// Bytes of one row of 24-bit pixels, padded to a multiple of four as bitmaps require.
inline size_t Bgr24Stride(long width) {
    return (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
}
// Bytes of one packed YUY2 row (two pixels in four bytes; an odd last pixel takes a whole pair);
// 0 for a width below 1.
inline size_t Yuy2Stride(long width) {
    return width > 0 ? static_cast<size_t>(width / 2 + width % 2) * 4 : 0;
}

// Largest width and height of a frame taken from the device: far beyond any capture card, and
// small enough that a frame's bytes in every format here fit 32 bits.
inline constexpr long kStillSideMax = 8192;
inline bool StillSizeFits(long width, long height) {
    return width > 0 && height > 0 && width <= kStillSideMax && height <= kStillSideMax;
}

// Converts a top-down YUY2 frame into bottom-up 24-bit pixels (blue, green, red), each output
// row Bgr24Stride(width) bytes, padding zeroed. For each pair (Y0, U, Y1, V) with u = U - 128,
// v = V - 128: blue = Y + ((58050u - 90v) >> 15), green = Y + ((-11258u - 23378v) >> 15),
// red = Y + ((45931v - 30u) >> 15), shifts flooring, each clamped to 0..255.
void Yuy2ToBgr24(const uint8_t* yuy2, long width, long height, uint8_t* bgr);
// The same, one pixel pair at a time without tables: the reference the fast paths must match.
void Yuy2ToBgr24Reference(const uint8_t* yuy2, long width, long height, uint8_t* bgr);

// The ways the conversion can run. Yuy2ToBgr24 takes the fastest one the processor offers; tests
// and the benchmark name one. Every path gives the same bytes.
enum class Yuy2Path {
    Table,  // per pixel pair through tables of the chroma products
    Sse2,   // eight pixels per step
    Ssse3,  // sixteen pixels per step, pixels laid out by byte shuffles
    Avx2,   // thirty-two pixels per step
    Avx512, // sixty-four pixels per step, each output byte picked by byte permutes
};
// Whether this processor (and system) can run the path.
bool Yuy2PathAvailable(Yuy2Path path);
const char* Yuy2PathName(Yuy2Path path);
// The path Yuy2ToBgr24 uses.
Yuy2Path BestYuy2Path();
// Converts with the given path; a path the processor lacks falls back to the next simpler one.
void Yuy2ToBgr24With(Yuy2Path path, const uint8_t* yuy2, long width, long height, uint8_t* bgr);

// 40-byte BITMAPINFOHEADER of an uncompressed 24-bit picture, little-endian: positive height
// (bottom-up), 1 plane, image size = padded row bytes x height.
std::array<uint8_t, kBmpInfoHeaderSize> MakeBgr24InfoHeader(long width, long height);

// The image data size a packed bitmap's header announces; when the header leaves it 0 (allowed for
// uncompressed pictures) it is worked out from width, height and bit count. 0 for a header that
// is too short or not a 40-byte header.
uint32_t PackedImageDataSize(const uint8_t* packed, size_t length);

// 14-byte file header: "BM", file size = data size + 54, reserved 0, data offset 54.
std::array<uint8_t, kBmpFileHeaderSize> MakeBmpFileHeader(uint32_t imageDataSize);

// A whole .bmp file from a packed bitmap (40-byte header then pixels). Empty when the packed
// bitmap is unusable (too short for its header or the data it announces).
std::vector<uint8_t> BmpFileFromPacked(const uint8_t* packed, size_t length);

} // namespace tunaro
