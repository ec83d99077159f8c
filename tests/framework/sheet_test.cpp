// Tests of property sheets and wizards with real windows: pages in order with their tab titles,
// no Apply and no Help button, OK/Cancel reaching the pages, wizard page skipping and a
// Finish-only last page.
#include "framework/property_sheet.h"
#include "tests/framework/test_resource.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace tunaro;

namespace {

// Common-controls ids of the sheet's own buttons.
constexpr int kApplyButton = 0x3021;
constexpr int kBackButton = 0x3023;
constexpr int kNextButton = 0x3024;
constexpr int kFinishButton = 0x3025;

// Runs test steps one by one from a thread timer, inside whatever modal loop is running.
class Script {
public:
    static void Start(std::vector<std::function<void()>> steps) {
        g_steps = std::move(steps);
        g_next = 0;
        g_timer = SetTimer(nullptr, 0, 20, &Script::Tick);
    }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        if (g_next >= g_steps.size()) {
            KillTimer(nullptr, g_timer);
            return;
        }
        g_steps[g_next++]();
    }
    static inline std::vector<std::function<void()>> g_steps;
    static inline size_t g_next = 0;
    static inline UINT_PTR g_timer = 0;
};

std::vector<std::string> g_log;

class Page : public PropertyPage {
public:
    Page(UINT id, const std::string& title, const std::string& name) : PropertyPage(id, title), name(name) {}
    std::string name;
    DWORD buttons = 0;
    UINT nextTarget = 0;
    UINT backTarget = 0;
    bool refuseApply = false;

protected:
    BOOL OnInitDialog() override {
        g_log.push_back("init " + name);
        return TRUE;
    }
    bool OnSetActive() override {
        g_log.push_back("active " + name);
        if (buttons)
            SetWizardButtons(buttons);
        return true;
    }
    bool OnApply() override {
        g_log.push_back("apply " + name);
        return !refuseApply;
    }
    void OnReset() override { g_log.push_back("reset " + name); }
    LRESULT OnWizardNext() override { return nextTarget; }
    LRESULT OnWizardBack() override { return backTarget; }
    bool OnWizardFinish() override {
        g_log.push_back("finish " + name);
        return true;
    }
};

class Sheet : public PropertySheet {
public:
    using PropertySheet::PropertySheet;
    std::function<void(Sheet&)> onInit;

protected:
    void OnInitialized() override {
        if (onInit)
            onInit(*this);
    }
};

std::string TabText(HWND tab, int i) {
    char text[128] = {};
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(tab, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
    return text;
}

bool Shown(HWND sheet, int id) {
    HWND b = GetDlgItem(sheet, id);
    return b && IsWindowVisible(b);
}

bool Offered(HWND sheet, int id) {
    HWND b = GetDlgItem(sheet, id);
    return b && IsWindowVisible(b) && IsWindowEnabled(b);
}

class SheetTest : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
        InitCommonControlsEx(&icc);
        g_log.clear();
    }
};

TEST_F(SheetTest, PagesInOrderWithTabTitlesAndNoApply) {
    Page channels(IDD_PAGE1, "Channel Edit", "channels");
    Page colour(IDD_PAGE2, "ProcAmp", "colour");
    Page record(IDD_PAGE3, "Record", "record");
    Sheet sheet("Setup");
    sheet.AddPage(&channels);
    sheet.AddPage(&colour);
    sheet.AddPage(&record);

    std::vector<std::string> tabs;
    std::string caption;
    bool applyShown = true, helpShown = true;
    int activeAfterMove = -1;
    sheet.onInit = [&](Sheet& s) {
        Script::Start({
            [&] {
                HWND hwnd = s.m_hWnd;
                HWND tab = reinterpret_cast<HWND>(SendMessageA(hwnd, PSM_GETTABCONTROL, 0, 0));
                int n = static_cast<int>(SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0));
                for (int i = 0; i < n; ++i)
                    tabs.push_back(TabText(tab, i));
                caption = s.GetWindowText();
                applyShown = Shown(hwnd, kApplyButton);
                helpShown = Shown(hwnd, IDHELP);
            },
            [&] { s.SetActivePage(2); },
            [&] {
                activeAfterMove = s.GetActiveIndex();
                PropSheet_PressButton(s.m_hWnd, PSBTN_OK);
            },
        });
    };
    EXPECT_EQ(sheet.DoModal(), IDOK);
    EXPECT_EQ(tabs, (std::vector<std::string>{"Channel Edit", "ProcAmp", "Record"}));
    EXPECT_EQ(caption, "Setup");
    EXPECT_FALSE(applyShown);
    EXPECT_FALSE(helpShown);
    EXPECT_EQ(activeAfterMove, 2);
    // Only the pages that were opened are created and asked to save; the colour page never was.
    EXPECT_EQ(g_log, (std::vector<std::string>{"init channels", "active channels", "init record",
                                               "active record", "apply channels", "apply record"}));
}

TEST_F(SheetTest, CancelResetsAndRefusedApplyKeepsTheSheetOpen) {
    Page a(IDD_PAGE1, "", "a");
    Page b(IDD_PAGE2, "Second", "b");
    a.refuseApply = true;
    Sheet sheet("Setup");
    sheet.AddPage(&a);
    sheet.AddPage(&b);
    std::string firstTab;
    bool stillOpen = false;
    sheet.onInit = [&](Sheet& s) {
        Script::Start({
            [&] {
                HWND tab = reinterpret_cast<HWND>(SendMessageA(s.m_hWnd, PSM_GETTABCONTROL, 0, 0));
                firstTab = TabText(tab, 0);
                PropSheet_PressButton(s.m_hWnd, PSBTN_OK);
            },
            [&] {
                stillOpen = IsWindow(s.m_hWnd) && IsWindowVisible(s.m_hWnd);
                PropSheet_PressButton(s.m_hWnd, PSBTN_CANCEL);
            },
        });
    };
    EXPECT_EQ(sheet.DoModal(), IDCANCEL);
    EXPECT_EQ(firstTab, "Template caption one"); // no title of its own: the template's caption
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(g_log, (std::vector<std::string>{"init a", "active a", "apply a", "reset a"}));
}

TEST_F(SheetTest, WizardSkipsAPageAndOffersOnlyFinishAtTheEnd) {
    Page task(IDD_WIZ1, "", "task");
    Page format(IDD_WIZ2, "", "format");
    Page finish(IDD_WIZ3, "", "finish");
    task.buttons = PSWIZB_NEXT;
    task.nextTarget = IDD_WIZ3; // e.g. a Watch task has no record format
    finish.buttons = PSWIZB_FINISH;
    finish.backTarget = IDD_WIZ1; // and Back returns past it
    Sheet wizard("Add Task", true);
    wizard.AddPage(&task);
    wizard.AddPage(&format);
    wizard.AddPage(&finish);

    struct Buttons {
        bool back, next, finish;
    };
    Buttons first = {}, last = {};
    int lastIndex = -1, backIndex = -1;
    bool helpShown = true;
    auto read = [](HWND h) {
        return Buttons{Offered(h, kBackButton), Offered(h, kNextButton), Offered(h, kFinishButton)};
    };
    wizard.onInit = [&](Sheet& s) {
        Script::Start({
            [&] {
                first = read(s.m_hWnd);
                helpShown = Shown(s.m_hWnd, IDHELP);
                PropSheet_PressButton(s.m_hWnd, PSBTN_NEXT);
            },
            [&] {
                last = read(s.m_hWnd);
                lastIndex = s.GetActiveIndex();
                PropSheet_PressButton(s.m_hWnd, PSBTN_BACK);
            },
            [&] {
                backIndex = s.GetActiveIndex();
                PropSheet_PressButton(s.m_hWnd, PSBTN_NEXT);
            },
            [&] { PropSheet_PressButton(s.m_hWnd, PSBTN_FINISH); },
        });
    };
    EXPECT_EQ(wizard.DoModal(), IDOK);
    EXPECT_FALSE(helpShown);
    EXPECT_FALSE(first.back);
    EXPECT_TRUE(first.next);
    EXPECT_FALSE(first.finish);
    EXPECT_EQ(lastIndex, 2);
    EXPECT_EQ(backIndex, 0);
    EXPECT_FALSE(last.back);
    EXPECT_FALSE(last.next);
    EXPECT_TRUE(last.finish);
    // The format page was skipped entirely.
    // Next from the first page and Back from the last both pass over the format page.
    EXPECT_EQ(g_log, (std::vector<std::string>{"init task", "active task", "init finish", "active finish",
                                               "active task", "active finish", "finish finish"}));
    for (const std::string& line : g_log)
        EXPECT_EQ(line.find("format"), std::string::npos) << line;
}

} // namespace
