// Which way a save writes, and the whole write's progress and wait cursor.

#include <utility>

#include "document/save/save_steps.h"
#include "host/progress.h"
#include "host/view_host.h"

namespace quillix {

namespace {

// A whole write either way, with the wait cursor and the progress the user can stop.
SaveFailure writeWhole(const Document& doc, ViewHost& host, FileSystem& fs, const FileStamp& target,
                       SaveWay way, std::uint32_t chunkBytes, UnreadableBytes& unreadable, SystemError& cause,
                       std::int64_t& reached, std::wstring& written) {
    Progress progress{host, saveProgressTexts, doc.fileSize};
    host.setWaitCursor(true);
    SaveFailure failure =
        way == SaveWay::wholeInPlace
            ? writeWholeInPlace(doc, fs, target, chunkBytes, progress, cause, reached)
        : way == SaveWay::wholeBesideHeldName
            ? writeWholeBesideHeldName(doc, fs, chunkBytes, progress, unreadable, written, cause)
            : writeWholeBeside(doc, fs, chunkBytes, progress, unreadable, cause);
    host.setWaitCursor(false);
    finishProgress(progress);
    if (!progress.stopped) return failure;
    if (!written.empty()) fs.remove(written.c_str());
    written.clear();
    return SaveFailure::stopped;
}

}  // namespace

SaveFailure writeChosenWay(const Document& doc, ViewHost& host, FileSystem& fs, const FileStamp& target,
                           bool isBaseline, bool asked, std::uint32_t chunkBytes, SaveOutcome& result,
                           std::int64_t& reached, std::wstring& written) {
    if (isBaseline && target.size >= doc.fileSize) {
        result.way = SaveWay::changedOnly;
        return writeChangesInPlace(doc, host, fs, doc.filePath, target, asked, chunkBytes, result.cause,
                                   reached);
    }
    result.way = target.deletePending               ? SaveWay::wholeBesideHeldName
                 : sameFile(target, doc.mappedFile) ? SaveWay::wholeInPlace
                                                    : SaveWay::wholeBeside;
    UnreadableBytes unreadable;
    const SaveFailure failure =
        writeWhole(doc, host, fs, target, result.way, chunkBytes, unreadable, result.cause, reached, written);
    if (failure == SaveFailure::none && !unreadable.ranges.empty()) {
        result.unreadable = std::move(unreadable.ranges);
        result.cause = unreadable.error;
    }
    return failure;
}

}  // namespace quillix
