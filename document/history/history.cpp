#include "document/history/history.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "document/file/checked_view.h"
#include "document/file/view_pages.h"
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

// Bytes a store takes from its feed into the view at a time: a few pages, which stay in
// the nearest caches between the feed, the view and the record.
constexpr std::int64_t storePieceBytes = 16 << 10;

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
        pasteBytes_ -= pastes_.back().memory();
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
        pasteBytes_ -= pastes_.front().memory();
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
        pasteBytes_ -= slot.memory();
        slot.length = length;
        slot.bytes = std::move(bytes);
        slot.runs.clear();
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

template <class Reserve, class Tidy, class Store>
std::int64_t History::storeFramed(bool step, Reserve reserve, Tidy tidy, Store store) {
    try {
        if (step) makeRoom(true);
        reserve();
    } catch (const std::bad_alloc&) {
        tidy();
        takeBack();
        return 0;
    }
    const std::int64_t stored = store();
    if (stored == 0) takeBack();
    tidy();
    return stored;
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
    if (!kept) return 0;
    // Every chunk's end is where the paste may stop, so the counts get a key at each now,
    // while running out of memory still changes nothing; tidy takes the unused ones away.
    const auto eachStop = [&](auto visit) {
        for (std::int64_t end = offset; end < offset + count;) {
            end = std::min(end + chunk, offset + count);
            visit(ByteRange{offset, end});
        }
    };
    ReadFault unreadable;
    const std::int64_t stored = storeFramed(
        undoable,
        [&] {
            eachStop([&](ByteRange part) { counts_.reserve(part); });
            changes.reserveRange(offset, offset + count);
        },
        [&] { eachStop([&](ByteRange part) { counts_.tidy(part); }); },
        [&] {
            const std::int64_t stored =
                storeChunks(view, changes, offset, count, feed, chunked, kept.get(), unreadable);
            if (stored == 0) return stored;
            if (!undoable) {
                // No step will take these bytes back: they stay counted until the next save.
                counts_.add(ByteRange{offset, offset + stored}, +1, [](ByteRange, bool) {});
                return stored;
            }
            // A stopped paste's step keeps only what it stored.
            if (stored < count)
                if (void* smaller = std::realloc(kept.get(), static_cast<std::size_t>(stored))) {
                    static_cast<void>(kept.release());
                    kept.reset(static_cast<std::uint8_t*>(smaller));
                }
            add(changes, offset, 0, 0xFF, std::move(kept), stored, nullptr, nullptr);
            return stored;
        });
    if (unreadable.happened() && fault) *fault = unreadable;
    return stored;
}

std::int64_t History::storeChunks(ViewBytes& view, ChangeMap& changes, std::int64_t offset,
                                  std::int64_t count, const ByteFeed& feed, const PasteControl& control,
                                  std::uint8_t* kept, ReadFault& fault) {
    std::uint8_t values[storePieceBytes];
    std::int64_t stored = 0;
    while (stored < count) {
        if (control.progress && !keepGoing(*control.progress, stored)) break;
        if (stored == 0 && !control.undoable) {
            // Storing makes a private copy of each page from the file's: a page the file
            // no longer has refuses the paste before the steps go.
            if (findUnreadable(view, offset, count, fault)) break;
            forget();
        }
        const std::int64_t length = std::min(control.chunkBytes, count - stored);
        std::uint8_t* before = control.undoable ? kept + stored : kept;
        // The chunk a piece at a time, each piece's new values fed into values, stored and
        // marked while they are in the nearest caches.
        std::int64_t done = 0;
        for (std::int64_t piece = 0; done < length; done += piece) {
            piece = std::min(storePieceBytes, length - done);
            const ByteRange range{offset + stored + done, offset + stored + done + piece};
            changes.prefetchRows(range.end / 16, (range.end + 2 * storePieceBytes) / 16);
            feed.read(feed.context, stored + done, piece, values);
            if (!checkedReplace(view, range.begin, piece, values, before + done, fault)) break;
            changes.markRun(range, before + done, values);
        }
        if (done < length) {
            // A page that cannot be read (for a paste that keeps no step, one lost since it
            // was tried: the file was cut this instant) stops it there, its chunk unchanged:
            // the pieces stored go back, and their marks with them.
            ReadFault ignored;
            for (std::int64_t back = 0, piece = 0; back < done; back += piece) {
                piece = std::min(storePieceBytes, done - back);
                std::memcpy(values, before + back, static_cast<std::size_t>(piece));
                checkedReplace(view, offset + stored + back, piece, values, before + back, ignored);
                unmarkUncounted(changes, {offset + stored + back, offset + stored + back + piece}, values);
            }
            break;
        }
        stored += length;
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
    if (!step.paste) return {step.offset, step.offset + 1};
    const Paste& paste = pastes_[back ? pastesBefore_ - 1 : pastesBefore_];
    if (!paste.runs.empty()) return {paste.runs.front().begin, paste.runs.back().end};
    return {step.offset, step.offset + paste.length};
}

StepOutcome History::move(ViewBytes& view, ChangeMap& changes, std::size_t index, bool forward,
                          ByteRange& touched, ReadFault& fault) {
    Step& step = steps_[index];
    Paste* paste = step.paste ? &pastes_[forward ? pastesBefore_ : pastesBefore_ - 1] : nullptr;
    if (paste && !paste->runs.empty()) return moveRuns(view, changes, index, *paste, forward, touched, fault);
    const ByteRange range{step.offset, step.offset + (paste ? paste->length : 1)};
    const int delta = countChange(index, forward);
    try {
        counts_.reserve(range);
        if (delta > 0) changes.reserveRange(range.begin, range.end);
    } catch (const std::bad_alloc&) {
        counts_.tidy(range);
        return StepOutcome::noMemory;
    }
    if (!paste) {
        // Only the step's own bits go in: the others may be another program's by now.
        std::uint8_t previous = 0;
        if (!checkedCopy(view, step.offset, 1, &previous, fault)) return StepOutcome::unreadable;
        const auto value = static_cast<std::uint8_t>((previous & ~step.bits) | (step.other & step.bits));
        if (!checkedStore(view, step.offset, value, previous, fault)) return StepOutcome::unreadable;
        step.other = previous;
        changes.setMine(range, &value);
        counts_.add(range, delta, MarkChanges{changes, range.begin, &step.other, &value});
        touched = range;
        return StepOutcome::done;
    }
    // A piece at a time through values, which the nearest caches keep: the step's bytes go
    // into the view and the view's into the step, and the record follows. Moving into the
    // stretch from the save point marks every byte (a byte marked already gets its new value;
    // the counts of one cannot be 0), moving out of it gives them their values and then
    // unmarks the bytes no step counts any more.
    std::uint8_t values[storePieceBytes];
    std::uint8_t* kept = paste->bytes.get();
    std::int64_t done = 0;
    for (std::int64_t piece = 0; done < paste->length; done += piece) {
        piece = std::min(storePieceBytes, paste->length - done);
        const ByteRange part{range.begin + done, range.begin + done + piece};
        std::memcpy(values, kept + done, static_cast<std::size_t>(piece));
        if (!checkedReplace(view, part.begin, piece, values, kept + done, fault)) {
            std::memcpy(kept + done, values, static_cast<std::size_t>(piece));
            break;
        }
        if (delta > 0)
            changes.markRun(part, kept + done, values);
        else
            changes.setMine(part, values);
    }
    if (done < paste->length) {
        // A page that cannot be read: the pieces moved go back, and the record's values with them.
        ReadFault ignored;
        for (std::int64_t back = 0, piece = 0; back < done; back += piece) {
            piece = std::min(storePieceBytes, done - back);
            const ByteRange part{range.begin + back, range.begin + back + piece};
            std::memcpy(values, kept + back, static_cast<std::size_t>(piece));
            checkedReplace(view, part.begin, piece, values, kept + back, ignored);
            if (delta > 0)
                unmarkUncounted(changes, part, values);
            else
                changes.setMine(part, values);
        }
        counts_.tidy(range);
        return StepOutcome::unreadable;
    }
    counts_.add(range, delta, [&](ByteRange run, bool rising) {
        if (!rising) changes.unmarkRun(run);
    });
    touched = range;
    return StepOutcome::done;
}

template <class Visit>
void History::forEachStretch(Step& step, Paste* paste, Visit visit) {
    if (!paste) return visit(ByteRange{step.offset, step.offset + 1}, &step.other);
    if (paste->runs.empty())
        return visit(ByteRange{step.offset, step.offset + paste->length}, paste->bytes.get());
    std::uint8_t* kept = paste->bytes.get();
    for (const ByteRange& run : paste->runs) {
        visit(run, kept);
        kept += run.end - run.begin;
    }
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
        forEachBetween(true, [&](Step& step, Paste* paste) {
            forEachStretch(step, paste, [&](ByteRange range, std::uint8_t*) {
                between.reserve(range);
                between.add(range, +1, [](ByteRange, bool) {});
            });
        });
    const auto exchange = [&](Step& step, Paste* paste) {
        forEachStretch(step, paste, [&](ByteRange range, std::uint8_t* kept) {
            changes.exchangeMine(range, kept, paste ? 0xFF : step.bits);
        });
    };
    // The user's values go back to the saved state, become the file's there, and come
    // forward again over it.
    forEachBetween(true, exchange);
    changes.firstAsMine([&](std::int64_t offset) {
        return !saveReachable_ && counts_.countAt(offset) > between.countAt(offset);
    });
    forEachBetween(false, exchange);
}

namespace {

// Exchanges the view's bytes of runs first .. runCount - 1 with other (their bytes one
// after another), counting in done the runs and in part the bytes of the next run
// exchanged: a guarded pass may be cut off at any byte, and what was exchanged by then is
// known to put back.
struct RunSwap {
    ViewBytes& view;
    const ByteRange* runs;
    std::int64_t first, runCount;
    std::uint8_t* other;
    std::int64_t done = 0, part = 0;
    void operator()() {
        std::uint8_t* at = other;
        for (done = first; done < runCount; ++done) {
            std::uint8_t* bytes = view.fileBytes + runs[done].begin;
            const std::int64_t length = runs[done].end - runs[done].begin;
            for (part = 0; part < length; ++part) std::swap(bytes[part], at[part]);
            at += length;
            part = 0;
        }
    }
};

// Puts back what a cut-off RunSwap exchanged: runs first .. done - 1 whole, and `part`
// bytes of the next. Those pages were read a moment ago.
void putBack(RunSwap& swap, std::int64_t wholeRuns) {
    std::uint8_t* at = swap.other;
    for (std::int64_t r = swap.first; r < swap.done; ++r) at += swap.runs[r].end - swap.runs[r].begin;
    const std::int64_t part = swap.part;
    ReadFault again;
    if (part > 0) {
        ByteRange partial{swap.runs[swap.done].begin, swap.runs[swap.done].begin + part};
        RunSwap back{swap.view, &partial, 0, 1, at};
        checkedRun(swap.view, back, again);
    }
    if (wholeRuns > swap.first) {
        RunSwap back{swap.view, swap.runs, swap.first, wholeRuns, swap.other};
        checkedRun(swap.view, back, again);
    }
}

// The end of the group of runs from first: runs up to a chunk's bytes, one at least;
// bytes gets the group's bytes.
std::int64_t groupEnd(const ByteRange* runs, std::int64_t first, std::int64_t runCount,
                      std::int64_t chunkBytes, std::int64_t& bytes) {
    std::int64_t end = first;
    bytes = 0;
    while (end < runCount && (end == first || bytes < chunkBytes))
        bytes += runs[end].end - runs[end].begin, ++end;
    return end;
}

}  // namespace

std::int64_t History::storeRuns(ViewBytes& view, ChangeMap& changes, const ByteRange* runs,
                                std::int64_t runCount, const ByteFeed& feed, const PasteControl& control,
                                ReadFault* fault) {
    if (runCount <= 0) return 0;
    std::int64_t total = 0, groupMost = 0;
    for (std::int64_t r = 0, bytes = 0; r < runCount; total += bytes) {
        r = groupEnd(runs, r, runCount, control.chunkBytes, bytes);
        groupMost = std::max(groupMost, bytes);
    }
    Bytes kept(allocateBytes(total));
    Bytes incoming(kept ? allocateBytes(groupMost) : nullptr);
    if (!incoming) return 0;
    std::vector<ByteRange, RecordAllocator<ByteRange>> list;
    ReadFault unreadable;
    const std::int64_t stored = storeFramed(
        true,
        [&] {
            list.assign(runs, runs + runCount);
            counts_.reserveRuns(runs, runCount);
            changes.reserveRuns(runs, runCount);
        },
        [&] { counts_.tidyRuns(runs, runCount); },
        [&] {
            const std::int64_t stored = storeRunGroups(view, changes, runs, runCount, feed, control,
                                                       kept.get(), incoming.get(), unreadable);
            if (stored == 0) return stored;
            list.resize(static_cast<std::size_t>(stored));
            std::int64_t length = 0;
            for (const ByteRange& run : list) length += run.end - run.begin;
            addRuns(std::move(kept), std::move(list), length);
            return stored;
        });
    if (unreadable.happened() && fault) *fault = unreadable;
    return stored;
}

std::int64_t History::storeRunGroups(ViewBytes& view, ChangeMap& changes, const ByteRange* runs,
                                     std::int64_t runCount, const ByteFeed& feed, const PasteControl& control,
                                     std::uint8_t* kept, std::uint8_t* incoming, ReadFault& fault) {
    std::int64_t stored = 0;
    std::int64_t offset = 0;  // of the next run's bytes in kept
    while (stored < runCount) {
        if (control.progress && !keepGoing(*control.progress, runs[stored].begin - runs[0].begin)) break;
        std::int64_t bytes = 0;
        std::int64_t end = groupEnd(runs, stored, runCount, control.chunkBytes, bytes);
        std::int64_t at = 0;
        for (std::int64_t r = stored; r < end; ++r) {
            const std::int64_t length = runs[r].end - runs[r].begin;
            feed.read(feed.context, runs[r].begin, length, incoming + at);
            at += length;
        }
        std::memcpy(kept + offset, incoming, static_cast<std::size_t>(bytes));
        // Runs all over a file would otherwise make the view's pages private a fault each.
        prepareViewStores(view, runs + stored, end - stored);
        RunSwap swap{view, runs, stored, end, kept + offset};
        const bool whole = checkedRun(view, swap, fault);
        if (!whole) {
            // The runs exchanged whole stay; the one the fault cut off goes back.
            swap.first = swap.done;
            swap.other = kept + offset;
            for (std::int64_t r = stored; r < swap.done; ++r) swap.other += runs[r].end - runs[r].begin;
            putBack(swap, swap.done);
            end = swap.done;
        }
        // Room for every run's marks was made before the first went in.
        at = 0;
        for (std::int64_t r = stored; r < end; ++r) {
            changes.markRun(runs[r], kept + offset + at, incoming + at);
            at += runs[r].end - runs[r].begin;
        }
        offset += at;
        stored = end;
        if (!whole) break;
    }
    return stored;
}

void History::addRuns(Bytes bytes, std::vector<ByteRange, RecordAllocator<ByteRange>> runs,
                      std::int64_t length) {
    dropRedoSteps(true);
    steps_[current_] = Step{runs.front().begin, 0, true, 0xFF};
    Paste& slot = pastes_[pastesBefore_];
    pasteBytes_ -= slot.memory();
    slot.length = length;
    slot.bytes = std::move(bytes);
    slot.runs = std::move(runs);
    pasteBytes_ += slot.memory();
    ++pastesBefore_;
    // The bytes were marked as they went in.
    counts_.addRuns(slot.runs.data(), static_cast<std::int64_t>(slot.runs.size()), countChange(current_, true),
                    [](ByteRange, bool) {});
    ++current_;
    pushedStep_ = pushedPaste_ = false;
    while (memoryBytes() > cap_ && steps_.size() > 1) dropOldest();
}

void History::unmarkUncounted(ChangeMap& changes, ByteRange run, const std::uint8_t* values) const {
    changes.setMine(run, values);
    std::int64_t start = run.begin;
    for (std::int64_t offset = run.begin; offset <= run.end; ++offset)
        if (offset == run.end || counts_.countAt(offset) != 0) {
            if (start < offset) changes.unmarkRun({start, offset});
            start = offset + 1;
        }
}

StepOutcome History::moveRuns(ViewBytes& view, ChangeMap& changes, std::size_t index, Paste& paste,
                              bool forward, ByteRange& touched, ReadFault& fault) {
    const int delta = countChange(index, forward);
    const ByteRange* runs = paste.runs.data();
    const auto runCount = static_cast<std::int64_t>(paste.runs.size());
    Bytes incoming(allocateBytes(paste.length));
    if (!incoming) return StepOutcome::noMemory;
    try {
        counts_.reserveRuns(runs, runCount);
        if (delta > 0) changes.reserveRuns(runs, runCount);
    } catch (const std::bad_alloc&) {
        counts_.tidyRuns(runs, runCount);
        return StepOutcome::noMemory;
    }
    std::memcpy(incoming.get(), paste.bytes.get(), static_cast<std::size_t>(paste.length));
    RunSwap swap{view, runs, 0, runCount, paste.bytes.get()};
    if (!checkedRun(view, swap, fault)) {
        putBack(swap, swap.done);
        counts_.tidyRuns(runs, runCount);
        return StepOutcome::unreadable;
    }
    // paste.bytes holds what the view held, incoming what it holds now.
    if (delta > 0)
        // Every byte becomes (or stays) marked: marking a run marks the new ones and gives the
        // others their values, in room made for all of them.
        for (std::int64_t r = 0, at = 0; r < runCount; at += runs[r].end - runs[r].begin, ++r)
            changes.markRun(runs[r], paste.bytes.get() + at, incoming.get() + at);
    if (delta < 0)
        for (std::int64_t r = 0, at = 0; r < runCount; at += runs[r].end - runs[r].begin, ++r)
            changes.setMine(runs[r], incoming.get() + at);
    counts_.addRuns(runs, runCount, delta, [&](ByteRange run, bool rising) {
        if (!rising) changes.unmarkRun(run);
    });
    counts_.tidyRuns(runs, runCount);
    touched = ByteRange{runs[0].begin, runs[runCount - 1].end};
    static_cast<void>(index);
    return StepOutcome::done;
}

}  // namespace quillix
