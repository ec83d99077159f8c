// Cyup4Btn: a push button drawn entirely from up to four bitmaps (normal, hover, pressed,
// disabled) with hover tracking and a tooltip; it reports clicks to its parent like a button.
#pragma once

#include "Subclass.h"

#include "framework/raii.h"

class Cyup4Btn : public uikit::SubclassedWindow {
public:
    // What was drawn last.
    enum DrawState { kNormal = 0, kHover = 1, kPressed = 2, kFourth = 4 };

    Cyup4Btn() = default;
    ~Cyup4Btn() override;

    // Takes over a push button: makes it owner-drawn and draws it from the bitmaps.
    bool Attach(HWND button);
    bool SubclassDlgItem(int id, HWND parent) { return Attach(GetDlgItem(parent, id)); }

    // Module whose resources SetBitmaps loads from (default: the program).
    void SetResourceModule(HINSTANCE module) { module_ = module; }
    // Loads the looks by resource id (0: none) and sizes the button to the normal bitmap without
    // moving, reordering, redrawing or activating it. Returns 0 when the normal bitmap cannot be
    // loaded, and 0 (with the others loaded) when a named optional bitmap is missing.
    int SetBitmaps(UINT normal, UINT hover = 0, UINT pressed = 0, UINT fourth = 0);

    // Tooltip with this text, created on first use.
    void SetTooltipText(const char* text);
    // Tooltip text from a string resource (an empty string is ignored); activates or
    // deactivates the tooltip.
    void SetTooltipText(UINT stringId, BOOL activate);
    HWND Tooltip() const { return tooltip_; }

    // Cursor shown over the button (the skin's hand), none by default.
    void SetCursor(HCURSOR cursor) { cursor_ = cursor; }

    int LastDrawn() const { return drawn_; }
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

    HINSTANCE module_ = nullptr;
    tunaro::Bitmap normal_, hover_, pressed_, fourth_;
    int drawn_ = kNormal;
    bool tracking_ = false;
    bool held_ = false;
    HWND tooltip_ = nullptr;
    HCURSOR cursor_ = nullptr;
    RECT client_ = {0, 0, 0, 0};
};
