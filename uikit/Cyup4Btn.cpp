// Cyup4Btn: look selection from the owner-draw state, hover and press tracking with the mouse,
// click reporting to the parent, and the button's tooltip.
#include "Cyup4Btn.h"

#include <string>

Cyup4Btn::~Cyup4Btn() {
    if (tooltip_ && IsWindow(tooltip_))
        DestroyWindow(tooltip_);
    tooltip_ = nullptr;
    Detach();
    FreeBitmaps();
}

bool Cyup4Btn::Attach(HWND button) {
    if (!SubclassedWindow::Attach(button))
        return false;
    SendMessageA(button, BM_SETSTYLE, BS_OWNERDRAW, FALSE);
    GetClientRect(button, &client_);
    ReflectOwnerDraw();
    return true;
}

void Cyup4Btn::FreeBitmaps() {
    normal_.Reset();
    hover_.Reset();
    pressed_.Reset();
    fourth_.Reset();
}

bool Cyup4Btn::HasBitmap(DrawState look) const {
    switch (look) {
    case kNormal:
        return normal_.valid();
    case kHover:
        return hover_.valid();
    case kPressed:
        return pressed_.valid();
    case kFourth:
        return fourth_.valid();
    }
    return false;
}

int Cyup4Btn::SetBitmaps(UINT normal, UINT hover, UINT pressed, UINT fourth) {
    FreeBitmaps();
    HINSTANCE module = module_ ? module_ : GetModuleHandleA(nullptr);
    auto load = [module](UINT id) {
        return id ? static_cast<HBITMAP>(LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, 0))
                  : nullptr;
    };
    normal_.Reset(load(normal));
    if (!normal_)
        return 0;
    hover_.Reset(load(hover));
    pressed_.Reset(load(pressed));
    fourth_.Reset(load(fourth));
    BITMAP bm = {};
    GetObjectA(normal_.get(), sizeof(bm), &bm);
    client_ = {0, 0, bm.bmWidth, bm.bmHeight};
    if (hwnd())
        SetWindowPos(hwnd(), nullptr, 0, 0, bm.bmWidth, bm.bmHeight,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
    bool allLoaded = (!hover || hover_) && (!pressed || pressed_) && (!fourth || fourth_);
    return allLoaded ? 1 : 0;
}

bool Cyup4Btn::EnsureTooltip() {
    if (tooltip_)
        return true;
    if (!hwnd())
        return false;
    tooltip_ =
        CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd(), nullptr, nullptr, nullptr);
    return tooltip_ != nullptr;
}

void Cyup4Btn::SetTooltipText(const char* text) {
    if (!text)
        return;
    TOOLINFOA ti = {};
    ti.cbSize = TTTOOLINFOA_V1_SIZE;
    ti.hwnd = GetParent(hwnd());
    ti.uId = reinterpret_cast<UINT_PTR>(hwnd());
    ti.uFlags = TTF_IDISHWND;
    ti.lpszText = const_cast<char*>(text);
    if (tooltip_) {
        SendMessageA(tooltip_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&ti));
        return;
    }
    if (!EnsureTooltip())
        return;
    SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    SendMessageA(tooltip_, TTM_ACTIVATE, TRUE, 0);
}

void Cyup4Btn::SetTooltipText(UINT stringId, BOOL activate) {
    char text[256] = "";
    HINSTANCE module = module_ ? module_ : GetModuleHandleA(nullptr);
    if (LoadStringA(module, stringId, text, sizeof(text)) <= 0 || text[0] == '\0')
        return;
    if (!EnsureTooltip())
        return;
    TOOLINFOA ti = {};
    ti.cbSize = TTTOOLINFOA_V1_SIZE;
    ti.hwnd = GetParent(hwnd());
    ti.uId = reinterpret_cast<UINT_PTR>(hwnd());
    ti.uFlags = TTF_IDISHWND;
    ti.lpszText = text;
    if (SendMessageA(tooltip_, TTM_GETTOOLCOUNT, 0, 0) == 0)
        SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    SendMessageA(tooltip_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&ti));
    SendMessageA(tooltip_, TTM_ACTIVATE, activate, 0);
}

void Cyup4Btn::RelayToTooltip(UINT msg, WPARAM wp, LPARAM lp) {
    if (!tooltip_)
        return;
    MSG m = {};
    m.hwnd = hwnd();
    m.message = msg;
    m.wParam = wp;
    m.lParam = lp;
    m.time = GetMessageTime();
    DWORD pos = GetMessagePos();
    m.pt.x = static_cast<short>(LOWORD(pos));
    m.pt.y = static_cast<short>(HIWORD(pos));
    SendMessageA(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
}

void Cyup4Btn::DrawLook(UINT action, UINT state) {
    HWND wnd = hwnd();
    if (!wnd)
        return;
    tunaro::WindowDc dc(wnd);
    if (!dc)
        return;
    DRAWITEMSTRUCT dis = {};
    dis.CtlType = ODT_BUTTON;
    dis.CtlID = static_cast<UINT>(GetDlgCtrlID(wnd));
    dis.itemAction = action;
    dis.itemState = state;
    dis.hwndItem = wnd;
    dis.hDC = dc.get();
    dis.rcItem = client_;
    SendMessageA(wnd, WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
}

void Cyup4Btn::DrawItem(const DRAWITEMSTRUCT& dis) {
    UINT state = dis.itemState;
    HBITMAP look = normal_.get();
    int drawn = kNormal;
    if ((state & ODS_SELECTED) && pressed_) {
        look = pressed_.get();
        drawn = kPressed;
    } else if ((state & ODS_FOCUS) && hover_) {
        look = hover_.get();
        drawn = kHover;
    } else if ((state & ODS_DISABLED) && fourth_) {
        look = fourth_.get();
        drawn = kFourth;
    } else if ((state & ODS_DEFAULT) && fourth_) {
        look = hover_ ? hover_.get() : normal_.get();
        drawn = kHover;
    }
    drawn_ = drawn;
    if (!look || !dis.hDC)
        return;
    tunaro::MemoryDc mem(CreateCompatibleDC(dis.hDC));
    if (!mem)
        return;
    tunaro::SelectObjectScope select(mem.get(), look);
    BITMAP bm = {};
    GetObjectA(look, sizeof(bm), &bm);
    BitBlt(dis.hDC, dis.rcItem.left, dis.rcItem.top, bm.bmWidth, bm.bmHeight, mem.get(), 0, 0, SRCCOPY);
}

bool Cyup4Btn::PointInside(LPARAM lp) const {
    POINT pt = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
    return PtInRect(&client_, pt) != FALSE;
}

void Cyup4Btn::OnMouseMove(WPARAM wp, LPARAM lp) {
    RelayToTooltip(WM_MOUSEMOVE, wp, lp);
    if (!tracking_) {
        TRACKMOUSEEVENT tme = {};
        tme.cbSize = sizeof(tme);
        tme.dwFlags = TME_HOVER | TME_LEAVE;
        tme.hwndTrack = hwnd();
        tme.dwHoverTime = 1;
        tracking_ = TrackMouseEvent(&tme) != FALSE;
    }
    if (held_)
        return; // while held the press look stays and the capture stays, so the release is seen
    if (!PointInside(lp)) {
        if (GetCapture() == hwnd())
            ReleaseCapture();
        DrawLook(ODA_DRAWENTIRE, 0);
    } else if (drawn_ == kNormal) {
        DrawLook(ODA_FOCUS, ODS_FOCUS);
        SetCapture(hwnd());
    }
}

void Cyup4Btn::OnLButtonDown(WPARAM wp, LPARAM lp) {
    held_ = true;
    SetCapture(hwnd());
    DrawLook(ODA_SELECT, ODS_SELECTED);
    RelayToTooltip(WM_LBUTTONDOWN, wp, lp);
}

void Cyup4Btn::OnLButtonUp(WPARAM wp, LPARAM lp) {
    RelayToTooltip(WM_LBUTTONUP, wp, lp);
    bool wasHeld = held_;
    held_ = false;
    if (drawn_ != kPressed && !PointInside(lp)) {
        // Released away from a button that showed no press: no click.
        if (GetCapture() == hwnd())
            ReleaseCapture();
        DrawLook(ODA_DRAWENTIRE, 0);
        return;
    }
    if (GetCapture() == hwnd())
        ReleaseCapture();
    DrawLook(ODA_SELECT, 0);
    if (!wasHeld)
        return; // a release without a press on this button is not a click
    HWND wnd = hwnd();
    HWND parent = GetParent(wnd);
    int id = GetDlgCtrlID(wnd);
    if (parent)
        SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(wnd));
}

bool Cyup4Btn::OnReflectedMessage(UINT msg, WPARAM, LPARAM lp, LRESULT* result) {
    if (msg != WM_DRAWITEM)
        return false;
    DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
    *result = TRUE;
    return true;
}

LRESULT Cyup4Btn::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_DRAWITEM: // the button's own draw requests
        if (reinterpret_cast<const DRAWITEMSTRUCT*>(lp)->hwndItem == hwnd()) {
            DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
            return TRUE;
        }
        break;
    case WM_MOUSEMOVE:
        OnMouseMove(wp, lp);
        return 0;
    case WM_MOUSELEAVE:
        tracking_ = false;
        InvalidateRect(hwnd(), nullptr, TRUE);
        return 0;
    case WM_MOUSEHOVER:
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        OnLButtonDown(wp, lp);
        return 0;
    case WM_LBUTTONUP:
        OnLButtonUp(wp, lp);
        return 0;
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lp) != hwnd())
            held_ = false;
        break;
    case WM_CANCELMODE: {
        LRESULT r = Default(msg, wp, lp);
        held_ = false;
        DrawLook(ODA_DRAWENTIRE, 0);
        return r;
    }
    case WM_SETCURSOR:
        if (cursor_) {
            ::SetCursor(cursor_);
            return TRUE;
        }
        break;
    case WM_ERASEBKGND:
        return TRUE; // the bitmap covers the whole button
    case WM_ENABLE:
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
        LRESULT r = Default(msg, wp, lp);
        InvalidateRect(hwnd(), nullptr, FALSE);
        return r;
    }
    }
    return Default(msg, wp, lp);
}
