#include "app/edit_commands.h"

#include "app/frame_window.h"
#include "app/view_host_win32.h"
#include "app/shell_state.h"
#include "hexview/clipboard.h"
#include "hexview/regions.h"
#include "hexview/selection.h"
#include "hexview/undo.h"

namespace quillix {

void undoCommand() {
    Win32ViewHost host(shell.hexView);
    undoEdit(HexView{shell.doc, shell.view, host});
    updateEditCommands();
}

void redoCommand() {
    Win32ViewHost host(shell.hexView);
    redoEdit(HexView{shell.doc, shell.view, host});
    updateEditCommands();
}

void copyCommand() {
    Win32ViewHost host(shell.hexView);
    copyToClipboard(HexView{shell.doc, shell.view, host});
}

void pasteCommand() {
    Win32ViewHost host(shell.hexView);
    pasteFromClipboard(HexView{shell.doc, shell.view, host});
}

void selectAllCommand() {
    Win32ViewHost host(shell.hexView);
    selectAll(HexView{shell.doc, shell.view, host});
}

void copyAsCommand(int command) {
    Win32ViewHost host(shell.hexView);
    const CopyAsFormat format = command == commandCopyAsHex      ? CopyAsFormat::hexString
                                : command == commandCopyAsCArray ? CopyAsFormat::cArray
                                                                 : CopyAsFormat::base64;
    copyAsToClipboard(HexView{shell.doc, shell.view, host}, format);
}

void updateEditCommands() {
    Win32ViewHost host(shell.hexView);
    const HexView hv{shell.doc, shell.view, host};
    ByteRange range;
    const auto state = [](bool enabled) { return MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED); };
    HMENU menu = GetMenu(shell.frame);
    const bool open = hasDocument(shell.doc);
    // A read-only document's Undo and Redo answer with its box, as typing and Paste do.
    const bool readOnly = open && isReadOnly(shell.doc);
    EnableMenuItem(menu, commandUndo, state(readOnly || (open && shell.doc.history.canUndo())));
    EnableMenuItem(menu, commandRedo, state(readOnly || (open && shell.doc.history.canRedo())));
    const bool copyable = copyRange(hv, range);
    for (int command : {commandCopy, commandCopyAsHex, commandCopyAsCArray, commandCopyAsBase64})
        EnableMenuItem(menu, command, state(copyable));
    EnableMenuItem(menu, commandPaste, state(canPaste(hv)));
    for (int command : {commandSelectAll, commandSelectBlock, commandToggleBookmark, commandNextBookmark,
                        commandPreviousBookmark, commandBack, commandForward})
        EnableMenuItem(menu, command, state(open));
    EnableMenuItem(menu, commandFillSelection, state(selectedRange(shell.view, shell.doc, range)));
}

}  // namespace quillix
