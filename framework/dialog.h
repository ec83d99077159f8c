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

// The modal dialogs and message boxes a window has open over it. Its buttons are disabled
// meanwhile, but other programs still send it commands, and it decides with Any() which of them
// it may carry out. One command cannot simply be refused (a close or an exit a peer asks for):
// CancelAndWait cancels the dialogs and holds it, and as each dialog goes the command is posted
// to the window again, until the last one is gone and the window carries it out.
class OpenDialogs {
public:
    // `waitingCommand`: the WM_COMMAND id posted to the window as each dialog ends while held.
    explicit OpenDialogs(WORD waitingCommand) : m_waitingCommand(waitingCommand) {}
    OpenDialogs(const OpenDialogs&) = delete;
    OpenDialogs& operator=(const OpenDialogs&) = delete;

    bool Any() const { return m_count > 0; }
    // The command was asked for while dialogs were open and has not been carried out yet.
    bool CommandWaiting() const { return m_commandWaiting; }
    // Holds the command and cancels the open dialogs of the calling thread but `window`.
    void CancelAndWait(HWND window);
    // The window carries the command out now (or gives it up): nothing is held any more.
    void CommandDone() { m_commandWaiting = false; }

    // Held while one dialog or message box is open over `window`. With `restoreMinimised`, a
    // minimised window is shown first, since a dialog over it would stay hidden with it.
    class Scope {
    public:
        Scope(OpenDialogs& dialogs, HWND window, bool restoreMinimised = false);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        OpenDialogs& m_dialogs;
        HWND m_window;
    };

private:
    WORD m_waitingCommand;
    int m_count = 0;
    bool m_commandWaiting = false;
};

} // namespace tunaro
