// A save into the file it replaces, in place: only the changed bytes, or the whole document
// over the file the view maps.

#include "document/save/changed_bytes_save.h"
#include "document/save/save_steps.h"

namespace quillix {

namespace {

// Opens path, which must still be target (by identity), for writing in place.
SaveFailure openTarget(const wchar_t* path, FileSystem& fs, const FileStamp& target, ScopedFile& file,
                       SystemError& cause) {
    if (!fs.openExisting(path, file.handle(), cause)) return SaveFailure::cannotOpen;
    // The name was looked at a moment ago; should it hold another file by now, write nothing.
    FileStamp opened;
    if (!fs.stampOf(file.get(), opened, cause)) return SaveFailure::cannotOpen;
    if (!sameFile(opened, target)) {
        cause = 0;
        return SaveFailure::cannotOpen;
    }
    return SaveFailure::none;
}

}  // namespace

SaveFailure writeChangesInPlace(const Document& doc, ViewHost& host, FileSystem& fs, const wchar_t* path,
                                const FileStamp& target, bool asked, std::uint32_t chunkBytes,
                                SystemError& cause, std::int64_t& reached) {
    ScopedFile file(fs);
    if (SaveFailure opened = openTarget(path, fs, target, file, cause); opened != SaveFailure::none)
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

SaveFailure writeWholeInPlace(const Document& doc, FileSystem& fs, const FileStamp& target,
                              std::uint32_t chunkBytes, Progress& progress, SystemError& cause,
                              std::int64_t& reached) {
    ScopedFile file(fs);
    if (SaveFailure opened = openTarget(doc.filePath, fs, target, file, cause); opened != SaveFailure::none)
        return opened;
    ReadFault unreadable;
    bool done = writeViewRange(doc, fs, file.get(), 0, doc.fileSize, chunkBytes, &progress, &unreadable,
                               cause, &reached);
    if (done) reached = doc.fileSize;
    done = file.closeAfter(done && fs.flush(file.get(), cause), cause);
    if (unreadable.happened()) return SaveFailure::unreadable;
    return done ? SaveFailure::none : SaveFailure::writeFailed;
}

}  // namespace quillix
