#pragma once
// The text dump of the whole document: one ASCII line per 16 bytes with the offset, the
// bytes in hexadecimal and the bytes as characters.
//
//   00000000: 0001 0203 0405 0607 0809 0A0B 0C0D 0E0F ................<CR><LF>
//   00000010: 1011 1213                               ....            <LF>
//
// Every line but the last is 68 bytes and ends CR LF; the last is 67 bytes and ends LF,
// also when it is the only one. Hex digits are upper case; byte k of a line takes columns
// 10 + 2k + k/2 and the next, its character column 50 + k ('.' for bytes outside 32..126);
// the columns of bytes missing from a short last line are blanks.

#include <cstdint>

#include "document/file/file_system.h"

namespace quillix {

class ViewHost;
struct Document;

inline constexpr int dumpLineBytes = 68;      // a full line with its CR LF
inline constexpr int dumpLastLineBytes = 67;  // the last line, ending in LF alone
// Lines formatted between two write calls: just under 1 MiB of text per write, small enough
// to stay in the processor's cache between formatting and the system's copy of it.
inline constexpr std::uint32_t dumpLinesPerWrite = 15420;
// Writes between two check-ins with the host: about 4 MiB of text.
inline constexpr std::int64_t dumpWritesPerCheck = 4;

// What exportTextDump returns when the user stopped it with Escape.
inline constexpr int exportStopped = 2;
// What it returns when a page of the document's view could not be read.
inline constexpr int exportUnreadable = 3;

// Bytes of the dump of a document of fileSize bytes (0 for none).
std::int64_t textDumpSize(std::int64_t fileSize);

// Writes the dump of the document's current bytes, unsaved edits included, to path.
// Returns 1 when the whole dump is on disk under that name. Returns 0 when there is no
// document, when memory for the buffer runs out, when a file at path is read-only or is
// the file the document maps, or when any step of creating, writing, flushing, closing
// or moving the file fails; the caller reports it, with the system's text for cause (0
// when no system call failed). Returns exportStopped when the user pressed Escape; the
// caller reports nothing. Returns exportUnreadable when a page of the view could not be
// read (the file was cut shorter, its volume went away), with cause the system's code;
// the caller reports it.
// The dump is written to a new file beside path (beside the file a symbolic link at path
// leads to) and moved over it only once complete, keeping what the system lets it keep
// of the file replaced (see replaceFile), so after a failure or a stop a file already at
// path is exactly as it was and the new file is gone again. Hides the caret for the
// duration and always shows it again; the wait cursor is on while the dump is written;
// beeps once on success. Checks in with the host every few MiB: after 0.3 s status part
// 0 shows "Exporting… N %", and at the end "Ready", or "Export stopped" after Escape.
// Changes no document state.
int exportTextDump(const Document& doc, ViewHost& host, const wchar_t* path,
                   FileSystem& fs = systemFileSystem(), SystemError* cause = nullptr);

}  // namespace quillix
