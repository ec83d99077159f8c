// YUY2 to 24-bit conversion and bitmap headers for the engine's still images.
// Pure logic: no Windows headers, so it can be tested and measured alone.
#include "engine/still_image.h"

#include <cstring>

#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
#define TUNARO_YUY2_SIMD 1
#include <immintrin.h>
#endif

namespace tunaro {

static_assert((-1 >> 1) == -1, "the conversion relies on arithmetic right shifts of negative values");

namespace {

inline uint8_t Clamp255(int x) {
    return static_cast<uint8_t>(x < 0 ? 0 : (x > 255 ? 255 : x));
}

void PutLe16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void PutLe32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}
uint32_t GetLe32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint16_t GetLe16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

// Chroma contributions of every U and V byte, computed once: the sums are shifted together, so
// the tables keep the unshifted products.
struct ChromaTables {
    int32_t bu[256], bv[256], gu[256], gv[256], ru[256], rv[256];
    // Clamp table: index x + 512 gives x clamped to 0..255 for x in -512..767.
    uint8_t clamp[1280];
    ChromaTables() {
        for (int c = 0; c < 256; ++c) {
            const int d = c - 128;
            bu[c] = 58050 * d;
            bv[c] = -90 * d;
            gu[c] = -11258 * d;
            gv[c] = -23378 * d;
            ru[c] = -30 * d;
            rv[c] = 45931 * d;
        }
        for (int i = 0; i < 1280; ++i)
            clamp[i] = Clamp255(i - 512);
    }
};

const ChromaTables& Tables() {
    static const ChromaTables kTables;
    return kTables;
}

} // namespace

void Yuy2ToBgr24Reference(const uint8_t* yuy2, long width, long height, uint8_t* bgr) {
    if (width <= 0 || height <= 0)
        return;
    const size_t srcStride = Yuy2Stride(width), dstStride = Bgr24Stride(width);
    for (long row = 0; row < height; ++row) {
        const uint8_t* s = yuy2 + static_cast<size_t>(height - 1 - row) * srcStride;
        uint8_t* d = bgr + static_cast<size_t>(row) * dstStride;
        for (long x = 0; x < width; x += 2, s += 4) {
            const int u = s[1] - 128, v = s[3] - 128;
            const int db = (58050 * u - 90 * v) >> 15;
            const int dg = (-11258 * u - 23378 * v) >> 15;
            const int dr = (45931 * v - 30 * u) >> 15;
            for (int k = 0; k < 2 && x + k < width; ++k) {
                const int y = s[k * 2];
                *d++ = Clamp255(y + db);
                *d++ = Clamp255(y + dg);
                *d++ = Clamp255(y + dr);
            }
        }
        std::memset(d, 0, dstStride - static_cast<size_t>(width) * 3);
    }
}

namespace {

// Pixels from..width of one row (from even), through the tables; zeroes the row's padding.
void ConvertRowScalar(const uint8_t* s, uint8_t* d, long from, long width, size_t dstStride) {
    const ChromaTables& t = Tables();
    const uint8_t* clamp = t.clamp + 512;
    s += static_cast<size_t>(from) * 2;
    d += static_cast<size_t>(from) * 3;
    long x = from;
    for (; x + 1 < width; x += 2, s += 4, d += 6) {
        const int db = (t.bu[s[1]] + t.bv[s[3]]) >> 15;
        const int dg = (t.gu[s[1]] + t.gv[s[3]]) >> 15;
        const int dr = (t.ru[s[1]] + t.rv[s[3]]) >> 15;
        const int y0 = s[0], y1 = s[2];
        d[0] = clamp[y0 + db];
        d[1] = clamp[y0 + dg];
        d[2] = clamp[y0 + dr];
        d[3] = clamp[y1 + db];
        d[4] = clamp[y1 + dg];
        d[5] = clamp[y1 + dr];
    }
    if (x < width) { // the odd last pixel takes Y0 of a final pair
        const int db = (t.bu[s[1]] + t.bv[s[3]]) >> 15;
        const int dg = (t.gu[s[1]] + t.gv[s[3]]) >> 15;
        const int dr = (t.ru[s[1]] + t.rv[s[3]]) >> 15;
        *d++ = clamp[s[0] + db];
        *d++ = clamp[s[0] + dg];
        *d++ = clamp[s[0] + dr];
    }
    std::memset(d, 0, dstStride - static_cast<size_t>(width) * 3);
}

#if defined(TUNARO_YUY2_SIMD)

// The vector paths form the chroma sums exactly as the formula does, in 32 bits, from 16-bit
// products (pmaddwd): blue's 58050u - 90v is twice 29025u - 45v, so ">> 15" becomes ">> 14" of the
// halved sum; red's 45931 does not fit a 16-bit factor and is split into 22966 + 22965. The
// chroma terms of a pair lie within -228..224, so packing them to 16 bits loses nothing, and the
// saturating pack to bytes does the clamping of Y + term.

// One dword of 16-bit factors for multiplying (u, v) word pairs: forU low, forV high.
constexpr int32_t FactorPair(int forU, int forV) {
    return static_cast<int32_t>((static_cast<uint32_t>(forV) << 16) |
                                (static_cast<uint32_t>(forU) & 0xffffu));
}

// Eight pixels (four pairs) per step with SSE2. Returns the number of pixels done; the caller
// finishes the row, which always keeps at least one pixel back, because each 4-byte store runs
// one byte past its pixel.
__attribute__((target("sse2"))) long ConvertRowSse2(const uint8_t* s, uint8_t* d, long width) {
    const __m128i lowBytes = _mm_set1_epi16(0x00ff);
    const __m128i bias = _mm_set1_epi16(128);
    const __m128i blueK = _mm_setr_epi16(29025, -45, 29025, -45, 29025, -45, 29025, -45);
    const __m128i greenK = _mm_setr_epi16(-11258, -23378, -11258, -23378, -11258, -23378, -11258, -23378);
    const __m128i redK1 = _mm_setr_epi16(-30, 22966, -30, 22966, -30, 22966, -30, 22966);
    const __m128i redK2 = _mm_setr_epi16(0, 22965, 0, 22965, 0, 22965, 0, 22965);
    const __m128i zero = _mm_setzero_si128();
    long x = 0;
    alignas(16) uint32_t pixels[8];
    for (; x + 8 < width; x += 8, s += 16, d += 24) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
        const __m128i luma = _mm_and_si128(v, lowBytes);
        const __m128i chroma = _mm_sub_epi16(_mm_srli_epi16(v, 8), bias); // u0 v0 u1 v1 ...
        const __m128i b32 = _mm_srai_epi32(_mm_madd_epi16(chroma, blueK), 14);
        const __m128i g32 = _mm_srai_epi32(_mm_madd_epi16(chroma, greenK), 15);
        const __m128i r32 =
            _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(chroma, redK1), _mm_madd_epi16(chroma, redK2)), 15);
        const __m128i b16 = _mm_packs_epi32(b32, b32);
        const __m128i g16 = _mm_packs_epi32(g32, g32);
        const __m128i r16 = _mm_packs_epi32(r32, r32);
        const __m128i blue = _mm_packus_epi16(_mm_add_epi16(luma, _mm_unpacklo_epi16(b16, b16)), zero);
        const __m128i green = _mm_packus_epi16(_mm_add_epi16(luma, _mm_unpacklo_epi16(g16, g16)), zero);
        const __m128i red = _mm_packus_epi16(_mm_add_epi16(luma, _mm_unpacklo_epi16(r16, r16)), zero);
        const __m128i bg = _mm_unpacklo_epi8(blue, green);
        const __m128i r0 = _mm_unpacklo_epi8(red, zero);
        _mm_store_si128(reinterpret_cast<__m128i*>(pixels), _mm_unpacklo_epi16(bg, r0));
        _mm_store_si128(reinterpret_cast<__m128i*>(pixels + 4), _mm_unpackhi_epi16(bg, r0));
        for (int i = 0; i < 8; ++i)
            std::memcpy(d + i * 3, &pixels[i], 4);
    }
    return x;
}

// Byte shuffles that lay sixteen blue, green and red bytes out as 48 bytes of pixels: part j of
// the output takes from channel c the bytes mask[j][c] names (-128: none).
struct InterleaveMasks {
    alignas(16) int8_t mask[3][3][16];
    InterleaveMasks() {
        for (int j = 0; j < 3; ++j)
            for (int c = 0; c < 3; ++c)
                for (int i = 0; i < 16; ++i) {
                    const int k = j * 16 + i;
                    mask[j][c][i] = static_cast<int8_t>(k % 3 == c ? k / 3 : -128);
                }
    }
};

const InterleaveMasks& Masks() {
    static const InterleaveMasks kMasks;
    return kMasks;
}

// Sixteen pixels per step with SSSE3; each output byte is stored once, nothing past the row.
__attribute__((target("ssse3"))) long ConvertRowSsse3(const uint8_t* s, uint8_t* d, long width) {
    const InterleaveMasks& m = Masks();
    __m128i mask[3][3];
    for (int j = 0; j < 3; ++j)
        for (int c = 0; c < 3; ++c)
            mask[j][c] = _mm_load_si128(reinterpret_cast<const __m128i*>(m.mask[j][c]));
    const __m128i lowBytes = _mm_set1_epi16(0x00ff);
    const __m128i bias = _mm_set1_epi16(128);
    const __m128i blueK = _mm_setr_epi16(29025, -45, 29025, -45, 29025, -45, 29025, -45);
    const __m128i greenK = _mm_setr_epi16(-11258, -23378, -11258, -23378, -11258, -23378, -11258, -23378);
    // Red: 45931v = 32768v + 13163v, and 32768v passes the shift whole, so the term is
    // v + ((13163v - 30u) >> 15), v being the high half of each (u, v) dword.
    const __m128i redRest = _mm_setr_epi16(-30, 13163, -30, 13163, -30, 13163, -30, 13163);
    long x = 0;
    for (; x + 16 <= width; x += 16, s += 32, d += 48) {
        const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
        const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 16));
        const __m128i y0 = _mm_and_si128(v0, lowBytes), y1 = _mm_and_si128(v1, lowBytes);
        const __m128i c0 = _mm_sub_epi16(_mm_srli_epi16(v0, 8), bias);
        const __m128i c1 = _mm_sub_epi16(_mm_srli_epi16(v1, 8), bias);
        // One chroma term per pair, pairs 0..7 in order.
        const __m128i b16 = _mm_packs_epi32(_mm_srai_epi32(_mm_madd_epi16(c0, blueK), 14),
                                            _mm_srai_epi32(_mm_madd_epi16(c1, blueK), 14));
        const __m128i g16 = _mm_packs_epi32(_mm_srai_epi32(_mm_madd_epi16(c0, greenK), 15),
                                            _mm_srai_epi32(_mm_madd_epi16(c1, greenK), 15));
        const __m128i r16 = _mm_packs_epi32(
            _mm_add_epi32(_mm_srai_epi32(_mm_madd_epi16(c0, redRest), 15), _mm_srai_epi32(c0, 16)),
            _mm_add_epi32(_mm_srai_epi32(_mm_madd_epi16(c1, redRest), 15), _mm_srai_epi32(c1, 16)));
        // Both pixels of a pair take its term.
        const __m128i blue = _mm_packus_epi16(_mm_add_epi16(y0, _mm_unpacklo_epi16(b16, b16)),
                                              _mm_add_epi16(y1, _mm_unpackhi_epi16(b16, b16)));
        const __m128i green = _mm_packus_epi16(_mm_add_epi16(y0, _mm_unpacklo_epi16(g16, g16)),
                                               _mm_add_epi16(y1, _mm_unpackhi_epi16(g16, g16)));
        const __m128i red = _mm_packus_epi16(_mm_add_epi16(y0, _mm_unpacklo_epi16(r16, r16)),
                                             _mm_add_epi16(y1, _mm_unpackhi_epi16(r16, r16)));
        for (int j = 0; j < 3; ++j) {
            const __m128i out = _mm_or_si128(
                _mm_or_si128(_mm_shuffle_epi8(blue, mask[j][0]), _mm_shuffle_epi8(green, mask[j][1])),
                _mm_shuffle_epi8(red, mask[j][2]));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d + j * 16), out);
        }
    }
    return x;
}

// Thirty-two pixels per step with AVX2: each 128-bit lane converts sixteen pixels as the SSSE3
// step does (the low lane pixels 0..15, the high lane 16..31).
__attribute__((target("avx2"))) long ConvertRowAvx2(const uint8_t* s, uint8_t* d, long width) {
    const InterleaveMasks& m = Masks();
    __m256i mask[3][3];
    for (int j = 0; j < 3; ++j)
        for (int c = 0; c < 3; ++c)
            mask[j][c] =
                _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(m.mask[j][c])));
    const __m256i lowBytes = _mm256_set1_epi16(0x00ff);
    const __m256i bias = _mm256_set1_epi16(128);
    const __m256i blueK = _mm256_set1_epi32(FactorPair(29025, -45));
    const __m256i greenK = _mm256_set1_epi32(FactorPair(-11258, -23378));
    const __m256i redRest = _mm256_set1_epi32(FactorPair(-30, 13163));
    long x = 0;
    for (; x + 32 <= width; x += 32, s += 64, d += 96) {
        const __m128i* in = reinterpret_cast<const __m128i*>(s);
        // Lane 0 holds pixels 0..15 (input bytes 0..31), lane 1 pixels 16..31 (bytes 32..63).
        const __m256i v0 =
            _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(in)), _mm_loadu_si128(in + 2), 1);
        const __m256i v1 = _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(in + 1)),
                                                   _mm_loadu_si128(in + 3), 1);
        const __m256i y0 = _mm256_and_si256(v0, lowBytes), y1 = _mm256_and_si256(v1, lowBytes);
        const __m256i c0 = _mm256_sub_epi16(_mm256_srli_epi16(v0, 8), bias);
        const __m256i c1 = _mm256_sub_epi16(_mm256_srli_epi16(v1, 8), bias);
        const __m256i b16 = _mm256_packs_epi32(_mm256_srai_epi32(_mm256_madd_epi16(c0, blueK), 14),
                                               _mm256_srai_epi32(_mm256_madd_epi16(c1, blueK), 14));
        const __m256i g16 = _mm256_packs_epi32(_mm256_srai_epi32(_mm256_madd_epi16(c0, greenK), 15),
                                               _mm256_srai_epi32(_mm256_madd_epi16(c1, greenK), 15));
        const __m256i r16 =
            _mm256_packs_epi32(_mm256_add_epi32(_mm256_srai_epi32(_mm256_madd_epi16(c0, redRest), 15),
                                                _mm256_srai_epi32(c0, 16)),
                               _mm256_add_epi32(_mm256_srai_epi32(_mm256_madd_epi16(c1, redRest), 15),
                                                _mm256_srai_epi32(c1, 16)));
        const __m256i blue = _mm256_packus_epi16(_mm256_add_epi16(y0, _mm256_unpacklo_epi16(b16, b16)),
                                                 _mm256_add_epi16(y1, _mm256_unpackhi_epi16(b16, b16)));
        const __m256i green = _mm256_packus_epi16(_mm256_add_epi16(y0, _mm256_unpacklo_epi16(g16, g16)),
                                                  _mm256_add_epi16(y1, _mm256_unpackhi_epi16(g16, g16)));
        const __m256i red = _mm256_packus_epi16(_mm256_add_epi16(y0, _mm256_unpacklo_epi16(r16, r16)),
                                                _mm256_add_epi16(y1, _mm256_unpackhi_epi16(r16, r16)));
        __m256i out[3];
        for (int j = 0; j < 3; ++j)
            out[j] = _mm256_or_si256(_mm256_or_si256(_mm256_shuffle_epi8(blue, mask[j][0]),
                                                     _mm256_shuffle_epi8(green, mask[j][1])),
                                     _mm256_shuffle_epi8(red, mask[j][2]));
        // Lane 0 of out[0..2] is bytes 0..47, lane 1 bytes 48..95.
        __m256i* o = reinterpret_cast<__m256i*>(d);
        _mm256_storeu_si256(o, _mm256_permute2x128_si256(out[0], out[1], 0x20));
        _mm256_storeu_si256(o + 1, _mm256_permute2x128_si256(out[2], out[0], 0x30));
        _mm256_storeu_si256(o + 2, _mm256_permute2x128_si256(out[1], out[2], 0x31));
    }
    return x;
}

// Byte indexes of the AVX-512 step (64 pixels): output part k (bytes 64k..64k+63) is laid out by
// picking, for each byte, pixel p's Y from the 128 input bytes and its pair's chroma term from two
// byte tables. The terms come as separate bytes for the positive and the negative part, so the
// clamping is two saturating byte operations: Y + d = (Y +sat pos) -sat neg.
// Blue and green come from the first table (positive and negative parts in tables of their own),
// red from the second (both parts in one).
struct Avx512Indexes {
    alignas(64) uint8_t luma[3][64];
    alignas(64) uint8_t positive[3][64];
    alignas(64) uint8_t negative[3][64];
    Avx512Indexes() {
        for (int k = 0; k < 3; ++k)
            for (int i = 0; i < 64; ++i) {
                const int n = 64 * k + i, p = n / 3, c = n % 3, pair = p / 2;
                // Word w = 2 (pair % 16) + pair / 16 of each channel's words; packing words to
                // bytes puts word w of 128-bit lane w / 8 at byte 16 (w / 8) + w % 8 of the first
                // channel's table and 8 further of the second's.
                const int w = 2 * (pair % 16) + pair / 16, at = 16 * (w / 8) + w % 8;
                luma[k][i] = static_cast<uint8_t>(2 * p);
                positive[k][i] = static_cast<uint8_t>(c == 0 ? at : c == 1 ? at + 8 : 64 + at);
                negative[k][i] = static_cast<uint8_t>(c == 0 ? at : c == 1 ? at + 8 : 64 + at + 8);
            }
    }
};

const Avx512Indexes& Indexes512() {
    static const Avx512Indexes kIndexes;
    return kIndexes;
}

// The compiler's 512-bit shift intrinsics start from a deliberately undefined register, which
// some builds report as possibly uninitialised.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

#define TUNARO_AVX512 __attribute__((target("avx512f,avx512bw,avx512vbmi,avx512vbmi2,avx512vnni")))

// The constants of the AVX-512 step.
struct Avx512Step {
    __m512i luma[3], positive[3], negative[3];
    __m512i chromaBits, chromaFlip, blueK, greenK, redK, redV;

    TUNARO_AVX512 Avx512Step() {
        const Avx512Indexes& ix = Indexes512();
        for (int k = 0; k < 3; ++k) {
            luma[k] = _mm512_load_si512(ix.luma[k]);
            positive[k] = _mm512_load_si512(ix.positive[k]);
            negative[k] = _mm512_load_si512(ix.negative[k]);
        }
        chromaBits = _mm512_set1_epi16(static_cast<int16_t>(0xff00));
        chromaFlip = _mm512_set1_epi16(static_cast<int16_t>(0x8000));
        blueK = _mm512_set1_epi32(FactorPair(29025, -45));
        greenK = _mm512_set1_epi32(FactorPair(-11258, -23378));
        // Red's 45931v is -30u + 29547v, then 16384v once more (45931 does not fit 16 bits).
        redK = _mm512_set1_epi32(FactorPair(-30, 29547));
        redV = _mm512_set1_epi32(FactorPair(0, 16384));
    }

    // Converts the 64 pixels in in0 (pixels 0..31) and in1 (32..63) into the 192 bytes out[0..2].
    TUNARO_AVX512 __attribute__((always_inline)) inline void Convert(__m512i in0, __m512i in1,
                                                                     __m512i (&out)[3]) const {
        // (C & 0xff00) ^ 0x8000 is 256 (C - 128) for the chroma byte C of each word, so each dword
        // holds a pair's (u, v) times 256: the sums come out 256 times larger and the shifts take 8
        // more, which is exact (no sum exceeds 31 bits). Dword q of c0 is pair q, of c1 pair 16 + q.
        const __m512i c0 = _mm512_ternarylogic_epi32(in0, chromaBits, chromaFlip, 0x6a);
        const __m512i c1 = _mm512_ternarylogic_epi32(in1, chromaBits, chromaFlip, 0x6a);
        const __m512i red0 = _mm512_dpwssd_epi32(_mm512_madd_epi16(c0, redK), c0, redV);
        const __m512i red1 = _mm512_dpwssd_epi32(_mm512_madd_epi16(c1, redK), c1, redV);
        // Terms into words by double shifts: shifting (b : a) right by 16 keeps a's bits 16..31 as
        // the low word and b's bits 0..15 as the high word, so dword q of each holds the terms of
        // pairs q and 16 + q. Blue's term is sum >> 22, green's and red's sum >> 23.
        const __m512i b16 = _mm512_shrdi_epi32(_mm512_srai_epi32(_mm512_madd_epi16(c0, blueK), 6),
                                               _mm512_srai_epi32(_mm512_madd_epi16(c1, blueK), 22), 16);
        const __m512i g16 = _mm512_shrdi_epi32(_mm512_srai_epi32(_mm512_madd_epi16(c0, greenK), 7),
                                               _mm512_srai_epi32(_mm512_madd_epi16(c1, greenK), 23), 16);
        const __m512i r16 = _mm512_shrdi_epi32(_mm512_srai_epi32(red0, 7), _mm512_srai_epi32(red1, 23), 16);
        // Terms lie within -228..224: the unsigned packs keep the positive part of each, and of
        // its negation the negative part.
        const __m512i zero = _mm512_setzero_si512();
        const __m512i plusBg = _mm512_packus_epi16(b16, g16);
        const __m512i minusBg = _mm512_packus_epi16(_mm512_sub_epi16(zero, b16), _mm512_sub_epi16(zero, g16));
        const __m512i red = _mm512_packus_epi16(r16, _mm512_sub_epi16(zero, r16));
#pragma GCC unroll 3
        for (int k = 0; k < 3; ++k) {
            const __m512i y = _mm512_permutex2var_epi8(in0, luma[k], in1);
            const __m512i plus = _mm512_permutex2var_epi8(plusBg, positive[k], red);
            const __m512i minus = _mm512_permutex2var_epi8(minusBg, negative[k], red);
            out[k] = _mm512_subs_epu8(_mm512_adds_epu8(y, plus), minus);
        }
    }
};

// The bytes below n of a 64-byte block.
inline __mmask64 FirstBytes(size_t n) {
    return n >= 64 ? ~static_cast<__mmask64>(0) : (static_cast<__mmask64>(1) << n) - 1;
}

// Sixty-four pixels per step with AVX-512 (byte permutes): the chroma terms as in the narrower
// paths, then each output byte is put together where it is stored, without channel planes. The
// end of the row goes through the same step with masked loads and stores, so the whole row is
// done here and nothing is read or written past it.
TUNARO_AVX512 long ConvertRowAvx512(const uint8_t* s, uint8_t* d, long width) {
    static const Avx512Step kStep;
    __m512i out[3];
    long x = 0;
    for (; x + 64 <= width; x += 64, s += 128, d += 192) {
        kStep.Convert(_mm512_loadu_si512(s), _mm512_loadu_si512(s + 64), out);
        _mm512_storeu_si512(d, out[0]);
        _mm512_storeu_si512(d + 64, out[1]);
        _mm512_storeu_si512(d + 128, out[2]);
    }
    if (x < width) {
        const size_t rest = static_cast<size_t>(width - x);
        const size_t in = (rest + 1) / 2 * 4, bytes = rest * 3; // an odd last pixel reads its whole pair
        kStep.Convert(_mm512_maskz_loadu_epi8(FirstBytes(in), s),
                      _mm512_maskz_loadu_epi8(in > 64 ? FirstBytes(in - 64) : 0, s + 64), out);
        _mm512_mask_storeu_epi8(d, FirstBytes(bytes), out[0]);
        if (bytes > 64)
            _mm512_mask_storeu_epi8(d + 64, FirstBytes(bytes - 64), out[1]);
        if (bytes > 128)
            _mm512_mask_storeu_epi8(d + 128, FirstBytes(bytes - 128), out[2]);
    }
    return width;
}

#pragma GCC diagnostic pop

bool CpuHas(Yuy2Path path) {
    static const bool kSse2 = __builtin_cpu_supports("sse2");
    static const bool kSsse3 = kSse2 && __builtin_cpu_supports("ssse3");
    static const bool kAvx2 = kSsse3 && __builtin_cpu_supports("avx2");
    static const bool kAvx512 = kAvx2 && __builtin_cpu_supports("avx512f") &&
                                __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi") &&
                                __builtin_cpu_supports("avx512vbmi2") && __builtin_cpu_supports("avx512vnni");
    switch (path) {
    case Yuy2Path::Table:
        return true;
    case Yuy2Path::Sse2:
        return kSse2;
    case Yuy2Path::Ssse3:
        return kSsse3;
    case Yuy2Path::Avx2:
        return kAvx2;
    case Yuy2Path::Avx512:
        return kAvx512;
    }
    return false;
}

#else

bool CpuHas(Yuy2Path path) {
    return path == Yuy2Path::Table;
}

#endif

} // namespace

bool Yuy2PathAvailable(Yuy2Path path) {
    return CpuHas(path);
}

const char* Yuy2PathName(Yuy2Path path) {
    switch (path) {
    case Yuy2Path::Table:
        return "table";
    case Yuy2Path::Sse2:
        return "SSE2";
    case Yuy2Path::Ssse3:
        return "SSSE3";
    case Yuy2Path::Avx2:
        return "AVX2";
    case Yuy2Path::Avx512:
        return "AVX-512";
    }
    return "?";
}

Yuy2Path BestYuy2Path() {
    for (Yuy2Path p : {Yuy2Path::Avx512, Yuy2Path::Avx2, Yuy2Path::Ssse3, Yuy2Path::Sse2})
        if (CpuHas(p))
            return p;
    return Yuy2Path::Table;
}

void Yuy2ToBgr24With(Yuy2Path path, const uint8_t* yuy2, long width, long height, uint8_t* bgr) {
    if (width <= 0 || height <= 0)
        return;
    while (path != Yuy2Path::Table && !CpuHas(path))
        path = static_cast<Yuy2Path>(static_cast<int>(path) - 1);
    const size_t srcStride = Yuy2Stride(width), dstStride = Bgr24Stride(width);
    for (long row = 0; row < height; ++row) {
        const uint8_t* s = yuy2 + static_cast<size_t>(height - 1 - row) * srcStride;
        uint8_t* d = bgr + static_cast<size_t>(row) * dstStride;
        long done = 0;
#if defined(TUNARO_YUY2_SIMD)
        // Each wider step leaves the rest of the row to the narrower ones; the AVX-512 step
        // finishes its rows itself.
        if (path == Yuy2Path::Avx512)
            done = ConvertRowAvx512(s, d, width);
        else if (path == Yuy2Path::Avx2)
            done = ConvertRowAvx2(s, d, width);
        if (path >= Yuy2Path::Ssse3)
            done += ConvertRowSsse3(s + done * 2, d + done * 3, width - done);
        if (path >= Yuy2Path::Sse2)
            done += ConvertRowSse2(s + done * 2, d + done * 3, width - done);
#endif
        ConvertRowScalar(s, d, done, width, dstStride);
    }
}

void Yuy2ToBgr24(const uint8_t* yuy2, long width, long height, uint8_t* bgr) {
    static const Yuy2Path kBest = BestYuy2Path();
    Yuy2ToBgr24With(kBest, yuy2, width, height, bgr);
}

std::array<uint8_t, kBmpInfoHeaderSize> MakeBgr24InfoHeader(long width, long height) {
    std::array<uint8_t, kBmpInfoHeaderSize> h{};
    PutLe32(&h[0], kBmpInfoHeaderSize);
    PutLe32(&h[4], static_cast<uint32_t>(width));
    PutLe32(&h[8], static_cast<uint32_t>(height));
    PutLe16(&h[12], 1);  // planes
    PutLe16(&h[14], 24); // bits per pixel
    PutLe32(&h[16], 0);  // uncompressed
    // The row count in 64 bits: the most negative height has no positive twin of its own width.
    const int64_t rows = height < 0 ? -static_cast<int64_t>(height) : static_cast<int64_t>(height);
    PutLe32(&h[20], static_cast<uint32_t>(Bgr24Stride(width) * static_cast<uint64_t>(rows)));
    return h; // resolution and colour counts stay 0
}

uint32_t PackedImageDataSize(const uint8_t* packed, size_t length) {
    if (!packed || length < kBmpInfoHeaderSize || GetLe32(packed) != kBmpInfoHeaderSize)
        return 0;
    const uint32_t announced = GetLe32(packed + 20);
    if (announced != 0)
        return announced;
    const int32_t width = static_cast<int32_t>(GetLe32(packed + 4));
    const int32_t height = static_cast<int32_t>(GetLe32(packed + 8));
    const uint32_t bits = GetLe16(packed + 14);
    // A top-down picture has a negative height; -2^31 rows are counted in 64 bits.
    const int64_t rows = height < 0 ? -static_cast<int64_t>(height) : static_cast<int64_t>(height);
    if (width <= 0 || bits == 0)
        return 0;
    const uint64_t stride = ((static_cast<uint64_t>(width) * bits + 31) / 32) * 4;
    const uint64_t size = stride * static_cast<uint64_t>(rows);
    return size > 0xffffffffu ? 0 : static_cast<uint32_t>(size);
}

std::array<uint8_t, kBmpFileHeaderSize> MakeBmpFileHeader(uint32_t imageDataSize) {
    std::array<uint8_t, kBmpFileHeaderSize> h{};
    h[0] = 'B';
    h[1] = 'M';
    PutLe32(&h[2], imageDataSize + static_cast<uint32_t>(kBmpDataOffset));
    PutLe32(&h[10], static_cast<uint32_t>(kBmpDataOffset)); // bytes 6..9 reserved, 0
    return h;
}

std::vector<uint8_t> BmpFileFromPacked(const uint8_t* packed, size_t length) {
    const uint32_t dataSize = PackedImageDataSize(packed, length);
    if (dataSize == 0 || length - kBmpInfoHeaderSize < dataSize)
        return {};
    std::vector<uint8_t> file;
    file.reserve(kBmpDataOffset + dataSize);
    const auto fileHeader = MakeBmpFileHeader(dataSize);
    file.insert(file.end(), fileHeader.begin(), fileHeader.end());
    file.insert(file.end(), packed, packed + kBmpInfoHeaderSize + dataSize);
    return file;
}

} // namespace tunaro
