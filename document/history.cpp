#include "document/history.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "document/checked_view.h"
#include "document/document.h"

namespace quillix {

void History::FreeBytes::operator()(std::uint8_t* bytes) const { std::free(bytes); }

namespace {

// The change record follows the counts: a byte that becomes changed is marked with what
// the view held before the step moved (originals[i] is byte begin + i's), one that stops
// being changed is unmarked.
struct MarkChanges {
    ChangeMap& changes;
    std::int64_t begin;
    const std::uint8_t* originals;
    void operator()(ByteRange run, bool rising) const {
        if (rising)
            changes.markRun(run, originals + (run.begin - begin));
        else
            changes.unmarkRun(run);
    }
};

// Pieces a paste too large to undo is stored in: the old values of one piece at a time
// are all it needs to mark.
constexpr std::int64_t unkeptPieceBytes = std::int64_t{1} << 20;

}  // namespace

void History::clear() {
    forget();
    saveReachable_ = true;
    counts_.clear();
}

void History::saved() {
    counts_.clear();
    save_ = current_;
    saveReachable_ = true;
}

void History::forget() {
    steps_.clear();
    pastes_.clear();
    current_ = pastesBefore_ = save_ = 0;
    saveReachable_ = false;
    pasteBytes_ = 0;
}

void History::makeRoom(bool paste) {
    pushedStep_ = pushedPaste_ = false;
    if (current_ == steps_.size()) {
        steps_.emplace_back();
        pushedStep_ = true;
    }
    if (paste && pastesBefore_ == pastes_.size()) {
        pastes_.emplace_back();
        pushedPaste_ = true;
    }
}

void History::takeBack() {
    if (pushedPaste_) pastes_.pop_back();
    if (pushedStep_) steps_.pop_back();
    pushedStep_ = pushedPaste_ = false;
}

void History::dropRedoSteps(bool keepPasteSlot) {
    // Steps between the current point and the save point are about to go: what they
    // changed stays counted, and the save point, no longer reachable, is taken as here.
    if (save_ > current_) {
        save_ = current_;
        saveReachable_ = false;
    }
    while (steps_.size() > current_ + 1) steps_.pop_back();
    while (pastes_.size() > pastesBefore_ + (keepPasteSlot ? 1 : 0)) {
        pasteBytes_ -= static_cast<std::size_t>(pastes_.back().length);
        pastes_.pop_back();
    }
}

void History::dropOldest() {
    // The oldest step is before the current point. With the save point before it as well,
    // what it changed stays counted and the save point can no longer be reached.
    if (save_ == 0)
        saveReachable_ = false;
    else
        --save_;
    if (steps_.front().paste) {
        pasteBytes_ -= static_cast<std::size_t>(pastes_.front().length);
        pastes_.pop_front();
        --pastesBefore_;
    }
    steps_.pop_front();
    --current_;
}

void History::add(ChangeMap& changes, std::int64_t offset, std::uint8_t other, Bytes bytes, std::int64_t length,
                  const std::uint8_t* originals) {
    const bool paste = bytes != nullptr;
    dropRedoSteps(paste);
    steps_[current_] = Step{offset, other, paste};
    if (paste) {
        Paste& slot = pastes_[pastesBefore_];
        pasteBytes_ -= static_cast<std::size_t>(slot.length);
        slot.length = length;
        slot.bytes = std::move(bytes);
        pasteBytes_ += static_cast<std::size_t>(length);
        ++pastesBefore_;
    }
    counts_.add(ByteRange{offset, offset + length}, countChange(current_, true),
                MarkChanges{changes, offset, originals});
    ++current_;
    pushedStep_ = pushedPaste_ = false;
    while (memoryBytes() > cap_ && steps_.size() > 1) dropOldest();
}

bool History::storeOne(Document& doc, std::int64_t offset, std::uint8_t value, ReadFault* fault) {
    const ByteRange range{offset, offset + 1};
    try {
        makeRoom(false);
        counts_.reserve(range);
        doc.changes.reserveRange(range.begin, range.end);
    } catch (const std::bad_alloc&) {
        takeBack();
        return false;
    }
    std::uint8_t previous = 0;
    ReadFault unreadable;
    if (!checkedStore(doc, offset, value, previous, unreadable)) {
        takeBack();
        if (fault) *fault = unreadable;
        return false;
    }
    add(doc.changes, offset, previous, nullptr, 1, &previous);
    return true;
}

bool History::storeMany(Document& doc, std::int64_t offset, const std::uint8_t* bytes, std::int64_t count,
                        ReadFault* fault, bool undoable) {
    if (count <= 0) return true;
    if (count == 1 && undoable) return storeOne(doc, offset, bytes[0], fault);
    const ByteRange range{offset, offset + count};
    ReadFault unreadable;
    const auto size = static_cast<std::size_t>(undoable ? count : std::min(count, unkeptPieceBytes));
    Bytes kept(allocationAllowed(size) ? static_cast<std::uint8_t*>(std::malloc(size)) : nullptr);
    if (!kept) return false;
    try {
        if (undoable) makeRoom(true);
        counts_.reserve(range);
        doc.changes.reserveRange(range.begin, range.end);
    } catch (const std::bad_alloc&) {
        counts_.tidy(range);
        takeBack();
        return false;
    }

    if (undoable) {
        std::memcpy(kept.get(), bytes, static_cast<std::size_t>(count));
        if (!checkedSwap(doc, offset, count, kept.get(), unreadable)) {
            counts_.tidy(range);
            takeBack();
            if (fault) *fault = unreadable;
            return false;
        }
        const std::uint8_t* originals = kept.get();
        add(doc.changes, offset, 0, std::move(kept), count, originals);
        return true;
    }

    // Too large to keep: the steps go, and the paste is stored piece by piece, the change
    // record taking each piece's old values. Storing makes a private copy of each page
    // from the file's, so a page the file no longer has refuses the paste first.
    if (findUnreadable(doc, offset, count, unreadable)) {
        counts_.tidy(range);
        if (fault) *fault = unreadable;
        return false;
    }
    forget();
    bool whole = true;
    for (std::int64_t at = offset; at < range.end;) {
        const std::int64_t piece = std::min(range.end - at, unkeptPieceBytes);
        std::memcpy(kept.get(), bytes + (at - offset), static_cast<std::size_t>(piece));
        // A page lost since the check above (the file was cut this instant) stops it there.
        if (!checkedSwap(doc, at, piece, kept.get(), unreadable)) {
            whole = false;
            break;
        }
        doc.changes.markRun(ByteRange{at, at + piece}, kept.get());
        at += piece;
    }
    // No step will take these bytes back: they stay counted until the next save.
    counts_.add(range, +1, [](ByteRange, bool) {});
    if (!whole && fault) *fault = unreadable;
    return whole;
}

StepOutcome History::undo(Document& doc, ByteRange& touched, ReadFault& fault) {
    if (!canUndo()) return StepOutcome::nothing;
    const StepOutcome outcome = move(doc, current_ - 1, false, touched, fault);
    if (outcome != StepOutcome::done) return outcome;
    if (steps_[current_ - 1].paste) --pastesBefore_;
    --current_;
    return outcome;
}

StepOutcome History::redo(Document& doc, ByteRange& touched, ReadFault& fault) {
    if (!canRedo()) return StepOutcome::nothing;
    const StepOutcome outcome = move(doc, current_, true, touched, fault);
    if (outcome != StepOutcome::done) return outcome;
    if (steps_[current_].paste) ++pastesBefore_;
    ++current_;
    return outcome;
}

StepOutcome History::move(Document& doc, std::size_t index, bool forward, ByteRange& touched, ReadFault& fault) {
    Step& step = steps_[index];
    Paste* paste = step.paste ? &pastes_[forward ? pastesBefore_ : pastesBefore_ - 1] : nullptr;
    const ByteRange range{step.offset, step.offset + (paste ? paste->length : 1)};
    const int delta = countChange(index, forward);
    try {
        counts_.reserve(range);
        if (delta > 0) doc.changes.reserveRange(range.begin, range.end);
    } catch (const std::bad_alloc&) {
        counts_.tidy(range);
        return StepOutcome::noMemory;
    }
    if (paste) {
        if (!checkedSwap(doc, range.begin, paste->length, paste->bytes.get(), fault)) {
            counts_.tidy(range);
            return StepOutcome::unreadable;
        }
    } else {
        std::uint8_t previous = 0;
        if (!checkedStore(doc, step.offset, step.other, previous, fault)) return StepOutcome::unreadable;
        step.other = previous;
    }
    counts_.add(range, delta, MarkChanges{doc.changes, range.begin, paste ? paste->bytes.get() : &step.other});
    touched = range;
    return StepOutcome::done;
}

}  // namespace quillix
