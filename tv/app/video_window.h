// The video window (template 136, "TV Win"): the top-level window the engine draws the live
// picture into; the control panel sizes and places it.
#pragma once

#include "framework/dialog.h"

class CVideoWnd : public tunaro::Dialog {
public:
    CVideoWnd();
    bool Create() { return Dialog::Create(nullptr); }

protected:
    BOOL OnInitDialog() override;
    const tunaro::MessageMap* GetMessageMap() const override;
    // Enter and Escape never close the picture.
    void OnOK() override {}
    void OnCancel() override {}

private:
    BOOL OnEraseBackground(HDC dc);
    LRESULT OnSize(WPARAM type, LPARAM size);
    LRESULT OnClose();
};
