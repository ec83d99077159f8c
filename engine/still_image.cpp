// YUY2 to 24-bit conversion and bitmap headers for the engine's still images.
// Pure logic: no Windows headers, so it can be tested and measured alone.
#include "engine/still_image.h"

#include <cstring>

#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
#include <emmintrin.h>
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
    static const ChromaTables tables;
    return tables;
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

#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
#define TUNARO_YUY2_SSE2 1

// Eight pixels (four pairs) per step with SSE2. The chroma sums are formed exactly as the formula
// does, in 32 bits: blue's 58050u - 90v is twice 29025u - 45v, so ">> 15" becomes ">> 14" of the
// halved sum; red's 45931 does not fit a 16-bit factor and is split into 22966 + 22965. Saturating
// packs do the clamping. Returns the number of pixels done; the caller finishes the row, which
// always keeps at least one pixel back, because each 4-byte store runs one byte past its pixel.
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
#endif

} // namespace

void Yuy2ToBgr24(const uint8_t* yuy2, long width, long height, uint8_t* bgr) {
    if (width <= 0 || height <= 0)
        return;
    const size_t srcStride = Yuy2Stride(width), dstStride = Bgr24Stride(width);
#if defined(TUNARO_YUY2_SSE2)
    static const bool sse2 = __builtin_cpu_supports("sse2");
#endif
    for (long row = 0; row < height; ++row) {
        const uint8_t* s = yuy2 + static_cast<size_t>(height - 1 - row) * srcStride;
        uint8_t* d = bgr + static_cast<size_t>(row) * dstStride;
        long done = 0;
#if defined(TUNARO_YUY2_SSE2)
        if (sse2)
            done = ConvertRowSse2(s, d, width);
#endif
        ConvertRowScalar(s, d, done, width, dstStride);
    }
}

std::array<uint8_t, kBmpInfoHeaderSize> MakeBgr24InfoHeader(long width, long height) {
    std::array<uint8_t, kBmpInfoHeaderSize> h{};
    PutLe32(&h[0], kBmpInfoHeaderSize);
    PutLe32(&h[4], static_cast<uint32_t>(width));
    PutLe32(&h[8], static_cast<uint32_t>(height));
    PutLe16(&h[12], 1);  // planes
    PutLe16(&h[14], 24); // bits per pixel
    PutLe32(&h[16], 0);  // uncompressed
    PutLe32(&h[20],
            static_cast<uint32_t>(Bgr24Stride(width) * static_cast<size_t>(height < 0 ? -height : height)));
    return h; // resolution and colour counts stay 0
}

uint32_t PackedImageDataSize(const uint8_t* packed, size_t length) {
    if (!packed || length < kBmpInfoHeaderSize || GetLe32(packed) != kBmpInfoHeaderSize)
        return 0;
    const uint32_t announced = GetLe32(packed + 20);
    if (announced != 0)
        return announced;
    const int32_t width = static_cast<int32_t>(GetLe32(packed + 4));
    int32_t height = static_cast<int32_t>(GetLe32(packed + 8));
    const uint32_t bits = GetLe16(packed + 14);
    if (height < 0)
        height = -height;
    if (width <= 0 || bits == 0)
        return 0;
    const uint64_t stride = ((static_cast<uint64_t>(width) * bits + 31) / 32) * 4;
    const uint64_t size = stride * static_cast<uint64_t>(height);
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
