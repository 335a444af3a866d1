#include "document/salvage_write.h"

#include <algorithm>
#include <memory>
#include <new>

#include "document/document.h"
#include "host/progress.h"

namespace quillix {
namespace {

// Bytes copied out of the view per write once a page could not be read.
constexpr std::int64_t bufferBytes = std::int64_t{1} << 20;

bool writeWhole(FileSystem& fs, FileHandle file, std::int64_t offset, const std::uint8_t* data,
                std::uint32_t length, SystemError& error) {
    std::uint32_t written = 0;
    if (!fs.writeAt(file, offset, data, length, written, error)) return false;
    if (written == length) return true;
    error = diskFullError();
    return false;
}

// Checks in with the host before done bytes of the document are written: false, with
// error 0, when the user stopped the save.
bool goOn(Progress* progress, std::int64_t done, SystemError& error) {
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
        if (!goOn(progress, at, error)) return false;
        const std::int64_t piece = std::min(size, doc.fileSize - at);
        try {
            copyReadable(doc, at, piece, buffer.get(), unreadable);
        } catch (const std::bad_alloc&) {
            error = 0;
            return false;
        }
        if (!writeWhole(fs, file, at, buffer.get(), static_cast<std::uint32_t>(piece), error)) return false;
    }
    return true;
}

}  // namespace

bool writeWhatCanBeRead(const Document& doc, FileSystem& fs, FileHandle file, std::uint32_t chunkBytes,
                        Progress* progress, UnreadableBytes& unreadable, SystemError& error) {
    for (std::int64_t at = 0; at < doc.fileSize;) {
        if (!goOn(progress, at, error)) return false;
        const auto chunk = static_cast<std::uint32_t>(std::min<std::int64_t>(doc.fileSize - at, chunkBytes));
        std::uint32_t written = 0;
        const bool wrote = fs.writeAt(file, at, doc.fileBytes + at, chunk, written, error);
        if (wrote && written == chunk) {
            at += chunk;
            continue;
        }
        if (wrote) error = diskFullError();
        // The system refuses a write whose bytes it cannot read, or stops short before them.
        ReadFault fault;
        if (!findUnreadable(doc, at + written, chunk - written, fault)) return false;
        return writeThroughBuffer(doc, fs, file, at, progress, unreadable, error);
    }
    return true;
}

}  // namespace quillix
