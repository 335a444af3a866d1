#pragma once
// Comparing the document with another file, byte for byte at the same offsets.
//
// The other file is a second document record, mapped for reading only and never stored
// into. A byte differs when its value differs from the other file's byte at the same
// offset, or when the other file has no byte there: the longer file's tail differs whole.
// Differing bytes make runs, each as long as it goes on without an equal byte. How many
// bytes differ, and in how many runs, is counted once when the comparison opens and kept
// true afterwards by every change of the document's bytes, at a cost of the bytes changed
// (bytesChanging and bytesChanged around it), never of the files' length.
//
// Every read of either view goes through the read guard (document/guarded_read.h), a
// chunk at a time, so a page of either file that can no longer be read is reported, never
// a crash.

#include <cstdint>
#include <string>

#include "document/history/change_map.h"
#include "document/document.h"
#include "document/file/guarded_read.h"
#include "host/progress.h"

namespace quillix {

class ViewHost;

// Bytes of each file compared between two check-ins with the host: a few milliseconds
// from memory, and well under the second a user waits for Escape to act.
inline constexpr std::int64_t compareChunkBytes = searchChunkBytes;

inline constexpr ProgressTexts compareProgressTexts = {L"Comparing\u2026 ", L"Comparison stopped"};

struct DifferenceCounts {
    std::int64_t bytes = 0;  // bytes that differ, in the longer file's length
    std::int64_t runs = 0;   // runs they make
    friend bool operator==(const DifferenceCounts&, const DifferenceCounts&) = default;
};

// The last run numbered (numberOfRun): how many runs start before offset at, while the
// document's bytes are those byteChanges stood for. The next number is found from here.
struct RunPlace {
    bool known = false;
    std::int64_t at = 0;
    std::int64_t runsBefore = 0;
    std::uint64_t byteChanges = 0;
};

struct Comparison {
    // The other file: fileBytes is a read-only view (null for a 0-byte file), with its
    // fileSize, lineCount, filePath, fileTitle and mappedFile as a document has them. No
    // store, undo or save is ever made with it.
    Document other;
    bool open = false;     // a comparison is shown; the other file may still hold 0 bytes
    bool counted = false;  // counts are true: the count ran to its end, every change since was tallied
    DifferenceCounts counts;
    RunPlace place;  // forgotten at every count
};

// Where a read of the comparison failed: the page of which file, and why.
struct CompareFault {
    ReadFault read;        // offset in that file, and the system's code
    bool inOther = false;  // the other file's page; else the document's
    bool happened() const { return read.happened(); }
};

enum class CompareOutcome {
    done,
    stopped,     // the user pressed Escape: nothing was found or counted
    unreadable,  // a page of either file could not be read: the fault says which
};

// Opens the file at path as the other file, for reading only, shared with other programs
// for reading, writing and deleting; any size from 0 bytes to 4 GiB. The comparison
// before is closed first, whatever the outcome. Returns 1 on success, the comparison open
// and not yet counted. Returns 0 with cause set to the system's code of the failing step
// (0: the file is larger than 4 GiB); the comparison is then closed.
int openComparison(Comparison& cmp, const wchar_t* path, SystemError& cause, FileSystem& fs = systemFileSystem());

// Releases the other file's view; the comparison is closed and holds nothing.
void closeComparison(Comparison& cmp, FileSystem& fs = systemFileSystem());

// Counts the differences of doc and the open comparison from the start, a chunk of
// chunkBytes at a time, checking in with the host before each: after 0.3 s status part 0
// shows "Comparing… 37 %", and Escape stops it. done: counts set and counted true, part 0
// reads "Ready" (the caller names the counts). stopped: counted false, part 0 reads
// "Comparison stopped". unreadable: counted false, fault set, part 0 reads "Ready" (the
// caller reports it).
CompareOutcome countDifferences(Comparison& cmp, const Document& doc, ViewHost& host, CompareFault& fault,
                                std::int64_t chunkBytes = compareChunkBytes);

// Called right before and right after the document's bytes in range change (a typed
// byte, a paste, an undo or redo step), with the same range: the counts lose what the
// range and the byte after it held of the differences and gain what they hold now. Costs
// the range's length, whatever the files' length. A page of either file that cannot be
// read leaves the counts unknown (counted false) until they are counted again, and fault
// (when given) says which page and why. Nothing happens while no comparison is open or
// the counts are unknown.
void bytesChanging(Comparison& cmp, const Document& doc, ByteRange range, CompareFault* fault = nullptr);
void bytesChanged(Comparison& cmp, const Document& doc, ByteRange range, CompareFault* fault = nullptr);

// A run of differing bytes: its first offset and its length; start -1 for none.
struct DifferenceRun {
    std::int64_t start = -1;
    std::int64_t length = 0;
    bool found() const { return start >= 0; }
};

// The first run that starts after offset from (forward), or the last run that starts
// before it (backward), where from is a caret offset 0 .. doc.fileSize. A run reaching
// back past from is not after it; one that starts inside the other file's tail beyond
// the document starts at doc.fileSize. run.start is -1 when there is none. Scans a chunk
// at a time with the long work's progress ("Searching… 37 %") and Escape (stopped, part 0
// "Search stopped"); a page that cannot be read gives unreadable with fault set.
CompareOutcome findDifference(const Comparison& cmp, const Document& doc, std::int64_t from, bool forward,
                              ViewHost& host, DifferenceRun& run, CompareFault& fault,
                              std::int64_t chunkBytes = compareChunkBytes);

// The number (from 1, in the order of offsets) of the run starting at start, among all
// runs. Scans only the bytes between start and the run numbered last (cmp.place), unless
// the document's bytes changed since; with findDifference's progress and Escape (stopped).
// unreadable: fault set. Meaningful while the counts are known.
CompareOutcome numberOfRun(Comparison& cmp, const Document& doc, std::int64_t start, ViewHost& host,
                           std::int64_t& number, CompareFault& fault, std::int64_t chunkBytes = compareChunkBytes);

// Status part 0 after a count, naming the other file by otherName: "Compared with b.bin:
// N bytes differ in M runs" ("1 byte differs in 1 run"), or "Compared with b.bin: the
// files are identical".
std::wstring comparedText(const DifferenceCounts& counts, const wchar_t* otherName);
// Status part 0 after a step to a run: "Difference 3 of 7 at 0000ABCD: N bytes" ("1
// byte"), the run's number and how many there are; "Difference at 0000ABCD: N bytes"
// when number is 0 (the counts are not known).
std::wstring differenceText(const DifferenceRun& run, std::int64_t number = 0, std::int64_t runs = 0);

}  // namespace quillix
