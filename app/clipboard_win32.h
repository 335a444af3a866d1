#pragma once
// The Win32 clipboard: the view host's blocks and reads, and the tool windows' copies of
// their rows as text, all through the same calls.

#include <windows.h>

#include <string>

namespace quillix {

// The clipboard format of the program's binary copies, "Quillix-64bit bytes".
UINT bytesClipboardFormat();

// Puts text on the clipboard as CF_UNICODETEXT, opened through the hex view's host (its
// retries included), whole or not at all. When it cannot (memory ran out, another program
// holds the clipboard), says so in a warning box owned by boxOwner, and the clipboard keeps
// what it held.
void copyTextToClipboard(HWND boxOwner, const std::wstring& text);

}  // namespace quillix
