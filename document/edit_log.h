#pragma once
// The log of edited offsets: the array of entries 0..editCount inclusive, entry editCount
// the most recent edit. The array is reused after a save or an open (editCount goes back
// to 0, the old entries stay). Which bytes are red is the change record's business
// (change_map.h), not the log's.

#include <cstdint>

namespace quillix {

struct EditLog {
    std::int64_t* entries = nullptr;  // realloc'd array of file offsets; -1 in unused slots
    std::int64_t capacity = 0;        // entries the array has room for
};

}  // namespace quillix
