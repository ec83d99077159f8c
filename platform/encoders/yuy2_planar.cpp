// Packed YUY2 to planar 4:2:0, the conversion every encoder stand-in feeds its codec with.
#include "platform/encoders/yuy2_planar.h"

#include <cstddef>

#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
#define TUNARO_I420_SIMD 1
#include <immintrin.h>
#endif

namespace encoders {

namespace {

// One line pair: luma of both lines, chroma averaged, from x (a pixel pair index) to cw.
inline void ConvertPairPlain(const uint8_t* a, const uint8_t* b, uint8_t* ya, uint8_t* yb, uint8_t* uo,
                             uint8_t* vo, int x, int cw) {
    for (; x < cw; ++x) {
        ya[2 * x] = a[4 * x];
        ya[2 * x + 1] = a[4 * x + 2];
        if (yb) {
            yb[2 * x] = b[4 * x];
            yb[2 * x + 1] = b[4 * x + 2];
        }
        uo[x] = static_cast<uint8_t>((a[4 * x + 1] + b[4 * x + 1] + 1) >> 1);
        vo[x] = static_cast<uint8_t>((a[4 * x + 3] + b[4 * x + 3] + 1) >> 1);
    }
}

#if defined(TUNARO_I420_SIMD)
// Sixteen pixels of a line pair per step: luma bytes are the even bytes of each line, and the
// rounded average of the two lines (pavgb, the same rounding as the plain path) gives chroma
// at the odd bytes, u and v alternating. Returns the pixel pairs done.
__attribute__((target("sse2"))) int ConvertPairSse2(const uint8_t* a, const uint8_t* b, uint8_t* ya,
                                                    uint8_t* yb, uint8_t* uo, uint8_t* vo, int cw) {
    const __m128i low = _mm_set1_epi16(0x00ff);
    int x = 0;
    for (; x + 8 <= cw; x += 8) {
        const __m128i a0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + 4 * x));
        const __m128i a1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + 4 * x + 16));
        const __m128i b0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + 4 * x));
        const __m128i b1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + 4 * x + 16));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(ya + 2 * x),
                         _mm_packus_epi16(_mm_and_si128(a0, low), _mm_and_si128(a1, low)));
        if (yb)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(yb + 2 * x),
                             _mm_packus_epi16(_mm_and_si128(b0, low), _mm_and_si128(b1, low)));
        // u0 v0 u1 v1 ... u7 v7 as bytes, then u and v apart.
        const __m128i c = _mm_packus_epi16(_mm_srli_epi16(_mm_avg_epu8(a0, b0), 8),
                                           _mm_srli_epi16(_mm_avg_epu8(a1, b1), 8));
        const __m128i uv = _mm_packus_epi16(_mm_and_si128(c, low), _mm_srli_epi16(c, 8));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(uo + x), uv);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(vo + x), _mm_srli_si128(uv, 8));
    }
    return x;
}

bool HaveSse2() {
    static const bool kSse2 = __builtin_cpu_supports("sse2");
    return kSse2;
}
#endif

template <bool kVector>
void ConvertI420(const uint8_t* src, int stride, int width, int height, uint8_t* y, int yStride, uint8_t* u,
                 uint8_t* v, int uvStride) {
    const int cw = width / 2;
    const bool oddWidth = width % 2 != 0;
    for (int row = 0; row < height; row += 2) {
        const uint8_t* a = src + static_cast<ptrdiff_t>(row) * stride;
        const uint8_t* b = row + 1 < height ? a + stride : a;
        uint8_t* ya = y + static_cast<ptrdiff_t>(row) * yStride;
        uint8_t* yb = row + 1 < height ? ya + yStride : nullptr;
        uint8_t* uo = u + static_cast<ptrdiff_t>(row / 2) * uvStride;
        uint8_t* vo = v + static_cast<ptrdiff_t>(row / 2) * uvStride;
        int x = 0;
#if defined(TUNARO_I420_SIMD)
        if (kVector)
            x = ConvertPairSse2(a, b, ya, yb, uo, vo, cw);
#endif
        ConvertPairPlain(a, b, ya, yb, uo, vo, x, cw);
        if (oddWidth) {
            // The last pixel of an odd width has a half macropixel: its luma, no chroma of its own.
            ya[width - 1] = a[2 * (width - 1)];
            if (yb)
                yb[width - 1] = b[2 * (width - 1)];
        }
    }
}

} // namespace

void Yuy2ToI420Plain(const uint8_t* src, int stride, int width, int height, uint8_t* y, int yStride,
                     uint8_t* u, uint8_t* v, int uvStride) {
    ConvertI420<false>(src, stride, width, height, y, yStride, u, v, uvStride);
}

void Yuy2ToI420(const uint8_t* src, int stride, int width, int height, uint8_t* y, int yStride, uint8_t* u,
                uint8_t* v, int uvStride) {
#if defined(TUNARO_I420_SIMD)
    if (HaveSse2()) {
        ConvertI420<true>(src, stride, width, height, y, yStride, u, v, uvStride);
        return;
    }
#endif
    ConvertI420<false>(src, stride, width, height, y, yStride, u, v, uvStride);
}

void Yuy2ToI420(const uint8_t* src, int stride, int width, int height, uint8_t* y, uint8_t* u, uint8_t* v) {
    Yuy2ToI420(src, stride, width, height, y, width, u, v, width / 2);
}

} // namespace encoders
