#pragma once
// Undo and Redo over the view: the document's history moves one step (history.h), and the
// view shows the step's first byte as it shows a search hit, without the highlight.

#include "hexview/hex_view.h"

namespace quillix {

// Takes back the step before the history's current point, or does again the one after it.
// Returns 1 when a step moved: its bytes hold their other values, marked as the history
// says, the caret is on its first byte in the caret's area (scrolled into view), the
// selection and the match highlight are gone and the view is repainted. Returns 0, the
// document unchanged, when the file is read-only, removed or absent (refuseReadOnlyFile,
// tested first), when there is no step (a beep), when memory for the marks runs out
// ("Not enough memory to record this edit!") or when a page of the step cannot be read
// ("Could not read %s" with the system's text).
int undoEdit(const HexView& hv);
int redoEdit(const HexView& hv);

}  // namespace quillix
