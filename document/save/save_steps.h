#pragma once
// The steps saveDocument runs in turn (save_document.h says what a save does as a whole): the
// question and the reports, the choice of way, and the writes in place and beside.

#include <cstdint>
#include <string>

#include "document/save/save_document.h"
#include "document/save/salvage_write.h"

namespace quillix {

struct Progress;

// Asks whether to save into a file another program has changed; true for Yes.
bool askToSaveIntoChangedFile(const Document& doc, ViewHost& host);
// "File write sharing violation!" with the system's text for cause.
void reportWriteFailure(ViewHost& host, SystemError cause);
// The save beside succeeded but the new file could not be mapped: the old view stays.
void reportViewKept(const Document& doc, ViewHost& host, SystemError cause);
// The document's bytes went into written, which its name could not be given to.
void reportSavedAside(const Document& doc, ViewHost& host, const std::wstring& written, SystemError cause);

// Writes exactly the changed runs into target, the file at path, and makes them durable. Unless the user
// was asked already, asks first when another program wrote under a change. After a
// failure every changed byte before reached may be in the file.
SaveFailure writeChangesInPlace(const Document& doc, ViewHost& host, FileSystem& fs, const wchar_t* path,
                                const FileStamp& target, bool asked, std::uint32_t chunkBytes,
                                SystemError& cause, std::int64_t& reached);

// The whole document over the file the view maps, in place: it is never cut shorter.
// After a failure or a stop the bytes before reached may be in the file.
SaveFailure writeWholeInPlace(const Document& doc, FileSystem& fs, const FileStamp& target,
                              std::uint32_t chunkBytes, Progress& progress, SystemError& cause,
                              std::int64_t& reached);

// The whole document into a new file moved over filePath: what can be read, and zeros for
// the pages that cannot, listed in unreadable. After a failure the target is as it was.
SaveFailure writeWholeBeside(const Document& doc, FileSystem& fs, std::uint32_t chunkBytes,
                             Progress& progress, UnreadableBytes& unreadable, SystemError& cause);

// The whole document into a new file beside the file filePath leads to, flushed and
// closed, for a name a deleted file still holds: written says where on success. After a
// failure nothing is left.
SaveFailure writeWholeBesideHeldName(const Document& doc, FileSystem& fs, std::uint32_t chunkBytes,
                                     Progress& progress, UnreadableBytes& unreadable, std::wstring& written,
                                     SystemError& cause);

// Writes the way what target is now calls for (see saveDocument) and sets result.way; a
// whole write beside that went on past unreadable pages lists them in result. In place,
// after a failure or a stop, the bytes before reached may be in the file. For a name a
// deleted file holds, written names the new file written beside it (empty after a failure).
SaveFailure writeChosenWay(const Document& doc, ViewHost& host, FileSystem& fs, const FileStamp& target,
                           bool isBaseline, bool asked, std::uint32_t chunkBytes, SaveOutcome& result,
                           std::int64_t& reached, std::wstring& written);

}  // namespace quillix
