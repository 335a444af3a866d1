// Undo and redo against a plain model: the states of the document as a tree (each edit a
// new child of the state it was made in, undo the way to the parent, redo the way back),
// the saved state a node of it. A byte must be red exactly when an edit on the tree path
// between the saved state and the current one touched it, the document modified exactly
// when they differ, and the file equal to the view after each save.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "cut_file.h"
#include "document/outside_change.h"
#include "document/save/save_document.h"
#include "faulty_file_system.h"
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
                const std::int64_t chunk = 2 + below(40), stopAt = starve || below(3) == 0 ? 0 : 2 + below(3);
                const std::int64_t stored = stopAt ? std::min(count, (stopAt - 2) * chunk) : count;
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

// Another program's writes taken up as theirs plus mine, between typing, pastes, undo, redo,
// saves and saves that fail part-way, against a plain model: the states of a straight history,
// each edit a write of some bits of some bytes (a nibble, or whole bytes). Theirs plus mine
// makes the saved state the file as it is now (the bytes of edits gone from the history
// keeping their values) and each other state the one next to it nearer the saved state with
// the edit between them taking its bits from where it stood. The view must be the current
// state, every save must give the file the view, and a document longer than its file is modified.
TEST_F(HistoryTest, TheirsPlusMineRebasesEveryStateOntoTheFileInAnyOrderOfSavesAndUndos) {
    using Bytes = std::vector<std::uint8_t>;
    struct Model {
        std::vector<std::array<std::int64_t, 3>> writes;  // offset, length, bits
        std::vector<Bytes> states;
        std::size_t current = 0, saved = 0;
        bool reachable = true, known = true;
        std::set<std::int64_t> dropped;  // bytes of edits gone from the history since the save
        Bytes file;
        void put(std::vector<Bytes>& to, std::size_t k, std::size_t from) const {
            const auto [offset, length, bits] = writes[std::min(k, from)];
            for (auto b = static_cast<std::size_t>(offset); b < static_cast<std::size_t>(offset + length);
                 ++b)
                to[k][b] = static_cast<std::uint8_t>((to[k][b] & ~bits) | (states[k][b] & bits));
        }
        void edit(std::int64_t offset, std::int64_t length, std::uint8_t bits, Bytes next) {
            for (std::size_t k = current; k < saved; ++k)
                for (std::int64_t i = 0; i < writes[k][1]; ++i) dropped.insert(writes[k][0] + i);
            if (saved > current) reachable = false, saved = current;
            writes.resize(current);
            states.resize(current + 1);
            writes.push_back({offset, length, bits});
            states.push_back(std::move(next));
            ++current;
        }
        void merge(const Bytes& theirs) {
            std::vector<Bytes> rebased(states.size());
            rebased[saved] = theirs;
            rebased[saved].resize(std::max(theirs.size(), states[0].size()));
            for (std::int64_t b : dropped)
                rebased[saved][static_cast<std::size_t>(b)] = states[saved][static_cast<std::size_t>(b)];
            for (std::size_t k = saved + 1; k < states.size(); ++k)
                rebased[k] = rebased[k - 1], put(rebased, k, k - 1);
            for (std::size_t k = saved; k-- > 0;) rebased[k] = rebased[k + 1], put(rebased, k, k + 1);
            states = std::move(rebased);
            file = theirs;
        }
        bool modified() const {
            return !reachable || current != saved || states[current].size() != file.size();
        }
    };
    std::mt19937 random(20261210);
    auto below = [&](std::int64_t n) {
        return static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(n));
    };
    FaultyFileSystem faulty(systemFileSystem());
    int merges = 0, failedSaves = 0, undosAfterSave = 0;
    for (int round = 0; round < 30; ++round) {
        const auto path = folder.file("merged" + std::to_string(round) + ".bin");
        Bytes content(static_cast<std::size_t>(1 + below(round % 2 ? 40 : 300)));
        for (auto& b : content) b = static_cast<std::uint8_t>(random());
        writeBytes(path, content);
        open(path);
        Model model;
        model.states = {content};
        model.file = content;
        std::string script;  // what was done, for the failure message
        bool savedSinceMerge = false;
        for (int action = 0; action < 150; ++action) {
            const std::int64_t size = doc.fileSize, choice = below(100), offset = below(size);
            Bytes next = model.states[model.current];
            if (choice < 36) {  // a digit on either nibble or a character; a paste
                const int cell = static_cast<int>(below(3)), digit = static_cast<int>(below(16));
                const std::int64_t count =
                    choice < 30 ? 1 : 1 + below(std::min<std::int64_t>(size - offset, 20));
                const unsigned unit =
                    cell == 2 ? static_cast<unsigned>(32 + below(90)) : "0123456789ABCDEF"[digit];
                auto& b = next[static_cast<std::size_t>(offset)];
                b = static_cast<std::uint8_t>(cell == 0   ? digit << 4 | (b & 15)
                                              : cell == 1 ? (b & 0xF0) | digit
                                                          : unit);
                if (count > 1) {
                    for (std::int64_t i = 0; i < count; ++i)
                        next[static_cast<std::size_t>(offset + i)] = static_cast<std::uint8_t>(random());
                    const ByteFeed feed{[](void* from, std::int64_t at, std::int64_t n, std::uint8_t* out) {
                                            std::copy_n(static_cast<const std::uint8_t*>(from) + at, n, out);
                                        },
                                        next.data() + offset};
                    ASSERT_EQ(storeBytes(doc, offset, count, feed), count);
                } else {
                    caretOn(offset, cell);
                    onChar(hv, unit);
                }
                script += " edit@" + std::to_string(offset) + "+" + std::to_string(count) + "/" +
                          std::to_string(cell);
                model.edit(offset, count, count > 1 || cell == 2 ? 0xFF : cell == 0 ? 0xF0 : 0x0F, next);
            } else if (choice < 66) {
                const bool back = choice < 54;
                if (back ? model.current == 0 : model.current + 1 == model.states.size()) continue;
                ASSERT_EQ(back ? undoEdit(hv) : redoEdit(hv), 1);
                model.current += back ? -1 : 1;
                undosAfterSave += back && savedSinceMerge;
                script += back ? " undo" : " redo";
                ASSERT_TRUE(!model.known || doc.isModified == (model.modified() ? 1 : 0)) << script;
            } else if (choice < 78) {
                // Another program writes a few bytes, changed ones among them, and makes the
                // file longer, or shorter where a mapped file may be cut; theirs plus mine.
                const auto red = redBytes();
                for (std::int64_t n = 1 + below(3); n > 0; --n) {
                    const std::int64_t at =
                        red.empty() || below(2)
                            ? offset
                            : *std::next(red.begin(), below(static_cast<std::int64_t>(red.size())));
                    writeAsOther(path, std::min(at, static_cast<std::int64_t>(model.file.size()) - 1),
                                 {static_cast<std::uint8_t>(random())});
                }
                const std::int64_t change = below(6);
                if (change == 0)
                    writeAsOther(path, static_cast<std::int64_t>(model.file.size()),
                                 Bytes(static_cast<std::size_t>(1 + below(20)), 0x5C));
                if (change == 1 && !onWindows && model.file.size() > 1) {
                    const auto shorter = 1 + below(static_cast<std::int64_t>(model.file.size()) - 1);
                    ASSERT_TRUE(cutFileShort(path, static_cast<std::uintmax_t>(shorter)));
                }
                std::int64_t pastEnd = 0;
                SystemError cause = 0;
                ASSERT_EQ(mergeOutsideChange(doc, pastEnd, cause), 1);
                model.merge(readBytes(path));
                onSize(hv);
                savedSinceMerge = false;
                ++merges;
                script += " merge";
            } else {
                // A save, or one that fails at some call: the file then holds some of the
                // view's bytes, the rest its own, and whether the saved state is gone may
                // show only when the file changed.
                const bool fail = choice < 90;
                faulty.failCall(fail ? static_cast<int>(below(8)) : -1,
                                below(2) ? FaultyFileSystem::Mode::fail : FaultyFileSystem::Mode::shortWrite);
                const Bytes before = readBytes(path);
                if (saveDocument(doc, host, nullptr, faulty, 7) == 1) {
                    model.file = next;
                    model.saved = model.current;
                    model.reachable = model.known = true;
                    model.dropped.clear();
                    doc.isModified = 0;
                    savedSinceMerge = true;
                    script += " save";
                } else {
                    model.file = readBytes(path);
                    for (std::size_t i = 0; i < model.file.size(); ++i)
                        ASSERT_TRUE((i < before.size() && model.file[i] == before[i]) ||
                                    model.file[i] == next[i]);
                    model.reachable = model.reachable && model.file == before;
                    model.known = model.file != before;
                    ++failedSaves;
                    script += " failed-save";
                }
                ASSERT_EQ(readBytes(path), model.file) << script;
            }
            ASSERT_EQ(viewBytes(), model.states[model.current]) << "round " << round << ":" << script;
        }
        faulty.failCall(-1);
        ASSERT_EQ(saveDocument(doc, host), 1);
        ASSERT_EQ(readBytes(path), viewBytes());
        closeDocumentView(doc);
    }
    std::printf("merges %d, failed saves %d, undos after a save since a merge %d\n", merges, failedSaves,
                undosAfterSave);
    EXPECT_GT(std::min({merges, failedSaves, undosAfterSave}), 100);
}

}  // namespace
}  // namespace quillix::test
