#include "app/tools/report_list_win32.h"

#include <commctrl.h>

#include "host/text_format.h"

namespace quillix {

void addColumn(HWND list, int index, const wchar_t* title, int width) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<wchar_t*>(title);
    column.cx = width;
    column.iSubItem = index;
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

int textWidth(HWND list, const wchar_t* text) {
    return static_cast<int>(SendMessageW(list, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(text)));
}

void selectRows(HWND list, int row) {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | (row >= 0 ? LVIS_FOCUSED : 0);
    item.state = item.stateMask;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

std::wstring offsetCellText(std::int64_t offset) {
    wchar_t text[24];
    appendHex(text, 24, 0, static_cast<std::uint64_t>(offset), 8);
    return text;
}

std::wstring hexPairsCellText(const std::uint8_t* bytes, std::int64_t count) {
    std::wstring text;
    for (std::int64_t i = 0; i < count; ++i) {
        wchar_t pair[3];
        appendHex(pair, 3, 0, bytes[i], 2);
        if (i > 0) text += L' ';
        text += pair;
    }
    return text;
}

void answerDisplayInfo(NMLVDISPINFOW& info, std::wstring (*cellText)(std::size_t row, int column)) {
    LVITEMW& item = info.item;
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0 || item.iItem < 0) return;
    lstrcpynW(item.pszText, cellText(static_cast<std::size_t>(item.iItem), item.iSubItem).c_str(),
              item.cchTextMax);
}

}  // namespace quillix
