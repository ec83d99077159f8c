// The window shape of a skin: every pixel that is not the transparent colour belongs to the
// window. The TV panel and the FM window take their outline from their skin bitmaps this way.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace tunaro {

// Every run of pixels of one row that is not the transparent colour becomes a one-row rectangle,
// rows scanned from the top. pixels: top-down rows of 0x00RRGGBB values, `stride` values apart.
// A pixel is transparent when each of its channels lies within `tolerance` of the colour's.
std::vector<RECT> OpaqueRowRuns(const std::uint32_t* pixels, int width, int height, int stride,
                                COLORREF transparent, int tolerance);
// The region of those rectangles; they are gathered in blocks of 100 and merged into the region
// every 2000 rectangles and at the end. Never null (an empty region when there are none).
HRGN RegionFromRuns(const std::vector<RECT>& runs);
// The window shape of a skin bitmap (any format GDI reads); null when the bitmap is unusable.
HRGN RegionFromBitmap(HBITMAP bitmap, COLORREF transparent = RGB(0, 0, 0), int tolerance = 0);

} // namespace tunaro
