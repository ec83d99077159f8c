// Picture arithmetic of the card's video filters: BT.601 colour conversion, flips, half-size
// scaling and the motion-adaptive deinterlacer, on plain byte buffers.
#include "platform/filters/picture.h"

#include <cstdlib>
#include <cstring>

namespace picture {

namespace {

inline uint8_t Clamp(int v) {
    return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// Offsets of Y0, U, Y1, V in a macropixel.
struct Layout {
    int y0, u, y1, v;
};
inline Layout LayoutOf(Packing p) {
    return p == Packing::Yuy2 ? Layout{0, 1, 2, 3} : Layout{1, 0, 3, 2};
}

// Fixed point (8 fractional bits) BT.601: R = 1.164 (Y - 16) + 1.596 (V - 128) and so on.
struct Chroma {
    int r, g, b;
};
inline Chroma ChromaTerms(int u, int v) {
    int d = u - 128, e = v - 128;
    return {409 * e + 128, -100 * d - 208 * e + 128, 516 * d + 128};
}
inline void Put(uint8_t* p, int y, const Chroma& c) {
    int l = 298 * (y - 16);
    p[0] = Clamp((l + c.b) >> 8);
    p[1] = Clamp((l + c.g) >> 8);
    p[2] = Clamp((l + c.r) >> 8);
}

template <int Bytes>
void Yuv422ToRgb(const uint8_t* src, int srcStride, Packing packing, int width, int height, uint8_t* dst,
                 int dstStride) {
    const Layout l = LayoutOf(packing);
    for (int row = 0; row < height; ++row) {
        const uint8_t* s = src + static_cast<ptrdiff_t>(row) * srcStride;
        uint8_t* d = dst + static_cast<ptrdiff_t>(height - 1 - row) * dstStride; // bottom-up
        for (int x = 0; x + 1 < width; x += 2, s += 4, d += 2 * Bytes) {
            Chroma c = ChromaTerms(s[l.u], s[l.v]);
            Put(d, s[l.y0], c);
            Put(d + Bytes, s[l.y1], c);
            if (Bytes == 4) {
                d[3] = 0;
                d[7] = 0;
            }
        }
    }
}

} // namespace

Rgb YuvToRgb(int y, int u, int v) {
    uint8_t p[3];
    Put(p, y, ChromaTerms(u, v));
    return {p[2], p[1], p[0]};
}

void Yuv422ToRgb32(const uint8_t* src, int srcStride, Packing packing, int width, int height, uint8_t* dst,
                   int dstStride) {
    Yuv422ToRgb<4>(src, srcStride, packing, width, height, dst, dstStride);
}

void Yuv422ToRgb24(const uint8_t* src, int srcStride, Packing packing, int width, int height, uint8_t* dst,
                   int dstStride) {
    Yuv422ToRgb<3>(src, srcStride, packing, width, height, dst, dstStride);
}

void Yuv420ToRgb32(const uint8_t* y, int yStride, const uint8_t* u, const uint8_t* v, int uvStride, int width,
                   int height, uint8_t* dst, int dstStride) {
    for (int row = 0; row < height; ++row) {
        const uint8_t* ys = y + static_cast<ptrdiff_t>(row) * yStride;
        const uint8_t* us = u + static_cast<ptrdiff_t>(row / 2) * uvStride;
        const uint8_t* vs = v + static_cast<ptrdiff_t>(row / 2) * uvStride;
        uint8_t* d = dst + static_cast<ptrdiff_t>(height - 1 - row) * dstStride; // bottom-up
        int x = 0;
        for (; x + 1 < width; x += 2, d += 8) {
            const Chroma c = ChromaTerms(us[x / 2], vs[x / 2]);
            Put(d, ys[x], c);
            Put(d + 4, ys[x + 1], c);
            d[3] = 0;
            d[7] = 0;
        }
        if (x < width) {
            Put(d, ys[x], ChromaTerms(us[x / 2], vs[x / 2]));
            d[3] = 0;
        }
    }
}

void Rgb24ToRgb32(const uint8_t* src, int srcStride, int width, int height, uint8_t* dst, int dstStride) {
    for (int row = 0; row < height; ++row) {
        const uint8_t* s = src + static_cast<ptrdiff_t>(row) * srcStride;
        uint8_t* d = dst + static_cast<ptrdiff_t>(row) * dstStride;
        for (int x = 0; x < width; ++x, s += 3, d += 4) {
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
            d[3] = 0;
        }
    }
}

void Rgb32ToRgb24(const uint8_t* src, int srcStride, int width, int height, uint8_t* dst, int dstStride) {
    for (int row = 0; row < height; ++row) {
        const uint8_t* s = src + static_cast<ptrdiff_t>(row) * srcStride;
        uint8_t* d = dst + static_cast<ptrdiff_t>(row) * dstStride;
        for (int x = 0; x < width; ++x, s += 4, d += 3) {
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
        }
    }
}

void FlipRows(const uint8_t* src, int srcStride, uint8_t* dst, int dstStride, int rowBytes, int rows) {
    for (int row = 0; row < rows; ++row)
        memcpy(dst + static_cast<ptrdiff_t>(rows - 1 - row) * dstStride,
               src + static_cast<ptrdiff_t>(row) * srcStride, static_cast<size_t>(rowBytes));
}

void HalveYuy2(const uint8_t* src, int srcStride, int width, int height, uint8_t* dst, int dstStride) {
    const int outW = HalfWidth(width), outH = HalfHeight(height);
    for (int oy = 0; oy < outH; ++oy) {
        const uint8_t* a = src + static_cast<ptrdiff_t>(2 * oy) * srcStride;
        const uint8_t* b = a + srcStride;
        uint8_t* d = dst + static_cast<ptrdiff_t>(oy) * dstStride;
        // Each output macropixel (two pixels) covers two input macropixels (four pixels).
        for (int ox = 0; ox < outW; ox += 2, a += 8, b += 8, d += 4) {
            d[0] = static_cast<uint8_t>((a[0] + a[2] + b[0] + b[2] + 2) >> 2);
            d[2] = static_cast<uint8_t>((a[4] + a[6] + b[4] + b[6] + 2) >> 2);
            d[1] = static_cast<uint8_t>((a[1] + a[5] + b[1] + b[5] + 2) >> 2);
            d[3] = static_cast<uint8_t>((a[3] + a[7] + b[3] + b[7] + 2) >> 2);
        }
    }
}

void Deinterlace(const uint8_t* cur, const uint8_t* prev, int stride, int rowBytes, int height, uint8_t* dst,
                 int dstStride, const DeinterlaceThresholds& t) {
    const int span = t.moving > t.still ? t.moving - t.still : 1;
    for (int y = 0; y < height; ++y) {
        const uint8_t* c = cur + static_cast<ptrdiff_t>(y) * stride;
        uint8_t* d = dst + static_cast<ptrdiff_t>(y) * dstStride;
        if ((y & 1) == 0 || height < 2) {
            memcpy(d, c, static_cast<size_t>(rowBytes));
            continue;
        }
        // The rows of the other field around this one (the last row has only the one above).
        const uint8_t* up = c - stride;
        const uint8_t* down = y + 1 < height ? c + stride : up;
        if (!prev) {
            for (int x = 0; x < rowBytes; ++x)
                d[x] = static_cast<uint8_t>((up[x] + down[x] + 1) >> 1);
            continue;
        }
        const uint8_t* p = prev + static_cast<ptrdiff_t>(y) * stride;
        const uint8_t* pUp = p - stride;
        const uint8_t* pDown = y + 1 < height ? p + stride : pUp;
        for (int x = 0; x < rowBytes; ++x) {
            int m = abs(c[x] - p[x]);
            int mu = abs(up[x] - pUp[x]);
            int md = abs(down[x] - pDown[x]);
            if (mu > m)
                m = mu;
            if (md > m)
                m = md;
            if (m <= t.still) {
                d[x] = c[x];
                continue;
            }
            int interp = (up[x] + down[x] + 1) >> 1;
            if (m >= t.moving) {
                d[x] = static_cast<uint8_t>(interp);
                continue;
            }
            int w = m - t.still; // weight of the interpolated sample, out of span
            d[x] = static_cast<uint8_t>((interp * w + c[x] * (span - w) + span / 2) / span);
        }
    }
}

} // namespace picture
