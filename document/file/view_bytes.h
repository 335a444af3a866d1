#pragma once
// The two things every reader of the document's bytes needs: where the private view of the
// file is and how long it is, and a stretch of offsets in it. The document record carries
// the view (document.h); the file layer's checked reads and the change record take just
// this part of it, so they need nothing of the record above them.

#include <cstdint>

namespace quillix {

// Bytes begin .. end - 1.
struct ByteRange {
    std::int64_t begin = 0;
    std::int64_t end = 0;
    friend bool operator==(const ByteRange&, const ByteRange&) = default;
};

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
