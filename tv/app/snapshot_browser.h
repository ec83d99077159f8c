// The snapshot browser (template 338): a skinned, modeless window with the thumbnail list,
// its slider and six skin buttons. The panel creates it hidden at start.
#pragma once

#include <memory>
#include <vector>

#include "uikit/cyup4_btn.h"
#include "framework/dialog.h"
#include "framework/raii.h"

class CSnapshotBrowser : public tunaro::Dialog {
public:
    CSnapshotBrowser();
    ~CSnapshotBrowser() override;
    bool Create(HWND parent) { return Dialog::Create(parent); }

protected:
    BOOL OnInitDialog() override;
    const tunaro::MessageMap* GetMessageMap() const override;
    // Enter does nothing; Escape hides the window (a modeless dialog is never ended).
    void OnOK() override {}

private:
    BOOL OnEraseBackground(HDC dc);
    void OnFinalMessage() override;

    tunaro::Bitmap m_background;
    std::vector<std::unique_ptr<tunaro::Cyup4Btn>> m_buttons;
};
