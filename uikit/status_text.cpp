// StatusText: text measuring, the saved background for transparent painting, and single- and
// multi-line drawing with its own colour and font.
#include "uikit/status_text.h"

namespace tunaro {

StatusText::StatusText()
    : m_textColor(GetSysColor(COLOR_WINDOWTEXT)), m_bkColor(GetSysColor(COLOR_BTNFACE)) {}

StatusText::~StatusText() {
    Detach();
}

bool StatusText::Attach(HWND staticControl) {
    if (!SubclassedWindow::Attach(staticControl))
        return false;
    int length = GetWindowTextLengthA(staticControl);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    GetWindowTextA(staticControl, &text[0], length + 1);
    text.resize(static_cast<size_t>(length));
    m_text = text;
    Measure();
    return true;
}

HFONT StatusText::CurrentFont() const {
    if (m_ownFont)
        return m_ownFont.get();
    HFONT f = GetHwnd() ? reinterpret_cast<HFONT>(SendMessageA(GetHwnd(), WM_GETFONT, 0, 0)) : nullptr;
    return f ? f : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

void StatusText::Measure() {
    m_extent = {0, 0};
    if (!GetHwnd())
        return;
    WindowDc dc(GetHwnd());
    SelectObjectScope font(dc.get(), CurrentFont());
    GetTextExtentPoint32A(dc.get(), m_text.c_str(), static_cast<int>(m_text.size()), &m_extent);
}

void StatusText::SetTextColor(COLORREF colour) {
    m_textColor = colour;
    if (GetHwnd())
        InvalidateRect(GetHwnd(), nullptr, FALSE);
}

void StatusText::SetText(const char* text) {
    std::string t = text ? text : "";
    if (t == m_text)
        return;
    m_text = t;
    if (GetHwnd()) {
        // Stored without the static control's own repaint, which would cover the saved skin.
        DefWindowProcA(GetHwnd(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(m_text.c_str()));
        Measure();
        InvalidateRect(GetHwnd(), nullptr, FALSE);
    }
}

void StatusText::SetFontHeight(int height) {
    LOGFONTA lf = {};
    HFONT base = GetHwnd() ? reinterpret_cast<HFONT>(SendMessageA(GetHwnd(), WM_GETFONT, 0, 0)) : nullptr;
    GetObjectA(base ? base : GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
    lf.lfHeight = height;
    lf.lfWidth = 0;
    HFONT font = CreateFontIndirectA(&lf);
    if (!font)
        return;
    m_ownFont.Reset(font);
    Measure();
    if (GetHwnd())
        InvalidateRect(GetHwnd(), nullptr, FALSE);
}

void StatusText::SetCenterHorizontal(bool on) {
    m_centreH = on;
    if (GetHwnd())
        InvalidateRect(GetHwnd(), nullptr, FALSE);
}

void StatusText::SetCenterVertical(bool on) {
    m_centreV = on;
    if (GetHwnd())
        InvalidateRect(GetHwnd(), nullptr, FALSE);
}

void StatusText::SetTransparent(bool on) {
    m_transparent = on;
    if (GetHwnd())
        InvalidateRect(GetHwnd(), nullptr, FALSE);
}

void StatusText::SetBkColor(COLORREF colour) {
    m_bkColor = colour;
    if (GetHwnd())
        InvalidateRect(GetHwnd(), nullptr, FALSE);
}

POINT StatusText::TextOrigin() const {
    RECT rc = {0, 0, 0, 0};
    if (GetHwnd())
        GetClientRect(GetHwnd(), &rc);
    POINT pt;
    pt.x = m_centreH ? (rc.right - m_extent.cx) / 2 : m_margin.x;
    pt.y = m_centreV ? (rc.bottom - m_extent.cy) / 2 : m_margin.y;
    return pt;
}

void StatusText::Paint(HDC dc) {
    RECT rc;
    GetClientRect(GetHwnd(), &rc);
    if (!m_saved) {
        // What the window shows before its first own paint is the parent's skin behind it.
        MemoryDc mem(CreateCompatibleDC(dc));
        m_saved.Reset(CreateCompatibleBitmap(dc, rc.right, rc.bottom));
        if (mem && m_saved) {
            SelectObjectScope select(mem.get(), m_saved.get());
            BitBlt(mem.get(), 0, 0, rc.right, rc.bottom, dc, 0, 0, SRCCOPY);
        }
    }
    if (m_transparent && m_saved) {
        MemoryDc mem(CreateCompatibleDC(dc));
        SelectObjectScope select(mem.get(), m_saved.get());
        BitBlt(dc, 0, 0, rc.right, rc.bottom, mem.get(), 0, 0, SRCCOPY);
    } else {
        Brush brush(CreateSolidBrush(m_bkColor));
        FillRect(dc, &rc, brush.get());
    }
    SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, m_textColor);
    HGDIOBJ oldFont = SelectObject(dc, CurrentFont());
    IntersectClipRect(dc, rc.left, rc.top, rc.right, rc.bottom);
    POINT origin = TextOrigin();
    if (m_text.find('\n') == std::string::npos) {
        TextOutA(dc, origin.x, origin.y, m_text.c_str(), static_cast<int>(m_text.size()));
    } else {
        TEXTMETRICA tm;
        GetTextMetricsA(dc, &tm);
        int y = origin.y;
        size_t start = 0;
        while (start <= m_text.size()) {
            size_t end = m_text.find('\n', start);
            std::string line =
                m_text.substr(start, end == std::string::npos ? std::string::npos : end - start);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            TextOutA(dc, origin.x, y, line.c_str(), static_cast<int>(line.size()));
            y += tm.tmHeight + tm.tmExternalLeading;
            if (end == std::string::npos)
                break;
            start = end + 1;
        }
    }
    SelectObject(dc, oldFont);
}

LRESULT StatusText::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT: {
        PaintDc dc(GetHwnd());
        Paint(dc.get());
        return 0;
    }
    case WM_ERASEBKGND:
        return TRUE; // keeps the parent's skin visible for the first paint's copy
    case WM_SETTEXT: {
        LRESULT r = StoreText(wp, lp); // the text only; painting is ours
        m_text = TextArgument(lp);
        Measure();
        InvalidateRect(GetHwnd(), nullptr, FALSE);
        return r;
    }
    }
    return Default(msg, wp, lp);
}

} // namespace tunaro
