// The size limit on the command line under Wine: exactly 4 GiB opens, one byte more gives
// the start-up box and an empty window. Sparse files keep both quick.

#include <windows.h>

#include <filesystem>
#include <fstream>

#include "document/document.h"
#include "resources/resource_ids.h"
#include "support/shell_fixture.h"

namespace quillix::test {
namespace {

class CommandLineSizeTest : public ShellFixture {
protected:
    // A sparse file of this size whose last byte is 0x5A.
    std::wstring makeHuge(const std::string& name, std::int64_t size) {
        auto path = makeFile(name, {});
        std::filesystem::resize_file(path, static_cast<std::uintmax_t>(size) - 1);
        std::ofstream(path, std::ios::binary | std::ios::app).put(0x5A);
        return path.wstring();
    }
};

TEST_F(CommandLineSizeTest, FourGibOpensAndOneByteMoreLeavesTheWindowEmpty) {
    const std::wstring largest = makeHuge("largest.bin", maxDocumentSize);
    ASSERT_NE(start(largest), nullptr);
    EXPECT_TRUE(dialogs.messageBoxes().empty());
    EXPECT_EQ(frameTitle(), L" Quillix-64bit - " + largest);
    EXPECT_EQ(statusText(2), L"Bytes: 4294967296");
    EXPECT_FALSE(menuState(IDM_SEARCH_FIND) & MF_GRAYED);
    ASSERT_EQ(shell.doc.fileSize, maxDocumentSize);
    EXPECT_EQ(shell.doc.fileBytes[maxDocumentSize - 1], 0x5A) << "the whole file is mapped";
    TearDown();
    SetUp();

    const std::wstring tooLarge = makeHuge("too-large.bin", maxDocumentSize + 1);
    ASSERT_NE(start(tooLarge), nullptr);
    auto boxes = dialogs.messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, L"Could not find file: " + tooLarge);
    EXPECT_EQ(boxes[0].caption, L"Quillix-64bit");
    EXPECT_EQ(frameTitle(), L" Quillix-64bit");
    EXPECT_EQ(statusText(2), L"Bytes: 0000000000");
    EXPECT_TRUE(menuState(IDM_SEARCH_FIND) & MF_GRAYED);
    EXPECT_EQ(shell.doc.fileBytes, nullptr);
    EXPECT_EQ(shell.doc.fileTitle[0], L'\0');
}

}  // namespace
}  // namespace quillix::test
