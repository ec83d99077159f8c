// The background of a skinned window: loaded from its file or the skin resource, copied to the
// window's device context when it paints.
#include "uikit/skin_background.h"

namespace tunaro {

bool SkinBackground::Load(const std::string& path, HINSTANCE module, UINT skinId) {
    m_bitmap.Reset();
    m_fromFile = false;
    if (!path.empty())
        m_bitmap.Reset(
            static_cast<HBITMAP>(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE)));
    if (m_bitmap) {
        m_fromFile = true;
        return true;
    }
    m_bitmap.Reset(static_cast<HBITMAP>(LoadImageA(module ? module : GetModuleHandleA(nullptr),
                                                   MAKEINTRESOURCEA(skinId), IMAGE_BITMAP, 0, 0, 0)));
    return m_bitmap.valid();
}

bool SkinBackground::Paint(HDC dc) const {
    if (!m_bitmap || !dc)
        return false;
    MemoryDc mem(CreateCompatibleDC(dc));
    if (!mem)
        return false;
    SelectObjectScope select(mem.get(), m_bitmap.get());
    BITMAP bm = {};
    GetObjectA(m_bitmap.get(), sizeof(bm), &bm);
    return BitBlt(dc, 0, 0, bm.bmWidth, bm.bmHeight, mem.get(), 0, 0, SRCCOPY) != FALSE;
}

} // namespace tunaro
