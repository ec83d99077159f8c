// TextLabel: a static control with its own font and colours, an optional horizontal gradient,
// flashing, shadowed ("3D") and rotated text, and hyperlink behaviour.
#pragma once

#include "uikit/subclass.h"

#include "framework/raii.h"

#include <string>

namespace tunaro {

class TextLabel : public SubclassedWindow {
public:
    enum Flash { kNoFlash = 0, kFlashText = 1, kFlashBackground = 2 };
    enum Link { kNoLink = 0, kUrlLink = 1, kMailLink = 2 };
    // WM_NOTIFY code sent to the parent on a click when notify is on.
    static const UINT kClickNotify = 0x8200;

    TextLabel();
    ~TextLabel() override;

    bool Attach(HWND staticControl);
    bool SubclassDlgItem(int id, HWND parent) { return Attach(GetDlgItem(parent, id)); }

    TextLabel& SetTextColor(COLORREF colour);
    TextLabel& SetShadowColor(COLORREF colour);
    TextLabel& SetFontBold(bool bold);
    TextLabel& SetFontUnderline(bool underline);
    TextLabel& SetFontItalic(bool italic);
    TextLabel& SetFontSize(int points);
    TextLabel& SetFontName(const char* face, BYTE charSet = DEFAULT_CHARSET);
    TextLabel& SetFont(const LOGFONTA& font);
    TextLabel& SetBkColor(COLORREF colour);
    TextLabel& SetGradient(bool on, COLORREF start = 0, COLORREF end = 0);
    TextLabel& SetTransparent(bool transparent);
    TextLabel& FlashText(bool on);
    TextLabel& FlashBackground(bool on);
    TextLabel& Set3DText(bool on, int direction = 1);
    TextLabel& SetRotationAngle(int tenthsOfDegrees, bool centred);
    TextLabel& SetLink(bool on, Link kind = kUrlLink, bool notify = false);
    TextLabel& SetLinkTarget(const char* target);
    TextLabel& SetLinkCursor(HCURSOR cursor);
    TextLabel& SetBorder(bool on);
    TextLabel& SetSunken(bool on);
    TextLabel& SetText(const char* text);

    const LOGFONTA& Font() const { return m_logFont; }
    COLORREF TextColor() const { return m_textColor; }
    bool FlashPhaseOff() const { return m_flashOff; }
    int FlashMode() const { return m_flash; }
    // Number of colour bands the last gradient paint used (0 when none was painted).
    int LastGradientBands() const { return m_lastBands; }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void RebuildFont();
    void Redraw();
    void Paint(HDC target);
    void OnClick();

    COLORREF m_textColor, m_shadowColor = RGB(255, 255, 255), m_bkColor;
    bool m_bkSet = false;
    Brush m_bkBrush;
    bool m_gradient = false;
    COLORREF m_gradStart = 0, m_gradEnd = 0;
    LOGFONTA m_logFont = {};
    tunaro::Font m_font; // qualified: the method Font() hides the type
    bool m_transparent = false;
    int m_flash = kNoFlash;
    bool m_flashOff = false;
    bool m_text3D = false;
    int m_direction3D = 1;
    bool m_rotated = false;
    int m_link = kNoLink;
    bool m_notify = false;
    std::string m_linkTarget;
    HCURSOR m_linkCursor = nullptr;
    int m_lastBands = 0;
};

} // namespace tunaro
