// Bookmarks: the sorted set, the jumps between them, and the text of their store.

#include "places/bookmarks.h"

#include <algorithm>
#include <string_view>

namespace quillix {
namespace {

constexpr char storeHeader[] = "Quillix-64bit bookmarks 1";
constexpr char hexDigits[] = "0123456789ABCDEF";
constexpr int offsetDigits = 16;

}  // namespace

bool toggleBookmark(Bookmarks& marks, std::int64_t offset) {
    auto place = std::lower_bound(marks.offsets.begin(), marks.offsets.end(), offset);
    if (place != marks.offsets.end() && *place == offset) {
        marks.offsets.erase(place);
        return false;
    }
    marks.offsets.insert(place, offset);
    return true;
}

bool hasBookmark(const Bookmarks& marks, std::int64_t offset) {
    return std::binary_search(marks.offsets.begin(), marks.offsets.end(), offset);
}

bool nextBookmark(const Bookmarks& marks, std::int64_t from, std::int64_t& to) {
    const auto& offsets = marks.offsets;
    auto place = std::upper_bound(offsets.begin(), offsets.end(), from);
    if (place == offsets.end()) place = offsets.begin();
    if (place == offsets.end() || *place == from) return false;
    to = *place;
    return true;
}

bool previousBookmark(const Bookmarks& marks, std::int64_t from, std::int64_t& to) {
    const auto& offsets = marks.offsets;
    auto place = std::lower_bound(offsets.begin(), offsets.end(), from);
    if (place == offsets.begin()) place = offsets.end();
    if (place == offsets.begin() || *(place - 1) == from) return false;
    to = *(place - 1);
    return true;
}

std::size_t bookmarkIndexFrom(const Bookmarks& marks, std::int64_t offset) {
    return static_cast<std::size_t>(std::lower_bound(marks.offsets.begin(), marks.offsets.end(), offset) -
                                    marks.offsets.begin());
}

std::string bookmarkStoreText(const Bookmarks& marks) {
    std::string text = storeHeader;
    text += "\r\n";
    for (std::int64_t offset : marks.offsets) {
        char line[offsetDigits + 2];
        for (int i = 0; i < offsetDigits; ++i)
            line[i] = hexDigits[(static_cast<std::uint64_t>(offset) >> (4 * (offsetDigits - 1 - i))) & 15];
        line[offsetDigits] = '\r';
        line[offsetDigits + 1] = '\n';
        text.append(line, sizeof line);
    }
    return text;
}

bool readBookmarkStore(const char* text, std::size_t size, std::int64_t fileSize, Bookmarks& marks) {
    const std::string_view all(text, size);
    std::size_t at = 0;
    // The next line without its line break; false at the end of the text.
    auto nextLine = [&](std::string_view& line) {
        if (at >= all.size()) return false;
        std::size_t end = all.find('\n', at);
        if (end == std::string_view::npos) end = all.size();
        line = all.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        return true;
    };
    std::string_view line;
    if (!nextLine(line) || line != storeHeader) return false;
    Bookmarks read;
    while (nextLine(line)) {
        if (line.empty() && at >= all.size()) break;  // the break after the last line
        if (line.empty() || line.size() > offsetDigits) return false;
        std::uint64_t value = 0;
        for (char c : line) {
            const char* digit = std::find(hexDigits, hexDigits + 16, c >= 'a' && c <= 'f' ? c - 32 : c);
            if (digit == hexDigits + 16) return false;
            value = value << 4 | static_cast<std::uint64_t>(digit - hexDigits);
        }
        if (value >= (std::uint64_t{1} << 62)) return false;
        const auto offset = static_cast<std::int64_t>(value);
        if (!read.offsets.empty() && offset <= read.offsets.back()) return false;
        if (offset < fileSize) read.offsets.push_back(offset);
    }
    marks = std::move(read);
    return true;
}

std::wstring bookmarkStoreName(const wchar_t* path) {
    std::uint64_t hash = 0xCBF29CE484222325u;  // FNV-1a
    for (; *path; ++path) {
        auto unit = static_cast<std::uint32_t>(*path);
        if (unit >= L'a' && unit <= L'z') unit -= 32;
        for (int shift = 0; shift < 32; shift += 8) {
            hash ^= (unit >> shift) & 0xFF;
            hash *= 0x100000001B3u;
        }
    }
    std::wstring name(offsetDigits, L'0');
    for (int i = 0; i < offsetDigits; ++i)
        name[i] = static_cast<wchar_t>(hexDigits[(hash >> (4 * (15 - i))) & 15]);
    return name + L".txt";
}

}  // namespace quillix
