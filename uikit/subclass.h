// The base of the kit's controls: takes over an existing control window (a dialog item or any
// child) through the common-controls subclass chain, and reflects owner-draw requests to it.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace tunaro {

class SubclassedWindow {
public:
    SubclassedWindow() = default;
    virtual ~SubclassedWindow();
    SubclassedWindow(const SubclassedWindow&) = delete;
    SubclassedWindow& operator=(const SubclassedWindow&) = delete;

    // Subclasses the window; false when it is not a window or the object already has one.
    bool Attach(HWND wnd);
    // Subclasses the dialog item with this id.
    bool SubclassDlgItem(int id, HWND parent) { return Attach(GetDlgItem(parent, id)); }
    // Gives the window back to its own procedure.
    void Detach();

    HWND GetHwnd() const { return m_wnd; }
    int Id() const { return m_wnd ? GetDlgCtrlID(m_wnd) : 0; }

protected:
    // Messages of the subclassed window; Default() runs the window's own procedure.
    virtual LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) { return Default(msg, wp, lp); }
    LRESULT Default(UINT msg, WPARAM wp, LPARAM lp) { return DefSubclassProc(m_wnd, msg, wp, lp); }
    // Called with the owner-draw messages (WM_DRAWITEM, WM_MEASUREITEM) the parent receives for
    // this control; return true when handled. Installed by ReflectOwnerDraw().
    virtual bool OnReflectedMessage(UINT, WPARAM, LPARAM, LRESULT*) { return false; }
    // Routes the parent's owner-draw messages for this control to OnReflectedMessage, so the
    // control draws itself whatever dialog class it sits in.
    void ReflectOwnerDraw();
    // A text message (WM_SETTEXT) reaches the subclass in the window's own character set: a
    // common-controls 6 static is a Unicode window, the system's older one an ANSI window.
    // StoreText keeps lp as the window's text without the control's own repaint; TextArgument
    // gives lp in the ANSI code page.
    LRESULT StoreText(WPARAM wp, LPARAM lp);
    std::string TextArgument(LPARAM lp) const;

private:
    static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    static LRESULT CALLBACK ParentProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    struct Reflected;
    static Reflected* ReflectedOf(HWND parent);
    // Takes this control out of its parent's owner-draw list (the hook goes with the last one).
    void LeaveParent();
    HWND m_wnd = nullptr;
    HWND m_parent = nullptr;
};

} // namespace tunaro
