// A plain top-level window that hosts the controls under test and records what they report to
// their parent (WM_COMMAND, WM_HSCROLL/WM_VSCROLL, WM_NOTIFY codes).
#pragma once

#include <windows.h>

#include <vector>

namespace uitest {

enum { kBmpNormal = 201, kBmpHover, kBmpPressed, kBmpFourth, kBmpThumb, kBmpThumbMask, kBmpChannel };

struct Reported {
    UINT msg;
    WPARAM wp;
    LPARAM lp;
};

class TestHost {
public:
    TestHost(int width = 400, int height = 300);
    ~TestHost();
    HWND hwnd() const { return m_wnd; }
    // A child control of a class at a place, with an id.
    HWND AddChild(const char* cls, const char* text, DWORD style, int id, int x, int y, int w, int h);
    std::vector<Reported> Reports(UINT msg) const;
    void Clear() { reports.clear(); }
    // Dispatches what is queued for this thread.
    static void Pump();

    std::vector<Reported> reports;

private:
    static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
    HWND m_wnd = nullptr;
};

inline LPARAM Point(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

} // namespace uitest
