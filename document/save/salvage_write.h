#pragma once
// Writing a whole document when pages of its view may no longer be readable: the bytes
// that can be read go into the file at their offsets, and zeros stand in for the pages
// that cannot, so every offset in the file stays true. A save into another file than the
// one the view maps takes this way; edits live in private pages and are read like any
// other byte.

#include <cstdint>

#include "document/file/checked_view.h"
#include "document/file/file_system.h"

namespace quillix {

struct Document;
struct Progress;

// Writes the document into file from offset 0, at most chunkBytes per write call. The
// view's bytes go straight to the system while they can be read; from the first write
// that fails because its bytes cannot be read, the rest goes through a buffer, unreadable
// pages as zeros, each stretch of them listed in unreadable. Returns true when the whole
// document is in the file; false when a write failed for another reason, or memory for
// the buffer or the list ran out, with error the system's code (0 when no system call
// failed). With progress, checks in before each write call; a stop gives false with
// error 0.
bool writeWhatCanBeRead(const Document& doc, FileSystem& fs, FileHandle file, std::uint32_t chunkBytes,
                        Progress* progress, UnreadableBytes& unreadable, SystemError& error);

}  // namespace quillix
