// TextLabel: a static control with its own font and colours, an optional horizontal gradient,
// flashing, shadowed ("3D") and rotated text, and hyperlink behaviour.
#pragma once

#include "Subclass.h"

#include "framework/raii.h"

#include <string>

class TextLabel : public uikit::SubclassedWindow {
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

    const LOGFONTA& Font() const { return logFont_; }
    COLORREF TextColor() const { return textColor_; }
    bool FlashPhaseOff() const { return flashOff_; }
    int FlashMode() const { return flash_; }
    // Number of colour bands the last gradient paint used (0 when none was painted).
    int LastGradientBands() const { return lastBands_; }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void RebuildFont();
    void Redraw();
    void Paint(HDC target);
    void OnClick();

    COLORREF textColor_, shadowColor_ = RGB(255, 255, 255), bkColor_;
    bool bkSet_ = false;
    tunaro::Brush bkBrush_;
    bool gradient_ = false;
    COLORREF gradStart_ = 0, gradEnd_ = 0;
    LOGFONTA logFont_ = {};
    tunaro::Font font_;
    bool transparent_ = false;
    int flash_ = kNoFlash;
    bool flashOff_ = false;
    bool text3D_ = false;
    int direction3D_ = 1;
    bool rotated_ = false;
    int link_ = kNoLink;
    bool notify_ = false;
    std::string linkTarget_;
    HCURSOR linkCursor_ = nullptr;
    int lastBands_ = 0;
};
