#pragma once
// Noticing another program's change to the document's file: a change notification on the
// file's folder, waited on together with the messages in the one message loop, and a look
// whenever the program is activated (for folders that send no notifications). What the
// change means and how it is taken up is the document's (document/outside_change.h).

#include <windows.h>

namespace quillix {

// Watches the folder of the document's file, holding the file lightly so that a rename
// can be told from a deletion; stops watching when there is no document. Called after
// every open, save and taking up of a change; cheap when nothing moved. Forgets an
// earlier "keep my changes" answer: the document was saved, reloaded or opened.
void watchDocumentFile();
// Lets go of the held file when another program deleted it: Windows frees a deleted
// file's name only once every holder lets go, and a save puts a new file there. The
// next watchDocumentFile holds the file at the name again.
void letGoOfDeletedFile();
// Watches the compared file's folder while a comparison is open, and stops when none is:
// its changes are looked at as the document's are (recheckOtherFile). Called after every
// opening and closing of a comparison.
void watchComparedFile();
// Releases the notifications and the held file (the frame is going away).
void stopWatchingDocumentFile();

// Waits up to timeout milliseconds for a message to arrive or a watched folder to change,
// and takes up a change of the document's or the compared file when its folder changed. Returns true when a message is
// waiting. The message loop calls it with INFINITE.
bool waitForMessageOrChange(DWORD timeout);

// Looks at the document's file now and takes up what another program did to it, once per
// change: with nothing unsaved, at once; with unsaved changes, after asking "%s was
// changed by another program.\nReload it and drop your changes?" (Yes reloads, No keeps
// theirs plus mine); a file deleted or moved is named in status part 0. The file is taken
// up as it is once the question is answered, so changes made meanwhile are answered with
// it; after No, later changes are kept as theirs plus mine without asking, status part 0
// saying so, until the document is saved, reloaded or opened. Only ever called from the
// message loop itself, never from inside a command or a box.
void lookForOutsideChange();
// The program was activated: the message loop looks once it is back at the top and no box
// or dialog holds the frame disabled (serveOutsideLook).
void requestOutsideLook();
void serveOutsideLook();
// Shows note in status part 0 as the note of a taken-up change (of the document's or the
// compared file), which goes back at the next command (clearOutsideNote).
void noteOutsideChange(const wchar_t* note);
// Status part 0 goes back from the note of a taken-up change at the next command.
void clearOutsideNote();

}  // namespace quillix
