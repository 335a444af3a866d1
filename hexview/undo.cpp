#include "hexview/undo.h"

#include "document/file/checked_view.h"
#include "hexview/comparison_view.h"
#include "hexview/selection.h"

namespace quillix {

namespace {

int moveHistory(const HexView& hv, bool back) {
    Document& doc = hv.doc;
    ViewState& view = hv.view;
    if (!hasDocument(doc)) return 0;
    // A file that takes no typing takes no undo either: the view would hold bytes the
    // user could not save.
    if (refuseReadOnlyFile(hv)) return 0;
    ByteRange touched;
    ReadFault fault;
    const ByteRange step = doc.history.stepRange(back);
    CompareFault uncounted;
    comparedBytesChanging(hv, step, uncounted);
    const StepOutcome outcome = back ? undoStep(doc, touched, fault) : redoStep(doc, touched, fault);
    comparedBytesChanged(hv, step, uncounted);
    reportChangeFault(hv, outcome == StepOutcome::unreadable ? fault : ReadFault{}, uncounted);
    switch (outcome) {
        case StepOutcome::done: break;
        case StepOutcome::nothing: hv.host.beep(); return 0;
        case StepOutcome::noMemory:
            warnInView(hv, noMemoryForEditText);
            return 0;
        case StepOutcome::unreadable: return 0;
    }
    view.matchVisible = 0;
    clearSelection(hv);
    // The reveal paints the whole view again, with the values and marks the step's bytes
    // have now.
    revealOffset(hv, touched.begin,
                 view.layout.inCharArea(view.caretCell) ? CaretArea::character : CaretArea::hex);
    return 1;
}

}  // namespace

int undoEdit(const HexView& hv) { return moveHistory(hv, true); }

int redoEdit(const HexView& hv) { return moveHistory(hv, false); }

}  // namespace quillix
