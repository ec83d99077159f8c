// SkinSlider: thumb placement inside the channel rectangle, bitmap painting, dragging with the
// trackbar's own notifications, and the shared tracking tooltip that shows the value.
#include "uikit/skin_slider.h"

namespace tunaro {

namespace {

HWND g_valueTip = nullptr; // one per process, shared by every slider
char g_tipText[16] = "";

HWND EnsureValueTip() {
    if (g_valueTip && IsWindow(g_valueTip))
        return g_valueTip;
    g_valueTip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                                 WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
    if (!g_valueTip)
        return nullptr;
    TOOLINFOA ti = {};
    ti.cbSize = TTTOOLINFOA_V1_SIZE; // 44 bytes in the 32-bit program
    ti.uFlags = TTF_TRACK;
    ti.lpszText = g_tipText;
    SendMessageA(g_valueTip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    return g_valueTip;
}

} // namespace

SkinSlider::~SkinSlider() {
    Detach();
    FreeBitmaps();
}

bool SkinSlider::Attach(HWND trackbar) {
    if (!SubclassedWindow::Attach(trackbar))
        return false;
    GetClientRect(trackbar, &m_channelRect);
    return true;
}

void SkinSlider::FreeBitmaps() {
    m_thumb.Reset();
    m_mask.Reset();
    m_pressedThumb.Reset();
    m_channel.Reset();
    m_thumbSize = {0, 0};
}

void SkinSlider::SetBitmapHandles(HBITMAP thumb, HBITMAP thumbMask, HBITMAP pressedThumb, HBITMAP channel) {
    FreeBitmaps();
    m_thumb.Reset(thumb);
    m_mask.Reset(thumbMask);
    m_pressedThumb.Reset(pressedThumb);
    m_channel.Reset(channel);
    if (m_thumb) {
        BITMAP bm = {};
        GetObjectA(m_thumb.get(), sizeof(bm), &bm);
        m_thumbSize = {bm.bmWidth, bm.bmHeight};
    }
    if (GetHwnd())
        InvalidateRect(GetHwnd(), nullptr, FALSE);
}

bool SkinSlider::SetBitmaps(UINT thumb, UINT thumbMask, UINT pressedThumb, UINT channel) {
    HINSTANCE module = m_module ? m_module : GetModuleHandleA(nullptr);
    auto load = [module](UINT id) {
        return id ? static_cast<HBITMAP>(LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, 0))
                  : nullptr;
    };
    HBITMAP t = load(thumb), m = load(thumbMask), p = load(pressedThumb), c = load(channel);
    SetBitmapHandles(t, m, p, c);
    return (!thumb || t) && (!thumbMask || m) && (!pressedThumb || p) && (!channel || c);
}

void SkinSlider::SetChannelRect(const RECT& rc) {
    m_channelRect = rc;
    if (GetHwnd())
        InvalidateRect(GetHwnd(), nullptr, FALSE);
}

void SkinSlider::SetRange(int min, int max) {
    if (!GetHwnd())
        return;
    SendMessageA(GetHwnd(), TBM_SETRANGEMIN, FALSE, min);
    SendMessageA(GetHwnd(), TBM_SETRANGEMAX, TRUE, max);
}

void SkinSlider::SetPos(int pos) {
    if (!GetHwnd())
        return;
    RECT before = ThumbRect();
    SendMessageA(GetHwnd(), TBM_SETPOS, TRUE, pos);
    InvalidateThumb(before);
    InvalidateThumb(ThumbRect());
}

int SkinSlider::GetPos() const {
    return GetHwnd() ? static_cast<int>(SendMessageA(GetHwnd(), TBM_GETPOS, 0, 0)) : 0;
}

RECT SkinSlider::ThumbRectFor(const RECT& channel, SIZE thumb, bool vertical, int min, int max, int pos) {
    double f = (max > min) ? static_cast<double>(pos - min) / static_cast<double>(max - min) : 0.0;
    RECT rc;
    if (!vertical) {
        int travel = static_cast<int>((channel.right - channel.left - 27) * f);
        rc.left = channel.left + travel - thumb.cx / 2 + 13;
        rc.top = channel.top;
    } else {
        int travel = static_cast<int>((channel.bottom - channel.top - 27) * f);
        rc.top = channel.top + travel - thumb.cy / 2 + 13;
        rc.left = channel.left;
    }
    rc.right = rc.left + thumb.cx;
    rc.bottom = rc.top + thumb.cy;
    return rc;
}

RECT SkinSlider::ThumbRect() const {
    int min = 0, max = 0, pos = 0;
    if (GetHwnd()) {
        min = static_cast<int>(SendMessageA(GetHwnd(), TBM_GETRANGEMIN, 0, 0));
        max = static_cast<int>(SendMessageA(GetHwnd(), TBM_GETRANGEMAX, 0, 0));
        pos = static_cast<int>(SendMessageA(GetHwnd(), TBM_GETPOS, 0, 0));
    }
    return ThumbRectFor(m_channelRect, m_thumbSize, m_vertical, min, max, pos);
}

int SkinSlider::PosFromPoint(POINT pt) const {
    int min = static_cast<int>(SendMessageA(GetHwnd(), TBM_GETRANGEMIN, 0, 0));
    int max = static_cast<int>(SendMessageA(GetHwnd(), TBM_GETRANGEMAX, 0, 0));
    int length =
        m_vertical ? m_channelRect.bottom - m_channelRect.top : m_channelRect.right - m_channelRect.left;
    int offset = m_vertical ? pt.y - m_channelRect.top - 13 : pt.x - m_channelRect.left - 13;
    int travel = length - 27;
    if (travel <= 0 || max <= min)
        return min;
    long long p = min + (static_cast<long long>(offset) * (max - min) + travel / 2) / travel;
    if (offset < 0)
        p = min;
    return static_cast<int>(p < min ? min : (p > max ? max : p));
}

void SkinSlider::Notify(int code) {
    HWND parent = GetParent(GetHwnd());
    if (!parent)
        return;
    UINT msg = m_vertical ? WM_VSCROLL : WM_HSCROLL;
    WORD pos = static_cast<WORD>(GetPos());
    WPARAM wp =
        (code == TB_THUMBTRACK || code == TB_THUMBPOSITION) ? MAKEWPARAM(code, pos) : MAKEWPARAM(code, 0);
    SendMessageA(parent, msg, wp, reinterpret_cast<LPARAM>(GetHwnd()));
}

void SkinSlider::InvalidateThumb(const RECT& rc) {
    InvalidateRect(GetHwnd(), &rc, FALSE);
}

void SkinSlider::UpdateTooltip(bool show) {
    HWND tip = EnsureValueTip();
    if (!tip)
        return;
    TOOLINFOA ti = {};
    ti.cbSize = TTTOOLINFOA_V1_SIZE;
    if (!show) {
        SendMessageA(tip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&ti));
        m_tipShown = false;
        return;
    }
    wsprintfA(g_tipText, "%d", GetPos());
    ti.lpszText = g_tipText;
    SendMessageA(tip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&ti));
    if (m_followTip || !m_tipShown) {
        RECT thumb = ThumbRect();
        POINT pt = {thumb.left, thumb.top};
        ClientToScreen(GetHwnd(), &pt);
        SendMessageA(tip, TTM_TRACKPOSITION, 0, MAKELPARAM(pt.x, pt.y));
    }
    if (!m_tipShown) {
        SendMessageA(tip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&ti));
        m_tipShown = true;
    }
}

HWND SkinSlider::ValueTooltip() {
    return g_valueTip;
}

void SkinSlider::Paint(HDC dc, const RECT& clip) {
    MemoryDc mem(CreateCompatibleDC(dc));
    if (!mem)
        return;
    if (m_channel) {
        SelectObjectScope select(mem.get(), m_channel.get());
        BitBlt(dc, clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top, mem.get(), clip.left,
               clip.top, SRCCOPY);
    } else {
        FillRect(dc, &clip, GetSysColorBrush(COLOR_BTNFACE));
    }
    HBITMAP image = (m_pressed && m_pressedThumb) ? m_pressedThumb.get() : m_thumb.get();
    if (image && m_mask) {
        RECT t = ThumbRect();
        SelectObjectScope select(mem.get(), m_mask.get());
        BitBlt(dc, t.left, t.top, m_thumbSize.cx, m_thumbSize.cy, mem.get(), 0, 0, SRCAND);
        SelectObject(mem.get(), image);
        BitBlt(dc, t.left, t.top, m_thumbSize.cx, m_thumbSize.cy, mem.get(), 0, 0, SRCINVERT);
    }
}

LRESULT SkinSlider::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT: {
        PaintDc dc(GetHwnd());
        RECT clip;
        if (GetClipBox(dc.get(), &clip) == NULLREGION)
            GetClientRect(GetHwnd(), &clip);
        Paint(dc.get(), clip);
        return 0;
    }
    case WM_ERASEBKGND:
        return TRUE;
    case WM_LBUTTONDOWN: {
        m_tracking = true;
        POINT pt = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        RECT before = ThumbRect();
        SetFocus(GetHwnd());
        SetCapture(GetHwnd());
        if (PtInRect(&before, pt)) {
            m_pressed = true;
            if (m_showTip)
                UpdateTooltip(true);
            InvalidateThumb(before);
        } else {
            // A click beside the thumb pages towards the click, as the trackbar does.
            int page = static_cast<int>(SendMessageA(GetHwnd(), TBM_GETPAGESIZE, 0, 0));
            int target = PosFromPoint(pt);
            int pos = GetPos();
            int next = target > pos ? (pos + page < target ? pos + page : target)
                                    : (pos - page > target ? pos - page : target);
            SendMessageA(GetHwnd(), TBM_SETPOS, TRUE, next);
            InvalidateThumb(before);
            Notify(target > pos ? TB_PAGEDOWN : TB_PAGEUP);
        }
        InvalidateThumb(ThumbRect());
        return 0;
    }
    case WM_MOUSEMOVE:
        if (m_pressed) {
            POINT pt = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
            RECT before = ThumbRect();
            int pos = PosFromPoint(pt);
            if (pos != GetPos()) {
                SendMessageA(GetHwnd(), TBM_SETPOS, TRUE, pos);
                Notify(TB_THUMBTRACK);
            }
            if (m_showTip)
                UpdateTooltip(true);
            RECT after = ThumbRect(), both;
            UnionRect(&both, &before, &after);
            InvalidateThumb(both);
        }
        return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED: {
        bool wasPressed = m_pressed, wasTracking = m_tracking;
        if (m_tipShown)
            UpdateTooltip(false);
        m_pressed = false;
        m_tracking = false;
        if (msg == WM_LBUTTONUP && GetCapture() == GetHwnd())
            ReleaseCapture();
        if (wasPressed)
            Notify(TB_THUMBPOSITION);
        if (wasTracking)
            Notify(TB_ENDTRACK);
        InvalidateThumb(ThumbRect());
        return 0;
    }
    case WM_KEYDOWN: {
        LRESULT r = Default(msg, wp, lp);
        InvalidateRect(GetHwnd(), nullptr, FALSE);
        return r;
    }
    case WM_SETCURSOR:
        if (m_cursor) {
            ::SetCursor(m_cursor);
            return TRUE;
        }
        break;
    }
    return Default(msg, wp, lp);
}

} // namespace tunaro
