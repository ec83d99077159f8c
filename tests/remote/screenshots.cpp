// Pictures of the agent for the documentation (not a test): its window at rest and while a key
// arrives, its tray menu and its About box, written as BMP files into the folder given.
//   remote_screenshots.exe OUTDIR TITLE ABOUT-TITLE
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/remote/agent.h"
#include "tests/support/e2e.h"
#include "tests/platform/irrecv/irsend_runner.h"

namespace {

void PressKey(WORD key) {
    INPUT input[2] = {};
    input[0].type = INPUT_KEYBOARD;
    input[0].ki.wVk = key;
    input[1] = input[0];
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
}

void Settle(DWORD ms) {
    e2e::WaitUntil([] { return false; }, ms);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: remote_screenshots OUTDIR TITLE ABOUT-TITLE\n");
        return 2;
    }
    const std::string out = argv[1];
    const char* title = argv[2];
    const char* aboutTitle = argv[3];
    keyrelay_test::Agent agent;
    if (!agent.Start(keyrelay_test::InstalledAgent(), true, title)) {
        std::fprintf(stderr, "the agent did not start\n");
        return 1;
    }
    HWND window = agent.Window();
    // The tray menu's Display: the window comes up centred.
    e2e::PostCommand(window, 32771);
    e2e::WaitUntil([&] { return IsWindowVisible(window) != FALSE; }, 5000);
    Settle(800);
    e2e::Screenshot(window, out + "\\rest.bmp");

    {
        irsend_test::IrsendRun hold("--hold 40 ch+");
        e2e::WaitUntil([&] { return agent.Code() == "33"; }, 5000);
        Settle(400);
        e2e::Screenshot(window, out + "\\key.bmp");
        hold.Finish();
    }

    // The tray menu, opened where the pointer is: just right of the window's top.
    RECT rc = {};
    GetWindowRect(window, &rc);
    SetCursorPos(rc.right + 8, rc.top + 10);
    PostMessageA(window, keyrelay_test::kTrayMessage, keyrelay_test::kTrayIconId, WM_RBUTTONUP);
    HWND menu = nullptr;
    e2e::WaitUntil(
        [&] { return (menu = FindWindowA("#32768", nullptr)) != nullptr && IsWindowVisible(menu); }, 5000);
    Settle(500);
    if (menu) {
        RECT menuRect = {};
        GetWindowRect(menu, &menuRect);
        std::printf("menu %ld %ld %ld %ld\n", menuRect.left, menuRect.top, menuRect.right - menuRect.left,
                    menuRect.bottom - menuRect.top);
    }
    e2e::Screenshot(nullptr, out + "\\screen_menu.bmp");
    PressKey(VK_ESCAPE);
    e2e::WaitUntil(
        [&] { return !FindWindowA("#32768", nullptr) || !IsWindowVisible(FindWindowA("#32768", nullptr)); },
        3000);

    // The About box from the system menu.
    PostMessageA(window, WM_SYSCOMMAND, 16, 0);
    HWND about = e2e::WaitForWindow(aboutTitle, 5000);
    if (about) {
        Settle(500);
        e2e::Screenshot(about, out + "\\about.bmp");
        e2e::PostCommand(about, IDOK);
    }
    std::printf("window %ld %ld %ld %ld\n", rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
    agent.Stop();
    return about && menu ? 0 : 1;
}
