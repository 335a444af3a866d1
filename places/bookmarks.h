#pragma once
// Bookmarks: marked bytes of the document, kept sorted, and their store, one small text
// file per document named after its full path:
//   Quillix-64bit bookmarks 1
//   0000000000001A2B
//   ...
// one offset a line in hex, rising. A store that does not read this way is damaged and
// ignored whole.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quillix {

struct Bookmarks {
    std::vector<std::int64_t> offsets;  // rising, each once
};

// Sets a bookmark on offset, or clears the one there. Returns true when it is now set.
bool toggleBookmark(Bookmarks& marks, std::int64_t offset);
bool hasBookmark(const Bookmarks& marks, std::int64_t offset);
// The first bookmark after from, else the first of all (wrapping); false when there is
// none but from's own.
bool nextBookmark(const Bookmarks& marks, std::int64_t from, std::int64_t& to);
// The last bookmark before from, else the last of all.
bool previousBookmark(const Bookmarks& marks, std::int64_t from, std::int64_t& to);
// Index of the first bookmark at or after offset (the list's row of a jump).
std::size_t bookmarkIndexFrom(const Bookmarks& marks, std::int64_t offset);

// The store's text of marks.
std::string bookmarkStoreText(const Bookmarks& marks);
// Reads a store's text: true with marks set (the offsets at or past fileSize left out, as
// after the file got shorter); false, marks untouched, when the text is damaged (another
// first line, a line that is not a hex offset, offsets out of order).
bool readBookmarkStore(const char* text, std::size_t size, std::int64_t fileSize, Bookmarks& marks);
// The store's file name for a document's full path: a 64-bit hash of the path, ignoring
// the case of its letters A-Z, in hex, and ".txt".
std::wstring bookmarkStoreName(const wchar_t* path);

}  // namespace quillix
