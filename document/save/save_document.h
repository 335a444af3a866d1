#pragma once
// Saving the document: the one operation that writes the user's bytes into a file, and
// what it tells its caller. Its steps are in save_steps.h, each in a file of its own.

#include <cstdint>
#include <vector>

#include "document/document.h"
#include "document/file/checked_view.h"

namespace quillix {

// Largest piece of the document a whole save hands to one write call, and what it writes
// between two looks for Escape: some tens of milliseconds of writing, far below
// WriteFile's 32-bit count.
inline constexpr std::uint32_t saveChunkBytes = 32u << 20;

enum class SaveFailure {
    none,
    cannotOpen,   // nothing was written: the target cannot be opened or created, or is read-only
    writeFailed,  // a step after that failed; the box "File write sharing violation!" was shown
    declined,     // the user chose not to save into a file another program has changed
    unreadable,   // a page of the view could not be read; nothing past it was written
    stopped,      // the user pressed Escape during a whole write
    targetLost,   // a page of the target could not be brought in while storing into it
    savedAside,   // the name stayed held by a deleted file: the document is now the new file
                  // written beside it, under that file's own name, and the box said where
};

// How a save reached the disk.
enum class SaveWay {
    none,                 // nothing was written
    changedOnly,          // only the changed bytes, in place, into the baseline file
    wholeInPlace,         // the whole document, in place, into the file the view maps
    wholeBeside,          // the whole document into a new file moved over the target
    wholeBesideHeldName,  // the whole document into a new file beside a name a deleted file still
                          // holds, moved to it once the view let go of that file
    copyToName,           // the changed bytes into the copy saved aside before, moved to the name
};

struct SaveOutcome {
    SaveFailure failure = SaveFailure::none;
    SystemError cause = 0;  // the system's code of the failing step; 0 when none applies
    SaveWay way = SaveWay::none;
    // Stretches of the view that could not be read and went into the file as zeros (a
    // whole document written beside its target); cause then says why. Empty otherwise.
    std::vector<ByteRange> unreadable;
};

// Writes the document to filePath so that the file holds exactly the view's bytes, and
// flushes it; returns 1 only when every step succeeded.
//
// With no changed byte, a target that is the baseline file is left alone, its time too:
// nothing is opened or written, no question is asked, and the save succeeds.
// Otherwise the way is chosen by what the target is now:
// - the baseline file, still the same file and at least fileSize long: only the changed
//   bytes are written, each run of them at its offset and not one byte more, so whatever
//   another program wrote anywhere else stays; a tail past fileSize stays too;
// - the file the view maps, otherwise: the whole document, in place (a mapped file cannot
//   be replaced), never cut shorter;
// - any other file, or no file yet: the whole document, written beside the target and
//   moved over it (see replaceFile), so a failure leaves the target as it was; the
//   document then maps the new file in place of the old one (remapDocument), or, when
//   that fails, keeps the old view and says so: "%s was saved, but could not be opened
//   for viewing: the view still shows the file it showed before." with the system's
//   text on a second line (caption "Quillix-64bit", MB_TASKMODAL | MB_ICONWARNING, owner
//   the frame); the save has succeeded all the same.
// The user is asked first ("%s was changed by another program after it was opened.\nSave
// your changes into it anyway?", owner the frame) when the baseline file was changed by
// another program since it was read or written: its last-write time moved, its name now
// holds another file, or a byte about to be written holds neither the value first read
// there nor the one to be written (found before any byte is written, reading only the
// changed bytes). No gives 0 with failure declined and writes nothing; Yes writes only
// the changed bytes into the same file, or the whole document beside a file that
// replaced it.
//
// - a name still held by a file deleted while open (Windows frees it only once every
//   holder lets go; the caller lets go of its own handles first): the whole document,
//   written beside the file the name leads to (symbolic links followed, as replaceFile
//   does, so a link stays a link) and flushed while the old view still holds the bytes; the
//   document then maps that new file, lets go of the old view, and moves the new file to
//   the name. When that move fails the document stays the new file under its own name,
//   every byte in it, and says so: "%s was saved as %s, since its name is still held by
//   the deleted file." with the system's text on a second line (caption "Quillix-64bit",
//   warning icon, owner the frame); it gives 0 with failure savedAside, no change left
//   recorded and isModified set, so that Save tries the name again. The document's
//   baseline is then that copy, and the next save writes the changed bytes into it in
//   place and moves it to the name (way copyToName): never a second copy; when the move
//   fails again it is savedAside as before, under the same name.
// A whole write checks in with the host every chunkBytes (status part 0 shows "Saving…
// 37 %" after 0.3 s); Escape stops it with failure stopped and no box, and the status
// reads "Save stopped": beside the target nothing is left, in place the bytes written so
// far are the view's.
//
// A read-only target, or one that cannot be opened or created, gives 0 with failure
// cannotOpen before anything is written; the caller reports it. A later failure shows
// "File write sharing violation!" with the system's text on a second line (caption
// "Quillix", error icon, owner the frame) and gives 0 with failure writeFailed. After any
// failure every change stays recorded, so the next save writes them all again.
//
// Pages of the view that can no longer be read (the file was cut shorter, its volume went
// away) stop a save in place: 0 with failure unreadable and cause the system's code, the
// bytes before them written, nothing after; the caller reports it. A whole document
// written beside its target goes on past them: zeros stand in for them, the save succeeds
// and outcome lists them for the caller to name. A page of the target itself that cannot
// be brought in while bytes are stored into it gives 0 with failure targetLost and cause
// the system's code, for the caller to report ("Could not write to file %s!").
// A save in place that fails or stops after writing any of the user's bytes leaves the
// saved state unreachable and isModified set, and the changed bytes it wrote changed
// (ChangeMap::keepWritten) whatever undo and redo do, until a save succeeds.
// On success the changes are cleared and the target becomes the baseline. Leaves
// isModified and editCount alone otherwise; repaints the view after writing; shows the
// wait cursor while a whole document is written. No write call gets more than chunkBytes
// (tests make it small, so that a small document is written in pieces too).
int saveDocument(Document& doc, ViewHost& host, SaveOutcome* outcome = nullptr,
                 FileSystem& fs = systemFileSystem(), std::uint32_t chunkBytes = saveChunkBytes);

}  // namespace quillix
