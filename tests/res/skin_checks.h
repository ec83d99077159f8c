// Checks both programs' skin tests make of a generated layout against the bitmaps compiled into
// the test: each row's bitmaps at the row's size, controls inside the window's shape bitmap,
// buttons apart.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "res/skin_row.h"

namespace tunaro::skin_checks {

inline SIZE BitmapSize(int id) {
    SIZE s = {0, 0};
    HBITMAP b = static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, 0));
    if (!b)
        return s;
    BITMAP bm = {};
    GetObjectA(b, sizeof(bm), &bm);
    DeleteObject(b);
    s.cx = bm.bmWidth;
    s.cy = bm.bmHeight;
    return s;
}

// The normal look must exist; the others (hover, pressed, disabled) where the row names them.
inline void ExpectRowBitmaps(const skin::Row& r) {
    EXPECT_NE(0, r.normal) << r.id;
    for (int id : {r.normal, r.hover, r.pressed, r.fourth}) {
        if (id == 0)
            continue;
        SIZE s = BitmapSize(id);
        EXPECT_EQ(r.width, s.cx) << "control " << r.id << " bitmap " << id;
        EXPECT_EQ(r.height, s.cy) << "control " << r.id << " bitmap " << id;
    }
}

// Pixels of a shape bitmap: black (0,0,0) is outside the window.
struct Shape {
    std::vector<COLORREF> px;
    int w = 0, h = 0;
    explicit Shape(int id) {
        HBITMAP b = static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id),
                                                    IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        if (!b)
            return;
        BITMAP bm = {};
        GetObjectA(b, sizeof(bm), &bm);
        w = bm.bmWidth;
        h = bm.bmHeight;
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, b);
        px.resize(static_cast<size_t>(w * h));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                px[static_cast<size_t>(y * w + x)] = GetPixel(dc, x, y);
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(b);
    }
    bool Inside(int x, int y) const {
        return x >= 0 && y >= 0 && x < w && y < h && px[static_cast<size_t>(y * w + x)] != 0;
    }
};

inline void ExpectInsideShape(const Shape& shape, int id, int left, int top, int width, int height) {
    for (int y = top; y < top + height; ++y)
        for (int x = left; x < left + width; ++x)
            if (!shape.Inside(x, y)) {
                ADD_FAILURE() << "control " << id << " pokes out of the window at " << x << "," << y;
                return;
            }
}

inline void ExpectInsideShape(const Shape& shape, const skin::Row& r) {
    ExpectInsideShape(shape, r.id, r.left, r.top, r.width, r.height);
}

inline bool Overlap(const skin::Row& a, const skin::Row& b) {
    return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
           b.top < a.top + a.height;
}

} // namespace tunaro::skin_checks
