#pragma once
// The two writers of a save, and every read of the document's view a save makes: a
// range of the view written by calls, and the changed-bytes save, which writes exactly
// the changed runs into the file they are changes of and nothing between them.

#include <cstdint>
#include <functional>

#include "document/save/save_document.h"

namespace quillix {

struct Progress;

// Writes view bytes begin .. end - 1 at the same offsets of file, at most chunkBytes in
// one call. With progress, checks in before each call; a stop gives false with error 0.
// A write that failed or stopped short because bytes it had yet to take cannot be read
// (the system refuses them rather than fault) gives false with unreadable set, when given,
// and error its code. On false, reached (when given) is the first byte not in the file.
bool writeViewRange(const Document& doc, FileSystem& fs, FileHandle file, std::int64_t begin,
                    std::int64_t end, std::uint32_t chunkBytes, Progress* progress, ReadFault* unreadable,
                    SystemError& error, std::int64_t* reached = nullptr);

// Writes each changed run of the view at its offset of file, an open handle on the file
// the changes are changes of, and no other byte. Before anything is written, when
// lookFirst, reads what the file holds under the changes (those bytes alone); when
// another program wrote there since the document first read them
// (ChangeMap::changedByOthers), asks confirm, whose false gives declined with nothing
// written.
//
// Runs far apart are written by one call each; where many runs crowd few pages, they
// are stored through a window shared with the file (FileSystem::mapShared) instead of a
// call per run. Returns none when every run is in the file (its windows handed on to
// it: flushing is the caller's), writeFailed with cause when a step failed, unreadable
// with unreadable and cause set when a page of the view could not be read, targetLost
// with cause when a page of a window could not be (the file was cut shorter, its volume
// went away). After a failure the runs written so far are the view's: every changed byte
// before reached may be in the file, none from reached on is.
SaveFailure writeChangedRuns(const Document& doc, FileSystem& fs, FileHandle file, bool lookFirst,
                             const std::function<bool()>& confirm, std::uint32_t chunkBytes,
                             ReadFault& unreadable, SystemError& cause, std::int64_t& reached);

}  // namespace quillix
