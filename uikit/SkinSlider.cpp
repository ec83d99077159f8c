// SkinSlider: thumb placement inside the channel rectangle, bitmap painting, dragging with the
// trackbar's own notifications, and the shared tracking tooltip that shows the value.
#include "SkinSlider.h"

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
    GetClientRect(trackbar, &channelRect_);
    return true;
}

void SkinSlider::FreeBitmaps() {
    thumb_.Reset();
    mask_.Reset();
    pressedThumb_.Reset();
    channel_.Reset();
    thumbSize_ = {0, 0};
}

void SkinSlider::SetBitmapHandles(HBITMAP thumb, HBITMAP thumbMask, HBITMAP pressedThumb, HBITMAP channel) {
    FreeBitmaps();
    thumb_.Reset(thumb);
    mask_.Reset(thumbMask);
    pressedThumb_.Reset(pressedThumb);
    channel_.Reset(channel);
    if (thumb_) {
        BITMAP bm = {};
        GetObjectA(thumb_.get(), sizeof(bm), &bm);
        thumbSize_ = {bm.bmWidth, bm.bmHeight};
    }
    if (hwnd())
        InvalidateRect(hwnd(), nullptr, FALSE);
}

bool SkinSlider::SetBitmaps(UINT thumb, UINT thumbMask, UINT pressedThumb, UINT channel) {
    HINSTANCE module = module_ ? module_ : GetModuleHandleA(nullptr);
    auto load = [module](UINT id) {
        return id ? static_cast<HBITMAP>(LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, 0))
                  : nullptr;
    };
    HBITMAP t = load(thumb), m = load(thumbMask), p = load(pressedThumb), c = load(channel);
    SetBitmapHandles(t, m, p, c);
    return (!thumb || t) && (!thumbMask || m) && (!pressedThumb || p) && (!channel || c);
}

void SkinSlider::SetChannelRect(const RECT& rc) {
    channelRect_ = rc;
    if (hwnd())
        InvalidateRect(hwnd(), nullptr, FALSE);
}

void SkinSlider::SetRange(int min, int max) {
    if (!hwnd())
        return;
    SendMessageA(hwnd(), TBM_SETRANGEMIN, FALSE, min);
    SendMessageA(hwnd(), TBM_SETRANGEMAX, TRUE, max);
}

void SkinSlider::SetPos(int pos) {
    if (!hwnd())
        return;
    RECT before = ThumbRect();
    SendMessageA(hwnd(), TBM_SETPOS, TRUE, pos);
    InvalidateThumb(before);
    InvalidateThumb(ThumbRect());
}

int SkinSlider::GetPos() const {
    return hwnd() ? static_cast<int>(SendMessageA(hwnd(), TBM_GETPOS, 0, 0)) : 0;
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
    if (hwnd()) {
        min = static_cast<int>(SendMessageA(hwnd(), TBM_GETRANGEMIN, 0, 0));
        max = static_cast<int>(SendMessageA(hwnd(), TBM_GETRANGEMAX, 0, 0));
        pos = static_cast<int>(SendMessageA(hwnd(), TBM_GETPOS, 0, 0));
    }
    return ThumbRectFor(channelRect_, thumbSize_, vertical_, min, max, pos);
}

int SkinSlider::PosFromPoint(POINT pt) const {
    int min = static_cast<int>(SendMessageA(hwnd(), TBM_GETRANGEMIN, 0, 0));
    int max = static_cast<int>(SendMessageA(hwnd(), TBM_GETRANGEMAX, 0, 0));
    int length = vertical_ ? channelRect_.bottom - channelRect_.top : channelRect_.right - channelRect_.left;
    int offset = vertical_ ? pt.y - channelRect_.top - 13 : pt.x - channelRect_.left - 13;
    int travel = length - 27;
    if (travel <= 0 || max <= min)
        return min;
    long long p = min + (static_cast<long long>(offset) * (max - min) + travel / 2) / travel;
    if (offset < 0)
        p = min;
    return static_cast<int>(p < min ? min : (p > max ? max : p));
}

void SkinSlider::Notify(int code) {
    HWND parent = GetParent(hwnd());
    if (!parent)
        return;
    UINT msg = vertical_ ? WM_VSCROLL : WM_HSCROLL;
    WORD pos = static_cast<WORD>(GetPos());
    WPARAM wp =
        (code == TB_THUMBTRACK || code == TB_THUMBPOSITION) ? MAKEWPARAM(code, pos) : MAKEWPARAM(code, 0);
    SendMessageA(parent, msg, wp, reinterpret_cast<LPARAM>(hwnd()));
}

void SkinSlider::InvalidateThumb(const RECT& rc) {
    InvalidateRect(hwnd(), &rc, FALSE);
}

void SkinSlider::UpdateTooltip(bool show) {
    HWND tip = EnsureValueTip();
    if (!tip)
        return;
    TOOLINFOA ti = {};
    ti.cbSize = TTTOOLINFOA_V1_SIZE;
    if (!show) {
        SendMessageA(tip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&ti));
        tipShown_ = false;
        return;
    }
    wsprintfA(g_tipText, "%d", GetPos());
    ti.lpszText = g_tipText;
    SendMessageA(tip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&ti));
    if (followTip_ || !tipShown_) {
        RECT thumb = ThumbRect();
        POINT pt = {thumb.left, thumb.top};
        ClientToScreen(hwnd(), &pt);
        SendMessageA(tip, TTM_TRACKPOSITION, 0, MAKELPARAM(pt.x, pt.y));
    }
    if (!tipShown_) {
        SendMessageA(tip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&ti));
        tipShown_ = true;
    }
}

HWND SkinSlider::ValueTooltip() {
    return g_valueTip;
}

void SkinSlider::Paint(HDC dc, const RECT& clip) {
    tunaro::MemoryDc mem(CreateCompatibleDC(dc));
    if (!mem)
        return;
    if (channel_) {
        tunaro::SelectObjectScope select(mem.get(), channel_.get());
        BitBlt(dc, clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top, mem.get(), clip.left,
               clip.top, SRCCOPY);
    } else {
        FillRect(dc, &clip, GetSysColorBrush(COLOR_BTNFACE));
    }
    HBITMAP image = (pressed_ && pressedThumb_) ? pressedThumb_.get() : thumb_.get();
    if (image && mask_) {
        RECT t = ThumbRect();
        tunaro::SelectObjectScope select(mem.get(), mask_.get());
        BitBlt(dc, t.left, t.top, thumbSize_.cx, thumbSize_.cy, mem.get(), 0, 0, SRCAND);
        SelectObject(mem.get(), image);
        BitBlt(dc, t.left, t.top, thumbSize_.cx, thumbSize_.cy, mem.get(), 0, 0, SRCINVERT);
    }
}

LRESULT SkinSlider::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT: {
        tunaro::PaintDc dc(hwnd());
        RECT clip;
        if (GetClipBox(dc.get(), &clip) == NULLREGION)
            GetClientRect(hwnd(), &clip);
        Paint(dc.get(), clip);
        return 0;
    }
    case WM_ERASEBKGND:
        return TRUE;
    case WM_LBUTTONDOWN: {
        tracking_ = true;
        POINT pt = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        RECT before = ThumbRect();
        SetFocus(hwnd());
        SetCapture(hwnd());
        if (PtInRect(&before, pt)) {
            pressed_ = true;
            if (showTip_)
                UpdateTooltip(true);
            InvalidateThumb(before);
        } else {
            // A click beside the thumb pages towards the click, as the trackbar does.
            int page = static_cast<int>(SendMessageA(hwnd(), TBM_GETPAGESIZE, 0, 0));
            int target = PosFromPoint(pt);
            int pos = GetPos();
            int next = target > pos ? (pos + page < target ? pos + page : target)
                                    : (pos - page > target ? pos - page : target);
            SendMessageA(hwnd(), TBM_SETPOS, TRUE, next);
            InvalidateThumb(before);
            Notify(target > pos ? TB_PAGEDOWN : TB_PAGEUP);
        }
        InvalidateThumb(ThumbRect());
        return 0;
    }
    case WM_MOUSEMOVE:
        if (pressed_) {
            POINT pt = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
            RECT before = ThumbRect();
            int pos = PosFromPoint(pt);
            if (pos != GetPos()) {
                SendMessageA(hwnd(), TBM_SETPOS, TRUE, pos);
                Notify(TB_THUMBTRACK);
            }
            if (showTip_)
                UpdateTooltip(true);
            RECT after = ThumbRect(), both;
            UnionRect(&both, &before, &after);
            InvalidateThumb(both);
        }
        return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED: {
        bool wasPressed = pressed_, wasTracking = tracking_;
        if (tipShown_)
            UpdateTooltip(false);
        pressed_ = false;
        tracking_ = false;
        if (msg == WM_LBUTTONUP && GetCapture() == hwnd())
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
        InvalidateRect(hwnd(), nullptr, FALSE);
        return r;
    }
    case WM_SETCURSOR:
        if (cursor_) {
            ::SetCursor(cursor_);
            return TRUE;
        }
        break;
    }
    return Default(msg, wp, lp);
}
