// Dialogs from resource templates, modal (a real DialogBoxParam loop) or modeless, with a
// message map, an initialisation hook and overridable OK and Cancel.
#pragma once

#include <windows.h>

#include "framework/message_map.h"
#include "framework/window.h"

namespace tunaro {

class Dialog : public Window {
public:
    // The template is a resource of `instance` (the program itself when null).
    explicit Dialog(UINT templateId, HINSTANCE instance = nullptr);
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;
    // A modeless dialog still open is destroyed with its object.
    ~Dialog() override;

    UINT TemplateId() const { return m_templateId; }
    HINSTANCE Instance() const { return m_instance; }

    // Runs the dialog modally; returns the value given to EndDialog, or -1 when the dialog could
    // not be created (missing template, or this object already shows a window).
    INT_PTR DoModal(HWND parent = nullptr);
    // Creates the dialog modeless (visible only if its template says WS_VISIBLE).
    bool Create(HWND parent = nullptr);
    // Modal: ends the loop with the result. Modeless: keeps the result and hides the window.
    void EndDialog(INT_PTR result);
    bool DestroyWindow();
    bool IsModal() const { return m_modal; }
    INT_PTR Result() const { return m_result; }

    // The framework object behind one of our dialog windows, null for any other window.
    static Dialog* FromHandle(HWND hwnd);

    // Called by the application's message pre-translation for messages addressed to this
    // dialog or its controls, before accelerators; return true to swallow the message.
    virtual bool PreTranslateMessage(MSG* msg);

protected:
    // After the template's controls exist; return TRUE to let the system set the focus.
    virtual BOOL OnInitDialog() { return TRUE; }
    // Enter / the IDOK button, Escape / the close box / the IDCANCEL button. By default they end
    // the dialog with IDOK and IDCANCEL; a main window that must not close overrides them.
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // The window is gone (after WM_NCDESTROY); m_hWnd is already null.
    virtual void OnFinalMessage() {}
    // This class's message table (see message_map.h); null when it has none.
    virtual const MessageMap* GetMessageMap() const { return nullptr; }
    // All messages after WM_INITDIALOG pass here first; the default consults the message map
    // and then OK/Cancel. Return true with result set when handled.
    virtual bool ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

    // Binds this object to hwnd; used by the dialog procedures of this and derived classes.
    void Attach(HWND hwnd);
    void Detach();
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    // Turns a handled message's result into what a dialog procedure returns.
    static INT_PTR DialogResult(HWND hwnd, UINT msg, LRESULT result);

    UINT m_templateId;
    HINSTANCE m_instance;
    bool m_modal = false;
    INT_PTR m_result = 0;
};

// Cancels every dialog of the calling thread that is still enabled, other than `mainWindow`: a
// program that must end while modal dialogs are up closes them this way, innermost first (the
// ones below it are disabled until it is gone, so the caller repeats this as each one closes).
// Returns how many were cancelled.
int CancelOpenDialogs(HWND mainWindow);

} // namespace tunaro
