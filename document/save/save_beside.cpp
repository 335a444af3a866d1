// A save of the whole document beside its target, moved over it once written.

#include "document/save/file_replace.h"
#include "document/save/salvage_write.h"
#include "document/save/save_steps.h"

namespace quillix {

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

SaveFailure writeWholeBesideHeldName(const Document& doc, FileSystem& fs, std::uint32_t chunkBytes,
                                     Progress& progress, UnreadableBytes& unreadable, std::wstring& written,
                                     SystemError& cause) {
    // Through a symbolic link the file it leads to is made again, and the link stays.
    std::wstring resolved;
    if (!fs.finalPath(doc.filePath, resolved, cause)) return SaveFailure::cannotOpen;
    written = temporaryPathBeside(resolved.c_str());
    ScopedFile file(fs);
    if (!fs.createAlways(written.c_str(), file.handle(), cause)) {
        written.clear();
        return SaveFailure::cannotOpen;
    }
    const bool done = file.closeAfter(
        writeWhatCanBeRead(doc, fs, file.get(), chunkBytes, &progress, unreadable, cause) &&
            fs.flush(file.get(), cause),
        cause);
    if (done) return SaveFailure::none;
    fs.remove(written.c_str());
    written.clear();
    return SaveFailure::writeFailed;
}

}  // namespace quillix
