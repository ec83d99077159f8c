// SkinSlider: a trackbar whose channel and thumb are bitmaps (the thumb drawn through its mask)
// and that shows its value in a tooltip shared by all sliders of the process while dragged.
#pragma once

#include "uikit/subclass.h"

#include "framework/raii.h"

namespace tunaro {

class SkinSlider : public SubclassedWindow {
public:
    SkinSlider() = default;
    ~SkinSlider() override;

    bool Attach(HWND trackbar);
    bool SubclassDlgItem(int id, HWND parent) { return Attach(GetDlgItem(parent, id)); }

    // Bitmaps by resource id of the module (0: none): thumb and its mask are required for a thumb
    // to be drawn; pressed thumb and channel are optional. Returns false when a named one is missing.
    bool SetBitmaps(UINT thumb, UINT thumbMask, UINT pressedThumb = 0, UINT channel = 0);
    // The same with bitmaps the caller made; the slider owns and deletes them.
    void SetBitmapHandles(HBITMAP thumb, HBITMAP thumbMask, HBITMAP pressedThumb, HBITMAP channel);
    void SetResourceModule(HINSTANCE module) { m_module = module; }
    // The rectangle the thumb moves in (client coordinates).
    void SetChannelRect(const RECT& rc);
    void SetVertical(bool vertical) { m_vertical = vertical; }
    void SetCursor(HCURSOR cursor) { m_cursor = cursor; }
    // Whether the value tooltip shows while dragging, and whether it follows the thumb.
    void SetTooltip(bool show, bool follow) {
        m_showTip = show;
        m_followTip = follow;
    }

    // Trackbar range and position.
    void SetRange(int min, int max);
    void SetPos(int pos);
    int GetPos() const;

    // Where the thumb is drawn for the current range and position.
    RECT ThumbRect() const;
    // The same rule for any position and range (f = (p - min) / (max - min)).
    static RECT ThumbRectFor(const RECT& channel, SIZE thumb, bool vertical, int min, int max, int pos);

    bool Pressed() const { return m_pressed; }
    // The process-wide value tooltip (created on first drag).
    static HWND ValueTooltip();

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void FreeBitmaps();
    void Paint(HDC dc, const RECT& clip);
    int PosFromPoint(POINT pt) const;
    void Notify(int code);
    void UpdateTooltip(bool show);
    void InvalidateThumb(const RECT& rc);

    HINSTANCE m_module = nullptr;
    Bitmap m_thumb, m_mask, m_pressedThumb, m_channel;
    SIZE m_thumbSize = {0, 0};
    bool m_vertical = false;
    bool m_pressed = false;
    bool m_tracking = false;
    bool m_showTip = true;
    bool m_followTip = true;
    bool m_tipShown = false;
    RECT m_channelRect = {0, 0, 0, 0};
    HCURSOR m_cursor = nullptr;
};

} // namespace tunaro
