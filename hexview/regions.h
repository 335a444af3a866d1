#pragma once
// Commands over regions of the document: Copy As, Select Block and Fill Selection. The
// texts and the pattern are the places room's; here they meet the view, the clipboard and
// the history.

#include <cstdint>

#include "hexview/hex_view.h"
#include "host/progress.h"
#include "places/block.h"
#include "places/copy_as.h"
#include "places/fill_pattern.h"

namespace quillix {

// Copies the bytes Copy takes (copyRange: the selection, or the byte at the caret) as the
// format's text, and only that text, onto the clipboard. Refuses as Copy does, with its
// boxes: nothing to copy (a beep), more than copyLimitBytes, memory running out, a
// clipboard that cannot be opened, a page that cannot be read. Shows "Copying… N %" and
// stops on Escape as Copy does (copyStopped). Returns 1 when the clipboard holds the text.
int copyAsToClipboard(const HexView& hv, CopyAsFormat format);
// Copy As's text of bytes from .. to - 1 of a copy of total bytes (from a multiple of
// copyAsPieceAlign), written to its place in text, the whole text's memory.
void formatCopyAsRange(CopyAsFormat format, const std::uint8_t* bytes, std::int64_t from, std::int64_t to,
                       std::int64_t total, char* text);

// Selects block.start .. block.start + block.length - 1 (a block readBlock accepted) and
// brings its start into view as a search hit is brought, the caret there in the hex area.
void selectBlock(const HexView& hv, const BlockRange& block);

// Progress texts of a fill.
inline constexpr ProgressTexts fillProgressTexts = {L"Filling\u2026 ", L"Fill stopped"};
// What fillSelection returns when the user stopped it with Escape.
inline constexpr int fillStopped = 2;

// Fills the selection with the pattern repeated from its first byte, the last repetition
// cut short, as one step of the history (the bytes red until saved), through the same
// store as a paste. The selection stays. Returns 1 when every byte went in; fillStopped
// when Escape stopped it (part 0 "Fill stopped", what was filled stays as one step); 0,
// the document unchanged, after a refusal with its box: a read-only file ("File [%s] is
// read only!"), no selection (a beep), a fill too large for the history that the user
// would not have without undo ("This fill cannot be undone. Fill anyway?"), memory
// running out, a page that cannot be read.
int fillSelection(const HexView& hv, const FillPattern& pattern, std::int64_t chunkBytes = pasteChunkBytes);

}  // namespace quillix
