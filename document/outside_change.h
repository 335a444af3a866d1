#pragma once
// Another program's change to the document's file: telling what happened to it, and
// taking it up. Noticing is the shell's (a change notification on the file's folder, and a
// look whenever the window is activated); this decides and rebuilds, portably.
//
// The view is a private mapping of the file, so what it shows of another program's writes
// is up to the system: pages the user never touched may show them, edited pages do not, and
// a file cut shorter takes the private pages past the cut with it. The change record keeps
// every changed byte's first and current value (change_map.h), so the document can always
// be made again from the file as it is now: all of it (reloadDocument), or with the user's
// bytes on top (mergeOutsideChange).

#include <cstdint>

#include "document/document.h"

namespace quillix {

enum class OutsideChange {
    none,
    changed,  // bytes, size or last-write time moved, or another file took the name
              // (renamed over it, or made anew after a deletion)
    deleted,  // no file at the name, and the document's file has no name left
    moved,    // no file at the name, but the document's file lives on under another
};

// What became of the document's file since the program last read or wrote it (the
// baseline). atName: the stamp of whatever the document's name holds now (stampAt);
// held: the stamp of the document's file through a handle held since it was opened
// (holdFile), exists false when there is none. The program's own saves move the baseline
// with them, so they are never taken for another program's change. none with no document.
OutsideChange outsideChangeOf(const Document& doc, const FileStamp& atName, const FileStamp& held);

// The last change reported to the user, so that each is reported (and asked about) once.
struct OutsideNotice {
    OutsideChange kind = OutsideChange::none;
    FileStamp stamp;  // the name's stamp when it was reported
};

// True, and the notice updated, when kind at atName is another change than the one last
// reported: another kind, or the file moved on again (another file, time or size).
// none is never news, and forgets the last one.
bool isNewOutsideChange(OutsideNotice& notice, OutsideChange kind, const FileStamp& atName);

// Takes up the file at filePath as it is now, dropping every change and the history: new
// size and bytes, read-only when it may only be read now. Returns 1 on success. Returns 0
// with cause set (0 for a file over 4 GiB) and the document as it was.
int reloadDocument(Document& doc, SystemError& cause, FileSystem& fs = systemFileSystem());

// Makes the document theirs plus mine: every other byte is the file at filePath as it is
// now, and every changed byte the user's value over the file's byte there (a typed nibble
// goes over the file's byte, keeping its other nibble). Each changed byte's first value
// becomes the file's byte, so that the next save writes the changed runs without asking
// about this change again, and every state the history reaches is made again the same way
// (History::rebase): undo back to the saved state gives the file's current bytes, before
// a save and after it. The document takes the file's new size, or keeps its own when the
// file is now shorter: pastEnd then says how many of its bytes lie past the file's end (0
// otherwise), those bytes read as zeros but where changed, and the next save writes the
// document whole. The document keeps its read-only flag as it was, whatever the file
// allows now: the user's changes stay savable, and a save into a file that refuses them
// says why.
// Returns 1 on success. Returns 0 with cause set when the file cannot be mapped, a page of
// it cannot be read or memory runs out; the document keeps its view, marks and history,
// though the first values of the changed bytes may follow the file as it is now (and,
// should the file be cut shorter while this runs, the history too).
int mergeOutsideChange(Document& doc, std::int64_t& pastEnd, SystemError& cause,
                       FileSystem& fs = systemFileSystem());

}  // namespace quillix
