// The on-screen text window: sized to its text, placed at the top right of the video window's
// client area and shown without taking the activation.
#include "uikit/osd_window.h"

#include "framework/raii.h"

namespace tunaro {

POINT OsdPosition(int videoClientWidth, int textWindowWidth) {
    return POINT{videoClientWidth - textWindowWidth - 30, 20};
}

namespace {
// The colour keyed out of the text window; near black, so the text's smoothed edges read as a
// dark outline over the picture.
constexpr COLORREF kOsdKey = RGB(0, 0, 8);
constexpr COLORREF kOsdShadow = RGB(0, 0, 0);
} // namespace

OsdWindow::~OsdWindow() {
    HWND wnd = m_label.GetHwnd();
    m_label.Detach();
    if (wnd && IsWindow(wnd))
        DestroyWindow(wnd);
}

bool OsdWindow::Create(HWND video, LanguageMode mode) {
    if (m_label.GetHwnd())
        return true;
    m_video = video;
    HWND wnd = CreateWindowExA(WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | WS_EX_TRANSPARENT,
                               "STATIC", "", WS_POPUP | SS_CENTER | SS_CENTERIMAGE | SS_NOPREFIX, 0, 0, 1, 1,
                               video, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!wnd)
        return false;
    SetLayeredWindowAttributes(wnd, kOsdKey, 255, LWA_COLORKEY);
    if (!m_label.Attach(wnd)) {
        DestroyWindow(wnd);
        return false;
    }
    bool chinese = mode == kLanguageChinese;
    m_label.SetFontName(chinese ? "宋体" : "Arial", chinese ? GB2312_CHARSET : ANSI_CHARSET)
        .SetFontSize(kOsdPointSize)
        .SetFontBold(true)
        .SetBkColor(kOsdKey);
    // Green text with a one-pixel dark shadow at its lower right, so that it reads over any
    // picture: the label draws its text colour first and the "3D" colour one pixel up-left
    // on top of it.
    m_label.SetTextColor(kOsdShadow).SetShadowColor(kOsdColour).Set3DText(true, -1);
    return true;
}

void OsdWindow::Show(const std::string& text) {
    HWND wnd = m_label.GetHwnd();
    if (!wnd)
        return;
    SIZE extent = {0, 0};
    {
        Font font(CreateFontIndirectA(&m_label.Font()));
        WindowDc dc(wnd);
        if (dc && font) {
            SelectObjectScope select(dc.get(), font.get());
            GetTextExtentPoint32A(dc.get(), text.c_str(), static_cast<int>(text.size()), &extent);
        }
    }
    int width = extent.cx + 12, height = extent.cy + 6;
    RECT client = {0, 0, 0, 0};
    if (m_video)
        GetClientRect(m_video, &client);
    POINT at = OsdPosition(client.right, width);
    if (m_video)
        ClientToScreen(m_video, &at);
    m_label.SetText(text.c_str());
    bool videoShown = !m_video || (IsWindowVisible(m_video) && !IsIconic(m_video));
    SetWindowPos(wnd, HWND_TOP, at.x, at.y, width, height,
                 SWP_NOACTIVATE | (videoShown && !text.empty() ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
    InvalidateRect(wnd, nullptr, TRUE);
    UpdateWindow(wnd);
}

void OsdWindow::Hide() {
    HWND wnd = m_label.GetHwnd();
    if (!wnd)
        return;
    m_label.SetText("");
    ShowWindow(wnd, SW_HIDE);
}

bool OsdWindow::Visible() const {
    return m_label.GetHwnd() && IsWindowVisible(m_label.GetHwnd());
}

std::string OsdWindow::Text() const {
    HWND wnd = m_label.GetHwnd();
    if (!wnd)
        return "";
    char text[512] = "";
    GetWindowTextA(wnd, text, sizeof(text));
    return text;
}

} // namespace tunaro
