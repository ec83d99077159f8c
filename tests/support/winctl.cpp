// Command-line helper for scripts: waits for, commands and closes the suite's windows by title,
// the way the suite's programs reach one another. Used by demo.sh and the screenshot scripts.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/support/e2e.h"

// The first visible top-level window that owner owns (a dialog or sheet it opened), or null.
static HWND OwnedWindow(HWND owner) {
    struct Search {
        HWND owner, found;
    } search{owner, nullptr};
    e2e::ForEachWindow(
        [](HWND w, LPARAM lp) -> BOOL {
            Search* s = reinterpret_cast<Search*>(lp);
            if (GetWindow(w, GW_OWNER) == s->owner && IsWindowVisible(w))
                s->found = w;
            return !s->found;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

static int PrintRect(HWND w) {
    RECT rc = {};
    if (!w || !GetWindowRect(w, &rc))
        return 1;
    printf("%ldx%ld+%ld+%ld\n", rc.right - rc.left, rc.bottom - rc.top, rc.left, rc.top);
    return 0;
}

static int Usage() {
    fprintf(stderr,
            "usage: winctl wait TITLE [MS]       wait for a top-level window (exit 1 on timeout)\n"
            "       winctl command TITLE ID      post WM_COMMAND ID to it\n"
            "       winctl close TITLE [MS]      post WM_CLOSE and wait until it is gone\n"
            "       winctl text TITLE            print its text\n"
            "       winctl rect TITLE            print where it is on the screen: WxH+X+Y\n"
            "       winctl owned-rect TITLE [MS] the same for the first shown window it owns, waited for\n"
            "       winctl owned-command TITLE ID  post WM_COMMAND ID to the first shown window it owns\n"
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
    if (!strcmp(verb, "rect"))
        return PrintRect(w);
    if (!strcmp(verb, "owned-rect")) {
        const DWORD ms = argc > 3 ? strtoul(argv[3], nullptr, 10) : 10000;
        HWND owned = nullptr;
        e2e::WaitUntil([&] { return (owned = OwnedWindow(w)) != nullptr; }, ms);
        return PrintRect(owned);
    }
    if (!strcmp(verb, "owned-command") && argc > 3) {
        HWND owned = OwnedWindow(w);
        return owned && e2e::PostCommand(owned, static_cast<WORD>(atoi(argv[3]))) ? 0 : 1;
    }
    if (!strcmp(verb, "text")) {
        printf("%s\n", e2e::WindowText(w).c_str());
        return 0;
    }
    return Usage();
}
