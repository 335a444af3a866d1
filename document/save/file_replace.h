#pragma once
// Writing a whole file without risking the one it replaces: the new content goes into a
// new file beside the target, which is flushed, closed and only then moved over the
// target, keeping what the system lets it keep of the file replaced (see
// FileSystem::replace); a symbolic link is followed, so the file it leads to is replaced
// and the link stays. Until that move the target is exactly as it was; after a failure
// the new file is removed again. Used by the text dump and by every save that writes a whole document
// into a file other than the one the document maps.

#include <functional>
#include <string>

#include "document/file/file_system.h"

namespace quillix {

enum class ReplaceResult {
    done,     // the new content is on disk under path
    refused,  // nothing was written: path is read-only or mapped, or no file can be made beside it
    failed,   // a later step failed: path untouched, the new file gone again
};

// Fills the open new file; returns false with error set when a step fails.
using FileFiller = std::function<bool(FileHandle file, SystemError& error)>;

// A new name beside path, in its folder, that no other write picks: path with a tag and
// ".tmp" appended.
std::wstring temporaryPathBeside(const wchar_t* path);
// True, with path the name it was made beside, when candidate is such a name.
bool pathOfTemporary(const std::wstring& candidate, std::wstring& path);

// Writes the file name leads to through fill, the safe way described above. The file
// mapped (the one the document's view maps; none by default) is never replaced: Windows
// refuses to, and Wine does it but leaves the old file behind under a name of its own.
// cause is the system's code of the step that failed (accessDeniedError() for a
// read-only or mapped target, 0 when the failure was not a system call's).
ReplaceResult replaceFile(FileSystem& fs, const wchar_t* name, const FileFiller& fill, SystemError& cause,
                          const FileStamp& mapped = FileStamp{});

}  // namespace quillix
