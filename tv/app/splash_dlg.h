// The splash window (template 312) shown while the program starts: the bitmap named in
// setting.ini, painted over the whole window.
#pragma once

#include "uikit/dib.h"
#include "framework/dialog.h"

#include <string>

namespace tunaro {

class CSplashDlg : public Dialog {
public:
    // bitmapPath: the BMP file to show; a missing or unreadable file leaves the window black.
    explicit CSplashDlg(std::string bitmapPath);
    ~CSplashDlg() override;
    // Makes the window (hidden) owned by a window that is never shown, so that no taskbar
    // lists it, tool window or not, while there is no panel yet to own it.
    bool CreateUnlisted();
    bool HasPicture() const { return !m_dib.Empty(); }

protected:
    BOOL OnInitDialog() override;
    const MessageMap* GetMessageMap() const override;
    void OnOK() override {}
    void OnCancel() override {}

private:
    void OnPaint();
    BOOL OnEraseBackground(HDC dc);

    HWND m_owner = nullptr;
    std::string m_strBitmapPath;
    CDib m_dib;
};

} // namespace tunaro
