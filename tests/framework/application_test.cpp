// Tests of the application object: the main dialog runs modally inside initialisation, and the
// accelerator table is translated in every modal loop of the thread unless suspended.
#include "framework/application.h"
#include "framework/dialog.h"
#include "tests/framework/test_resource.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tunaro;

namespace {

// A dialog that presses 'X' (accelerator for 403) on itself, then ends.
class NestedDialog : public Dialog {
public:
    NestedDialog() : Dialog(IDD_MODAL) {}

protected:
    const MessageMap* GetMessageMap() const override {
        static const MessageMap kMap{Message<&NestedDialog::OnDone>(WM_APP)};
        return &kMap;
    }
    BOOL OnInitDialog() override {
        PostMessage(WM_KEYDOWN, 'X', 0);
        PostMessage(WM_APP);
        return TRUE;
    }
    void OnDone() { EndDialog(IDOK); }
};

// The main window: records the commands it gets and runs a script of steps from posted messages.
class MainDialog : public Dialog {
public:
    MainDialog() : Dialog(IDD_MAP) {}
    std::vector<UINT> commands;
    std::vector<int> commandsAtStep;
    int arrowKeysSeen = 0;

    bool PreTranslateMessage(MSG* msg) override {
        // Arrow keys are looked at here first, then still reach the accelerator table.
        if (msg->message == WM_KEYDOWN && msg->wParam >= VK_LEFT && msg->wParam <= VK_DOWN)
            ++arrowKeysSeen;
        return false;
    }

protected:
    const MessageMap* GetMessageMap() const override {
        static const MessageMap kMap{
            CommandRange<&MainDialog::OnCommand>(1, 0xFFFF),
            MessageRange<&MainDialog::OnStep>(WM_APP, WM_APP + 20),
        };
        return &kMap;
    }
    BOOL OnInitDialog() override {
        PostMessage(WM_KEYDOWN, 'X', 0);
        PostMessage(WM_KEYDOWN, VK_LEFT, 0);
        PostMessage(WM_APP + 1);
        return TRUE;
    }
    void OnCommand(UINT id) { commands.push_back(id); }
    LRESULT OnStep(UINT msg, WPARAM, LPARAM, bool&) {
        Application* app = Application::Current();
        commandsAtStep.push_back(static_cast<int>(commands.size()));
        if (!app) { // run without an application object: only the keys posted at start
            EndDialog(0);
            return 0;
        }
        switch (msg - WM_APP) {
        case 1: // suspended: the same key does nothing
            app->SuspendAccelerators();
            PostMessage(WM_KEYDOWN, 'X', 0);
            PostMessage(WM_APP + 2);
            break;
        case 2: // resumed: translated again
            app->ResumeAccelerators();
            PostMessage(WM_KEYDOWN, '5', 0);
            PostMessage(WM_APP + 3);
            break;
        case 3: { // a nested modal dialog's loop translates too...
            NestedDialog nested;
            nested.DoModal(m_hWnd);
            PostMessage(WM_APP + 4);
            break;
        }
        case 4: { // ...unless a suspension is held while it is open
            AcceleratorSuspension hold;
            NestedDialog nested;
            nested.DoModal(m_hWnd);
            PostMessage(WM_APP + 5);
            break;
        }
        case 5:
            EndDialog(77);
            break;
        }
        return 0;
    }
};

class TestApp : public Application {
public:
    MainDialog panel;
    INT_PTR modalResult = 0;
    bool suspendedAfter = true;

protected:
    bool InitInstance() override {
        EXPECT_TRUE(LoadAccelerators(IDR_ACCEL));
        SetMainWindow(&panel);
        modalResult = panel.DoModal();
        suspendedAfter = AcceleratorsSuspended();
        return false; // the program ends without a second message loop
    }
    int ExitInstance() override { return 3; }
};

TEST(Application, MainDialogRunsInsideInitialisation) {
    TestApp app;
    EXPECT_EQ(Application::Current(), &app);
    EXPECT_EQ(app.Run(GetModuleHandleA(nullptr)), 3);
    EXPECT_EQ(app.modalResult, 77);
    EXPECT_FALSE(app.suspendedAfter); // the suspension scope gave its count back
}

TEST(Application, AcceleratorsOnlyWhileNotSuspended) {
    TestApp app;
    app.Run(GetModuleHandleA(nullptr));
    // 'X' -> 403 and Left -> 501 before step 1; nothing while suspended; '5' -> 1101 after
    // resuming; 403 from the nested dialog; nothing from the nested dialog under suspension.
    EXPECT_EQ(app.panel.commands, (std::vector<UINT>{403, 501, 1101, 403}));
    EXPECT_EQ(app.panel.commandsAtStep, (std::vector<int>{2, 2, 3, 4, 4}));
    EXPECT_EQ(app.panel.arrowKeysSeen, 1);
}

TEST(Application, NoTranslationWithoutApplicationObject) {
    // Without an application object the modal loop takes keys their normal way.
    MainDialog plain;
    EXPECT_EQ(Application::Current(), nullptr);
    plain.DoModal();
    EXPECT_TRUE(plain.commands.empty());
}

} // namespace
