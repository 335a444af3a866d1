#include "document/outside_change.h"

#include <algorithm>
#include <array>
#include <new>
#include <vector>

#include "document/file/checked_view.h"

namespace quillix {

OutsideChange outsideChangeOf(const Document& doc, const FileStamp& atName, const FileStamp& held) {
    const FileStamp& known = doc.baseline.stamp;
    if (!hasDocument(doc) || !known.exists) return OutsideChange::none;
    // A name a deleted file still holds is as good as free: no one may open that file.
    const bool nameHoldsFile = atName.exists && !atName.deletePending;
    // Another file at the name is a change, whatever became of ours: the usual safe save of
    // editors and build tools writes a new file and renames it over the name.
    if (nameHoldsFile && !sameFile(atName, known)) return OutsideChange::changed;
    // Windows keeps the name of a file deleted while held open until the last holder lets
    // go; a file with no name left is deleted wherever its name was.
    const bool heldIsOurs = sameFile(held, known);
    if (heldIsOurs && (held.links == 0 || held.deletePending)) return OutsideChange::deleted;
    if (!nameHoldsFile) return heldIsOurs ? OutsideChange::moved : OutsideChange::deleted;
    if (atName.lastWrite != known.lastWrite || atName.size != known.size) return OutsideChange::changed;
    return OutsideChange::none;
}

bool isNewOutsideChange(OutsideNotice& notice, OutsideChange kind, const FileStamp& atName) {
    const bool same =
        kind == notice.kind && atName.exists == notice.stamp.exists &&
        (!atName.exists || (sameFile(atName, notice.stamp) && atName.lastWrite == notice.stamp.lastWrite &&
                            atName.size == notice.stamp.size));
    notice = kind == OutsideChange::none ? OutsideNotice{} : OutsideNotice{kind, atName};
    return kind != OutsideChange::none && !same;
}

namespace {

// The view now shows the file as mapped with stamp: the document is that file.
void takeUpFile(Document& doc, FileSystem& fs, const ViewBytes& view, const FileStamp& stamp, bool readOnly) {
    closeDocumentView(doc, fs);
    static_cast<ViewBytes&>(doc) = view;
    doc.changes.keepMineIn(&doc);
    doc.lineCount = lineCountFor(view.fileSize);
    doc.mappedFile = stamp;
    doc.baseline = BaselineFile{doc.filePath, stamp};
    doc.readOnly = readOnly || doc.viewOnly;
    ++doc.byteChanges;
}

}  // namespace

int reloadDocument(Document& doc, SystemError& cause, FileSystem& fs) {
    std::uint8_t* bytes = nullptr;
    std::int64_t size = 0;
    FileStamp stamp;
    bool readOnly = true;
    if (!mapFile(fs, doc.filePath, bytes, size, stamp, readOnly, cause)) return 0;
    doc.changes.clear();
    takeUpFile(doc, fs, ViewBytes{bytes, size, fs.copyOnWritePages()}, stamp, readOnly);
    doc.history.clear();
    return 1;
}

int mergeOutsideChange(Document& doc, std::int64_t& pastEnd, SystemError& cause, FileSystem& fs) {
    pastEnd = 0;
    std::uint8_t* mapped = nullptr;
    std::int64_t fileSize = 0;
    FileStamp stamp;
    bool readOnly = true;
    if (!mapFile(fs, doc.filePath, mapped, fileSize, stamp, readOnly, cause)) return 0;

    // The view to come, read and written through the checked calls as the document's is. A
    // file now shorter than the document leaves it its length: the steps of the history and
    // the changed bytes may lie past the file's end. Those bytes start as zeros.
    ViewBytes fresh{mapped, fileSize, fs.copyOnWritePages()};
    const std::int64_t size = std::max(fileSize, doc.fileSize);
    ReadFault fault;
    if (size > fileSize) {
        std::uint8_t* longer = nullptr;
        if (!fs.mapMemory(size, longer, cause)) {
            fs.unmap(mapped, fileSize);
            return 0;
        }
        const bool copied = checkedCopy(fresh, 0, fileSize, longer, fault);
        fs.unmap(mapped, fileSize);
        fresh = ViewBytes{longer, size, OwnPages::stay};
        if (!copied) fileSize = -1;
    }
    const auto fail = [&](SystemError error) {
        fs.unmap(fresh.fileBytes, fresh.fileSize);
        cause = error;
        return 0;
    };
    if (fileSize < 0) return fail(fault.error);

    std::vector<std::int64_t> lines;
    try {
        lines = doc.changes.changedLines();
        // The user's values of the pages the record relies on the view for: the view goes.
        doc.changes.holdMine();
    } catch (const std::bad_alloc&) {
        return fail(outOfMemoryError());
    }
    // Each changed byte's first value becomes the file's byte, every state of the history
    // that file with the user's edits, and the view the file with the user's bytes over it.
    std::array<std::uint8_t, ChangeMap::lineBytes> values{};
    for (std::int64_t lineStart : lines) {
        const std::int64_t count = std::min(ChangeMap::lineBytes, size - lineStart);
        if (!checkedCopy(fresh, lineStart, count, values.data(), fault)) return fail(fault.error);
        doc.changes.setFirst(lineStart, values.data(), count);
    }
    try {
        doc.history.rebase(doc.changes);
    } catch (const std::bad_alloc&) {
        return fail(outOfMemoryError());
    }
    for (std::int64_t lineStart : lines) {
        const std::int64_t count = std::min(ChangeMap::lineBytes, size - lineStart);
        if (!checkedCopy(fresh, lineStart, count, values.data(), fault)) return fail(fault.error);
        doc.changes.putMine({lineStart, lineStart + count}, values.data());
        if (!checkedSwap(fresh, lineStart, count, values.data(), fault)) return fail(fault.error);
    }
    // The user's changes must stay savable: a file that may only be read now refuses the
    // save with the system's reason, and Save As still writes them elsewhere.
    takeUpFile(doc, fs, fresh, stamp, doc.readOnly);
    // The user's values the merge held of the pages the record relies on the view for go
    // back into the new view, as far as it keeps them.
    doc.changes.releaseMine();
    pastEnd = size - fileSize;
    return 1;
}

}  // namespace quillix
