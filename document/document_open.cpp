// Opening a file as the document, and mapping the file a whole save just wrote in place of
// the old view.

#include "document/document.h"

namespace quillix {

std::int64_t lineCountFor(std::int64_t fileSize) {
    if (fileSize <= 0) return 0;
    return fileSize / 16 + (fileSize % 16 > 0 ? 2 : 1);
}

void closeDocumentView(Document& doc, FileSystem& fs) {
    if (doc.fileBytes) fs.unmap(doc.fileBytes, doc.fileSize);
    doc.fileBytes = nullptr;
    doc.ownPages = OwnPages::unknown;
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

int openDocument(Document& doc, const wchar_t* path, SystemError& cause, FileSystem& fs, OpenPurpose purpose) {
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
    doc.viewOnly = false;

    std::uint8_t* bytes = nullptr;
    std::int64_t size = 0;
    FileStamp stamp;
    bool readOnly = true;  // a file that may only be read is still shown
    if (!mapFile(fs, path, bytes, size, stamp, readOnly, cause)) return 0;
    doc.viewOnly = purpose == OpenPurpose::viewing;
    doc.readOnly = readOnly || doc.viewOnly;
    doc.mappedFile = stamp;
    doc.baseline = BaselineFile{path, stamp};
    doc.fileBytes = bytes;
    doc.fileSize = size;
    doc.ownPages = fs.copyOnWritePages();
    doc.lineCount = lineCountFor(size);
    doc.changes.keepMineIn(&doc);
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
    doc.ownPages = fs.copyOnWritePages();
    doc.changes.keepMineIn(&doc);
    doc.mappedFile = stamp;
    doc.baseline = BaselineFile{path, stamp};
    doc.readOnly = readOnly;
    doc.viewOnly = false;  // the file written is the user's own copy
    return 1;
}

}  // namespace quillix
