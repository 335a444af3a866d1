#pragma once
// Taking up another program's change to the document's file in the window: the reload or
// the merge of theirs and mine (document/outside_change.h), the question between them,
// the notes in status part 0, and the view, title and tool windows following. Noticing
// the change is outside_watch_win32.h's.

#include "document/outside_change.h"

namespace quillix {

// Takes up change (never none) once it was found new: a file deleted or moved is named in
// status part 0; otherwise, with nothing unsaved, the file is reloaded at once; with
// unsaved changes, after asking "%s was changed by another program.\nReload it and drop
// your changes?" (Yes reloads, No keeps theirs plus mine). The file is taken up as it is
// once the question is answered, so changes made meanwhile are answered with it; after
// No, later changes are kept as theirs plus mine without asking, status part 0 saying
// so, until the document is saved, reloaded or opened.
void takeUpOutsideChange(OutsideChange change);

// Shows note in status part 0 as the note of a taken-up change (of the document's or the
// compared file), which goes back at the next command (clearOutsideNote).
void noteOutsideChange(const wchar_t* note);
// Status part 0 goes back from the note of a taken-up change at the next command.
void clearOutsideNote();

}  // namespace quillix
