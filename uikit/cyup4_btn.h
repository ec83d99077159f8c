// Cyup4Btn: a push button drawn entirely from up to four bitmaps (normal, hover, pressed,
// disabled) with hover tracking and a tooltip; it reports clicks to its parent like a button.
#pragma once

#include "uikit/subclass.h"

#include "framework/raii.h"

namespace tunaro {

class Cyup4Btn : public SubclassedWindow {
public:
    // What was drawn last.
    enum DrawState { kNormal = 0, kHover = 1, kPressed = 2, kFourth = 4 };

    Cyup4Btn() = default;
    ~Cyup4Btn() override;

    // Takes over a push button: makes it owner-drawn and draws it from the bitmaps.
    bool Attach(HWND button);
    bool SubclassDlgItem(int id, HWND parent) { return Attach(GetDlgItem(parent, id)); }

    // Module whose resources SetBitmaps loads from (default: the program).
    void SetResourceModule(HINSTANCE module) { m_module = module; }
    // Loads the looks by resource id (0: none) and sizes the button to the normal bitmap without
    // moving, reordering, redrawing or activating it. Returns 0 when the normal bitmap cannot be
    // loaded, and 0 (with the others loaded) when a named optional bitmap is missing.
    int SetBitmaps(UINT normal, UINT hover = 0, UINT pressed = 0, UINT fourth = 0);

    // Tooltip with this text, created on first use.
    void SetTooltipText(const char* text);
    // Tooltip text from a string resource (an empty string is ignored); activates or
    // deactivates the tooltip.
    void SetTooltipText(UINT stringId, BOOL activate);
    HWND Tooltip() const { return m_tooltip; }

    // Cursor shown over the button (the skin's hand), none by default.
    void SetCursor(HCURSOR cursor) { m_cursor = cursor; }

    int LastDrawn() const { return m_drawn; }
    bool HasBitmap(DrawState look) const;

    // Draws the look for an owner-draw action and state (ODA_*, ODS_*) now, as a draw-item
    // request to itself with a device context of its own window.
    void DrawLook(UINT action, UINT state);

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnReflectedMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

private:
    void DrawItem(const DRAWITEMSTRUCT& dis);
    void FreeBitmaps();
    void RelayToTooltip(UINT msg, WPARAM wp, LPARAM lp);
    bool EnsureTooltip();
    bool PointInside(LPARAM lp) const;
    void OnMouseMove(WPARAM wp, LPARAM lp);
    void OnLButtonDown(WPARAM wp, LPARAM lp);
    void OnLButtonUp(WPARAM wp, LPARAM lp);

    HINSTANCE m_module = nullptr;
    Bitmap m_normal, m_hover, m_pressed, m_fourth;
    int m_drawn = kNormal;
    bool m_tracking = false;
    bool m_held = false;
    HWND m_tooltip = nullptr;
    HCURSOR m_cursor = nullptr;
    RECT m_client = {0, 0, 0, 0};
};

} // namespace tunaro
