#include "document/file_replace.h"

#include <chrono>
#include <cstdint>

#include "document/document.h"
#include "document/text_format.h"

namespace quillix {
namespace {

// Where the new file grows until it is complete: beside the target, so that the final
// move stays within one volume, and named after it with a tag no other write will pick.
// Returns false when the name does not fit.
constexpr std::size_t temporaryPathChars = filePathChars + 32;

bool temporaryPathBeside(const wchar_t* path, wchar_t (&temporary)[temporaryPathChars]) {
    static std::uint64_t writes = 0;
    std::uint64_t tag =
        static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()) ^
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) * 31 ^
        reinterpret_cast<std::uintptr_t>(&tag) ^ (++writes << 48);
    // splitmix64, so that every input bit reaches the twelve digits kept
    tag += 0x9E3779B97F4A7C15ull;
    tag = (tag ^ (tag >> 30)) * 0xBF58476D1CE4E5B9ull;
    tag = (tag ^ (tag >> 27)) * 0x94D049BB133111EBull;
    tag ^= tag >> 31;

    constexpr wchar_t before[] = L".quillix-";
    constexpr wchar_t after[] = L".tmp";
    constexpr int tagDigits = 12;
    constexpr std::size_t suffixChars =
        sizeof before / sizeof(wchar_t) - 1 + tagDigits + sizeof after / sizeof(wchar_t) - 1;
    if (textLength(path) + suffixChars >= temporaryPathChars) return false;
    std::size_t length = appendText(temporary, temporaryPathChars, 0, path);
    length = appendText(temporary, temporaryPathChars, length, before);
    length = appendHex(temporary, temporaryPathChars, length, tag >> (64 - 4 * tagDigits), tagDigits);
    appendText(temporary, temporaryPathChars, length, after);
    return true;
}

}  // namespace

ReplaceResult replaceFile(FileSystem& fs, const wchar_t* path, const FileFiller& fill, SystemError& cause) {
    cause = 0;
    FileStamp target;
    if (!fs.stampAt(path, target, cause)) return ReplaceResult::refused;
    // The move would replace a read-only file without a word on some systems (Wine among
    // them): the attribute is the owner's "leave it alone", so honour it here.
    if (target.exists && target.readOnly) {
        cause = accessDeniedError();
        return ReplaceResult::refused;
    }
    wchar_t temporary[temporaryPathChars];
    if (!temporaryPathBeside(path, temporary)) return ReplaceResult::refused;

    ScopedFile file(fs);
    if (!fs.createAlways(temporary, file.handle(), cause)) return ReplaceResult::refused;
    bool done = file.closeAfter(fill(file.get(), cause) && fs.flush(file.get(), cause), cause);
    done = done && fs.replace(temporary, path, cause);
    if (!done) fs.remove(temporary);
    return done ? ReplaceResult::done : ReplaceResult::failed;
}

}  // namespace quillix
