#include "document/outside_change.h"

#include <algorithm>
#include <array>
#include <bit>
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
void takeUpFile(Document& doc, FileSystem& fs, std::uint8_t* bytes, std::int64_t size, const FileStamp& stamp,
                bool readOnly) {
    closeDocumentView(doc, fs);
    doc.fileBytes = bytes;
    doc.fileSize = size;
    doc.lineCount = lineCountFor(size);
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
    takeUpFile(doc, fs, bytes, size, stamp, readOnly);
    doc.changes.clear();
    doc.history.clear();
    return 1;
}

namespace {

// Puts the user's bytes over the file's in the view doc holds now (the new one), line by
// line, each line's first values becoming the file's. False with fault at the first page
// that cannot be read.
bool putMineOver(Document& doc, ReadFault& fault) {
    std::vector<std::int64_t> lines;
    lines.reserve(doc.changes.lineCount());
    doc.changes.forEachLine([&](std::int64_t lineStart) { lines.push_back(lineStart); });
    for (std::int64_t lineStart : lines) {
        const std::int64_t count = std::min(ChangeMap::lineBytes, doc.fileSize - lineStart);
        std::array<std::uint8_t, ChangeMap::lineBytes> values{};
        if (!checkedCopy(doc, lineStart, count, values.data(), fault)) return false;
        doc.changes.setFirst(lineStart, values.data(), count);
        const ChangedLine& line = *doc.changes.lineAt(lineStart);
        for (std::uint64_t left = line.mask; left != 0; left &= left - 1) {
            const auto k = static_cast<std::size_t>(std::countr_zero(left));
            values[k] = line.mine[k];
        }
        if (!checkedSwap(doc, lineStart, count, values.data(), fault)) return false;
    }
    return true;
}

}  // namespace

int mergeOutsideChange(Document& doc, std::int64_t& pastEnd, SystemError& cause, FileSystem& fs) {
    pastEnd = 0;
    std::uint8_t* mapped = nullptr;
    std::int64_t fileSize = 0;
    FileStamp stamp;
    bool readOnly = true;
    if (!mapFile(fs, doc.filePath, mapped, fileSize, stamp, readOnly, cause)) return 0;

    // A file now shorter than the document leaves it its length: the steps of the history
    // and the changed bytes may lie past the file's end. The bytes there start as zeros,
    // and only the user's own are put over them.
    const std::int64_t size = std::max(fileSize, doc.fileSize);
    std::uint8_t* bytes = mapped;
    std::uint8_t* const oldBytes = doc.fileBytes;
    const std::int64_t oldSize = doc.fileSize;
    ReadFault fault;
    const auto fail = [&](std::uint8_t* view, std::int64_t viewSize) {
        fs.unmap(view, viewSize);
        doc.fileBytes = oldBytes;
        doc.fileSize = oldSize;
        cause = fault.error;
        return 0;
    };
    if (size > fileSize) {
        if (!fs.mapMemory(size, bytes, cause)) {
            fs.unmap(mapped, fileSize);
            return 0;
        }
        doc.fileBytes = mapped;
        doc.fileSize = fileSize;
        const bool copied = checkedCopy(doc, 0, fileSize, bytes, fault);
        fs.unmap(mapped, fileSize);
        if (!copied) return fail(bytes, size);
    }
    doc.fileBytes = bytes;
    doc.fileSize = size;
    if (!putMineOver(doc, fault)) return fail(bytes, size);

    doc.fileBytes = oldBytes;  // released, with its own size, by takeUpFile
    doc.fileSize = oldSize;
    // The user's changes must stay savable: a file that may only be read now refuses the
    // save with the system's reason, and Save As still writes them elsewhere.
    takeUpFile(doc, fs, bytes, size, stamp, doc.readOnly);
    pastEnd = size - fileSize;
    return 1;
}

}  // namespace quillix
