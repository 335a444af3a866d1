#include "document/history/history.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "document/file/checked_view.h"
#include "host/progress.h"

namespace quillix {

void History::FreeBytes::operator()(std::uint8_t* bytes) const { std::free(bytes); }

namespace {

// The change record follows the counts: a byte that becomes changed is marked with what
// the view held before the step moved and what it holds after (originals[i] and values[i]
// are byte begin + i's), one that stops being changed is unmarked.
struct MarkChanges {
    ChangeMap& changes;
    std::int64_t begin;
    const std::uint8_t* originals;
    const std::uint8_t* values;
    void operator()(ByteRange run, bool rising) const {
        if (rising)
            changes.markRun(run, originals + (run.begin - begin), values + (run.begin - begin));
        else
            changes.unmarkRun(run);
    }
};

// Room for count bytes through the record allocator's check, or null.
std::uint8_t* allocateBytes(std::int64_t count) {
    const auto size = static_cast<std::size_t>(count);
    return allocationAllowed(size) ? static_cast<std::uint8_t*>(std::malloc(size)) : nullptr;
}

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

void History::add(ChangeMap& changes, std::int64_t offset, std::uint8_t other, std::uint8_t bits, Bytes bytes,
                  std::int64_t length, const std::uint8_t* originals, const std::uint8_t* values) {
    const bool paste = bytes != nullptr;
    dropRedoSteps(paste);
    steps_[current_] = Step{offset, other, paste, bits};
    if (paste) {
        Paste& slot = pastes_[pastesBefore_];
        pasteBytes_ -= static_cast<std::size_t>(slot.length);
        slot.length = length;
        slot.bytes = std::move(bytes);
        pasteBytes_ += static_cast<std::size_t>(length);
        ++pastesBefore_;
    }
    if (originals) {
        // A byte marked already takes its new value here, one marked now as it is marked.
        changes.setMine(ByteRange{offset, offset + length}, values);
        counts_.add(ByteRange{offset, offset + length}, countChange(current_, true),
                    MarkChanges{changes, offset, originals, values});
    } else
        counts_.add(ByteRange{offset, offset + length}, countChange(current_, true), [](ByteRange, bool) {});
    ++current_;
    pushedStep_ = pushedPaste_ = false;
    while (memoryBytes() > cap_ && steps_.size() > 1) dropOldest();
}

bool History::storeOne(ViewBytes& view, ChangeMap& changes, std::int64_t offset, std::uint8_t value,
                       std::uint8_t bits, ReadFault* fault) {
    const ByteRange range{offset, offset + 1};
    try {
        makeRoom(false);
        counts_.reserve(range);
        changes.reserveRange(range.begin, range.end);
    } catch (const std::bad_alloc&) {
        takeBack();
        return false;
    }
    std::uint8_t previous = 0;
    ReadFault unreadable;
    if (!checkedStore(view, offset, value, previous, unreadable)) {
        takeBack();
        if (fault) *fault = unreadable;
        return false;
    }
    add(changes, offset, previous, bits, nullptr, 1, &previous, &value);
    return true;
}

std::int64_t History::storeMany(ViewBytes& view, ChangeMap& changes, std::int64_t offset, std::int64_t count,
                                const ByteFeed& feed, const PasteControl& control, ReadFault* fault) {
    if (count <= 0) return 0;
    const bool undoable = control.undoable;
    if (count == 1 && undoable) {
        if (control.progress && !keepGoing(*control.progress, 0)) return 0;
        std::uint8_t value = 0;
        feed.read(feed.context, 0, 1, &value);
        return storeOne(view, changes, offset, value, 0xFF, fault) ? 1 : 0;
    }
    // A paste stops only at the end of a chunk, and a stored part of one byte would be
    // counted as a typed step: chunks of two bytes at least.
    PasteControl chunked = control;
    chunked.chunkBytes = std::max<std::int64_t>(control.chunkBytes, 2);
    const std::int64_t chunk = chunked.chunkBytes;
    Bytes kept(allocateBytes(undoable ? count : std::min(count, chunk)));
    Bytes incoming(kept ? allocateBytes(std::min(count, chunk)) : nullptr);
    if (!incoming) return 0;
    // Every chunk's end is where the paste may stop, so the counts get a key at each now,
    // while running out of memory still changes nothing; tidy takes the unused ones away.
    const auto eachStop = [&](auto visit) {
        for (std::int64_t end = offset; end < offset + count;) {
            end = std::min(end + chunk, offset + count);
            visit(ByteRange{offset, end});
        }
    };
    const auto tidy = [&] { eachStop([&](ByteRange part) { counts_.tidy(part); }); };
    try {
        if (undoable) makeRoom(true);
        eachStop([&](ByteRange part) { counts_.reserve(part); });
        changes.reserveRange(offset, offset + count);
    } catch (const std::bad_alloc&) {
        tidy();
        takeBack();
        return 0;
    }
    ReadFault unreadable;
    const std::int64_t stored =
        storeChunks(view, changes, offset, count, feed, chunked, kept.get(), incoming.get(), unreadable);
    if (unreadable.happened() && fault) *fault = unreadable;
    if (stored == 0) {
        tidy();
        takeBack();
        return 0;
    }
    if (!undoable) {
        // No step will take these bytes back: they stay counted until the next save.
        counts_.add(ByteRange{offset, offset + stored}, +1, [](ByteRange, bool) {});
    } else {
        // A stopped paste's step keeps only what it stored.
        if (stored < count)
            if (void* smaller = std::realloc(kept.get(), static_cast<std::size_t>(stored))) {
                static_cast<void>(kept.release());
                kept.reset(static_cast<std::uint8_t*>(smaller));
            }
        add(changes, offset, 0, 0xFF, std::move(kept), stored, nullptr, nullptr);
    }
    tidy();
    return stored;
}

std::int64_t History::storeChunks(ViewBytes& view, ChangeMap& changes, std::int64_t offset,
                                  std::int64_t count, const ByteFeed& feed, const PasteControl& control,
                                  std::uint8_t* kept, std::uint8_t* incoming, ReadFault& fault) {
    std::int64_t stored = 0;
    while (stored < count) {
        if (control.progress && !keepGoing(*control.progress, stored)) break;
        if (stored == 0 && !control.undoable) {
            // Storing makes a private copy of each page from the file's: a page the file
            // no longer has refuses the paste before the steps go.
            if (findUnreadable(view, offset, count, fault)) break;
            forget();
        }
        const std::int64_t piece = std::min(control.chunkBytes, count - stored);
        std::uint8_t* values = control.undoable ? kept + stored : kept;
        feed.read(feed.context, stored, piece, values);
        std::memcpy(incoming, values, static_cast<std::size_t>(piece));
        // A page that cannot be read (for a paste that keeps no step, one lost since it
        // was tried: the file was cut this instant) stops it there, its chunk unchanged.
        if (!checkedSwap(view, offset + stored, piece, values, fault)) break;
        changes.markRun(ByteRange{offset + stored, offset + stored + piece}, values, incoming);
        stored += piece;
    }
    return stored;
}

StepOutcome History::undo(ViewBytes& view, ChangeMap& changes, ByteRange& touched, ReadFault& fault) {
    if (!canUndo()) return StepOutcome::nothing;
    const StepOutcome outcome = move(view, changes, current_ - 1, false, touched, fault);
    if (outcome != StepOutcome::done) return outcome;
    if (steps_[current_ - 1].paste) --pastesBefore_;
    --current_;
    return outcome;
}

StepOutcome History::redo(ViewBytes& view, ChangeMap& changes, ByteRange& touched, ReadFault& fault) {
    if (!canRedo()) return StepOutcome::nothing;
    const StepOutcome outcome = move(view, changes, current_, true, touched, fault);
    if (outcome != StepOutcome::done) return outcome;
    if (steps_[current_].paste) ++pastesBefore_;
    ++current_;
    return outcome;
}

ByteRange History::stepRange(bool back) const {
    if (back ? !canUndo() : !canRedo()) return {};
    const Step& step = steps_[back ? current_ - 1 : current_];
    const std::int64_t length = step.paste ? pastes_[back ? pastesBefore_ - 1 : pastesBefore_].length : 1;
    return {step.offset, step.offset + length};
}

StepOutcome History::move(ViewBytes& view, ChangeMap& changes, std::size_t index, bool forward,
                          ByteRange& touched, ReadFault& fault) {
    Step& step = steps_[index];
    Paste* paste = step.paste ? &pastes_[forward ? pastesBefore_ : pastesBefore_ - 1] : nullptr;
    const ByteRange range{step.offset, step.offset + (paste ? paste->length : 1)};
    const int delta = countChange(index, forward);
    // What the step puts into the view, for the change record once it is there.
    Bytes incoming(paste ? allocateBytes(paste->length) : nullptr);
    if (paste && !incoming) return StepOutcome::noMemory;
    std::uint8_t value = 0;
    try {
        counts_.reserve(range);
        if (delta > 0) changes.reserveRange(range.begin, range.end);
    } catch (const std::bad_alloc&) {
        counts_.tidy(range);
        return StepOutcome::noMemory;
    }
    if (paste) {
        std::memcpy(incoming.get(), paste->bytes.get(), static_cast<std::size_t>(paste->length));
        if (!checkedSwap(view, range.begin, paste->length, paste->bytes.get(), fault)) {
            counts_.tidy(range);
            return StepOutcome::unreadable;
        }
    } else {
        // Only the step's own bits go in: the others may be another program's by now.
        std::uint8_t previous = 0;
        if (!checkedCopy(view, step.offset, 1, &previous, fault)) return StepOutcome::unreadable;
        value = static_cast<std::uint8_t>((previous & ~step.bits) | (step.other & step.bits));
        if (!checkedStore(view, step.offset, value, previous, fault)) return StepOutcome::unreadable;
        step.other = previous;
    }
    const std::uint8_t* values = paste ? incoming.get() : &value;
    changes.setMine(range, values);
    counts_.add(range, delta,
                MarkChanges{changes, range.begin, paste ? paste->bytes.get() : &step.other, values});
    touched = range;
    return StepOutcome::done;
}

template <class Visit>
void History::forEachBetween(bool toSave, Visit visit) {
    const bool ahead = save_ > current_;  // the steps between are undone
    const std::size_t low = std::min(save_, current_), high = std::max(save_, current_);
    std::size_t pastesBetween = 0;
    for (std::size_t i = low; i < high; ++i) pastesBetween += steps_[i].paste;
    std::size_t paste = ahead ? pastesBefore_ : pastesBefore_ - pastesBetween;  // pastes before low
    if (toSave == ahead) {
        for (std::size_t i = low; i < high; ++i)
            visit(steps_[i], steps_[i].paste ? &pastes_[paste++] : nullptr);
    } else {
        paste += pastesBetween;
        for (std::size_t i = high; i-- > low;)
            visit(steps_[i], steps_[i].paste ? &pastes_[--paste] : nullptr);
    }
}

void History::rebase(ChangeMap& changes) {
    // Which changed bytes stay changed at the save point: those steps no longer kept left
    // changed. Their count there is their count now less that of the steps between.
    StepCounts between;
    if (!saveReachable_)
        forEachBetween(true, [&](const Step& step, const Paste* paste) {
            const ByteRange range{step.offset, step.offset + (paste ? paste->length : 1)};
            between.reserve(range);
            between.add(range, +1, [](ByteRange, bool) {});
        });
    const auto exchange = [&](Step& step, Paste* paste) {
        if (paste)
            changes.exchangeMine({step.offset, step.offset + paste->length}, paste->bytes.get(), 0xFF);
        else
            changes.exchangeMine({step.offset, step.offset + 1}, &step.other, step.bits);
    };
    // The user's values go back to the saved state, become the file's there, and come
    // forward again over it.
    forEachBetween(true, exchange);
    changes.firstAsMine([&](std::int64_t offset) {
        return !saveReachable_ && counts_.countAt(offset) > between.countAt(offset);
    });
    forEachBetween(false, exchange);
}

}  // namespace quillix
