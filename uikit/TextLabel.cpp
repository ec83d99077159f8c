// TextLabel: painting (memory bitmap, gradient bands, flashing, 3D and rotated text), font
// rebuilding on every setter, the flash timer and link clicks.
#include "TextLabel.h"

#include "Gradient.h"

#include <shellapi.h>

#include <vector>

namespace {
const UINT_PTR kFlashTimer = 1;
const UINT kFlashMs = 500;
} // namespace

TextLabel::TextLabel() : textColor_(GetSysColor(COLOR_WINDOWTEXT)), bkColor_(GetSysColor(COLOR_BTNFACE)) {
    bkBrush_.Reset(CreateSolidBrush(bkColor_));
}

TextLabel::~TextLabel() {
    if (hwnd())
        KillTimer(hwnd(), kFlashTimer);
    Detach();
}

bool TextLabel::Attach(HWND staticControl) {
    if (!SubclassedWindow::Attach(staticControl))
        return false;
    // Clicks reach a static only with SS_NOTIFY.
    SetWindowLongPtrA(staticControl, GWL_STYLE, GetWindowLongPtrA(staticControl, GWL_STYLE) | SS_NOTIFY);
    HFONT current = reinterpret_cast<HFONT>(SendMessageA(staticControl, WM_GETFONT, 0, 0));
    if (!current)
        current = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    GetObjectA(current, sizeof(logFont_), &logFont_);
    RebuildFont();
    return true;
}

void TextLabel::RebuildFont() {
    HFONT font = CreateFontIndirectA(&logFont_);
    if (font)
        font_.Reset(font); // a failed rebuild keeps the previous font
}

void TextLabel::Redraw() {
    HWND wnd = hwnd();
    if (!wnd)
        return;
    // The part of the parent behind the label is redrawn too, for transparent labels.
    RECT rc;
    GetWindowRect(wnd, &rc);
    HWND parent = GetParent(wnd);
    if (parent) {
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
        InvalidateRect(parent, &rc, TRUE);
    }
    InvalidateRect(wnd, nullptr, FALSE);
}

TextLabel& TextLabel::SetTextColor(COLORREF colour) {
    textColor_ = colour;
    Redraw();
    return *this;
}

TextLabel& TextLabel::SetShadowColor(COLORREF colour) {
    shadowColor_ = colour;
    Redraw();
    return *this;
}

TextLabel& TextLabel::SetFontBold(bool bold) {
    logFont_.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    RebuildFont();
    Redraw();
    return *this;
}

TextLabel& TextLabel::SetFontUnderline(bool underline) {
    logFont_.lfUnderline = underline ? TRUE : FALSE;
    RebuildFont();
    Redraw();
    return *this;
}

TextLabel& TextLabel::SetFontItalic(bool italic) {
    logFont_.lfItalic = italic ? TRUE : FALSE;
    RebuildFont();
    Redraw();
    return *this;
}

TextLabel& TextLabel::SetFontSize(int points) {
    // Through a point font of the current face: height in logical units of the screen.
    HDC dc = GetDC(nullptr);
    int height = -MulDiv(points, GetDeviceCaps(dc, LOGPIXELSY), 72);
    ReleaseDC(nullptr, dc);
    logFont_.lfHeight = height;
    logFont_.lfWidth = 0;
    RebuildFont();
    Redraw();
    return *this;
}

TextLabel& TextLabel::SetFontName(const char* face, BYTE charSet) {
    lstrcpynA(logFont_.lfFaceName, face ? face : "", LF_FACESIZE);
    logFont_.lfCharSet = charSet;
    RebuildFont();
    Redraw();
    return *this;
}

TextLabel& TextLabel::SetFont(const LOGFONTA& font) {
    logFont_ = font;
    RebuildFont();
    Redraw();
    return *this;
}

TextLabel& TextLabel::SetBkColor(COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    if (brush) {
        bkBrush_.Reset(brush);
        bkColor_ = colour;
        bkSet_ = true;
    }
    gradient_ = false;
    Redraw();
    return *this;
}

TextLabel& TextLabel::SetGradient(bool on, COLORREF start, COLORREF end) {
    gradient_ = on;
    gradStart_ = start;
    gradEnd_ = end;
    Redraw();
    return *this;
}

TextLabel& TextLabel::SetTransparent(bool transparent) {
    transparent_ = transparent;
    Redraw();
    return *this;
}

TextLabel& TextLabel::FlashText(bool on) {
    if (hwnd()) {
        KillTimer(hwnd(), kFlashTimer);
        if (on)
            SetTimer(hwnd(), kFlashTimer, kFlashMs, nullptr);
    }
    flash_ = on ? kFlashText : kNoFlash;
    flashOff_ = false;
    Redraw();
    return *this;
}

TextLabel& TextLabel::FlashBackground(bool on) {
    if (hwnd()) {
        KillTimer(hwnd(), kFlashTimer);
        if (on)
            SetTimer(hwnd(), kFlashTimer, kFlashMs, nullptr);
    }
    flash_ = on ? kFlashBackground : kNoFlash;
    flashOff_ = false;
    Redraw();
    return *this;
}

TextLabel& TextLabel::Set3DText(bool on, int direction) {
    text3D_ = on;
    direction3D_ = direction < 0 ? -1 : 1;
    Redraw();
    return *this;
}

TextLabel& TextLabel::SetRotationAngle(int tenthsOfDegrees, bool centred) {
    logFont_.lfEscapement = tenthsOfDegrees;
    logFont_.lfOrientation = tenthsOfDegrees;
    rotated_ = centred;
    RebuildFont();
    Redraw();
    return *this;
}

TextLabel& TextLabel::SetLink(bool on, Link kind, bool notify) {
    link_ = on ? kind : kNoLink;
    notify_ = notify;
    Redraw();
    return *this;
}

TextLabel& TextLabel::SetLinkTarget(const char* target) {
    linkTarget_ = target ? target : "";
    return *this;
}

TextLabel& TextLabel::SetLinkCursor(HCURSOR cursor) {
    linkCursor_ = cursor;
    return *this;
}

TextLabel& TextLabel::SetBorder(bool on) {
    if (hwnd()) {
        LONG_PTR ex = GetWindowLongPtrA(hwnd(), GWL_EXSTYLE);
        SetWindowLongPtrA(hwnd(), GWL_EXSTYLE, on ? (ex | WS_EX_STATICEDGE) : (ex & ~WS_EX_STATICEDGE));
        SetWindowPos(hwnd(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    }
    return *this;
}

TextLabel& TextLabel::SetSunken(bool on) {
    if (hwnd()) {
        LONG_PTR style = GetWindowLongPtrA(hwnd(), GWL_STYLE);
        SetWindowLongPtrA(hwnd(), GWL_STYLE, on ? (style | WS_BORDER) : (style & ~WS_BORDER));
        SetWindowPos(hwnd(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    }
    return *this;
}

TextLabel& TextLabel::SetText(const char* text) {
    if (hwnd()) {
        SetWindowTextA(hwnd(), text ? text : ""); // WM_SETTEXT below redraws
    }
    return *this;
}

void TextLabel::Paint(HDC target) {
    RECT client;
    GetClientRect(hwnd(), &client);
    const int width = client.right, height = client.bottom;
    HDC dc = target;
    HDC mem = nullptr;
    HBITMAP canvas = nullptr;
    HGDIOBJ oldCanvas = nullptr;
    if (!transparent_) {
        mem = CreateCompatibleDC(target);
        canvas = mem ? CreateCompatibleBitmap(target, width, height) : nullptr;
        if (canvas) {
            oldCanvas = SelectObject(mem, canvas);
            dc = mem;
        }
    }
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ oldFont =
        SelectObject(dc, font_ ? static_cast<HGDIOBJ>(font_.get()) : GetStockObject(SYSTEM_FONT));
    COLORREF background = bkSet_ ? bkColor_ : GetSysColor(COLOR_BTNFACE);

    lastBands_ = 0;
    if (!transparent_) {
        if (gradient_) {
            std::vector<uikit::GradientBand> bands = uikit::GradientBands(width, gradStart_, gradEnd_);
            for (const auto& band : bands) {
                tunaro::Brush brush(CreateSolidBrush(band.colour));
                RECT rc = {band.left, 0, band.right, height};
                FillRect(dc, &rc, brush.get());
            }
            lastBands_ = static_cast<int>(bands.size());
            background = gradStart_;
        } else {
            FillRect(dc, &client, bkSet_ ? bkBrush_.get() : GetSysColorBrush(COLOR_BTNFACE));
        }
    }
    // Flashing text vanishes in its "off" phase by taking the background colour.
    COLORREF textColour = (flash_ == kFlashText && flashOff_) ? background : textColor_;

    int length = GetWindowTextLengthA(hwnd());
    std::string text(static_cast<size_t>(length) + 1, '\0');
    GetWindowTextA(hwnd(), &text[0], length + 1);
    text.resize(static_cast<size_t>(length));

    LONG_PTR style = GetWindowLongPtrA(hwnd(), GWL_STYLE);
    UINT format = 0;
    if ((style & SS_CENTERIMAGE) != 0) {
        format =
            (text.find("\r\n") == std::string::npos) ? (DT_SINGLELINE | DT_CENTER | DT_VCENTER) : DT_CENTER;
    } else {
        switch (style & SS_TYPEMASK) {
        case SS_CENTER:
            format = DT_CENTER | DT_WORDBREAK;
            break;
        case SS_RIGHT:
            format = DT_RIGHT | DT_WORDBREAK;
            break;
        case SS_LEFTNOWORDWRAP:
            format = DT_LEFT;
            break;
        default:
            format = DT_LEFT | DT_WORDBREAK;
            break;
        }
    }
    if (text.find('\t') != std::string::npos)
        format |= DT_EXPANDTABS;
    if (style & SS_NOPREFIX)
        format |= DT_NOPREFIX;

    if (rotated_) {
        // Centred with the viewport origin in the middle, bottom-centre alignment.
        POINT oldOrigin;
        SetViewportOrgEx(dc, width / 2, height / 2, &oldOrigin);
        UINT oldAlign = SetTextAlign(dc, TA_BOTTOM | TA_CENTER);
        ::SetTextColor(dc, textColour);
        TextOutA(dc, 0, 0, text.c_str(), static_cast<int>(text.size()));
        SetTextAlign(dc, oldAlign);
        SetViewportOrgEx(dc, oldOrigin.x, oldOrigin.y, nullptr);
    } else {
        RECT rc = client;
        ::SetTextColor(dc, textColour);
        DrawTextA(dc, text.c_str(), -1, &rc, format);
        if (text3D_) {
            ::SetTextColor(dc, shadowColor_);
            OffsetRect(&rc, direction3D_, direction3D_);
            DrawTextA(dc, text.c_str(), -1, &rc, format);
        }
    }
    SelectObject(dc, oldFont);
    if (canvas) {
        BitBlt(target, 0, 0, width, height, mem, 0, 0, SRCCOPY);
        SelectObject(mem, oldCanvas);
        DeleteObject(canvas);
    }
    if (mem)
        DeleteDC(mem);
}

void TextLabel::OnClick() {
    HWND parent = GetParent(hwnd());
    if (notify_) {
        NMHDR nm = {};
        nm.hwndFrom = hwnd();
        nm.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(hwnd()));
        nm.code = kClickNotify;
        if (parent)
            SendMessageA(parent, WM_NOTIFY, nm.idFrom, reinterpret_cast<LPARAM>(&nm));
        return;
    }
    if (link_ == kNoLink)
        return;
    char text[512] = "";
    GetWindowTextA(hwnd(), text, sizeof(text));
    std::string target;
    if (link_ == kUrlLink)
        target = linkTarget_.empty() ? std::string(text) : linkTarget_;
    else
        target = std::string("mailto:") + text;
    ShellExecuteA(nullptr, "open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

LRESULT TextLabel::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT: {
        tunaro::PaintDc dc(hwnd());
        Paint(dc.get());
        return 0;
    }
    case WM_ERASEBKGND:
        return TRUE;
    case WM_TIMER:
        if (wp == kFlashTimer) {
            flashOff_ = !flashOff_;
            Redraw();
            return 0;
        }
        break;
    case WM_SYSCOLORCHANGE: {
        HBRUSH brush = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
        if (brush) {
            bkBrush_.Reset(brush);
            bkColor_ = GetSysColor(COLOR_BTNFACE);
        }
        break;
    }
    case WM_LBUTTONDOWN:
        OnClick();
        return 0;
    case WM_SETCURSOR:
        if (link_ != kNoLink && linkCursor_) {
            ::SetCursor(linkCursor_);
            return TRUE;
        }
        break;
    case WM_SETTEXT: {
        LRESULT r = StoreText(wp, lp); // the text only; painting is ours
        Redraw();
        return r;
    }
    }
    return Default(msg, wp, lp);
}
