#pragma once
// The report-mode list views of the tool windows (the data inspector, the checksums):
// their columns and their selection.

#include <windows.h>

#include <commctrl.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace quillix {

// Appends a column at index with its title, width pixels wide.
void addColumn(HWND list, int index, const wchar_t* title, int width);
// Pixels text takes in the list's font.
int textWidth(HWND list, const wchar_t* text);
// Selects row and gives it the focus mark; -1 selects every row and moves no focus mark.
void selectRows(HWND list, int row);

// The tool windows' lists of places in the document (bookmarks, search hits):
// offset as at least eight hex digits.
std::wstring offsetCellText(std::int64_t offset);
// bytes as hex pairs with a blank between two.
std::wstring hexPairsCellText(const std::uint8_t* bytes, std::int64_t count);
// Answers a virtual list's LVN_GETDISPINFOW with cellText(row, column).
void answerDisplayInfo(NMLVDISPINFOW& info, std::wstring (*cellText)(std::size_t row, int column));

}  // namespace quillix
