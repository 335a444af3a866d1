#pragma once
// The document: the one open file, held as a copy-on-write view of the whole file,
// with its size, row count, path and name, the modified flag, the edit log and the history.

#include <cstddef>
#include <cstdint>

#include <string>
#include <vector>

#include "document/history/change_map.h"
#include "document/edit_log.h"
#include "document/file/file_system.h"
#include "document/file/guarded_read.h"
#include "document/history/history.h"

namespace quillix {

class ViewHost;

inline constexpr std::int64_t maxDocumentSize = 0x100000000LL;  // 4 GiB, accepted; one more is not
inline constexpr int filePathChars = 772;                       // usable characters of filePath
inline constexpr int fileTitleChars = 512;  // characters of fileTitle, terminator included

// The file whose bytes the view's unchanged bytes are: the file opened, or the file a
// whole document was last written to. A save into it writes only the changed bytes.
struct BaselineFile {
    std::wstring path;  // as it was named when read or written; empty when there is none
    FileStamp stamp;    // the file as it stood after that read or write; exists false: none
    // The document's name this file was saved beside, while a deleted file held that name
    // (see saveDocument); empty for any other file.
    std::wstring besideName = {};
};

// fileBytes and fileSize, the private view and its length, come first (view_bytes.h): the
// checked reads and the history take that part of the record alone.
struct Document : ViewBytes {
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
    // The user asked to open it for viewing alone ("Open as read-only"): it stays read-only
    // when the file is taken up again, whatever the file allows; cleared with readOnly.
    bool viewOnly = false;
};

// True while a document is open. The one test of it: the names alone can outlive a
// failed open for the moment its message box is up.
inline bool hasDocument(const Document& doc) { return doc.fileBytes != nullptr && doc.fileSize > 0; }

// True when the document takes no edits (the one question every command that would change
// bytes asks of the document; the hex view's own test of the file's attribute comes first).
inline bool isReadOnly(const Document& doc) { return doc.readOnly; }

// True when the document has bytes past the end of the file it is relative to (the file
// was cut shorter under it, and the user's bytes kept): it differs from that file however
// its bytes stand, and only a save of it whole makes them the same.
inline bool longerThanFile(const Document& doc) {
    return doc.baseline.stamp.exists && doc.fileSize > doc.baseline.stamp.size;
}

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
// With purpose viewing the document is read-only (and viewOnly) whatever the file allows.
// filePath, fileTitle, isModified and editCount are left to the caller, and so is the
// view (showOpenedDocument).
enum class OpenPurpose { editing, viewing };
int openDocument(Document& doc, const wchar_t* path, SystemError& cause, FileSystem& fs = systemFileSystem(),
                 OpenPurpose purpose = OpenPurpose::editing);

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
// byte changed; the step changed the bits set in bits (a typed nibble's, or all). Every
// store into the view goes through here or storeBytes, so a save knows each byte it must
// write and undo each value to put back. Returns false, storing and recording nothing, when
// memory runs out, or when the byte's page cannot be read (then fault, when given, says
// where and why).
bool storeByte(Document& doc, std::int64_t offset, std::uint8_t value, ReadFault* fault = nullptr,
               std::uint8_t bits = 0xFF);

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

// Stores new values over several runs of the view (increasing, disjoint, not empty, each
// inside the file) as one step of the history that keeps the runs and the bytes they
// overwrote, marking each byte changed as storeByte does. feed.read(context, at, count,
// out) is asked for the new values of at .. at + count - 1, at being an offset of the
// document inside a run, in increasing order. Returns how many runs went in whole: all of
// them, or fewer when the user stopped it at a check-in or a page could not be read (fault
// set): what was stored stays as one step. 0, storing and recording nothing, when memory
// runs out or it stopped before the first run.
std::int64_t storeRuns(Document& doc, const ByteRange* runs, std::int64_t runCount, const ByteFeed& feed,
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
