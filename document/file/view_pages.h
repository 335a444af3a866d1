#pragma once
// Keeping the pages of the view the user's bytes are in, whatever another program does to
// the file: on POSIX a file cut shorter takes the private copies of a mapping's pages past
// the cut with it, so the change record moves a page it relies on out of the mapping, into
// memory of the process's own, before it stops keeping the user's values itself.

#include <cstdint>

#include "document/file/view_bytes.h"

namespace quillix {

// Makes the view's pages over bytes begin .. end - 1 stay whatever becomes of the file:
// true when they do (always for a view whose pages stay), false when they cannot be made
// to (the view promises nothing of its memory, a page cannot be read, memory runs out).
// The view's bytes are the same afterwards either way. On POSIX the pages are copied into
// new memory of the process's own, which then takes their place in one call
// (mremap MREMAP_FIXED): the bytes beside them in the file no longer show there.
bool keepViewPages(ViewBytes& view, std::int64_t begin, std::int64_t end);

// Asks the system to make the view's pages that runs (count of them, in increasing order)
// fall in the process's own copies before they are stored into, a stretch of neighbouring
// pages a call rather than a fault a page (MADV_POPULATE_WRITE). A hint: it neither fails
// nor faults, and leaves a page that cannot be read to the store. Where there is no such
// call, or the view is no mapping of a file, it does nothing.
void prepareViewStores(ViewBytes& view, const ByteRange* runs, std::int64_t count);

}  // namespace quillix
