// The log of typed offsets (edit_log.h).

#include <algorithm>
#include <cstdlib>

#include "document/document.h"
#include "document/history/record_allocator.h"

namespace quillix {

namespace {

void* systemRealloc(void* block, std::size_t bytes) {
    return allocationAllowed(bytes) ? std::realloc(block, bytes) : nullptr;
}

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
    return true;
}

void recordEdit(Document& doc, EditKind kind, std::int64_t offset) {
    std::int64_t* entries = doc.editLog.entries;
    switch (kind) {
        case EditKind::highNibble: entries[doc.editCount] = offset; break;
        case EditKind::lowNibble: entries[++doc.editCount] = offset; break;
        case EditKind::character:
            entries[doc.editCount] = offset;
            entries[++doc.editCount] = offset;
            break;
    }
}

void resetEditLog(Document& doc) {
    doc.editCount = 0;
    // What entry 0 holds belongs to the edits just saved (or to another file): nothing from
    // before counts until an edit writes it anew.
    if (doc.editLog.entries) doc.editLog.entries[0] = -1;
}

void releaseEditLog(Document& doc) {
    std::free(doc.editLog.entries);
    doc.editLog.entries = nullptr;
    doc.editLog.capacity = 0;
    doc.editCount = 0;
}

}  // namespace quillix
