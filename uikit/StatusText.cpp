// StatusText: text measuring, the saved background for transparent painting, and single- and
// multi-line drawing with its own colour and font.
#include "StatusText.h"

StatusText::StatusText() : textColor_(GetSysColor(COLOR_WINDOWTEXT)), bkColor_(GetSysColor(COLOR_BTNFACE)) {}

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
    text_ = text;
    Measure();
    return true;
}

HFONT StatusText::CurrentFont() const {
    if (ownFont_)
        return ownFont_.get();
    HFONT f = hwnd() ? reinterpret_cast<HFONT>(SendMessageA(hwnd(), WM_GETFONT, 0, 0)) : nullptr;
    return f ? f : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

void StatusText::Measure() {
    extent_ = {0, 0};
    if (!hwnd())
        return;
    tunaro::WindowDc dc(hwnd());
    tunaro::SelectObjectScope font(dc.get(), CurrentFont());
    GetTextExtentPoint32A(dc.get(), text_.c_str(), static_cast<int>(text_.size()), &extent_);
}

void StatusText::SetTextColor(COLORREF colour) {
    textColor_ = colour;
    if (hwnd())
        InvalidateRect(hwnd(), nullptr, FALSE);
}

void StatusText::SetText(const char* text) {
    std::string t = text ? text : "";
    if (t == text_)
        return;
    text_ = t;
    if (hwnd()) {
        // Stored without the static control's own repaint, which would cover the saved skin.
        DefWindowProcA(hwnd(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text_.c_str()));
        Measure();
        InvalidateRect(hwnd(), nullptr, FALSE);
    }
}

void StatusText::SetFontHeight(int height) {
    LOGFONTA lf = {};
    HFONT base = hwnd() ? reinterpret_cast<HFONT>(SendMessageA(hwnd(), WM_GETFONT, 0, 0)) : nullptr;
    GetObjectA(base ? base : GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
    lf.lfHeight = height;
    lf.lfWidth = 0;
    HFONT font = CreateFontIndirectA(&lf);
    if (!font)
        return;
    ownFont_.Reset(font);
    Measure();
    if (hwnd())
        InvalidateRect(hwnd(), nullptr, FALSE);
}

void StatusText::SetCenterHorizontal(bool on) {
    centreH_ = on;
    if (hwnd())
        InvalidateRect(hwnd(), nullptr, FALSE);
}

void StatusText::SetCenterVertical(bool on) {
    centreV_ = on;
    if (hwnd())
        InvalidateRect(hwnd(), nullptr, FALSE);
}

void StatusText::SetTransparent(bool on) {
    transparent_ = on;
    if (hwnd())
        InvalidateRect(hwnd(), nullptr, FALSE);
}

void StatusText::SetBkColor(COLORREF colour) {
    bkColor_ = colour;
    if (hwnd())
        InvalidateRect(hwnd(), nullptr, FALSE);
}

POINT StatusText::TextOrigin() const {
    RECT rc = {0, 0, 0, 0};
    if (hwnd())
        GetClientRect(hwnd(), &rc);
    POINT pt;
    pt.x = centreH_ ? (rc.right - extent_.cx) / 2 : margin_.x;
    pt.y = centreV_ ? (rc.bottom - extent_.cy) / 2 : margin_.y;
    return pt;
}

void StatusText::Paint(HDC dc) {
    RECT rc;
    GetClientRect(hwnd(), &rc);
    if (!saved_) {
        // What the window shows before its first own paint is the parent's skin behind it.
        tunaro::MemoryDc mem(CreateCompatibleDC(dc));
        saved_.Reset(CreateCompatibleBitmap(dc, rc.right, rc.bottom));
        if (mem && saved_) {
            tunaro::SelectObjectScope select(mem.get(), saved_.get());
            BitBlt(mem.get(), 0, 0, rc.right, rc.bottom, dc, 0, 0, SRCCOPY);
        }
    }
    if (transparent_ && saved_) {
        tunaro::MemoryDc mem(CreateCompatibleDC(dc));
        tunaro::SelectObjectScope select(mem.get(), saved_.get());
        BitBlt(dc, 0, 0, rc.right, rc.bottom, mem.get(), 0, 0, SRCCOPY);
    } else {
        tunaro::Brush brush(CreateSolidBrush(bkColor_));
        FillRect(dc, &rc, brush.get());
    }
    SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, textColor_);
    HGDIOBJ oldFont = SelectObject(dc, CurrentFont());
    IntersectClipRect(dc, rc.left, rc.top, rc.right, rc.bottom);
    POINT origin = TextOrigin();
    if (text_.find('\n') == std::string::npos) {
        TextOutA(dc, origin.x, origin.y, text_.c_str(), static_cast<int>(text_.size()));
    } else {
        TEXTMETRICA tm;
        GetTextMetricsA(dc, &tm);
        int y = origin.y;
        size_t start = 0;
        while (start <= text_.size()) {
            size_t end = text_.find('\n', start);
            std::string line =
                text_.substr(start, end == std::string::npos ? std::string::npos : end - start);
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
        tunaro::PaintDc dc(hwnd());
        Paint(dc.get());
        return 0;
    }
    case WM_ERASEBKGND:
        return TRUE; // keeps the parent's skin visible for the first paint's copy
    case WM_SETTEXT: {
        LRESULT r = StoreText(wp, lp); // the text only; painting is ours
        text_ = TextArgument(lp);
        Measure();
        InvalidateRect(hwnd(), nullptr, FALSE);
        return r;
    }
    }
    return Default(msg, wp, lp);
}
