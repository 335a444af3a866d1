#pragma once
// The history of edits: one step per typed character or nibble and one per paste, with
// the save point (where the history stood at the last successful save or the open) and the
// current point. Undo and redo move the current point one step.
//
// A step keeps the bytes it did not leave in the view: before it is undone, what the view
// held before it; after, what it wrote. Undo and redo exchange them with the view, so a
// step costs its own bytes once (a typed one 16 bytes in all) and moving by one step costs
// time in proportion to its bytes, never to the history's length.
//
// A typed step keeps which bits of its byte it changed: a hex digit changes one nibble, a
// character the whole byte. Undo and redo exchange only those bits with the view, which is
// the same as exchanging the byte until another program's bytes are taken up under the
// user's (rebase): then a nibble goes back over the other program's byte, not the old one.
//
// A byte is changed (red, and written by the next save) exactly while a step between the
// save point and the current point touched it: counts (step_counts.h) follow each step in
// and out of that stretch and mark or unmark the document's change record with them.
// When the save point can no longer be reached (the steps after it were dropped by a new
// edit, the oldest steps went to keep the history under its cap, or a save in place
// stopped part-way), the bytes those steps left changed stay counted until the next save,
// and the document stays modified.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "document/history/change_map.h"
#include "document/file/guarded_read.h"
#include "document/history/record_allocator.h"
#include "document/history/step_counts.h"

namespace quillix {

struct Progress;

// Most memory the history keeps: when a new step would pass it, the oldest steps go.
inline constexpr std::size_t historyCapBytes = std::size_t{256} << 20;
// Bytes a paste stores between two check-ins with the host: some tens of milliseconds of
// storing and marking.
inline constexpr std::int64_t pasteChunkBytes = std::int64_t{4} << 20;

// Where the bytes a paste stores come from, read once, a chunk at a time and in
// increasing order: read(context, at, count, out) puts bytes at .. at + count - 1 of
// them into out.
struct ByteFeed {
    void (*read)(void* context, std::int64_t at, std::int64_t count, std::uint8_t* out) = nullptr;
    void* context = nullptr;
};

// How a paste is stored (document.h: storeBytes).
struct PasteControl {
    // False for a paste larger than the history's cap, which the user agreed to: it keeps
    // no step, and every step before it goes too, what they changed staying changed.
    bool undoable = true;
    // Checked in with before each chunk, its done counting the bytes stored; without one
    // the paste cannot be stopped.
    Progress* progress = nullptr;
    std::int64_t chunkBytes = pasteChunkBytes;  // tests make it small
};

enum class StepOutcome {
    done,
    nothing,     // no step to undo or redo
    noMemory,    // the marks could not be made; nothing changed
    unreadable,  // a page of the step's bytes cannot be read; nothing changed
};

class History {
public:
    bool canUndo() const { return current_ > 0; }
    bool canRedo() const { return current_ < steps_.size(); }
    // True when the view holds the file's bytes as last saved (or opened) by this history:
    // the current point is the save point, and that point is still in the history.
    bool atSavePoint() const { return saveReachable_ && current_ == save_; }
    // Steps kept, and memory they take (steps and the bytes kept for pastes).
    std::size_t steps() const { return steps_.size(); }
    std::size_t memoryBytes() const { return steps_.size() * sizeof(Step) + pasteBytes_; }
    // Most memory the steps may take (historyCapBytes unless a test lowers it).
    std::size_t cap() const { return cap_; }
    void setCap(std::size_t bytes) { cap_ = bytes; }
    // Memory of the counts behind the marks.
    std::size_t countMemoryBytes() const { return counts_.memoryBytes(); }

    // Starts afresh: no steps, the save point here (an open, a failed one too).
    void clear();
    // The current point becomes the save point (a successful save).
    void saved();
    // The saved state can no longer be reached (a save in place failed or stopped after
    // writing part of it): no undo or redo makes the document unmodified until the next save.
    void loseSavePoint() { saveReachable_ = false; }

    // The document's edits (document.h: storeByte, storeBytes, undoStep, redoStep), on its view
    // and its change record.
    // storeOne: value is the byte's new value, of which the step changed the bits set in bits.
    bool storeOne(ViewBytes& view, ChangeMap& changes, std::int64_t offset, std::uint8_t value,
                  std::uint8_t bits, ReadFault* fault);
    std::int64_t storeMany(ViewBytes& view, ChangeMap& changes, std::int64_t offset, std::int64_t count,
                           const ByteFeed& feed, const PasteControl& control, ReadFault* fault);
    // storeRuns: one step over several runs (document.h: storeRuns).
    std::int64_t storeRuns(ViewBytes& view, ChangeMap& changes, const ByteRange* runs, std::int64_t runCount,
                           const ByteFeed& feed, const PasteControl& control, ReadFault* fault);
    StepOutcome undo(ViewBytes& view, ChangeMap& changes, ByteRange& touched, ReadFault& fault);
    StepOutcome redo(ViewBytes& view, ChangeMap& changes, ByteRange& touched, ReadFault& fault);
    // The bytes the next undo (back) or redo would touch, known before it moves them, so
    // that a record kept beside the bytes (a comparison's counts) can take them out first:
    // from the first to the last for a step over several runs. Empty (begin == end) when
    // there is no such step.
    ByteRange stepRange(bool back) const;

    // The file under the changes is another now, and the change record holds as each changed
    // byte's first value the file's byte there (ChangeMap::setFirst): every state the history
    // reaches becomes that file with the user's edits. The saved state becomes the file, but
    // for the bytes of steps no longer kept, which keep the values they had there; the steps
    // between it and the current point are done again over it (undone again, when the save
    // point lies ahead), bit by bit, into the record's user's values. Afterwards those are
    // the bytes the view must show, and undo and redo give the file's bytes where they reach
    // the saved state. Asks for memory only while the save point cannot be reached: throws
    // std::bad_alloc then, changing nothing. Reads neither the view nor the file.
    void rebase(ChangeMap& changes);

private:
    struct FreeBytes {
        void operator()(std::uint8_t* bytes) const;
    };
    using Bytes = std::unique_ptr<std::uint8_t[], FreeBytes>;
    struct Step {
        std::int64_t offset;
        std::uint8_t other;  // one-byte step: the value the view does not hold
        bool paste;          // longer step: its bytes are the next of pastes_
        std::uint8_t bits;   // one-byte step: the bits of other it puts into the view
    };
    static_assert(sizeof(Step) <= 16);
    struct Paste {
        std::int64_t length = 0;
        Bytes bytes;  // the values the view does not hold
        // A step over several runs (a replace): the runs, increasing, their bytes one after
        // another in bytes (length in all); empty for a paste's one stretch from the step's offset.
        std::vector<ByteRange, RecordAllocator<ByteRange>> runs;
        std::size_t memory() const {
            return static_cast<std::size_t>(length) + runs.size() * sizeof(ByteRange);
        }
    };

    // Drops every step, as when a paste too large to undo is made: what they left changed
    // stays changed until the next save.
    void forget();
    // Room for one more step at the current point; on bad_alloc takeBack undoes it.
    void makeRoom(bool paste);
    void takeBack();
    // Puts the step at the current point, dropping the steps that could have been redone,
    // and moves past it; then drops the oldest steps while over the cap. Allocates nothing
    // after makeRoom.
    // originals: what the view held in the step's bytes before it was stored; null when
    // the caller marked the bytes already.
    // values: what the view holds in them now (null with originals).
    void add(ChangeMap& changes, std::int64_t offset, std::uint8_t other, std::uint8_t bits, Bytes bytes,
             std::int64_t length, const std::uint8_t* originals, const std::uint8_t* values);
    // Calls visit(step, paste) (paste null for a one-byte step) for each step between the
    // current point and the save point, in the order that moves from the current point to
    // the save point (toSave) or from the save point to the current point.
    template <class Visit>
    void forEachBetween(bool toSave, Visit visit);
    // Exchanges step index's bytes with the view, moving over it forward (redo) or back.
    StepOutcome move(ViewBytes& view, ChangeMap& changes, std::size_t index, bool forward, ByteRange& touched,
                     ReadFault& fault);
    // The frame of storeMany and storeRuns: room for a step (when step), then reserve()
    // (room for the counts and the marks; may throw std::bad_alloc), then store(), which
    // stores, puts the step in and returns how much it stored. Refused memory, or nothing
    // stored, leaves no step; tidy() then takes away the counts' unused room either way.
    template <class Reserve, class Tidy, class Store>
    std::int64_t storeFramed(bool step, Reserve reserve, Tidy tidy, Store store);
    // storeMany's chunks: each stored in turn, its old values in kept (all of them for an
    // undoable paste, else one chunk's), until done, stopped or a page cannot be read.
    // Returns the bytes stored.
    std::int64_t storeChunks(ViewBytes& view, ChangeMap& changes, std::int64_t offset, std::int64_t count,
                             const ByteFeed& feed, const PasteControl& control, std::uint8_t* kept,
                             ReadFault& fault);
    // storeRuns's part: the runs' old values into kept and new ones from feed into the view,
    // a group of runs between two check-ins, its new values passing through incoming (a
    // group's room); each run is marked once its group is in. Returns the runs stored whole.
    std::int64_t storeRunGroups(ViewBytes& view, ChangeMap& changes, const ByteRange* runs,
                                std::int64_t runCount, const ByteFeed& feed, const PasteControl& control,
                                std::uint8_t* kept, std::uint8_t* incoming, ReadFault& fault);
    // The step over runs at the current point, as add puts a paste's.
    void addRuns(Bytes bytes, std::vector<ByteRange, RecordAllocator<ByteRange>> runs, std::int64_t length);
    // Takes back the marks of run, whose bytes the view holds again as values holds them:
    // the bytes no step counts go unmarked, the others get those values back.
    void unmarkUncounted(ChangeMap& changes, ByteRange run, const std::uint8_t* values) const;
    // move for a step over runs.
    StepOutcome moveRuns(ViewBytes& view, ChangeMap& changes, std::size_t index, Paste& paste, bool forward,
                         ByteRange& touched, ReadFault& fault);
    // Calls visit(range, bytes) for each stretch of a step: its byte, its paste's stretch,
    // or each of its runs, with the kept values of the stretch.
    template <class Visit>
    static void forEachStretch(Step& step, Paste* paste, Visit visit);
    void dropRedoSteps(bool keepPasteSlot);
    void dropOldest();
    // +1 when moving the current point over step index (forward if forward) takes it into
    // the stretch between the save point and the current point, -1 when it leaves it.
    int countChange(std::size_t index, bool forward) const {
        return (index >= save_) == forward ? +1 : -1;
    }

    std::deque<Step, RecordAllocator<Step>> steps_;
    std::deque<Paste, RecordAllocator<Paste>> pastes_;  // the bytes of the paste steps, in order
    std::size_t current_ = 0;                            // steps before the current point
    std::size_t pastesBefore_ = 0;                       // paste steps before the current point
    std::size_t save_ = 0;                               // steps before the save point
    bool saveReachable_ = true;
    std::size_t pasteBytes_ = 0;
    std::size_t cap_ = historyCapBytes;
    bool pushedStep_ = false, pushedPaste_ = false;  // what makeRoom added
    StepCounts counts_;
};

}  // namespace quillix
