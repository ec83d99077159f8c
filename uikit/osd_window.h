// The on-screen text over a video picture: a borderless, keyed-out window that shows one line
// of large green text at the top right of the picture.
#pragma once

#include <windows.h>

#include <string>

#include "framework/language.h"
#include "uikit/text_label.h"

namespace tunaro {

// Where the on-screen text goes inside the video window's client area.
constexpr COLORREF kOsdColour = RGB(62, 211, 35);
constexpr int kOsdPointSize = 22;
POINT OsdPosition(int videoClientWidth, int textWindowWidth);

// The on-screen text over the picture: a borderless window above the video window whose
// background is keyed out, so only the green text shows over the live picture.
class OsdWindow {
public:
    OsdWindow() = default;
    ~OsdWindow();
    OsdWindow(const OsdWindow&) = delete;
    OsdWindow& operator=(const OsdWindow&) = delete;

    bool Create(HWND video, LanguageMode mode = kLanguageEnglish);
    // Sizes the window to the text, places it at the top right of the video window's client
    // area, sets the text and shows it at once.
    void Show(const std::string& text);
    void Hide();
    bool Visible() const;
    std::string Text() const;
    HWND GetHwnd() const { return m_label.GetHwnd(); }

private:
    HWND m_video = nullptr;
    TextLabel m_label;
};

} // namespace tunaro
