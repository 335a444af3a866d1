#pragma once
// Noticing another program's change to the document's file: a change notification on the
// file's folder, waited on together with the messages in the one message loop, and a look
// whenever the program is activated (for folders that send no notifications). What the
// change means is the document's (document/outside_change.h); taking it up in the window
// is outside_take_up_win32.h's.

#include <windows.h>

namespace quillix {

// Watches the folder of the document's file, holding the file lightly so that a rename
// can be told from a deletion; stops watching when there is no document. Called after
// every open, save and taking up of a change; cheap when nothing moved.
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

// Looks at the document's file now and hands what another program did to it, once per
// change, to takeUpOutsideChange (outside_take_up_win32.h). Only ever called from the
// message loop itself, never from inside a command or a box.
void lookForOutsideChange();
// The program was activated: the message loop looks once it is back at the top and no box
// or dialog holds the frame disabled (serveOutsideLook).
void requestOutsideLook();
void serveOutsideLook();

}  // namespace quillix
