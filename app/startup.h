#pragma once
// Start-up and the message loop.

#include <windows.h>

namespace quillix {

// Registers the window classes, creates the frame window and opens the file named by
// the command line. Returns the frame window, or null after telling the user why the
// program cannot start (a class that cannot be registered, a frame that cannot be made).
HWND startQuillix(HINSTANCE instance, const wchar_t* commandLine);
// Runs the loop until WM_QUIT; returns the exit code it carries.
int runMessageLoop();
// Where every queued message goes, in the loop and in the tests' pump alike: the open
// Find or Goto dialog first (its Tab, Enter and Escape, and whatever is typed into it),
// then the data inspector's keys, then the shortcut keys, which become the frame's
// commands, then the window itself.
void routeMessage(MSG& message);
// The whole program: start-up, then the loop. Returns the process exit code, non-zero
// when start-up failed.
int runQuillix(HINSTANCE instance, const wchar_t* commandLine);
// Unregisters the window classes once the frame is gone, so a later start-up in the
// same process (as in tests) registers them afresh.
void unregisterClasses(HINSTANCE instance);

}  // namespace quillix
