#include "document/file/view_pages.h"

namespace quillix {

// Windows refuses to cut a file a view maps (ERROR_USER_MAPPED_FILE): the private copies
// of a copy-on-write view's pages stay as they are, and there is nothing to move.
bool keepViewPages(ViewBytes& view, std::int64_t begin, std::int64_t end) {
    return view.ownPages == OwnPages::stay && view.fileBytes && begin < end;
}

// Windows has no call that makes a copy-on-write view's pages private ahead of the stores.
void prepareViewStores(ViewBytes&, const ByteRange*, std::int64_t) {}

}  // namespace quillix
