// Subclassing through the common-controls chain (SetWindowSubclass), which keeps any number of
// subclassers of one window in order, and owner-draw reflection from the parent.
#include "uikit/subclass.h"

namespace tunaro {

namespace {
const UINT_PTR kSubclassId = 0x5547; // one id for all kit controls; the ref data tells them apart
}

SubclassedWindow::~SubclassedWindow() {
    Detach();
}

bool SubclassedWindow::Attach(HWND wnd) {
    if (m_wnd || !wnd || !IsWindow(wnd))
        return false;
    if (!SetWindowSubclass(wnd, Proc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
        return false;
    m_wnd = wnd;
    return true;
}

void SubclassedWindow::Detach() {
    if (m_parent) {
        RemoveWindowSubclass(m_parent, ParentProc, reinterpret_cast<UINT_PTR>(this));
        m_parent = nullptr;
    }
    if (m_wnd) {
        RemoveWindowSubclass(m_wnd, Proc, kSubclassId);
        m_wnd = nullptr;
    }
}

void SubclassedWindow::ReflectOwnerDraw() {
    HWND parent = m_wnd ? GetParent(m_wnd) : nullptr;
    if (!parent || m_parent == parent)
        return;
    if (SetWindowSubclass(parent, ParentProc, reinterpret_cast<UINT_PTR>(this),
                          reinterpret_cast<DWORD_PTR>(this)))
        m_parent = parent;
}

LRESULT SubclassedWindow::StoreText(WPARAM wp, LPARAM lp) {
    return IsWindowUnicode(m_wnd) ? DefWindowProcW(m_wnd, WM_SETTEXT, wp, lp)
                                  : DefWindowProcA(m_wnd, WM_SETTEXT, wp, lp);
}

std::string SubclassedWindow::TextArgument(LPARAM lp) const {
    if (!lp)
        return "";
    if (!IsWindowUnicode(m_wnd))
        return reinterpret_cast<const char*>(lp);
    const wchar_t* wide = reinterpret_cast<const wchar_t*>(lp);
    int size = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return "";
    std::string text(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, -1, &text[0], size, nullptr, nullptr);
    text.resize(static_cast<size_t>(size) - 1);
    return text;
}

LRESULT CALLBACK SubclassedWindow::Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    SubclassedWindow* self = reinterpret_cast<SubclassedWindow*>(ref);
    if (msg == WM_NCDESTROY) {
        // The window goes away: unhook first, then let the chain finish.
        LRESULT r = DefSubclassProc(wnd, msg, wp, lp);
        self->Detach();
        return r;
    }
    return self->WindowProc(msg, wp, lp);
}

LRESULT CALLBACK SubclassedWindow::ParentProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                              DWORD_PTR ref) {
    SubclassedWindow* self = reinterpret_cast<SubclassedWindow*>(ref);
    if (msg == WM_DRAWITEM && self->m_wnd) {
        const DRAWITEMSTRUCT* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        LRESULT r = 0;
        if (dis && dis->hwndItem == self->m_wnd && self->OnReflectedMessage(msg, wp, lp, &r))
            return r;
    } else if (msg == WM_MEASUREITEM && self->m_wnd) {
        const MEASUREITEMSTRUCT* mis = reinterpret_cast<const MEASUREITEMSTRUCT*>(lp);
        LRESULT r = 0;
        if (mis && mis->CtlType != ODT_MENU && static_cast<int>(mis->CtlID) == self->Id() &&
            self->OnReflectedMessage(msg, wp, lp, &r))
            return r;
    } else if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(wnd, ParentProc, reinterpret_cast<UINT_PTR>(self));
        self->m_parent = nullptr;
    }
    return DefSubclassProc(wnd, msg, wp, lp);
}

} // namespace tunaro
