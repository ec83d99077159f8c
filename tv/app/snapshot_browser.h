// The snapshot browser (template 338): a skinned, modeless window that keeps the stills grabbed
// from the live picture as thumbnails and saves, deletes or opens them. The panel creates it
// hidden at start; its snapshot command shows it and adds one still per grab.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/dialog.h"
#include "framework/raii.h"
#include "uikit/cyup4_btn.h"

namespace tunaro {

class CaptureEngine;

class CSnapshotBrowser : public Dialog {
public:
    static constexpr int kThumbWidth = 160;
    static constexpr int kThumbHeight = 120;
    static constexpr size_t kShownAtMost = 1000; // thumbnails the list holds at a time

    CSnapshotBrowser();
    ~CSnapshotBrowser() override;
    // panel receives the capture button's snapshot command.
    bool Create(HWND panel);

    // Copies the engine's current still and adds it; false (nothing added) when there is none or
    // it is not a picture the browser keeps.
    bool Grab(CaptureEngine& engine);
    size_t EntryCount() const { return m_entries.size(); }

protected:
    BOOL OnInitDialog() override;
    const MessageMap* GetMessageMap() const override;
    // Enter does nothing; Escape hides the window (a modeless dialog is never ended).
    void OnOK() override {}
    void OnCancel() override;

private:
    struct Entry {
        BITMAPINFOHEADER header;
        std::vector<uint8_t> pixels;
    };

    BOOL OnEraseBackground(HDC dc);
    void OnFinalMessage() override;
    void OnClose();
    void OnSave();
    void OnDelete();
    void OnRemoveAll();
    void OnCapture();
    void OnSaveAll();
    void OnListChanged(NMHDR* header);
    void OnListDoubleClick();
    void OnSlider(UINT code, UINT pos, HWND bar);
    void OnLButtonDown(UINT keys, POINT pt);

    // Shows entries first .. first + 999 (all when fewer).
    void ShowEntries(size_t first);
    // The last thousand (all when fewer), the slider at their start.
    void ShowLatest();
    // The entry the list's selected item shows, -1 when none.
    long SelectedEntry() const;
    void TellNoSelection() const;
    static bool WriteEntry(const Entry& entry, const std::string& path);

    HWND m_panel = nullptr;
    Bitmap m_background;
    std::vector<std::unique_ptr<Cyup4Btn>> m_buttons;
    std::vector<Entry> m_entries;
    HIMAGELIST m_images = nullptr;
    size_t m_firstShown = 0; // the entry of the list's first item
    long m_lSelection = -1;  // the entry last selected in the list
    std::vector<uint8_t> m_grab;
};

} // namespace tunaro
