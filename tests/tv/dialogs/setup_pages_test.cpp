// The setup sheet and its pages as real windows in this process, over an in-memory card: each
// case opens the sheet, works its controls step by step from a timer inside the sheet's own
// message loop, and checks the rows, the card, the channel list and the files.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/tv/dialogs/dialog_driver.h"
#include "tests/support/e2e.h"
#include "framework/file_replace.h"
#include "tests/tv/dialogs/fake_setup.h"
#include "res/tunaro/resource.h"
#include "tv/channel_files.h"
#include "tv/dialogs/setup_sheet.h"
#include "tv/profile_ini.h"

using namespace dlgtest;
using tunaro::CSetup;

namespace {

using Step = std::function<bool()>; // true: done, go on; false: ask again on the next tick

// Runs steps one after another from a thread timer, inside whatever modal loop is running
// (the sheet's, a message box's, the add dialog's). Gives up after timeoutMs: the test fails
// and every window of the case is closed so the sheet returns.
class Script {
public:
    static void Run(std::vector<Step> steps, DWORD timeoutMs = 20000) {
        g_steps = std::move(steps);
        g_next = 0;
        g_start = GetTickCount();
        g_timeout = timeoutMs;
        g_timer = SetTimer(nullptr, 0, 20, &Script::Tick);
    }
    static void Stop() {
        if (g_timer)
            KillTimer(nullptr, g_timer);
        g_timer = 0;
    }
    static bool Finished() { return g_next >= g_steps.size(); }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        if (g_busy)
            return;
        if (GetTickCount() - g_start > g_timeout) {
            ADD_FAILURE() << "steps timed out at step " << g_next;
            Stop();
            Abandon();
            return;
        }
        if (g_next >= g_steps.size()) {
            Stop();
            return;
        }
        g_busy = true;
        const bool done = g_steps[g_next]();
        g_busy = false;
        if (done)
            ++g_next;
    }
    static void Abandon() {
        EndMenu();
        for (int i = 0; i < 5; ++i) {
            if (HWND box = FindMessageBox(GetCurrentProcessId()))
                Answer(box, GetDlgItem(box, IDCANCEL) ? IDCANCEL : IDOK);
        }
        if (HWND add = FindDialog(GetCurrentProcessId(), "Add Channel"))
            PostMessageA(add, WM_COMMAND, IDCANCEL, 0);
        if (g_sheet)
            PostMessageA(g_sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    }

public:
    static inline HWND g_sheet = nullptr;

private:
    static inline std::vector<Step> g_steps;
    static inline size_t g_next = 0;
    static inline DWORD g_start = 0, g_timeout = 0;
    static inline UINT_PTR g_timer = 0;
    static inline bool g_busy = false;
};

// A sheet whose window the steps can reach.
HWND SheetOf(tunaro::PropertySheet& sheet) {
    return sheet.m_hWnd;
}

// Step helpers.
Step Wait(DWORD ms) {
    auto until = std::make_shared<DWORD>(0);
    return [until, ms] {
        if (!*until)
            *until = GetTickCount() + ms;
        return GetTickCount() >= *until;
    };
}
Step Do(std::function<void()> f) {
    return [f] {
        f();
        return true;
    };
}
Step Until(std::function<bool()> f) {
    return f;
}
// Waits for a message box, keeps its text and presses a button.
Step AnswerBox(std::string* text, int button) {
    return [text, button] {
        HWND box = FindMessageBox(GetCurrentProcessId());
        if (!box)
            return false;
        if (text)
            *text = MessageBoxText(box);
        Answer(box, button);
        return true;
    };
}

// A pop-up menu window of this process on the screen.
HWND OwnPopupMenu() {
    struct Search {
        HWND found;
    } search = {nullptr};
    e2e::ForEachWindow(
        [](HWND wnd, LPARAM lp) -> BOOL {
            DWORD pid = 0;
            GetWindowThreadProcessId(wnd, &pid);
            char cls[16] = {};
            GetClassNameA(wnd, cls, sizeof cls);
            if (pid == GetCurrentProcessId() && lstrcmpA(cls, "#32768") == 0 && IsWindowVisible(wnd)) {
                reinterpret_cast<Search*>(lp)->found = wnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A control's text as the window keeps it (the templates' Chinese texts are Unicode).
std::wstring WideText(HWND dlg, int id) {
    wchar_t text[256] = {};
    GetDlgItemTextW(dlg, id, text, 256);
    return text;
}

std::vector<std::string> Row(HWND page, int row) {
    return ListRow(GetDlgItem(page, IDC_CE_LIST), row);
}

class SetupPages : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&icc);
        ASSERT_TRUE(m_dir.Made());
    }
    void TearDown() override { Script::Stop(); }

    // Runs the sheet with the steps; the last step is expected to close it.
    INT_PTR RunSheet(tunaro::PropertySheet& sheet, std::vector<Step> steps, DWORD timeoutMs = 20000) {
        Script::g_sheet = nullptr;
        steps.insert(steps.begin(), Until([&sheet] {
                         Script::g_sheet = SheetOf(sheet);
                         return Script::g_sheet && CurrentPage(Script::g_sheet);
                     }));
        Script::Run(std::move(steps), timeoutMs);
        const INT_PTR result = sheet.DoModal(nullptr);
        EXPECT_TRUE(Script::Finished()) << "the sheet closed before its steps were done";
        Script::Stop();
        return result;
    }
    INT_PTR RunSetup(CSetup& sheet, std::vector<Step> steps, DWORD timeoutMs = 20000) {
        Script::g_sheet = nullptr;
        steps.insert(steps.begin(), Until([&sheet] {
                         Script::g_sheet = SheetOf(sheet);
                         return Script::g_sheet && CurrentPage(Script::g_sheet);
                     }));
        Script::Run(std::move(steps), timeoutMs);
        const INT_PTR result = sheet.DoModal(nullptr);
        EXPECT_TRUE(Script::Finished()) << "the sheet closed before its steps were done";
        Script::Stop();
        return result;
    }
    static Step Press(int button) {
        return Do(
            [button] { PostMessageA(Script::g_sheet, PSM_PRESSBUTTON, static_cast<WPARAM>(button), 0); });
    }
    static HWND Page() { return CurrentPage(Script::g_sheet); }
    static HWND List() { return GetDlgItem(Page(), IDC_CE_LIST); }

    e2e::ScratchDir m_dir{"dlgtest"};
};

// ---- the sheet ------------------------------------------------------------------------------

// Runs the sheet with a record type page standing in third and reads its caption, tabs and buttons.
struct SheetLook {
    std::string caption;
    std::vector<std::string> tabs;
    bool apply = true, help = true;
};

TEST_F(SetupPages, SheetHoldsThePagesInOrderUnderItsCaptionWithoutApplyOrHelp) {
    FakeHost host(m_dir.Path(), tunaro::kLanguageEnglish);
    tunaro::CAjustColorDlg record(host); // any page stands in for the record type page
    record.SetTitle("Record");
    CSetup sheet(host);
    sheet.SetRecordPage(&record);
    SheetLook look;
    RunSetup(sheet, {Do([&] {
                         look.tabs = TabTitles(Script::g_sheet);
                         look.caption = e2e::WindowText(Script::g_sheet);
                         HWND a = GetDlgItem(Script::g_sheet, 0x3021);
                         look.apply = a && IsWindowVisible(a);
                         HWND h = GetDlgItem(Script::g_sheet, IDHELP);
                         look.help = h && IsWindowVisible(h);
                     }),
                     Press(PSBTN_CANCEL)});
    EXPECT_EQ(look.caption, "Setup");
    EXPECT_EQ(look.tabs,
              (std::vector<std::string>{"Channel Edit", "ProcAmp", "Record", "Directory Setting"}));
    EXPECT_FALSE(look.apply);
    EXPECT_FALSE(look.help);
}

TEST_F(SetupPages, SheetWithoutARecordPageStartsOnTheChannelsEvenWhenAskedForRecords) {
    FakeHost host(m_dir.Path(), tunaro::kLanguageEnglish);
    CSetup sheet(host);
    sheet.StartOnRecordPage(true);
    std::vector<std::string> tabs;
    HWND first = nullptr;
    RunSetup(sheet, {Do([&] {
                         tabs = TabTitles(Script::g_sheet);
                         first = GetDlgItem(Page(), IDC_CE_LIST);
                     }),
                     Press(PSBTN_CANCEL)});
    EXPECT_EQ(tabs, (std::vector<std::string>{"Channel Edit", "ProcAmp", "Directory Setting"}));
    EXPECT_NE(first, nullptr);
}

// ---- channel edit: showing the list -----------------------------------------------------------

TEST_F(SetupPages, ChannelPageShowsEveryChannelWithItsCheckAndTheCurrentOne) {
    FakeHost host(m_dir.Path(), tunaro::kLanguageEnglish);
    host.AddChannels(3);
    host.channels.SetEnabled(1, 0);
    host.channels.SetCurrentIndex(2);
    host.AddCountry("Testland", 86, {100000000});
    host.AddCountry("Otherland", 44, {200000000});
    host.countries.SetCurrentIndex(1);
    CSetup sheet(host);
    RunSetup(
        sheet,
        {Do([&] {
             HWND page = Page();
             HWND list = List();
             EXPECT_EQ(ListColumnTitles(list),
                       (std::vector<std::string>{"Index", "Channel Name", "Freq", "Audio"}));
             ASSERT_EQ(ListCount(list), 3);
             EXPECT_EQ(Row(page, 0), (std::vector<std::string>{"0", "Name 0", "100.00 MHz", "Stereo"}));
             EXPECT_EQ(Row(page, 2), (std::vector<std::string>{"2", "Name 2", "120.00 MHz", "Stereo"}));
             EXPECT_TRUE(ListChecked(list, 0));
             EXPECT_FALSE(ListChecked(list, 1));
             EXPECT_EQ(ListSelected(list), 2);
             EXPECT_EQ(e2e::ControlText(page, IDC_CE_FREQ), "120.00 MHz");
             EXPECT_EQ(e2e::ControlText(page, IDC_CE_INDEX), "[2]");
             EXPECT_EQ(ComboItems(page, IDC_CE_COUNTRY), (std::vector<std::string>{"Testland", "Otherland"}));
             EXPECT_EQ(ComboSelection(page, IDC_CE_COUNTRY), 1);
             EXPECT_EQ(SliderPosition(page, IDC_CE_FINE_TUNE), 64);
             EXPECT_FALSE(Visible(page, IDC_CE_NAME_EDIT));
             for (auto [id, text] :
                  std::vector<std::pair<int, const char*>>{{IDC_CE_UP, "UP"},
                                                           {IDC_CE_DOWN, "Down"},
                                                           {IDC_CE_DELETE, "Delete"},
                                                           {IDC_CE_UPDATE, "Update"},
                                                           {IDCANCEL, "Exit"},
                                                           {IDC_CE_SCAN, "Auto Scan"},
                                                           {IDC_CE_DEFAULT, "Default"},
                                                           {IDC_CE_ADD, "Add"},
                                                           {IDC_CE_FINE_LABEL, "Fine Tune:"},
                                                           {IDC_CE_COUNTRY_LABEL, "region"}})
                 EXPECT_EQ(e2e::ControlText(page, id), text) << id;
             // The card family of the simulated card always plays stereo: no choice.
             EXPECT_FALSE(Enabled(page, IDC_CE_AUDIO));
         }),
         Press(PSBTN_CANCEL)});
    EXPECT_EQ(host.channels.Count(), 3);
}

// The Chinese cases run with the Chinese code page (LC_ALL=zh_CN.UTF-8 under Wine), as a Chinese
// system has it: the program's Chinese texts are GBK.
TEST_F(SetupPages, ChineseSheetShowsChineseCaptionTabsAndTemplateTexts) {
    ASSERT_EQ(GetACP(), 936u) << "run the Chinese cases with the Chinese code page";
    FakeHost host(m_dir.Path(), tunaro::kLanguageChinese);
    CSetup sheet(host);
    SheetLook look;
    std::wstring contrast, group;
    RunSetup(sheet, {Do([&] {
                         look.tabs = TabTitles(Script::g_sheet);
                         look.caption = e2e::WindowText(Script::g_sheet);
                     }),
                     Do([&] { ShowPage(Script::g_sheet, 1); }),
                     Do([&] { contrast = WideText(Page(), IDC_CA_CONTRAST_LABEL); }),
                     Do([&] { ShowPage(Script::g_sheet, 2); }),
                     Do([&] { group = WideText(Page(), IDC_SP_GROUP); }), Press(PSBTN_CANCEL)});
    EXPECT_EQ(look.caption, "系统设置");
    EXPECT_EQ(look.tabs, (std::vector<std::string>{"频道编辑", "色彩调节", "目录设置"}));
    EXPECT_EQ(contrast, L"对比度:");
    EXPECT_EQ(group, L"目录设置");
}

TEST_F(SetupPages, ChineseChannelPageKeepsTheTemplateTexts) {
    ASSERT_EQ(GetACP(), 936u) << "run the Chinese cases with the Chinese code page";
    FakeHost host(m_dir.Path(), tunaro::kLanguageChinese);
    host.cardType = 3; // other families play mono
    host.AddChannels(1);
    CSetup sheet(host);
    RunSetup(sheet, {Do([&] {
                         HWND page = Page();
                         EXPECT_EQ(ListColumnTitles(List()),
                                   (std::vector<std::string>{"索引", "频道名称", "频率值", "声音"}));
                         EXPECT_EQ(Row(page, 0)[3], "双声道");
                         // The template's texts, whatever the system's code page.
                         EXPECT_EQ(WideText(page, IDC_CE_SCAN), L"自动搜台");
                         EXPECT_EQ(WideText(page, IDCANCEL), L"退出");
                         EXPECT_EQ(WideText(page, IDC_CE_FINE_LABEL), L"微调:");
                     }),
                     Press(PSBTN_CANCEL)});
}

TEST_F(SetupPages, ChannelPageExitCancelsTheSheetAndStillSavesTheList) {
    FakeHost host(m_dir.Path(), tunaro::kLanguageEnglish);
    host.AddChannels(2);
    CSetup sheet(host);
    const INT_PTR result =
        RunSetup(sheet, {Do([&] { PostMessageA(GetDlgItem(Page(), IDCANCEL), BM_CLICK, 0, 0); })});
    EXPECT_EQ(result, IDCANCEL);
    tunaro::ChannelList saved;
    ASSERT_EQ(tunaro::LoadChannelList(saved, host.programTxt), 1);
    EXPECT_EQ(saved.Count(), 2);
}

// ---- channel edit: selecting, checking, renaming -------------------------------------------------

TEST_F(SetupPages, DoubleClickMakesTheRowCurrentAndTellsThePanel) {
    FakeHost host(m_dir.Path(), tunaro::kLanguageEnglish);
    host.AddChannels(3);
    CSetup sheet(host);
    RunSetup(sheet, {Do([&] { MoveSlider(Page(), IDC_CE_FINE_TUNE, 70); }),
                     Do([&] { DoubleClickCell(List(), 1, 1); }),
                     Until([&] { return host.channels.CurrentIndex() == 1; }), Do([&] {
                         EXPECT_EQ(e2e::ControlText(Page(), IDC_CE_INDEX), "[1]");
                         EXPECT_EQ(e2e::ControlText(Page(), IDC_CE_FREQ), "110.00 MHz");
                         EXPECT_EQ(SliderPosition(Page(), IDC_CE_FINE_TUNE), 64);
                         EXPECT_EQ(sheet.ChannelPage().BaseFrequency(), 110000000u);
                     }),
                     Press(PSBTN_CANCEL)});
    EXPECT_EQ(host.engine.calls.back(), "SetCurrentChannel(1)");
    ASSERT_FALSE(host.panelCommands.empty());
    EXPECT_EQ(host.panelCommands.back().first, 1205u);
}

TEST_F(SetupPages, ClickInTheIndexColumnOrOnTheBoxTogglesTheChannelOnce) {
    FakeHost host(m_dir.Path(), tunaro::kLanguageEnglish);
    host.AddChannels(2);
    CSetup sheet(host);
    RunSetup(sheet,
             {Do([&] { ClickCell(List(), 0, 0); }), Until([&] { return host.channels.Enabled(0) == 0; }),
              Do([&] { EXPECT_FALSE(ListChecked(List(), 0)); }), Do([&] { ClickCheckBox(List(), 0); }),
              Until([&] { return host.channels.Enabled(0) == 1; }), Wait(150), Do([&] {
                  EXPECT_TRUE(ListChecked(List(), 0));
                  EXPECT_EQ(host.channels.Enabled(0), 1); // toggled once, not twice
              }),
              // A click in the name column leaves the check as it is.
              Do([&] { ClickCell(List(), 1, 1); }), Wait(150), Press(PSBTN_OK)});
    EXPECT_EQ(host.channels.Enabled(1), 1);
    // The flag is what "program.txt" gets.
    tunaro::ChannelList saved;
    ASSERT_EQ(tunaro::LoadChannelList(saved, host.programTxt), 1);
    EXPECT_EQ(saved.Enabled(0), 1);
}

TEST_F(SetupPages, RenameInPlaceFollowsTheTypingAndUpdateRefusesAnEmptyName) {
    FakeHost host(m_dir.Path(), tunaro::kLanguageEnglish);
    host.AddChannels(3);
    host.channels.SetCurrentIndex(0);
    std::string refusal;
    CSetup sheet(host);
    RunSetup(
        sheet,
        {Do([&] { RightClickCell(List(), 2, 1); }), Until([&] { return Visible(Page(), IDC_CE_NAME_EDIT); }),
         Do([&] {
             EXPECT_EQ(e2e::ControlText(Page(), IDC_CE_NAME_EDIT), "Name 2");
             SetText(Page(), IDC_CE_NAME_EDIT, "Harbour TV");
             // Each change goes into the row and the record at once.
             EXPECT_EQ(ListText(List(), 2, 1), "Harbour TV");
             EXPECT_EQ(host.channels.Name(2), "Harbour TV");
         }),
         Do([&] { PostMessageA(GetDlgItem(Page(), IDC_CE_UPDATE), BM_CLICK, 0, 0); }),
         Until([&] { return !Visible(Page(), IDC_CE_NAME_EDIT); }), Do([&] {
             // The current channel (row 0) kept its name: the edited row got it.
             EXPECT_EQ(host.channels.Name(0), "Name 0");
             EXPECT_EQ(Row(Page(), 2), (std::vector<std::string>{"2", "Harbour TV", "120.00 MHz", "Stereo"}));
             EXPECT_EQ(ListSelected(List()), 2);
             EXPECT_EQ(host.channels.Number(2), 3);
         }),
         Do([&] { RightClickCell(List(), 1, 1); }), Until([&] { return Visible(Page(), IDC_CE_NAME_EDIT); }),
         Do([&] { SetText(Page(), IDC_CE_NAME_EDIT, ""); }),
         Do([&] { PostMessageA(GetDlgItem(Page(), IDC_CE_UPDATE), BM_CLICK, 0, 0); }),
         AnswerBox(&refusal, IDOK), Do([&] { SetText(Page(), IDC_CE_NAME_EDIT, "Lotus"); }),
         Press(PSBTN_OK)});
    EXPECT_EQ(refusal, "Please input channel name");
    EXPECT_EQ(host.channels.Name(1), "Lotus");
}

// ---- channel edit: order, delete, add ----------------------------------------------------------

TEST_F(SetupPages, UpAndDownSwapNeighboursButStopAtTheEnds) {
    FakeHost host(m_dir.Path(), tunaro::kLanguageEnglish);
    host.AddChannels(3);
    host.channels.SetCurrentIndex(1);
    auto click = [](int id) { return Do([id] { SendMessageA(GetDlgItem(Page(), id), BM_CLICK, 0, 0); }); };
    CSetup sheet(host);
    RunSetup(sheet, {Do([&] { ListSelect(List(), 0); }), click(IDC_CE_UP),
                     Do([&] { EXPECT_EQ(host.channels.Name(0), "Name 0"); }), click(IDC_CE_DOWN), Do([&] {
                         EXPECT_EQ(host.channels.Name(0), "Name 1");
                         EXPECT_EQ(host.channels.Name(1), "Name 0");
                         EXPECT_EQ(Row(Page(), 0)[1], "Name 1");
                         EXPECT_EQ(Row(Page(), 1)[0], "1");
                         EXPECT_EQ(ListSelected(List()), 1);
                     }),
                     Do([&] { ListSelect(List(), 2); }), click(IDC_CE_DOWN), Do([&] {
                         EXPECT_EQ(host.channels.Name(2), "Name 2");
                         EXPECT_EQ(host.channels.CurrentIndex(), 1); // not adjusted
                     }),
                     Press(PSBTN_CANCEL)});
}

TEST_F(SetupPages, DeleteAsksRenumbersTheRowsAndAnEmptyListMakesEditsHarmless) {
    FakeHost host(m_dir.Path(), tunaro::kLanguageEnglish);
    host.AddChannels(3);
    std::string question;
    auto click = [](int id) { return Do([id] { PostMessageA(GetDlgItem(Page(), id), BM_CLICK, 0, 0); }); };
    CSetup sheet(host);
    RunSetup(
        sheet,
        {Do([&] { ListSelect(List(), 1); }), click(IDC_CE_DELETE), AnswerBox(&question, IDCANCEL),
         Do([&] { EXPECT_EQ(host.channels.Count(), 3); }), click(IDC_CE_DELETE), AnswerBox(nullptr, IDOK),
         Until([&] { return host.channels.Count() == 2; }), Do([&] {
             EXPECT_EQ(ListCount(List()), 2);
             EXPECT_EQ(Row(Page(), 1), (std::vector<std::string>{"1", "Name 2", "120.00 MHz", "Stereo"}));
             EXPECT_EQ(ListSelected(List()), 0);
             ListSelect(List(), 0);
         }),
         click(IDC_CE_DELETE), AnswerBox(nullptr, IDOK), Until([&] { return host.channels.Count() == 1; }),
         click(IDC_CE_DELETE), AnswerBox(nullptr, IDOK), Until([&] { return host.channels.Empty(); }),
         Do([&] {
             EXPECT_EQ(ListCount(List()), 0);
             for (int id : {IDC_CE_UP, IDC_CE_DOWN, IDC_CE_UPDATE, IDC_CE_DEFAULT})
                 SendMessageA(GetDlgItem(Page(), id), BM_CLICK, 0, 0);
             MoveSlider(Page(), IDC_CE_FINE_TUNE, 0);
             SendMessageA(GetDlgItem(Page(), IDC_CE_DELETE), BM_CLICK, 0, 0); // no question
         }),
         Wait(100), Do([&] { EXPECT_EQ(FindMessageBox(GetCurrentProcessId()), nullptr); }), Press(PSBTN_OK)});
    EXPECT_EQ(question, "Delete this item?");
    EXPECT_EQ(host.engine.calls.size(), 0u) << host.engine.calls.front();
    EXPECT_EQ(e2e::ReadFile(host.programTxt), "");
}

TEST_F(SetupPages, AddChannelChecksTheFrequencyAgainstTheTuner) {
    FakeHost host(m_dir.Path(), tunaro::kLanguageEnglish);
    host.AddChannels(2);
    host.engine.lowHz = 48250000;
    host.engine.highHz = 855250000;
    std::vector<std::string> boxes;
    std::string title, proposed, proposedName;
    HWND add = nullptr;
    auto openAdd = Do([&] { PostMessageA(GetDlgItem(Page(), IDC_CE_ADD), BM_CLICK, 0, 0); });
    auto findAdd = Until([&] { return (add = FindDialog(GetCurrentProcessId(), "Add Channel")) != nullptr; });
    auto type = [&](const char* name, const char* mhz) {
        return Do([&, name, mhz] {
            SetText(add, IDC_AC_NAME, name);
            SetText(add, IDC_AC_FREQ, mhz);
            PostMessageA(GetDlgItem(add, IDOK), BM_CLICK, 0, 0);
        });
    };
    auto refused = Until([&] {
        HWND box = FindMessageBox(GetCurrentProcessId());
        if (!box)
            return false;
        boxes.push_back(MessageBoxText(box));
        Answer(box, IDOK);
        return true;
    });
    CSetup sheet(host);
    RunSetup(
        sheet,
        {openAdd, findAdd, Do([&] {
             title = e2e::WindowText(add);
             proposed = e2e::ControlText(add, IDC_AC_FREQ);
             proposedName = e2e::ControlText(add, IDC_AC_NAME);
             EXPECT_EQ(e2e::ControlText(add, IDC_AC_NAME_LABEL), "Name");
             EXPECT_EQ(e2e::ControlText(add, IDC_AC_FREQ_LABEL), "Freq");
             EXPECT_EQ(e2e::ControlText(add, IDCANCEL), "Cancel");
         }),
         type("Below", "48.24"), refused, type("Above", "855.26"), refused, type("Word", "12abc"), refused,
         type("", "100"), refused,
         // Cancel adds nothing.
         Do([&] { PostMessageA(GetDlgItem(add, IDCANCEL), BM_CLICK, 0, 0); }),
         Until([&] { return !FindDialog(GetCurrentProcessId(), "Add Channel"); }),
         Do([&] { EXPECT_EQ(host.channels.Count(), 2); }),
         // Both bounds are taken.
         openAdd, findAdd, type("Low End", "48.25"), Until([&] { return host.channels.Count() == 3; }),
         openAdd, findAdd, type("High End", " 855.25 "), Until([&] { return host.channels.Count() == 4; }),
         Do([&] {
             EXPECT_EQ(Row(Page(), 3), (std::vector<std::string>{"3", "High End", "855.25 MHz", "Stereo"}));
             EXPECT_TRUE(ListChecked(List(), 3));
             EXPECT_EQ(ListSelected(List()), 3);
         }),
         Press(PSBTN_OK)});
    EXPECT_EQ(title, "Add Channel");
    EXPECT_EQ(proposed, "48.25");
    EXPECT_EQ(proposedName, "New Channel");
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[0], "Range of frequency: 48.25 MHz ~ 855.25 MHz");
    EXPECT_EQ(boxes[1], "Range of frequency: 48.25 MHz ~ 855.25 MHz");
    EXPECT_EQ(boxes[2], "\"12abc\" is not a frequency in MHz.\nRange of frequency: 48.25 MHz ~ 855.25 MHz");
    EXPECT_EQ(boxes[3], "Please input channel name");
    const tunaro::ChannelRecord* low = host.channels.At(2);
    ASSERT_NE(low, nullptr);
    EXPECT_EQ(low->m_strName, "Low End");
    EXPECT_EQ(low->m_nFrequency, 48250000);
    EXPECT_EQ(low->m_nChannel, 3); // count + 1
    EXPECT_EQ(low->m_nEnabled, 1);
    EXPECT_EQ(low->m_nAudioMode, 0);
    EXPECT_EQ(host.channels.Frequency(3), 855250000);
    // Nothing out of range ever reached the card.
    EXPECT_EQ(host.engine.tunedHz, 0);
}

// ---- channel edit: fine tune, country, audio ----------------------------------------------------

TEST_F(SetupPages, FineTuneSpansThreePointTwoMegahertzAndDefaultGoesBack) {
    FakeHost host(m_dir.Path(), tunaro::kLanguageEnglish);
    host.AddChannels(2);
    host.channels.SetCurrentIndex(1); // 110 MHz
    host.engine.highHz = 112000000;   // the top of this tuner
    CSetup sheet(host);
    RunSetup(sheet, {Do([&] { MoveSlider(Page(), IDC_CE_FINE_TUNE, 0); }), Do([&] {
                         EXPECT_EQ(host.engine.tunedHz, 106800000);
                         EXPECT_EQ(host.channels.Frequency(1), 106800000);
                         EXPECT_EQ(e2e::ControlText(Page(), IDC_CE_FREQ), "106.800 MHz");
                         EXPECT_EQ(ListText(List(), 1, 2), "106.800 MHz");
                     }),
                     Do([&] { MoveSlider(Page(), IDC_CE_FINE_TUNE, 65); }),
                     Do([&] { EXPECT_EQ(host.engine.tunedHz, 110050000); }),
                     // Beyond the tuner's top the card stays at the top.
                     Do([&] { MoveSlider(Page(), IDC_CE_FINE_TUNE, 128); }),
                     Do([&] { EXPECT_EQ(host.engine.tunedHz, 112000000); }),
                     Do([&] { SendMessageA(GetDlgItem(Page(), IDC_CE_DEFAULT), BM_CLICK, 0, 0); }), Do([&] {
                         EXPECT_EQ(host.engine.tunedHz, 110000000);
                         EXPECT_EQ(host.channels.Frequency(1), 110000000);
                         EXPECT_EQ(e2e::ControlText(Page(), IDC_CE_FREQ), "110.00 MHz");
                         EXPECT_EQ(SliderPosition(Page(), IDC_CE_FINE_TUNE), 64);
                     }),
                     Press(PSBTN_CANCEL)});
    for (const std::string& call : host.engine.calls)
        EXPECT_EQ(call.find(",0)"), std::string::npos) << "only the current channel is tuned: " << call;
}

TEST_F(SetupPages, FineTuneAtTheLowEndOfTheSliderReachesBaseLessThreePointTwo) {
    FakeHost host(m_dir.Path(), tunaro::kLanguageEnglish);
    host.AddChannels(1);
    CSetup sheet(host);
    RunSetup(sheet, {Do([&] { MoveSlider(Page(), IDC_CE_FINE_TUNE, 128); }), Press(PSBTN_OK)});
    EXPECT_EQ(host.engine.tunedHz, 103200000);
    tunaro::ChannelList saved;
    tunaro::LoadChannelList(saved, host.programTxt);
    EXPECT_EQ(saved.Frequency(0), 103200000); // the record keeps the last tuned frequency
}

TEST_F(SetupPages, CountryChoiceGoesToTheTunerRetunesAndIsStored) {
    FakeHost host(m_dir.Path(), tunaro::kLanguageEnglish);
    host.AddChannels(2);
    host.channels.SetCurrentIndex(1);
    host.AddCountry("China", 86, {49750000});
    host.AddCountry("United Kingdom", 44, {471250000});
    CSetup sheet(host);
    RunSetup(sheet, {Do([&] { SelectCombo(Page(), IDC_CE_COUNTRY, 1); }), Press(PSBTN_CANCEL)});
    EXPECT_EQ(host.countries.CurrentIndex(), 1);
    EXPECT_EQ(host.engine.countryCode, 44);
    ASSERT_GE(host.engine.calls.size(), 2u);
    EXPECT_EQ(host.engine.calls[0], "SetCountry(44)");
    EXPECT_EQ(host.engine.calls[1], "SetCurrentChannel(1)");
    EXPECT_EQ(e2e::IniLong(host.tunaroIni, "Country", "iCode", -1), 1);
}

TEST_F(SetupPages, AudioOfAChannelSwitchesOnlyOnTheCardThatCan) {
    for (long card : {2L, 4L}) {
        FakeHost host(m_dir.Path(), tunaro::kLanguageEnglish);
        host.cardType = card;
        host.AddChannels(2);
        host.channels.SetCurrentIndex(1);
        UINT stereoState = 0, monoState = 0;
        CSetup sheet(host);
        RunSetup(sheet,
                 {Do([&] { RightClickCell(List(), 1, 3); }), Until([&] {
                      HWND popup = OwnPopupMenu();
                      if (!popup)
                          return false;
                      HMENU menu = reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0));
                      stereoState = GetMenuState(menu, ID_AUDIO_STEREO, MF_BYCOMMAND);
                      monoState = GetMenuState(menu, ID_AUDIO_MONO, MF_BYCOMMAND);
                      EndMenu();
                      return true;
                  }),
                  Wait(100),
                  // The menu's Mono item, as the menu sends it.
                  Do([&] { SendMessageA(Page(), WM_COMMAND, ID_AUDIO_MONO, 0); }), Do([&] {
                      EXPECT_EQ(Enabled(Page(), IDC_CE_AUDIO), card == 2);
                      // The Audio choice beside the list does the same.
                      SelectCombo(Page(), IDC_CE_AUDIO, 0);
                  }),
                  Do([&] {
                      ListSelect(List(), 0);
                      SelectCombo(Page(), IDC_CE_AUDIO, 1);
                  }),
                  Press(PSBTN_OK)},
                 20000);
        if (card == 2) {
            EXPECT_FALSE(stereoState & MF_GRAYED);
            EXPECT_FALSE(monoState & MF_GRAYED);
            // Row 1 (the current channel): mono, then stereo again, each applied at once.
            EXPECT_EQ(host.channels.AudioMode(1), 0);
            EXPECT_EQ(host.channels.AudioMode(0), 1);
            std::vector<std::string> audio;
            for (const std::string& call : host.engine.calls)
                if (call.rfind("SetAudioMode", 0) == 0)
                    audio.push_back(call);
            EXPECT_EQ(audio, (std::vector<std::string>{"SetAudioMode(0)", "SetAudioMode(1)"}));
        } else {
            EXPECT_TRUE(stereoState & MF_GRAYED);
            EXPECT_TRUE(monoState & MF_GRAYED);
            EXPECT_EQ(host.channels.AudioMode(1), 0);
            EXPECT_EQ(host.channels.AudioMode(0), 0);
            EXPECT_EQ(host.engine.stereo, -1);
        }
    }
}

// ---- channel edit: the scan --------------------------------------------------------------------

// A country whose table holds the fake stations and some empty frequencies; the first frequency
// carries a station.
constexpr long kStationA = 49750000, kStationB = 77250000, kStationC = 471250000;
const std::vector<long> kTable = {kStationA, 57750000, kStationB, 168250000, kStationC};

TEST_F(SetupPages, ScanFindsTheStationsOfTheTableAndKeepsTheNewList) {
    FakeHost host(m_dir.Path(), tunaro::kLanguageEnglish);
    host.AddChannels(2);
    host.AddCountry("Testland", 86, kTable);
    host.engine.stations = {kStationA, kStationB, kStationC, 999000000};
    std::vector<std::vector<std::string>> rows;
    bool flagWhileScanning = false;
    std::string stopText;
    CSetup sheet(host);
    RunSetup(sheet,
             {Do([&] { SendMessageA(GetDlgItem(Page(), IDC_CE_SCAN), BM_CLICK, 0, 0); }), Do([&] {
                  flagWhileScanning = host.scanning;
                  stopText = e2e::ControlText(Page(), IDC_CE_SCAN);
                  EXPECT_FALSE(Enabled(Page(), IDC_CE_DELETE));
                  EXPECT_FALSE(Enabled(Page(), IDC_CE_ADD));
              }),
              Until([&] { return !host.scanning; }), Do([&] {
                  for (int i = 0; i < ListCount(List()); ++i)
                      rows.push_back(Row(Page(), i));
                  EXPECT_EQ(e2e::ControlText(Page(), IDC_CE_SCAN), "Auto Scan");
                  EXPECT_TRUE(Enabled(Page(), IDC_CE_DELETE));
              }),
              Press(PSBTN_OK)},
             30000);
    EXPECT_TRUE(flagWhileScanning);
    EXPECT_EQ(stopText, "Stop");
    EXPECT_EQ(rows, (std::vector<std::vector<std::string>>{{"0", "New Channel", "49.75 MHz", "Stereo"},
                                                           {"1", "New Channel", "77.25 MHz", "Stereo"},
                                                           {"2", "New Channel", "471.25 MHz", "Stereo"}}));
    // Steps after the first show their count over the picture: 0 .. 3 before the end.
    EXPECT_EQ(host.osd, (std::vector<std::string>{"0", "1", "2", "3"}));
    // The panel heard of the end while the flag still said scanning.
    ASSERT_FALSE(host.panelCommands.empty());
    EXPECT_EQ(host.panelCommands.back(), std::make_pair(405u, true));
    tunaro::ChannelList saved;
    ASSERT_EQ(tunaro::LoadChannelList(saved, host.programTxt), 1);
    ASSERT_EQ(saved.Count(), 3);
    EXPECT_EQ(saved.Frequency(0), kStationA);
    EXPECT_EQ(saved.Number(1), 2); // the table position
    EXPECT_EQ(saved.Frequency(2), kStationC);
}

TEST_F(SetupPages, StoppedScanKeepsTheStationsFoundSoFarAndOkWritesThem) {
    FakeHost host(m_dir.Path(), tunaro::kLanguageEnglish);
    host.AddChannels(3);
    host.channels.SetCurrentIndex(2);
    host.AddCountry("Testland", 86, kTable);
    host.engine.stations = {kStationA, kStationB};
    long found = 0;
    CSetup sheet(host);
    RunSetup(sheet, {Do([&] { SendMessageA(GetDlgItem(Page(), IDC_CE_SCAN), BM_CLICK, 0, 0); }),
                     Until([&] { return ListCount(List()) >= 1; }),
                     Do([&] { SendMessageA(GetDlgItem(Page(), IDC_CE_SCAN), BM_CLICK, 0, 0); }), Do([&] {
                         EXPECT_FALSE(host.scanning);
                         EXPECT_EQ(e2e::ControlText(Page(), IDC_CE_SCAN), "Auto Scan");
                         EXPECT_TRUE(Enabled(Page(), IDC_CE_DELETE));
                         found = ListCount(List());
                         EXPECT_EQ(Row(Page(), 0)[1], "New Channel");
                     }),
                     Press(PSBTN_OK)});
    EXPECT_EQ(host.engine.scanPosition, 0);
    ASSERT_GE(found, 1);
    EXPECT_EQ(host.channels.Count(), found);
    EXPECT_EQ(host.channels.Frequency(0), kStationA);
    EXPECT_EQ(host.panelCommands.back(), std::make_pair(405u, true));
    tunaro::ChannelList saved;
    ASSERT_EQ(tunaro::LoadChannelList(saved, host.programTxt), 1);
    ASSERT_EQ(saved.Count(), found);
    EXPECT_EQ(saved.Frequency(0), kStationA);
}

TEST_F(SetupPages, AScanStoppedBeforeItFoundAnythingGivesTheOldListBack) {
    FakeHost host(m_dir.Path(), tunaro::kLanguageEnglish);
    host.AddChannels(3);
    host.channels.SetCurrentIndex(2);
    host.AddCountry("Testland", 86, kTable);
    host.engine.stations = {kStationC};
    CSetup sheet(host);
    RunSetup(sheet, {Do([&] { SendMessageA(GetDlgItem(Page(), IDC_CE_SCAN), BM_CLICK, 0, 0); }),
                     Do([&] { SendMessageA(GetDlgItem(Page(), IDC_CE_SCAN), BM_CLICK, 0, 0); }), Do([&] {
                         EXPECT_FALSE(host.scanning);
                         EXPECT_EQ(ListCount(List()), 3);
                         EXPECT_EQ(Row(Page(), 2)[1], "Name 2");
                         EXPECT_EQ(ListSelected(List()), 2);
                     }),
                     Press(PSBTN_OK)});
    EXPECT_EQ(host.channels.Count(), 3);
    EXPECT_EQ(host.channels.CurrentIndex(), 2);
    EXPECT_EQ(host.engine.tunedHz, 120000000); // back on the channel that was current
    EXPECT_EQ(host.engine.calls.back(), "SetCurrentChannel(2)");
}

TEST_F(SetupPages, ClosingTheSheetDuringAScanWritesWhatItFound) {
    for (int button : {PSBTN_CANCEL, PSBTN_OK}) {
        FakeHost host(m_dir.Path(), tunaro::kLanguageEnglish);
        host.AddChannels(2);
        host.AddCountry("Testland", 86, kTable);
        host.engine.stations = {kStationA};
        CSetup sheet(host);
        RunSetup(sheet, {Do([&] { SendMessageA(GetDlgItem(Page(), IDC_CE_SCAN), BM_CLICK, 0, 0); }),
                         Until([&] { return host.scanning && ListCount(List()) == 1; }), Press(button)});
        EXPECT_FALSE(host.scanning);
        EXPECT_EQ(host.engine.scanPosition, 0);
        tunaro::ChannelList saved;
        ASSERT_EQ(tunaro::LoadChannelList(saved, host.programTxt), 1);
        ASSERT_EQ(saved.Count(), 1) << button;
        EXPECT_EQ(saved.Name(0), "New Channel");
        EXPECT_EQ(saved.Frequency(0), kStationA);
    }
}

TEST_F(SetupPages, ScanEndedByThePanelEndsThePagesScanKeepingItsStations) {
    FakeHost host(m_dir.Path(), tunaro::kLanguageEnglish);
    host.AddChannels(2);
    host.AddCountry("Testland", 86, kTable);
    host.engine.stations = {kStationA, kStationB};
    CSetup sheet(host);
    RunSetup(sheet, {Do([&] { SendMessageA(GetDlgItem(Page(), IDC_CE_SCAN), BM_CLICK, 0, 0); }),
                     // The panel's own Auto Scan command stops "the" scan: flag off, table reset.
                     Do([&] {
                         host.panelCommands.clear();
                         host.scanning = false;
                         host.engine.AutoScanTune(1);
                     }),
                     Until([&] { return e2e::ControlText(Page(), IDC_CE_SCAN) == "Auto Scan"; }), Do([&] {
                         EXPECT_EQ(ListCount(List()), 1);
                         EXPECT_TRUE(Enabled(Page(), IDC_CE_ADD));
                     }),
                     Press(PSBTN_CANCEL)});
    // Nothing told the panel, which would have started a scan of its own.
    EXPECT_TRUE(host.panelCommands.empty());
    ASSERT_EQ(host.channels.Count(), 1);
    EXPECT_EQ(host.channels.Frequency(0), kStationA);
}

TEST_F(SetupPages, ScanIsInertOffTheTunerAndOverAnEmptyTable) {
    FakeHost host(m_dir.Path(), tunaro::kLanguageEnglish);
    host.AddChannels(2);
    host.AddCountry("Nowhere", 0, {});
    host.engine.tunerInput = false;
    CSetup sheet(host);
    RunSetup(sheet, {Do([&] { SendMessageA(GetDlgItem(Page(), IDC_CE_SCAN), BM_CLICK, 0, 0); }), Do([&] {
                         EXPECT_FALSE(host.scanning);
                         EXPECT_EQ(ListCount(List()), 2);
                         host.engine.tunerInput = true;
                     }),
                     Do([&] { SendMessageA(GetDlgItem(Page(), IDC_CE_SCAN), BM_CLICK, 0, 0); }), Do([&] {
                         // Nothing to try: over at the first step, nothing tuned.
                         EXPECT_FALSE(host.scanning);
                         EXPECT_EQ(e2e::ControlText(Page(), IDC_CE_SCAN), "Auto Scan");
                     }),
                     Press(PSBTN_CANCEL)});
    EXPECT_EQ(host.engine.tunedHz, 0);
}

// ---- colour adjust -----------------------------------------------------------------------------

TEST_F(SetupPages, ColourSlidersSendAllFiveValuesAndDefaultGoesToTheEnginesDefaults) {
    FakeHost host(m_dir.Path(), tunaro::kLanguageEnglish);
    CSetup sheet(host);
    std::vector<std::string> firstMove;
    RunSetup(sheet, {Do([&] { ShowPage(Script::g_sheet, 1); }), Do([&] {
                         HWND page = Page();
                         EXPECT_EQ(e2e::ControlText(page, IDC_CA_BRIGHTNESS_LABEL), "BrightNess:");
                         EXPECT_EQ(e2e::ControlText(page, IDC_CA_SHARPNESS_LABEL), "Sharpness:");
                         EXPECT_EQ(e2e::ControlText(page, IDC_CA_EXIT), "Exit");
                         EXPECT_EQ(SliderPosition(page, IDC_CA_BRIGHTNESS), 128);
                         EXPECT_EQ(SliderPosition(page, IDC_CA_SATURATION), 90);
                         EXPECT_EQ(e2e::ControlText(page, IDC_CA_CONTRAST_VALUE), "100");
                         EXPECT_EQ(e2e::ControlText(page, IDC_CA_SHARPNESS_VALUE), "40");
                         MoveSlider(page, IDC_CA_BRIGHTNESS, 200);
                         firstMove.assign(host.engine.pictureCalls.begin(),
                                          host.engine.pictureCalls.begin() + 5);
                         MoveSlider(page, IDC_CA_HUE, 10);
                         EXPECT_EQ(e2e::ControlText(page, IDC_CA_BRIGHTNESS_VALUE), "200");
                         EXPECT_EQ(e2e::ControlText(page, IDC_CA_HUE_VALUE), "10");
                     }),
                     Do([&] { SendMessageA(GetDlgItem(Page(), IDC_CA_DEFAULT), BM_CLICK, 0, 0); }), Do([&] {
                         EXPECT_EQ(SliderPosition(Page(), IDC_CA_BRIGHTNESS), 120);
                         EXPECT_EQ(SliderPosition(Page(), IDC_CA_HUE), 127);
                         EXPECT_EQ(e2e::ControlText(Page(), IDC_CA_SATURATION_VALUE), "130");
                     }),
                     Press(PSBTN_CANCEL)});
    EXPECT_EQ(firstMove, (std::vector<std::string>{"Hue=128", "Saturation=90", "Contrast=100",
                                                   "Brightness=200", "Sharpness=40"}));
    // The defaults the engine reported, not the values the page opened with.
    EXPECT_EQ(host.engine.picture[0], 120);
    EXPECT_EQ(host.engine.picture[1], 110);
    EXPECT_EQ(host.engine.picture[2], 127);
    EXPECT_EQ(host.engine.picture[3], 130);
    EXPECT_EQ(host.engine.picture[4], 60);
    EXPECT_EQ(host.engine.pictureCalls.size(), 15u);
    // Only Exit stores the contrast.
    EXPECT_EQ(e2e::IniLong(host.tunaroIni, "Color", "contrast", -1), -1);
}

TEST_F(SetupPages, ColourExitStoresTheContrastAndClosesWithOk) {
    FakeHost host(m_dir.Path(), tunaro::kLanguageEnglish);
    tunaro::CAjustColorDlg page(host);
    tunaro::PropertySheet sheet("Color Adjust");
    sheet.AddPage(&page);
    std::string title;
    const INT_PTR result =
        RunSheet(sheet, {Do([&] {
                             title = e2e::WindowText(Script::g_sheet);
                             MoveSlider(Page(), IDC_CA_CONTRAST, 77);
                         }),
                         Do([&] { PostMessageA(GetDlgItem(Page(), IDC_CA_EXIT), BM_CLICK, 0, 0); })});
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(title, "Color Adjust");
    EXPECT_EQ(e2e::IniLong(host.tunaroIni, "Color", "contrast", -1), 77);
    EXPECT_EQ(host.engine.picture[1], 77);
}

// ---- directories -------------------------------------------------------------------------------

TEST_F(SetupPages, DirectoriesAreCreatedOnOkAndKeptInTheSettings) {
    FakeHost host(m_dir.Path(), tunaro::kLanguageEnglish);
    const std::string image = m_dir.File("shots\\deep\\Image");
    const std::string movie = m_dir.File("films\\Video");
    std::vector<std::string> firstDisk, titles;
    tunaro::CDlgSavPath page(host);
    tunaro::PropertySheet sheet(page.Title());
    sheet.AddPage(&page);
    const INT_PTR result =
        RunSheet(sheet, {Do([&] {
                             HWND p = Page();
                             EXPECT_EQ(e2e::ControlText(p, IDC_SP_IMAGE_PATH), host.settings.strImagePath);
                             EXPECT_EQ(e2e::ControlText(p, IDC_SP_MOVIE_PATH), host.settings.strVideoPath);
                             EXPECT_EQ(e2e::ControlText(p, IDC_SP_GROUP), "Directory Setting");
                             EXPECT_EQ(e2e::ControlText(p, IDC_SP_IMAGE_LABEL), "Image path:");
                             EXPECT_EQ(e2e::ControlText(p, IDC_SP_MOVIE_BROWSE), "Brower");
                             HWND disks = GetDlgItem(p, IDC_SP_DISKS);
                             // The kit's grid list draws the rows itself.
                             EXPECT_TRUE(GetWindowLongPtrA(disks, GWL_STYLE) & LVS_OWNERDRAWFIXED);
                             titles = ListColumnTitles(disks);
                             if (ListCount(disks) > 0)
                                 firstDisk = ListRow(disks, 0);
                             SetText(p, IDC_SP_IMAGE_PATH, image + "\\");
                             SetText(p, IDC_SP_MOVIE_PATH, "  " + movie);
                         }),
                         Press(PSBTN_OK)});
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(titles, (std::vector<std::string>{"Disk", "Total Space", "Spent Space", "Free Space"}));
    ASSERT_EQ(firstDisk.size(), 4u);
    EXPECT_EQ(firstDisk[0], "C:\\");
    EXPECT_NE(firstDisk[1].find("  MBytes"), std::string::npos);
    EXPECT_NE(firstDisk[3].find("   MBytes"), std::string::npos);
    EXPECT_EQ(host.settings.strImagePath, image);
    EXPECT_EQ(host.settings.strVideoPath, movie);
    EXPECT_TRUE(tunaro::DirectoryExists(image));
    EXPECT_TRUE(tunaro::DirectoryExists(movie));
    EXPECT_EQ(e2e::IniString(host.tunaroIni, "SavImagePath", "Path"), image);
    EXPECT_EQ(e2e::IniString(host.tunaroIni, "SavVideoPath", "Path"), movie);
}

TEST_F(SetupPages, ADirectoryThatCannotBeUsedIsRefusedAndTheSheetStaysOpen) {
    FakeHost host(m_dir.Path(), tunaro::kLanguageEnglish);
    const std::string oldImage = host.settings.strImagePath;
    // A file where the directory should go cannot become one.
    const std::string blocked = m_dir.File("blocked");
    ASSERT_TRUE(e2e::WriteFile(blocked, "x"));
    std::vector<std::string> boxes;
    auto refused = Until([&] {
        HWND box = FindMessageBox(GetCurrentProcessId());
        if (!box)
            return false;
        boxes.push_back(MessageBoxText(box));
        Answer(box, IDOK);
        return true;
    });
    tunaro::CDlgSavPath page(host);
    tunaro::PropertySheet sheet(page.Title());
    sheet.AddPage(&page);
    const INT_PTR result = RunSheet(
        sheet, {Do([&] { SetText(Page(), IDC_SP_IMAGE_PATH, blocked + "\\Image"); }), Press(PSBTN_OK),
                refused, Do([&] { SetText(Page(), IDC_SP_IMAGE_PATH, "relative\\Image"); }), Press(PSBTN_OK),
                refused, Do([&] { SetText(Page(), IDC_SP_MOVIE_PATH, "   "); }), Press(PSBTN_OK), refused,
                Do([&] { EXPECT_TRUE(IsWindow(Script::g_sheet)); }), Press(PSBTN_CANCEL)});
    EXPECT_EQ(result, IDCANCEL);
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0], "The image directory \"" + blocked +
                            "\\Image\" cannot be created or written.\nPlease choose "
                            "another directory.");
    EXPECT_EQ(boxes[1],
              "The image directory \"relative\\Image\" is not a full path.\nPlease enter it with its drive, "
              "for example C:\\Tunaro\\Image.");
    EXPECT_EQ(boxes[2], "Please enter the movie directory.");
    EXPECT_EQ(host.settings.strImagePath, oldImage);
    EXPECT_FALSE(e2e::FileExists(host.tunaroIni));
}

} // namespace
