// Tests of dialogs and message maps with real windows: dispatch by id, range, notification
// code and message; control helpers; the modal loop's result; OK/Cancel overrides.
#include "framework/dialog.h"
#include "framework/window.h"
#include "tests/framework/test_resource.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

using namespace tunaro;

namespace {

class MapDialog : public Dialog {
public:
    MapDialog() : Dialog(IDD_MAP) {}

    std::vector<std::string> log;
    void Note(const std::string& s) { log.push_back(s); }

protected:
    const MessageMap* GetMessageMap() const override {
        static const MessageMap kMap{
            Command<&MapDialog::OnExit>(403),
            CommandRange<&MapDialog::OnDigit>(1096, 1105),
            CommandRange<&MapDialog::OnVolume>(1181, 1198),
            CommandCode<&MapDialog::OnEditChange>(IDC_EDIT, EN_CHANGE),
            Notify<&MapDialog::OnListClick>(2000, NM_CLICK),
            NotifyRange<&MapDialog::OnAnyDblClick>(2000, 2010, NM_DBLCLK),
            Timer<&MapDialog::OnTimer>(),
            HScroll<&MapDialog::OnHScroll>(),
            Mouse<&MapDialog::OnLButtonDown>(WM_LBUTTONDOWN),
            CopyData<&MapDialog::OnCopyData>(),
            SysCommand<&MapDialog::OnAbout>(16, 31),
            DeviceChange<&MapDialog::OnDeviceChange>(),
            EraseBackground<&MapDialog::OnErase>(),
            CtlColor<&MapDialog::OnCtlColor>(),
            Message<&MapDialog::OnGraphEvent>(WM_USER + 1),
            MessageRange<&MapDialog::OnMaybe>(WM_APP + 10, WM_APP + 19),
            Message<&MapDialog::OnFallback>(WM_APP + 12),
        };
        return &kMap;
    }

    void OnExit() { Note("exit"); }
    void OnDigit(UINT id) { Note("digit " + std::to_string(id - 1096)); }
    void OnVolume(UINT id, UINT code, HWND ctl) {
        Note("volume " + std::to_string(id) + " code " + std::to_string(code) + (ctl ? " ctl" : " noctl"));
    }
    void OnEditChange() { Note("edit " + GetItemText(IDC_EDIT)); }
    LRESULT OnListClick(NMHDR* hdr) {
        Note("click " + std::to_string(hdr->idFrom));
        return 5;
    }
    void OnAnyDblClick(NMHDR* hdr) { Note("dblclk " + std::to_string(hdr->idFrom)); }
    void OnTimer(UINT_PTR id) { Note("timer " + std::to_string(id)); }
    void OnHScroll(UINT code, UINT pos, HWND bar) {
        Note("hscroll " + std::to_string(code) + " " + std::to_string(pos) +
             (bar == Item(IDC_SLIDER) ? " slider" : " other"));
    }
    void OnLButtonDown(UINT keys, POINT pt) {
        Note("lbutton " + std::to_string(keys) + " " + std::to_string(pt.x) + "," + std::to_string(pt.y));
    }
    BOOL OnCopyData(HWND, const COPYDATASTRUCT* cds) {
        Note("copydata " + std::to_string(cds->dwData) + " " +
             std::string(static_cast<const char*>(cds->lpData), cds->cbData));
        return TRUE;
    }
    void OnAbout(UINT id, LPARAM) { Note("about " + std::to_string(id)); }
    BOOL OnDeviceChange(UINT event, DWORD_PTR) {
        Note("device " + std::to_string(event));
        return TRUE;
    }
    BOOL OnErase(HDC) {
        Note("erase");
        return TRUE;
    }
    HBRUSH OnCtlColor(HDC, HWND ctl, UINT msg) {
        if (msg == WM_CTLCOLORSTATIC && ctl == Item(IDC_CHECK))
            return static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        return nullptr;
    }
    LRESULT OnGraphEvent(WPARAM wp, LPARAM) {
        Note("graph " + std::to_string(wp));
        return 77;
    }
    LRESULT OnMaybe(UINT msg, WPARAM, LPARAM, bool& handled) {
        handled = msg != WM_APP + 12; // declines one message: the next entry gets it
        return 1000 + (msg - WM_APP);
    }
    LRESULT OnFallback() { return 42; }
};

// A feature's handlers in an object of their own that the dialog holds.
class RecordingPart {
public:
    explicit RecordingPart(std::vector<std::string>& log) : m_log(log) {}
    void OnRecord() { m_log.push_back("part record"); }
    void OnPlayer(UINT id) { m_log.push_back("part player " + std::to_string(id)); }
    BOOL OnCopyData(HWND, const COPYDATASTRUCT* cds) {
        m_log.push_back("part copydata " + std::to_string(cds->dwData));
        return cds->dwData == 5022;
    }
    LRESULT OnBusyQuery() { return 2146; }

private:
    std::vector<std::string>& m_log;
};

class PartsDialog : public Dialog {
public:
    PartsDialog() : Dialog(IDD_MAP) {}
    std::vector<std::string> log;

protected:
    const MessageMap* GetMessageMap() const override {
        using D = PartsDialog;
        static const MessageMap kMap{
            Command<&D::OnExit>(403),
            Command<&D::m_recording, &RecordingPart::OnRecord>(411),
            CommandRange<&D::m_recording, &RecordingPart::OnPlayer>(503, 507),
            CopyData<&D::m_recording, &RecordingPart::OnCopyData>(),
            Message<&D::m_recording, &RecordingPart::OnBusyQuery>(WM_APP + 5),
        };
        return &kMap;
    }
    void OnExit() { log.push_back("exit"); }

private:
    RecordingPart m_recording{log};
};

TEST(MessageMapParts, HandlersOfAPartObjectGetTheirCommandsAndMessages) {
    PartsDialog dlg;
    ASSERT_TRUE(dlg.Create());
    SendMessageA(dlg.m_hWnd, WM_COMMAND, 411, 0);
    SendMessageA(dlg.m_hWnd, WM_COMMAND, 505, 0);
    SendMessageA(dlg.m_hWnd, WM_COMMAND, 508, 0); // outside the range: nobody
    SendMessageA(dlg.m_hWnd, WM_COMMAND, 403, 0);
    char text[] = "1,2,record.mpg";
    COPYDATASTRUCT cds = {5022, sizeof text, text};
    EXPECT_EQ(TRUE, SendMessageA(dlg.m_hWnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds)));
    cds.dwData = 7;
    EXPECT_EQ(FALSE, SendMessageA(dlg.m_hWnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds)));
    EXPECT_EQ(2146, SendMessageA(dlg.m_hWnd, WM_APP + 5, 0, 0));
    EXPECT_EQ(dlg.log, (std::vector<std::string>{"part record", "part player 505", "exit",
                                                 "part copydata 5022", "part copydata 7"}));
}

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
        InitCommonControlsEx(&icc);
        ASSERT_TRUE(m_dlg.Create());
        ASSERT_NE(m_dlg.m_hWnd, nullptr);
    }
    LRESULT Send(UINT msg, WPARAM wp, LPARAM lp) { return SendMessageA(m_dlg.m_hWnd, msg, wp, lp); }
    MapDialog m_dlg;
};

TEST_F(DialogTest, CommandsByIdRangeAndCode) {
    Send(WM_COMMAND, 403, 0);                                                  // menu or other program
    Send(WM_COMMAND, MAKEWPARAM(1096, 1), 0);                                  // accelerator
    Send(WM_COMMAND, 1105, 0);                                                 // last of the range
    Send(WM_COMMAND, 1106, 0);                                                 // outside: nobody
    Send(WM_COMMAND, MAKEWPARAM(1190, BN_CLICKED), LPARAM(m_dlg.Item(IDOK)));  // button click
    Send(WM_COMMAND, MAKEWPARAM(1190, BN_SETFOCUS), LPARAM(m_dlg.Item(IDOK))); // not a command
    Send(WM_COMMAND, MAKEWPARAM(IDC_EDIT, EN_CHANGE),
         LPARAM(m_dlg.Item(IDC_EDIT)) * 0);   // no control: no code match
    m_dlg.SetItemText(IDC_EDIT, "Channel 5"); // real EN_CHANGE from the edit
    EXPECT_EQ(m_dlg.log, (std::vector<std::string>{"exit", "digit 0", "digit 9", "volume 1190 code 0 ctl",
                                                   "edit Channel 5"}));
}

TEST_F(DialogTest, NotificationsByIdAndCode) {
    NMHDR hdr = {m_dlg.m_hWnd, 2000, UINT(NM_CLICK)};
    EXPECT_EQ(Send(WM_NOTIFY, 2000, LPARAM(&hdr)), 5); // handler's result reaches the sender
    hdr.code = NM_RCLICK;
    EXPECT_EQ(Send(WM_NOTIFY, 2000, LPARAM(&hdr)), 0);
    hdr.idFrom = 2001;
    hdr.code = NM_CLICK;
    Send(WM_NOTIFY, 2001, LPARAM(&hdr)); // click mapped for 2000 only
    hdr.code = NM_DBLCLK;
    hdr.idFrom = 2010;
    Send(WM_NOTIFY, 2010, LPARAM(&hdr));
    hdr.idFrom = 2011;
    Send(WM_NOTIFY, 2011, LPARAM(&hdr));
    EXPECT_EQ(m_dlg.log, (std::vector<std::string>{"click 2000", "dblclk 2010"}));
}

TEST_F(DialogTest, CrackedMessages) {
    Send(WM_TIMER, 114, 0);
    SendMessageA(m_dlg.Item(IDC_SLIDER), TBM_SETRANGE, TRUE, MAKELPARAM(0, 100));
    Send(WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 40), LPARAM(m_dlg.Item(IDC_SLIDER)));
    Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(-3, 17));
    std::string text = "0,1,Record_0";
    COPYDATASTRUCT cds = {5022, DWORD(text.size()), &text[0]};
    EXPECT_EQ(Send(WM_COPYDATA, 0, LPARAM(&cds)), TRUE);
    EXPECT_EQ(Send(WM_DEVICECHANGE, 0x8004, 0), TRUE);
    EXPECT_EQ(Send(WM_USER + 1, 9, 0), 77);
    EXPECT_EQ(m_dlg.log, (std::vector<std::string>{"timer 114", "hscroll 5 40 slider", "lbutton 1 -3,17",
                                                   "copydata 5022 0,1,Record_0", "device 32772", "graph 9"}));
}

TEST_F(DialogTest, SystemCommandsInRangeOthersDefault) {
    ASSERT_TRUE(m_dlg.AppendSystemMenuItem(16, LoadResourceString(IDS_ABOUT)));
    HMENU sys = GetSystemMenu(m_dlg.m_hWnd, FALSE);
    char text[64] = {};
    GetMenuStringA(sys, 16, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "About Tunaro...");
    EXPECT_FALSE(m_dlg.AppendSystemMenuItem(17, "")); // an empty string adds nothing

    Send(WM_SYSCOMMAND, 16, 0);
    Send(WM_SYSCOMMAND, 31, 0);
    // A system command outside the range reaches default handling: the close box turns into
    // the Cancel command (posted by some systems, hence the pumping).
    Send(WM_SYSCOMMAND, SC_CLOSE, 0);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
    EXPECT_EQ(m_dlg.Result(), IDCANCEL);
    // The handler sees the id as sent.
    EXPECT_EQ(m_dlg.log, (std::vector<std::string>{"about 16", "about 31"}));
}

TEST_F(DialogTest, DirectResultsAndDecliningHandlers) {
    HDC dc = GetDC(m_dlg.m_hWnd);
    EXPECT_EQ(Send(WM_CTLCOLORSTATIC, WPARAM(dc), LPARAM(m_dlg.Item(IDC_CHECK))),
              LRESULT(GetStockObject(BLACK_BRUSH)));
    // Declined by the handler: the dialog's default colouring gives some other brush.
    LRESULT other = Send(WM_CTLCOLORSTATIC, WPARAM(dc), LPARAM(m_dlg.Item(IDC_RADIO_A)));
    EXPECT_NE(other, LRESULT(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(Send(WM_ERASEBKGND, WPARAM(dc), 0), TRUE);
    ReleaseDC(m_dlg.m_hWnd, dc);

    EXPECT_EQ(Send(WM_APP + 11, 0, 0), 1011);
    EXPECT_EQ(Send(WM_APP + 12, 0, 0), 42); // declined by the range, taken by the later entry
    EXPECT_EQ(Send(WM_APP + 20, 0, 0), 0);  // nobody: default handling
}

TEST_F(DialogTest, ControlHelpers) {
    m_dlg.SetItemInt(IDC_NUMBER, -250);
    bool ok = false;
    EXPECT_EQ(m_dlg.GetItemInt(IDC_NUMBER, &ok), -250);
    EXPECT_TRUE(ok);
    m_dlg.SetItemText(IDC_NUMBER, "12abc");
    m_dlg.GetItemInt(IDC_NUMBER, &ok);
    EXPECT_FALSE(ok);
    for (const char* bad : {"", "-", "2147483648", "99999999999999999999", "1 2"}) {
        m_dlg.SetItemText(IDC_NUMBER, bad);
        EXPECT_EQ(m_dlg.GetItemInt(IDC_NUMBER, &ok), 0) << bad;
        EXPECT_FALSE(ok) << bad;
    }
    m_dlg.SetItemText(IDC_NUMBER, " -2147483648 ");
    EXPECT_EQ(m_dlg.GetItemInt(IDC_NUMBER, &ok), INT_MIN);
    EXPECT_TRUE(ok);
    m_dlg.SetItemText(IDC_NUMBER, "-5");
    m_dlg.GetItemInt(IDC_NUMBER, &ok, false);
    EXPECT_FALSE(ok);

    std::string longText(1000, 'n');
    m_dlg.SetItemText(IDC_EDIT, longText);
    EXPECT_EQ(m_dlg.GetItemText(IDC_EDIT), longText);

    m_dlg.SetCheck(IDC_CHECK, true);
    EXPECT_TRUE(m_dlg.IsChecked(IDC_CHECK));

    // The group is A, B, C in tab order (ids 1020, 1022, 1011); "After" starts another group.
    EXPECT_EQ(m_dlg.GetRadioIndex(IDC_RADIO_A), -1);
    m_dlg.SetRadioIndex(IDC_RADIO_A, 2);
    EXPECT_TRUE(m_dlg.IsChecked(IDC_RADIO_C));
    EXPECT_EQ(m_dlg.GetRadioIndex(IDC_RADIO_A), 2);
    m_dlg.SetRadioIndex(IDC_RADIO_A, 1);
    EXPECT_FALSE(m_dlg.IsChecked(IDC_RADIO_C));
    EXPECT_EQ(m_dlg.GetRadioIndex(IDC_RADIO_A), 1);
    EXPECT_FALSE(m_dlg.IsChecked(IDC_AFTER_GROUP));

    // (The dialog stays hidden: hiding a shown window costs seconds under Wine without a window manager.)
    m_dlg.ShowItem(IDC_CHECK, false);
    EXPECT_FALSE(GetWindowLongPtrA(m_dlg.Item(IDC_CHECK), GWL_STYLE) & WS_VISIBLE);
    m_dlg.ShowItem(IDC_CHECK, true);
    EXPECT_TRUE(GetWindowLongPtrA(m_dlg.Item(IDC_CHECK), GWL_STYLE) & WS_VISIBLE);
    m_dlg.EnableItem(IDC_EDIT, false);
    EXPECT_FALSE(m_dlg.IsItemEnabled(IDC_EDIT));
    m_dlg.MoveItem(IDC_EDIT, 10, 20, 30, 40);
    RECT rc = m_dlg.GetItemRect(IDC_EDIT);
    EXPECT_EQ(rc.left, 10);
    EXPECT_EQ(rc.top, 20);
    EXPECT_EQ(rc.right - rc.left, 30);
    EXPECT_EQ(rc.bottom - rc.top, 40);
}

TEST_F(DialogTest, ModelessEndHidesAndDestroyUnbinds) {
    HWND hwnd = m_dlg.m_hWnd;
    EXPECT_EQ(Dialog::FromHandle(hwnd), &m_dlg);
    m_dlg.ShowWindow(SW_SHOW);
    Send(WM_COMMAND, IDCANCEL, 0); // default Cancel: ends a modeless dialog by hiding it
    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_EQ(m_dlg.Result(), IDCANCEL);
    EXPECT_TRUE(m_dlg.DestroyWindow());
    EXPECT_EQ(m_dlg.m_hWnd, nullptr);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_TRUE(m_dlg.Create()); // the object can show a window again
}

// A dialog whose script runs from posted messages inside its own modal loop.
class ScriptedDialog : public Dialog {
public:
    explicit ScriptedDialog(bool closable) : Dialog(IDD_MODAL), closable(closable) {}
    bool closable;
    int okCount = 0, cancelCount = 0;

protected:
    const MessageMap* GetMessageMap() const override {
        static const MessageMap kMap{Message<&ScriptedDialog::OnFinish>(WM_APP)};
        return &kMap;
    }
    BOOL OnInitDialog() override {
        // Enter, Escape and the close box, then the real end.
        PostMessage(WM_KEYDOWN, VK_RETURN, 0);
        PostMessage(WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessage(WM_COMMAND, IDOK, 0);
        PostMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
        PostMessage(WM_APP, 0, 0);
        return TRUE;
    }
    void OnFinish() {
        // The close box's Cancel command is posted by default handling, after the first WM_APP.
        if (!m_finishing)
            PostMessage(WM_APP, 0, 0);
        else
            EndDialog(1234);
        m_finishing = true;
    }
    void OnOK() override {
        ++okCount;
        if (closable)
            EndDialog(IDOK);
    }
    void OnCancel() override {
        ++cancelCount;
        if (closable)
            EndDialog(IDCANCEL);
    }
    bool m_finishing = false;
};

TEST(ModalDialog, LoopReturnsTheEndResult) {
    ScriptedDialog panel(false);
    EXPECT_EQ(panel.DoModal(), 1234);
    // Enter and the OK command reach OnOK; Escape and the close box reach OnCancel; none closed it.
    EXPECT_EQ(panel.okCount, 2);
    EXPECT_EQ(panel.cancelCount, 2);
    EXPECT_EQ(panel.m_hWnd, nullptr);

    ScriptedDialog plain(true);
    EXPECT_EQ(plain.DoModal(), IDOK); // Enter ends an ordinary dialog at once
    EXPECT_EQ(plain.okCount, 1);
    EXPECT_EQ(plain.cancelCount, 0);
}

// A main window whose initialisation finds nothing to work with ends before it is ever shown.
class GiveUpDialog : public Dialog {
public:
    GiveUpDialog() : Dialog(IDD_MODAL) {}
    bool wasVisible = true;

protected:
    BOOL OnInitDialog() override {
        EndDialog(IDCANCEL);
        return TRUE;
    }
    void OnFinalMessage() override { wasVisible = false; }
};

TEST(ModalDialog, EndingDuringInitialisation) {
    GiveUpDialog dlg;
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_FALSE(dlg.wasVisible); // reached the final message: the window is gone
    EXPECT_EQ(dlg.m_hWnd, nullptr);
}

TEST(ModalDialog, MissingTemplateFails) {
    Dialog missing(4321);
    EXPECT_EQ(missing.DoModal(), -1);
    EXPECT_FALSE(missing.Create());
}

// Three modal levels: a main window, a dialog over it and one over that. Cancelling reaches the
// innermost dialog only (the others are disabled below it), then the next once that one is gone,
// and never the main window.
class NestedDialog : public Dialog {
public:
    NestedDialog(HWND* mainWindow, int depth, std::vector<std::string>& log)
        : Dialog(IDD_MODAL), m_mainWindow(mainWindow), m_depth(depth), m_log(log) {}
    int cancels = 0;

protected:
    const MessageMap* GetMessageMap() const override {
        static const MessageMap kMap{Message<&NestedDialog::OnStep>(WM_APP)};
        return &kMap;
    }
    BOOL OnInitDialog() override {
        if (m_depth == 0)
            *m_mainWindow = m_hWnd;
        PostMessage(WM_APP, 0, 0);
        return TRUE;
    }
    void OnCancel() override {
        ++cancels;
        if (m_depth > 0)
            EndDialog(IDCANCEL);
    }
    void OnStep() {
        const std::string level = std::to_string(m_depth);
        if (m_depth < 2) {
            NestedDialog inner(m_mainWindow, m_depth + 1, m_log);
            const INT_PTR result = inner.DoModal(m_hWnd);
            m_log.push_back("level " + std::to_string(m_depth + 1) + " ended with " + std::to_string(result) +
                            " after " + std::to_string(inner.cancels) + " cancel(s)");
        }
        m_log.push_back("at level " + level + " cancelled " +
                        std::to_string(CancelOpenDialogs(*m_mainWindow)));
        if (m_depth == 0)
            EndDialog(7);
    }

private:
    HWND* m_mainWindow;
    int m_depth;
    std::vector<std::string>& m_log;
};

TEST(OpenDialogs, EveryEnabledDialogButTheMainWindowIsCancelled) {
    std::vector<std::string> log;
    HWND mainWindow = nullptr;
    NestedDialog main(&mainWindow, 0, log);
    EXPECT_EQ(main.DoModal(), 7);
    const std::vector<std::string> expected = {
        "at level 2 cancelled 1", "level 2 ended with 2 after 1 cancel(s)",
        "at level 1 cancelled 1", "level 1 ended with 2 after 1 cancel(s)",
        "at level 0 cancelled 0",
    };
    EXPECT_EQ(log, expected);
    EXPECT_EQ(main.cancels, 0);
}

// A window whose peers ask it to exit while two dialogs are open over it, one over the other:
// the exit is held, each dialog is cancelled in turn (innermost first), and the window ends only
// once the last one is gone.
class GuardedWindow : public Dialog {
public:
    GuardedWindow() : Dialog(IDD_MODAL), m_dialogs(403) {}
    std::vector<std::string> log;

    // A dialog over the window, opened inside a scope of the window's dialogs; the first opens
    // the second, and the second asks the window to exit.
    class Over : public Dialog {
    public:
        Over(GuardedWindow& window, int level) : Dialog(IDD_MODAL), m_window(window), m_level(level) {}

    protected:
        const MessageMap* GetMessageMap() const override {
            static const MessageMap kMap{Message<&Over::OnStep>(WM_APP)};
            return &kMap;
        }
        BOOL OnInitDialog() override {
            PostMessage(WM_APP, 0, 0);
            return TRUE;
        }
        void OnStep() {
            if (m_level == 1)
                m_window.OpenOver(2, m_hWnd);
            else
                ::PostMessageA(m_window.m_hWnd, WM_COMMAND, MAKEWPARAM(403, 0), 0);
        }

    private:
        GuardedWindow& m_window;
        int m_level;
    };

    // A dialog owned by `owner` (the window, or the dialog below it).
    void OpenOver(int level, HWND owner) {
        Over over(*this, level);
        INT_PTR result = 0;
        {
            OpenDialogs::Scope scope(m_dialogs, m_hWnd);
            result = over.DoModal(owner);
        }
        log.push_back("dialog " + std::to_string(level) + " ended with " + std::to_string(result));
    }

protected:
    const MessageMap* GetMessageMap() const override {
        static const MessageMap kMap{Command<&GuardedWindow::OnExit>(403),
                                     Message<&GuardedWindow::OnStart>(WM_APP)};
        return &kMap;
    }
    BOOL OnInitDialog() override {
        PostMessage(WM_APP, 0, 0);
        return TRUE;
    }
    void OnCancel() override { log.push_back("the window was cancelled"); }
    void OnStart() { OpenOver(1, m_hWnd); }
    void OnExit() {
        if (m_dialogs.Any()) {
            m_dialogs.CancelAndWait(m_hWnd);
            log.push_back(std::string("exit held") + (m_dialogs.CommandWaiting() ? "" : " but not waiting"));
            return;
        }
        log.push_back(std::string("exit") + (m_dialogs.CommandWaiting() ? " after waiting" : ""));
        m_dialogs.CommandDone();
        EndDialog(7);
    }

private:
    OpenDialogs m_dialogs;
};

TEST(OpenDialogs, AnExitAskedForUnderTwoDialogsClosesThemInnermostFirstThenEnds) {
    GuardedWindow window;
    EXPECT_EQ(window.DoModal(), 7);
    const std::vector<std::string> expected = {
        "exit held", "dialog 2 ended with 2", "exit held", "dialog 1 ended with 2", "exit after waiting",
    };
    EXPECT_EQ(window.log, expected);
}

TEST(OpenDialogs, AScopeRestoresAMinimisedWindowOnlyWhenAskedTo) {
    Dialog window(IDD_MAP);
    ASSERT_TRUE(window.Create());
    ::ShowWindow(window.m_hWnd, SW_SHOWMINNOACTIVE);
    ASSERT_TRUE(::IsIconic(window.m_hWnd));
    OpenDialogs dialogs(403);
    {
        OpenDialogs::Scope scope(dialogs, window.m_hWnd);
        EXPECT_TRUE(dialogs.Any());
        EXPECT_TRUE(::IsIconic(window.m_hWnd));
    }
    EXPECT_FALSE(dialogs.Any());
    {
        OpenDialogs::Scope scope(dialogs, window.m_hWnd, true);
        EXPECT_FALSE(::IsIconic(window.m_hWnd));
    }
    // Nothing was held, so nothing was posted back to the window.
    MSG msg;
    EXPECT_FALSE(::PeekMessageA(&msg, window.m_hWnd, WM_COMMAND, WM_COMMAND, PM_REMOVE));
    window.DestroyWindow();
}

} // namespace
