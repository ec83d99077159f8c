// Subclassing through the common-controls chain (SetWindowSubclass), which keeps any number of
// subclassers of one window in order, and owner-draw reflection from the parent.
#include "uikit/subclass.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace tunaro {

namespace {
const UINT_PTR kSubclassId = 0x5547; // one id for all kit controls; the ref data tells them apart
const UINT_PTR kReflectId = 0x5548;  // the one owner-draw hook on a parent
const char kReflectProperty[] = "TunaroKitOwnerDraw";
} // namespace

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
    LeaveParent();
    if (m_wnd) {
        RemoveWindowSubclass(m_wnd, Proc, kSubclassId);
        m_wnd = nullptr;
    }
}

// All the kit controls of one parent share a single hook on it, holding the list of controls
// that draw themselves: every message the parent receives passes each hook of its chain, and a
// panel with dozens of skin buttons would otherwise pay for each of them on every message.
struct SubclassedWindow::Reflected {
    std::vector<SubclassedWindow*> controls;
};

// The parent keeps its list as a window property too, so the next control finds it.
SubclassedWindow::Reflected* SubclassedWindow::ReflectedOf(HWND parent) {
    return parent ? static_cast<Reflected*>(GetPropA(parent, kReflectProperty)) : nullptr;
}

void SubclassedWindow::ReflectOwnerDraw() {
    HWND parent = m_wnd ? GetParent(m_wnd) : nullptr;
    if (!parent || m_parent == parent)
        return;
    LeaveParent();
    Reflected* list = ReflectedOf(parent);
    if (!list) {
        auto made = std::make_unique<Reflected>();
        if (!SetPropA(parent, kReflectProperty, made.get()))
            return;
        if (!SetWindowSubclass(parent, ParentProc, kReflectId, reinterpret_cast<DWORD_PTR>(made.get()))) {
            RemovePropA(parent, kReflectProperty);
            return;
        }
        list = made.release();
    }
    list->controls.push_back(this);
    m_parent = parent;
}

void SubclassedWindow::LeaveParent() {
    HWND parent = m_parent;
    m_parent = nullptr;
    Reflected* list = ReflectedOf(parent);
    if (!list)
        return;
    auto& controls = list->controls;
    controls.erase(std::remove(controls.begin(), controls.end(), this), controls.end());
    if (controls.empty()) {
        RemoveWindowSubclass(parent, ParentProc, kReflectId);
        RemovePropA(parent, kReflectProperty);
        delete list;
    }
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
    Reflected* list = reinterpret_cast<Reflected*>(ref);
    const DRAWITEMSTRUCT* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
    const MEASUREITEMSTRUCT* mis = reinterpret_cast<const MEASUREITEMSTRUCT*>(lp);
    if (msg == WM_DRAWITEM && dis) {
        for (SubclassedWindow* control : list->controls) {
            LRESULT r = 0;
            if (dis->hwndItem == control->m_wnd && control->OnReflectedMessage(msg, wp, lp, &r))
                return r;
        }
    } else if (msg == WM_MEASUREITEM && mis && mis->CtlType != ODT_MENU) {
        for (SubclassedWindow* control : list->controls) {
            LRESULT r = 0;
            if (control->m_wnd && static_cast<int>(mis->CtlID) == control->Id() &&
                control->OnReflectedMessage(msg, wp, lp, &r))
                return r;
        }
    } else if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(wnd, ParentProc, kReflectId);
        RemovePropA(wnd, kReflectProperty);
        for (SubclassedWindow* control : list->controls)
            control->m_parent = nullptr;
        delete list;
    }
    return DefSubclassProc(wnd, msg, wp, lp);
}

} // namespace tunaro
