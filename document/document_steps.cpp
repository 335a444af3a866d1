// Every change of the view's bytes: the stores of typing and paste and the undo and redo
// steps, each counted in byteChanges; and the changed bytes' marks by row.

#include "document/document.h"

namespace quillix {

bool storeByte(Document& doc, std::int64_t offset, std::uint8_t value, ReadFault* fault, std::uint8_t bits) {
    if (!doc.history.storeOne(doc, doc.changes, offset, value, bits, fault)) return false;
    ++doc.byteChanges;
    return true;
}

std::int64_t storeBytes(Document& doc, std::int64_t offset, std::int64_t count, const ByteFeed& feed,
                        const PasteControl& control, ReadFault* fault) {
    const std::int64_t stored = doc.history.storeMany(doc, doc.changes, offset, count, feed, control, fault);
    if (stored > 0) ++doc.byteChanges;
    return stored;
}

std::int64_t storeRuns(Document& doc, const ByteRange* runs, std::int64_t runCount, const ByteFeed& feed,
                       const PasteControl& control, ReadFault* fault) {
    const std::int64_t stored = doc.history.storeRuns(doc, doc.changes, runs, runCount, feed, control, fault);
    if (stored > 0) ++doc.byteChanges;
    return stored;
}

namespace {

StepOutcome afterStep(Document& doc, StepOutcome outcome) {
    if (outcome != StepOutcome::done) return outcome;
    doc.isModified = doc.history.atSavePoint() && !longerThanFile(doc) ? 0 : 1;
    ++doc.byteChanges;
    return outcome;
}

}  // namespace

StepOutcome undoStep(Document& doc, ByteRange& touched, ReadFault& fault) {
    return afterStep(doc, doc.history.undo(doc, doc.changes, touched, fault));
}

StepOutcome redoStep(Document& doc, ByteRange& touched, ReadFault& fault) {
    return afterStep(doc, doc.history.redo(doc, doc.changes, touched, fault));
}

std::uint16_t changedMaskOfRow(const Document& doc, std::int64_t row) { return doc.changes.rowMask(row); }

}  // namespace quillix
