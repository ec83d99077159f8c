// The video window (template 136, "TV Win"): the top-level window the engine draws the live
// picture into; the control panel sizes and places it. It is moved by its body, goes full screen
// on a double click, and its context menu reaches topmost, full screen, desktop video mode,
// optimising, inputs, standards and the panel's dialogs.
#pragma once

#include "framework/dialog.h"
#include "tv/dialogs/setup_rules.h"

namespace tunaro {

class CVideoWnd : public Dialog {
public:
    CVideoWnd();
    bool Create() { return Dialog::Create(nullptr); }

protected:
    BOOL OnInitDialog() override;
    const MessageMap* GetMessageMap() const override;
    // Enter and Escape never close the picture.
    void OnOK() override {}
    void OnCancel() override {}

private:
    BOOL OnEraseBackground(HDC dc);
    LRESULT OnSize(WPARAM type, LPARAM size);
    LRESULT OnClose();
    void OnDoubleClick(UINT keys, POINT pt);
    void OnLButtonDown(UINT keys, POINT pt);
    LRESULT OnContextMenu();
    // The engine's graph has events (the window owns the graph): the panel reads them.
    LRESULT OnGraphNotify();
    // A device arrived or went; the capture card going away ends a recording.
    LRESULT OnDeviceChange(WPARAM event, LPARAM data);
    void OnTimer(UINT_PTR id);
    // The menu's items: most pass the panel's own command on, the rest go to the panel as they
    // are (it keeps the state they change).
    void OnMenuItem(UINT id);
    void OnFullScreenItem();
    void OnDesktopItem();
    void OnExitItem();
    // Button 1178 "Desktop mode": the mode on or off.
    void OnDesktopButton();

    VideoMenuFlags MenuFlags() const;
};

} // namespace tunaro
