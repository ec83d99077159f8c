// Fuzz target of the engine's still images: YUY2 frames of any size and content convert to the
// same bytes on every conversion path, within the output buffer, and packed bitmaps with any
// header either become a .bmp file that holds exactly what they announce or are refused.
#include "tests/fuzz/fuzz_check.h"

#include "engine/still_image.h"

#include <cstdint>
#include <cstring>
#include <vector>

using namespace tunaro;

namespace {

uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// The frame: width and height from the first three bytes (up to 300 x 8, enough for every
// path's whole steps and their row ends), the pixels from the rest, repeated to fill it.
void CheckConversion(const uint8_t* data, size_t size) {
    if (size < 4)
        return;
    const long width = 1 + long((data[0] | data[1] << 8) % 300);
    const long height = 1 + long(data[2] % 8);
    std::vector<uint8_t> frame(Yuy2Stride(width) * size_t(height));
    for (size_t i = 0; i < frame.size(); ++i)
        frame[i] = data[3 + i % (size - 3)];

    // A guard byte past the end catches a path that writes beyond the picture.
    const size_t bytes = Bgr24Stride(width) * size_t(height);
    std::vector<uint8_t> reference(bytes + 1, 0xA5);
    Yuy2ToBgr24Reference(frame.data(), width, height, reference.data());
    FUZZ_CHECK(reference[bytes] == 0xA5);
    for (Yuy2Path path :
         {Yuy2Path::Table, Yuy2Path::Sse2, Yuy2Path::Ssse3, Yuy2Path::Avx2, Yuy2Path::Avx512}) {
        if (!Yuy2PathAvailable(path))
            continue;
        std::vector<uint8_t> out(bytes + 1, 0x5A);
        Yuy2ToBgr24With(path, frame.data(), width, height, out.data());
        FUZZ_CHECK(out[bytes] == 0x5A);
        FUZZ_CHECK(std::memcmp(out.data(), reference.data(), bytes) == 0);
    }
}

// The input itself as a packed bitmap.
void CheckPacked(const uint8_t* data, size_t size) {
    const uint32_t announced = PackedImageDataSize(data, size);
    const std::vector<uint8_t> file = BmpFileFromPacked(data, size);
    if (file.empty())
        return;
    FUZZ_CHECK(announced != 0);
    FUZZ_CHECK(file.size() == kBmpDataOffset + announced);
    FUZZ_CHECK(file[0] == 'B' && file[1] == 'M');
    FUZZ_CHECK(Le32(&file[2]) == file.size());
    FUZZ_CHECK(Le32(&file[10]) == kBmpDataOffset);
    FUZZ_CHECK(std::memcmp(&file[kBmpFileHeaderSize], data, file.size() - kBmpFileHeaderSize) == 0);
}

// Headers and strides for any width and height the input names, the extremes included.
void CheckHeaders(const uint8_t* data, size_t size) {
    if (size < 8)
        return;
    const long width = long(int32_t(Le32(data)));
    const long height = long(int32_t(Le32(data + 4)));
    const auto info = MakeBgr24InfoHeader(width, height);
    FUZZ_CHECK(Le32(&info[0]) == kBmpInfoHeaderSize);
    FUZZ_CHECK(Le32(&info[4]) == uint32_t(width));
    FUZZ_CHECK(Le32(&info[8]) == uint32_t(height));
    (void)MakeBmpFileHeader(Le32(data));
    // A frame of a size the device may hand over has a byte count of 32 bits in each format.
    const size_t packed = Yuy2Stride(width);
    FUZZ_CHECK(width > 0 || packed == 0);
    if (StillSizeFits(width, height)) {
        FUZZ_CHECK(uint64_t(packed) * uint64_t(height) <= UINT32_MAX);
        FUZZ_CHECK(uint64_t(Bgr24Stride(width)) * uint64_t(height) <= UINT32_MAX);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckConversion(data, size);
    CheckPacked(data, size);
    CheckHeaders(data, size);
    return 0;
}
