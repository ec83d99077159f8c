// GridList: a report-style list view that draws every row itself, with cells boxed by thin
// lines, long texts shortened with "..." and full-row highlighting.
#pragma once

#include "uikit/subclass.h"

#include "framework/raii.h"

#include <string>

namespace tunaro {

class GridList : public SubclassedWindow {
public:
    GridList() = default;
    ~GridList() override;

    // Takes over a list view and forces report view with fixed owner draw.
    bool Attach(HWND listView);
    bool SubclassDlgItem(int id, HWND parent) { return Attach(GetDlgItem(parent, id)); }

    void SetTextColor(COLORREF colour);
    void SetTextBkColor(COLORREF colour);
    void SetBkColor(COLORREF colour);

    // The text as a cell of that column width shows it in this device context: unchanged when it
    // fits in the width less the margin (4 for the first column, 12 for the others), else cut at
    // the end until it fits with "..." appended.
    static std::string FitText(HDC dc, const std::string& text, int columnWidth, int column);
    static int Margin(int column) { return column == 0 ? 4 : 12; }

    HFONT Font() const { return m_font.get(); }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnReflectedMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

private:
    void DrawRow(const DRAWITEMSTRUCT& dis);
    void MakeFont();

    COLORREF m_textColor = GetSysColor(COLOR_WINDOWTEXT);
    COLORREF m_textBkColor = GetSysColor(COLOR_WINDOW);
    COLORREF m_bkColor = GetSysColor(COLOR_WINDOW);
    tunaro::Font m_font; // qualified: the method Font() hides the type
    char m_buffer[260] = "";
};

} // namespace tunaro
