// StatusText: a plain static text with its own colour and font height that can look transparent
// over a skinned background (it keeps a copy of what lay under it at its first paint).
#pragma once

#include "uikit/subclass.h"

#include "framework/raii.h"

#include <string>

namespace tunaro {

class StatusText : public SubclassedWindow {
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

    const std::string& Text() const { return m_text; }
    COLORREF TextColor() const { return m_textColor; }
    // Where a single-line text starts for the current settings and extent.
    POINT TextOrigin() const;
    bool HasSavedBackground() const { return m_saved.valid(); }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void Measure();
    void Paint(HDC dc);
    HFONT CurrentFont() const;

    std::string m_text;
    COLORREF m_textColor, m_bkColor;
    bool m_transparent = false;
    Bitmap m_saved;
    Font m_ownFont;
    bool m_centreH = false, m_centreV = false;
    POINT m_margin = {3, 3};
    SIZE m_extent = {0, 0};
};

} // namespace tunaro
