#pragma once
// The two things every reader of the document's bytes needs: where the private view of the
// file is and how long it is, and a stretch of offsets in it. The document record carries
// the view (document.h); the file layer's checked reads and the change record take just
// this part of it, so they need nothing of the record above them.

#include <algorithm>
#include <cstdint>

namespace quillix {

// Bytes begin .. end - 1.
struct ByteRange {
    std::int64_t begin = 0;
    std::int64_t end = 0;
    friend bool operator==(const ByteRange&, const ByteRange&) = default;
};

// Calls visit(begin, end) for each stretch of whole pages of pageBytes that runs (count of
// them, in increasing order) fall in, neighbouring pages joined: begin and end are offsets
// from origin (which runs start at or after, and pages are counted from), end cut to limit.
template <class Visit>
void forEachPageStretch(const ByteRange* runs, std::int64_t count, std::int64_t origin, std::int64_t pageBytes,
                        std::int64_t limit, Visit visit) {
    std::int64_t from = 0, to = -1;
    for (std::int64_t r = 0; r < count; ++r) {
        const std::int64_t begin = (runs[r].begin - origin) / pageBytes * pageBytes;
        const std::int64_t end = std::min(limit, (runs[r].end - origin + pageBytes - 1) / pageBytes * pageBytes);
        if (begin > to) {
            if (to > from) visit(from, to);
            from = begin;
        }
        to = std::max(to, end);
    }
    if (to > from) visit(from, to);
}

// What becomes of the view's pages the program has written (its private copies of them)
// when another program cuts the file shorter under the view.
enum class OwnPages {
    unknown,    // memory lent by a caller: nothing is promised of it
    stay,       // they stay whatever the file does: Windows refuses to cut a file a view
                // maps, and memory of the process's own has no file
    stayIfMade, // they go with the cut (POSIX drops a private mapping's copies past it)
                // unless keepViewPages (view_pages.h) made them memory of the process's own
};

// The document's private view of its file, as the open left it.
struct ViewBytes {
    std::uint8_t* fileBytes = nullptr;  // the private view; null when no document is open
    std::int64_t fileSize = 0;          // bytes, as the system reported at open (1..4 GiB)
    OwnPages ownPages = OwnPages::unknown;
};

}  // namespace quillix
