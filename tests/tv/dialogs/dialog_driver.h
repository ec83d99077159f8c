// Driving the setup pages by their controls, in this process or in the running program: list
// views read and clicked through memory in the list's own process, sliders and combo boxes moved
// with the notifications their page expects, the sheet's tabs, and message boxes.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace dlgtest {

// ---- list views ------------------------------------------------------------------------------

int ListCount(HWND list);
std::string ListText(HWND list, int row, int column);
// All texts of a row, column by column (columns: how many to read).
std::vector<std::string> ListRow(HWND list, int row, int columns = 4);
bool ListChecked(HWND list, int row);
int ListSelected(HWND list);
void ListSelect(HWND list, int row);
// A cell's rectangle in the list's client coordinates (column 0: its label part, right of the
// check box).
RECT ListCell(HWND list, int row, int column);
std::vector<std::string> ListColumnTitles(HWND list);

// Mouse clicks posted to the list at a cell (or on a row's check box), as the user's would be.
void ClickCell(HWND list, int row, int column);
void RightClickCell(HWND list, int row, int column);
void DoubleClickCell(HWND list, int row, int column);
void ClickCheckBox(HWND list, int row);

// ---- other controls ------------------------------------------------------------------------

// Moves a trackbar of dlg and tells dlg as a finished thumb drag does.
void MoveSlider(HWND dlg, int sliderId, int position);
int SliderPosition(HWND dlg, int sliderId);
// Selects a combo box entry of dlg and tells dlg the selection changed.
void SelectCombo(HWND dlg, int comboId, int index);
int ComboSelection(HWND dlg, int comboId);
std::vector<std::string> ComboItems(HWND dlg, int comboId);
// Sets an edit's text (the control tells its dialog with EN_CHANGE).
void SetText(HWND dlg, int id, const std::string& text);
bool Enabled(HWND dlg, int id);
bool Visible(HWND dlg, int id);

// ---- property sheets -------------------------------------------------------------------------

std::vector<std::string> TabTitles(HWND sheet);
HWND CurrentPage(HWND sheet);
// Shows the page at index and returns its window.
HWND ShowPage(HWND sheet, int index);

// ---- windows of one process ------------------------------------------------------------------

// A visible message box of that process (dialog class with a static 0xFFFF), or null.
HWND FindMessageBox(DWORD pid);
std::string MessageBoxText(HWND box);
// Presses a message box's button.
void Answer(HWND box, int buttonId);
// A visible top-level dialog of the process with that exact title, or null.
HWND FindDialog(DWORD pid, const std::string& title);

} // namespace dlgtest
