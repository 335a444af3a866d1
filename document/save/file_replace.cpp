#include "document/save/file_replace.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "host/text_format.h"

namespace quillix {

namespace {
constexpr wchar_t temporaryTag[] = L".quillix-";
constexpr wchar_t temporaryEnd[] = L".tmp";
constexpr int tagDigits = 12;
}  // namespace

// Where the new file grows until it is complete: beside the target, so that the final
// move stays within one volume, and named after it with a tag no other write will pick.
std::wstring temporaryPathBeside(const wchar_t* path) {
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

    wchar_t digits[tagDigits + 1];
    appendHex(digits, tagDigits + 1, 0, tag >> (64 - 4 * tagDigits), tagDigits);
    return std::wstring(path) + temporaryTag + digits + temporaryEnd;
}

bool pathOfTemporary(const std::wstring& candidate, std::wstring& path) {
    const std::wstring_view tag = temporaryTag, end = temporaryEnd;
    const std::size_t added = tag.size() + tagDigits + end.size();
    if (candidate.size() <= added || !candidate.ends_with(end)) return false;
    const std::size_t base = candidate.size() - added;
    if (std::wstring_view(candidate).substr(base, tag.size()) != tag) return false;
    path = candidate.substr(0, base);
    return true;
}

ReplaceResult replaceFile(FileSystem& fs, const wchar_t* name, const FileFiller& fill, SystemError& cause,
                          const FileStamp& mapped) {
    cause = 0;
    // Through a symbolic link the file it leads to is replaced, and the link stays.
    std::wstring resolved;
    if (!fs.finalPath(name, resolved, cause)) return ReplaceResult::refused;
    const wchar_t* path = resolved.c_str();
    FileStamp target;
    if (!fs.stampAt(path, target, cause)) return ReplaceResult::refused;
    // The move would replace a read-only file without a word on some systems (Wine among
    // them): the attribute is the owner's "leave it alone", so honour it here. The mapped
    // file: see above.
    if ((target.exists && target.readOnly) || sameFile(target, mapped)) {
        cause = accessDeniedError();
        return ReplaceResult::refused;
    }
    const std::wstring temporary = temporaryPathBeside(path);

    ScopedFile file(fs);
    if (!fs.createAlways(temporary.c_str(), file.handle(), cause)) return ReplaceResult::refused;
    bool done = file.closeAfter(fill(file.get(), cause) && fs.flush(file.get(), cause), cause);
    done = done && fs.replace(temporary.c_str(), path, cause);
    if (!done) fs.remove(temporary.c_str());
    return done ? ReplaceResult::done : ReplaceResult::failed;
}

}  // namespace quillix
