// SkinSlider: a trackbar whose channel and thumb are bitmaps (the thumb drawn through its mask)
// and that shows its value in a tooltip shared by all sliders of the process while dragged.
#pragma once

#include "Subclass.h"

#include "framework/raii.h"

class SkinSlider : public uikit::SubclassedWindow {
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
    void SetResourceModule(HINSTANCE module) { module_ = module; }
    // The rectangle the thumb moves in (client coordinates).
    void SetChannelRect(const RECT& rc);
    void SetVertical(bool vertical) { vertical_ = vertical; }
    void SetCursor(HCURSOR cursor) { cursor_ = cursor; }
    // Whether the value tooltip shows while dragging, and whether it follows the thumb.
    void SetTooltip(bool show, bool follow) {
        showTip_ = show;
        followTip_ = follow;
    }

    // Trackbar range and position.
    void SetRange(int min, int max);
    void SetPos(int pos);
    int GetPos() const;

    // Where the thumb is drawn for the current range and position.
    RECT ThumbRect() const;
    // The same rule for any position and range (f = (p - min) / (max - min)).
    static RECT ThumbRectFor(const RECT& channel, SIZE thumb, bool vertical, int min, int max, int pos);

    bool Pressed() const { return pressed_; }
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

    HINSTANCE module_ = nullptr;
    tunaro::Bitmap thumb_, mask_, pressedThumb_, channel_;
    SIZE thumbSize_ = {0, 0};
    bool vertical_ = false;
    bool pressed_ = false;
    bool tracking_ = false;
    bool showTip_ = true;
    bool followTip_ = true;
    bool tipShown_ = false;
    RECT channelRect_ = {0, 0, 0, 0};
    HCURSOR cursor_ = nullptr;
};
