#include "document/document.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <vector>

#include "document/checked_view.h"
#include "document/file_replace.h"
#include "document/salvage_write.h"
#include "host/text_format.h"
#include "host/view_host.h"

namespace quillix {

std::int64_t lineCountFor(std::int64_t fileSize) {
    if (fileSize <= 0) return 0;
    return fileSize / 16 + (fileSize % 16 > 0 ? 2 : 1);
}

void closeDocumentView(Document& doc, FileSystem& fs) {
    if (doc.fileBytes) fs.unmap(doc.fileBytes, doc.fileSize);
    doc.fileBytes = nullptr;
}

int openDocument(Document& doc, const wchar_t* path, SystemError& cause, FileSystem& fs) {
    // The previous document is gone as soon as an open is attempted. Its size is kept
    // until its view is released, since unmapping needs it.
    closeDocumentView(doc, fs);
    doc.lineCount = 0;
    doc.fileSize = 0;
    doc.changes.clear();
    doc.mappedFile = FileStamp{};
    doc.baseline = BaselineFile{};

    ScopedFile file(fs);
    if (!fs.openExisting(path, file.handle(), cause)) return 0;
    std::uint8_t* bytes = nullptr;
    std::int64_t size = 0;
    if (!fs.mapCopyOnWrite(file.get(), bytes, size, cause)) return 0;
    if (size > maxDocumentSize) {
        fs.unmap(bytes, size);
        cause = 0;
        return 0;
    }
    // Which file this is and how it stood: saves compare against it to write only the
    // changed bytes, and to notice another program's changes.
    FileStamp stamp;
    if (!fs.stampOf(file.get(), stamp, cause)) {
        fs.unmap(bytes, size);
        return 0;
    }
    doc.mappedFile = stamp;
    doc.baseline = BaselineFile{path, stamp, true};
    doc.fileBytes = bytes;
    doc.fileSize = size;
    doc.lineCount = lineCountFor(size);
    SystemError ignored = 0;
    file.close(ignored);  // the view stands on its own now
    return 1;
}

namespace {

// Changes closer than this are written as one range, the unchanged bytes between them
// included: rewriting up to a page of the file's own bytes costs less than another call.
constexpr std::int64_t bridgeBytes = 4096;

// A write from the view that failed or stopped short, at begin + written of a call for
// begin .. end - 1: when the bytes it had yet to take cannot be read, the view is to
// blame, and unreadable says where and why.
void blameUnreadableView(const Document& doc, std::int64_t begin, std::int64_t end, SystemError& error,
                         ReadFault& unreadable) {
    if (!findUnreadable(doc, begin, end - begin, unreadable)) return;
    error = unreadable.error;
}

// Writes view bytes begin .. end - 1 at the same offsets of the file, at most chunkBytes
// in one call.
bool writeRange(const Document& doc, FileSystem& fs, FileHandle file, std::int64_t begin, std::int64_t end,
                std::uint32_t chunkBytes, SystemError& error, ReadFault& unreadable) {
    while (begin < end) {
        const auto chunk = static_cast<std::uint32_t>(std::min<std::int64_t>(end - begin, chunkBytes));
        std::uint32_t written = 0;
        const bool wrote = fs.writeAt(file, begin, doc.fileBytes + begin, chunk, written, error);
        if (!wrote || written != chunk) {
            if (wrote) error = diskFullError();
            blameUnreadableView(doc, begin + std::min(written, chunk), begin + chunk, error, unreadable);
            return false;
        }
        begin += chunk;
    }
    return true;
}

bool writeChanges(const Document& doc, FileSystem& fs, FileHandle file, std::int64_t bridge,
                  std::uint32_t chunkBytes, SystemError& error, ReadFault& unreadable) {
    std::vector<ByteRange> ranges;
    try {
        ranges = doc.changes.ranges(bridge);
    } catch (const std::bad_alloc&) {
        error = 0;
        return false;
    }
    for (const ByteRange& range : ranges)
        if (!writeRange(doc, fs, file, range.begin, range.end, chunkBytes, error, unreadable)) return false;
    return true;
}

// Opens the file that must be target (by identity) and writes into it in place: only the
// changes, or the whole document. The file is never cut shorter.
SaveFailure writeInPlace(const Document& doc, FileSystem& fs, const FileStamp& target, SaveWay way,
                         std::int64_t bridge, std::uint32_t chunkBytes, SystemError& cause) {
    ScopedFile file(fs);
    if (!fs.openExisting(doc.filePath, file.handle(), cause)) return SaveFailure::cannotOpen;
    // The name was looked at a moment ago; should it hold another file by now, write nothing.
    FileStamp opened;
    if (!fs.stampOf(file.get(), opened, cause)) return SaveFailure::cannotOpen;
    if (!sameFile(opened, target)) {
        cause = 0;
        return SaveFailure::cannotOpen;
    }
    ReadFault unreadable;
    bool done = way == SaveWay::changedOnly
                    ? writeChanges(doc, fs, file.get(), bridge, chunkBytes, cause, unreadable)
                    : writeRange(doc, fs, file.get(), 0, doc.fileSize, chunkBytes, cause, unreadable);
    done = file.closeAfter(done && fs.flush(file.get(), cause), cause);
    if (unreadable.happened()) return SaveFailure::unreadable;
    return done ? SaveFailure::none : SaveFailure::writeFailed;
}

bool askToSaveIntoChangedFile(const Document& doc, ViewHost& host) {
    wchar_t text[fileTitleChars + 128];
    formatWithName(
        text, sizeof text / sizeof text[0], L"", nameOrUntitled(doc.fileTitle),
        L" was changed by another program after it was opened.\nSave your changes into it anyway?");
    return host.messageBox(BoxOwner::frame, text, programCaption, boxChangedFileQuestion) == answerYes;
}

void reportWriteFailure(ViewHost& host, SystemError cause) {
    const std::wstring text = withSystemReason(L"File write sharing violation!", cause);
    host.messageBox(BoxOwner::frame, text.c_str(), inputCaption, boxError);
}

}  // namespace

int saveDocument(Document& doc, ViewHost& host, SaveOutcome* outcome, FileSystem& fs,
                 std::uint32_t chunkBytes) {
    SaveOutcome result;
    auto finish = [&](SaveFailure failure) {
        result.failure = failure;
        if (outcome) *outcome = result;
        return failure == SaveFailure::none ? 1 : 0;
    };

    FileStamp target;
    if (!fs.stampAt(doc.filePath, target, result.cause)) return finish(SaveFailure::cannotOpen);
    if (target.exists && target.readOnly) {
        result.cause = accessDeniedError();
        return finish(SaveFailure::cannotOpen);
    }

    // What became of the file since the view's bytes were last known to be in it.
    BaselineFile& baseline = doc.baseline;
    const bool isBaseline = sameFile(target, baseline.stamp);
    const bool changedByOther = isBaseline && target.lastWrite != baseline.stamp.lastWrite;
    const bool nameTakenOver =
        target.exists && !isBaseline && baseline.stamp.exists && baseline.path == doc.filePath;
    if ((changedByOther || nameTakenOver) && !askToSaveIntoChangedFile(doc, host))
        return finish(SaveFailure::declined);

    SaveFailure failure = SaveFailure::none;
    if (isBaseline && target.size >= doc.fileSize) {
        result.way = SaveWay::changedOnly;
        // Once another program's bytes sit beside stale copies in the view, only the bytes
        // the user changed may be written, never the ones between them.
        if (changedByOther) baseline.exact = false;
        failure = writeInPlace(doc, fs, target, result.way, baseline.exact ? bridgeBytes : 0, chunkBytes,
                               result.cause);
    } else if (sameFile(target, doc.mappedFile)) {
        result.way = SaveWay::wholeInPlace;
        host.setWaitCursor(true);
        failure = writeInPlace(doc, fs, target, result.way, 0, chunkBytes, result.cause);
        host.setWaitCursor(false);
    } else {
        result.way = SaveWay::wholeBeside;
        host.setWaitCursor(true);
        UnreadableBytes unreadable;
        const ReplaceResult replaced = replaceFile(
            fs, doc.filePath,
            [&](FileHandle file, SystemError& error) {
                return writeWhatCanBeRead(doc, fs, file, chunkBytes, unreadable, error);
            },
            result.cause);
        if (replaced == ReplaceResult::done && !unreadable.ranges.empty()) {
            result.unreadable = std::move(unreadable.ranges);
            result.cause = unreadable.error;
        }
        host.setWaitCursor(false);
        failure = replaced == ReplaceResult::done      ? SaveFailure::none
                  : replaced == ReplaceResult::refused ? SaveFailure::cannotOpen
                                                       : SaveFailure::writeFailed;
    }
    if (failure == SaveFailure::cannotOpen) {
        result.way = SaveWay::none;
        return finish(failure);
    }

    // Where the file now stands. After a failure in place the bytes written so far moved
    // its last-write time: that was us, not another program.
    FileStamp now;
    SystemError ignored = 0;
    const bool known = fs.stampAt(doc.filePath, now, ignored) && now.exists;
    if (failure == SaveFailure::none) {
        doc.changes.clear();
        const bool exact = result.way != SaveWay::changedOnly || baseline.exact;
        baseline = known ? BaselineFile{doc.filePath, now, exact} : BaselineFile{};
    } else {
        if (known && sameFile(now, baseline.stamp)) baseline.stamp = now;
        if (failure != SaveFailure::unreadable) reportWriteFailure(host, result.cause);
    }
    host.invalidate(nullptr, true);
    host.updateWindow();
    return finish(failure);
}

bool storeByte(Document& doc, std::int64_t offset, std::uint8_t value, ReadFault* fault) {
    std::uint8_t previous = 0;
    ReadFault unreadable;
    if (!checkedStore(doc, offset, value, previous, unreadable)) {
        if (fault) *fault = unreadable;
        return false;
    }
    try {
        doc.changes.mark(offset);
    } catch (const std::bad_alloc&) {
        checkedStore(doc, offset, previous, previous, unreadable);
        return false;
    }
    return true;
}

bool storeBytes(Document& doc, std::int64_t offset, const std::uint8_t* bytes, std::int64_t count,
                ReadFault* fault) {
    if (count <= 0) return true;
    // Storing makes a private copy of each page from the file's: a page the file no longer
    // has refuses the whole run before any byte of it changes.
    ReadFault unreadable;
    if (findUnreadable(doc, offset, count, unreadable)) {
        if (fault) *fault = unreadable;
        return false;
    }
    try {
        doc.changes.reserveRange(offset, offset + count);
        doc.pastedBytes.add({offset, offset + count});
    } catch (const std::bad_alloc&) {
        return false;
    }
    // With the room made, no mark can fail; a page lost since the check above (another
    // program cut the file this instant) stops the run there, and says so.
    for (std::int64_t i = 0; i < count; ++i) {
        if (storeByte(doc, offset + i, bytes[i], &unreadable)) continue;
        if (fault) *fault = unreadable;
        return false;
    }
    return true;
}

// --- The edit log -------------------------------------------------------------------

namespace {

void countEntry(EditLog& log, std::int64_t offset, int delta) {
    if (offset < 0) return;  // never-written slots hold -1
    std::uint32_t now = log.offsetCounts.add(offset, delta);
    std::uint16_t bit = static_cast<std::uint16_t>(1u << (offset % 16));
    if (delta > 0 && now == 1) log.rowMasks.setBits(offset / 16, bit, true);
    if (delta < 0 && now == 0) log.rowMasks.setBits(offset / 16, bit, false);
}

// Entry index of a counted log (0..editCount) takes a new value.
void setEntry(Document& doc, std::int64_t index, std::int64_t offset) {
    EditLog& log = doc.editLog;
    countEntry(log, log.entries[index], -1);
    log.entries[index] = offset;
    countEntry(log, offset, +1);
}

// editCount + 1: the next entry, whatever it holds, now counts too.
void advanceCount(Document& doc) {
    ++doc.editCount;
    countEntry(doc.editLog, doc.editLog.entries[doc.editCount], +1);
}

void* systemRealloc(void* block, std::size_t bytes) {
    return allocationAllowed(bytes) ? std::realloc(block, bytes) : nullptr;
}

}  // namespace

EditLogAllocator editLogAllocator = systemRealloc;

bool reserveEdit(Document& doc, EditKind kind) {
    EditLog& log = doc.editLog;
    // recordEdit counts at most three offsets anew (the edited one, and one left from
    // before that a growing count takes in, twice over for a character): the index gets
    // room for them here, where running out still changes nothing.
    try {
        log.offsetCounts.reserve(3);
        log.rowMasks.reserve(3);
    } catch (const std::bad_alloc&) {
        return false;
    }
    std::int64_t countAfter = doc.editCount + (kind == EditKind::highNibble ? 0 : 1);
    if (log.entries && countAfter % 100 != 0) return true;
    std::int64_t wanted = doc.editCount + 500;
    auto* grown = static_cast<std::int64_t*>(
        editLogAllocator(log.entries, static_cast<std::size_t>(wanted) * sizeof(std::int64_t)));
    if (!grown) return false;
    bool first = log.entries == nullptr;
    for (std::int64_t i = first ? 0 : std::min(log.capacity, wanted); i < wanted; ++i) grown[i] = -1;
    log.entries = grown;
    log.capacity = wanted;
    if (first) countEntry(log, log.entries[0], +1);  // entry 0 counts from the start
    return true;
}

void recordEdit(Document& doc, EditKind kind, std::int64_t offset) {
    switch (kind) {
        case EditKind::highNibble: setEntry(doc, doc.editCount, offset); break;
        case EditKind::lowNibble:
            advanceCount(doc);
            setEntry(doc, doc.editCount, offset);
            break;
        case EditKind::character:
            setEntry(doc, doc.editCount, offset);
            advanceCount(doc);
            setEntry(doc, doc.editCount, offset);
            break;
    }
}

void resetEditLog(Document& doc) {
    EditLog& log = doc.editLog;
    doc.editCount = 0;
    log.offsetCounts.clear();
    log.rowMasks.clear();
    // Entry 0 counts as soon as editCount is 0 again, but what it holds belongs to the
    // edits just saved (or to another file): a low-nibble edit first would bring it back
    // in red. Nothing from before counts until an edit writes it anew.
    if (log.entries) log.entries[0] = -1;
    doc.pastedBytes.clear();
}

void releaseEditLog(Document& doc) {
    std::free(doc.editLog.entries);
    doc.editLog.entries = nullptr;
    doc.editLog.capacity = 0;
    doc.editCount = 0;
    doc.editLog.offsetCounts.clear();
    doc.editLog.rowMasks.clear();
    doc.pastedBytes.clear();
}

std::uint16_t editedMaskOfRow(const Document& doc, std::int64_t row) {
    return doc.editLog.rowMasks.bits(row);
}

std::uint16_t pastedMaskOfRow(const Document& doc, std::int64_t row) { return doc.pastedBytes.rowMask(row); }

}  // namespace quillix
