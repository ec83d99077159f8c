// The video window: black where there is no picture, and the picture kept the size of the
// client area while the preview runs.
#include "video_window.h"

#include "resource.h"
#include "tunaro_app.h"

CVideoWnd::CVideoWnd() : Dialog(IDD_VIDEO_WINDOW) {}

BOOL CVideoWnd::OnInitDialog() {
    SetWindowText(Globals().Text("TV Win", "电视窗口"));
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    return TRUE;
}

const tunaro::MessageMap* CVideoWnd::GetMessageMap() const {
    using namespace tunaro;
    static const MessageMap map{
        EraseBackground<&CVideoWnd::OnEraseBackground>(),
        Message<&CVideoWnd::OnSize>(WM_SIZE),
        Message<&CVideoWnd::OnClose>(WM_CLOSE),
    };
    return &map;
}

LRESULT CVideoWnd::OnClose() {
    // Closing the picture ends the program the way the panel's Exit does (and only when it may).
    if (HWND panel = Globals().hPanel)
        ::PostMessageA(panel, WM_COMMAND, MAKEWPARAM(403, 0), 0);
    return 0;
}

BOOL CVideoWnd::OnEraseBackground(HDC dc) {
    RECT rc;
    GetClientRect(m_hWnd, &rc);
    FillRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    return TRUE;
}

LRESULT CVideoWnd::OnSize(WPARAM type, LPARAM size) {
    tunaro::CaptureEngine* engine = Globals().Engine();
    if (type != SIZE_MINIMIZED && engine && engine->PreviewBuilt())
        engine->SetVideoWindowsPos(0, 0, LOWORD(size), HIWORD(size));
    return 0;
}
