#include "hexview/comparison_view.h"

#include <algorithm>

#include "document/file/checked_view.h"
#include "hexview/selection.h"

namespace quillix {
namespace {

void reportFault(const HexView& hv, const CompareFault& fault) {
    const wchar_t* name = fault.inOther ? hv.view.comparison->other.fileTitle : hv.doc.fileTitle;
    reportUnreadable(hv.host, BoxOwner::hexView, name, fault.read.error);
}

// Status part 0 goes back to its resting text unless a selection is named there.
void showRestingStatus(const HexView& hv) {
    ByteRange selected;
    if (selectedRange(hv.view, hv.doc, selected)) return;
    hv.host.setStatusText(statusPartActivity, restingStatusText(hv.view).c_str());
}

}  // namespace

bool comparing(const ViewState& view) { return view.comparison && view.comparison->open; }

void comparedBytesChanging(const HexView& hv, ByteRange range, CompareFault& fault) {
    if (!comparing(hv.view)) return;
    bytesChanging(*hv.view.comparison, hv.doc, range, &fault);
}

void comparedBytesChanged(const HexView& hv, ByteRange range, CompareFault& fault) {
    if (!comparing(hv.view)) return;
    bytesChanged(*hv.view.comparison, hv.doc, range, &fault);
    showRestingStatus(hv);
}

void reportChangeFault(const HexView& hv, const ReadFault& stored, const CompareFault& uncounted) {
    if (stored.happened())
        reportUnreadable(hv.host, BoxOwner::hexView, hv.doc.fileTitle, stored.error);
    else if (uncounted.happened() && comparing(hv.view))
        reportFault(hv, uncounted);
}

std::wstring restingStatusText(const ViewState& view) {
    if (!comparing(view) || !view.comparison->counted) return L"Ready";
    return comparedText(view.comparison->counts, view.comparison->other.fileTitle);
}

CompareOutcome countComparison(const HexView& hv) {
    CompareFault fault;
    const CompareOutcome outcome = countDifferences(*hv.view.comparison, hv.doc, hv.host, fault);
    hv.host.invalidate(nullptr, true);
    if (outcome == CompareOutcome::unreadable) reportFault(hv, fault);
    if (outcome != CompareOutcome::stopped) showRestingStatus(hv);
    return outcome;
}

int stepToDifference(const HexView& hv, bool forward) {
    ViewState& view = hv.view;
    if (!comparing(view) || !hasDocument(hv.doc)) {
        hv.host.beep();
        return 0;
    }
    const std::int64_t from = std::clamp<std::int64_t>(offsetOf(view), 0, hv.doc.fileSize);
    DifferenceRun run;
    CompareFault fault;
    const CompareOutcome outcome = findDifference(*view.comparison, hv.doc, from, forward, hv.host, run, fault);
    if (outcome == CompareOutcome::stopped) return 0;
    if (outcome == CompareOutcome::unreadable) {
        reportFault(hv, fault);
        return 0;
    }
    if (!run.found()) {
        showRestingStatus(hv);
        hv.host.beep();
        return 0;
    }
    // The run's number while the counts are known; without it when it cannot be found.
    std::wstring text = differenceText(run);
    Comparison& cmp = *view.comparison;
    std::int64_t number = 0;
    if (cmp.counted) {
        const CompareOutcome numbered = numberOfRun(cmp, hv.doc, run.start, hv.host, number, fault);
        if (numbered == CompareOutcome::unreadable) reportFault(hv, fault);
        if (numbered == CompareOutcome::done) text = differenceText(run, number, cmp.counts.runs);
    }
    view.matchVisible = 0;
    clearSelection(hv);
    revealOffset(hv, run.start,
                 view.layout.inCharArea(view.caretCell) ? CaretArea::character : CaretArea::hex);
    // A run in the other file's tail puts the caret on the end-of-file position.
    showOffsetStatus(view, hv.doc, hv.host, EofText::substitute);
    hv.host.setStatusText(statusPartActivity, text.c_str());
    return 1;
}

}  // namespace quillix
