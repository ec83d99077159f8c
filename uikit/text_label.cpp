// TextLabel: painting (memory bitmap, gradient bands, flashing, 3D and rotated text), font
// rebuilding on every setter, the flash timer and link clicks.
#include "uikit/text_label.h"

#include "uikit/gradient.h"

#include <shellapi.h>

#include <vector>

namespace tunaro {

namespace {
const UINT_PTR kFlashTimer = 1;
const UINT kFlashMs = 500;
} // namespace

TextLabel::TextLabel() : m_textColor(GetSysColor(COLOR_WINDOWTEXT)), m_bkColor(GetSysColor(COLOR_BTNFACE)) {
    m_bkBrush.Reset(CreateSolidBrush(m_bkColor));
}

TextLabel::~TextLabel() {
    if (GetHwnd())
        KillTimer(GetHwnd(), kFlashTimer);
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
    GetObjectA(current, sizeof(m_logFont), &m_logFont);
    RebuildFont();
    return true;
}

void TextLabel::RebuildFont() {
    HFONT font = CreateFontIndirectA(&m_logFont);
    if (font)
        m_font.Reset(font); // a failed rebuild keeps the previous font
}

void TextLabel::Redraw() {
    HWND wnd = GetHwnd();
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
    m_textColor = colour;
    Redraw();
    return *this;
}

TextLabel& TextLabel::SetShadowColor(COLORREF colour) {
    m_shadowColor = colour;
    Redraw();
    return *this;
}

TextLabel& TextLabel::SetFontBold(bool bold) {
    m_logFont.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    RebuildFont();
    Redraw();
    return *this;
}

TextLabel& TextLabel::SetFontUnderline(bool underline) {
    m_logFont.lfUnderline = underline ? TRUE : FALSE;
    RebuildFont();
    Redraw();
    return *this;
}

TextLabel& TextLabel::SetFontItalic(bool italic) {
    m_logFont.lfItalic = italic ? TRUE : FALSE;
    RebuildFont();
    Redraw();
    return *this;
}

TextLabel& TextLabel::SetFontSize(int points) {
    // Through a point font of the current face: height in logical units of the screen.
    HDC dc = GetDC(nullptr);
    int height = -MulDiv(points, GetDeviceCaps(dc, LOGPIXELSY), 72);
    ReleaseDC(nullptr, dc);
    m_logFont.lfHeight = height;
    m_logFont.lfWidth = 0;
    RebuildFont();
    Redraw();
    return *this;
}

TextLabel& TextLabel::SetFontName(const char* face, BYTE charSet) {
    lstrcpynA(m_logFont.lfFaceName, face ? face : "", LF_FACESIZE);
    m_logFont.lfCharSet = charSet;
    RebuildFont();
    Redraw();
    return *this;
}

TextLabel& TextLabel::SetFont(const LOGFONTA& font) {
    m_logFont = font;
    RebuildFont();
    Redraw();
    return *this;
}

TextLabel& TextLabel::SetBkColor(COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    if (brush) {
        m_bkBrush.Reset(brush);
        m_bkColor = colour;
        m_bkSet = true;
    }
    m_gradient = false;
    Redraw();
    return *this;
}

TextLabel& TextLabel::SetGradient(bool on, COLORREF start, COLORREF end) {
    m_gradient = on;
    m_gradStart = start;
    m_gradEnd = end;
    Redraw();
    return *this;
}

TextLabel& TextLabel::SetTransparent(bool transparent) {
    m_transparent = transparent;
    Redraw();
    return *this;
}

TextLabel& TextLabel::FlashText(bool on) {
    if (GetHwnd()) {
        KillTimer(GetHwnd(), kFlashTimer);
        if (on)
            SetTimer(GetHwnd(), kFlashTimer, kFlashMs, nullptr);
    }
    m_flash = on ? kFlashText : kNoFlash;
    m_flashOff = false;
    Redraw();
    return *this;
}

TextLabel& TextLabel::FlashBackground(bool on) {
    if (GetHwnd()) {
        KillTimer(GetHwnd(), kFlashTimer);
        if (on)
            SetTimer(GetHwnd(), kFlashTimer, kFlashMs, nullptr);
    }
    m_flash = on ? kFlashBackground : kNoFlash;
    m_flashOff = false;
    Redraw();
    return *this;
}

TextLabel& TextLabel::Set3DText(bool on, int direction) {
    m_text3D = on;
    m_direction3D = direction < 0 ? -1 : 1;
    Redraw();
    return *this;
}

TextLabel& TextLabel::SetRotationAngle(int tenthsOfDegrees, bool centred) {
    m_logFont.lfEscapement = tenthsOfDegrees;
    m_logFont.lfOrientation = tenthsOfDegrees;
    m_rotated = centred;
    RebuildFont();
    Redraw();
    return *this;
}

TextLabel& TextLabel::SetLink(bool on, Link kind, bool notify) {
    m_link = on ? kind : kNoLink;
    m_notify = notify;
    Redraw();
    return *this;
}

TextLabel& TextLabel::SetLinkTarget(const char* target) {
    m_linkTarget = target ? target : "";
    return *this;
}

TextLabel& TextLabel::SetLinkCursor(HCURSOR cursor) {
    m_linkCursor = cursor;
    return *this;
}

TextLabel& TextLabel::SetBorder(bool on) {
    if (GetHwnd()) {
        LONG_PTR ex = GetWindowLongPtrA(GetHwnd(), GWL_EXSTYLE);
        SetWindowLongPtrA(GetHwnd(), GWL_EXSTYLE, on ? (ex | WS_EX_STATICEDGE) : (ex & ~WS_EX_STATICEDGE));
        SetWindowPos(GetHwnd(), nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    }
    return *this;
}

TextLabel& TextLabel::SetSunken(bool on) {
    if (GetHwnd()) {
        LONG_PTR style = GetWindowLongPtrA(GetHwnd(), GWL_STYLE);
        SetWindowLongPtrA(GetHwnd(), GWL_STYLE, on ? (style | WS_BORDER) : (style & ~WS_BORDER));
        SetWindowPos(GetHwnd(), nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    }
    return *this;
}

TextLabel& TextLabel::SetText(const char* text) {
    if (GetHwnd()) {
        SetWindowTextA(GetHwnd(), text ? text : ""); // WM_SETTEXT below redraws
    }
    return *this;
}

void TextLabel::Paint(HDC target) {
    RECT client;
    GetClientRect(GetHwnd(), &client);
    const int width = client.right, height = client.bottom;
    HDC dc = target;
    HDC mem = nullptr;
    HBITMAP canvas = nullptr;
    HGDIOBJ oldCanvas = nullptr;
    if (!m_transparent) {
        mem = CreateCompatibleDC(target);
        canvas = mem ? CreateCompatibleBitmap(target, width, height) : nullptr;
        if (canvas) {
            oldCanvas = SelectObject(mem, canvas);
            dc = mem;
        }
    }
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ oldFont =
        SelectObject(dc, m_font ? static_cast<HGDIOBJ>(m_font.get()) : GetStockObject(SYSTEM_FONT));
    COLORREF background = m_bkSet ? m_bkColor : GetSysColor(COLOR_BTNFACE);

    m_lastBands = 0;
    if (!m_transparent) {
        if (m_gradient) {
            std::vector<GradientBand> bands = GradientBands(width, m_gradStart, m_gradEnd);
            for (const auto& band : bands) {
                Brush brush(CreateSolidBrush(band.colour));
                RECT rc = {band.left, 0, band.right, height};
                FillRect(dc, &rc, brush.get());
            }
            m_lastBands = static_cast<int>(bands.size());
            background = m_gradStart;
        } else {
            FillRect(dc, &client, m_bkSet ? m_bkBrush.get() : GetSysColorBrush(COLOR_BTNFACE));
        }
    }
    // Flashing text vanishes in its "off" phase by taking the background colour.
    COLORREF textColour = (m_flash == kFlashText && m_flashOff) ? background : m_textColor;

    int length = GetWindowTextLengthA(GetHwnd());
    std::string text(static_cast<size_t>(length) + 1, '\0');
    GetWindowTextA(GetHwnd(), &text[0], length + 1);
    text.resize(static_cast<size_t>(length));

    LONG_PTR style = GetWindowLongPtrA(GetHwnd(), GWL_STYLE);
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

    if (m_rotated) {
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
        if (m_text3D) {
            ::SetTextColor(dc, m_shadowColor);
            OffsetRect(&rc, m_direction3D, m_direction3D);
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
    HWND parent = GetParent(GetHwnd());
    if (m_notify) {
        NMHDR nm = {};
        nm.hwndFrom = GetHwnd();
        nm.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(GetHwnd()));
        nm.code = kClickNotify;
        if (parent)
            SendMessageA(parent, WM_NOTIFY, nm.idFrom, reinterpret_cast<LPARAM>(&nm));
        return;
    }
    if (m_link == kNoLink)
        return;
    char text[512] = "";
    GetWindowTextA(GetHwnd(), text, sizeof(text));
    std::string target;
    if (m_link == kUrlLink)
        target = m_linkTarget.empty() ? std::string(text) : m_linkTarget;
    else
        target = std::string("mailto:") + text;
    ShellExecuteA(nullptr, "open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

LRESULT TextLabel::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT: {
        PaintDc dc(GetHwnd());
        Paint(dc.get());
        return 0;
    }
    case WM_ERASEBKGND:
        return TRUE;
    case WM_TIMER:
        if (wp == kFlashTimer) {
            m_flashOff = !m_flashOff;
            Redraw();
            return 0;
        }
        break;
    case WM_SYSCOLORCHANGE: {
        HBRUSH brush = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
        if (brush) {
            m_bkBrush.Reset(brush);
            m_bkColor = GetSysColor(COLOR_BTNFACE);
        }
        break;
    }
    case WM_LBUTTONDOWN:
        OnClick();
        return 0;
    case WM_SETCURSOR:
        if (m_link != kNoLink && m_linkCursor) {
            ::SetCursor(m_linkCursor);
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

} // namespace tunaro
