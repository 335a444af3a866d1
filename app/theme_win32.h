#pragma once
// The view's colours in the window: View > Theme (System, Light, Dark), Windows' app mode
// and high contrast followed while the program runs, the dark title bar, and the tool
// windows' lists in the view's colours.

#include <windows.h>

#include "hexview/palette.h"

namespace quillix {

// The palette the view paints with now.
const Palette& viewPalette();
// Windows' own answers, which tests replace through shell's hooks: high contrast
// (SPI_GETHIGHCONTRAST), and apps in dark mode (AppsUseLightTheme = 0 under
// HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize).
bool systemHighContrastOn();
bool systemAppsDark();
// Picks the palette anew from shell.settings.theme and Windows' state, brings the Theme
// items' checks and states, the title bar and the tool lists up to date, and repaints.
void applyTheme();
// Theme > System, Light or Dark (commands 88, 89, 90): applied at once and remembered.
void themeCommand(int command);
// WM_SETTINGCHANGE and WM_SYSCOLORCHANGE of the frame: a change of app mode
// ("ImmersiveColorSet"), of high contrast or of the system's colours takes effect at once.
void onSystemLookChange(UINT message, WPARAM wParam, LPARAM lParam);
// The open tool windows' lists take the view's background and text colours.
void colourToolLists();
// WM_ERASEBKGND of the hex view: true when it filled dc with the palette's background;
// the light palette leaves that to the window class's brush.
bool eraseViewBackground(HWND window, HDC dc);

}  // namespace quillix
