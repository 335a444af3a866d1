#pragma once
// Copy and Paste. Copy puts the selected bytes (or the byte under the caret) on the
// clipboard twice: exactly, in the program's own binary format, and as text in the form
// of the caret's area (hex pairs, or one character per byte). Paste writes the
// clipboard's bytes over the document from the first selected byte (or the caret),
// never past its end.

#include <cstdint>

#include "document/history/change_map.h"
#include "hexview/hex_view.h"

namespace quillix {

// The most bytes one copy takes: 256 MiB, whose hex text alone is 1.5 GiB of memory.
inline constexpr std::int64_t copyLimitBytes = std::int64_t{256} << 20;
// Bytes a copy formats between two check-ins with the host.
inline constexpr std::int64_t copyChunkBytes = std::int64_t{4} << 20;

// What copyToClipboard returns when the user stopped it with Escape.
inline constexpr int copyStopped = 2;

// The bytes Copy takes: the selection, or else the byte under the caret. False when there
// is neither (no document, or the caret past the last byte).
bool copyRange(const HexView& hv, ByteRange& range);

// The bytes every copy takes, refused as every copy refuses them: nothing to copy (a
// beep), more than copyLimitBytes (a box naming the limit).
bool copyRangeWithinLimit(const HexView& hv, ByteRange& range);
// A copy's last steps, each told in a box when it fails: the memory for count bytes' copy,
// and the clipboard taking it.
void warnNoMemoryToCopy(const HexView& hv, std::int64_t count);
bool putCopyOnClipboard(const HexView& hv);

// Copies copyRange to the clipboard. Returns 1 when the clipboard holds the copy.
// Returns 0 after a refusal, the clipboard as it was: nothing to copy (a beep), more
// than copyLimitBytes (a box naming the limit), memory for the copy running out, or a
// clipboard that cannot be opened (a box each), or a page of the selection that can no
// longer be read ("Could not read %s" with the system's text). Checks in with the host every few MiB:
// after 0.3 s status part 0 shows "Copying… N %", and Escape stops the copy, which then
// returns copyStopped with the clipboard as it was and part 0 reading "Copy stopped".
// Reads the view a piece at a time under its guard (checkedRun).
int copyToClipboard(const HexView& hv);

// Whether the clipboard holds something Paste reads (the binary format or text).
bool canPaste(const HexView& hv);

// What pasteFromClipboard returns when the user stopped it with Escape.
inline constexpr int pasteStopped = 2;

// Pastes the clipboard's bytes: the binary format when there, otherwise the text, read as
// hex pairs in the hex area (countHexPiece) and as one byte per character in the
// character area. Returns 1 when the bytes are in the document: marked changed and red,
// isModified set, the match highlight and the selection gone, the caret after the last
// pasted byte (the view scrolled to it). Returns 0, the document unchanged, after a
// refusal, each with its box: a read-only file ("File [%s] is read only!"), hex text that
// is not hex pairs ("Hexadecimal numbers have to be between a-f or 0-9!"), text for the
// character area holding a character above U+00FF (the first such and its place), more
// bytes than fit before the end of the document (how many the clipboard holds, how many
// fit), or memory running out ("Not enough memory to record this edit!"); nothing usable
// on the clipboard only beeps. A paste is one step of the history; one larger than the
// history's cap asks first ("This paste cannot be undone. Paste anyway?", Yes/No) and, on
// Yes, leaves no step to undo.
// It is long work, done a chunk of chunkBytes at a time (tests make it small): after 0.3 s
// status part 0 shows "Pasting… N %" (0 % while the text is read), keys typed meanwhile
// are dropped, and Escape stops it: pasteStopped, part 0 reading "Paste stopped", and what
// went in by then stays, as it would after a paste that long (one step). A page of the
// file that cannot be read gives "Could not read %s" with the system's text and 0; what
// went in before that page stays the same way.
int pasteFromClipboard(const HexView& hv, std::int64_t chunkBytes = pasteChunkBytes);

}  // namespace quillix
