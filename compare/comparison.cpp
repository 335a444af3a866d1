// Opening and closing the other file, and the counts: the first count with the long
// work's progress, and the changes of the document's bytes tallied in and out.

#include "compare/comparison.h"

#include <algorithm>

#include "compare/difference_walk.h"
#include "host/text_format.h"

namespace quillix {
namespace {

// Copies text into a buffer of capacity characters, cut to fit.
void copyCut(wchar_t* buffer, std::size_t capacity, const wchar_t* text) {
    appendText(buffer, capacity, 0, text);
}

// What bytes range.begin .. range.end - 1 and the byte after them hold of the counts:
// their differing bytes, and the runs starting among them (the byte after the range
// starts a run or not according to the range's last byte).
// False with fault at the page either file could not read.
bool tallyAround(Comparison& cmp, const Document& doc, ByteRange range, DifferenceTally& tally,
                 CompareFault& fault) {
    DifferenceWalk walk{doc, cmp.other};
    const std::int64_t to = std::min(range.end + 1, walk.length());
    bool previousDiffers = false;
    const bool read = (range.begin == 0 || walkDiffersAt(walk, range.begin - 1, previousDiffers)) &&
                      walkTally(walk, range.begin, to, previousDiffers, tally);
    if (!read) fault = walk.fault;
    return read;
}

void tallyChange(Comparison& cmp, const Document& doc, ByteRange range, std::int64_t sign, CompareFault* fault) {
    if (!cmp.open || !cmp.counted || range.end <= range.begin) return;
    DifferenceTally tally;
    CompareFault unread;
    if (!tallyAround(cmp, doc, range, tally, unread)) {
        cmp.counted = false;
        if (fault) *fault = unread;
        return;
    }
    cmp.counts.bytes += sign * tally.bytes;
    cmp.counts.runs += sign * tally.runs;
}

}  // namespace

void closeComparison(Comparison& cmp, FileSystem& fs) {
    closeDocumentView(cmp.other, fs);
    Document& other = cmp.other;
    other.fileSize = 0;
    other.lineCount = 0;
    other.filePath[0] = L'\0';
    other.fileTitle[0] = L'\0';
    other.mappedFile = FileStamp{};
    cmp.open = false;
    cmp.counted = false;
    cmp.counts = {};
    cmp.place = {};
}

int openComparison(Comparison& cmp, const wchar_t* path, SystemError& cause, FileSystem& fs) {
    closeComparison(cmp, fs);
    ScopedFile file(fs);
    if (!fs.openForReading(path, file.handle(), cause)) return 0;
    std::uint8_t* bytes = nullptr;
    std::int64_t size = 0;
    if (!fs.mapForReading(file.get(), bytes, size, cause)) return 0;
    FileStamp stamp;
    if (size > maxDocumentSize || !fs.stampOf(file.get(), stamp, cause)) {
        if (size > maxDocumentSize) cause = 0;
        fs.unmap(bytes, size);
        return 0;
    }
    SystemError ignored = 0;
    file.close(ignored);  // the view stands on its own now

    Document& other = cmp.other;
    other.fileBytes = bytes;
    other.fileSize = size;
    other.lineCount = lineCountFor(size);
    other.mappedFile = stamp;
    copyCut(other.filePath, filePathChars + 1, path);
    copyCut(other.fileTitle, fileTitleChars, nameOfPath(path));
    cmp.open = true;
    return 1;
}

CompareOutcome countDifferences(Comparison& cmp, const Document& doc, ViewHost& host, CompareFault& fault,
                                std::int64_t chunkBytes) {
    cmp.counted = false;
    DifferenceWalk walk{doc, cmp.other, chunkBytes};
    Progress progress{host, compareProgressTexts, walk.common()};
    walk.progress = &progress;
    DifferenceTally tally;
    const bool done = walkTally(walk, 0, walk.length(), false, tally);
    finishProgress(progress);
    if (walk.stopped) return CompareOutcome::stopped;
    if (!done) {
        fault = walk.fault;
        return CompareOutcome::unreadable;
    }
    cmp.counts = {tally.bytes, tally.runs};
    cmp.counted = true;
    cmp.place = {};
    return CompareOutcome::done;
}

void bytesChanging(Comparison& cmp, const Document& doc, ByteRange range, CompareFault* fault) {
    tallyChange(cmp, doc, range, -1, fault);
}

void bytesChanged(Comparison& cmp, const Document& doc, ByteRange range, CompareFault* fault) {
    tallyChange(cmp, doc, range, +1, fault);
}

}  // namespace quillix
