#pragma once
// The report-mode list views of the tool windows (the data inspector, the checksums):
// their columns and their selection.

#include <windows.h>

namespace quillix {

// Appends a column at index with its title, width pixels wide.
void addColumn(HWND list, int index, const wchar_t* title, int width);
// Pixels text takes in the list's font.
int textWidth(HWND list, const wchar_t* text);
// Selects row and gives it the focus mark; -1 selects every row and moves no focus mark.
void selectRows(HWND list, int row);

}  // namespace quillix
