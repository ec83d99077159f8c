// End-to-end tests of the still pictures with the real Tunaro.exe and the simulated card: the
// remote's snapshot key (a numbered bitmap of the station's picture that an independent reader
// opens, never over an existing file, a clear message when the folder takes nothing) and the
// snapshot browser (shows, saves, deletes). One start of the program serves every case.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <dlgs.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/e2e.h"
#include "tests/platform/media_check.h"
#include "res/tunaro/resource.h"
#include "tests/tv/app/station_picture.h"
#include "tests/support/tunaro_suite.h"

namespace {

constexpr const char* kPanelTitle = "Tunaro";
constexpr long kStationHz = 184250000; // "River Arts" in the card's plan
constexpr const char* kStation = "River Arts";

// The bytes of a file once its size has stayed the same for a moment (a copy may be under way).
std::string ReadSettled(const std::string& path) {
    std::string last;
    e2e::WaitUntil(
        [&] {
            std::string now = e2e::FileExists(path) ? e2e::ReadFile(path) : std::string();
            const bool settled = !now.empty() && now.size() == last.size();
            last = std::move(now);
            return settled;
        },
        10000);
    return last;
}

// What ImageMagick's identify says of a file: "format width height".
std::string Identify(const std::string& path) {
    std::string out;
    if (mediacheck::RunShell("identify -format '%m %w %h' '" + mediacheck::UnixPath(path) + "'", &out) != 0)
        return "unreadable: " + out;
    return out;
}

class StillsE2E : public e2e::TunaroSuite {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(Images().Made());
        char text[400];
        std::snprintf(text, sizeof text,
                      "Name: %s\nFreq: %ld\nChan: 1\nAudioChannels:0\nCheck:1\n"
                      "Name: Other\nFreq: 855250000\nChan: 2\nAudioChannels:0\nCheck:1\n",
                      kStation, kStationHz);
        e2e::TunaroStart start;
        start.programTxt = text;
        start.tunaroIni = "[VideoSource]\r\nSource=1\r\n[Channel]\r\nCurrentIndex=0\r\nPreChannelIndex=0\r\n"
                          "[Country]\r\niCode=0\r\n[SavImagePath]\r\nPath=" +
                          Images().Path() + "\r\n";
        ASSERT_TRUE(Tunaro().Start(start)) << Tunaro().Failure();
        ASSERT_TRUE(e2e::WaitUntil(
            [] {
                return e2e::SimCardStateLong("Frequency") == kStationHz &&
                       e2e::SimCardStateLong("FramesDelivered", 0) > 10;
            },
            30000))
            << "the preview does not run on " << kStation;
    }

    // The folder the program saves its stills to, for the whole suite.
    static e2e::ScratchDir& Images() {
        static e2e::ScratchDir images("snapimg");
        return images;
    }
    static std::string Cap(long n) { return Images().File("cap" + std::to_string(n) + ".BMP"); }
};

// Checks that a bitmap file is the station's picture at the capture size.
void ExpectStationPicture(const std::string& path) {
    const std::string bytes = ReadSettled(path);
    const stationpic::Picture got = stationpic::ReadBmp(bytes);
    ASSERT_EQ(got.width, 720) << path;
    ASSERT_EQ(got.height, 576) << path;
    EXPECT_EQ(Identify(path), "BMP3 720 576") << "identify reads it at the capture size";
    // Closest to its own station's test picture by far: only the moving box and the frame counter
    // may differ.
    const double own = stationpic::MismatchShare(got, stationpic::Expected(kStation, 720, 576));
    EXPECT_LT(own, 0.08) << "the snapshot is not " << kStation << "'s picture";
    for (const std::string& other : stationpic::StationNames()) {
        if (other == kStation)
            continue;
        EXPECT_GT(stationpic::MismatchShare(got, stationpic::Expected(other, 720, 576)), own + 0.2) << other;
    }
}

} // namespace

TEST_F(StillsE2E, RemoteSnapshotWritesTheStationsPictureAsNumberedBitmaps) {
    e2e::SendCommand(Panel(), IDC_REMOTE_SNAPSHOT);
    ASSERT_TRUE(e2e::WaitUntil([] { return e2e::FileExists(Cap(1)); }, 15000)) << "no cap1.BMP";
    ExpectStationPicture(Cap(1));
    // The temporary still beside the program directory is gone again.
    const std::string install = e2e::InstallDir();
    EXPECT_FALSE(e2e::FileExists(install.substr(0, install.find_last_of('\\')) + "\\Temp.BMP"));

    e2e::SendCommand(Panel(), IDC_REMOTE_SNAPSHOT);
    ASSERT_TRUE(e2e::WaitUntil([] { return e2e::FileExists(Cap(2)); }, 15000)) << "no cap2.BMP";
    const std::string second = ReadSettled(Cap(2));
    ExpectStationPicture(Cap(2));

    // cap1 deleted: counting the cap files names cap2 again, which must not be replaced.
    ASSERT_TRUE(DeleteFileA(Cap(1).c_str()));
    e2e::SendCommand(Panel(), IDC_REMOTE_SNAPSHOT);
    ASSERT_TRUE(e2e::WaitUntil([] { return e2e::FileExists(Cap(3)); }, 15000)) << "no cap3.BMP";
    EXPECT_EQ(e2e::ReadFile(Cap(2)), second) << "an existing snapshot was replaced";
    EXPECT_FALSE(e2e::FileExists(Cap(1)));

    // Any other file named cap... counts.
    ASSERT_TRUE(e2e::WriteFile(Images().File("capture notes.txt"), "notes"));
    e2e::SendCommand(Panel(), IDC_REMOTE_SNAPSHOT);
    ASSERT_TRUE(e2e::WaitUntil([] { return e2e::FileExists(Cap(4)); }, 15000)) << "no cap4.BMP";
    ReadSettled(Cap(4));
    EXPECT_EQ(Images().EntryCount(), 4);
}

TEST_F(StillsE2E, AnImageDirectoryThatTakesNothingGivesAClearMessage) {
    // The image directory gone and a file in its place: nothing can be written there.
    const std::string dir = Images().Path();
    const std::string aside = dir + ".aside";
    ASSERT_TRUE(MoveFileA(dir.c_str(), aside.c_str()));
    ASSERT_TRUE(e2e::WriteFile(dir, "not a folder"));
    e2e::MessageBoxWatcher boxes(Tunaro().Process().Pid());
    e2e::SendCommand(Panel(), IDC_REMOTE_SNAPSHOT, 0, 0, 30000);
    const bool told = boxes.WaitForAny(15000);
    DeleteFileA(dir.c_str());
    ASSERT_TRUE(MoveFileA(aside.c_str(), dir.c_str()));
    ASSERT_TRUE(told) << "no message about the image directory";
    const std::vector<e2e::SeenMessageBox> seen = boxes.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_NE(seen[0].text.find("could not be saved"), std::string::npos) << seen[0].text;
    EXPECT_NE(seen[0].text.find(dir), std::string::npos) << seen[0].text;
    EXPECT_EQ(seen[0].caption, kPanelTitle);
    const std::string install = e2e::InstallDir();
    EXPECT_FALSE(e2e::FileExists(install.substr(0, install.find_last_of('\\')) + "\\Temp.BMP"));
    EXPECT_TRUE(Tunaro().Process().Running());
}

TEST_F(StillsE2E, BrowserShowsSavesAndDeletesItsStills) {
    e2e::SendCommand(Panel(), IDC_SNAPSHOT);
    HWND browser = nullptr;
    ASSERT_TRUE(e2e::WaitUntil(
        [&] {
            browser = e2e::ProcessWindow(Tunaro().Process().Pid(), "Snapshot");
            return browser && IsWindowVisible(browser);
        },
        10000))
        << "the snapshot browser is not shown";
    HWND list = GetDlgItem(browser, IDC_SNAP_LIST);
    ASSERT_NE(list, nullptr);
    auto count = [list] { return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); };
    EXPECT_TRUE(e2e::WaitUntil([&] { return count() == 1; }, 5000)) << count();
    e2e::SendCommand(Panel(), IDC_SNAPSHOT);
    ASSERT_TRUE(e2e::ClickControl(browser, IDC_SNAP_CAPTURE)); // its own capture button
    EXPECT_TRUE(e2e::WaitUntil([&] { return count() == 3; }, 5000)) << count();

    // Save without a selection asks for one.
    {
        e2e::MessageBoxWatcher boxes(Tunaro().Process().Pid());
        e2e::PostCommand(browser, IDC_SNAP_SAVE);
        ASSERT_TRUE(boxes.WaitForAny(10000));
        ASSERT_FALSE(boxes.Seen().empty());
        EXPECT_NE(boxes.Seen()[0].text.find("you don't select any image"), std::string::npos)
            << boxes.Seen()[0].text;
        EXPECT_EQ(boxes.Seen()[0].caption, "save");
    }

    // The last still selected, then saved through the save dialog.
    SetForegroundWindow(browser);
    PostMessageA(list, WM_KEYDOWN, VK_END, 0);
    PostMessageA(list, WM_KEYUP, VK_END, 0);
    ASSERT_TRUE(e2e::WaitUntil(
        [&] { return SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED) == 2; },
        5000));
    const std::string saved = Images().File("saved_still.BMP");
    e2e::PostCommand(browser, IDC_SNAP_SAVE);
    HWND dialog = nullptr;
    ASSERT_TRUE(e2e::WaitUntil(
        [&] {
            for (HWND w : e2e::ProcessWindows(Tunaro().Process().Pid())) {
                char cls[32] = "";
                GetClassNameA(w, cls, sizeof cls);
                if (w != browser && lstrcmpA(cls, "#32770") == 0 && GetWindow(w, GW_OWNER) == browser)
                    dialog = w;
            }
            return dialog != nullptr;
        },
        15000))
        << "no save dialog";
    // The file name box: the combo box's edit of the newer dialog, the plain edit of the older.
    HWND name = GetDlgItem(dialog, cmb13);
    if (name)
        SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(saved.c_str()));
    if (HWND edit = GetDlgItem(dialog, edt1))
        SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(saved.c_str()));
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::FileExists(saved); }, 15000)) << "nothing saved";
    ExpectStationPicture(saved);

    // Delete takes the selected still away; Remove All the rest; Close hides the browser.
    PostMessageA(list, WM_KEYDOWN, VK_HOME, 0);
    PostMessageA(list, WM_KEYUP, VK_HOME, 0);
    ASSERT_TRUE(e2e::WaitUntil(
        [&] { return SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED) == 0; },
        5000));
    e2e::SendCommand(browser, IDC_SNAP_DELETE);
    EXPECT_EQ(count(), 2);
    e2e::SendCommand(browser, IDC_SNAP_REMOVE_ALL);
    EXPECT_EQ(count(), 0);
    e2e::SendCommand(Panel(), IDC_SNAPSHOT);
    EXPECT_TRUE(e2e::WaitUntil([&] { return count() == 1; }, 5000));
    e2e::SendCommand(browser, IDC_SNAP_CLOSE);
    EXPECT_EQ(count(), 0);
    EXPECT_FALSE(IsWindowVisible(browser));
}
