#pragma once
// Which bytes of the view differ from the file they will be saved into: the bytes a step
// between the save point and the current point of the history touched (history.h), each
// with the value it held before it became changed and the value the user gave it, and the
// bytes a save in place wrote before it failed or stopped (keepWritten). A save writes
// exactly these bytes; the painter shows them red.
//
// The user's values are kept here as well as in the view: the view is a mapping of the
// file, and another program can take pages of it away (a file cut shorter drops the
// private copies past the cut) or change what the view shows beside an edit. With both
// values per changed byte the document can always be made again as the file as it is
// now plus the user's bytes (outside_change.h).
//
// Bytes are kept by 64-byte lines in a hash table: nothing at all for a line without a
// change, two masks and the line's first and current values for one with any (at most
// 304 bytes with the table's slack). A million typed bytes in one region take a few MiB.

#include <array>
#include <bit>
#include <cstdint>
#include <functional>
#include <vector>

#include "document/file/view_bytes.h"
#include "document/history/flat_table.h"

namespace quillix {

// One 64-byte line of the record: which of its bytes are changed, what each of those held
// when it was first changed, and what it holds now.
struct ChangedLine {
    std::uint64_t mask = 0;                // bit k: byte line * 64 + k is changed
    std::uint64_t kept = 0;                // bits of mask no unmarking clears (keepWritten)
    std::array<std::uint8_t, 64> first{};  // byte k's value before its first change
    std::array<std::uint8_t, 64> mine{};   // byte k's value now, as the user made it
};

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
    void exchangeMine(ByteRange run, std::uint8_t* values, std::uint8_t bits);
    // Each marked byte for which keep(offset) is false takes its first value as the user's.
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
    bool marked(std::int64_t offset) const;
    // Bit k set when byte row * 16 + k is marked: the painter's question, one lookup a row.
    std::uint16_t rowMask(std::int64_t row) const;
    // Prefetches what rowMask reads for rows first .. end - 1 (see FlatTable::prefetch).
    void prefetchRows(std::int64_t first, std::int64_t end) const;
    // The line of 64 bytes starting at lineStart (a multiple of lineBytes), or null when
    // none of its bytes is marked. Reads the table only: safe inside a guarded pass.
    const ChangedLine* lineAt(std::int64_t lineStart) const { return lines_.find(lineStart / lineBytes); }
    // Calls visit(lineStart) for every line holding a marked byte, in no particular order.
    template <class Visit>
    void forEachLine(Visit visit) const {
        lines_.forEach([&](std::int64_t line, const ChangedLine&) { visit(line * lineBytes); });
    }
    std::size_t lineCount() const { return lines_.size(); }
    bool empty() const { return lines_.size() == 0; }
    void clear() { lines_.clear(); }
    // Marked bytes in all.
    std::int64_t count() const;

    // The runs of marked bytes in increasing order, each as long as it goes: two runs come
    // out as one only where they touch. Throws std::bad_alloc when memory runs out.
    std::vector<ByteRange> ranges() const;

    // True when some byte of run (marked bytes only) is in current neither as it was
    // before its first change nor as ours holds it: someone else wrote it since. current
    // and ours hold the run's bytes, current[0] and ours[0] being byte run.begin.
    bool changedByOthers(ByteRange run, const std::uint8_t* current, const std::uint8_t* ours) const;

    std::size_t memoryBytes() const { return lines_.memoryBytes(); }

private:
    FlatTable<ChangedLine> lines_;  // line (offset / 64) -> its changed bytes
};

template <class Keep>
void ChangeMap::firstAsMine(Keep keep) {
    lines_.forEach([&](std::int64_t line, ChangedLine& changed) {
        for (std::uint64_t left = changed.mask; left != 0; left &= left - 1) {
            const int k = std::countr_zero(left);
            if (!keep(line * lineBytes + k))
                changed.mine[static_cast<std::size_t>(k)] = changed.first[static_cast<std::size_t>(k)];
        }
    });
}

}  // namespace quillix
