#include "hexview/view_state.h"

#include <algorithm>

#include "document/document.h"
#include "host/text_format.h"
#include "host/view_host.h"

namespace quillix {

std::int64_t rows(const ViewState& view) {
    return view.lineHeight > 0 ? view.clientHeight / view.lineHeight : 0;
}

RowLayout chosenRowLayout(std::uint32_t bytesPerRow, std::uint32_t groupBytes, bool decimal, std::int64_t fileSize) {
    const bool rowOk = bytesPerRow == 8 || bytesPerRow == 16 || bytesPerRow == 32 || bytesPerRow == 64;
    const int n = rowOk ? static_cast<int>(bytesPerRow) : 16;
    const bool groupOk = groupBytes == 1 || groupBytes == 2 || groupBytes == 4 || groupBytes == 8;
    const int group = std::min(groupOk ? static_cast<int>(groupBytes) : 2, n);
    int digits = 8;
    if (decimal)
        for (std::int64_t largest = std::max<std::int64_t>(fileSize - 1, 0) / 100000000; largest > 0; largest /= 10)
            ++digits;
    return makeRowLayout(n, group, digits, decimal);
}

std::int64_t lineCountOf(const ViewState& view, const Document& doc) {
    const std::int64_t fileSize = doc.fileSize;
    if (fileSize <= 0 || doc.lineCount <= 0) return 0;
    const std::int64_t n = rowBytes(view);
    return fileSize / n + (fileSize % n > 0 ? 2 : 1);
}

std::int64_t offsetOf(const ViewState& view) {
    return view.byteColumn + (view.topLine + view.caretRow) * rowBytes(view) - 1;
}

void caretCellForOffset(ViewState& view, std::int64_t offset, CaretArea area) {
    const std::int64_t r = offset % rowBytes(view);
    if (area == CaretArea::unchanged) return;
    view.byteColumn = r + 1;
    view.caretCell = area == CaretArea::hex ? view.layout.highCell(r + 1) : view.layout.charCell(r + 1);
}

void formatOffsetStatus(wchar_t (&text)[20], std::int64_t offset) {
    std::size_t length = appendText(text, 20, 0, L"Offset: ");
    appendHex(text, 20, length, static_cast<std::uint64_t>(offset), 8);
}

void showOffsetStatus(ViewState& view, const Document& doc, ViewHost& host, EofText eof) {
    std::int64_t offset = offsetOf(view);
    if (eof == EofText::substitute && offset >= doc.fileSize)
        appendText(view.statusText, 20, 0, L"EOF");
    else
        formatOffsetStatus(view.statusText, offset);
    host.setStatusText(statusPartOffset, view.statusText);
}

std::int64_t shownCells(const ViewState& view) {
    return view.charWidth > 0 ? std::max<std::int64_t>(view.viewWidth / view.charWidth, 1) : 1;
}

bool setHorizontalExtent(ViewState& view, std::int64_t contentCells) {
    view.leftMax = view.viewWidth > 0 ? std::max<std::int64_t>(contentCells - shownCells(view), 0) : 0;
    const std::int64_t left = std::clamp<std::int64_t>(view.leftCell, 0, view.leftMax);
    const bool moved = left != view.leftCell;
    view.leftCell = left;
    return moved;
}

std::int64_t leftCellForCaret(const ViewState& view) {
    const RowLayout& layout = view.layout;
    const bool characters = layout.inCharArea(view.caretCell);
    const std::int64_t first = characters ? view.caretCell : layout.highCell(view.byteColumn);
    const std::int64_t last = characters ? first : first + 1;
    const std::int64_t shown = shownCells(view);
    std::int64_t left = view.leftCell;
    if (last >= left + shown) left = first;
    if (first < left) left = last - shown + 1;
    return std::clamp<std::int64_t>(left, 0, view.leftMax);
}

void placeCaret(ViewState& view, ViewHost& host) {
    const std::int64_t left = leftCellForCaret(view);
    if (left != view.leftCell) {
        view.leftCell = left;
        host.setHorizontalPosition(static_cast<int>(left));
        host.invalidate(nullptr, true);
    }
    host.setCaretPos(static_cast<int>(cellX(view, view.caretCell)),
                     static_cast<int>(view.caretRow * view.lineHeight));
}

}  // namespace quillix
