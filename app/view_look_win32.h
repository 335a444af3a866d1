#pragma once
// The view's look as the user chooses it on the View menu: the font (the system's font
// dialog) and the zoom, applied at once and remembered.

#include <windows.h>

namespace quillix {

// Zoom In, Zoom Out and Actual Size (commands 84, 85, 86).
void zoomCommand(int command);
// Ctrl+wheel over the view: a zoom step per notch.
void zoomByWheelCommand(int delta);
// View > Font...: the system's font dialog offering fixed-pitch screen fonts; the chosen
// face and size take effect at once. Cancel changes nothing.
void fontCommand();
// View > Character Set's four items (commands 80..83): the character area shows, and
// typing and pasting store, through the chosen set at once; remembered.
void characterSetCommand(int command);
// Puts the remembered set into the view and its radio mark on the menu.
void applyCharacterSet();
// View > Bytes per Row (70..73), Group By (74..77) and Decimal Offsets (78): the rows are
// laid out anew at once, the caret staying on its byte and in view; remembered.
void rowLayoutCommand(int command);
// Puts the remembered layout into the view and its marks on the menu; with grow, widens
// the frame to show whole rows as far as the work area allows.
void applyRowLayout(bool grow);
// Measures the view font again after a change of font or zoom and lays the view out
// anew, the caret staying on its byte and in view.
void applyViewFont();

}  // namespace quillix
