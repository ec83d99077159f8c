// Command-line helper for scripts: waits for, commands and closes the suite's windows by title,
// the way the suite's programs reach one another. Used by demo.sh.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "e2e.h"

static int Usage() {
    fprintf(stderr,
            "usage: winctl wait TITLE [MS]       wait for a top-level window (exit 1 on timeout)\n"
            "       winctl command TITLE ID      post WM_COMMAND ID to it\n"
            "       winctl close TITLE [MS]      post WM_CLOSE and wait until it is gone\n"
            "       winctl text TITLE            print its text\n"
            "       winctl shot FILE.bmp [TITLE] screenshot of the screen or of one window\n");
    return 2;
}

int main(int argc, char** argv) {
    if (argc < 3)
        return Usage();
    const char* verb = argv[1];
    const char* title = argv[2];
    if (!strcmp(verb, "wait")) {
        DWORD ms = argc > 3 ? strtoul(argv[3], nullptr, 10) : 10000;
        return e2e::WaitForWindow(title, ms) ? 0 : 1;
    }
    if (!strcmp(verb, "shot")) {
        HWND w = argc > 3 ? FindWindowA(nullptr, argv[3]) : nullptr;
        if (argc > 3 && !w)
            return 1;
        return e2e::Screenshot(w, title) ? 0 : 1;
    }
    HWND w = FindWindowA(nullptr, title);
    if (!w) {
        fprintf(stderr, "winctl: no window titled \"%s\"\n", title);
        return 1;
    }
    if (!strcmp(verb, "command") && argc > 3) {
        return e2e::PostCommand(w, static_cast<WORD>(atoi(argv[3]))) ? 0 : 1;
    }
    if (!strcmp(verb, "close")) {
        DWORD ms = argc > 3 ? strtoul(argv[3], nullptr, 10) : 10000;
        PostMessageA(w, WM_CLOSE, 0, 0);
        return e2e::WaitForWindowGone(title, ms) ? 0 : 1;
    }
    if (!strcmp(verb, "text")) {
        printf("%s\n", e2e::WindowText(w).c_str());
        return 0;
    }
    return Usage();
}
