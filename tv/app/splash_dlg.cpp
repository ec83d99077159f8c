// The splash window: reads its bitmap once and stretches it over the client area on paint.
#include "tv/app/splash_dlg.h"

#include <utility>

#include "res/tunaro/resource.h"

namespace tunaro {

CSplashDlg::CSplashDlg(std::string bitmapPath) : Dialog(IDD_SPLASH), m_strBitmapPath(std::move(bitmapPath)) {}

CSplashDlg::~CSplashDlg() {
    if (m_hWnd)
        DestroyWindow();
    if (m_owner)
        ::DestroyWindow(m_owner);
}

bool CSplashDlg::CreateUnlisted() {
    m_owner = CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    return Create(m_owner);
}

BOOL CSplashDlg::OnInitDialog() {
    // CDib reports unreadable files in a message box; a missing splash is no reason for one.
    const DWORD attributes = GetFileAttributesA(m_strBitmapPath.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        m_dib.ReadFile(m_strBitmapPath.c_str());
    return TRUE;
}

const MessageMap* CSplashDlg::GetMessageMap() const {
    static const MessageMap kMap{
        Paint<&CSplashDlg::OnPaint>(),
        EraseBackground<&CSplashDlg::OnEraseBackground>(),
    };
    return &kMap;
}

BOOL CSplashDlg::OnEraseBackground(HDC dc) {
    if (!m_dib.Empty())
        return TRUE; // the picture covers everything
    RECT rc;
    GetClientRect(m_hWnd, &rc);
    FillRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    return TRUE;
}

void CSplashDlg::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(m_hWnd, &ps);
    if (!m_dib.Empty()) {
        RECT rc;
        GetClientRect(m_hWnd, &rc);
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchDIBits(dc, 0, 0, rc.right, rc.bottom, 0, 0, m_dib.Width(), m_dib.Height(), m_dib.Bits(),
                      reinterpret_cast<const BITMAPINFO*>(m_dib.Header()), DIB_RGB_COLORS, SRCCOPY);
    }
    EndPaint(m_hWnd, &ps);
}

} // namespace tunaro
