#include "document/document.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <vector>

#include "document/changed_bytes_save.h"
#include "document/checked_view.h"
#include "document/file_replace.h"
#include "document/salvage_write.h"
#include "host/progress.h"
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

bool mapFile(FileSystem& fs, const wchar_t* path, std::uint8_t*& bytes, std::int64_t& size, FileStamp& stamp,
             bool& readOnly, SystemError& cause) {
    ScopedFile file(fs);
    const bool mayOnlyRead = readOnly;
    readOnly = !fs.openExisting(path, file.handle(), cause);
    if (readOnly && (!mayOnlyRead || !fs.openForReading(path, file.handle(), cause))) return false;
    if (!fs.mapCopyOnWrite(file.get(), bytes, size, cause)) return false;
    // Which file this is and how it stood: saves compare against it to write only the
    // changed bytes, and to notice another program's changes.
    if (size > maxDocumentSize || !fs.stampOf(file.get(), stamp, cause)) {
        if (size > maxDocumentSize) cause = 0;
        fs.unmap(bytes, size);
        bytes = nullptr;
        return false;
    }
    readOnly = readOnly || stamp.readOnly;
    SystemError ignored = 0;
    file.close(ignored);  // the view stands on its own now
    return true;
}

int openDocument(Document& doc, const wchar_t* path, SystemError& cause, FileSystem& fs) {
    // The previous document is gone as soon as an open is attempted. Its size is kept
    // until its view is released, since unmapping needs it.
    closeDocumentView(doc, fs);
    ++doc.byteChanges;
    doc.lineCount = 0;
    doc.fileSize = 0;
    doc.changes.clear();
    doc.history.clear();
    doc.mappedFile = FileStamp{};
    doc.baseline = BaselineFile{};
    doc.readOnly = false;

    std::uint8_t* bytes = nullptr;
    std::int64_t size = 0;
    FileStamp stamp;
    bool readOnly = true;  // a file that may only be read is still shown
    if (!mapFile(fs, path, bytes, size, stamp, readOnly, cause)) return 0;
    doc.readOnly = readOnly;
    doc.mappedFile = stamp;
    doc.baseline = BaselineFile{path, stamp};
    doc.fileBytes = bytes;
    doc.fileSize = size;
    doc.lineCount = lineCountFor(size);
    return 1;
}

int remapDocument(Document& doc, const wchar_t* path, const FileStamp& written, SystemError& cause,
                  FileSystem& fs) {
    std::uint8_t* bytes = nullptr;
    std::int64_t size = 0;
    FileStamp stamp;
    bool readOnly = false;  // the file just written must take the user's next changes
    if (!mapFile(fs, path, bytes, size, stamp, readOnly, cause)) return 0;
    // Only the file just written holds the view's bytes: one another program has put
    // there or written to since would show its bytes as the document's.
    if (!sameFile(stamp, written) || stamp.lastWrite != written.lastWrite || size != doc.fileSize) {
        fs.unmap(bytes, size);
        cause = 0;
        return 0;
    }
    closeDocumentView(doc, fs);
    doc.fileBytes = bytes;
    doc.mappedFile = stamp;
    doc.baseline = BaselineFile{path, stamp};
    doc.readOnly = readOnly;
    return 1;
}

namespace {

bool askToSaveIntoChangedFile(const Document& doc, ViewHost& host) {
    wchar_t text[fileTitleChars + 128];
    formatWithName(
        text, sizeof text / sizeof text[0], L"", nameOrUntitled(doc.fileTitle),
        L" was changed by another program after it was opened.\nSave your changes into it anyway?");
    return host.messageBox(BoxOwner::frame, text, programCaption, boxChangedFileQuestion) == answerYes;
}

// Opens filePath, which must still be target (by identity), for writing in place.
SaveFailure openTarget(const Document& doc, FileSystem& fs, const FileStamp& target, ScopedFile& file,
                       SystemError& cause) {
    if (!fs.openExisting(doc.filePath, file.handle(), cause)) return SaveFailure::cannotOpen;
    // The name was looked at a moment ago; should it hold another file by now, write nothing.
    FileStamp opened;
    if (!fs.stampOf(file.get(), opened, cause)) return SaveFailure::cannotOpen;
    if (!sameFile(opened, target)) {
        cause = 0;
        return SaveFailure::cannotOpen;
    }
    return SaveFailure::none;
}

// Writes exactly the changed runs into target and makes them durable. Unless the user
// was asked already, asks first when another program wrote under a change. After a
// failure every changed byte before reached may be in the file.
SaveFailure writeChangesInPlace(const Document& doc, ViewHost& host, FileSystem& fs, const FileStamp& target,
                                bool asked, std::uint32_t chunkBytes, SystemError& cause,
                                std::int64_t& reached) {
    ScopedFile file(fs);
    if (SaveFailure opened = openTarget(doc, fs, target, file, cause); opened != SaveFailure::none)
        return opened;
    ReadFault unreadable;
    const SaveFailure written = writeChangedRuns(
        doc, fs, file.get(), !asked, [&] { return askToSaveIntoChangedFile(doc, host); }, chunkBytes,
        unreadable, cause, reached);
    if (written != SaveFailure::none) return written;
    bool done = fs.markWritten(file.get(), cause) && fs.flush(file.get(), cause);
    done = file.closeAfter(done, cause);
    return done ? SaveFailure::none : SaveFailure::writeFailed;
}

// --- The whole document -------------------------------------------------------------

// The whole document over the file the view maps, in place: it is never cut shorter.
// After a failure or a stop the bytes before reached may be in the file.
SaveFailure writeWholeInPlace(const Document& doc, FileSystem& fs, const FileStamp& target,
                              std::uint32_t chunkBytes, Progress& progress, SystemError& cause,
                              std::int64_t& reached) {
    ScopedFile file(fs);
    if (SaveFailure opened = openTarget(doc, fs, target, file, cause); opened != SaveFailure::none)
        return opened;
    ReadFault unreadable;
    bool done = writeViewRange(doc, fs, file.get(), 0, doc.fileSize, chunkBytes, &progress, &unreadable,
                               cause, &reached);
    if (done) reached = doc.fileSize;
    done = file.closeAfter(done && fs.flush(file.get(), cause), cause);
    if (unreadable.happened()) return SaveFailure::unreadable;
    return done ? SaveFailure::none : SaveFailure::writeFailed;
}

// The whole document into a new file moved over filePath: what can be read, and zeros for
// the pages that cannot, listed in unreadable.
SaveFailure writeWholeBeside(const Document& doc, FileSystem& fs, std::uint32_t chunkBytes,
                             Progress& progress, UnreadableBytes& unreadable, SystemError& cause) {
    const ReplaceResult replaced = replaceFile(
        fs, doc.filePath,
        [&](FileHandle file, SystemError& error) {
            return writeWhatCanBeRead(doc, fs, file, chunkBytes, &progress, unreadable, error);
        },
        cause, doc.mappedFile);
    return replaced == ReplaceResult::done      ? SaveFailure::none
           : replaced == ReplaceResult::refused ? SaveFailure::cannotOpen
                                                : SaveFailure::writeFailed;
}

SaveFailure writeWhole(const Document& doc, ViewHost& host, FileSystem& fs, const FileStamp& target,
                       SaveWay way, std::uint32_t chunkBytes, UnreadableBytes& unreadable, SystemError& cause,
                       std::int64_t& reached) {
    Progress progress{host, saveProgressTexts, doc.fileSize};
    host.setWaitCursor(true);
    SaveFailure failure = way == SaveWay::wholeInPlace
                              ? writeWholeInPlace(doc, fs, target, chunkBytes, progress, cause, reached)
                              : writeWholeBeside(doc, fs, chunkBytes, progress, unreadable, cause);
    host.setWaitCursor(false);
    finishProgress(progress);
    return progress.stopped ? SaveFailure::stopped : failure;
}

void reportWriteFailure(ViewHost& host, SystemError cause) {
    const std::wstring text = withSystemReason(L"File write sharing violation!", cause);
    host.messageBox(BoxOwner::frame, text.c_str(), inputCaption, boxError);
}

void reportViewKept(const Document& doc, ViewHost& host, SystemError cause) {
    wchar_t text[fileTitleChars + 128];
    formatWithName(text, sizeof text / sizeof text[0], L"", nameOrUntitled(doc.fileTitle),
                   L" was saved, but could not be opened for viewing: the view still shows the file it "
                   L"showed before.");
    host.messageBox(BoxOwner::frame, withSystemReason(text, cause).c_str(), programCaption, boxWarning);
}

// A save in place that failed or stopped once the bytes before reached were in the file:
// the saved state is gone, and the document stays modified. When that file is the one the
// changes are against, the changed bytes written are what it holds now, and they stay
// changed so that the next save writes them again, whatever undo and redo do meanwhile.
void keepWrittenChanges(Document& doc, std::int64_t reached, bool intoBaseline) {
    const auto read = [&doc](std::int64_t line, std::uint8_t* values) {
        ReadFault fault;
        return checkedCopy(doc, line, std::min(ChangeMap::lineBytes, doc.fileSize - line), values, fault);
    };
    if (intoBaseline && !doc.changes.keepWritten(reached, read)) return;  // no changed byte reached it
    doc.history.loseSavePoint();
    doc.isModified = 1;
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
    // Nothing differs from the file the changes are against: it is left alone, its time too.
    BaselineFile& baseline = doc.baseline;
    const bool isBaseline = sameFile(target, baseline.stamp);
    if (isBaseline && doc.changes.empty()) {
        doc.history.saved();
        return finish(SaveFailure::none);
    }
    if (target.exists && target.readOnly) {
        result.cause = accessDeniedError();
        return finish(SaveFailure::cannotOpen);
    }

    // What became of the file since the view's bytes were last known to be in it.
    const bool changedByOther = isBaseline && target.lastWrite != baseline.stamp.lastWrite;
    const bool nameTakenOver =
        target.exists && !isBaseline && baseline.stamp.exists && baseline.path == doc.filePath;
    const bool asked = changedByOther || nameTakenOver;
    if (asked && !askToSaveIntoChangedFile(doc, host)) return finish(SaveFailure::declined);

    SaveFailure failure = SaveFailure::none;
    std::int64_t reached = 0;  // in place: the bytes before it may be in the file
    if (isBaseline && target.size >= doc.fileSize) {
        result.way = SaveWay::changedOnly;
        failure = writeChangesInPlace(doc, host, fs, target, asked, chunkBytes, result.cause, reached);
    } else {
        result.way = sameFile(target, doc.mappedFile) ? SaveWay::wholeInPlace : SaveWay::wholeBeside;
        UnreadableBytes unreadable;
        failure =
            writeWhole(doc, host, fs, target, result.way, chunkBytes, unreadable, result.cause, reached);
        if (failure == SaveFailure::none && !unreadable.ranges.empty()) {
            result.unreadable = std::move(unreadable.ranges);
            result.cause = unreadable.error;
        }
    }
    if (failure == SaveFailure::cannotOpen || failure == SaveFailure::declined) {
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
        doc.history.saved();
        baseline = known ? BaselineFile{doc.filePath, now} : BaselineFile{};
        // The document is the file it was last written to in full.
        SystemError cause = 0;
        if (result.way == SaveWay::wholeBeside &&
            (!known || !remapDocument(doc, doc.filePath, now, cause, fs)))
            reportViewKept(doc, host, cause);
    } else {
        if (reached > 0) keepWrittenChanges(doc, reached, isBaseline);
        if (known && sameFile(now, baseline.stamp)) baseline.stamp = now;
        if (failure == SaveFailure::writeFailed) reportWriteFailure(host, result.cause);
    }
    host.invalidate(nullptr, true);
    host.updateWindow();
    return finish(failure);
}

bool storeByte(Document& doc, std::int64_t offset, std::uint8_t value, ReadFault* fault) {
    if (!doc.history.storeOne(doc, offset, value, fault)) return false;
    ++doc.byteChanges;
    return true;
}

std::int64_t storeBytes(Document& doc, std::int64_t offset, std::int64_t count, const ByteFeed& feed,
                        const PasteControl& control, ReadFault* fault) {
    const std::int64_t stored = doc.history.storeMany(doc, offset, count, feed, control, fault);
    if (stored > 0) ++doc.byteChanges;
    return stored;
}

namespace {

StepOutcome afterStep(Document& doc, StepOutcome outcome) {
    if (outcome != StepOutcome::done) return outcome;
    doc.isModified = doc.history.atSavePoint() ? 0 : 1;
    ++doc.byteChanges;
    return outcome;
}

}  // namespace

StepOutcome undoStep(Document& doc, ByteRange& touched, ReadFault& fault) {
    return afterStep(doc, doc.history.undo(doc, touched, fault));
}

StepOutcome redoStep(Document& doc, ByteRange& touched, ReadFault& fault) {
    return afterStep(doc, doc.history.redo(doc, touched, fault));
}

// --- The edit log -------------------------------------------------------------------

namespace {

void* systemRealloc(void* block, std::size_t bytes) {
    return allocationAllowed(bytes) ? std::realloc(block, bytes) : nullptr;
}

}  // namespace

EditLogAllocator editLogAllocator = systemRealloc;

bool reserveEdit(Document& doc, EditKind kind) {
    EditLog& log = doc.editLog;
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
    return true;
}

void recordEdit(Document& doc, EditKind kind, std::int64_t offset) {
    std::int64_t* entries = doc.editLog.entries;
    switch (kind) {
        case EditKind::highNibble: entries[doc.editCount] = offset; break;
        case EditKind::lowNibble: entries[++doc.editCount] = offset; break;
        case EditKind::character:
            entries[doc.editCount] = offset;
            entries[++doc.editCount] = offset;
            break;
    }
}

void resetEditLog(Document& doc) {
    doc.editCount = 0;
    // What entry 0 holds belongs to the edits just saved (or to another file): nothing from
    // before counts until an edit writes it anew.
    if (doc.editLog.entries) doc.editLog.entries[0] = -1;
}

void releaseEditLog(Document& doc) {
    std::free(doc.editLog.entries);
    doc.editLog.entries = nullptr;
    doc.editLog.capacity = 0;
    doc.editCount = 0;
}

std::uint16_t changedMaskOfRow(const Document& doc, std::int64_t row) { return doc.changes.rowMask(row); }

}  // namespace quillix
