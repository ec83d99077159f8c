// End-to-end tests of the setup sheet, its pages and the video window's menu with the real
// Tunaro.exe over the simulated card: each page is worked through its controls by id and the card
// (tuner, proc amp, crossbar, decoder) and the files (program.txt, Tunaro.ini) are watched.
// One start of the program serves the English cases; the Chinese ones start it in Chinese mode.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tests/tv/dialogs/dialog_driver.h"
#include "tests/support/e2e.h"
#include "framework/peer_messages.h"
#include "tests/tv/dialogs/tunaro_session.h"
#include "res/tunaro/resource.h"

using namespace dlgtest;

namespace {

constexpr const char* kPanelTitle = "Tunaro";
constexpr DWORD kWindowTimeoutMs = 15000;

// The simulated broadcast plan's stations on the China table (the others are on Western Europe
// and USA channels the China table does not have, or lie too far from its channels to lock).
const std::vector<long> kChinaStations = {49750000,  77250000,  168250000, 184250000,
                                          471250000, 543250000, 615250000, 855250000};

// The frequencies a program.txt names, in order.
std::vector<long> Frequencies(const std::string& text) {
    std::vector<long> out;
    size_t at = 0;
    while ((at = text.find("Freq: ", at)) != std::string::npos) {
        out.push_back(atol(text.c_str() + at + 6));
        at += 6;
    }
    return out;
}

long MhzOfRow(const std::string& text) {
    return std::lround(atof(text.c_str()) * 1e6);
}

bool WaitSim(const char* key, long value, DWORD ms = 5000) {
    return e2e::WaitUntil([&] { return e2e::SimCardStateLong(key) == value; }, ms);
}

class SetupE2E : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        g_tunaro = std::make_unique<RunningTunaro>();
        ASSERT_TRUE(g_tunaro->Start()) << "Tunaro did not come up";
    }
    static void TearDownTestSuite() {
        if (g_tunaro)
            g_tunaro->Stop();
        g_tunaro.reset();
    }
    void SetUp() override {
        ASSERT_TRUE(g_tunaro && g_tunaro->program.Running());
        m_boxes = std::make_unique<e2e::MessageBoxWatcher>(g_tunaro->program.Pid());
    }
    void TearDown() override {
        // A case that failed half-way must not leave a sheet open for the next.
        for (const char* title :
             {"Setup", "Color Adjust", "Channel list edit", "Directory Setting", "Add Channel"})
            if (HWND w = e2e::FindTopWindow(title))
                PostMessageA(w, WM_COMMAND, IDCANCEL, 0);
        m_boxes.reset();
    }
    static HWND Panel() { return g_tunaro->panel; }
    static HWND Video() { return g_tunaro->video; }
    std::vector<std::string> Boxes() const {
        std::vector<std::string> texts;
        for (const e2e::SeenMessageBox& b : m_boxes->Seen())
            texts.push_back(b.text);
        return texts;
    }

    static inline std::unique_ptr<RunningTunaro> g_tunaro;
    std::unique_ptr<e2e::MessageBoxWatcher> m_boxes;
};

// ---- the sheet ----------------------------------------------------------------------------------

TEST_F(SetupE2E, SetupCommandOpensTheSheetWithItsPagesAndItsTexts) {
    HWND sheet = Open(Panel(), IDC_SETTING, "Setup");
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(TabTitles(sheet),
              (std::vector<std::string>{"Channel Edit", "ProcAmp", "Record", "Directory Setting"}));
    HWND page = CurrentPage(sheet);
    HWND list = GetDlgItem(page, IDC_CE_LIST);
    EXPECT_EQ(ListColumnTitles(list), (std::vector<std::string>{"Index", "Channel Name", "Freq", "Audio"}));
    ASSERT_EQ(ListCount(list), 3);
    EXPECT_EQ(ListRow(list, 0), (std::vector<std::string>{"0", "Harbour TV", "49.75 MHz", "Stereo"}));
    EXPECT_FALSE(ListChecked(list, 1));
    EXPECT_EQ(e2e::ControlText(page, IDC_CE_SCAN), "Auto Scan");
    EXPECT_EQ(ComboItems(page, IDC_CE_COUNTRY).front(), "China");
    Shot(sheet, "setup_en");
    page = ShowPage(sheet, 1);
    EXPECT_EQ(e2e::ControlText(page, IDC_CA_BRIGHTNESS_LABEL), "BrightNess:");
    page = ShowPage(sheet, 2);
    EXPECT_EQ(e2e::ControlText(page, IDC_RT_GROUP), "Type");
    page = ShowPage(sheet, 3);
    EXPECT_EQ(e2e::ControlText(page, IDC_SP_IMAGE_BROWSE), "Brower");
    EXPECT_EQ(e2e::ControlText(page, IDC_SP_IMAGE_PATH), e2e::InstallDir() + "\\Image");
    // The panel's keys rest while the sheet is open: "A" would start a scan.
    PostMessageA(Panel(), WM_KEYDOWN, 'A', 0);
    PostMessageA(Panel(), WM_KEYUP, 'A', 0);
    Sleep(700);
    EXPECT_EQ(e2e::ControlText(Panel(), 1069).find("Scanning"), std::string::npos);
    EXPECT_TRUE(CloseSheet(sheet, "Setup", PSBTN_CANCEL));
    EXPECT_TRUE(Boxes().empty());
}

// ---- colour adjust ------------------------------------------------------------------------------

TEST_F(SetupE2E, ColourValuesReachTheCardsProcAmpAndExitKeepsTheContrast) {
    HWND sheet = Open(Panel(), IDC_COLOR, "Color Adjust");
    ASSERT_NE(sheet, nullptr);
    HWND page = CurrentPage(sheet);
    EXPECT_EQ(e2e::ControlText(page, IDC_CA_CONTRAST_LABEL), "Contrast:");
    // The simulated card's ranges: brightness, contrast and saturation 0..10000, hue -180..180
    // degrees, sharpness 0..15; the page's scale is 0..255.
    MoveSlider(page, IDC_CA_BRIGHTNESS, 200);
    EXPECT_TRUE(WaitSim("Brightness", 200 * 10000 / 255)) << e2e::SimCardState("Brightness");
    MoveSlider(page, IDC_CA_CONTRAST, 51);
    EXPECT_TRUE(WaitSim("Contrast", 2000)) << e2e::SimCardState("Contrast");
    MoveSlider(page, IDC_CA_HUE, 0);
    EXPECT_TRUE(WaitSim("Hue", -180)) << e2e::SimCardState("Hue");
    MoveSlider(page, IDC_CA_SATURATION, 255);
    EXPECT_TRUE(WaitSim("Saturation", 10000)) << e2e::SimCardState("Saturation");
    MoveSlider(page, IDC_CA_SHARPNESS, 255);
    EXPECT_TRUE(WaitSim("Sharpness", 15)) << e2e::SimCardState("Sharpness");
    EXPECT_EQ(e2e::ControlText(page, IDC_CA_CONTRAST_VALUE), "51");
    // Every value went again with each move: brightness is still where it was put.
    EXPECT_EQ(e2e::SimCardStateLong("Brightness"), 200 * 10000 / 255);

    // Default: the card's own defaults (5000, 5000, 0 degrees, 5000, 8) on the page's scale.
    Click(page, IDC_CA_DEFAULT);
    // The page sets the values one after another: each is waited for, not read once.
    EXPECT_TRUE(WaitSim("Saturation", 127 * 10000 / 255)) << e2e::SimCardState("Saturation");
    EXPECT_TRUE(WaitSim("Brightness", 127 * 10000 / 255)) << e2e::SimCardState("Brightness");
    EXPECT_TRUE(WaitSim("Sharpness", 8)) << e2e::SimCardState("Sharpness");
    EXPECT_EQ(SliderPosition(page, IDC_CA_HUE), 127);

    MoveSlider(page, IDC_CA_CONTRAST, 140);
    Click(page, IDC_CA_EXIT);
    EXPECT_TRUE(e2e::WaitForWindowGone("Color Adjust", kWindowTimeoutMs));
    EXPECT_EQ(e2e::IniLong(TunaroIni(), "Color", "contrast", -1), 140);
    EXPECT_EQ(e2e::SimCardStateLong("Contrast"), 140 * 10000 / 255);
}

// ---- directories --------------------------------------------------------------------------------

TEST_F(SetupE2E, DirectoryPageFromTheMenuCreatesTheDirectoriesAndRefusesOneItCannotUse) {
    e2e::ScratchDir dir("dlge2e");
    ASSERT_TRUE(dir.Made());
    const std::string image = dir.File("stills\\Image"), movie = dir.File("films\\Video");
    HWND sheet = Open(Video(), ID_DIRECTORY_SETTING, "Directory Setting");
    ASSERT_NE(sheet, nullptr);
    HWND page = CurrentPage(sheet);
    HWND disks = GetDlgItem(page, IDC_SP_DISKS);
    ASSERT_GE(ListCount(disks), 1);
    EXPECT_EQ(ListText(disks, 0, 0), "C:\\");
    // The folder browser, cancelled, changes nothing.
    const std::string shown = e2e::ControlText(page, IDC_SP_IMAGE_PATH);
    Click(page, IDC_SP_IMAGE_BROWSE);
    HWND browser = nullptr;
    EXPECT_TRUE(e2e::WaitUntil(
        [&] {
            for (HWND w : e2e::ProcessWindows(g_tunaro->program.Pid())) {
                char cls[16] = {};
                GetClassNameA(w, cls, sizeof cls);
                if (w != sheet && w != Panel() && w != Video() && lstrcmpA(cls, "#32770") == 0 &&
                    !GetDlgItem(w, 0xFFFF))
                    browser = w;
            }
            return browser != nullptr;
        },
        kWindowTimeoutMs));
    if (browser) {
        PostMessageA(browser, WM_COMMAND, IDCANCEL, 0);
        EXPECT_TRUE(e2e::WaitUntil([&] { return !IsWindow(browser); }, kWindowTimeoutMs));
    }
    EXPECT_EQ(e2e::ControlText(page, IDC_SP_IMAGE_PATH), shown);

    SetText(page, IDC_SP_IMAGE_PATH, image);
    SetText(page, IDC_SP_MOVIE_PATH, movie);
    EXPECT_TRUE(CloseSheet(sheet, "Directory Setting", PSBTN_OK));
    EXPECT_EQ(e2e::IniString(TunaroIni(), "SavImagePath", "Path"), image);
    EXPECT_EQ(e2e::IniString(TunaroIni(), "SavVideoPath", "Path"), movie);
    EXPECT_NE(GetFileAttributesA(image.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesA(movie.c_str()), INVALID_FILE_ATTRIBUTES);

    // A file stands where the directory would have to go.
    const std::string blocked = dir.File("blocked");
    ASSERT_TRUE(e2e::WriteFile(blocked, "x"));
    sheet = Open(Video(), ID_DIRECTORY_SETTING, "Directory Setting");
    ASSERT_NE(sheet, nullptr);
    page = CurrentPage(sheet);
    EXPECT_EQ(e2e::ControlText(page, IDC_SP_IMAGE_PATH), image);
    SetText(page, IDC_SP_MOVIE_PATH, blocked + "\\Video");
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    ASSERT_TRUE(m_boxes->WaitForAny(kWindowTimeoutMs));
    EXPECT_NE(Boxes().front().find("cannot be created or written"), std::string::npos) << Boxes().front();
    Sleep(300);
    EXPECT_TRUE(IsWindow(sheet)); // still open, on this page
    EXPECT_TRUE(CloseSheet(sheet, "Directory Setting", PSBTN_CANCEL));
    EXPECT_EQ(e2e::IniString(TunaroIni(), "SavVideoPath", "Path"), movie);
}

// ---- channel edit ---------------------------------------------------------------------------------

TEST_F(SetupE2E, ChannelPageTunesFineTunesRenamesAndAddsThroughItsControls) {
    HWND sheet = Open(Panel(), IDC_CHANNEL_EDIT, "Channel list edit");
    ASSERT_NE(sheet, nullptr);
    HWND page = CurrentPage(sheet);
    HWND list = GetDlgItem(page, IDC_CE_LIST);
    ASSERT_EQ(ListCount(list), 3);

    // Double click: row 2 becomes current and the card tunes to it.
    DoubleClickCell(list, 2, 1);
    EXPECT_TRUE(WaitSim("Frequency", 168250000)) << e2e::SimCardState("Frequency");
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::ControlText(page, IDC_CE_INDEX) == "[2]"; }, 3000));
    EXPECT_EQ(e2e::SimCardState("Station"), "Summit News");
    // Fine tune to the top of the slider and back with Default.
    MoveSlider(page, IDC_CE_FINE_TUNE, 128);
    EXPECT_TRUE(WaitSim("Frequency", 168250000 + 3200000)) << e2e::SimCardState("Frequency");
    EXPECT_EQ(e2e::ControlText(page, IDC_CE_FREQ), "171.450 MHz");
    Click(page, IDC_CE_DEFAULT);
    EXPECT_TRUE(WaitSim("Frequency", 168250000)) << e2e::SimCardState("Frequency");

    // The check box of row 1 by a click in its index column.
    ClickCell(list, 1, 0);
    EXPECT_TRUE(e2e::WaitUntil([&] { return ListChecked(list, 1); }, 3000));

    // Rename row 0 in place.
    RightClickCell(list, 0, 1);
    ASSERT_TRUE(e2e::WaitUntil([&] { return Visible(page, IDC_CE_NAME_EDIT); }, 3000));
    SetText(page, IDC_CE_NAME_EDIT, "Harbour One");
    Click(page, IDC_CE_UPDATE);
    EXPECT_TRUE(e2e::WaitUntil([&] { return !Visible(page, IDC_CE_NAME_EDIT); }, 3000));
    EXPECT_EQ(ListText(list, 0, 1), "Harbour One");

    // Add: a frequency beyond the tuner is refused, one inside is taken.
    Click(page, IDC_CE_ADD);
    HWND add = e2e::WaitForWindow("Add Channel", kWindowTimeoutMs);
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(e2e::ControlText(add, IDC_AC_FREQ), "44.00");
    SetText(add, IDC_AC_NAME, "Star Kids");
    SetText(add, IDC_AC_FREQ, "1000");
    Click(add, IDOK);
    ASSERT_TRUE(m_boxes->WaitForAny(kWindowTimeoutMs));
    EXPECT_EQ(Boxes().front(), "Range of frequency: 44.00 MHz ~ 958.00 MHz");
    EXPECT_TRUE(IsWindow(add));
    SetText(add, IDC_AC_FREQ, "543.25");
    Click(add, IDOK);
    EXPECT_TRUE(e2e::WaitForWindowGone("Add Channel", kWindowTimeoutMs));
    ASSERT_TRUE(e2e::WaitUntil([&] { return ListCount(list) == 4; }, 3000));
    EXPECT_EQ(ListRow(list, 3), (std::vector<std::string>{"3", "Star Kids", "543.25 MHz", "Stereo"}));
    // Nothing of the refused frequency reached the tuner.
    EXPECT_EQ(e2e::SimCardStateLong("Frequency"), 168250000);

    EXPECT_TRUE(CloseSheet(sheet, "Channel list edit", PSBTN_OK));
    const std::string saved = e2e::ReadFile(ProgramTxt());
    EXPECT_NE(saved.find("Name: Harbour One"), std::string::npos) << saved;
    EXPECT_NE(saved.find("Name: Star Kids"), std::string::npos) << saved;
    EXPECT_EQ(Frequencies(saved), (std::vector<long>{49750000, 77250000, 168250000, 543250000}));
    EXPECT_EQ(saved.find("Check:0"), std::string::npos) << "row 1 was checked";
}

TEST_F(SetupE2E, StoppedScanKeepsTheStationItFoundAndCancelWritesIt) {
    HWND sheet = Open(Panel(), IDC_CHANNEL_EDIT, "Channel list edit");
    ASSERT_NE(sheet, nullptr);
    HWND page = CurrentPage(sheet);
    HWND list = GetDlgItem(page, IDC_CE_LIST);
    Click(page, IDC_CE_SCAN);
    // China's first frequency carries a station: its row comes with the first step.
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::ControlText(page, IDC_CE_SCAN) == "Stop"; }, 5000));
    EXPECT_TRUE(e2e::WaitUntil([&] { return ListCount(list) == 1; }, 5000)) << ListCount(list);
    EXPECT_EQ(MhzOfRow(ListText(list, 0, 2)), 49750000);
    // Inputs, standards and Exit wait while a scan runs.
    const std::string input = e2e::SimCardState("VideoInput");
    e2e::SendCommand(Video(), ID_INPUT_TV);
    e2e::SendCommand(Video(), ID_STANDARD_NTSC_M);
    e2e::SendCommand(Video(), ID_MENU_EXIT);
    Sleep(500);
    EXPECT_EQ(e2e::SimCardState("VideoInput"), input);
    EXPECT_EQ(e2e::SimCardStateLong("VideoStandard"), 32);
    EXPECT_TRUE(g_tunaro->program.Running());

    Click(page, IDC_CE_SCAN);
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::ControlText(page, IDC_CE_SCAN) == "Auto Scan"; }, 5000));
    // Stopping halfway keeps what the scan found, and the sheet's Cancel still writes it.
    Sleep(500);
    EXPECT_EQ(ListCount(list), 1);
    EXPECT_TRUE(CloseSheet(sheet, "Channel list edit", PSBTN_CANCEL));
    EXPECT_EQ(Frequencies(e2e::ReadFile(ProgramTxt())), (std::vector<long>{49750000}));
}

TEST_F(SetupE2E, FullScanFindsExactlyThePlansStationsOnTheChinaTable) {
    HWND sheet = Open(Panel(), IDC_CHANNEL_EDIT, "Channel list edit");
    ASSERT_NE(sheet, nullptr);
    HWND page = CurrentPage(sheet);
    HWND list = GetDlgItem(page, IDC_CE_LIST);
    ASSERT_EQ(ComboItems(page, IDC_CE_COUNTRY).front(), "China");
    SelectCombo(page, IDC_CE_COUNTRY, 0);
    EXPECT_TRUE(WaitSim("CountryCode", 86));
    EXPECT_EQ(e2e::IniLong(TunaroIni(), "Country", "iCode", -1), 0);
    Click(page, IDC_CE_SCAN);
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::ControlText(page, IDC_CE_SCAN) == "Stop"; }, 5000));
    // 57 frequencies, a step a second.
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::ControlText(page, IDC_CE_SCAN) == "Auto Scan"; }, 120000));
    std::vector<long> found;
    for (int row = 0; row < ListCount(list); ++row) {
        const std::vector<std::string> texts = ListRow(list, row);
        EXPECT_EQ(texts[0], std::to_string(row));
        EXPECT_EQ(texts[1], "New Channel");
        EXPECT_TRUE(ListChecked(list, row));
        found.push_back(MhzOfRow(texts[2]));
    }
    EXPECT_EQ(found, kChinaStations);
    // The panel went back to the list's first channel.
    EXPECT_TRUE(WaitSim("Frequency", kChinaStations.front()));
    EXPECT_TRUE(CloseSheet(sheet, "Channel list edit", PSBTN_OK));
    EXPECT_EQ(Frequencies(e2e::ReadFile(ProgramTxt())), kChinaStations);
}

// ---- the video window's menu ----------------------------------------------------------------------

TEST_F(SetupE2E, MenuInputsAndStandardsReachTheCrossbarAndTheDecoder) {
    // The three input items are the card's inputs 0, 1 and 2 under the card's own names; the
    // simulated card lists composite, tuner, S-video.
    e2e::SendCommand(Video(), ID_INPUT_TV);
    EXPECT_TRUE(e2e::WaitUntil([] { return e2e::SimCardState("VideoInput") == "Video Composite"; }, 5000));
    e2e::SendCommand(Video(), ID_INPUT_SVIDEO);
    EXPECT_TRUE(e2e::WaitUntil([] { return e2e::SimCardState("VideoInput") == "Video SVideo"; }, 5000));
    e2e::SendCommand(Video(), ID_INPUT_COMPOSITE);
    EXPECT_TRUE(e2e::WaitUntil([] { return e2e::SimCardState("VideoInput") == "Video Tuner"; }, 5000));

    e2e::SendCommand(Video(), ID_STANDARD_NTSC_M);
    EXPECT_TRUE(WaitSim("VideoStandard", 1));
    e2e::SendCommand(Video(), ID_STANDARD_SECAM_L);
    EXPECT_TRUE(WaitSim("VideoStandard", 0x40000));
    e2e::SendCommand(Video(), ID_STANDARD_PAL_BDGHI);
    EXPECT_TRUE(WaitSim("VideoStandard", 32));
    // The picture runs again after each change.
    EXPECT_TRUE(WaitSim("Running", 1));
}

TEST_F(SetupE2E, MenuTopmostAndFullScreenToggle) {
    auto topmost = [] { return (GetWindowLongA(Video(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
    const bool was = topmost();
    e2e::SendCommand(Video(), ID_MOST_TOP);
    EXPECT_TRUE(e2e::WaitUntil([&] { return topmost() != was; }, 3000));
    e2e::SendCommand(Video(), ID_MOST_TOP);
    EXPECT_TRUE(e2e::WaitUntil([&] { return topmost() == was; }, 3000));

    RECT before = {};
    GetWindowRect(Video(), &before);
    e2e::SendCommand(Video(), ID_FULLSCREEN_MODE);
    RECT full = {};
    EXPECT_TRUE(e2e::WaitUntil(
        [&] {
            GetWindowRect(Video(), &full);
            return full.right - full.left >= GetSystemMetrics(SM_CXSCREEN);
        },
        5000));
    EXPECT_FALSE(IsWindowVisible(Panel()));
    e2e::SendCommand(Video(), ID_FULLSCREEN_MODE);
    RECT after = {};
    EXPECT_TRUE(e2e::WaitUntil(
        [&] {
            GetWindowRect(Video(), &after);
            return after.right - after.left == before.right - before.left;
        },
        5000));
    EXPECT_TRUE(e2e::WaitUntil([] { return IsWindowVisible(Panel()) != FALSE; }, 5000));
}

TEST_F(SetupE2E, RightClickOpensTheMenuOverThePicture) {
    PostMessageA(Video(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(300, 200));
    PostMessageA(Video(), WM_RBUTTONUP, 0, MAKELPARAM(300, 200));
    const DWORD pid = g_tunaro->program.Pid();
    EXPECT_TRUE(e2e::WaitUntil([&] { return PopupMenuOf(pid) != nullptr; }, 5000));
    Shot(nullptr, "video_menu_en");
    SendMessageA(Video(), WM_CANCELMODE, 0, 0);
    EXPECT_TRUE(e2e::WaitUntil([&] { return PopupMenuOf(pid) == nullptr; }, 5000));
}

TEST_F(SetupE2E, DesktopModeGivesUpCleanlyWithoutAnOverlay) {
    g_tunaro->schedule->Clear();
    e2e::PostCommand(Video(), ID_DESKTOP_MODE);
    ASSERT_TRUE(m_boxes->WaitForAny(kWindowTimeoutMs))
        << "video visible " << IsWindowVisible(Video()) << ", scheduler told "
        << g_tunaro->schedule->Commands(tunaro::peer::kScheduleDesktopEntered).size();
    EXPECT_NE(Boxes().front().find("Desktop mode needs the video overlay"), std::string::npos)
        << Boxes().front();
    Sleep(500);
    // Not entered: the picture stays in its window and runs, the panel keeps its buttons, the
    // scheduler hears nothing.
    EXPECT_TRUE(IsWindowVisible(Video()));
    EXPECT_TRUE(WaitSim("Running", 1));
    for (int id : {407, 1110, 1113, 409})
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(Panel(), id))) << id;
    EXPECT_TRUE(g_tunaro->schedule->Commands(tunaro::peer::kScheduleDesktopEntered).empty());
    EXPECT_TRUE(g_tunaro->schedule->Commands(tunaro::peer::kScheduleDesktopLeft).empty());
}

// Last: the program ends in the middle of a scan.
TEST_F(SetupE2E, ProgramEndingDuringAScanLeavesProgramTxtAsItWas) {
    const std::string before = e2e::ReadFile(ProgramTxt());
    HWND sheet = Open(Panel(), IDC_CHANNEL_EDIT, "Channel list edit");
    ASSERT_NE(sheet, nullptr);
    HWND page = CurrentPage(sheet);
    Click(page, IDC_CE_SCAN);
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::ControlText(page, IDC_CE_SCAN) == "Stop"; }, 5000));
    Sleep(2500);
    g_tunaro->program.Kill();
    EXPECT_EQ(e2e::ReadFile(ProgramTxt()), before);
}

// ---- Chinese mode -------------------------------------------------------------------------------

// Tunaro in Chinese mode ("Language" 2052) on a system with the Chinese code page (the test runs
// with LC_ALL=zh_CN.UTF-8), as a Chinese installation has it.
class SetupE2EChinese : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(GetACP(), 936u) << "run the Chinese cases with the Chinese code page";
        g_language = std::make_unique<LanguageValue>("2052");
        g_tunaro = std::make_unique<RunningTunaro>();
        g_tunaro->videoTitle = "电视窗口";
        ASSERT_TRUE(g_tunaro->Start()) << "Tunaro did not come up";
    }
    static void TearDownTestSuite() {
        if (g_tunaro)
            g_tunaro->Stop();
        g_tunaro.reset();
        g_language.reset();
    }

    static inline std::unique_ptr<LanguageValue> g_language;
    static inline std::unique_ptr<RunningTunaro> g_tunaro;
};

TEST_F(SetupE2EChinese, SheetPagesAndMenuShowTheChineseTexts) {
    ASSERT_TRUE(g_tunaro && g_tunaro->program.Running());
    e2e::MessageBoxWatcher boxes(g_tunaro->program.Pid());
    HWND sheet = Open(g_tunaro->panel, IDC_SETTING, "系统设置");
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(TabTitles(sheet), (std::vector<std::string>{"频道编辑", "色彩调节", "录像", "目录设置"}));
    HWND page = CurrentPage(sheet);
    HWND list = GetDlgItem(page, IDC_CE_LIST);
    EXPECT_EQ(ListColumnTitles(list), (std::vector<std::string>{"索引", "频道名称", "频率值", "声音"}));
    EXPECT_EQ(e2e::ControlText(page, IDC_CE_SCAN), "自动搜台");
    EXPECT_EQ(e2e::ControlText(page, IDCANCEL), "退出");
    EXPECT_EQ(ListText(list, 0, 3), "立体声");
    Shot(sheet, "setup_zh");
    page = ShowPage(sheet, 1);
    EXPECT_EQ(e2e::ControlText(page, IDC_CA_BRIGHTNESS_LABEL), "亮度:");
    page = ShowPage(sheet, 2);
    EXPECT_EQ(e2e::ControlText(page, IDOK), "确定");
    page = ShowPage(sheet, 3);
    EXPECT_EQ(e2e::ControlText(page, IDC_SP_IMAGE_BROWSE), "浏览");
    EXPECT_TRUE(CloseSheet(sheet, "系统设置", PSBTN_CANCEL));

    // The record settings command opens the same sheet.
    sheet = Open(g_tunaro->panel, IDC_RECORD_SETTING, "系统设置");
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(CloseSheet(sheet, "系统设置", PSBTN_CANCEL));

    const DWORD pid = g_tunaro->program.Pid();
    PostMessageA(g_tunaro->video, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(300, 200));
    PostMessageA(g_tunaro->video, WM_RBUTTONUP, 0, MAKELPARAM(300, 200));
    EXPECT_TRUE(e2e::WaitUntil([&] { return PopupMenuOf(pid) != nullptr; }, 5000));
    Shot(nullptr, "video_menu_zh");
    SendMessageA(g_tunaro->video, WM_CANCELMODE, 0, 0);
    EXPECT_TRUE(e2e::WaitUntil([&] { return PopupMenuOf(pid) == nullptr; }, 5000));
    EXPECT_TRUE(boxes.Seen().empty());
}

} // namespace
