// Packed YUY2 (Y0 U Y1 V, 4:2:2) to planar 4:2:0 (I420), as the MPEG, MPEG-4 and Windows Media
// encoders take their pictures. Pure arithmetic: no Windows or codec headers.
#pragma once

#include <cstdint>

namespace encoders {

// Luma copied; each chroma sample the rounded-up mean of the two lines of a line pair. An odd
// last line pairs with itself; an odd last pixel (half a macropixel) gets its luma and shares
// no chroma. Tightly packed planes, or planes of the given strides (bytes per line); chroma
// planes hold width / 2 samples of (height + 1) / 2 lines.
void Yuy2ToI420(const uint8_t* yuy2, int stride, int width, int height, uint8_t* y, uint8_t* u, uint8_t* v);
void Yuy2ToI420(const uint8_t* yuy2, int stride, int width, int height, uint8_t* y, int yStride, uint8_t* u,
                uint8_t* v, int uvStride);
// The same without the vector paths, as they must come out (for tests and measurements).
void Yuy2ToI420Plain(const uint8_t* yuy2, int stride, int width, int height, uint8_t* y, int yStride,
                     uint8_t* u, uint8_t* v, int uvStride);

} // namespace encoders
