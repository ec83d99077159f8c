// Picture arithmetic of the card's video filters, free of Windows: colour conversion (BT.601),
// vertical flip, half-size scaling and motion-adaptive deinterlacing of packed 4:2:2 pictures.
#pragma once

#include <cstddef>
#include <cstdint>

namespace picture {

// Bytes per row of a DIB (rows padded to four bytes).
inline int DibStride(int width, int bitsPerPixel) {
    return ((width * bitsPerPixel + 31) / 32) * 4;
}

// One studio-range BT.601 sample (Y 16..235, Cb/Cr 16..240) as 8-bit RGB, clamped.
struct Rgb {
    uint8_t r, g, b;
};
Rgb YuvToRgb(int y, int u, int v);

// Packed 4:2:2 sample orders.
enum class Packing { Yuy2, Uyvy };

// Converts a top-down 4:2:2 picture (width even, srcStride bytes per row) into a bottom-up
// 32-bit (B, G, R, 0) DIB with dstStride bytes per row.
void Yuv422ToRgb32(const uint8_t* src, int srcStride, Packing packing, int width, int height, uint8_t* dst,
                   int dstStride);
// The same into a bottom-up 24-bit (B, G, R) DIB.
void Yuv422ToRgb24(const uint8_t* src, int srcStride, Packing packing, int width, int height, uint8_t* dst,
                   int dstStride);
// Converts a top-down planar 4:2:0 picture (chroma planes of half width and height, rounded
// up; each chroma sample serves a 2 x 2 block) into a bottom-up 32-bit (B, G, R, 0) DIB.
void Yuv420ToRgb32(const uint8_t* y, int yStride, const uint8_t* u, const uint8_t* v, int uvStride, int width,
                   int height, uint8_t* dst, int dstStride);
// A bottom-up 24-bit DIB into a bottom-up 32-bit one of the same size (alpha byte 0).
void Rgb24ToRgb32(const uint8_t* src, int srcStride, int width, int height, uint8_t* dst, int dstStride);
// A bottom-up 32-bit DIB into a bottom-up 24-bit one.
void Rgb32ToRgb24(const uint8_t* src, int srcStride, int width, int height, uint8_t* dst, int dstStride);

// Copies rows * rowBytes from src to dst with the row order reversed.
void FlipRows(const uint8_t* src, int srcStride, uint8_t* dst, int dstStride, int rowBytes, int rows);

// The output size of HalveYuy2: half the width rounded down to an even number, half the height.
inline int HalfWidth(int width) {
    return (width / 2) & ~1;
}
inline int HalfHeight(int height) {
    return height / 2;
}
// Scales a YUY2 picture to half its width and height: every output sample is the mean of the
// 2 x 2 input samples it covers (luma), or of the two macropixels on two rows (chroma).
void HalveYuy2(const uint8_t* src, int srcStride, int width, int height, uint8_t* dst, int dstStride);

// Motion-adaptive deinterlacer for packed 4:2:2 pictures (or any picture of bytes whose
// samples sit at the same offsets in every row). The even rows (the first field) are kept; each
// sample of an odd row is woven in unchanged where the picture stands still and rebuilt from
// the rows above and below where it moves, with a soft blend between the two. Motion is the
// largest difference, against the previous frame, of the sample and of its neighbours above
// and below. Without a previous frame every odd row is interpolated.
struct DeinterlaceThresholds {
    int still = 6;   // a difference up to this much counts as no motion
    int moving = 24; // from this much on the sample is interpolated completely
};
void Deinterlace(const uint8_t* cur, const uint8_t* prev, int stride, int rowBytes, int height, uint8_t* dst,
                 int dstStride, const DeinterlaceThresholds& t = DeinterlaceThresholds());

} // namespace picture
