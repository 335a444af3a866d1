#pragma once
// The document: the one open file, held as a copy-on-write view of the whole file,
// with its size, row count, path and name, the modified flag, the edit log and the history.

#include <cstddef>
#include <cstdint>

#include <string>
#include <vector>

#include "document/change_map.h"
#include "document/edit_log.h"
#include "document/file_system.h"
#include "document/guarded_read.h"
#include "document/history.h"

namespace quillix {

class ViewHost;

inline constexpr std::int64_t maxDocumentSize = 0x100000000LL;  // 4 GiB, accepted; one more is not
inline constexpr int filePathChars = 772;                       // usable characters of filePath
inline constexpr int fileTitleChars = 512;  // characters of fileTitle, terminator included
// Largest piece of the document a whole save hands to one write call, and what it writes
// between two looks for Escape: some tens of milliseconds of writing, far below
// WriteFile's 32-bit count.
inline constexpr std::uint32_t saveChunkBytes = 32u << 20;

// The file whose bytes the view's unchanged bytes are: the file opened, or the file a
// whole document was last written to. A save into it writes only the changed bytes.
struct BaselineFile {
    std::wstring path;  // as it was named when read or written; empty when there is none
    FileStamp stamp;    // the file as it stood after that read or write; exists false: none
};

struct Document {
    std::uint8_t* fileBytes = nullptr;         // the private view; null when no document is open
    std::int64_t fileSize = 0;                 // bytes, as the system reported at open (1..4 GiB)
    std::int64_t lineCount = 0;                // rows the view scrolls over: data rows + 1; 0 when closed
    wchar_t filePath[filePathChars + 1] = {};  // where saveDocument writes; the file dialogs' path buffer
    wchar_t fileTitle[fileTitleChars] = {};    // the name in titles and messages; empty when closed
    std::int32_t isModified = 0;               // 1 from the first edit until a save or an open
    EditLog editLog;                           // offsets typed since the last open or save (not paste, undo)
    std::int64_t editCount = 0;  // index of the latest entry; change it only via the edit-log calls
    History history;             // the steps undo and redo move over; see history.h
    ChangeMap changes;           // the changed bytes: red, and what the next save writes
    FileStamp mappedFile;        // the file the view maps, as it stood when mapped
    BaselineFile baseline;       // where the changes are relative to; see BaselineFile
    // Goes up by one at every change of the view's bytes (a store, an undo or redo step, an
    // open), so that whoever read them can tell later whether the view still shows them.
    std::uint64_t byteChanges = 0;
    // Opened for viewing alone: the file could not be opened for writing, or its read-only
    // attribute is set. No byte of the view changes and Save is refused; set by every open,
    // cleared when Save As makes the document a copy it may write.
    bool readOnly = false;
};

// True while a document is open. The one test of it: the names alone can outlive a
// failed open for the moment its message box is up.
inline bool hasDocument(const Document& doc) { return doc.fileBytes != nullptr && doc.fileSize > 0; }

// True when the document takes no edits (the one question every command that would change
// bytes asks of the document; the hex view's own test of the file's attribute comes first).
inline bool isReadOnly(const Document& doc) { return doc.readOnly; }

// Rows the view scrolls over for a document of this size (0 for no document).
std::int64_t lineCountFor(std::int64_t fileSize);

// Maps the file at path as the new document. The previous view is released first,
// whatever the outcome. Returns 1 on success. Returns 0 on failure with cause set to the
// system's code of the failing step, or 0 when the file is larger than 4 GiB; the
// document is then closed (no view, no handle, fileSize and lineCount 0).
// A file that cannot be opened for writing (its read-only attribute, no permission,
// read-only media, another program writing it that shares only reads) is opened for
// reading alone, with the same private view, and the document is read-only (isReadOnly);
// the cause of a failure is then that of the read.
// filePath, fileTitle, isModified and editCount are left to the caller, and so is the
// view (showOpenedDocument).
int openDocument(Document& doc, const wchar_t* path, SystemError& cause, FileSystem& fs = systemFileSystem());

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
    none,          // nothing was written
    changedOnly,   // only the changed bytes, in place, into the baseline file
    wholeInPlace,  // the whole document, in place, into the file the view maps
    wholeBeside,   // the whole document into a new file moved over the target
    wholeAtFreedName,  // the whole document into a new file put at a name a deleted file held
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
//   written beside the name and flushed while the old view still holds the bytes; the
//   document then maps that new file, lets go of the old view, and moves the new file to
//   the name. When that move fails the document stays the new file under its own name,
//   every byte in it, and says so: "%s was saved as %s, since its name is still held by
//   the deleted file." with the system's text on a second line (caption "Quillix-64bit",
//   warning icon, owner the frame); it gives 0 with failure savedAside, no change left
//   recorded and isModified set, so that Save tries the name again.
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

// Maps the file at path privately and checks what it is: a view of it and its stamp, or
// false with cause (0 for a file over 4 GiB) and nothing held. With readOnly set on entry,
// a file that cannot be opened for writing is mapped from a handle that only reads;
// readOnly then says whether it was, or whether the file's read-only attribute is set.
bool mapFile(FileSystem& fs, const wchar_t* path, std::uint8_t*& bytes, std::int64_t& size, FileStamp& stamp,
             bool& readOnly, SystemError& cause);

// Makes the file at path, just written whole from the view (written: its stamp then),
// the file the document maps: maps it as openDocument does, releases the old view, and
// makes it the baseline; the document is read-only only if that file may not be written
// (so a read-only document saved under another name is that writable copy). Size, rows
// and every byte stay the same, so the view needs no
// change beyond a repaint. Returns 1 on success. Returns 0 with cause set (0 when the file
// is no longer the one written) and changes nothing: the old view stays.
int remapDocument(Document& doc, const wchar_t* path, const FileStamp& written, SystemError& cause,
                  FileSystem& fs = systemFileSystem());

// Stores value at offset of the view as one step of the history (history.h), marking the
// byte changed. Every store into the view goes through here or storeBytes, so a save knows
// each byte it must write and undo each value to put back. Returns false, storing and
// recording nothing, when memory runs out, or when the byte's page cannot be read (then
// fault, when given, says where and why).
bool storeByte(Document& doc, std::int64_t offset, std::uint8_t value, ReadFault* fault = nullptr);

// Stores count bytes from feed at offset of the view (offset + count <= fileSize), a chunk
// at a time, as one step of the history that keeps the bytes it overwrote, marking each
// byte changed as storeByte does. Everything is made room for first. Returns how many
// bytes went in, from offset on:
// - count, when all of them did;
// - fewer, when the user stopped it at a check-in or a page of the view could not be read
//   part-way (fault, when given, says where and why): the bytes stored so far stay, as one
//   step of their own (control.progress then says stopped);
// - 0, storing and recording nothing, when memory runs out, when it was stopped before its
//   first chunk, or when a page of its first chunk cannot be read (fault set).
// A paste that is not undoable (see PasteControl) has every page tried before the steps go;
// what it stores stays counted as changed until the next save.
std::int64_t storeBytes(Document& doc, std::int64_t offset, std::int64_t count, const ByteFeed& feed,
                        const PasteControl& control = {}, ReadFault* fault = nullptr);

// Moves the history's current point back (undo) or forward (redo) by one step: the view
// gets the step's other values, the marks follow, touched is the step's bytes, and
// isModified is on exactly when the current point is not the save point. The file on disk
// is not touched. Nothing changes on any outcome but done.
StepOutcome undoStep(Document& doc, ByteRange& touched, ReadFault& fault);
StepOutcome redoStep(Document& doc, ByteRange& touched, ReadFault& fault);

// Releases the view (when the frame window goes away, or before an open).
void closeDocumentView(Document& doc, FileSystem& fs = systemFileSystem());

// Bit k is set when byte row * 16 + k is changed: the bytes painted red while the
// document is modified.
std::uint16_t changedMaskOfRow(const Document& doc, std::int64_t row);

}  // namespace quillix
