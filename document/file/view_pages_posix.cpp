#include "document/file/view_pages.h"

#include <algorithm>
#include <sys/mman.h>
#include <unistd.h>

#include "document/file/checked_view.h"

namespace quillix {

bool keepViewPages(ViewBytes& view, std::int64_t begin, std::int64_t end) {
    if (!view.fileBytes || begin >= end) return false;
    if (view.ownPages == OwnPages::stay) return true;
    if (view.ownPages != OwnPages::stayIfMade) return false;
    // Whole pages of the system's, within the mapping (which reaches the end of the page
    // the file ends in; the bytes there past the file's end read as zeros).
    static const auto page = static_cast<std::int64_t>(::sysconf(_SC_PAGESIZE));
    const std::int64_t mapped = (view.fileSize + page - 1) / page * page;
    const std::int64_t from = begin / page * page, to = std::min(mapped, (end + page - 1) / page * page);
    const auto length = static_cast<std::size_t>(to - from);
    // Populated at once: a fault a page would cost more than the copy.
    void* fresh =
        ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (fresh == MAP_FAILED) return false;
        // The view's pages are brought in the same way before the copy reads them: a hint,
        // which leaves a page that cannot be read to the checked copy.
#ifdef MADV_POPULATE_READ
    ::madvise(view.fileBytes + from, length, MADV_POPULATE_READ);
#endif
    ReadFault fault;
    if (!checkedCopy(view, from, std::min(to, view.fileSize) - from, static_cast<std::uint8_t*>(fresh),
                     fault) ||
        ::mremap(fresh, length, length, MREMAP_MAYMOVE | MREMAP_FIXED, view.fileBytes + from) == MAP_FAILED) {
        ::munmap(fresh, length);
        return false;
    }
    return true;
}

void prepareViewStores(ViewBytes& view, const ByteRange* runs, std::int64_t count) {
#ifdef MADV_POPULATE_WRITE
    if (!view.fileBytes || view.ownPages != OwnPages::stayIfMade || count <= 0) return;
    static const auto page = static_cast<std::int64_t>(::sysconf(_SC_PAGESIZE));
    const std::int64_t mapped = (view.fileSize + page - 1) / page * page;
    forEachPageStretch(runs, count, 0, page, mapped, [&](std::int64_t from, std::int64_t to) {
        ::madvise(view.fileBytes + from, static_cast<std::size_t>(to - from), MADV_POPULATE_WRITE);
    });
#else
    (void)view;
    (void)runs;
    (void)count;
#endif
}

}  // namespace quillix
