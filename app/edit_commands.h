#pragma once
// The Edit menu's commands over the one document and view, and the menu's gray states.

namespace quillix {

void undoCommand();
void redoCommand();
void copyCommand();
void pasteCommand();
void selectAllCommand();
// Edit > Copy As: the bytes Copy takes as a hex string, a C array or Base64 text.
void copyAsCommand(int command);

// Enables each Edit item that can act now and grays the others: Undo and Redo with a step
// to move over, Copy with a selection or
// a byte under the caret, Paste with a document and something usable on the clipboard,
// Select All with a document; Copy As as Copy; Select Block, the bookmark commands and
// Back and Forward with a document; Fill Selection with a selection. Run as the menu opens and before a shortcut is translated,
// since the clipboard changes without the program hearing of it.
void updateEditCommands();

}  // namespace quillix
