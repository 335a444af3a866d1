#pragma once
// Find All: every hit of the Find dialog's search over the document or the selection,
// overlapping hits included, for the Search Results window.

#include <cstdint>
#include <vector>

#include "search/search.h"

namespace quillix {

// Hits listed at most; all of them are counted.
inline constexpr std::int64_t maxListedHits = 1000000;

struct FoundAll {
    std::vector<std::int64_t> offsets;  // the first maxListedHits hits, increasing
    std::int64_t count = 0;             // every hit
    std::int64_t length = 0;            // bytes a hit covers
    bool stopped = false;               // the user stopped the search: the hits before the stop
    DialogButtons buttons;              // the search that found them, for F5
    wchar_t what[searchTextUnits] = {};
};

enum class FindAllResult {
    found,       // at least one hit; status part 0 says how many
    none,        // no hit: the shell shows the mode's not-found box
    refused,     // a box was shown (odd digits, all "??", nothing to look for)
    stopped,     // Escape: the hits found so far are kept
    unreadable,  // a page could not be read: the box was shown
};

// Looks for findWhat as findNext does, over the whole document or, with In selection and
// bytes selected, the selection, and puts every hit into found. Status part 0 then says
// "Found N matches" or "Found 1 match" (with "; the first 1000000 listed" past the list's
// end); a long search shows "Finding… N %" and stops on Escape ("Find stopped").
FindAllResult findAll(const HexView& hv, SearchState& state, const DialogButtons& buttons, FoundAll& found);

}  // namespace quillix
