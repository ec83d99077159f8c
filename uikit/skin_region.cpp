// The window shape of a skin bitmap: opaque runs of each row gathered into rectangles and merged
// into one region in batches, as large bitmaps would otherwise need one region per pixel run.
#include "uikit/skin_region.h"

#include <algorithm>
#include <cstdlib>

#include "framework/raii.h"

namespace tunaro {

std::vector<RECT> OpaqueRowRuns(const std::uint32_t* pixels, int width, int height, int stride,
                                COLORREF transparent, int tolerance) {
    std::vector<RECT> runs;
    if (!pixels || width <= 0 || height <= 0 || stride < width)
        return runs;
    const int tr = GetRValue(transparent), tg = GetGValue(transparent), tb = GetBValue(transparent);
    auto isTransparent = [&](std::uint32_t p) {
        int r = static_cast<int>((p >> 16) & 0xFF), g = static_cast<int>((p >> 8) & 0xFF),
            b = static_cast<int>(p & 0xFF);
        return std::abs(r - tr) <= tolerance && std::abs(g - tg) <= tolerance &&
               std::abs(b - tb) <= tolerance;
    };
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* row = pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride);
        int x = 0;
        while (x < width) {
            while (x < width && isTransparent(row[x]))
                ++x;
            int start = x;
            while (x < width && !isTransparent(row[x]))
                ++x;
            if (x > start)
                runs.push_back(RECT{start, y, x, y + 1});
        }
    }
    return runs;
}

namespace {

constexpr std::size_t kRectBlock = 100;   // rectangles gathered per allocation
constexpr std::size_t kMergeEvery = 2000; // rectangles per region merged into the result

// Turns a batch of rectangles into a region and ORs it into `into`.
void MergeRects(HRGN into, const std::vector<RECT>& rects, std::vector<BYTE>& buffer) {
    if (rects.empty())
        return;
    std::size_t capacity = (rects.size() + kRectBlock - 1) / kRectBlock * kRectBlock;
    std::size_t bytes = sizeof(RGNDATAHEADER) + capacity * sizeof(RECT);
    if (buffer.size() < bytes)
        buffer.resize(bytes);
    RGNDATA* data = reinterpret_cast<RGNDATA*>(buffer.data());
    data->rdh.dwSize = sizeof(RGNDATAHEADER);
    data->rdh.iType = RDH_RECTANGLES;
    data->rdh.nCount = static_cast<DWORD>(rects.size());
    data->rdh.nRgnSize = static_cast<DWORD>(rects.size() * sizeof(RECT));
    RECT bounds = rects.front();
    for (const RECT& r : rects) {
        bounds.left = std::min(bounds.left, r.left);
        bounds.top = std::min(bounds.top, r.top);
        bounds.right = std::max(bounds.right, r.right);
        bounds.bottom = std::max(bounds.bottom, r.bottom);
    }
    data->rdh.rcBound = bounds;
    std::copy(rects.begin(), rects.end(), reinterpret_cast<RECT*>(data->Buffer));
    HRGN part = ExtCreateRegion(
        nullptr, static_cast<DWORD>(sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT)), data);
    if (!part) {
        // Some systems refuse large batches: fall back to one rectangle at a time.
        for (const RECT& r : rects) {
            HRGN one = CreateRectRgn(r.left, r.top, r.right, r.bottom);
            CombineRgn(into, into, one, RGN_OR);
            DeleteObject(one);
        }
        return;
    }
    CombineRgn(into, into, part, RGN_OR);
    DeleteObject(part);
}

} // namespace

HRGN RegionFromRuns(const std::vector<RECT>& runs) {
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    if (!region)
        return nullptr;
    std::vector<RECT> batch;
    std::vector<BYTE> buffer;
    for (const RECT& r : runs) {
        if (batch.size() == batch.capacity())
            batch.reserve(batch.capacity() + kRectBlock);
        batch.push_back(r);
        if (batch.size() == kMergeEvery) {
            MergeRects(region, batch, buffer);
            batch.clear();
        }
    }
    MergeRects(region, batch, buffer);
    return region;
}

HRGN RegionFromBitmap(HBITMAP bitmap, COLORREF transparent, int tolerance) {
    BITMAP bm = {};
    if (!bitmap || GetObjectA(bitmap, sizeof(bm), &bm) != sizeof(bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0)
        return nullptr;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = bm.bmWidth;
    info.bmiHeader.biHeight = -bm.bmHeight; // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(bm.bmWidth) *
                                      static_cast<std::size_t>(bm.bmHeight));
    WindowDc screen(nullptr);
    if (!screen || GetDIBits(screen.get(), bitmap, 0, static_cast<UINT>(bm.bmHeight), pixels.data(), &info,
                             DIB_RGB_COLORS) != bm.bmHeight)
        return nullptr;
    return RegionFromRuns(
        OpaqueRowRuns(pixels.data(), bm.bmWidth, bm.bmHeight, bm.bmWidth, transparent, tolerance));
}

} // namespace tunaro
