// Cyup4Btn: look selection from the owner-draw state, hover and press tracking with the mouse,
// click reporting to the parent, and the button's tooltip.
#include "uikit/cyup4_btn.h"

#include <string>

namespace tunaro {

Cyup4Btn::~Cyup4Btn() {
    if (m_tooltip && IsWindow(m_tooltip))
        DestroyWindow(m_tooltip);
    m_tooltip = nullptr;
    Detach();
    FreeBitmaps();
}

bool Cyup4Btn::Attach(HWND button) {
    if (!SubclassedWindow::Attach(button))
        return false;
    SendMessageA(button, BM_SETSTYLE, BS_OWNERDRAW, FALSE);
    GetClientRect(button, &m_client);
    ReflectOwnerDraw();
    return true;
}

void Cyup4Btn::FreeBitmaps() {
    m_normal.Reset();
    m_hover.Reset();
    m_pressed.Reset();
    m_fourth.Reset();
}

bool Cyup4Btn::HasBitmap(DrawState look) const {
    switch (look) {
    case kNormal:
        return m_normal.valid();
    case kHover:
        return m_hover.valid();
    case kPressed:
        return m_pressed.valid();
    case kFourth:
        return m_fourth.valid();
    }
    return false;
}

int Cyup4Btn::SetBitmaps(UINT normal, UINT hover, UINT pressed, UINT fourth) {
    FreeBitmaps();
    HINSTANCE module = m_module ? m_module : GetModuleHandleA(nullptr);
    auto load = [module](UINT id) {
        return id ? static_cast<HBITMAP>(LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, 0))
                  : nullptr;
    };
    m_normal.Reset(load(normal));
    if (!m_normal)
        return 0;
    m_hover.Reset(load(hover));
    m_pressed.Reset(load(pressed));
    m_fourth.Reset(load(fourth));
    BITMAP bm = {};
    GetObjectA(m_normal.get(), sizeof(bm), &bm);
    m_client = {0, 0, bm.bmWidth, bm.bmHeight};
    if (GetHwnd())
        SetWindowPos(GetHwnd(), nullptr, 0, 0, bm.bmWidth, bm.bmHeight,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
    bool allLoaded = (!hover || m_hover) && (!pressed || m_pressed) && (!fourth || m_fourth);
    return allLoaded ? 1 : 0;
}

bool Cyup4Btn::EnsureTooltip() {
    if (m_tooltip)
        return true;
    if (!GetHwnd())
        return false;
    m_tooltip =
        CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, GetHwnd(), nullptr, nullptr, nullptr);
    return m_tooltip != nullptr;
}

void Cyup4Btn::SetTooltipText(const char* text) {
    if (!text)
        return;
    TOOLINFOA ti = {};
    ti.cbSize = TTTOOLINFOA_V1_SIZE;
    ti.hwnd = GetParent(GetHwnd());
    ti.uId = reinterpret_cast<UINT_PTR>(GetHwnd());
    ti.uFlags = TTF_IDISHWND;
    ti.lpszText = const_cast<char*>(text);
    if (m_tooltip) {
        SendMessageA(m_tooltip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&ti));
        return;
    }
    if (!EnsureTooltip())
        return;
    SendMessageA(m_tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    SendMessageA(m_tooltip, TTM_ACTIVATE, TRUE, 0);
}

void Cyup4Btn::SetTooltipText(UINT stringId, BOOL activate) {
    char text[256] = "";
    HINSTANCE module = m_module ? m_module : GetModuleHandleA(nullptr);
    if (LoadStringA(module, stringId, text, sizeof(text)) <= 0 || text[0] == '\0')
        return;
    if (!EnsureTooltip())
        return;
    TOOLINFOA ti = {};
    ti.cbSize = TTTOOLINFOA_V1_SIZE;
    ti.hwnd = GetParent(GetHwnd());
    ti.uId = reinterpret_cast<UINT_PTR>(GetHwnd());
    ti.uFlags = TTF_IDISHWND;
    ti.lpszText = text;
    if (SendMessageA(m_tooltip, TTM_GETTOOLCOUNT, 0, 0) == 0)
        SendMessageA(m_tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    SendMessageA(m_tooltip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&ti));
    SendMessageA(m_tooltip, TTM_ACTIVATE, activate, 0);
}

void Cyup4Btn::RelayToTooltip(UINT msg, WPARAM wp, LPARAM lp) {
    if (!m_tooltip)
        return;
    MSG m = {};
    m.hwnd = GetHwnd();
    m.message = msg;
    m.wParam = wp;
    m.lParam = lp;
    m.time = GetMessageTime();
    DWORD pos = GetMessagePos();
    m.pt.x = static_cast<short>(LOWORD(pos));
    m.pt.y = static_cast<short>(HIWORD(pos));
    SendMessageA(m_tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
}

void Cyup4Btn::DrawLook(UINT action, UINT state) {
    HWND wnd = GetHwnd();
    if (!wnd)
        return;
    WindowDc dc(wnd);
    if (!dc)
        return;
    DRAWITEMSTRUCT dis = {};
    dis.CtlType = ODT_BUTTON;
    dis.CtlID = static_cast<UINT>(GetDlgCtrlID(wnd));
    dis.itemAction = action;
    dis.itemState = state;
    dis.hwndItem = wnd;
    dis.hDC = dc.get();
    dis.rcItem = m_client;
    SendMessageA(wnd, WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
}

void Cyup4Btn::DrawItem(const DRAWITEMSTRUCT& dis) {
    UINT state = dis.itemState;
    HBITMAP look = m_normal.get();
    int drawn = kNormal;
    if ((state & ODS_SELECTED) && m_pressed) {
        look = m_pressed.get();
        drawn = kPressed;
    } else if ((state & ODS_FOCUS) && m_hover) {
        look = m_hover.get();
        drawn = kHover;
    } else if ((state & ODS_DISABLED) && m_fourth) {
        look = m_fourth.get();
        drawn = kFourth;
    } else if ((state & ODS_DEFAULT) && m_fourth) {
        look = m_hover ? m_hover.get() : m_normal.get();
        drawn = kHover;
    }
    m_drawn = drawn;
    if (!look || !dis.hDC)
        return;
    MemoryDc mem(CreateCompatibleDC(dis.hDC));
    if (!mem)
        return;
    SelectObjectScope select(mem.get(), look);
    BITMAP bm = {};
    GetObjectA(look, sizeof(bm), &bm);
    BitBlt(dis.hDC, dis.rcItem.left, dis.rcItem.top, bm.bmWidth, bm.bmHeight, mem.get(), 0, 0, SRCCOPY);
}

bool Cyup4Btn::PointInside(LPARAM lp) const {
    POINT pt = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
    return PtInRect(&m_client, pt) != FALSE;
}

void Cyup4Btn::OnMouseMove(WPARAM wp, LPARAM lp) {
    RelayToTooltip(WM_MOUSEMOVE, wp, lp);
    if (!m_tracking) {
        TRACKMOUSEEVENT tme = {};
        tme.cbSize = sizeof(tme);
        tme.dwFlags = TME_HOVER | TME_LEAVE;
        tme.hwndTrack = GetHwnd();
        tme.dwHoverTime = 1;
        m_tracking = TrackMouseEvent(&tme) != FALSE;
    }
    if (m_held)
        return; // while held the press look stays and the capture stays, so the release is seen
    if (!PointInside(lp)) {
        if (GetCapture() == GetHwnd())
            ReleaseCapture();
        DrawLook(ODA_DRAWENTIRE, 0);
    } else if (m_drawn == kNormal) {
        DrawLook(ODA_FOCUS, ODS_FOCUS);
        SetCapture(GetHwnd());
    }
}

void Cyup4Btn::OnLButtonDown(WPARAM wp, LPARAM lp) {
    m_held = true;
    SetCapture(GetHwnd());
    DrawLook(ODA_SELECT, ODS_SELECTED);
    RelayToTooltip(WM_LBUTTONDOWN, wp, lp);
}

void Cyup4Btn::OnLButtonUp(WPARAM wp, LPARAM lp) {
    RelayToTooltip(WM_LBUTTONUP, wp, lp);
    bool wasHeld = m_held;
    m_held = false;
    if (m_drawn != kPressed && !PointInside(lp)) {
        // Released away from a button that showed no press: no click.
        if (GetCapture() == GetHwnd())
            ReleaseCapture();
        DrawLook(ODA_DRAWENTIRE, 0);
        return;
    }
    if (GetCapture() == GetHwnd())
        ReleaseCapture();
    DrawLook(ODA_SELECT, 0);
    if (!wasHeld)
        return; // a release without a press on this button is not a click
    HWND wnd = GetHwnd();
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
        if (reinterpret_cast<const DRAWITEMSTRUCT*>(lp)->hwndItem == GetHwnd()) {
            DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
            return TRUE;
        }
        break;
    case WM_MOUSEMOVE:
        OnMouseMove(wp, lp);
        return 0;
    case WM_MOUSELEAVE:
        m_tracking = false;
        InvalidateRect(GetHwnd(), nullptr, TRUE);
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
        if (reinterpret_cast<HWND>(lp) != GetHwnd())
            m_held = false;
        break;
    case WM_CANCELMODE: {
        LRESULT r = Default(msg, wp, lp);
        m_held = false;
        DrawLook(ODA_DRAWENTIRE, 0);
        return r;
    }
    case WM_SETCURSOR:
        if (m_cursor) {
            ::SetCursor(m_cursor);
            return TRUE;
        }
        break;
    case WM_ERASEBKGND:
        return TRUE; // the bitmap covers the whole button
    case WM_ENABLE:
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
        LRESULT r = Default(msg, wp, lp);
        InvalidateRect(GetHwnd(), nullptr, FALSE);
        return r;
    }
    }
    return Default(msg, wp, lp);
}

} // namespace tunaro
