// saveDocument as the sequence it is: look at the target, ask when another program changed
// it, write the way it calls for, then settle the baseline, the marks and the view.

#include <algorithm>

#include "document/file/checked_view.h"
#include "document/save/file_replace.h"
#include "document/save/save_steps.h"
#include "host/view_host.h"

namespace quillix {

namespace {

// The document is the copy a save wrote beside its name while a deleted file held that
// name (savedAside): the baseline names the copy, and the view maps it.
bool isCopyBesideName(const Document& doc) {
    return !doc.baseline.besideName.empty() && doc.baseline.besideName == doc.filePath &&
           sameFile(doc.mappedFile, doc.baseline.stamp);
}

// Whether the file changed since the view's bytes were last known to be in it: another
// program wrote to the baseline file, or the baseline's name now holds another file.
bool changedSinceKnown(const Document& doc, const FileStamp& target, bool isBaseline) {
    const BaselineFile& baseline = doc.baseline;
    const bool changedByOther = isBaseline && target.lastWrite != baseline.stamp.lastWrite;
    const bool nameTakenOver = target.exists && !target.deletePending && !isBaseline &&
                               baseline.stamp.exists &&
                               (baseline.path == doc.filePath || isCopyBesideName(doc));
    return changedByOther || nameTakenOver;
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

// After a save that got as far as writing: the file as it now stands becomes the baseline
// on success (and the document maps it after a write beside); after a failure the bytes
// written so far stay changed, and the box for a failed write comes up. Repaints the view.
void settleAfterWrite(Document& doc, ViewHost& host, FileSystem& fs, SaveFailure failure, SaveWay way,
                      bool isBaseline, std::int64_t reached, SystemError cause, std::int64_t sizeBefore) {
    // Where the file now stands. After a failure in place the bytes written so far moved
    // its last-write time: that was us, not another program.
    BaselineFile& baseline = doc.baseline;
    FileStamp now;
    SystemError ignored = 0;
    const bool known = fs.stampAt(doc.filePath, now, ignored) && now.exists;
    if (failure == SaveFailure::none) {
        doc.changes.clear();
        doc.history.saved();
        baseline = known ? BaselineFile{doc.filePath, now} : BaselineFile{};
        // Only the changed bytes went in, so the file kept its size: another size is another
        // program's write meanwhile, and stays news for the next look.
        if (known && way == SaveWay::changedOnly) baseline.stamp.size = sizeBefore;
        // The document is the file it was last written to in full.
        SystemError mapCause = 0;
        if (way == SaveWay::wholeBeside && (!known || !remapDocument(doc, doc.filePath, now, mapCause, fs)))
            reportViewKept(doc, host, mapCause);
    } else {
        if (reached > 0) keepWrittenChanges(doc, reached, isBaseline);
        if (known && sameFile(now, baseline.stamp)) baseline.stamp = now;
        if (failure == SaveFailure::writeFailed) reportWriteFailure(host, cause);
    }
    host.invalidate(nullptr, true);
    host.updateWindow();
}

// Moves written, which holds every byte of the document and is the file the view maps, to
// name, where the document's name leads. When the move fails the document stays written under its own
// name, nothing left to save into it, the user told (savedAside); the next save tries that
// same file again rather than writing another.
SaveFailure moveCopyToName(Document& doc, ViewHost& host, FileSystem& fs, const std::wstring& written,
                           const std::wstring& name, SystemError& cause) {
    if (fs.replace(written.c_str(), name.c_str(), cause)) return SaveFailure::none;
    FileStamp stamp;
    SystemError ignored = 0;
    fs.stampAt(written.c_str(), stamp, ignored);
    doc.baseline = BaselineFile{written, stamp, doc.filePath};
    doc.changes.clear();  // every byte of the view is written's now
    doc.history.loseSavePoint();
    doc.isModified = 1;
    reportSavedAside(doc, host, written, cause);
    return SaveFailure::savedAside;
}

// The document's bytes are all in written, a new file beside a name a deleted file still
// holds. The document maps written before it lets go of the old view (on Windows the last
// holder of the deleted file: that frees the name), and written then takes the name. Never
// leaves the document without its bytes: when written cannot be mapped the old view stays
// and written goes (writeFailed).
SaveFailure mapCopyAndMoveToName(Document& doc, ViewHost& host, FileSystem& fs, const std::wstring& written,
                                 SystemError& cause) {
    FileStamp stamp;
    if (!fs.stampAt(written.c_str(), stamp, cause) || !remapDocument(doc, written.c_str(), stamp, cause, fs)) {
        fs.remove(written.c_str());
        return SaveFailure::writeFailed;
    }
    // written was made beside the file the name leads to.
    std::wstring name;
    pathOfTemporary(written, name);
    return moveCopyToName(doc, host, fs, written, name, cause);
}

// The document already is the copy beside its name: its changes go into that copy in
// place, and the copy is moved to the name, so that no second copy is ever written.
SaveFailure saveThroughCopy(Document& doc, ViewHost& host, FileSystem& fs, bool asked,
                            std::uint32_t chunkBytes, SaveOutcome& result, std::int64_t& reached) {
    result.way = SaveWay::copyToName;
    const std::wstring copy = doc.baseline.path;
    if (!doc.changes.empty()) {
        FileStamp stamp;
        if (!fs.stampAt(copy.c_str(), stamp, result.cause)) return SaveFailure::cannotOpen;
        const SaveFailure failure =
            writeChangesInPlace(doc, host, fs, copy.c_str(), stamp, asked, chunkBytes, result.cause, reached);
        if (failure != SaveFailure::none) return failure;
    }
    // Through a symbolic link the file it leads to is made again, and the link stays.
    std::wstring name;
    if (!fs.finalPath(doc.filePath, name, result.cause)) return SaveFailure::cannotOpen;
    return moveCopyToName(doc, host, fs, copy, name, result.cause);
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
    const bool isBaseline = sameFile(target, doc.baseline.stamp);
    // Nothing differs from the file the changes are against: it is left alone, its time too.
    if (isBaseline && doc.changes.empty() && target.size >= doc.fileSize) {
        doc.history.saved();
        return finish(SaveFailure::none);
    }
    if (target.exists && target.readOnly) {
        result.cause = accessDeniedError();
        return finish(SaveFailure::cannotOpen);
    }
    const bool asked = changedSinceKnown(doc, target, isBaseline);
    if (asked && !askToSaveIntoChangedFile(doc, host)) return finish(SaveFailure::declined);

    std::int64_t reached = 0;  // in place: the bytes before it may be in the file
    std::wstring written;      // the new file beside a name a deleted file holds
    const bool throughCopy = isCopyBesideName(doc);
    SaveFailure failure = throughCopy ? saveThroughCopy(doc, host, fs, asked, chunkBytes, result, reached)
                                      : writeChosenWay(doc, host, fs, target, isBaseline, asked, chunkBytes,
                                                       result, reached, written);
    if (failure == SaveFailure::cannotOpen || failure == SaveFailure::declined) {
        result.way = SaveWay::none;
        return finish(failure);
    }
    if (failure == SaveFailure::none && result.way == SaveWay::wholeBesideHeldName)
        failure = mapCopyAndMoveToName(doc, host, fs, written, result.cause);
    settleAfterWrite(doc, host, fs, failure, result.way, isBaseline || throughCopy, reached, result.cause,
                     target.size);
    return finish(failure);
}

}  // namespace quillix
