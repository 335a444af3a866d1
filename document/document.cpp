#include "document/document.h"

#include <algorithm>
#include <cstdlib>

#include "document/text_format.h"
#include "hexview/hex_view.h"

namespace quillix {

std::int64_t lineCountFor(std::int64_t fileSize) {
    if (fileSize <= 0) return 0;
    return fileSize / 16 + (fileSize % 16 > 0 ? 2 : 1);
}

void closeDocumentView(Document& doc, FileSystem& fs) {
    if (doc.fileBytes) fs.unmap(doc.fileBytes, doc.fileSize);
    doc.fileBytes = nullptr;
}

int openDocument(Document& doc, ViewState& view, ViewHost& host, const wchar_t* path, SystemError& cause,
                 FileSystem& fs) {
    const HexView hv{doc, view, host};
    // The previous document is gone as soon as an open is attempted. Its size is kept
    // until its view is released, since unmapping needs it.
    closeDocumentView(doc, fs);
    doc.lineCount = 0;
    doc.fileSize = 0;
    host.hideCaret();
    // With lineCount at 0 this brings scrollMax and topLine back to 0.
    onSize(hv);

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
    doc.fileBytes = bytes;
    doc.fileSize = size;
    doc.lineCount = lineCountFor(size);

    host.setWaitCursor(true);
    SystemError ignored = 0;
    file.close(ignored);  // the view stands on its own now

    // A new document shows no match and carries none over: searches start afresh. With no
    // hit yet, a text search that misses goes back to -1 too, so offset 0 is still searched.
    view.matchVisible = 0;
    view.matchStart = -1;
    view.matchLength = 0;
    onSize(hv);

    wchar_t bytesText[20];
    std::size_t length = appendText(bytesText, 20, 0, L"Bytes: ");
    appendDecimal(bytesText, 20, length, doc.fileSize);
    host.setStatusText(statusPartBytes, bytesText);

    host.invalidate(nullptr, true);
    host.updateWindow();
    host.setWaitCursor(false);
    host.showCaret();
    view.searchPos = -1;
    return 1;
}

namespace {

// Writes the whole document, trims a longer file to its size and flushes it.
bool writeWhole(Document& doc, FileSystem& fs, FileHandle file) {
    SystemError error = 0;
    std::int64_t done = 0;
    while (done < doc.fileSize) {
        std::uint32_t chunk =
            static_cast<std::uint32_t>(std::min<std::int64_t>(doc.fileSize - done, saveChunkBytes));
        std::uint32_t written = 0;
        if (!fs.write(file, doc.fileBytes + done, chunk, written, error) || written != chunk) return false;
        done += chunk;
    }
    // Only a longer file is cut: the file that is open has exactly this size already,
    // and it must not be truncated under its own view.
    std::int64_t onDisk = 0;
    if (!fs.fileSize(file, onDisk, error)) return false;
    if (onDisk > doc.fileSize && !fs.truncate(file, doc.fileSize, error)) return false;
    return fs.flush(file, error);
}

}  // namespace

int saveDocument(Document& doc, ViewHost& host, SaveFailure* failure, FileSystem& fs) {
    SaveFailure outcome = SaveFailure::none;
    {
        ScopedFile file(fs);
        SystemError error = 0;
        if (!fs.openForSave(doc.filePath, file.handle(), error)) {
            if (failure) *failure = SaveFailure::cannotOpen;
            return 0;
        }
        bool written = writeWhole(doc, fs, file.get());
        written = file.close(error) && written;
        if (!written) {
            host.messageBox(BoxOwner::frame, L"File write sharing violation!", L"Quillix", boxError);
            outcome = SaveFailure::writeFailed;
        }
    }
    host.invalidate(nullptr, true);
    host.updateWindow();
    if (failure) *failure = outcome;
    return outcome == SaveFailure::none ? 1 : 0;
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

void* systemRealloc(void* block, std::size_t bytes) { return std::realloc(block, bytes); }

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
}

void releaseEditLog(Document& doc) {
    std::free(doc.editLog.entries);
    doc.editLog.entries = nullptr;
    doc.editLog.capacity = 0;
    doc.editCount = 0;
    doc.editLog.offsetCounts.clear();
    doc.editLog.rowMasks.clear();
}

std::uint16_t editedMaskOfRow(const Document& doc, std::int64_t row) {
    return doc.editLog.rowMasks.bits(row);
}

}  // namespace quillix
