#pragma once
// Which bytes of the view differ from the file they will be saved into: the bytes a step
// between the save point and the current point of the history touched (history.h), each
// with the value it held before it became changed and the value the user gave it, and the
// bytes a save in place wrote before it failed or stopped (keepWritten). A save writes
// exactly these bytes; the painter shows them red.
//
// The user's values are kept here as well as in the view wherever the view may lose them:
// the view is a mapping of the file, and another program can take pages of it away (a
// file cut shorter drops the private copies past the cut) or change what the view shows
// beside an edit. With both values per changed byte the document can always be made again
// as the file as it is now plus the user's bytes (outside_change.h).
//
// Lone bytes are kept one machine word each in a hash table keyed by offset (the offset,
// the two values and whether keepWritten keeps it), beside a count of them per page: about
// 21 bytes a scattered changed byte with the tables' slack. A 4 KiB page with many changed
// bytes (a run of typing, a paste, a fill) gets a block of its own instead, masks and first
// values for all its bytes, marked a word or a whole page at a time. The user's values of
// a block are the view's page itself when the view keeps that page whatever becomes of the
// file (keepViewPages; about 1.25 bytes a changed byte), and a copy of the page's here
// otherwise (about 2.3).

#include <array>
#include <bit>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "document/file/view_bytes.h"
#include "document/history/flat_table.h"

namespace quillix {

class ChangeMap {
public:
    static constexpr std::int64_t lineBytes = 64;

    // Marks the bytes of run (offsets >= 0), byte i having held originals[i - run.begin]
    // before this change and holding values[i - run.begin] now. A byte already marked keeps
    // the original it got first. Throws std::bad_alloc, marking nothing of the line it was
    // at, when the table cannot grow; after reserveRange over the run it cannot fail.
    void markRun(ByteRange run, const std::uint8_t* originals, const std::uint8_t* values);
    void mark(std::int64_t offset, std::uint8_t original, std::uint8_t value) {
        markRun(ByteRange{offset, offset + 1}, &original, &value);
    }
    // The marked bytes of run hold values now (values[0] is byte run.begin's); the bytes not
    // marked are left alone. Asks for no memory.
    void setMine(ByteRange run, const std::uint8_t* values);
    // The file under the changes is another now: the marked bytes of the line starting at
    // lineStart below lineStart + count first held values[k] (values[0] being lineStart's).
    // Asks for no memory.
    void setFirst(std::int64_t lineStart, const std::uint8_t* values, std::int64_t count);
    // Puts the user's value of each marked byte of run into values[i] (values[0] being
    // run.begin's); the others are left as they are.
    void putMine(ByteRange run, std::uint8_t* values) const;
    // Exchanges the bits set in bits of each marked byte of run's user's value with
    // values[i] (values[0] being run.begin's): values[i] gets the whole byte the record held.
    // A history step moved over the record's values instead of the view's (History::rebase).
    // Throws std::bad_alloc when memory runs out (a block then keeps a copy of its values).
    void exchangeMine(ByteRange run, std::uint8_t* values, std::uint8_t bits);
    // Each marked byte for which keep(offset) is false takes its first value as the user's.
    // Throws std::bad_alloc when memory runs out (a block then keeps a copy of its values).
    template <class Keep>
    void firstAsMine(Keep keep);
    // Unmarks the bytes of run but those kept by keepWritten; a line left with none goes.
    // Asks for no memory.
    void unmarkRun(ByteRange run);
    // After a save that stopped part-way: the file now holds, under the marked bytes before
    // end, the view's bytes, which read(lineStart, values) gives for a line (false when they
    // cannot be read). They become those bytes' first values, and the bytes stay marked until
    // clear whatever unmarkRun is asked, so that the next save writes them whatever undo and
    // redo do meanwhile. Returns true when it kept any byte. Asks for no memory.
    bool keepWritten(std::int64_t end, const std::function<bool(std::int64_t, std::uint8_t*)>& read);
    // Makes room to mark every byte of begin .. end - 1 without the table growing, so that
    // marking them cannot fail. Throws std::bad_alloc, changing nothing, when memory runs out.
    void reserveRange(std::int64_t begin, std::int64_t end);
    // The same for every byte of runs (count of them, in increasing order, apart), all of
    // them together: marking them one after another, in order, cannot fail.
    void reserveRuns(const ByteRange* runs, std::int64_t count);
    bool marked(std::int64_t offset) const;
    // Bit k set when byte row * 16 + k is marked: the painter's question, one lookup a row
    // in a block, one a byte in a page of lone bytes.
    std::uint16_t rowMask(std::int64_t row) const;
    // Prefetches what rowMask reads for rows first .. end - 1 (see FlatTable::prefetch).
    void prefetchRows(std::int64_t first, std::int64_t end) const;
    // The start of every 64-byte line holding a marked byte, in increasing order. Throws
    // std::bad_alloc when memory runs out.
    std::vector<std::int64_t> changedLines() const;
    bool empty() const { return count() == 0; }
    void clear();
    // Marked bytes in all.
    std::int64_t count() const { return markedInBlocks_ + static_cast<std::int64_t>(lone_.size()); }

    // The runs of marked bytes in increasing order, each as long as it goes: two runs come
    // out as one only where they touch. Throws std::bad_alloc when memory runs out.
    std::vector<ByteRange> ranges() const;

    // True when some byte of run (marked bytes only) is in current neither as it was
    // before its first change nor as ours holds it: someone else wrote it since. current
    // and ours hold the run's bytes, current[0] and ours[0] being byte run.begin.
    bool changedByOthers(ByteRange run, const std::uint8_t* current, const std::uint8_t* ours) const;

    std::size_t memoryBytes() const;

    // The view (the document's) whose pages may hold the user's values of a block in the
    // record's stead, where it keeps them (keepViewPages); null: none, every block keeps
    // its own copy. Set again whenever the document maps another view.
    void keepMineIn(ViewBytes* view) {
        view_ = view;
        keptSpans_ = 0;
    }
    // After the view was replaced (a merge with another program's file), with the user's
    // values of every block held here: the blocks whose pages the new view keeps let go of
    // their copies. Asks for no memory that it cannot do without.
    void releaseMine();
    // Every block takes a copy of the user's values from the view (before the view is
    // replaced). Throws std::bad_alloc when memory runs out; the blocks that took theirs
    // keep them.
    void holdMine();

    // A page marked in a block once this many of its bytes would be marked.
    static constexpr std::int64_t promoteBytes = 512;
    static constexpr std::int64_t pageBytes = 4096;

private:
    // A page of changed bytes: bit k of mask[k / 64] set when byte page * 4096 + k is marked,
    // of kept when keepWritten keeps it, first and mine its two values.
    struct Block {
        std::int64_t page = 0;
        std::int64_t marked = 0;  // bits set in mask
        std::array<std::uint64_t, pageBytes / 64> mask{}, kept{};
        std::array<std::uint8_t, pageBytes> first{};
        // The user's values; none while the view keeps the page (the view's bytes are they).
        std::unique_ptr<std::array<std::uint8_t, pageBytes>> mine;
    };
    // A lone byte's slot: offset << 17 | kept << 16 | first << 8 | mine.
    static constexpr std::uint64_t keptBit = std::uint64_t{1} << 16;
    static std::uint8_t firstOf(std::uint64_t slot) { return static_cast<std::uint8_t>(slot >> 8); }
    static std::uint8_t mineOf(std::uint64_t slot) { return static_cast<std::uint8_t>(slot); }
    static void putMineIn(std::uint64_t& slot, std::uint8_t value) {
        slot = (slot & ~std::uint64_t{0xFF}) | value;
    }

    Block* blockAt(std::int64_t page) const;
    std::int64_t loneIn(std::int64_t page) const;
    // Makes page's block, moving its lone bytes into it. Throws std::bad_alloc, changing
    // nothing, when memory runs out.
    Block& promote(std::int64_t page, bool viewKeeps);
    // True when the view keeps its pages firstPage .. endPage - 1 whatever becomes of the
    // file, made to where it can be (keepViewPages).
    bool viewKeeps(std::int64_t firstPage, std::int64_t endPage);
    // The block's own copy of the user's values, taken from the view when it had none.
    // Throws std::bad_alloc when memory runs out.
    std::array<std::uint8_t, pageBytes>& holdMine(Block& block);
    void dropBlock(Block& block);
    // Calls visit(page, from, to, at) for each page piece of run: bytes from .. to - 1 of
    // the page, at the run's index of byte from.
    template <class Visit>
    static void forEachPiece(ByteRange run, Visit visit);
    // Calls visit(slot) for each lone byte of the piece whose slot is in the table.
    template <class Visit>
    void forEachLone(std::int64_t page, std::int64_t from, std::int64_t to, Visit visit);

    PackedTable<17, 4> lone_;  // lone changed bytes, the 16 of a row probed from one slot
    // page -> how many of its bytes are in lone_ (low 13 bits), and above them bit s set
    // when one of them was marked in the page's 256-byte stretch s since the page had none:
    // the painter looks for lone bytes only in those stretches.
    PackedTable<29> loneInPage_;
    FlatTable<std::uint32_t> blockOf_;  // page -> its index in blocks_
    std::vector<std::unique_ptr<Block>, RecordAllocator<std::unique_ptr<Block>>> blocks_;
    std::int64_t markedInBlocks_ = 0;
    ViewBytes* view_ = nullptr;
    std::int64_t heldMines_ = 0;  // blocks with their own copy of the user's values
    // Stretches of the view moved into memory of the process's own: each may split the
    // mapping, whose pieces the system counts against a limit of some tens of thousands.
    std::int64_t keptSpans_ = 0;
};

template <class Keep>
void ChangeMap::firstAsMine(Keep keep) {
    for (auto& block : blocks_)
        for (std::size_t word = 0; word < block->mask.size(); ++word)
            for (std::uint64_t left = block->mask[word]; left != 0; left &= left - 1) {
                const std::size_t k = word * 64 + static_cast<std::size_t>(std::countr_zero(left));
                if (!keep(block->page * pageBytes + static_cast<std::int64_t>(k)))
                    holdMine(*block)[k] = block->first[k];
            }
    lone_.forEach([&](std::uint64_t& slot) {
        if (!keep(PackedTable<17, 4>::keyOf(slot))) putMineIn(slot, firstOf(slot));
    });
}

}  // namespace quillix
