#include "document/save/salvage_write.h"

#include <algorithm>
#include <memory>
#include <new>

#include "document/save/changed_bytes_save.h"
#include "document/document.h"
#include "document/save/full_write.h"
#include "host/progress.h"

namespace quillix {
namespace {

// Bytes copied out of the view per write once a page could not be read.
constexpr std::int64_t bufferBytes = std::int64_t{1} << 20;

// Checks in with the host before done bytes of the document are written: false, with
// error 0, when the user stopped the save.
bool checkInBeforeWrite(Progress* progress, std::int64_t done, SystemError& error) {
    if (!progress || keepGoing(*progress, done)) return true;
    error = 0;
    return false;
}

// The document from offset on, through the buffer.
bool writeThroughBuffer(const Document& doc, FileSystem& fs, FileHandle file, std::int64_t offset,
                        Progress* progress, UnreadableBytes& unreadable, SystemError& error) {
    const std::int64_t size = std::min(bufferBytes, doc.fileSize - offset);
    std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(size)]);
    error = 0;
    if (!buffer) return false;
    for (std::int64_t at = offset; at < doc.fileSize; at += size) {
        if (!checkInBeforeWrite(progress, at, error)) return false;
        const std::int64_t piece = std::min(size, doc.fileSize - at);
        try {
            copyReadable(doc, at, piece, buffer.get(), unreadable);
        } catch (const std::bad_alloc&) {
            error = 0;
            return false;
        }
        if (!writeAllAt(fs, file, at, buffer.get(), static_cast<std::uint32_t>(piece), error)) return false;
    }
    return true;
}

}  // namespace

bool writeWhatCanBeRead(const Document& doc, FileSystem& fs, FileHandle file, std::uint32_t chunkBytes,
                        Progress* progress, UnreadableBytes& unreadable, SystemError& error) {
    // Straight from the view while it can be read; from the first write it cannot feed,
    // through the buffer.
    ReadFault fault;
    std::int64_t reached = 0;
    if (writeViewRange(doc, fs, file, 0, doc.fileSize, chunkBytes, progress, &fault, error, &reached)) return true;
    if (!fault.happened()) return false;
    return writeThroughBuffer(doc, fs, file, reached, progress, unreadable, error);
}

}  // namespace quillix
