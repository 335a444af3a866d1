// Undo and redo against a plain model: the states of the document as a tree (each edit a
// new child of the state it was made in, undo the way to the parent, redo the way back),
// the saved state a node of it. A byte must be red exactly when an edit on the tree path
// between the saved state and the current one touched it, the document modified exactly
// when they differ, and the file equal to the view after each save.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "document/save/save_document.h"
#include "hexview/clipboard.h"
#include "hexview/hex_view.h"
#include "hexview/selection.h"
#include "hexview/undo.h"
#include "recording_host.h"
#include "temp_files.h"

namespace quillix::test {
namespace {

// Refuses the request for record memory numbered refuseAt (from 1); 0 refuses none.
struct Refusals {
    static inline int requests = 0;
    static inline int refuseAt = 0;
    static bool check(std::size_t) { return ++requests != refuseAt; }
};

struct Model {
    struct Node {
        int parent = -1;
        int redo = -1;  // the child Redo goes to
        std::int64_t offset = 0;
        std::vector<std::uint8_t> before, after;  // the edit from the parent
    };
    std::vector<Node> nodes{Node{}};
    int current = 0, saved = 0;
    int oldest = 0;  // the state the history reaches back to
    std::vector<std::uint8_t> bytes, file;
    std::size_t cap = 0;

    std::size_t cost(int node) const {
        return nodes[node].after.size() == 1 ? 16 : nodes[node].after.size() + 16;
    }
    void edit(std::int64_t offset, std::vector<std::uint8_t> after, bool keep = true) {
        Node node;
        node.parent = current;
        node.offset = offset;
        node.before.assign(bytes.begin() + offset, bytes.begin() + offset + static_cast<std::int64_t>(after.size()));
        node.after = after;
        std::copy(after.begin(), after.end(), bytes.begin() + offset);
        nodes.push_back(node);
        nodes[current].redo = static_cast<int>(nodes.size()) - 1;
        current = static_cast<int>(nodes.size()) - 1;
        nodes[current].redo = -1;
        if (!keep) {
            oldest = current;
            return;
        }
        // The oldest edits go while the history is over its cap and holds more than one.
        for (;;) {
            std::vector<int> path;
            for (int n = current; n != oldest; n = nodes[n].parent) path.push_back(n);
            std::size_t memory = 0;
            for (int n : path) memory += cost(n);
            if (memory <= cap || path.size() <= 1) break;
            oldest = path.back();
        }
    }
    bool canUndo() const { return current != oldest; }
    bool canRedo() const { return nodes[current].redo >= 0; }
    std::int64_t undo() {
        const Node& node = nodes[current];
        std::copy(node.before.begin(), node.before.end(), bytes.begin() + node.offset);
        nodes[node.parent].redo = current;
        current = node.parent;
        return node.offset;
    }
    std::int64_t redo() {
        current = nodes[current].redo;
        const Node& node = nodes[current];
        std::copy(node.after.begin(), node.after.end(), bytes.begin() + node.offset);
        return node.offset;
    }
    std::vector<int> ancestors(int node) const {
        std::vector<int> chain;
        for (; node >= 0; node = nodes[node].parent) chain.push_back(node);
        return chain;
    }
    std::set<std::int64_t> red() const {
        // The edits on the way from the saved state up to the common ancestor and down to
        // the current one.
        const std::vector<int> up = ancestors(saved), down = ancestors(current);
        const std::set<int> onDown(down.begin(), down.end());
        std::set<std::int64_t> red;
        auto touch = [&](int n) {
            for (std::size_t i = 0; i < nodes[n].after.size(); ++i) red.insert(nodes[n].offset + static_cast<std::int64_t>(i));
        };
        int common = -1;
        for (int n : up) {
            if (onDown.count(n)) {
                common = n;
                break;
            }
            touch(n);
        }
        for (int n : down) {
            if (n == common) break;
            touch(n);
        }
        return red;
    }
};

class HistoryTest : public ::testing::Test {
protected:
    void TearDown() override {
        allocationCheck = nullptr;
        closeDocumentView(doc);
        releaseEditLog(doc);
    }
    void open(const std::filesystem::path& path) {
        SystemError cause = 0;
        ASSERT_EQ(openDocument(doc, view, host, widePath(path).c_str(), cause), 1);
        setPath(path);
        resetEditLog(doc);
        doc.isModified = 0;
        view.lineHeight = 18;
        view.charWidth = 10;
        view.clientHeight = 185;
        onSize(hv);
    }
    void setPath(const std::filesystem::path& path) {
        std::wcscpy(doc.filePath, widePath(path).c_str());
        std::wcscpy(doc.fileTitle, path.filename().wstring().c_str());
    }
    void caretOn(std::int64_t offset, int cellInByte) {  // 0, 1: the nibbles; 2: the character
        view.topLine = std::min<std::int64_t>(offset / 16, view.scrollMax);
        view.caretRow = offset / 16 - view.topLine;
        view.byteColumn = offset % 16 + 1;
        view.caretCell = cellInByte == 2 ? firstCharCell + offset % 16
                                         : highCellOf[static_cast<std::size_t>(view.byteColumn)] + cellInByte;
    }
    std::vector<std::uint8_t> viewBytes() const { return {doc.fileBytes, doc.fileBytes + doc.fileSize}; }
    std::set<std::int64_t> redBytes() const {
        std::set<std::int64_t> red;
        for (std::int64_t row = 0; row * 16 < doc.fileSize; ++row) {
            const std::uint16_t mask = changedMaskOfRow(doc, row);
            for (int k = 0; k < 16; ++k)
                if (mask >> k & 1) red.insert(row * 16 + k);
        }
        return red;
    }
    // What a refused action must leave.
    struct Snapshot {
        std::vector<std::uint8_t> bytes;
        std::set<std::int64_t> red;
        int modified;
        bool canUndo, canRedo;
        friend bool operator==(const Snapshot&, const Snapshot&) = default;
    };
    Snapshot snapshot() const {
        return {viewBytes(), redBytes(), doc.isModified, doc.history.canUndo(), doc.history.canRedo()};
    }

    TempFolder folder;
    Document doc;
    ViewState view;
    RecordingHost host;
    HexView hv{doc, view, host};
};

TEST_F(HistoryTest, RandomEditsUndosRedosAndSavesAgreeWithTheTreeOfStates) {
    std::mt19937 random(20261208);
    auto below = [&](std::int64_t n) { return static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(n)); };
    int refusedActions = 0, undos = 0, savesAfterUndo = 0, unsavedByUndo = 0, oversized = 0, cutShort[2] = {};
    for (int round = 0; round < 12; ++round) {
        const std::int64_t size = 1 + below(round % 3 == 0 ? 40 : 3000);
        std::vector<std::uint8_t> content(static_cast<std::size_t>(size));
        for (auto& b : content) b = static_cast<std::uint8_t>(random());
        auto path = folder.file("doc" + std::to_string(round) + ".bin");
        writeBytes(path, content);
        open(path);
        Model model;
        model.bytes = model.file = content;
        // Small caps, so that the oldest edits go and a paste can be too large to keep.
        model.cap = round % 2 == 0 ? 600 : 1 << 20;
        doc.history.setCap(model.cap);

        for (int action = 0; action < 700; ++action) {
            SCOPED_TRACE("round " + std::to_string(round) + " action " + std::to_string(action));
            const int choice = static_cast<int>(below(100));
            const bool starve = below(8) == 0;  // run it refusing each record request in turn
            if (choice < 45) {
                const std::int64_t offset = below(size);
                const int cell = static_cast<int>(below(3));
                const unsigned digit = static_cast<unsigned>(below(16));
                const unsigned unit = cell == 2 ? static_cast<unsigned>(32 + below(200))
                                                : static_cast<unsigned>("0123456789ABCDEF"[digit]);
                const std::uint8_t old = model.bytes[static_cast<std::size_t>(offset)];
                const auto value = static_cast<std::uint8_t>(cell == 0   ? digit << 4 | (old & 0x0F)
                                                             : cell == 1 ? (old & 0xF0) | digit
                                                                         : unit & 0xFF);
                for (Refusals::refuseAt = starve ? 1 : 0;; ++Refusals::refuseAt) {
                    const Snapshot before = snapshot();
                    const std::size_t boxes = host.boxes.size();
                    caretOn(offset, cell);
                    Refusals::requests = 0;
                    allocationCheck = Refusals::check;
                    onChar(hv, unit);
                    allocationCheck = nullptr;
                    if (Refusals::requests < Refusals::refuseAt || Refusals::refuseAt == 0) break;
                    ++refusedActions;
                    ASSERT_EQ(host.boxes.size(), boxes + 1);
                    ASSERT_EQ(snapshot(), before);
                }
                model.edit(offset, {value});
            } else if (choice < 55) {
                const std::int64_t offset = below(size);
                const std::int64_t count = 1 + below(std::min<std::int64_t>(size - offset, 700));
                std::vector<std::uint8_t> pasted(static_cast<std::size_t>(count));
                std::u16string text;
                for (auto& b : pasted) {
                    b = static_cast<std::uint8_t>(random());
                    char pair[4];
                    std::snprintf(pair, sizeof pair, "%02X ", b);
                    text += std::u16string(pair, pair + 3);
                }
                host.putClipboardText(text);
                const bool keep = static_cast<std::size_t>(count) <= model.cap;
                const bool agree = below(3) != 0;
                // Escape at the paste's check-in stopAt (the text's is 1, then one comes before
                // each chunk), or none: the chunks before it stay, as a shorter paste would.
                // A paste that asks reads the clipboard again after the Yes: one more check-in.
                const std::int64_t textCheckIns = keep ? 1 : 2;
                const std::int64_t chunk = 2 + below(40),
                                   stopAt = starve || below(3) == 0 ? 0 : 1 + textCheckIns + below(3);
                const std::int64_t stored = stopAt ? std::min(count, (stopAt - 1 - textCheckIns) * chunk) : count;
                // (The question comes after the clipboard is read: refusals are tried on
                // pastes that ask none.)
                for (Refusals::refuseAt = starve && keep ? 1 : 0;; ++Refusals::refuseAt) {
                    const Snapshot before = snapshot();
                    caretOn(offset, 0);
                    if (!keep) host.answers.push_back(agree ? answerYes : answerNo);
                    Refusals::requests = 0;
                    allocationCheck = Refusals::check;
                    host.stopAt = stopAt ? host.checkpoints + static_cast<int>(stopAt) : 0;
                    const int pasted = pasteFromClipboard(hv, chunk);
                    allocationCheck = nullptr;
                    host.stopAt = 0;
                    if (!keep) {
                        EXPECT_EQ(host.boxes.back().text, L"This paste cannot be undone. Paste anyway?");
                        EXPECT_FALSE(host.boxes.back().clipboardHeld);
                        ++oversized;
                    }
                    if (pasted != 0) break;
                    ASSERT_EQ(snapshot(), before);
                    if (!keep && !agree) break;
                    ASSERT_TRUE(Refusals::refuseAt > 0 && Refusals::requests >= Refusals::refuseAt);
                    ++refusedActions;
                }
                cutShort[keep] += (keep || agree) && stored > 0 && stored < count;
                if ((keep || agree) && stored > 0) model.edit(offset, {pasted.begin(), pasted.begin() + stored}, keep);
                if (!keep && agree && stored > 0) {
                    ASSERT_FALSE(doc.history.canUndo());
                }
            } else if (choice < 75 || choice < 85) {
                const bool back = choice < 75;
                ASSERT_EQ(doc.history.canUndo(), model.canUndo());
                ASSERT_EQ(doc.history.canRedo(), model.canRedo());
                if (back ? !model.canUndo() : !model.canRedo()) {
                    const Snapshot before = snapshot();
                    EXPECT_EQ(back ? undoEdit(hv) : redoEdit(hv), 0);
                    ASSERT_EQ(snapshot(), before);
                    continue;
                }
                const bool wasModified = doc.isModified == 1;
                setSelection(hv, below(size), below(size));  // which the move drops
                host.attributes = 0x21;  // a file that takes no typing takes no undo or redo
                const Snapshot readOnly = snapshot();
                EXPECT_EQ(back ? undoEdit(hv) : redoEdit(hv), 0);
                ASSERT_EQ(snapshot(), readOnly);
                EXPECT_EQ(host.boxes.back().text, std::wstring(L"File [") + doc.fileTitle + L"] is read only!");
                host.attributes = 0x80;
                for (Refusals::refuseAt = starve ? 1 : 0;; ++Refusals::refuseAt) {
                    const Snapshot before = snapshot();
                    Refusals::requests = 0;
                    allocationCheck = Refusals::check;
                    const int moved = back ? undoEdit(hv) : redoEdit(hv);
                    allocationCheck = nullptr;
                    if (moved == 1) break;
                    ASSERT_TRUE(Refusals::refuseAt > 0 && Refusals::requests >= Refusals::refuseAt);
                    ASSERT_EQ(snapshot(), before);
                    ++refusedActions;
                }
                const std::int64_t offset = back ? model.undo() : model.redo();
                undos += back;
                // The caret on the step's first byte, in view, and nothing selected.
                EXPECT_EQ(offsetOf(view), offset);
                EXPECT_EQ(view.selectionAnchor, -1);
                EXPECT_GE(view.caretRow, 0);
                EXPECT_LT(view.caretRow, rows(view) + 1);
                unsavedByUndo += wasModified && model.current == model.saved;
            } else if (choice < 97) {
                const std::vector<int> behind = model.ancestors(model.saved);
                if (model.current != model.saved && std::count(behind.begin(), behind.end(), model.current))
                    ++savesAfterUndo;  // edits undone behind the last save are saved
                SaveOutcome outcome;
                ASSERT_EQ(saveDocument(doc, host, &outcome), 1);
                doc.isModified = 0;
                resetEditLog(doc);
                model.saved = model.current;
                model.file = model.bytes;
            } else {
                // Save As into another file, which the document then is.
                path = folder.file("doc" + std::to_string(round) + "-" + std::to_string(action) + ".bin");
                setPath(path);
                SaveOutcome outcome;
                ASSERT_EQ(saveDocument(doc, host, &outcome), 1);
                EXPECT_EQ(outcome.way, SaveWay::wholeBeside);
                doc.isModified = 0;
                resetEditLog(doc);
                model.saved = model.current;
                model.file = model.bytes;
            }
            ASSERT_EQ(viewBytes(), model.bytes);
            ASSERT_EQ(redBytes(), model.red());
            std::vector<std::uint8_t> mine(model.bytes.size());  // the record's values of the red bytes
            doc.changes.putMine({0, doc.fileSize}, mine.data());
            for (std::int64_t b : model.red())
                ASSERT_EQ(mine[static_cast<std::size_t>(b)], model.bytes[static_cast<std::size_t>(b)]);
            ASSERT_EQ(doc.isModified, model.current != model.saved ? 1 : 0);
            ASSERT_EQ(readBytes(path), model.file);  // only a save writes the file
            ASSERT_LE(doc.history.memoryBytes(), std::max<std::size_t>(model.cap, 700 + 16));
        }
    }
    std::printf("refused %d, undos %d, saved by undo %d, saves behind %d, too large %d, stopped %d + %d\n",
                refusedActions, undos, unsavedByUndo, savesAfterUndo, oversized, cutShort[0], cutShort[1]);
    // The script reached the cases that matter.
    EXPECT_GT(refusedActions, 50);
    EXPECT_GT(undos, 500);
    EXPECT_GT(unsavedByUndo, 10);
    EXPECT_GT(oversized, 5);
    EXPECT_GT(savesAfterUndo, 0);
    EXPECT_GT(std::min(cutShort[0], cutShort[1]), 5);
}

}  // namespace
}  // namespace quillix::test
