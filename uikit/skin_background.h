// The background of a skinned window: a bitmap file or, when that is missing, the skin's own
// bitmap resource, painted at the window's top left.
#pragma once

#include <windows.h>

#include <string>

#include "framework/raii.h"

namespace tunaro {

// A skinned window's background: the bitmap file setting.ini names ("MainBK"), else the skin
// bitmap itself.
class SkinBackground {
public:
    // Loads the file (null or missing: the skin resource `skinId` instead).
    bool Load(const std::string& path, HINSTANCE module, UINT skinId);
    // Copies the bitmap to the target at 0,0; false when there is none.
    bool Paint(HDC dc) const;
    HBITMAP GetBitmap() const { return m_bitmap.get(); }
    bool FromFile() const { return m_fromFile; }

private:
    Bitmap m_bitmap;
    bool m_fromFile = false;
};

} // namespace tunaro
