#include "document/save/changed_bytes_save.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "document/file/checked_view.h"
#include "document/save/full_write.h"
#include "host/progress.h"

namespace quillix {
namespace {

// Runs closer than this share one window: mapping another costs more than reaching over
// pages that are never touched. It also bounds the number of windows (a 4 GiB document
// needs a few thousand at most).
constexpr std::int64_t windowGapBytes = std::int64_t{1} << 20;
// A window grows over further runs only up to this size.
constexpr std::int64_t windowJoinBytes = std::int64_t{64} << 20;
// A window is mapped when its runs outnumber the pages they fall in this many times over,
// or when there are many of them, a run to a page at least, falling in at least one page
// in pagesPerTouchedToMap of the window's. A mapping costs the system for each page it
// spans and for each page stored into, so runs far apart (a few pages touched in a window
// of a megabyte) go by calls, and so do a few runs, which cost a few calls; where the
// pages touched are most of the window, the mapping's cost is that of writing those pages
// back, which a call per run pays as well, on top of the calls: a million runs a kilobyte
// apart save in a sixth of the calls' time.
constexpr std::int64_t pageBytes = 4096;
constexpr std::int64_t runsPerPageToMap = 16;
constexpr std::int64_t pagesPerTouchedToMap = 4;
constexpr std::int64_t manyRuns = 64;
// What the file holds under a long run is read back in pieces of this size.
constexpr std::size_t readPieceBytes = std::size_t{1} << 20;
// A piece of the view is brought in by one call before it is written only from this size:
// below it, the call costs as much as the few page faults it saves.
constexpr std::int64_t prefetchFromBytes = 16 * pageBytes;

// A stretch of the file holding the runs firstRun .. endRun - 1.
struct FileWindow {
    std::int64_t offset = 0;  // a multiple of the mapping alignment
    std::int64_t length = 0;
    std::size_t firstRun = 0;
    std::size_t endRun = 0;
    std::int64_t pages = 0;         // pages the runs fall in
    std::int64_t lastPage = -1;     // the last of them
    std::uint8_t* bytes = nullptr;  // the mapping of offset .. offset + length - 1, if mapped

    void add(const ByteRange& run) {
        const std::int64_t first = run.begin / pageBytes;
        pages += (run.end - 1) / pageBytes - first + (first == lastPage ? 0 : 1);
        lastPage = (run.end - 1) / pageBytes;
        length = run.end - offset;
        ++endRun;
    }
    bool crowded() const {
        const auto runs = static_cast<std::int64_t>(endRun - firstRun);
        const std::int64_t spanned = (offset + length + pageBytes - 1) / pageBytes - offset / pageBytes;
        return runs >= runsPerPageToMap * pages ||
               (runs >= std::max(pages, manyRuns) && pages * pagesPerTouchedToMap >= spanned);
    }
};

std::vector<FileWindow> planWindows(const std::vector<ByteRange>& runs, std::int64_t alignment) {
    std::vector<FileWindow> windows;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const std::int64_t start = runs[i].begin / alignment * alignment;
        const bool joins = !windows.empty() &&
                           start <= windows.back().offset + windows.back().length + windowGapBytes &&
                           runs[i].end - windows.back().offset <= windowJoinBytes;
        if (!joins) {
            windows.emplace_back();
            windows.back().offset = start;
            windows.back().firstRun = windows.back().endRun = i;
        }
        windows.back().add(runs[i]);
    }
    return windows;
}

// Asks for the pages of a mapped window that its runs fall in to be made ready for the
// stores, a stretch of neighbouring pages at a time.
void prepareWindow(FileSystem& fs, const std::vector<ByteRange>& runs, const FileWindow& window) {
    forEachPageStretch(runs.data() + window.firstRun, static_cast<std::int64_t>(window.endRun - window.firstRun),
                       window.offset, pageBytes, window.length,
                       [&](std::int64_t from, std::int64_t to) { fs.prepareStores(window.bytes + from, to - from); });
}

// Releases the mapped windows, also when the save leaves early.
struct MappedWindows {
    FileSystem& fs;
    std::vector<FileWindow>& windows;
    ~MappedWindows() {
        SystemError ignored = 0;
        release(ignored);
    }
    // Hands every window's bytes on to the file and releases it: false with cause from
    // the first that failed.
    bool release(SystemError& cause) {
        bool done = true;
        for (FileWindow& window : windows) {
            if (!window.bytes) continue;
            SystemError error = 0;
            if (!fs.unmapShared(window.bytes, window.length, error) && done) {
                done = false;
                cause = error;
            }
            window.bytes = nullptr;
        }
        return done;
    }
};

// Runs work, which reads the view in place and, when the window is mapped, touches its
// bytes, under the guards of both and nothing else: no system call runs inside a guard.
// Returns none when it returned; unreadable with unreadable set when a page of the view
// could not be read; targetLost when a page of the window could not be brought in (the
// file was cut shorter, its volume went away). cause says why.
template <class Work>
SaveFailure touchGuarded(const Document& doc, const FileWindow& window, Work work, ReadFault& unreadable,
                         SystemError& cause) {
    struct InWindow {
        const FileWindow& window;
        Work& work;
        GuardedFault fault;
        bool lost = false;
        void operator()() {
            if (!window.bytes) return work();
            lost = !runGuarded(
                window.bytes, window.bytes + window.length,
                [](void* context) { (*static_cast<Work*>(context))(); }, &work, fault);
        }
    } inWindow{window, work, {}};
    if (!checkedRun(doc, inWindow, unreadable)) {
        cause = unreadable.error;
        return SaveFailure::unreadable;
    }
    if (!inWindow.lost) return SaveFailure::none;
    cause = inWindow.fault.error;
    return SaveFailure::targetLost;
}

// What the file holds under the runs of a window, against what the document first read
// there and what it is about to write: othersWrote is set when another program wrote
// there. Returns none, or the failure that stopped the look.
SaveFailure lookUnder(const Document& doc, FileSystem& fs, FileHandle file,
                      const std::vector<ByteRange>& runs, const FileWindow& window,
                      std::vector<std::uint8_t>& piece, bool& othersWrote, ReadFault& unreadable,
                      SystemError& cause) {
    if (window.bytes)
        return touchGuarded(
            doc, window,
            [&] {
                for (std::size_t i = window.firstRun; i < window.endRun && !othersWrote; ++i)
                    othersWrote =
                        doc.changes.changedByOthers(runs[i], window.bytes + (runs[i].begin - window.offset),
                                                    doc.fileBytes + runs[i].begin);
            },
            unreadable, cause);
    for (std::size_t i = window.firstRun; i < window.endRun; ++i) {
        for (std::int64_t at = runs[i].begin; at < runs[i].end && !othersWrote;) {
            const auto length =
                static_cast<std::uint32_t>(std::min<std::int64_t>(runs[i].end - at, piece.size()));
            std::uint32_t read = 0;
            if (!fs.readAt(file, at, piece.data(), length, read, cause)) return SaveFailure::writeFailed;
            // A file cut shorter under the changes is not the file they were made to.
            othersWrote = read != length;
            const SaveFailure compared = touchGuarded(
                doc, window,
                [&] {
                    othersWrote = othersWrote || doc.changes.changedByOthers({at, at + length}, piece.data(),
                                                                             doc.fileBytes + at);
                },
                unreadable, cause);
            if (compared != SaveFailure::none) return compared;
            at += length;
        }
    }
    return SaveFailure::none;
}

// Writes the runs of a window: stored through its mapping, or one call each. reached
// follows them: every changed byte before it may be in the file, none after it is.
SaveFailure writeRuns(const Document& doc, FileSystem& fs, FileHandle file,
                      const std::vector<ByteRange>& runs, const FileWindow& window, std::uint32_t chunkBytes,
                      ReadFault& unreadable, SystemError& cause, std::int64_t& reached) {
    if (!window.bytes) {
        for (std::size_t i = window.firstRun; i < window.endRun; ++i) {
            if (!writeViewRange(doc, fs, file, runs[i].begin, runs[i].end, chunkBytes, nullptr, &unreadable,
                                cause, &reached))
                return unreadable.happened() ? SaveFailure::unreadable : SaveFailure::writeFailed;
            reached = runs[i].end;
        }
        return SaveFailure::none;
    }
    // A store is in the file at once; one cut off leaves its run partly there.
    volatile std::size_t storing = window.firstRun;
    const SaveFailure stored = touchGuarded(
        doc, window,
        [&] {
            for (std::size_t i = window.firstRun; i < window.endRun; ++i) {
                storing = i;
                std::memcpy(window.bytes + (runs[i].begin - window.offset), doc.fileBytes + runs[i].begin,
                            static_cast<std::size_t>(runs[i].end - runs[i].begin));
            }
        },
        unreadable, cause);
    reached = runs[stored == SaveFailure::none ? window.endRun - 1 : storing].end;
    return stored;
}

}  // namespace

bool writeViewRange(const Document& doc, FileSystem& fs, FileHandle file, std::int64_t begin,
                    std::int64_t end, std::uint32_t chunkBytes, Progress* progress, ReadFault* unreadable,
                    SystemError& error, std::int64_t* reached) {
    while (begin < end) {
        if (reached) *reached = begin;
        if (progress && !keepGoing(*progress, begin)) {
            error = 0;
            return false;
        }
        const auto chunk = static_cast<std::uint32_t>(std::min<std::int64_t>(end - begin, chunkBytes));
        if (chunk >= prefetchFromBytes) fs.prefetch(doc.fileBytes + begin, chunk);
        std::uint32_t written = 0;
        const bool wrote = fs.writeAt(file, begin, doc.fileBytes + begin, chunk, written, error);
        if (wroteAll(wrote, written, chunk, error)) {
            begin += chunk;
            continue;
        }
        // The system refuses a write whose bytes it cannot read, or stops short before them:
        // then the view is to blame, not the file.
        const std::int64_t taken = std::min(written, chunk);
        if (reached) *reached = begin + taken;
        if (unreadable && findUnreadable(doc, begin + taken, chunk - taken, *unreadable))
            error = unreadable->error;
        return false;
    }
    return true;
}

SaveFailure writeChangedRuns(const Document& doc, FileSystem& fs, FileHandle file, bool lookFirst,
                             const std::function<bool()>& confirm, std::uint32_t chunkBytes,
                             ReadFault& unreadable, SystemError& cause, std::int64_t& reached) {
    reached = 0;
    std::vector<ByteRange> runs;
    std::vector<FileWindow> windows;
    std::vector<std::uint8_t> piece;
    try {
        runs = doc.changes.ranges();
        windows = planWindows(runs, sharedWindowAlignment());
        std::int64_t longest = 0;
        for (const ByteRange& run : runs) longest = std::max(longest, run.end - run.begin);
        if (lookFirst) piece.resize(std::min<std::size_t>(static_cast<std::size_t>(longest), readPieceBytes));
    } catch (const std::bad_alloc&) {
        cause = 0;
        return SaveFailure::writeFailed;
    }
    MappedWindows mapped{fs, windows};
    for (FileWindow& window : windows)
        if (window.crowded()) {
            if (!fs.mapShared(file, window.offset, window.length, window.bytes, cause))
                return SaveFailure::writeFailed;
            prepareWindow(fs, runs, window);
        }

    // The runs are compared and copied straight from the view: a page of it that can no
    // longer be read stops the save there, and so does one of a window.
    if (lookFirst) {
        bool othersWrote = false;
        for (const FileWindow& window : windows) {
            const SaveFailure looked =
                lookUnder(doc, fs, file, runs, window, piece, othersWrote, unreadable, cause);
            if (looked != SaveFailure::none) return looked;
            if (othersWrote) break;
        }
        if (othersWrote && !confirm()) return SaveFailure::declined;
    }
    for (const FileWindow& window : windows) {
        const SaveFailure written =
            writeRuns(doc, fs, file, runs, window, chunkBytes, unreadable, cause, reached);
        if (written != SaveFailure::none) return written;
    }
    return mapped.release(cause) ? SaveFailure::none : SaveFailure::writeFailed;
}

}  // namespace quillix
