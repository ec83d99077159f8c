// GridList: owner drawing of report rows (highlight, state image, icon, shortened and boxed cell
// texts) for a list view inside any dialog.
#include "uikit/grid_list.h"

namespace tunaro {

GridList::~GridList() {
    Detach();
}

bool GridList::Attach(HWND listView) {
    if (!SubclassedWindow::Attach(listView))
        return false;
    LONG_PTR style = GetWindowLongPtrA(listView, GWL_STYLE);
    style = (style & ~static_cast<LONG_PTR>(LVS_TYPEMASK)) | LVS_REPORT | LVS_OWNERDRAWFIXED;
    SetWindowLongPtrA(listView, GWL_STYLE, style);
    ListView_SetExtendedListViewStyle(listView,
                                      ListView_GetExtendedListViewStyle(listView) | LVS_EX_FULLROWSELECT);
    MakeFont();
    ReflectOwnerDraw();
    InvalidateRect(listView, nullptr, TRUE);
    return true;
}

void GridList::MakeFont() {
    LOGFONTA lf = {};
    HFONT base = reinterpret_cast<HFONT>(SendMessageA(GetHwnd(), WM_GETFONT, 0, 0));
    GetObjectA(base ? base : GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
    lstrcpynA(lf.lfFaceName, "宋体", LF_FACESIZE);
    HFONT font = CreateFontIndirectA(&lf);
    if (font)
        m_font.Reset(font);
}

void GridList::SetTextColor(COLORREF colour) {
    m_textColor = colour;
    ListView_SetTextColor(GetHwnd(), colour);
    InvalidateRect(GetHwnd(), nullptr, TRUE);
}

void GridList::SetTextBkColor(COLORREF colour) {
    m_textBkColor = colour;
    ListView_SetTextBkColor(GetHwnd(), colour);
    InvalidateRect(GetHwnd(), nullptr, TRUE);
}

void GridList::SetBkColor(COLORREF colour) {
    m_bkColor = colour;
    ListView_SetBkColor(GetHwnd(), colour);
    InvalidateRect(GetHwnd(), nullptr, TRUE);
}

std::string GridList::FitText(HDC dc, const std::string& text, int columnWidth, int column) {
    const int available = columnWidth - Margin(column);
    SIZE size = {0, 0};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    if (size.cx <= available)
        return text;
    // Drop whole characters (double-byte ones too) from the end until the rest and "..." fit.
    std::string kept = text;
    while (!kept.empty()) {
        const char* end = kept.c_str() + kept.size();
        const char* prev = CharPrevA(kept.c_str(), end);
        kept.resize(static_cast<size_t>(prev - kept.c_str()));
        std::string candidate = kept + "...";
        GetTextExtentPoint32A(dc, candidate.c_str(), static_cast<int>(candidate.size()), &size);
        if (size.cx <= available)
            return candidate;
    }
    return "...";
}

void GridList::DrawRow(const DRAWITEMSTRUCT& dis) {
    HWND list = GetHwnd();
    HDC dc = dis.hDC;
    const int item = static_cast<int>(dis.itemID);
    LVITEMA lvi = {};
    lvi.mask = LVIF_IMAGE | LVIF_STATE;
    lvi.iItem = item;
    lvi.stateMask = 0xFFFF;
    ListView_GetItem(list, &lvi);

    LONG_PTR style = GetWindowLongPtrA(list, GWL_STYLE);
    bool selected = (lvi.state & LVIS_SELECTED) && (GetFocus() == list || (style & LVS_SHOWSELALWAYS));
    bool highlight = selected || (lvi.state & LVIS_DROPHILITED);
    COLORREF text = highlight ? GetSysColor(COLOR_HIGHLIGHTTEXT) : m_textColor;
    COLORREF back = highlight ? GetSysColor(COLOR_HIGHLIGHT) : m_textBkColor;

    RECT row;
    ListView_GetItemRect(list, item, &row, LVIR_BOUNDS);
    Brush brush(CreateSolidBrush(back));
    FillRect(dc, &row, brush.get());

    // State image, then the small icon.
    RECT icon;
    ListView_GetItemRect(list, item, &icon, LVIR_ICON);
    HIMAGELIST stateImages = ListView_GetImageList(list, LVSIL_STATE);
    int stateIndex = static_cast<int>((lvi.state & LVIS_STATEIMAGEMASK) >> 12);
    if (stateImages && stateIndex > 0) {
        int cx = 0, cy = 0;
        ImageList_GetIconSize(stateImages, &cx, &cy);
        ImageList_Draw(stateImages, stateIndex - 1, dc, icon.left - cx, icon.top, ILD_TRANSPARENT);
    }
    HIMAGELIST small = ListView_GetImageList(list, LVSIL_SMALL);
    if (small && lvi.iImage >= 0)
        ImageList_Draw(small, lvi.iImage, dc, icon.left, icon.top, highlight ? ILD_BLEND50 : ILD_TRANSPARENT);

    SelectObjectScope font(dc,
                           m_font ? static_cast<HGDIOBJ>(m_font.get()) : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, text);
    Pen pen(CreatePen(PS_SOLID, 1, m_textColor));
    SelectObjectScope selectPen(dc, pen.get());

    HWND header = ListView_GetHeader(list);
    int columns = header ? Header_GetItemCount(header) : 1;
    int left = row.left;
    for (int col = 0; col < columns; ++col) {
        LVCOLUMNA column = {};
        column.mask = LVCF_FMT | LVCF_WIDTH;
        if (!ListView_GetColumn(list, col, &column))
            break;
        RECT cell = {left, row.top, left + column.cx, row.bottom};
        if (col == 0 && small && lvi.iImage >= 0)
            cell.left = icon.right;
        m_buffer[0] = '\0';
        ListView_GetItemText(list, item, col, m_buffer, sizeof(m_buffer));
        std::string shown = FitText(dc, m_buffer, column.cx, col);
        UINT align = DT_LEFT;
        if ((column.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_RIGHT)
            align = DT_RIGHT;
        else if ((column.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_CENTER)
            align = DT_CENTER;
        int pad = col == 0 ? 2 : 6;
        RECT textRc = {cell.left + pad, cell.top, cell.right - pad, cell.bottom};
        DrawTextA(dc, shown.c_str(), -1, &textRc,
                  align | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_NOCLIP);
        // The cell's box: one-pixel lines on its right and bottom edges (the neighbours draw the rest).
        MoveToEx(dc, left + column.cx - 1, row.top, nullptr);
        LineTo(dc, left + column.cx - 1, row.bottom - 1);
        LineTo(dc, left - 1, row.bottom - 1);
        left += column.cx;
    }
}

bool GridList::OnReflectedMessage(UINT msg, WPARAM, LPARAM lp, LRESULT* result) {
    if (msg != WM_DRAWITEM)
        return false;
    const DRAWITEMSTRUCT* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
    if (dis->CtlType != ODT_LISTVIEW)
        return false;
    DrawRow(*dis);
    *result = TRUE;
    return true;
}

LRESULT GridList::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_SETFONT) {
        LRESULT r = Default(msg, wp, lp);
        MakeFont();
        return r;
    }
    return Default(msg, wp, lp);
}

} // namespace tunaro
