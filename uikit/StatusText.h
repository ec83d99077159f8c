// StatusText: a plain static text with its own colour and font height that can look transparent
// over a skinned background (it keeps a copy of what lay under it at its first paint).
#pragma once

#include "Subclass.h"

#include "framework/raii.h"

#include <string>

class StatusText : public uikit::SubclassedWindow {
public:
    StatusText();
    ~StatusText() override;

    bool Attach(HWND staticControl);
    bool SubclassDlgItem(int id, HWND parent) { return Attach(GetDlgItem(parent, id)); }

    void SetTextColor(COLORREF colour);
    // Changes the text (and measures it again) only when it differs from the current one.
    void SetText(const char* text);
    // A font made from the window's font with this height (width 0).
    void SetFontHeight(int height);
    void SetCenterHorizontal(bool on);
    void SetCenterVertical(bool on);
    void SetTransparent(bool on);
    void SetBkColor(COLORREF colour);

    const std::string& Text() const { return text_; }
    COLORREF TextColor() const { return textColor_; }
    // Where a single-line text starts for the current settings and extent.
    POINT TextOrigin() const;
    bool HasSavedBackground() const { return saved_.valid(); }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void Measure();
    void Paint(HDC dc);
    HFONT CurrentFont() const;

    std::string text_;
    COLORREF textColor_, bkColor_;
    bool transparent_ = false;
    tunaro::Bitmap saved_;
    tunaro::Font ownFont_;
    bool centreH_ = false, centreV_ = false;
    POINT margin_ = {3, 3};
    SIZE extent_ = {0, 0};
};
