#pragma once
// A document held in a plain buffer, shown in a hex view of 18-pixel rows and 10-pixel
// cells, for the caret, keyboard and editing tests. The buffer carries canary bytes after
// the document so that a write past its end shows.

#include <gtest/gtest.h>

#include <cstdint>
#include <cwchar>
#include <string>
#include <vector>

#include "document/document.h"
#include "hexview/hex_view.h"
#include "recording_host.h"

namespace quillix::test {

inline constexpr std::int64_t testLineHeight = 18;
inline constexpr std::int64_t testCharWidth = 10;
// 185 / 18: ten whole rows and a partly visible eleventh.
inline constexpr std::int64_t tenRowsHeight = 185;
inline constexpr std::int64_t canaryBytes = 32;
inline constexpr std::uint8_t canaryValue = 0xA5;

// Status text for an offset, formatted here independently of the code under test.
inline std::wstring offsetText(std::int64_t offset) {
    wchar_t text[32];
    std::swprintf(text, 32, L"Offset: %08llX", static_cast<unsigned long long>(offset));
    return text;
}

class CaretViewFixture : public ::testing::Test {
protected:
    void TearDown() override {
        // The buffer is the test's own; the document must not try to unmap it.
        doc.fileBytes = nullptr;
        releaseEditLog(doc);
    }

    // Opens a document of size bytes (byte i holds i mod 251 unless fill is given) in a
    // view clientHeight pixels tall, with the caret where an open leaves it.
    void open(std::int64_t size, std::int64_t clientHeight = tenRowsHeight, int fill = -1) {
        bytes.assign(static_cast<std::size_t>(size + canaryBytes), canaryValue);
        for (std::int64_t i = 0; i < size; ++i)
            bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(fill >= 0 ? fill : i % 251);
        original = bytes;
        doc.fileBytes = bytes.data();
        doc.fileSize = size;
        doc.lineCount = lineCountFor(size);
        std::wcscpy(doc.filePath, L"C:\\data\\sample.bin");
        std::wcscpy(doc.fileTitle, L"sample.bin");
        view.lineHeight = testLineHeight;
        view.charWidth = testCharWidth;
        view.clientHeight = clientHeight;
        onSize(hv);
    }

    // Puts the caret on a cell of a view row, with the view scrolled to topLine.
    void place(std::int64_t row, std::int64_t cell, std::int64_t topLine = 0) {
        ASSERT_LE(topLine, view.scrollMax);
        view.topLine = topLine;
        view.caretRow = row;
        view.caretCell = cell;
        view.byteColumn = columnOfCell(cell);
    }

    void press(unsigned key) { onKeyDown(hv, key); }
    bool type(unsigned codeUnit) { return onChar(hv, codeUnit); }
    void typeText(const wchar_t* text) {
        for (; *text; ++text) type(static_cast<unsigned>(*text));
    }

    void expectCaret(std::int64_t row, std::int64_t cell, std::int64_t column) const {
        EXPECT_EQ(view.caretRow, row);
        EXPECT_EQ(view.caretCell, cell);
        EXPECT_EQ(view.byteColumn, column);
    }
    // The system caret stands where the view state says.
    void expectCaretPlaced() const {
        EXPECT_EQ(host.caretX, view.caretCell * testCharWidth);
        EXPECT_EQ(host.caretY, view.caretRow * testLineHeight);
    }
    bool bytesUnchanged() const { return bytes == original; }

    Document doc;
    ViewState view;
    RecordingHost host;
    HexView hv{doc, view, host};
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint8_t> original;
};

}  // namespace quillix::test
