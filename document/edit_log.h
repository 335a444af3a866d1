#pragma once
// The log of edited offsets: the array of entries 0..editCount inclusive, entry editCount
// the most recent edit. The array is reused after a save or an open (editCount goes back
// to 0, the old entries stay). Which bytes are red is the change record's business
// (change_map.h), not the log's.

#include <cstddef>
#include <cstdint>

namespace quillix {

struct EditLog {
    std::int64_t* entries = nullptr;  // realloc'd array of file offsets; -1 in unused slots
    std::int64_t capacity = 0;        // entries the array has room for
};

struct Document;

enum class EditKind { highNibble, lowNibble, character };

// Makes room for one edit of this kind: creates the array at the first edit and resizes
// it to editCount + 500 entries whenever the editCount the edit will leave is a multiple
// of 100. Returns false, changing nothing, when memory runs out; after true, recordEdit
// cannot fail.
bool reserveEdit(Document& doc, EditKind kind);
// What reserveEdit grows the array with (realloc's contract; the program's own asks
// allocationCheck first). Tests put in one that fails; nothing else changes it.
using EditLogAllocator = void* (*)(void* block, std::size_t bytes);
extern EditLogAllocator editLogAllocator;
// Records offset for an edit of this kind (room must have been reserved; allocates nothing):
//   high nibble: entry editCount = offset
//   low nibble:  editCount + 1, then entry editCount = offset
//   character:   entry editCount = offset, editCount + 1, entry editCount = offset
void recordEdit(Document& doc, EditKind kind, std::int64_t offset);
// Drops the log's contents after an open or a successful save: editCount becomes 0 and
// no entry counts until an edit writes it; the array stays for later edits.
void resetEditLog(Document& doc);
// Frees the array (when the frame window is destroyed).
void releaseEditLog(Document& doc);

}  // namespace quillix
