#pragma once
// The document: the one open file, held as a copy-on-write view of the whole file,
// with its size, row count, path and name, the modified flag and the edit log.

#include <cstddef>
#include <cstdint>

#include "document/edit_log.h"
#include "document/file_system.h"

namespace quillix {

class ViewHost;
struct ViewState;

inline constexpr std::int64_t maxDocumentSize = 0x100000000LL;  // 4 GiB, accepted; one more is not
inline constexpr int filePathChars = 772;                       // usable characters of filePath
inline constexpr int fileTitleChars = 512;  // characters of fileTitle, terminator included
// Largest piece of the document handed to one write call; a 4 GiB document takes
// several, each well below WriteFile's 32-bit count.
inline constexpr std::uint32_t saveChunkBytes = 1u << 30;

struct Document {
    std::uint8_t* fileBytes = nullptr;         // the private view; null when no document is open
    std::int64_t fileSize = 0;                 // bytes, as the system reported at open (1..4 GiB)
    std::int64_t lineCount = 0;                // rows the view scrolls over: data rows + 1; 0 when closed
    wchar_t filePath[filePathChars + 1] = {};  // where saveDocument writes; the file dialogs' path buffer
    wchar_t fileTitle[fileTitleChars] = {};    // the name in titles and messages; empty when closed
    std::int32_t isModified = 0;               // 1 from the first edit until a save or an open
    EditLog editLog;                           // offsets edited since the last open or save
    std::int64_t editCount = 0;  // index of the latest entry; change it only via the edit-log calls
};

// Rows the view scrolls over for a document of this size (0 for no document).
std::int64_t lineCountFor(std::int64_t fileSize);

// Maps the file at path as the new document. The previous view is released first,
// whatever the outcome. Returns 1 on success. Returns 0 on failure with cause set to the
// system's code of the failing step, or 0 when the file is larger than 4 GiB; the
// document is then closed (no view, no handle, fileSize and lineCount 0).
// filePath, fileTitle, isModified, editCount and the caret are left to the caller.
int openDocument(Document& doc, ViewState& view, ViewHost& host, const wchar_t* path, SystemError& cause,
                 FileSystem& fs = systemFileSystem());

enum class SaveFailure { none, cannotOpen, writeFailed };

// Writes the whole view to filePath from offset 0, leaving the file exactly fileSize
// bytes long, and flushes it to the disk. Returns 1 only when every step succeeded.
// When the file cannot be opened or created nothing is written (failure cannotOpen).
// When a later step fails (write, short write, size, flush, close) the box "File write
// sharing violation!" is shown and 0 returned (writeFailed). Either way the caller keeps
// the document modified. Leaves isModified and editCount alone; repaints the view.
int saveDocument(Document& doc, ViewHost& host, SaveFailure* failure = nullptr,
                 FileSystem& fs = systemFileSystem());

// Releases the view (when the frame window goes away, or before an open).
void closeDocumentView(Document& doc, FileSystem& fs = systemFileSystem());

// --- The edit log -------------------------------------------------------------------

enum class EditKind { highNibble, lowNibble, character };

// Makes room for one edit of this kind: creates the array at the first edit and resizes
// it to editCount + 500 entries whenever the editCount the edit will leave is a multiple
// of 100. Returns false, changing nothing, when memory runs out.
bool reserveEdit(Document& doc, EditKind kind);
// What reserveEdit grows the array with (realloc's contract). Tests put in one that
// fails, to reach the out-of-memory path; nothing else changes it.
using EditLogAllocator = void* (*)(void* block, std::size_t bytes);
extern EditLogAllocator editLogAllocator;
// Records offset for an edit of this kind (room must have been reserved):
//   high nibble: entry editCount = offset
//   low nibble:  editCount + 1, then entry editCount = offset
//   character:   entry editCount = offset, editCount + 1, entry editCount = offset
void recordEdit(Document& doc, EditKind kind, std::int64_t offset);
// Drops the log's contents after an open or a successful save: editCount becomes 0 and
// no entry counts until an edit writes it; the array stays for later edits.
void resetEditLog(Document& doc);
// Frees the array (when the frame window is destroyed).
void releaseEditLog(Document& doc);
// Bit k is set when byte row * 16 + k equals a counted log entry. Reading it does not
// depend on isModified; the painter checks that first.
std::uint16_t editedMaskOfRow(const Document& doc, std::int64_t row);

}  // namespace quillix
